#!/usr/bin/env bash
# Builds quadruped (installing what is missing) and runs it; arguments go to the program.
# Without a reachable X display it plays a short scripted demo instead: the
# program runs in a private Xvfb, real key presses (xdotool) walk, switch to the
# run gait, turn and move the camera, and the screenshots and an animated GIF
# of it go to build/demo/. Escape ends the program.
set -euo pipefail
cd "$(dirname "$0")/.."

case "${1:-}" in
-h | --help)
  cat <<'EOF'
Usage: scripts/run.sh [ARGUMENT...]
Builds quadruped in build/ (installing the Debian packages it needs) and runs
it; the arguments go to the program, which hands them to the toolkit
(e.g. -display NAME). Escape quits.
Without a reachable X display it plays a scripted demo in a private Xvfb
instead and writes build/demo/1-start.png ... 5-camera.png and
build/demo/demo.gif.
EOF
  exit 0
  ;;
esac

scripts/install-deps.sh build
cmake --preset default
cmake --build --preset default -j"$(nproc)" --target quadruped

# The display check needs xdpyinfo; with DISPLAY unset there is nothing to check.
if [ -n "${DISPLAY:-}" ] && ! command -v xdpyinfo >/dev/null; then
  scripts/install-deps.sh demo
fi
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec build/quadruped "$@"
fi

echo "run.sh: no X display reachable (DISPLAY='${DISPLAY:-}'); playing a scripted demo in a private Xvfb instead, pictures go to build/demo/"
scripts/install-deps.sh demo

demo=$PWD/build/demo
rm -rf "$demo"
mkdir -p "$demo"
# shellcheck source=private-xvfb.sh
. scripts/private-xvfb.sh
start_private_xvfb

# The program's messages are kept and shown when it ends.
build/quadruped "$@" 2>"$work/stderr" &
app_pid=$!
# Waits up to 20 s for the window; a program that ends first (say, one told
# to open another display) has its message and status passed on at once.
win=""
for _ in $(seq 200); do
  win=$(xdotool search --onlyvisible --name '^Trabalho de comput' 2>/dev/null | head -n 1 || true)
  [ -n "$win" ] && break
  if ! kill -0 "$app_pid" 2>/dev/null; then
    status=0
    wait "$app_pid" || status=$?
    app_pid=""
    cat "$work/stderr" >&2
    echo "run.sh: the program ended with status $status before its window appeared" >&2
    exit "$status"
  fi
  sleep 0.1
done
if [ -z "$win" ]; then
  cat "$work/stderr" >&2
  echo "run.sh: the program's window did not appear in the private Xvfb" >&2
  exit 1
fi
xdotool windowfocus --sync "$win"

# Every key press is kept as one frame of the GIF; a few are kept as PNGs too.
frame=0
grab() {
  sleep 0.1 # lets the program draw the key's frame
  xwd -id "$win" -silent >"$work/$(printf 'frame-%03d' "$frame").xwd"
  frame=$((frame + 1))
}
press() { # key, times
  local i
  for ((i = 0; i < ${2:-1}; i++)); do
    xdotool key --clearmodifiers "$1"
    grab
  done
}
shots=()
shot() { # name
  /usr/bin/convert "xwd:$work/$(printf 'frame-%03d' $((frame - 1))).xwd" "$demo/$1.png"
  shots+=("$demo/$1.png")
}

grab
shot 1-start
press b 12     # two walk keyframes
shot 2-walk
press F1       # the run gait
press b 10     # two run keyframes
shot 3-run
press comma 6  # turn 30 degrees counter-clockwise
press b 5
shot 4-turned
press Right 10 # the camera turns towards the figure
press Up 4     # and moves 2 units closer
press Down 2   # and 1 back
shot 5-camera

xdotool key Escape
status=0
for _ in $(seq 50); do
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.1
done
wait "$app_pid" || status=$?
app_pid=""
cat "$work/stderr" >&2

/usr/bin/convert -delay 12 -loop 0 "$work"/frame-*.xwd -layers Optimize "$demo/demo.gif"
for f in "${shots[@]}" "$demo/demo.gif"; do
  echo "$f"
done
if [ "$status" -ne 0 ]; then
  echo "run.sh: the program ended with status $status" >&2
  exit "$status"
fi
