# Shared by the scripts: installing Debian packages that are missing, and building.
# Sourced, not run.

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

build_packages=(cmake make g++ pkg-config libfltk1.3-dev fluid cimg-dev libjpeg62-turbo-dev
                libx11-dev libxtst-dev libxext-dev libxcomposite-dev)
desktop_packages=(xvfb xdotool)
test_packages=(libgtest-dev util-linux x11-utils dpkg-dev file man-db lintian desktop-file-utils)
# What one group of tests each needs; a group whose packages cannot be had is skipped. The
# tests under a window manager; the Wayland desktops, GNOME's compositor and weston, each with
# its XWayland; and the Windows build (mingw-w64), run under Wine (see `windows_processor`).
window_manager_packages=(openbox)
mutter_packages=(mutter xwayland dbus-daemon)
weston_packages=(weston xwayland)
windows_packages=(mingw-w64 libc6-i386)

# Where the package manager's output goes, one file a run; shown only when a step fails.
setup_log=${TMPDIR:-/tmp}/tilequilt-setup.log
: >"$setup_log"

sudo_prefix=()
[ "$(id -u)" -ne 0 ] && sudo_prefix=(sudo)

# Runs a command with its output in the set-up log; on failure shows the log's last lines.
quietly() {
  if ! "$@" >>"$setup_log" 2>&1; then
    echo "Failed: $*"
    echo "Its last lines of output (all of it in $setup_log):"
    tail -n 20 "$setup_log"
    return 1
  fi
}

# The package lists, refreshed once a run. An index that cannot be fetched (a mirror mid-sync, a
# broken third-party source) is said in one line, and the install goes on with the lists at hand.
lists_refreshed=
refresh_package_lists() {
  [ -n "$lists_refreshed" ] && return 0
  lists_refreshed=yes
  local log
  log=$(mktemp)
  if ! "${sudo_prefix[@]}" apt-get update >"$log" 2>&1; then
    local index
    index=$(grep -m1 -o 'dists/[^ ]*' "$log" | cut -d/ -f2-4)
    echo "Note: some package lists could not be refreshed${index:+ ($index)};" \
         "installing from the lists at hand"
  fi
  cat "$log" >>"$setup_log"
  rm -f "$log"
}

# Prints those of the named packages that are not installed, one a line.
missing_packages() {
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$' \
      || echo "$package"
  done
}

# Installs whichever of the named packages are missing. On failure returns 1 and leaves the
# package manager's reason, a few lines, in `install_failure`.
install_failure=
install_packages() {
  local missing=() log
  mapfile -t missing < <(missing_packages "$@")
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing ${#missing[@]} packages: ${missing[*]}"
  # 32-bit packages (wine32:i386) need the architecture known to dpkg first.
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
     ! dpkg --print-foreign-architectures | grep -qx i386; then
    quietly "${sudo_prefix[@]}" dpkg --add-architecture i386 || return 1
    lists_refreshed=
  fi
  refresh_package_lists
  log=$(mktemp)
  if "${sudo_prefix[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y \
       --no-install-recommends "${missing[@]}" >"$log" 2>&1; then
    cat "$log" >>"$setup_log"
    rm -f "$log"
    return 0
  fi
  cat "$log" >>"$setup_log"
  install_failure=$(grep -E '^ [^ ].* : (Pre)?Depends: ' "$log" | head -n 3
                    grep -m1 '^E: ' "$log")
  [ -n "$install_failure" ] || install_failure=$(tail -n 2 "$log")
  rm -f "$log"
  return 1
}

# Packages without which nothing can be built or tested: a failure stops the script, naming them.
need_packages() {
  install_packages "$@" && return 0
  echo "Failed: could not install $(missing_packages "$@" | tr '\n' ' ')"
  sed 's/^ */  /' <<<"$install_failure"
  echo "  (the package manager's whole output is in $setup_log)"
  return 1
}

# Packages that one group of tests needs: when they cannot be installed, the group is skipped.
# Its name goes into TILEQUILT_SKIPPED_GROUPS, which the tests read (a test of a group listed
# there is skipped, not passed), and the reason into `skipped_groups` for the closing summary.
skipped_groups=()
export TILEQUILT_SKIPPED_GROUPS=${TILEQUILT_SKIPPED_GROUPS:-}
want_packages() {
  local group=$1 reason
  shift
  install_packages "$@" && return 0
  reason="$(missing_packages "$@" | tr '\n' ' ')could not be installed: $(head -n 1 <<<"$install_failure" | sed 's/^ *//' | cut -c1-100)"
  echo "Skipping the $group tests: $reason"
  skipped_groups+=("$group: $reason")
  TILEQUILT_SKIPPED_GROUPS="$TILEQUILT_SKIPPED_GROUPS $group"
  return 1
}

# The closing summary: one line for each group of tests that was skipped, and why.
tell_skipped_groups() {
  local group
  for group in "${skipped_groups[@]}"; do
    echo "Skipped: $group"
  done
}

# The Windows processor whose build the tests run under Wine: i686 (what the tool ships as)
# where the kernel runs 32-bit programs and 32-bit Wine can be installed, else x86_64 under
# 64-bit Wine. Sets `windows_processor` and `wine_loader`, both empty when no Wine can be had.
windows_processor() {
  windows_processor= wine_loader=
  if ! /lib32/ld-linux.so.2 --version >/dev/null 2>&1; then
    echo "This kernel runs no 32-bit programs: the Windows tests run the 64-bit build under wine64"
  elif install_packages wine32:i386; then
    windows_processor=i686 wine_loader=wine
    return 0
  else
    echo "32-bit Wine could not be installed: the Windows tests run the 64-bit build under wine64"
    echo "  $(head -n 1 <<<"$install_failure")"
  fi
  want_packages windows wine64 || return 0
  windows_processor=x86_64 wine_loader=wine64
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

# A number of seconds as a person reads it: "7 min 5 s".
minutes() {
  echo "$(($1 / 60)) min $(($1 % 60)) s"
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
  "$repo_root/scripts/xvfb-display" 3 3>"$fifo" 2>/dev/null &
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
