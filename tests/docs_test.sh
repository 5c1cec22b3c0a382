#!/usr/bin/env bash
# Runs scripts/make-docs.sh into a temporary folder, never over docs/: it must
# write pictures of the committed formats, sizes and frame counts, made from
# the very frames and joint angles the committed ones were made from.
# Usage: tests/docs_test.sh SOURCE_DIR BUILD_DIR   (BUILD_DIR with the tools built)
set -euo pipefail
src=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

bash "$src/scripts/make-docs.sh" -B "$build" "$tmp/docs" "$tmp/packaging/quadruped.png" >"$tmp/log" 2>&1 ||
  { cat "$tmp/log"; echo "FAIL: scripts/make-docs.sh failed"; exit 1; }

# Each picture whose frames or joint angles are not the committed ones, by name.
changed=$({ diff "$src/docs/sources.sha256" "$tmp/docs/sources.sha256" || [ $? -eq 1 ]; } |
  awk '/^[<>]/ { print $3 }' | sort -u)
if [ -n "$changed" ]; then
  for made in docs/walk-filmstrip.png:^walk/ packaging/quadruped.png:^walk/keyframe-0 \
    docs/run-filmstrip.png:^run/ docs/gait.gif:^cycle/ 'docs/joint-angles.png:\.csv$'; do # picture:its sources
    hits=$(grep -E "${made#*:}" <<<"$changed") || continue
    echo "FAIL: ${made%%:*} would change: what it is made from differs, from $(head -1 <<<"$hits") on ($(wc -l <<<"$hits") in all)"
  done
  echo "A new picture belongs in the commit of the code change that explains it (scripts/make-docs.sh"
  echo "makes it there); where no change to the drawing or the gaits was meant, the code is at fault."
  exit 1
fi

# Format and size of every frame.
for f in docs/screenshot.png docs/walk-filmstrip.png docs/run-filmstrip.png docs/gait.gif \
  docs/joint-angles.png packaging/quadruped.png; do
  want=$(/usr/bin/identify -format '%m %Wx%H\n' "$src/$f" | uniq -c | xargs)
  got=$(/usr/bin/identify -regard-warnings -format '%m %Wx%H\n' "$tmp/$f" | uniq -c | xargs)
  [ "$got" = "$want" ] || { echo "FAIL: frames of the new $f: $got; of the committed one: $want"; exit 1; }
done
