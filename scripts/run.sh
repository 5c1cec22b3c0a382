#!/usr/bin/env bash
# Builds quadruped (installing what is missing) and runs it; arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh build
cmake -S . -B build
cmake --build build -j"$(nproc)" --target quadruped
exec build/quadruped "$@"
