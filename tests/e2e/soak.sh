#!/usr/bin/env bash
# About 30 s of a steady key stream (some 50 keys a second) on top of the tail's
# own frames: afterwards the program still answers keys, and its resident
# memory has grown by at most 1 MiB since the first 5 s.
# shellcheck source-path=SCRIPTDIR
. "$(dirname "$0")/lib.sh"

# Fixed malloc thresholds: glibc's adaptive ones kept ~2 MiB of freed memory
# at random, with nothing leaked.
qd_start env MALLOC_MMAP_THRESHOLD_=131072 MALLOC_TRIM_THRESHOLD_=131072 "$app" || fail "the window did not appear"

# Every key but F5, F6 and Escape, and keys that do nothing; each cycle ends in
# the view it began in (forward motion off), where alone memory is read:
# elsewhere readings differ by up to ~2.5 MiB.
cycle=(b comma b period Left b x Right F7 b Up b F8 q Down b F1 b F11 F11
  B comma F2 b period less b greater F7 Left b space b Right F8 Up b Home b Down
  F1 b period b comma F11 F11 b Tab b)
stream() { local end=$((SECONDS + $1)); while [ "$SECONDS" -lt "$end" ]; do qd_keys --delay 20 "${cycle[@]}"; done; }
# Once F7 has turned the ground plain and back, every key before it is handled.
answers() { qd_keys F7 && waits shows ground 320 355 13 64 13 && qd_keys F7 && waits shows ground 320 355 28 139 28; }
# The lowest of 10 readings over 1 s (one taken while a frame is drawn is up to
# ~3 MiB higher; leaked memory cannot go down again).
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
