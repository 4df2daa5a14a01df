# Sourced by the Wine scripts: a private X server for Wine and the environment Wine runs in.
# wine_environment LOADER PREFIX FOLDER: starts the server (its pid in `xvfb_pid`, to be ended by
# the caller) through a pipe in FOLDER, and exports DISPLAY, the prefix, quiet debug output, no
# .NET or browser set-up, and the prefix's processor kind (win32 for "wine", win64 for "wine64").
wine_environment() {
  local loader=$1 prefix=$2 folder=$3 number
  mkfifo "$folder/display"
  "$(dirname "${BASH_SOURCE[0]}")/../../scripts/xvfb-display" 3 3>"$folder/display" 2>/dev/null &
  xvfb_pid=$!
  read -r number <"$folder/display"
  export DISPLAY=":$number" WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ "$(basename "$loader")" = wine ]; then export WINEARCH=win32; else export WINEARCH=win64; fi
}
