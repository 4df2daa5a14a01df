#!/usr/bin/env bash
# The Windows programs need nothing installed: every DLL they import comes with Windows (the C
# and C++ runtimes are linked in).
# Usage: windows_imports_test.sh PROGRAM.exe...
set -euo pipefail
system_dlls=(advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll
             shell32.dll user32.dll windowscodecs.dll)
objdump=
for candidate in i686-w64-mingw32-objdump x86_64-w64-mingw32-objdump; do
  command -v "$candidate" >/dev/null && objdump=$candidate && break
done
[ -n "$objdump" ] || { echo "FAILED: no mingw-w64 objdump"; exit 1; }
for program in "$@"; do
  imports=$("$objdump" -p "$program" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
  [ -n "$imports" ] || { echo "FAILED: $program imports nothing it can be seen to"; exit 1; }
  for dll in $imports; do
    [[ " ${system_dlls[*]} " == *" $dll "* ]] || { echo "FAILED: $program needs $dll"; exit 1; }
  done
  echo "$(basename "$program"): $(echo $imports)"
done
