#!/usr/bin/env bash
# The Windows programs as Windows sees them: they need nothing installed (every DLL they import
# comes with Windows; the C and C++ runtimes are linked in), and each carries its icon, a manifest
# (the current controls, no elevation, the DPI awareness it declares) and a version resource with
# the project's version.
# The programs as they ship (the 32-bit build the ZIP is made of) are checked as well, with the
# ZIP's name and its README.txt (Windows line ends, for Notepad).
# Usage: windows_programs_test.sh VERSION SHIPPED_BUILD PROGRAM.exe...
set -euo pipefail
version=$1
shipped=$2
shift 2
fail() { echo "FAILED: $*"; exit 1; }
[ "$(file -b "$shipped/app/tilequilt.exe" | cut -c1-5)" = "PE32 " ] ||
  fail "the shipped tilequilt.exe is not a 32-bit Windows program"
grep -q "CPACK_PACKAGE_FILE_NAME \"tilequilt-$version-windows\"" "$shipped/CPackConfig.cmake" ||
  fail "the ZIP is not named tilequilt-$version-windows"
file "$shipped/packaging/README.txt" | grep -q "CRLF line terminators" ||
  fail "README.txt has no Windows line ends"
! grep -nE 'scripts/|docs/|\]\(' "$shipped/packaging/README.txt" ||
  fail "README.txt speaks of the sources, or links to what the ZIP does not hold"
file "$shipped/packaging/tilequilt.ico" | grep -q "icon resource - 8 icons, 16x16" ||
  fail "the programs' icon does not hold its eight sizes, 16 to 256 pixels"
set -- "$@" "$shipped/app/tilequilt.exe" "$shipped/standin/tilequilt-standin.exe"
system_dlls=(advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll
             shell32.dll user32.dll windowscodecs.dll winmm.dll)
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
  # Resource types at the top of the resource directory: icon, icon group, version, manifest.
  types=$("$objdump" -p "$program" | sed -n '/Resource Directory section/,/^$/p' |
          sed -n 's/^[0-9a-f]*   Entry: ID: 0x0*\([0-9a-f]*\),.*/\1/p' | tr '\n' ' ')
  for type in 3 e 10 18; do
    [[ " $types" == *" $type "* ]] || { echo "FAILED: $program lacks resource type 0x$type ($types)"; exit 1; }
  done
  manifest=$(strings -n 8 "$program" | sed -n '/<assembly/,/<\/assembly>/p')
  for expected in Microsoft.Windows.Common-Controls 'level="asInvoker"' dpiAwareness; do
    grep -qF "$expected" <<<"$manifest" || { echo "FAILED: $program's manifest lacks $expected"; exit 1; }
  done
  echo "$(basename "$program") $version: $(echo $imports)"
done
