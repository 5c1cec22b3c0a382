#!/usr/bin/env bash
# Builds quadruped (installing what is missing) and runs it; arguments go to the program.
# Without a reachable X display it plays a short scripted demo instead: the
# program runs in an Xvfb of its own, real key presses (xdotool) walk, switch to
# the run gait, turn and move the camera, and the screenshots and an animated
# GIF of it go to build/demo/. Escape ends the program.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source-path=SCRIPTDIR source=window.sh
. scripts/window.sh

case "${1:-}" in
-h | --help)
  cat <<'EOF_HELP'
Usage: scripts/run.sh [ARGUMENT...]
Builds quadruped in build/ (installing the Debian packages it needs) and runs
it; the arguments go to the program, which hands them to the toolkit
(e.g. -display NAME). Escape quits.
Without a reachable X display it plays a scripted demo in an Xvfb of its own
instead and writes build/demo/1-start.png ... 5-camera.png and
build/demo/demo.gif.
EOF_HELP
  exit 0
  ;;
esac

if [ -z "${QD_OWN_X:-}" ]; then
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
  echo "run.sh: no X display reachable (DISPLAY='${DISPLAY:-}'); playing a scripted demo in an Xvfb of its own instead, pictures go to build/demo/"
  scripts/install-deps.sh demo
fi
qd_own_x "$@"

demo=$PWD/build/demo
rm -rf "$demo"
mkdir -p "$demo/frames"
trap qd_stop EXIT
# A program that ends before its window appears (say, one told to open another
# display) has its status passed on at once; its message is already out.
if ! qd_start build/quadruped "$@"; then
  [ -n "$QD_STATUS" ] || { echo "run.sh: the program's window did not appear" >&2; exit 1; }
  echo "run.sh: the program ended with status $QD_STATUS before its window appeared" >&2
  exit "$QD_STATUS"
fi

# Every key press is one frame of the GIF; a few are kept as PNGs too.
frame=0
grab() {
  sleep 0.1 # lets the program draw the key's frame
  qd_shot "$demo/frames/$(printf '%03d' "$frame").png"
  frame=$((frame + 1))
}
press() { # key, times
  local i
  for ((i = 0; i < ${2:-1}; i++)); do
    qd_keys "$1"
    grab
  done
}
shots=()
shot() { # name
  cp "$demo/frames/$(printf '%03d' $((frame - 1))).png" "$demo/$1.png"
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

qd_quit
/usr/bin/convert -delay 12 -loop 0 "$demo"/frames/*.png -layers Optimize "$demo/demo.gif"
rm -r "$demo/frames"
printf '%s\n' "${shots[@]}" "$demo/demo.gif"
if [ "$QD_STATUS" -ne 0 ]; then
  echo "run.sh: the program ended with status $QD_STATUS" >&2
  exit "$QD_STATUS"
fi
