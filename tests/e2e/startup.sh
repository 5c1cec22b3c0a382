#!/usr/bin/env bash
# How the program stops with no display; without a window manager, its
# window's title, place and size whatever its arguments say, the first frame,
# the tail's own motion and Escape's exit status; then under openbox, F5 (the
# whole screen), F6 (the start size) and closing the window (exit status 0).
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
place() { xwininfo -id "$QD_WIN" | awk '/Absolute upper-left [XY]|Width|Height/ { printf "%s ", $NF }'; }
[ "$(place)" = "100 100 640 360 " ] || fail "window x, y, width, height: $(place); expected 100 100 640 360"

# The first frame, once drawn: lit ground in the lower right corner (the
# frame's content is SceneCommands.FramePixels' to check).
waits shows first 630 350 28 139 28 || fail "no first frame: ($(px first 630 350)) in the lower right corner"

# The tail wags with no key pressed: it moves, and moves again.
tail_of() { /usr/bin/convert "$work/$1.png" -crop 50x80+207+137 ppm:- | md5sum; }
tail=$(tail_of first)
wagged() { qd_shot "$work/wag.png" && [ "$(tail_of wag)" != "$tail" ]; }
for _ in 1 2; do waits wagged || fail "the tail did not keep moving with no key pressed"; tail=$(tail_of wag); done

qd_quit || fail "Escape did not end the program"
[ "$QD_STATUS" -eq 0 ] || fail "Escape: exit status $QD_STATUS, expected 0"

openbox >"$work/openbox.log" 2>&1 &
# openbox names its check window on the root once it manages the screen.
wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"; }
waits wm_up || fail "openbox did not start"
qd_start "$app" || fail "the window did not appear under openbox (status ${QD_STATUS:-none})"
size_is() { [ "$(place | cut -d' ' -f3-)" = "$1" ]; }
for step in ": 640 360 " "F5: 1280 1024 " "F6: 640 360 "; do
  [ "${step%%:*}" = "" ] || qd_keys "${step%%:*}"
  waits size_is "${step#*: }" || fail "${step%%:*} under openbox: the window is $(place), expected ${step#*: }"
done
managed() { wmctrl -l | grep -q "^$(printf 0x%08x "$QD_WIN")"; }
waits managed || fail "openbox does not manage the window"
wmctrl -i -c "$QD_WIN"
qd_wait_end || fail "closing the window through openbox did not end the program"
[ "$QD_STATUS" -eq 0 ] || fail "closed through openbox: exit status $QD_STATUS, expected 0"
echo "startup: all checks passed"
