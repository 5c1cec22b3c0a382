#!/usr/bin/env bash
# Builds the Debian package from a built tree with cpack into a temporary
# directory and checks it: contents, control fields, lintian, the manual page's
# keys against README.md, the changelog's version, the desktop entry, the icon,
# and that the extracted program opens its window and quits on Escape with
# status 0. Nothing is installed on the system. Needs an X display (DISPLAY).
# Usage: tests/package_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)

tmp=$(mktemp -d)
app_pid=""
cleanup() {
  if [ -n "$app_pid" ]; then kill "$app_pid" 2>/dev/null || true; fi
  rm -rf "$tmp"
}
trap cleanup EXIT

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

(cd "$build" && cpack -G DEB -B "$tmp/pkg") >"$tmp/cpack.log" 2>&1 || {
  cat "$tmp/cpack.log"
  echo "FAIL: cpack -G DEB failed"
  exit 1
}
debs=("$tmp"/pkg/quadruped_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  ls -l "$tmp/pkg"
  echo "FAIL: expected one quadruped_*.deb"
  exit 1
fi
deb=${debs[0]}
echo "package: $(basename "$deb")"

# ---- contents ----
dpkg-deb -c "$deb" >"$tmp/contents"
while read -r mode path; do
  grep -Eq "^$mode .* $path\$" "$tmp/contents" || fail "the package has no $path with mode $mode"
done <<'LIST'
-rwxr-xr-x ./usr/bin/quadruped
-rw-r--r-- ./usr/share/applications/quadruped.desktop
-rw-r--r-- ./usr/share/icons/hicolor/128x128/apps/quadruped.png
-rw-r--r-- ./usr/share/man/man6/quadruped.6.gz
-rw-r--r-- ./usr/share/doc/quadruped/copyright
-rw-r--r-- ./usr/share/doc/quadruped/changelog.Debian.gz
LIST
if grep -Eq 'render_frames|pose_csv|_test' "$tmp/contents"; then
  fail "the package holds build tools or tests: $(grep -E 'render_frames|pose_csv|_test' "$tmp/contents")"
fi

# ---- Depends and lintian ----
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# dpkg-shlibdeps names the toolkit's package; Mesa's drivers are added by hand.
grep -Eq '(^|, )libglut' <<<"$depends" || fail "Depends does not name the toolkit's package"
grep -Eq '(^|, )libgl1-mesa-dri' <<<"$depends" || fail "Depends does not name libgl1-mesa-dri"
if ! lintian --fail-on error "$deb" >"$tmp/lintian" 2>&1; then
  fail "lintian reports errors"
fi
grep -v 'running with root privileges' "$tmp/lintian" || true

# ---- extracted tree ----
dpkg-deb -x "$deb" "$tmp/root"
bin=$tmp/root/usr/bin/quadruped
[ -x "$bin" ] || fail "the extracted program is not executable"
doc=$tmp/root/usr/share/doc/quadruped
version=$(zcat "$doc/changelog.Debian.gz" | sed -n '1s/^quadruped (\([^)]*\)).*/\1/p')
[ "$version" = "$(dpkg-deb -f "$deb" Version)" ] ||
  fail "the changelog's version '$version' is not the package's $(dpkg-deb -f "$deb" Version)"

# The manual page lists the keys of README.md's table, in its order.
awk '/^## /{keys = ($0 == "## Keys")} keys && /^\| / && !/^\| Key \|/ {
  sub(/^\| */, ""); sub(/ \|.*/, ""); gsub(/`/, ""); print }' "$src/README.md" >"$tmp/keys.readme"
zcat "$tmp/root/usr/share/man/man6/quadruped.6.gz" |
  awk '/^\.SH/{keys = ($0 == ".SH KEYS")} keys && tag { gsub(/\\f[BR]|\\&/, ""); print } { tag = keys && $0 == ".TP" }' \
    >"$tmp/keys.man"
[ -s "$tmp/keys.readme" ] || fail "no keys found in README.md"
diff -u "$tmp/keys.readme" "$tmp/keys.man" || fail "the manual page's keys differ from README.md's"

desktop=$tmp/root/usr/share/applications/quadruped.desktop
if ! desktop-file-validate "$desktop" >"$tmp/validate" 2>&1 || [ -s "$tmp/validate" ]; then
  fail "desktop-file-validate: $(cat "$tmp/validate")"
fi
grep -qx 'Name=Quadruped' "$desktop" || fail "the desktop entry's Name is not Quadruped"
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$tmp/root/usr/bin/$exec_name" ] || fail "the desktop entry runs '$exec_name', which the package does not put in /usr/bin"
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
icon=$tmp/root/usr/share/icons/hicolor/128x128/apps/$icon_name.png
if [ ! -f "$icon" ]; then
  fail "the desktop entry's icon '$icon_name' is not in the package"
else
  size=$(/usr/bin/identify -regard-warnings -format '%m %wx%h' "$icon" 2>&1) || true
  [ "$size" = "PNG 128x128" ] || fail "the icon is '$size', expected 'PNG 128x128'"
fi

# ---- the extracted program runs ----
if [ -z "${DISPLAY:-}" ]; then
  fail "no DISPLAY to run the extracted program on"
else
  LIBGL_ALWAYS_SOFTWARE=1 "$bin" &
  app_pid=$!
  win=$(timeout 20 xdotool search --sync --onlyvisible --pid "$app_pid" --name '^Trabalho de comput' 2>/dev/null |
    head -n 1 || true)
  if [ -z "$win" ]; then
    fail "the extracted program's window did not appear"
  else
    xdotool windowfocus --sync "$win" key Escape
    status=0
    for _ in $(seq 100); do
      kill -0 "$app_pid" 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 "$app_pid" 2>/dev/null; then
      fail "the extracted program did not quit on Escape"
    else
      wait "$app_pid" || status=$?
      app_pid=""
      [ "$status" -eq 0 ] || fail "the extracted program ended with status $status"
    fi
  fi
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "package: contents, Depends, lintian, manual page, changelog, desktop entry, icon and the extracted program are right"
