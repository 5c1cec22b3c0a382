#!/usr/bin/env bash
# Without a window manager: how the program stops with no display, its
# window's title, place and size whatever its arguments say, the first frame,
# the tail's own motion, and Escape's exit status.
# shellcheck source-path=SCRIPTDIR
. "$(dirname "$0")/lib.sh"

# No display: a failure status (not a signal) and one line naming the display.
[ ! -e /tmp/.X11-unix/X4242 ] || fail "an X server runs on :4242"
for display in "" :4242; do
  status=0; env -u DISPLAY ${display:+"DISPLAY=$display"} "$app" 2>"$work/err" || status=$?
  { [ "$status" -gt 0 ] && [ "$status" -lt 128 ] && [ "$(grep -c . "$work/err")" -eq 1 ] &&
    grep -qi "display.*$display" "$work/err"; } || fail "DISPLAY='$display': status $status, stderr: $(cat "$work/err")"
done

qd_start "$app" -geometry 300x200+0+0 --frobnicate foo || fail "the window did not appear (status ${QD_STATUS:-none})"
want=$(printf 'Trabalho de computa\xe7\xe3o gr\xe1fica' | od -An -v -tx1 | xargs printf '0x%s, ')
title=$(xprop -id "$QD_WIN" -f WM_NAME 8x ' $0+' WM_NAME)
[ "$title, " = "WM_NAME(STRING) $want" ] || fail "title: $title; expected the Latin-1 bytes $want"
place=$(xwininfo -id "$QD_WIN" | awk '/Absolute upper-left [XY]|Width|Height/ { printf "%s ", $NF }')
[ "$place" = "100 100 640 360 " ] || fail "window x, y, width, height: $place; expected 100 100 640 360"

# The first frame, once drawn (the lower right corner is ground, not black).
drawn() { qd_shot "$work/first.png" && ! at first 630 350 0 0 0; }
waits drawn || fail "no frame drawn"
for probe in "10 10 0 0 0 sky" "630 350 28 139 28 ground" "320 90 167 124 93 trunk" \
  "320 30 56 167 52 crown" "320 165 184 122 31 body"; do
  read -r x y r g b what <<<"$probe"
  at first "$x" "$y" "$r" "$g" "$b" || fail "first frame: $what at ($x,$y) is ($(px first "$x" "$y")), expected ($r $g $b)"
done

# The tail wags with no key pressed: it moves, and moves again.
tail_of() { /usr/bin/convert "$work/$1.png" -crop 50x80+207+137 ppm:- | md5sum; }
tail=$(tail_of first)
wagged() { qd_shot "$work/wag.png" && [ "$(tail_of wag)" != "$tail" ]; }
for _ in 1 2; do waits wagged || fail "the tail did not keep moving with no key pressed"; tail=$(tail_of wag); done

qd_quit || fail "Escape did not end the program"
[ "$QD_STATUS" -eq 0 ] || fail "Escape: exit status $QD_STATUS, expected 0"
echo "startup: all checks passed"
