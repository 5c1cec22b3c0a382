#!/usr/bin/env bash
# Builds the Debian package from a built tree with cpack into a temporary
# directory and checks it: contents, control fields, that Depends names the
# package of every library the program links, the desktop entry, the icon, and
# that the extracted program opens its window and quits on Escape with status 0.
# Nothing is installed on the system. Needs an X display (DISPLAY).
# Usage: tests/package_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)

tmp=$(mktemp -d)
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
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
LIST
if grep -Eq 'render_frames|pose_csv|_test' "$tmp/contents"; then
  fail "the package holds build tools or tests: $(grep -E 'render_frames|pose_csv|_test' "$tmp/contents")"
fi

# ---- control fields ----
[ "$(dpkg-deb -f "$deb" Package)" = quadruped ] || fail "Package is not quadruped"
[ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no Maintainer"
[ -n "$(dpkg-deb -f "$deb" Description)" ] || fail "no Description"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# Package names listed in Depends, alternatives included.
dep_names=$(printf '%s\n' "$depends" | tr ',|' '\n\n' | sed -E 's/\(.*\)//; s/^ +//; s/ +$//' | grep .)

# ---- extracted tree ----
dpkg-deb -x "$deb" "$tmp/root"
bin=$tmp/root/usr/bin/quadruped
[ -x "$bin" ] || fail "the extracted program is not executable"

# Every library the program names (NEEDED) comes from a package Depends lists.
for lib in $(objdump -p "$bin" | awk '$1 == "NEEDED" { print $2 }'); do
  path=$(ldd "$bin" | awk -v lib="$lib" '$1 == lib { print $3 }')
  if [ -z "$path" ] || [ ! -e "$path" ]; then
    fail "$lib does not resolve on this system"
    continue
  fi
  owner=$(dpkg -S "$(readlink -f "$path")" 2>/dev/null | head -n 1 | cut -d: -f1 || true)
  [ -n "$owner" ] || owner=$(dpkg -S "$path" 2>/dev/null | head -n 1 | cut -d: -f1 || true)
  if [ -z "$owner" ]; then
    fail "no Debian package owns $path ($lib)"
  elif ! printf '%s\n' "$dep_names" | grep -qx "$owner"; then
    fail "$lib comes from $owner, which Depends does not name"
  fi
done

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
echo "package: contents, Depends, desktop entry, icon and the extracted program are right"
