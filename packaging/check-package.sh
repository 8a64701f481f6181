#!/usr/bin/env bash
# Builds the Debian package tm517-tools in a build folder and checks it: the four programs, the
# three desktop entries, the man pages and the operator guide are in it, it depends on the Qt 6
# runtime, and arcread from the unpacked package runs.
#   packaging/check-package.sh [BUILD_DIR]      (default: build)
set -euo pipefail

build=$(realpath "${1:-build}")
[ -f "$build/CMakeCache.txt" ] || { echo "check-package: $build is not a configured build folder" >&2; exit 2; }

cmake --build "$build"
rm -f "$build"/tm517-tools_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/tm517-tools_*.deb)
echo "package: $deb"

failures=0
fail() { echo "check-package: $*" >&2; failures=$((failures + 1)); }

contents=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|')
expected=(/usr/share/doc/tm517-tools/operator.md)
for program in linkmon arcread arcgsm tm517sim; do
  expected+=("/usr/bin/$program" "/usr/share/man/man1/$program.1.gz")
done
for program in linkmon arcread arcgsm; do
  expected+=("/usr/share/applications/tm517-$program.desktop")
done
for path in "${expected[@]}"; do
  grep -qxF "$path" <<<"$contents" || fail "missing from the package: $path"
done

depends=$(dpkg-deb -f "$deb" Depends)
echo "depends: $depends"
for library in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6; do
  grep -q "\b$library\b" <<<"$depends" || fail "no dependency on $library"
done

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
"$root/usr/bin/arcread" --help >"$root/help.txt" || fail "arcread --help from the package failed"
grep -q -- '--read-archive' "$root/help.txt" || fail "arcread --help does not list --read-archive"
for page in "$root"/usr/share/man/man1/*.1.gz; do
  zcat "$page" | grep -q '^\.SH' || fail "man page without sections: ${page#"$root"}"
done
for entry in "$root"/usr/share/applications/*.desktop; do
  desktop-file-validate "$entry" || fail "invalid desktop entry: ${entry#"$root"}"
done

[ "$failures" -eq 0 ] || { echo "check-package: $failures failure(s)" >&2; exit 1; }
echo "check-package: ok"
