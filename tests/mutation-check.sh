#!/usr/bin/env bash
# Do the tests catch the faults of tests/mutations.txt? Each is applied to a
# scratch copy of the tree, which is rebuilt, and the tests named for it run.
# By hand, not in CI: tests/mutation-check.sh [PATTERN (grep -E) of faults]
# SCRATCH=DIR keeps the copy and its build; the fuzz test runs 2000 events.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
scratch=${SCRATCH:-$(mktemp -d)}
[ -n "${SCRATCH:-}" ] || trap 'rm -rf "$scratch"' EXIT
export LIBGL_ALWAYS_SOFTWARE=1 QUADRUPED_FUZZ_EVENTS=${QUADRUPED_FUZZ_EVENTS:-2000}

# A reused copy takes only the files whose content changed, stamped now, so
# that its build remakes what changed (make reads times, and a copy keeps them).
mkdir -p "$scratch/src"
git -C "$root" ls-files -co --exclude-standard -z | grep -zv '^tests/web/node_modules' |
  while IFS= read -r -d '' f; do
    cmp -s "$root/$f" "$scratch/src/$f" || (cd "$root" && cp --parents "$f" "$scratch/src/")
  done
cmake -S "$scratch/src" -B "$scratch/build" -DQUADRUPED_TESTS=ON >"$scratch/build.log"
cmake --build "$scratch/build" -j"$(nproc)" >>"$scratch/build.log"
# Faults whose tests include the browser test rebuild the page too, in the
# copy's build-web; those of the Windows test the zip, in its build-windows.
page() (
  cd "$scratch/src" && { [ -d build-web ] || { ln -sfn "$root/tests/web/node_modules" tests/web/ && cmake --preset web; }; }
  cmake --build --preset web -j"$(nproc)"
)

caught=0 missed=0
while IFS= read -r line; do
  case "$line" in '#'* | '') continue ;; esac
  grep -qE -- "${1:-.}" <<<"$line" || continue
  IFS=$'\x1f' read -r file expr what regex <<<"${line// @@ /$'\x1f'}"
  target="$scratch/src/$file"
  cp "$target" "$scratch/original"
  sed -i -e "$expr" "$target"
  if cmp -s "$scratch/original" "$target"; then
    result="NOT APPLIED"
  elif ! { cmake --build "$scratch/build" -j"$(nproc)" && { [[ $regex != *web* ]] || page; } &&
    { [[ $regex != *windows* ]] || "$scratch/src/scripts/windows.sh"; }; } >"$scratch/last-build.log" 2>&1; then
    result="BUILD FAILED"
  else
    out=$(cd "$scratch/build" && xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
      ctest -R "$regex" -j"$(nproc)" --timeout 300 2>&1) || true
    failed=$(sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (.*)$/\1/p' <<<"$out" | paste -sd, -)
    result=${failed:+caught by $failed}
    grep -q 'No tests were found' <<<"$out" && result="NO TEST matches $regex"
  fi
  case "$result" in caught*) caught=$((caught + 1)) ;; *) missed=$((missed + 1)) ;; esac
  cp "$scratch/original" "$target"
  printf '%-20s | %-66s | %s\n' "$file" "$what" "${result:-MISSED}"
done <"$scratch/src/tests/mutations.txt" # the list as copied: edits meanwhile go unread
echo "$caught caught, $missed missed"
[ "$missed" -eq 0 ]
