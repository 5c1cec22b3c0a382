#!/usr/bin/env bash
# Keys: what a user sees change for each command key, that the other keys
# change nothing, and that Escape ends the program with status 0.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

LIT_GROUND=(28 139 28)
UNLIT_GROUND=(13 64 13) # the ground's plain colour (0.05, 0.25, 0.05)
TRUNK=(167 124 93)

# Every key event sent before this has been handled once it returns: F7 is
# sent twice and the ground is seen to go unlit and lit again.
sync_app()
{
    keys F7
    poll 20 corner_is "${UNLIT_GROUND[@]}" || fail "F7 did not switch the lighting off (sync)"
    keys F7
    poll 20 corner_is "${LIT_GROUND[@]}" || fail "F7 did not switch the lighting on again (sync)"
}
corner_is()
{
    shot _corner
    near "$(pixel "$(img _corner)" 630 350)" "$@"
}
pixel_is()
{
    shot _probe
    near "$(pixel "$(img _probe)" "$1" "$2")" "$3" "$4" "$5"
}

# keys_n N KEY: sends KEY N times.
keys_n()
{
    local list=() k
    for ((k = 0; k < $1; k++)); do list+=("$2"); done
    keys "${list[@]}"
}

# body NAME: "count minx maxx miny maxy centrex" of the coat-brown body.
body() { color_bbox "$(img "$1")" 170 200 105 140 15 50; }
# trunk_row NAME: the same for the trunk in row 225 (below the figure).
trunk_row() { color_bbox "$(img "$1")" 150 180 110 135 80 105 640x1+0+225; }

# expect_same_as_base WHAT: current picture equals the base outside the tail.
expect_same_as_base()
{
    shot now
    local n
    n=$(same_but_tail "$(img base)" "$(img now)") || exit 1
    [ "$n" -eq 0 ] || fail "$1: the picture differs from the start picture in $n pixels (tail left out)"
    ok "$1: the picture is the start picture again (tail left out)"
}

start_app
log "window $WIN"
wait_frame
sleep 0.3
shot base
expect_pixel "$(img base)" 630 350 "${LIT_GROUND[@]}" "lit ground at the start"

# --- the tail wags by itself -------------------------------------------------
expect_tail_wags "at the start"
n=$(same_but_tail "$(img base)" "$(img tail_b)") || exit 1
[ "$n" -eq 0 ] || fail "with no key pressed, $n pixels outside the tail changed"
ok "with no key pressed nothing outside the tail changed"

# --- keys that change nothing: B, <, >, and keys without a command -----------
keys B less greater x q space F2 F3 Home
sync_app
expect_same_as_base "after B < > x q space F2 F3 Home"

# --- F8: trees off and on ------------------------------------------------------
keys F8
poll 20 pixel_is 320 90 0 0 0 || fail "F8: the trunk above the figure did not give way to the sky"
shot trees_off
expect_pixel "$(img trees_off)" 320 90 0 0 0 "F8: sky where the trunk was, above the figure"
expect_pixel "$(img trees_off)" 320 220 "${LIT_GROUND[@]}" "F8: ground where the trunk was, below the figure"
expect_pixel "$(img trees_off)" 320 30 0 0 0 "F8: sky where the crown was"
expect_pixel "$(img trees_off)" 300 160 184 122 31 "F8: the figure's body is still there"
keys F8
poll 20 pixel_is 320 90 "${TRUNK[@]}" || fail "F8 again: the trunk did not come back"
expect_same_as_base "F8 twice"

# --- F7: lighting off (plain colours) and on -----------------------------------
keys F7
poll 20 corner_is "${UNLIT_GROUND[@]}" || fail "F7: the ground did not turn to its plain colour"
shot unlit
expect_pixel "$(img unlit)" 100 300 "${UNLIT_GROUND[@]}" "F7: ground in its plain colour (left)"
expect_pixel "$(img unlit)" 630 350 "${UNLIT_GROUND[@]}" "F7: ground in its plain colour (right)"
keys F7
poll 20 corner_is "${LIT_GROUND[@]}" || fail "F7 again: the ground did not turn lit again"
expect_same_as_base "F7 twice"

# --- camera: Left/Right turn it, Up/Down move it -------------------------------
read -r _ t0min t0max _ _ t0c <<<"$(trunk_row base)"
keys Left
sync_app
shot cam_left
read -r _ t1min t1max _ _ t1c <<<"$(trunk_row cam_left)"
shift_px=$(awk -v a="$t0c" -v b="$t1c" 'BEGIN {printf "%d", b - a}')
[ "$shift_px" -ge 12 ] && [ "$shift_px" -le 35 ] ||
    fail "Left: the trunk moved from x $t0min..$t0max to x $t1min..$t1max; expected ~20 px to the right"
ok "Left: the camera turned left, the trunk moved $shift_px px right (x $t0min..$t0max -> $t1min..$t1max)"
keys Right
sync_app
expect_same_as_base "Left then Right"

read -r _ b0min b0max _ _ _ <<<"$(body base)"
keys Up Up
sync_app
shot cam_up
read -r _ b1min b1max _ _ _ <<<"$(body cam_up)"
w0=$((b0max - b0min)) w1=$((b1max - b1min))
[ $((w1 * 100)) -ge $((w0 * 120)) ] ||
    fail "Up Up: the body is $w1 px wide, was $w0 px; expected it at least 20% wider"
ok "Up Up: the camera moved closer, the body grew from $w0 to $w1 px wide"
keys Down Down
sync_app
expect_same_as_base "Up Up then Down Down"

# --- turning the figure: ',' and '.' -------------------------------------------
keys_n 18 comma
sync_app
shot turned
read -r _ c0min c0max _ _ _ <<<"$(body turned)"
wt=$((c0max - c0min))
[ $((wt * 100)) -le $((w0 * 60)) ] ||
    fail "18 x ',': the body is $wt px wide, was $w0 px; expected it end-on (under 60%)"
ok "18 x ',': the figure turned end-on to the camera, body $wt px wide (was $w0)"
# Turned 90 degrees counter-clockwise it faces away: 30 steps (0.9) take it away.
keys_n 30 b
sync_app
shot turned_walked
read -r _ c1min c1max _ _ _ <<<"$(body turned_walked)"
wtw=$((c1max - c1min))
[ $((wtw * 100)) -le $((wt * 90)) ] ||
    fail "30 x b after 18 x ',': the end-on body went from $wt to $wtw px; expected it to shrink (walking away)"
ok "30 x b after 18 x ',': the figure walked away from the camera ($wt -> $wtw px wide)"
# Walk back: 36 x '.' turn it to face the camera, 30 steps bring it back.
keys_n 36 period
keys_n 30 b
sync_app
keys_n 18 comma
sync_app
shot turned_back
read -r _ dmin dmax _ _ _ <<<"$(body turned_back)"
[ $((dmin - b0min)) -ge -2 ] && [ $((dmin - b0min)) -le 2 ] &&
    [ $((dmax - b0max)) -ge -2 ] && [ $((dmax - b0max)) -le 2 ] ||
    fail "after walking back and turning to heading 0 the body is at x $dmin..$dmax, expected ~$b0min..$b0max"
ok "'.' turns the other way: walked back, the body is at x $dmin..$dmax again (start $b0min..$b0max)"

# --- walking: b steps move the figure right (heading 0 is +x) -------------------
read -r _ w0min w0max _ _ _ <<<"$(body turned_back)"
keys b b b b b b b b b b
sync_app
shot walked
read -r _ w1min w1max _ _ _ <<<"$(body walked)"
walk_shift=$((w1min - w0min))
[ "$walk_shift" -ge 25 ] && [ "$walk_shift" -le 50 ] && [ $((w1max - w0max)) -ge 25 ] ||
    fail "10 x b (walk): body x $w0min..$w0max -> $w1min..$w1max; expected ~37 px to the right"
ok "10 x b (walk): the figure moved $walk_shift px right (x $w0min..$w0max -> $w1min..$w1max)"

# F11 off: steps move the legs but not the figure.
keys F11 b b b b b b b b b b
sync_app
shot in_place
read -r _ p1min p1max _ _ _ <<<"$(body in_place)"
[ $((p1min - w1min)) -ge -2 ] && [ $((p1min - w1min)) -le 2 ] &&
    [ $((p1max - w1max)) -ge -2 ] && [ $((p1max - w1max)) -le 2 ] ||
    fail "F11 then 10 x b: body x $w1min..$w1max -> $p1min..$p1max; expected it to stay"
n=$(same_but_tail "$(img walked)" "$(img in_place)") || exit 1
[ "$n" -gt 0 ] || fail "F11 then 10 x b: nothing changed, expected the legs to move"
ok "F11 then 10 x b: the figure stays at x $p1min..$p1max, the legs moved ($n pixels)"

# F11 on again, F1 run gait: 0.12 per step instead of 0.03.
keys F11 F1 b b b b b
sync_app
shot ran
read -r _ r1min r1max _ _ _ <<<"$(body ran)"
run_shift=$((r1min - p1min))
[ "$run_shift" -ge $((walk_shift * 3 / 2)) ] && [ "$run_shift" -le $((walk_shift * 3)) ] ||
    fail "F11 F1 then 5 x b (run): body moved $run_shift px; expected about twice the $walk_shift px of 10 walk steps"
ok "F11 F1 then 5 x b (run): the figure moved $run_shift px right (10 walk steps: $walk_shift px)"

# --- Escape ends the program with status 0 ------------------------------------
keys Escape
wait_exit 20
[ "$APP_STATUS" -eq 0 ] || fail "Escape: exit status $APP_STATUS, expected 0"
ok "Escape: the program ended with status 0"
if [ -s "$WORK/app.err" ]; then
    log "the program wrote to stderr:"
    cat "$WORK/app.err"
fi
log "all key checks passed"
