#!/usr/bin/env bash
# Regenerates the pictures in docs/ and the package icon from the program's own
# drawing code, rendered by Mesa's software renderer in an Xvfb of its own:
#   screenshot.png       the real program's window, just after it opens
#   walk-filmstrip.png   the figure side-on at each walk keyframe (tools/render_frames)
#   run-filmstrip.png    the same for the run gait
#   gait.gif             a walk cycle, then F1 and a run cycle (tools/render_frames)
#   joint-angles.png     every joint's angle per gait step (tools/pose_csv + gnuplot)
#   sources.sha256       what the pictures but the screenshot are made from: the
#                        frames and joint angles before ImageMagick and gnuplot
# and the 128 x 128 icon cropped from the first walk keyframe.
#
# Usage: scripts/make-docs.sh [-B BUILD_DIR] [OUT_DIR [ICON]]
#   Without -B it installs what is missing, builds build/ and uses it; with -B it
#   uses that already built tree as it is. OUT_DIR defaults to docs/, ICON to
#   packaging/quadruped.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source-path=SCRIPTDIR source=window.sh
. "$root/scripts/window.sh"

build=""
if [ "${1:-}" = "-B" ]; then
  [ $# -ge 2 ] || { echo "usage: $0 [-B BUILD_DIR] [OUT_DIR [ICON]]" >&2; exit 2; }
  build=$(cd "$2" && pwd)
  shift 2
fi
out=${1:-$root/docs}
icon=${2:-$root/packaging/quadruped.png}
mkdir -p "$out" "$(dirname "$icon")"
out=$(cd "$out" && pwd)
icon=$(cd "$(dirname "$icon")" && pwd)/$(basename "$icon")

if [ -z "$build" ]; then
  "$root/scripts/install-deps.sh" all
  build=$root/build
  cmake -S "$root" -B "$build"
  cmake --build "$build" -j"$(nproc)" --target quadruped pose_csv render_frames print_model
fi
for tool in quadruped tools/pose_csv tools/render_frames tools/print_model; do
  [ -x "$build/$tool" ] || { echo "make-docs: $build/$tool is not built" >&2; exit 1; }
done
qd_own_x -B "$build" "$out" "$icon"
work=$(mktemp -d)
trap 'qd_stop; rm -rf "$work"' EXIT

# Full paths: another 'convert' earlier in PATH must not stand in for ImageMagick's.
convert=/usr/bin/convert
montage=/usr/bin/montage
font=DejaVu-Sans
# Pictures without time stamps, so that a run that draws the same writes the same bytes.
png_opts=(-strip -define "png:exclude-chunks=date,time")

# ---- the real program's first frame, once drawn (lit ground in the corner) ----
qd_start "$build/quadruped" || { echo "make-docs: the program's window did not appear" >&2; exit 1; }
for _ in $(seq 50); do
  qd_shot "$out/screenshot.png" "${png_opts[@]}"
  [ "$("$convert" "$out/screenshot.png" -format '%[fx:p{630,350}.g>0]' info:)" = 1 ] && break
  sleep 0.1
done
qd_quit

# ---- keyframe filmstrips: one side-on frame per keyframe, labelled ----
# Every keyframe of both gaits fits in this part of the 640 x 360 frame.
tile=360x256+143+50
filmstrip() { # gait, keyframe count, title
  local gait=$1 count=$2 title=$3 k
  mkdir -p "$work/$gait"
  "$build/tools/render_frames" keyframes "$gait" "$work/$gait" >/dev/null
  local tiles=()
  for ((k = 0; k < count; k++)); do
    "$convert" "$work/$gait/keyframe-$k.ppm" -crop "$tile" +repage "$work/$gait/tile-$k.png"
    tiles+=(-label "keyframe $k" "$work/$gait/tile-$k.png")
  done
  "$montage" -font "$font" -pointsize 20 -background white -fill black \
    "${tiles[@]}" -tile "${count}x1" -geometry +6+6 \
    -title "$title" "${png_opts[@]}" "$out/$gait-filmstrip.png"
}
# Each gait's keyframes and steps in a cycle, as the program has them.
model() { "$build/tools/print_model" "$@"; }
for gait in walk run; do
  count=$(model "$gait" cycle)
  filmstrip "$gait" "$count" "${gait^} gait: keyframes 0-$((count - 1)) at sub-step 0, seen side-on"
done

# ---- the icon: the figure at the first walk keyframe, cropped square ----
"$convert" "$work/walk/keyframe-0.ppm" -crop 330x330+163+12 +repage -resize 128x128 \
  "${png_opts[@]}" "$icon"

# ---- animated walk cycle then run cycle ----
mkdir -p "$work/cycle"
"$build/tools/render_frames" cycle "$work/cycle" >/dev/null
frames=("$work"/cycle/frame-*.ppm)
# Frame 0 is the start, then the walk's steps, the last of them held, then the run's.
walk_steps=$(model walk steps)
"$convert" -loop 0 \
  -delay 40 "${frames[0]}" \
  -delay 8 "${frames[@]:1:walk_steps-1}" \
  -delay 40 "${frames[walk_steps]}" \
  -delay 6 "${frames[@]:walk_steps+1}" \
  -crop 480x270+80+40 +repage -layers Optimize "$out/gait.gif"

# ---- joint angles over one cycle of each gait ----
"$build/tools/pose_csv" walk >"$work/walk.csv"
"$build/tools/pose_csv" run >"$work/run.csv"
gnuplot -e "walk='$work/walk.csv'; run='$work/run.csv'; out='$work/joint-angles.png'" \
  "$root/scripts/plot-gait.gp"
"$convert" "$work/joint-angles.png" "${png_opts[@]}" "$out/joint-angles.png"

# The renderer's frames and the sampler's angles come out the same on every
# run, unlike the bytes of ImageMagick's and gnuplot's output across versions:
# tests/docs_test.sh holds the committed pictures to these.
(cd "$work" && sha256sum walk/*.ppm run/*.ppm cycle/*.ppm walk.csv run.csv) >"$out/sources.sha256"

for f in screenshot.png walk-filmstrip.png run-filmstrip.png gait.gif joint-angles.png sources.sha256; do
  echo "$out/$f"
done
echo "$icon"
