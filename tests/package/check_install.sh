#!/bin/sh
# check_install.sh BUILD STAGING FILE...
#
# Installs BUILD to a staging prefix and makes its package: each must hold
# exactly the FILEs, a Debian package pass lintian (LINTIAN), a zip's text be
# CRLF text. With SHIPPED=1 a Debian package must also depend on the C
# library alone and draw no lintian tag, and a second build elsewhere must
# make the same bytes. Nothing installed is run.
set -eu
build=$1 staging=$2
shift 2
expected=$(printf '%s\n' "$@" | sort)
holds_expected() {
  found=$(cd "$1" && find . -type f | cut -c3- | sort)
  [ "$found" = "$expected" ] || { printf '%s holds:\n%s\n' "$1" "$found" >&2; exit 1; }
}
fail() { echo "$*" >&2; exit 1; }
export SOURCE_DATE_EPOCH=1796601600  # every package file's time stamp

rm -rf "$staging"
cmake --install "$build" --prefix "$staging/prefix"
holds_expected "$staging/prefix"
cpack --config "$build/CPackConfig.cmake" -B "$staging/package"
package=$(find "$staging/package" -maxdepth 1 -name '*.deb' -o -maxdepth 1 -name '*.zip')
mkdir "$staging/unpacked"
case $package in
*.deb)
  dpkg-deb --extract "$package" "$staging/unpacked"
  holds_expected "$staging/unpacked/usr"
  [ -z "$LINTIAN" ] || "$LINTIAN" --fail-on error "$package" ;;
*)
  # A zip: one folder named after the zip, whose text has CRLF line ends only.
  (cd "$staging/unpacked" && cmake -E tar xf "$package")
  folder="$staging/unpacked/$(basename "$package" .zip)"
  holds_expected "$folder"
  for text in "$folder"/*.txt; do
    lines=$(wc -l <"$text")
    [ "$lines" -gt 0 ] && [ "$(grep -c "$(printf '\r')\$" "$text")" -eq "$lines" ] &&
      ! grep -q '^\.' "$text" || fail "$text: not CRLF text, or holds troff"
  done ;;
esac
[ "${SHIPPED:-}" = 1 ] || exit 0

case $package in *.deb)
  depends=$(dpkg-deb --field "$package" Depends)
  expr "$depends" : 'libc6 (>= [0-9.]*)$' >/dev/null || fail "$package depends on: $depends"
  [ -z "$LINTIAN" ] || [ -z "$("$LINTIAN" --pedantic --display-info --display-experimental \
    "$package" | tee /dev/stderr)" ] || fail "lintian tags $package" ;;
esac
second="$staging/another/build"
source=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$build/CMakeCache.txt")
grep -E '^(CMAKE_(BUILD_TYPE|CXX_COMPILER|TOOLCHAIN_FILE)|TARNWICK_(COM_PREFIX|PORT_LINKS_DIR|PACKAGE_MAINTAINER)):' \
  "$build/CMakeCache.txt" |
  sed 's/^/-D/' | tr '\n' '\0' | xargs -0 cmake -S "$source" -B "$second" -DTARNWICK_BUILD_TESTS=OFF
cmake --build "$second"
cpack --config "$second/CPackConfig.cmake" -B "$second/package"
cmp "$package" "$second/package/$(basename "$package")" || fail "a second build made other bytes"
