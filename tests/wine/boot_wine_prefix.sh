#!/usr/bin/env bash
# Boots a Wine prefix into FOLDER (replacing what is there), once for all the Wine tests, which
# each copy it: a boot takes seconds of both cores, a copy a fraction of one. Fails, with Wine's
# own words, when Wine cannot start.
# Usage: boot_wine_prefix.sh wine|wine64 FOLDER
set -euo pipefail
loader=/usr/lib/wine/$1
prefix=$2
if [ ! -x "$loader" ]; then
  echo "FAILED: $loader is missing (for 32-bit programs: dpkg --add-architecture i386 and the"
  echo "        package wine32:i386; for 64-bit ones: wine64)"
  exit 1
fi
rm -rf "$prefix"
mkdir -p "$(dirname "$prefix")"
work=$(mktemp -d)
log=$work/wineboot
xvfb_pid=
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
source "$(dirname "$0")/wine_environment.sh"
wine_environment "$loader" "$prefix" "$work"
if ! "$loader" wineboot -i >"$log" 2>&1; then
  echo "FAILED: Wine could not start ($(basename "$loader") wineboot):"
  tail -n 5 "$log"
  exit 1
fi
# The registry reaches its files when the prefix's server ends: only then is the prefix whole.
"$(dirname "$loader")/wineserver" -w
echo "Booted a $WINEARCH prefix in $prefix ($(du -sh "$prefix" | cut -f1))"
