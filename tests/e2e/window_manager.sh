#!/usr/bin/env bash
# Under a window manager (openbox): F5 fills the screen and F6 gives back the
# start size; closing the window through openbox ends the program with status 0.
# shellcheck source-path=SCRIPTDIR
. "$(dirname "$0")/lib.sh"

openbox >"$work/openbox.log" 2>&1 &
# openbox names its check window on the root once it manages the screen.
wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"; }
waits wm_up || fail "openbox did not start"
qd_start "$app" || fail "the window did not appear (status ${QD_STATUS:-none})"

size_is() { [ "$(xwininfo -id "$QD_WIN" | awk '/Width|Height/ { printf "%s ", $NF }')" = "$1" ]; }
waits size_is "640 360 " || fail "the window does not open at 640 x 360 under openbox"
qd_keys F5
waits size_is "1280 1024 " || fail "F5: the window does not fill the 1280 x 1024 screen"
qd_keys F6
waits size_is "640 360 " || fail "F6: the window is not 640 x 360 again"

managed() { wmctrl -l | grep -q "^$(printf 0x%08x "$QD_WIN")"; }
waits managed || fail "openbox does not manage the window"
wmctrl -i -c "$QD_WIN"
qd_wait_end || fail "closing the window through openbox did not end the program"
[ "$QD_STATUS" -eq 0 ] || fail "closed through openbox: exit status $QD_STATUS, expected 0"
echo "window_manager: all checks passed"
