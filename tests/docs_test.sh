#!/usr/bin/env bash
# Runs scripts/make-docs.sh into a temporary folder, never over docs/: it must
# write pictures of the committed formats, sizes and frame counts, made from
# the very frames and joint angles the committed ones were made from.
# Usage: tests/docs_test.sh SOURCE_DIR BUILD_DIR   (BUILD_DIR with the tools built)
# shellcheck source-path=SCRIPTDIR
. "$(dirname "$0")/e2e/lib.sh"
src=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)

bash "$src/scripts/make-docs.sh" -B "$build" "$work/docs" "$work/packaging/quadruped.png" >"$work/log" 2>&1 ||
  { cat "$work/log"; fail "scripts/make-docs.sh failed"; }
# A new picture belongs in the commit of the code change that explains it
# (scripts/make-docs.sh makes it there); where none was meant, the code is at fault.
changed=$({ diff "$src/docs/sources.sha256" "$work/docs/sources.sha256" || [ $? -eq 1 ]; } |
  awk '/^[<>]/ { print $3 }' | sort -u)
[ -z "$changed" ] || fail "pictures would change: these frames or joint angles differ: $(xargs <<<"$changed")"
for f in docs/screenshot.png docs/walk-filmstrip.png docs/run-filmstrip.png docs/gait.gif \
  docs/joint-angles.png packaging/quadruped.png; do # format and size of every frame
  want=$(/usr/bin/identify -format '%m %Wx%H\n' "$src/$f" | uniq -c | xargs)
  got=$(/usr/bin/identify -regard-warnings -format '%m %Wx%H\n' "$work/$f" | uniq -c | xargs)
  [ "$got" = "$want" ] || fail "frames of the new $f: $got; of the committed one: $want"
done
