# Shared by the scripts: installing Debian packages that are missing, and building.
# Sourced, not run.

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

build_packages=(cmake make g++ pkg-config libfltk1.3-dev fluid cimg-dev libjpeg62-turbo-dev
                libx11-dev libxtst-dev libxext-dev libxcomposite-dev)
desktop_packages=(xvfb xdotool)
test_packages=(libgtest-dev util-linux openbox x11-utils dpkg-dev file man-db)
# Wayland desktops for the tests: GNOME's compositor and weston, each with its XWayland.
wayland_packages=(mutter weston xwayland dbus-daemon)
# The tool ships as a 32-bit Windows program: cross-built with mingw-w64, run under 32-bit Wine
# (64-bit Wine where the kernel runs no 32-bit programs, see `windows_processor`).
windows_packages=(mingw-w64 libc6-i386)

# Where the package manager's output goes; shown only when a step fails.
setup_log=${TMPDIR:-/tmp}/tilequilt-setup.log

# Runs a command with its output in the set-up log; on failure shows the log's last lines.
quietly() {
  if ! "$@" >>"$setup_log" 2>&1; then
    echo "Failed: $*"
    echo "Its last lines of output (all of it in $setup_log):"
    tail -n 20 "$setup_log"
    return 1
  fi
}

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
  echo "Installing ${#missing[@]} packages: ${missing[*]}"
  # 32-bit packages (wine32:i386) need the architecture known to dpkg first.
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
     ! dpkg --print-foreign-architectures | grep -qx i386; then
    quietly "${sudo[@]}" dpkg --add-architecture i386
  fi
  quietly "${sudo[@]}" apt-get update
  quietly "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y \
    --no-install-recommends "${missing[@]}"
}

# The Windows processor whose build the tests run under Wine: i686 (what the tool ships as)
# where the kernel runs 32-bit programs, which is found out by running one (the 32-bit dynamic
# loader of libc6-i386), else x86_64. Also sets `wine_loader` and installs that Wine.
windows_processor() {
  if /lib32/ld-linux.so.2 --version >/dev/null 2>&1; then
    windows_processor=i686 wine_loader=wine
    need_packages wine32:i386
  else
    echo "This kernel runs no 32-bit programs: the Windows tests run the 64-bit build under wine64"
    windows_processor=x86_64 wine_loader=wine64
    need_packages wine64
  fi
}

# Configures and builds into $1 with build type $2; further arguments go to CMake. Prints only
# what went wrong, and where the build is.
build_tool() {
  local folder=$1 type=$2 log
  shift 2
  log=$(mktemp)
  echo "Building into $folder"
  if ! { cmake -S "$repo_root" -B "$folder" -DCMAKE_BUILD_TYPE="$type" "$@" &&
         cmake --build "$folder" -j "$(nproc)"; } >"$log" 2>&1; then
    cat "$log"
    rm -f "$log"
    echo "The build in $folder failed."
    return 1
  fi
  rm -f "$log"
}

# The arguments that make `build_tool` cross-build the whole tool for Windows (tilequilt.exe, the
# stand-in and the Windows tests) for the processor $1 (i686, what the tool ships as, or x86_64).
# CImg, a single header, comes from the host.
windows_build_arguments() {
  echo "-DCMAKE_TOOLCHAIN_FILE=$repo_root/cmake/mingw.cmake -DTILEQUILT_MINGW_PROCESSOR=$1" \
       "-DCIMG_INCLUDE_DIR=/usr/include"
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
