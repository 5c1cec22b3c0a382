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

diff "$src/docs/sources.sha256" "$tmp/docs/sources.sha256" ||
  { echo "FAIL: docs/ is not what the code draws now: run scripts/make-docs.sh"; exit 1; }

# Format and size of every frame.
for f in docs/screenshot.png docs/walk-filmstrip.png docs/run-filmstrip.png docs/gait.gif \
  docs/joint-angles.png packaging/quadruped.png; do
  want=$(/usr/bin/identify -format '%m %Wx%H\n' "$src/$f" | uniq -c | xargs)
  got=$(/usr/bin/identify -regard-warnings -format '%m %Wx%H\n' "$tmp/$f" | uniq -c | xargs)
  [ "$got" = "$want" ] || { echo "FAIL: frames of the new $f: $got; of the committed one: $want"; exit 1; }
done
