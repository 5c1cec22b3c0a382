#!/usr/bin/env bash
# Builds the Debian package with cpack into a temporary folder and checks it:
# contents, Depends, lintian, the manual page's keys against keys.json and its
# title, the desktop entry and its icon, and that the extracted program opens
# its window and quits on Escape. Nothing is installed on the system.
# Usage: tests/package_test.sh BUILD_DIR
# shellcheck source-path=SCRIPTDIR
. "$(dirname "$0")/e2e/lib.sh"
build=$(cd "$1" && pwd)

(cd "$build" && cpack -G DEB -B "$work/pkg") >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack -G DEB failed"; }
deb=$(echo "$work"/pkg/quadruped_*.deb)
[ -f "$deb" ] || fail "expected one quadruped_*.deb: $(ls "$work/pkg")"
dpkg-deb -c "$deb" >"$work/contents"
for f in "-rwxr-xr-x bin/quadruped" "-rw-r--r-- share/applications/quadruped.desktop" \
  "-rw-r--r-- share/icons/hicolor/128x128/apps/quadruped.png" "-rw-r--r-- share/man/man6/quadruped.6.gz" \
  "-rw-r--r-- share/doc/quadruped/copyright" "-rw-r--r-- share/doc/quadruped/changelog.Debian.gz"; do
  grep -Eq "^${f% *} .* \./usr/${f#* }\$" "$work/contents" || fail "the package has no /usr/${f#* } with mode ${f% *}"
done
# dpkg-shlibdeps names the toolkit's package; Mesa's drivers are added by hand.
depends=$(dpkg-deb -f "$deb" Depends)
for p in libglut libgl1-mesa-dri; do grep -Eq "(^|, )$p" <<<"$depends" || fail "Depends does not name $p: $depends"; done
lintian --fail-on error "$deb" >"$work/lintian" 2>&1 || fail "lintian: $(grep -v 'root privileges' "$work/lintian")"

dpkg-deb -x "$deb" "$work/root"
zcat "$work/root/usr/share/man/man6/quadruped.6.gz" >"$work/man"
# The manual page lists the keys of keys.json (the build's reading of README.md), in its order.
sed -n 's/^{"key": "\([^"]*\)".*/\1/p' "$build/keys.json" >"$work/keys.list"
awk '/^\.SH/{keys = ($0 == ".SH KEYS")} keys && tag { gsub(/\\f[BR]|\\&/, ""); print } { tag = keys && $0 == ".TP" }' \
  "$work/man" >"$work/keys.man"
{ [ -s "$work/keys.list" ] && diff -u "$work/keys.list" "$work/keys.man"; } || fail "the manual page's keys are not keys.json's"
grep -qF '"Trabalho de computação gráfica"' "$work/man" || fail "the manual page does not give the window's title"
entry=$work/root/usr/share/applications/quadruped.desktop
{ desktop-file-validate "$entry" >"$work/validate" 2>&1 && [ ! -s "$work/validate" ]; } ||
  fail "desktop-file-validate: $(cat "$work/validate")"
{ [ -x "$work/root/usr/bin/$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")" ] &&
  [ -f "$work/root/usr/share/icons/hicolor/128x128/apps/$(sed -n 's/^Icon=//p' "$entry").png" ]; } ||
  fail "the desktop entry's Exec or Icon is not in the package"
# The extracted program, its libraries resolved by the system, opens and quits.
qd_start "$work/root/usr/bin/quadruped" || fail "the extracted program's window did not appear (status ${QD_STATUS:-none})"
[ -z "$QD_WIN" ] || qd_quit || fail "the extracted program did not quit on Escape"
