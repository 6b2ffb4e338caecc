#!/bin/sh
# check_install.sh BUILD STAGING FILE...
#
# Installs the build tree BUILD to a staging prefix and makes its package
# with cpack. Fails unless each holds exactly the FILEs (paths below the
# prefix), unless lintian (LINTIAN, where set) passes a Debian package, and
# unless the text files of a zip are plain text with CRLF line ends. Nothing
# installed is run.
set -eu
build=$1 staging=$2
shift 2
expected=$(printf '%s\n' "$@" | sort)
holds_expected() {
  found=$(cd "$1" && find . -type f | cut -c3- | sort)
  [ "$found" = "$expected" ] || { printf '%s holds:\n%s\n' "$1" "$found" >&2; exit 1; }
}

rm -rf "$staging"
cmake --install "$build" --prefix "$staging/prefix"
holds_expected "$staging/prefix"
cpack --config "$build/CPackConfig.cmake" -B "$staging/package"
package=$(find "$staging/package" -maxdepth 1 -name '*.deb' -o -maxdepth 1 -name '*.zip')
[ "$(echo "$package" | wc -l)" -eq 1 ] || { echo "cpack made not one package: $package" >&2; exit 1; }
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
      ! grep -q '^\.' "$text" || { echo "$text: not CRLF text, or holds troff" >&2; exit 1; }
  done ;;
esac
