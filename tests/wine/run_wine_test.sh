#!/usr/bin/env bash
# Runs a Windows test program under Wine, on an X server and in a Wine prefix of its own (a copy
# of the one TILEQUILT_WINE_PREFIX names, or else one booted here), and fails unless the program
# ran to its closing line ("N passed, 0 failed").
# Usage: run_wine_test.sh wine|wine64 TEST.exe [ARGUMENT...]
set -euo pipefail
loader=/usr/lib/wine/$1
test_program=$2
shift 2
if [ ! -x "$loader" ]; then
  echo "FAILED: $loader is missing (for 32-bit programs: dpkg --add-architecture i386 and the"
  echo "        package wine32:i386; for 64-bit ones: wine64)"
  exit 1
fi

work=$(mktemp -d)
xvfb_pid=
cleanup() {
  WINEPREFIX="$work/prefix" "$(dirname "$loader")/wineserver" -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

source "$(dirname "$0")/wine_environment.sh"
wine_environment "$loader" "$work/prefix" "$work"

if [ -n "${TILEQUILT_WINE_PREFIX:-}" ]; then
  cp -a "$TILEQUILT_WINE_PREFIX" "$work/prefix"
else
  bash "$(dirname "$0")/boot_wine_prefix.sh" "$(basename "$loader")" "$work/prefix" || exit 1
fi
windows_path() { case $1 in /*) echo "Z:${1//\//\\}" ;; *) echo "$1" ;; esac; }
arguments=()
for argument in "$@"; do arguments+=("$(windows_path "$argument")"); done
status=0
"$loader" "$(windows_path "$test_program")" "${arguments[@]}" | tee "$work/output" || status=$?
if ! grep -qE '^[0-9]+ passed, 0 failed' "$work/output"; then
  echo "FAILED: $(basename "$test_program") did not run to its end under $(basename "$loader")"
  exit 1
fi
exit "$status"
