#!/usr/bin/env bash
# Builds quadruped and runs every test against the real freeglut, GLU and Mesa
# (software rendering) inside one private Xvfb. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh all
cmake -S . -B build -DQUADRUPED_TESTS=ON
cmake --build build -j"$(nproc)"

export LIBGL_ALWAYS_SOFTWARE=1
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
  ctest --test-dir build --output-on-failure
