#!/usr/bin/env bash
# Full screen: under a window manager (openbox, in a private 1280x1024 Xvfb
# so the shared display stays without one) F5 fills the screen and F6 gives
# back the 640x360 start size.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
private_x_with_wm

SCREEN_W=1280 SCREEN_H=1024

client_size() { xwininfo -id "$WIN" | awk -F: '/^ *Width/ {w = $2 + 0} /^ *Height/ {h = $2 + 0} END {print w "x" h}'; }
size_is() { [ "$(client_size)" = "$1" ]; }
# The lower right corner of the window shows lit ground once a frame of
# that size is drawn.
corner_lit()
{
    shot _corner
    near "$(pixel "$(img _corner)" $(($1 - 10)) $(($2 - 10)))" 28 139 28
}

start_app
log "window $WIN"
poll 20 size_is 640x360 || fail "start: client area $(client_size), expected 640x360"
ok "start: client area 640x360 under openbox"
wait_frame

keys F5
poll 20 size_is "${SCREEN_W}x$SCREEN_H" ||
    fail "F5: client area $(client_size), expected the whole ${SCREEN_W}x$SCREEN_H screen"
pos=$(xwininfo -id "$WIN" | awk -F: '/Absolute upper-left X/ {x = $2 + 0} /Absolute upper-left Y/ {y = $2 + 0} END {print x "," y}')
[ "$pos" = "0,0" ] || fail "F5: window at ($pos), expected (0,0)"
ok "F5: client area ${SCREEN_W}x$SCREEN_H at (0,0)"
poll 20 corner_lit "$SCREEN_W" "$SCREEN_H" || fail "F5: no frame drawn at full-screen size (lower right corner is not lit ground)"
ok "F5: a frame is drawn over the whole screen (lit ground in the lower right corner)"

keys F6
poll 20 size_is 640x360 || fail "F6: client area $(client_size), expected 640x360"
ok "F6: client area back to 640x360"
poll 20 corner_lit 640 360 || fail "F6: no frame drawn at 640x360"
shot after_f6
expect_pixel "$(img after_f6)" 300 160 184 122 31 "F6: the figure's body where it is at the start"

keys Escape
wait_exit 20
[ "$APP_STATUS" -eq 0 ] || fail "Escape: exit status $APP_STATUS, expected 0"
ok "Escape: status 0"
log "all full-screen checks passed"
