# Sourced by scripts that need an X server of their own: start_private_xvfb
# starts Xvfb on the first free display from :80 up, exports DISPLAY and
# records its pid in xvfb_pid; stop_private_xvfb ends it. Needs $work, a
# scratch folder of the caller's.

xvfb_pid=""

start_private_xvfb() {
  local n
  for n in $(seq 80 99); do
    [ -e "/tmp/.X$n-lock" ] && continue
    rm -f "$work/displayfd"
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -displayfd 9 9>"$work/displayfd" \
      >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
      if [ -s "$work/displayfd" ]; then
        export DISPLAY=":$n"
        return 0
      fi
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  done
  echo "$(basename "$0"): cannot start Xvfb on any display from :80 to :99" >&2
  return 1
}

stop_private_xvfb() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
}
