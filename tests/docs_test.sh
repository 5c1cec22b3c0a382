#!/usr/bin/env bash
# Runs the picture generator (scripts/make-docs.sh) into a temporary directory,
# never over docs/, and checks that it writes valid, non-blank pictures of the
# expected sizes, and that the committed pictures have the same sizes and,
# where the drawing is deterministic, the same pixels.
# Usage: tests/docs_test.sh SOURCE_DIR BUILD_DIR   (BUILD_DIR with the tools built)
set -euo pipefail
src=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
identify=/usr/bin/identify

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

"$src/scripts/make-docs.sh" -B "$build" "$tmp/docs" "$tmp/quadruped.png" >"$tmp/make-docs.log" 2>&1 || {
  cat "$tmp/make-docs.log"
  echo "FAIL: scripts/make-docs.sh failed"
  exit 1
}

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# file (relative to the docs folder), format, width x height of every frame, frame count
expected=(
  "screenshot.png PNG 640x360 1"
  "walk-filmstrip.png PNG 2232x356 1"
  "run-filmstrip.png PNG 1488x356 1"
  "gait.gif GIF 480x270 57"
  "joint-angles.png PNG 1400x1000 1"
)

# Checks one picture: readable without warnings, format, size (page size for
# each GIF frame), frame count, and more than a handful of colours.
check() { # path, format, size, frames
  local path=$1 format=$2 size=$3 frames=$4 info
  if [ ! -s "$path" ]; then
    fail "$path is missing or empty"
    return
  fi
  if ! info=$("$identify" -regard-warnings -format '%m %Wx%H\n' "$path" 2>&1); then
    fail "$path is not a valid picture: $info"
    return
  fi
  local count wrong
  count=$(printf '%s\n' "$info" | grep -c .)
  wrong=$(printf '%s\n' "$info" | grep -vx "$format $size" | head -n 1 || true)
  [ "$count" -eq "$frames" ] || fail "$path has $count frames, expected $frames"
  [ -z "$wrong" ] || fail "$path: '$wrong', expected '$format $size' for every frame"
  local colours
  colours=$("$identify" -format '%k\n' "$path[0]")
  [ "$colours" -gt 16 ] || fail "$path has only $colours colours: blank picture?"
}

for row in "${expected[@]}"; do
  read -r name format size frames <<<"$row"
  check "$tmp/docs/$name" "$format" "$size" "$frames"
  check "$src/docs/$name" "$format" "$size" "$frames"
done
check "$tmp/quadruped.png" PNG 128x128 1
check "$src/packaging/quadruped.png" PNG 128x128 1

# The committed pictures are those the current drawing code makes: the
# in-process renders and the plot come out the same on every run, so any
# real difference means the drawing changed and docs/ needs regenerating.
# (The screenshot and the GIF are checked for size only: the screenshot
# catches the tail wherever its timer has put it.)
fresh() { # generated, committed
  local differ
  differ=$(/usr/bin/compare -metric AE -fuzz 2% "$1" "$2" null: 2>&1 >/dev/null) || true
  [ "$differ" = 0 ] ||
    fail "$2 is not what the code draws now ($differ pixels differ): run scripts/make-docs.sh"
}
for name in walk-filmstrip.png run-filmstrip.png joint-angles.png; do
  fresh "$tmp/docs/$name" "$src/docs/$name"
done
fresh "$tmp/quadruped.png" "$src/packaging/quadruped.png"

# The generator writes only the pictures it was asked for.
extra=$(ls "$tmp/docs" | grep -vxE 'screenshot.png|walk-filmstrip.png|run-filmstrip.png|gait.gif|joint-angles.png' || true)
[ -z "$extra" ] || fail "unexpected files in the output folder: $extra"

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "docs: every picture generated and committed has the expected size; the committed ones are fresh"
