#!/usr/bin/env bash
# The Debian package as a user gets it: made with the build's own packaging, its Depends taken
# from the programs' shared libraries, and both programs run from the unpacked package.
# Usage: package_test.sh BUILD_FOLDER
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack could not make the package"; }
package=$(ls "$work"/out/tilequilt_*.deb)

depends=$(dpkg-deb -f "$package" Depends)
for library in libfltk1.3 libjpeg62-turbo libx11-6 libxtst6 libxcomposite1 libxext6; do
  [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
done
contents=$(dpkg-deb -c "$package")
for file in usr/bin/tilequilt usr/bin/tilequilt-standin usr/share/man/man1/tilequilt.1 \
            usr/share/man/man1/tilequilt-standin.1 usr/share/doc/tilequilt/README.md; do
  grep -q "\./$file\$" <<<"$contents" || fail "the package lacks /$file"
done

dpkg-deb -x "$package" "$work/root"
bin=$work/root/usr/bin
env -u DISPLAY "$bin/tilequilt" --version | grep -qx "tilequilt [0-9.]*" ||
  fail "tilequilt --version from the package"
env -u DISPLAY "$bin/tilequilt-standin" --version | grep -qx "tilequilt-standin [0-9.]*" ||
  fail "tilequilt-standin --version from the package"
(cd "$work" && env -u DISPLAY "$bin/tilequilt-standin" --size 1 --write-map map.ppm)
[ "$(head -c 2 "$work/map.ppm")" = P6 ] || fail "the stand-in from the package wrote no map"
man -l "$work/root/usr/share/man/man1/tilequilt.1" 2>/dev/null | grep -q "stitches" ||
  fail "the manual page does not read"
echo "1 passed, 0 failed"
