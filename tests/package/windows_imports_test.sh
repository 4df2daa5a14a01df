#!/usr/bin/env bash
# The Windows programs need nothing installed: every DLL they import comes with Windows (the C
# and C++ runtimes are linked in). Each carries a version resource with the project's version.
# Usage: windows_imports_test.sh VERSION PROGRAM.exe...
set -euo pipefail
version=$1
shift
system_dlls=(advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll
             shell32.dll user32.dll windowscodecs.dll)
for program in "$@"; do
  # Each program read by the objdump of its own kind: 32-bit (i686) or 64-bit (x86_64) Windows.
  case $(file -b "$program") in
    PE32+*) objdump=x86_64-w64-mingw32-objdump ;;
    PE32*) objdump=i686-w64-mingw32-objdump ;;
    *) echo "FAILED: $program is not a Windows program"; exit 1 ;;
  esac
  command -v "$objdump" >/dev/null || { echo "FAILED: no $objdump (mingw-w64)"; exit 1; }
  imports=$("$objdump" -p "$program" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
  [ -n "$imports" ] || { echo "FAILED: $program imports nothing it can be seen to"; exit 1; }
  for dll in $imports; do
    [[ " ${system_dlls[*]} " == *" $dll "* ]] || { echo "FAILED: $program needs $dll"; exit 1; }
  done
  strings -el -n 2 "$program" | grep -qx "$version" ||
    { echo "FAILED: $program carries no version resource of version $version"; exit 1; }
  echo "$(basename "$program") $version: $(echo $imports)"
done
