# Sourced by scripts that run the program on an X server of their own. It
# makes the scratch folder $work and a cleanup on exit that ends the program
# (pid in $app_pid, set by the caller), the Xvfb and the folder.
# start_private_xvfb starts Xvfb on the first free display from :80 up and
# points DISPLAY and Mesa's software renderer at it.

work=$(mktemp -d)
xvfb_pid=""
app_pid=""

stop_private_xvfb() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
}

cleanup_private_display() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  stop_private_xvfb
  rm -rf "$work"
}
trap cleanup_private_display EXIT

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
        # Xvfb has no GPU: Mesa's software renderer draws.
        export LIBGL_ALWAYS_SOFTWARE=1
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
