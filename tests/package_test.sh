#!/usr/bin/env bash
# Builds the Debian package with cpack into a temporary folder and checks it:
# contents, Depends, lintian, the manual page's keys against keys.json and its
# title, the desktop entry and its icon, and that the extracted program opens
# its window (on $DISPLAY) and quits on Escape. Nothing is installed on the system.
# Usage: tests/package_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
# shellcheck source-path=SCRIPTDIR source=../scripts/window.sh
. "$src/scripts/window.sh"
tmp=$(mktemp -d)
trap 'qd_stop; rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

(cd "$build" && cpack -G DEB -B "$tmp/pkg") >"$tmp/cpack.log" 2>&1 || { cat "$tmp/cpack.log"; fail "cpack -G DEB failed"; }
deb=$(echo "$tmp"/pkg/quadruped_*.deb)
[ -f "$deb" ] || fail "expected one quadruped_*.deb: $(ls "$tmp/pkg")"
dpkg-deb -c "$deb" >"$tmp/contents"
for f in "-rwxr-xr-x bin/quadruped" "-rw-r--r-- share/applications/quadruped.desktop" \
  "-rw-r--r-- share/icons/hicolor/128x128/apps/quadruped.png" "-rw-r--r-- share/man/man6/quadruped.6.gz" \
  "-rw-r--r-- share/doc/quadruped/copyright" "-rw-r--r-- share/doc/quadruped/changelog.Debian.gz"; do
  grep -Eq "^${f% *} .* \./usr/${f#* }\$" "$tmp/contents" || fail "the package has no /usr/${f#* } with mode ${f% *}"
done
# dpkg-shlibdeps names the toolkit's package; Mesa's drivers are added by hand.
depends=$(dpkg-deb -f "$deb" Depends)
for p in libglut libgl1-mesa-dri; do grep -Eq "(^|, )$p" <<<"$depends" || fail "Depends does not name $p: $depends"; done
lintian --fail-on error "$deb" >"$tmp/lintian" 2>&1 || fail "lintian: $(grep -v 'root privileges' "$tmp/lintian")"

dpkg-deb -x "$deb" "$tmp/root"
zcat "$tmp/root/usr/share/man/man6/quadruped.6.gz" >"$tmp/man"
# The manual page lists the keys of keys.json (the build's reading of README.md), in its order.
sed -n 's/^{"key": "\([^"]*\)".*/\1/p' "$build/keys.json" >"$tmp/keys.list"
awk '/^\.SH/{keys = ($0 == ".SH KEYS")} keys && tag { gsub(/\\f[BR]|\\&/, ""); print } { tag = keys && $0 == ".TP" }' \
  "$tmp/man" >"$tmp/keys.man"
{ [ -s "$tmp/keys.list" ] && diff -u "$tmp/keys.list" "$tmp/keys.man"; } || fail "the manual page's keys are not keys.json's"
grep -qF '"Trabalho de computação gráfica"' "$tmp/man" || fail "the manual page does not give the window's title"
entry=$tmp/root/usr/share/applications/quadruped.desktop
{ desktop-file-validate "$entry" >"$tmp/validate" 2>&1 && [ ! -s "$tmp/validate" ]; } ||
  fail "desktop-file-validate: $(cat "$tmp/validate")"
{ [ -x "$tmp/root/usr/bin/$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")" ] &&
  [ -f "$tmp/root/usr/share/icons/hicolor/128x128/apps/$(sed -n 's/^Icon=//p' "$entry").png" ]; } ||
  fail "the desktop entry's Exec or Icon is not in the package"
# The extracted program, its libraries resolved by the system, opens and quits.
qd_start "$tmp/root/usr/bin/quadruped" || fail "the extracted program's window did not appear on '${DISPLAY:-}' (status ${QD_STATUS:-none})"
[ -z "$QD_WIN" ] || qd_quit || fail "the extracted program did not quit on Escape"
