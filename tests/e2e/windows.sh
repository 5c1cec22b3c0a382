#!/usr/bin/env bash
# The Windows zip (scripts/windows.sh): its four files; the exe's imports,
# Windows's own DLLs alone; the exe under Wine with openbox: its title's bytes,
# frames that match render_frames' of the same keys, F5, F6 and Escape's exit
# status. Wine's prefix is made once per machine, kept (behind a lock) in
# QUADRUPED_CACHE/windows (/var/cache/quadruped for root, else ~/.cache/quadruped).
# Usage: tests/e2e/windows.sh ZIP RENDER_FRAMES SOURCE_DIR KEYS_JSON
# shellcheck source-path=SCRIPTDIR
. "$(dirname "$0")/lib.sh"
zip=$(realpath "$app") render_frames=$2 src=$3 keys_json=$4

# ---- the zip and the exe's imports
top=$(basename "$zip" .zip)
(cd "$work" && cmake -E tar xf "$zip") || fail "cannot unpack $zip"
files=$(cd "$work" && find "$top" -type f | sort | paste -sd ' ')
want_files="$top/LICENSE.txt $top/README.txt $top/freeglut-LICENSE.txt $top/quadruped.exe"
[ "$files" = "$want_files" ] || fail "the zip holds: $files; expected: $want_files"
cmp -s "$src/LICENSE" "$work/$top/LICENSE.txt" || fail "LICENSE.txt is not the project's LICENSE"
grep -q "Pawel W. Olszta" "$work/$top/freeglut-LICENSE.txt" || fail "freeglut-LICENSE.txt is not freeglut's licence"
# README.txt has every key of the README's table on a line of its own.
keys=$(sed -n 's/^{"key": "\([^"]*\)".*/\1/p' "$keys_json")
[ -n "$keys" ] || fail "no keys in $keys_json"
missing=$(grep -vxFf <(tr -d '\r' <"$work/$top/README.txt") <<<"$keys") || [ $? -eq 1 ]
[ -z "$missing" ] || fail "README.txt lacks the keys: $(paste -sd ' ' <<<"$missing")"

exe=$work/$top/quadruped.exe
headers=$(x86_64-w64-mingw32-objdump -p "$exe")
dlls=$(awk '$1 == "DLL" && $2 == "Name:" { print $3 }' <<<"$headers")
[ -n "$dlls" ] || fail "objdump finds no imports in quadruped.exe"
foreign=$(grep -vixE '(kernel32|user32|gdi32|opengl32|glu32|winmm|advapi32|msvcrt|api-ms-win-.*)\.dll' <<<"$dlls") || [ $? -eq 1 ]
[ -z "$foreign" ] || fail "quadruped.exe needs $(xargs <<<"$foreign"), which Windows does not have (imports: $(xargs <<<"$dlls"))"
grep -q '^Subsystem.*(Windows GUI)' <<<"$headers" ||
  fail "quadruped.exe is not a GUI program: started from Explorer it opens a console too"

# ---- the frames to match, each state as the keys since the one before (the
# tail is left at its start: under Wine its timer moves it).
states=("" "$(printf 'b %.0s' {1..12})F1 $(printf 'b %.0s' {1..10}), , , F7 Left"
  "F8 F11 b b . Right Up Up Down")
pressed=() # every key so far, for render_frames
for i in "${!states[@]}"; do
  # shellcheck disable=SC2086 # one key a word
  set -- ${states[i]}
  pressed+=("${@/#/key=}")
  "$render_frames" state "$work/expected-$i.ppm" "${pressed[@]}" >/dev/null ||
    fail "render_frames state ${pressed[*]} failed"
done

# ---- Wine's prefix, made once per machine
if [ "$(id -u)" -eq 0 ]; then default_cache=/var/cache/quadruped; else default_cache=${XDG_CACHE_HOME:-$HOME/.cache}/quadruped; fi
cache=${QUADRUPED_CACHE:-$default_cache}/windows
mkdir -p "$cache"
exec 8>"$cache/wine.lock"
flock 8
# C.UTF-8 gives Wine code page 1252, Western Windows's; no Mono and Gecko.
WINEPREFIX="$cache/wine-$(dpkg-query -W -f '${Version}' wine64)"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
trap 'qd_stop; wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
if [ ! -e "$WINEPREFIX/made" ]; then
  echo "windows: making Wine's prefix in $WINEPREFIX (once per machine)"
  rm -rf "$cache"/wine-*/ # this version's, half made, or other versions'
  { wineboot --init && wineserver -w; } >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log"; fail "wineboot failed"; }
  touch "$WINEPREFIX/made"
fi

# ---- the exe under Wine
start_wm || fail "openbox did not start"
wine "$exe" 2>"$work/wine.err" &
QD_PID=$!
# Wine names its windows' process (_NET_WM_PID).
found() { QD_WIN=$(xdotool search --all --onlyvisible --pid "$QD_PID" --name . | head -n 1) && [ -n "$QD_WIN" ]; }
waits found || fail "no window under Wine; its errors: $(cat "$work/wine.err")"
[ "$(wm_name)" = "$latin1_title" ] || fail "title: $(wm_name); expected the Latin-1 bytes $latin1_title"

# matches I: the window's frame and expected-I.ppm agree within 8/255 in every
# channel on at least 99 % of their pixels (the tail is elsewhere in one).
share() { /usr/bin/convert "$work/shot.png" "$work/expected-$1.ppm" -compose difference -composite \
  -separate -evaluate-sequence max -threshold 3.3% -format '%[fx:1-mean]' info:; }
matches() { qd_shot "$work/shot.png" && awk -v s="$(share "$1")" 'BEGIN { exit !(s >= 0.99) }'; }
for i in "${!states[@]}"; do
  names=$(sed 's/,/comma/g; s/\./period/g' <<<"${states[i]}") # as xdotool names them
  # shellcheck disable=SC2086 # one key a word
  [ -z "$names" ] || qd_keys $names
  waits matches "$i" || fail "after keys '${states[i]}': $(share "$i") of the pixels match render_frames' frame"
  echo "after keys '${states[i]}': $(share "$i") of the pixels match"
done
f5_f6
{ qd_quit && [ "$QD_STATUS" -eq 0 ]; } || fail "Escape: exit status ${QD_STATUS:-none}, expected 0"
