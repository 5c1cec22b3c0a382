#!/usr/bin/env bash
# Measures quadruped's performance with Mesa's software renderer (llvmpipe) in
# a private Xvfb: the cost of a frame next to a clear-and-swap floor and to a
# flat replay of the same calls, at 640x360 and 1920x1080; the state work of a
# frame; and the real program's start-up time, idle CPU use and peak memory.
# Installs what is missing and builds build-bench (Release) first.
# Arguments go to the frame benchmark (Google Benchmark flags).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh all
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQUADRUPED_BENCH=ON -DQUADRUPED_TESTS=OFF
cmake --build build-bench -j"$(nproc)" --target quadruped frame_bench process_probe

echo "== machine"
echo "cores: $(nproc); CPU: $(lscpu | sed -n 's/^Model name: *//p' | head -n 1)"
echo "Mesa: $(dpkg-query -W -f='${Version}' libgl1-mesa-dri 2>/dev/null || echo '?') (libgl1-mesa-dri)"
echo "load average before the run: $(cut -d' ' -f1-3 /proc/loadavg)"

export LIBGL_ALWAYS_SOFTWARE=1
# -br: a black root window, so that a window shows black until it first draws.
xvfb-run -a -s "-screen 0 1920x1200x24 -nolisten tcp -br" bash -c '
  set -euo pipefail
  echo "== frame and state costs (build-bench/bench/frame_bench)"
  build-bench/bench/frame_bench "$@"
  echo
  echo "== the real program (build-bench/bench/process_probe build-bench/quadruped)"
  build-bench/bench/process_probe build-bench/quadruped 5 10
' bench "$@"
echo "load average after the run: $(cut -d' ' -f1-3 /proc/loadavg)"
