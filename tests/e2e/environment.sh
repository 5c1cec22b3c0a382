#!/usr/bin/env bash
# Environment: with no X display to reach the program stops with a non-zero
# status and a one-line reason (no crash, no core dump); closing its window
# through the window manager ends it with status 0.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

# no_display WHAT ENV-ARGS...: runs the program under `env ENV-ARGS...` and
# checks how it ends.
no_display()
{
    local what=$1
    shift
    env "$@" "$QUADRUPED" >"$WORK/nodisp.out" 2>"$WORK/nodisp.err" &
    APP_PID=$!
    wait_exit 30
    local lines reason
    lines=$(wc -l <"$WORK/nodisp.err")
    reason=$(head -n 1 "$WORK/nodisp.err")
    log "$what: status $APP_STATUS, stderr: $reason"
    [ "$APP_STATUS" -ne 0 ] || fail "$what: exit status 0, expected a failure status"
    [ "$APP_STATUS" -lt 128 ] ||
        fail "$what: ended by signal $((APP_STATUS - 128)) (status $APP_STATUS), expected an orderly exit"
    [ "$lines" -eq 1 ] && [ -n "$reason" ] || {
        cat "$WORK/nodisp.err" >&2
        fail "$what: $lines lines on stderr, expected one line giving the reason"
    }
    grep -qi 'display' <<<"$reason" || fail "$what: the reason does not mention the display: $reason"
    [ ! -s "$WORK/nodisp.out" ] || fail "$what: unexpected output on stdout: $(head -c 200 "$WORK/nodisp.out")"
    ok "$what: exit status $APP_STATUS (not a signal), one line on stderr naming the display"
}

# The process runs with core dumps allowed, so a crash would leave one here.
ulimit -c unlimited 2>/dev/null || true
cd "$WORK" || fail "cannot enter $WORK"

no_display "DISPLAY unset" -u DISPLAY

unused=99
if [ -e "/tmp/.X$unused-lock" ] || [ -e "/tmp/.X11-unix/X$unused" ]; then
    unused=$(free_display)
fi
no_display "DISPLAY=:$unused (no server there)" DISPLAY=":$unused"

cores=$(find "$WORK" -maxdepth 1 -name 'core*' | wc -l)
[ "$cores" -eq 0 ] || fail "a core file was left in $WORK"
ok "no core file left"

# --- closing the window through the window manager -----------------------------
managed() { wmctrl -l | awk '{print $1}' | grep -qi "^$(printf '0x%08x' "$WIN")$"; }
command -v wmctrl >/dev/null || fail "wmctrl is needed"
private_x_with_wm
start_app
log "window $WIN"
wait_frame
# openbox manages the window once it lists it.
poll 20 managed || fail "openbox does not list the window"
wmctrl -i -c "$WIN" || fail "wmctrl could not ask the window manager to close $WIN"
wait_exit 20
[ "$APP_STATUS" -eq 0 ] || fail "close through the window manager: exit status $APP_STATUS, expected 0"
ok "close through the window manager (wmctrl -c): the program ended with status 0"
log "all environment checks passed"
