# Shared by the scripts: installing Debian packages that are missing, and building.
# Sourced, not run.

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

build_packages=(cmake make g++ pkg-config libfltk1.3-dev fluid cimg-dev libjpeg62-turbo-dev
                libx11-dev libxtst-dev)
desktop_packages=(xvfb xdotool)
test_packages=(libgtest-dev util-linux)
windows_packages=(mingw-w64 wine64)

# Installs whichever of the named Debian packages are not installed yet.
need_packages() {
  local missing=() package
  for package in "$@"; do
    dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$' \
      || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
}

# Configures and builds into $1 with build type $2; further arguments go to CMake.
build_tool() {
  local folder=$1 type=$2
  shift 2
  cmake -S "$repo_root" -B "$folder" -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null
  cmake --build "$folder" -j "$(nproc)"
}

# Starts a private X server when there is no display; sets DISPLAY and private_xvfb_pid.
private_xvfb_pid=
ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
    return 0
  fi
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" 2>/dev/null &
  private_xvfb_pid=$!
  read -r number <"$fifo"
  rm -f "$fifo"
  export DISPLAY=":$number"
  echo "Using a private X server on $DISPLAY"
}

stop_private_display() {
  [ -n "$private_xvfb_pid" ] && kill "$private_xvfb_pid" 2>/dev/null
  return 0
}

# Waits up to $1 seconds for a visible window whose title matches $2; prints its id.
wait_for_window() {
  local seconds=$1 pattern=$2 id
  for _ in $(seq $((seconds * 10))); do
    id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# Cross-builds the game driver, the stand-in and the driver test for Windows into $1, for the
# processor $2 (i686 or x86_64).
build_windows_driver() {
  local folder=$1 processor=$2
  cmake -S "$repo_root" -B "$folder" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$repo_root/cmake/mingw.cmake" -DTILEQUILT_MINGW_PROCESSOR="$processor" \
    -DTILEQUILT_DRIVER_ONLY=ON >/dev/null
  cmake --build "$folder" -j "$(nproc)"
}
