# shellcheck shell=bash disable=SC2034 # QD_STATUS is for the callers
# Drives quadruped's window; sourced by scripts/run.sh, scripts/make-docs.sh
# and the tests. Several programs with the same title may share a display (the
# tests run in parallel), so a window is found by its program's pid. freeglut
# sets no _NET_WM_PID: the pid comes from the X server's X-Resource extension.

# How long any wait for the program or the X server holds before it gives up,
# in seconds. Each wait ends at its event, so a long bound costs nothing where
# all goes well; on a busy 2-core machine a GL program can take tens of seconds
# to start, and a window manager as long to take its window.
QD_BOUND=120

# qd_own_x ARG...: runs the calling script again, with ARG..., under an Xvfb of
# its own (xvfb-run -a finds a free display), unless it already runs under one.
qd_own_x() {
  [ -n "${QD_OWN_X:-}" ] && return 0
  QD_OWN_X=1 LIBGL_ALWAYS_SOFTWARE=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" bash "$0" "$@"
}

# qd_window PID: prints the viewable window of the X client that PID runs.
qd_window() {
  local base mask w
  read -r base mask < <(/usr/bin/python3 -c '
import sys
from Xlib import display
from Xlib.ext import res
d = display.Display()
for c in d.res_query_clients().clients:
    ids = d.res_query_client_ids([{"client": c.resource_base, "mask": res.LocalClientPIDMask}]).ids
    if ids and list(ids[0].value) == [int(sys.argv[1])]:
        print(c.resource_base, c.resource_mask)' "$1" 2>/dev/null) || return 1
  for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do
    [ $((w & ~mask)) -eq "$base" ] && echo "$w" && return 0
  done
  return 1
}

# qd_start PROGRAM [ARG...]: starts it and waits up to QD_BOUND s for its window.
# Sets QD_PID and QD_WIN; fails at once when the program ends first, with its
# exit status in QD_STATUS.
qd_start() {
  "$@" &
  QD_PID=$! QD_WIN="" QD_STATUS=""
  local end=$((SECONDS + QD_BOUND))
  while [ "$SECONDS" -lt "$end" ]; do
    QD_WIN=$(qd_window "$QD_PID") && return 0
    if ! kill -0 "$QD_PID" 2>/dev/null; then
      QD_STATUS=0
      wait "$QD_PID" || QD_STATUS=$?
      return 1
    fi
    sleep 0.1
  done
  return 1
}

# qd_keys KEY...: sent to the window itself (no focus needed); errors are
# left out: after Escape the window is gone before the key is released.
qd_keys() { xdotool key --window "$QD_WIN" "$@" 2>/dev/null; }

# qd_shot OUT [CONVERT-OPTION...]: the window's picture, through xwd.
qd_shot() { xwd -id "$QD_WIN" -silent | /usr/bin/convert xwd:- -alpha off "${@:2}" "$1"; }

# qd_wait_end: waits up to QD_BOUND s for the program to end; its exit status goes
# to QD_STATUS. Fails (and ends it) when it still runs. qd_quit sends Escape first.
qd_wait_end() {
  local end=$((SECONDS + QD_BOUND))
  while kill -0 "$QD_PID" 2>/dev/null; do
    [ "$SECONDS" -lt "$end" ] || { qd_stop; return 1; }
    sleep 0.1
  done
  QD_STATUS=0
  wait "$QD_PID" || QD_STATUS=$?
  QD_PID=""
}
qd_quit() { qd_keys Escape || true; qd_wait_end; }

# qd_stop: ends the program, if it runs (for the callers' exit traps).
qd_stop() { [ -z "${QD_PID:-}" ] || { kill "$QD_PID" 2>/dev/null; wait "$QD_PID" 2>/dev/null; QD_PID=""; } || true; }
