#!/usr/bin/env bash
# The set-up the scripts share (scripts/common.sh) against a package manager that fails the way
# real ones do: a stand-in apt-get early on PATH, so that nothing is installed for real.
# Usage: setup_test.sh REPOSITORY
set -uo pipefail
repository=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
# Its update fails for one index, as on a day a mirror is mid-sync; a package whose name says
# "broken" cannot be installed; anything else "installs" and is noted.
cat >"$work/bin/apt-get" <<'STANDIN'
#!/bin/sh
if [ "$1" = update ]; then
  echo "Get:1 http://deb.debian.org/debian bookworm InRelease"
  echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
  exit 100
fi
for name in "$@"; do
  case $name in
    *broken*)
      echo "The following packages have unmet dependencies:"
      echo " $name : Depends: libnothing9 but it is not installable"
      echo "E: Unable to correct problems, you have held broken packages." >&2
      exit 100 ;;
  esac
done
for name in "$@"; do
  case $name in -*|install) ;; *) echo "$name" >>"$INSTALLED" ;; esac
done
STANDIN
chmod +x "$work/bin/apt-get"
export PATH="$work/bin:$PATH" TMPDIR=$work INSTALLED=$work/installed
passed=0 failed=0
check() {  # check NAME CONDITION-TEXT: counts and tells
  if [ "$2" = yes ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $1"; fi
}
found() { grep -qF -- "$2" <<<"$1" && echo yes || echo no; }

# Each case in a shell of its own, as a script run from the start.
run() { (source "$repository/scripts/common.sh"; sudo_prefix=(); "$@") 2>&1; }

output=$(run need_packages tq-fake-one tq-fake-two); status=$?
check "an index that cannot be refreshed does not stop the install" \
  "$([ $status -eq 0 ] && echo yes || echo no)"
check "it is said in one line" "$(found "$output" "some package lists could not be refreshed")"
check "the packages were installed" \
  "$([ "$(cat "$work/installed" 2>/dev/null)" = "$(printf 'tq-fake-one\ntq-fake-two')" ] && echo yes || echo no)"

output=$(run need_packages tq-fake-three tq-broken-four); status=$?
check "a required package that cannot be installed fails" "$([ $status -ne 0 ] && echo yes || echo no)"
check "naming it and the package manager's reason" \
  "$(found "$output" "tq-broken-four : Depends: libnothing9 but it is not installable")"
check "and where the rest is" "$(found "$output" "$work/tilequilt-setup.log")"

output=$(run bash -c 'true'; source "$repository/scripts/common.sh"; sudo_prefix=()
         want_packages weston weston-broken tq-fake-five || echo "group refused"
         echo "groups: $TILEQUILT_SKIPPED_GROUPS"; tell_skipped_groups)
check "an optional group that cannot be installed is refused" "$(found "$output" "group refused")"
check "and named to the tests" "$(found "$output" "groups:  weston")"
check "and listed at the end with its reason" \
  "$(found "$output" "Skipped: weston: weston-broken tq-fake-five could not be installed: weston-broken : Depends")"
check "the set-up log is one file a run" \
  "$([ "$(grep -c 'Get:1' "$work/tilequilt-setup.log")" -le 1 ] && echo yes || echo no)"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
