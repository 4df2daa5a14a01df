#!/usr/bin/env bash
# Runs the Windows driver test under Wine, on an X server and in a Wine prefix of its own.
# Usage: run_wine_test.sh TEST.exe STANDIN.exe
set -euo pipefail
test_program=$1
standin_program=$2
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)

work=$(mktemp -d)
xvfb_pid=
cleanup() {
  WINEPREFIX="$work/prefix" "$(dirname "$wine")/wineserver" -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
read -r number <"$work/display"
export DISPLAY=":$number" WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

"$wine" wineboot -i >/dev/null 2>&1
windows_path() { echo "Z:${1//\//\\}"; }
"$wine" "$(windows_path "$test_program")" "$(windows_path "$standin_program")"
