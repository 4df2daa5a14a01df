#!/usr/bin/env bash
# The Debian package as a user gets it: made with the build's own packaging, its Depends taken
# from the programs' shared libraries, held to Debian's conventions (lintian, the menu entry's
# rules), the project's one version everywhere, and both programs run from the unpacked package.
# Usage: package_test.sh BUILD_FOLDER
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack could not make the package"; }
package=$(ls "$work"/out/tilequilt_*.deb)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in the build"

depends=$(dpkg-deb -f "$package" Depends)
for library in libfltk1.3 libjpeg62-turbo libx11-6 libxtst6 libxcomposite1 libxext6; do
  [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
done
contents=$(dpkg-deb -c "$package")
for file in usr/bin/tilequilt usr/bin/tilequilt-standin usr/share/man/man1/tilequilt.1.gz \
            usr/share/man/man1/tilequilt-standin.1.gz usr/share/doc/tilequilt/README.md.gz \
            usr/share/doc/tilequilt/copyright usr/share/doc/tilequilt/changelog.gz \
            usr/share/applications/tilequilt.desktop \
            usr/share/icons/hicolor/scalable/apps/tilequilt.svg; do
  grep -q "\./$file\$" <<<"$contents" || fail "the package lacks /$file"
done

lintian --fail-on error,warning --tag-display-limit 0 "$package" >"$work/lintian.txt" 2>&1 ||
  { cat "$work/lintian.txt"; fail "lintian finds errors or warnings"; }

dpkg-deb -x "$package" "$work/root"
root=$work/root
desktop-file-validate "$root/usr/share/applications/tilequilt.desktop" ||
  fail "the menu entry is not valid"
zcat "$root/usr/share/doc/tilequilt/README.md.gz" | grep -q '^!\[' &&
  fail "the shipped README shows pictures that are not shipped"

# One version: the package, both programs, the manual pages and the changelog.
[ "$(dpkg-deb -f "$package" Version)" = "$version" ] || fail "the package's version"
env -u DISPLAY "$root/usr/bin/tilequilt" --version | grep -qx "tilequilt $version" ||
  fail "tilequilt --version from the package"
env -u DISPLAY "$root/usr/bin/tilequilt-standin" --version | grep -qx "tilequilt-standin $version" ||
  fail "tilequilt-standin --version from the package"
for page in tilequilt tilequilt-standin; do
  zcat "$root/usr/share/man/man1/$page.1.gz" | head -n 1 | grep -qF "\"tilequilt $version\"" ||
    fail "the manual page of $page shows another version"
done
zcat "$root/usr/share/doc/tilequilt/changelog.gz" | head -n 1 | grep -qF "tilequilt ($version)" ||
  fail "the changelog's version"
env -u DISPLAY "$root/usr/bin/tilequilt" --help --version | grep -q '^usage: tilequilt' ||
  fail "tilequilt --help --version"

(cd "$work" && env -u DISPLAY "$root/usr/bin/tilequilt-standin" --size 1 --write-map map.ppm)
[ "$(head -c 2 "$work/map.ppm")" = P6 ] || fail "the stand-in from the package wrote no map"
man -l "$root/usr/share/man/man1/tilequilt.1.gz" 2>/dev/null | grep -q "stitches" ||
  fail "the manual page does not read"
echo "1 passed, 0 failed"
