#!/usr/bin/env bash
# The real program end to end. With no display: a failure status and one line.
# Without a window manager: its title, place and size whatever its arguments
# say, a first frame, the tail's own motion, Escape's exit status. Under
# openbox: F5 and F6; then some 30 s of 50 keys a second on top of the tail's
# frames, after which it still answers keys and its resident memory has grown
# by at most 1 MiB since the first 5 s; closing the window ends it with status 0.
# shellcheck source-path=SCRIPTDIR
. "$(dirname "$0")/lib.sh"

[ ! -e /tmp/.X11-unix/X4242 ] || fail "an X server runs on :4242"
for display in "" :4242; do
  status=0; env -u DISPLAY ${display:+"DISPLAY=$display"} "$app" 2>"$work/err" || status=$?
  { [ "$status" -gt 0 ] && [ "$status" -lt 128 ] && [ "$(grep -c . "$work/err")" -eq 1 ] &&
    grep -qi "display.*$display" "$work/err"; } || fail "DISPLAY='$display': status $status, stderr: $(cat "$work/err")"
done

qd_start "$app" -geometry 300x200+0+0 --frobnicate foo || fail "the window did not appear (status ${QD_STATUS:-none})"
[ "$(wm_name)" = "$latin1_title" ] || fail "title: $(wm_name); expected the Latin-1 bytes $latin1_title"
[ "$(place)" = "100 100 640 360 " ] || fail "window x, y, width, height: $(place); expected 100 100 640 360"
# The frame's content is browser_gl_test's to check (its calls, the layer's frames).
waits shows first 630 350 28 139 28 || fail "no first frame: ($(px first 630 350)) in the lower right corner"
tail_of() { /usr/bin/convert "$work/$1.png" -crop 50x80+207+137 ppm:- | md5sum; }
tail=$(tail_of first)
wagged() { qd_shot "$work/wag.png" && [ "$(tail_of wag)" != "$tail" ]; }
for _ in 1 2; do waits wagged || fail "the tail did not keep moving with no key pressed"; tail=$(tail_of wag); done
{ qd_quit && [ "$QD_STATUS" -eq 0 ]; } || fail "Escape: exit status ${QD_STATUS:-none}, expected 0"

start_wm || fail "openbox did not start"
# Fixed malloc thresholds: glibc's adaptive ones kept ~2 MiB freed at random.
qd_start env MALLOC_MMAP_THRESHOLD_=131072 MALLOC_TRIM_THRESHOLD_=131072 "$app" || fail "the window did not appear under" \
  "openbox (status ${QD_STATUS:-none}; process: $(ps -o stat=,etime= -p "$QD_PID"); named windows: $(xdotool search --name . | paste -sd ' '))"
f5_f6

# Every key but F5, F6 and Escape, and keys that do nothing; each cycle ends in
# the view it began in (forward motion off), the only one where memory is read.
cycle=(b comma b period Left b x Right F7 b Up b F8 q Down b F1 b F11 F11
  B comma F2 b period less b greater F7 Left b space b Right F8 Up b Home b Down
  F1 b period b comma F11 F11 b Tab b)
stream() { local end=$((SECONDS + $1)); while [ "$SECONDS" -lt "$end" ]; do qd_keys --delay 20 "${cycle[@]}"; done; }
# Once F7 has turned the ground plain and back, every key before it is handled.
answers() { qd_keys F7 && waits shows ground 320 355 13 64 13 && qd_keys F7 && waits shows ground 320 355 28 139 28; }
# The lowest of 10 readings over 1 s: one during a frame is up to ~3 MiB higher.
rss_kb() { for _ in {1..10}; do awk '/^VmRSS:/ { print $2 }' "/proc/$QD_PID/status"; sleep 0.1; done | sort -n | head -n 1; }
qd_keys F11
stream 5
answers || fail "the program did not answer F7 after 5 s of keys"
first=$(rss_kb)
stream 22
answers || fail "the program no longer answers keys"
last=$(rss_kb)
echo "resident memory after 5 s: $first kB, at the end: $last kB"
[ $((last - first)) -le 1024 ] || fail "resident memory grew by $((last - first)) kB (limit 1024 kB)"

managed() { wmctrl -l | grep -q "^$(printf 0x%08x "$QD_WIN")"; }
waits managed || fail "openbox does not manage the window"
wmctrl -i -c "$QD_WIN"
{ qd_wait_end && [ "$QD_STATUS" -eq 0 ]; } || fail "closed through openbox: exit status ${QD_STATUS:-none}, expected 0"
