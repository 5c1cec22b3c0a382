# Shared helpers for the end-to-end tests of the real quadruped binary.
# Source it, then call e2e_init "$@" (first argument: the program's path).
# The scripts drive the program with xdotool on the X display in $DISPLAY
# (or on a private Xvfb they start) and read its window back with xwd.
set -uo pipefail

# ImageMagick by full path: /usr/local/bin may hold other tools of that name.
IM_CONVERT=/usr/bin/convert
IM_COMPARE=/usr/bin/compare

TITLE_PATTERN='^Trabalho'
TEST_NAME=$(basename "${BASH_SOURCE[1]:-$0}" .sh)

APP_PID=""
APP_STATUS=""
WIN=""
PRIVATE_PIDS=()
FAILED=0

log() { printf '[%s] %s\n' "$TEST_NAME" "$*"; }
ok() { printf '[%s] ok: %s\n' "$TEST_NAME" "$*"; }
fail()
{
    FAILED=1
    printf '[%s] FAIL: %s\n' "$TEST_NAME" "$*" >&2
    exit 1
}

e2e_cleanup()
{
    local rc=$?
    if [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; then
        kill "$APP_PID" 2>/dev/null
        wait "$APP_PID" 2>/dev/null
    fi
    local i
    for ((i = ${#PRIVATE_PIDS[@]} - 1; i >= 0; i--)); do
        kill "${PRIVATE_PIDS[i]}" 2>/dev/null && wait "${PRIVATE_PIDS[i]}" 2>/dev/null
    done
    if [ "$rc" -ne 0 ] || [ "$FAILED" -ne 0 ]; then
        printf '[%s] screenshots and logs kept in %s\n' "$TEST_NAME" "$WORK" >&2
    else
        rm -rf "$WORK"
    fi
}

# e2e_init PROGRAM: checks the tools, makes the work directory, sets the trap.
e2e_init()
{
    QUADRUPED=${1:-}
    [ -n "$QUADRUPED" ] && [ -x "$QUADRUPED" ] || {
        echo "usage: $0 path/to/quadruped" >&2
        exit 2
    }
    local tool
    for tool in xdotool xwd xwininfo xprop "$IM_CONVERT" "$IM_COMPARE"; do
        command -v "$tool" >/dev/null || {
            echo "[$TEST_NAME] missing tool: $tool" >&2
            exit 2
        }
    done
    WORK=$(mktemp -d "${TMPDIR:-/tmp}/quadruped-e2e-$TEST_NAME.XXXXXX")
    trap e2e_cleanup EXIT
    trap 'exit 130' INT TERM
    export LIBGL_ALWAYS_SOFTWARE=1
}

# Lists the ids of the program's windows on the current display.
app_windows() { xdotool search --name "$TITLE_PATTERN" 2>/dev/null | sort; }

# Extra VAR=VALUE settings for the program's environment only.
APP_ENV=()

# start_app [ARGS...]: starts the program in the background (stdout and
# stderr go to $WORK/app.out and $WORK/app.err) and waits for its window.
start_app()
{
    local before
    before=$(app_windows)
    APP_STATUS=""
    # env execs the program, so $! is the program's own pid.
    env "${APP_ENV[@]}" "$QUADRUPED" "$@" >"$WORK/app.out" 2>"$WORK/app.err" &
    APP_PID=$!
    wait_window "$before"
}

# wait_window BEFORE: waits (up to 30 s) for a program window that is not in
# the list BEFORE and is viewable; sets WIN.
wait_window()
{
    local before=$1 deadline=$((SECONDS + 30)) w
    WIN=""
    while [ $SECONDS -lt $deadline ]; do
        if ! kill -0 "$APP_PID" 2>/dev/null; then
            cat "$WORK/app.err" >&2
            fail "the program ended before its window appeared"
        fi
        for w in $(app_windows); do
            if ! grep -qx "$w" <<<"$before" &&
                xwininfo -id "$w" 2>/dev/null | grep -q 'Map State: IsViewable'; then
                WIN=$w
                return 0
            fi
        done
        sleep 0.1
    done
    fail "no viewable window titled like '$TITLE_PATTERN' within 30 s"
}

# shot NAME: captures the window into $WORK/NAME.png (see img).
shot()
{
    local out="$WORK/$1.png"
    xwd -id "$WIN" -silent 2>/dev/null | "$IM_CONVERT" xwd:- "$out" 2>/dev/null ||
        fail "cannot capture window $WIN into $out"
}

# img NAME: the path of the screenshot NAME.
img() { printf '%s/%s.png\n' "$WORK" "$1"; }

# pixel FILE X Y: prints "R,G,B" (0..255) of one pixel.
pixel()
{
    "$IM_CONVERT" "$1" -format \
        "%[fx:int(255*p{$2,$3}.r+0.5)],%[fx:int(255*p{$2,$3}.g+0.5)],%[fx:int(255*p{$2,$3}.b+0.5)]" info:
}

# near "R,G,B" R G B [TOL]: true when every channel is within TOL (default 3).
near()
{
    local r g b tol=${5:-3}
    IFS=, read -r r g b <<<"$1"
    [ $((r > $2 ? r - $2 : $2 - r)) -le "$tol" ] &&
        [ $((g > $3 ? g - $3 : $3 - g)) -le "$tol" ] &&
        [ $((b > $4 ? b - $4 : $4 - b)) -le "$tol" ]
}

# expect_pixel FILE X Y R G B WHAT: fails unless the pixel is R,G,B +-3.
expect_pixel()
{
    local got
    got=$(pixel "$1" "$2" "$3")
    near "$got" "$4" "$5" "$6" ||
        fail "$7: pixel ($2,$3) of $(basename "$1") is ($got), expected ($4,$5,$6) +-3"
    ok "$7: pixel ($2,$3) is ($got)"
}

# diff_count A B [GEOMETRY]: prints how many pixels differ between two
# screenshots (inside GEOMETRY, e.g. 40x60+220+140, when given).
diff_count()
{
    local a=$1 b=$2 geom=${3:-}
    if [ -n "$geom" ]; then
        "$IM_CONVERT" "$a" -crop "$geom" +repage "$WORK/_crop_a.png"
        "$IM_CONVERT" "$b" -crop "$geom" +repage "$WORK/_crop_b.png"
        a="$WORK/_crop_a.png" b="$WORK/_crop_b.png"
    fi
    local n
    n=$("$IM_COMPARE" -metric AE "$a" "$b" null: 2>&1 >/dev/null)
    [[ "$n" =~ ^[0-9]+$ ]] || fail "compare failed: $n"
    printf '%s\n' "$n"
}

# masked FILE OUT GEOMETRY...: copies FILE to OUT with each region painted black.
masked()
{
    local in=$1 out=$2 g w h x y draw=()
    shift 2
    for g in "$@"; do
        IFS='x+' read -r w h x y <<<"$g"
        draw+=(-draw "rectangle $x,$y,$((x + w - 1)),$((y + h - 1))")
    done
    "$IM_CONVERT" "$in" -fill black "${draw[@]}" "$out"
}

# color_bbox FILE RMIN RMAX GMIN GMAX BMIN BMAX [GEOMETRY]: prints
# "count minx maxx miny maxy centrex" of the pixels in that colour box
# (inside GEOMETRY when given; coordinates are then relative to it).
color_bbox()
{
    local file=$1 crop=()
    [ -n "${8:-}" ] && crop=(-crop "$8" +repage)
    "$IM_CONVERT" "$file" "${crop[@]}" -depth 8 txt:- |
        awk -F'[,:() ]+' -v r0="$2" -v r1="$3" -v g0="$4" -v g1="$5" -v b0="$6" -v b1="$7" '
            NR > 1 && $3 >= r0 && $3 <= r1 && $4 >= g0 && $4 <= g1 && $5 >= b0 && $5 <= b1 {
                if (n == 0 || $1 < minx) minx = $1
                if (n == 0 || $1 > maxx) maxx = $1
                if (n == 0 || $2 < miny) miny = $2
                if (n == 0 || $2 > maxy) maxy = $2
                sx += $1; n++
            }
            END { if (n == 0) print 0, -1, -1, -1, -1, -1
                  else printf "%d %d %d %d %d %.1f\n", n, minx, maxx, miny, maxy, sx / n }'
}

# keys KEY...: sends keys to the program's window.
keys() { xdotool key --window "$WIN" "$@" 2>/dev/null; }

# poll TIMEOUT COMMAND...: runs COMMAND every 0.1 s until it succeeds or
# TIMEOUT seconds pass; returns its last status.
poll()
{
    local deadline=$((SECONDS + $1))
    shift
    while :; do
        "$@" && return 0
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.1
    done
}

# wait_exit TIMEOUT: waits for the program to end; sets APP_STATUS (the
# shell's status: 128+N for signal N). Fails if it is still running.
wait_exit()
{
    local deadline=$((SECONDS + $1))
    while kill -0 "$APP_PID" 2>/dev/null; do
        [ $SECONDS -ge $deadline ] && fail "the program is still running $1 s later"
        sleep 0.1
    done
    wait "$APP_PID"
    APP_STATUS=$?
    APP_PID=""
}

# free_display: prints a display number in 40..59 that no X server uses.
free_display()
{
    local n
    for n in $(seq 40 59); do
        if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
            echo "$n"
            return 0
        fi
    done
    fail "no free X display number in 40..59"
}

# private_x_with_wm: starts a private 1280x1024 Xvfb with openbox and points
# DISPLAY at it (both are stopped by the cleanup trap).
private_x_with_wm()
{
    command -v Xvfb >/dev/null && command -v openbox >/dev/null ||
        fail "Xvfb and openbox are needed"
    local n tries
    for tries in 1 2 3; do
        n=$(free_display)
        # -noreset: the server must not reset when its last client leaves,
        # or the next client may find it closed for a moment.
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$WORK/xvfb.log" 2>&1 &
        local xpid=$!
        if poll 10 xdpyinfo_ok ":$n"; then
            PRIVATE_PIDS+=("$xpid")
            export DISPLAY=":$n"
            break
        fi
        kill "$xpid" 2>/dev/null
        wait "$xpid" 2>/dev/null
        n=""
    done
    [ -n "$n" ] || fail "cannot start a private Xvfb"
    # openbox sets _NET_SUPPORTING_WM_CHECK on the root window once it runs.
    local wm_pid=""
    for tries in 1 2 3; do
        openbox >>"$WORK/openbox.log" 2>&1 &
        wm_pid=$!
        if poll 15 wm_up "$wm_pid"; then
            PRIVATE_PIDS+=("$wm_pid")
            break
        fi
        kill "$wm_pid" 2>/dev/null
        wait "$wm_pid" 2>/dev/null
        wm_pid=""
    done
    [ -n "$wm_pid" ] || fail "openbox did not start on $DISPLAY: $(tail -n 3 "$WORK/openbox.log")"
    log "private Xvfb $DISPLAY with openbox"
}

xdpyinfo_ok() { DISPLAY=$1 xwininfo -root >/dev/null 2>&1; }
wm_up() { kill -0 "$1" 2>/dev/null && xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# wait_frame: waits (up to 20 s) until the window shows a drawn frame, i.e.
# its lower right corner (ground in every view the tests use) is not black.
wait_frame()
{
    poll 20 frame_drawn || fail "the window shows no drawn frame within 20 s"
}
frame_drawn()
{
    shot _frame
    [ "$(pixel "$(img _frame)" 630 350)" != "0,0,0" ]
}

# Where the tail wags in the 640x360 start view (it moves on its own, so
# picture comparisons leave it out): x 214..251, y 144..209 measured, padded.
TAIL_REGION=50x80+207+137

# same_but_tail A B: prints how many pixels differ outside the tail region.
same_but_tail()
{
    masked "$1" "$WORK/_ma.png" "$TAIL_REGION"
    masked "$2" "$WORK/_mb.png" "$TAIL_REGION"
    diff_count "$WORK/_ma.png" "$WORK/_mb.png"
}

# expect_tail_wags WHAT: shots ~0.3 s apart until the tail region changes
# (up to 15 s); sets TAIL_A and TAIL_B to the two differing shots.
expect_tail_wags()
{
    TAIL_A=$(img tail_a) TAIL_B=$(img tail_b)
    shot tail_a
    poll 15 tail_moved || fail "$1: the tail region did not change in 15 s with no key pressed"
    ok "$1: with no key pressed the tail region changed ($tail_diff pixels between two shots ~0.3 s apart)"
}
tail_moved()
{
    sleep 0.3
    shot tail_b
    tail_diff=$(diff_count "$TAIL_A" "$TAIL_B" "$TAIL_REGION") || exit 1
    [ "$tail_diff" -gt 0 ] && return 0
    cp "$TAIL_B" "$TAIL_A"
    return 1
}
