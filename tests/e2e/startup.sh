#!/usr/bin/env bash
# Start-up: the window's title bytes, its place and size whatever -geometry
# or unknown arguments say, and what the first frame shows.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

# Expected WM_NAME bytes: "Trabalho de computa\xE7\xE3o gr\xE1fica" in Latin-1.
expected_title_hex()
{
    printf 'Trabalho de computa\xe7\xe3o gr\xe1fica' | od -An -v -tx1 | tr -s ' \n' '  ' |
        sed 's/^ //; s/ $//; s/ /, 0x/g; s/^/0x/'
}

check_geometry()
{
    local info x y w h
    info=$(xwininfo -id "$WIN")
    x=$(awk -F: '/Absolute upper-left X/ {print $2+0}' <<<"$info")
    y=$(awk -F: '/Absolute upper-left Y/ {print $2+0}' <<<"$info")
    w=$(awk -F: '/^ *Width/ {print $2+0}' <<<"$info")
    h=$(awk -F: '/^ *Height/ {print $2+0}' <<<"$info")
    [ "$x,$y,$w,$h" = "100,100,640,360" ] ||
        fail "$1: window at ($x,$y) size ${w}x$h, expected (100,100) size 640x360"
    ok "$1: window at ($x,$y), client area ${w}x$h"
}

stop_app()
{
    kill "$APP_PID" 2>/dev/null
    wait "$APP_PID" 2>/dev/null
    APP_PID=""
    poll 10 window_gone || fail "window $WIN is still there after its program ended"
}
window_gone() { ! xwininfo -id "$WIN" >/dev/null 2>&1; }

# --- plain start: title, geometry, first frame --------------------------------
start_app
log "window $WIN"

type_line=$(LC_ALL=C xprop -id "$WIN" WM_NAME)
[[ "$type_line" == "WM_NAME(STRING) = "* ]] ||
    fail "WM_NAME is not of type STRING: $type_line"
ok "WM_NAME has type STRING"

got_hex=$(xprop -id "$WIN" -notype -f WM_NAME 8x ' $0+\n' WM_NAME | sed 's/^WM_NAME //')
want_hex=$(expected_title_hex)
[ "$got_hex" = "$want_hex" ] ||
    fail "WM_NAME bytes are [$got_hex], expected the Latin-1 bytes [$want_hex]"
ok "WM_NAME bytes are the Latin-1 title: $got_hex"

check_geometry "no arguments"

wait_frame
sleep 0.5 # let the tail timer redraw a few times: the rest must not change
shot plain
plain=$(img plain)
expect_pixel "$plain" 10 10 0 0 0 "sky, top left"
expect_pixel "$plain" 600 60 0 0 0 "sky, top right"
expect_pixel "$plain" 100 300 28 139 28 "lit ground, lower left"
expect_pixel "$plain" 600 340 28 139 28 "lit ground, lower right"
expect_pixel "$plain" 320 90 167 124 93 "trunk of the tree at the origin, above the figure"
expect_pixel "$plain" 320 220 167 124 93 "trunk of the tree at the origin, below the figure"
expect_pixel "$plain" 320 30 56 167 52 "crown of the tree at the origin"
expect_pixel "$plain" 320 165 184 122 31 "figure's body (coat brown), in front of the trunk"
expect_pixel "$plain" 350 170 184 122 31 "figure's body (coat brown), right of the trunk"
# Hidden surfaces stay hidden: each of these shows the nearer of two surfaces.
expect_pixel "$plain" 365 155 198 149 75 "body, in front of the neck's far side"
expect_pixel "$plain" 320 72 167 124 93 "trunk, in front of the underside of the crown"
expect_pixel "$plain" 320 240 28 139 28 "ground, over the foot of the trunk below it"

# The body, found by colour, spans the middle of the picture.
read -r n minx maxx miny maxy cx <<<"$(color_bbox "$plain" 170 200 105 140 15 50)"
[ "$n" -gt 1000 ] && [ "$minx" -ge 230 ] && [ "$minx" -le 270 ] && [ "$maxx" -ge 370 ] &&
    [ "$maxx" -le 410 ] && [ "$miny" -ge 135 ] && [ "$maxy" -le 195 ] ||
    fail "coat-brown body is $n pixels at x $minx..$maxx, y $miny..$maxy; expected x ~250..388, y ~150..180"
ok "coat-brown body: $n pixels at x $minx..$maxx, y $miny..$maxy"
stop_app

# --- arguments that must not change the window or the picture -----------------
run_with()
{
    local name=$1
    shift
    start_app "$@"
    check_geometry "arguments: $*"
    wait_frame
    sleep 0.5
    shot "$name"
    local n
    n=$(same_but_tail "$plain" "$(img "$name")") || exit 1
    [ "$n" -eq 0 ] ||
        fail "arguments: $*: the first frame differs from the plain start in $n pixels (tail left out)"
    ok "arguments: $*: first frame is the same as the plain start (tail left out)"
    stop_app
}

run_with geometry_full -geometry 300x200+0+0
run_with geometry_pos -geometry +30+40
run_with unknown --frobnicate foo

log "all start-up checks passed"
