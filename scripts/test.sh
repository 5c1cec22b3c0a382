#!/usr/bin/env bash
# Builds quadruped and runs every test against the real freeglut, GLU and Mesa
# (software rendering) inside one private Xvfb. Installs what is missing first.
# Then builds the in-process tests again with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan) and runs them there too.
# QUADRUPED_ASAN_FUZZ_EVENTS sets the fuzz test's event count in that second run.
# With --builds-only it stops before the tests: the checks and the builds alone
# (which tests/fresh-machine.sh runs on the current Debian).
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
"" | --builds-only) ;;
*) echo "usage: scripts/test.sh [--builds-only]" >&2; exit 2 ;;
esac

scripts/install-deps.sh all
# Every C++ file in the project's format, every script clean for shellcheck.
git ls-files '*.cpp' '*.h' | xargs clang-format-19 --dry-run --Werror
git ls-files '*.sh' .ci/run | xargs shellcheck
# Warnings are errors here, so that none slips in unseen.
werror=-DCMAKE_COMPILE_WARNING_AS_ERROR=ON
cmake --preset default -DQUADRUPED_TESTS=ON -DQUADRUPED_BENCH=ON "$werror" # benchmarks built, not run
cmake --build --preset default -j"$(nproc)"
# The browser build (build-web/web) and the browser test's npm packages.
scripts/install-deps.sh web-test
scripts/web.sh --build-only "$werror"
npm ci --prefix tests/web --no-audit --no-fund
# The Windows zip (build-windows), which the windows test runs under Wine.
scripts/windows.sh "$werror"
[ "${1:-}" != --builds-only ] || exit 0

export LIBGL_ALWAYS_SOFTWARE=1
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" \
  ctest --test-dir build --output-on-failure -j"$(nproc)"

# Sanitized build. Mesa's GLX library and its software driver are loaded with
# dlopen and may be unloaded before LeakSanitizer looks at the heap, which would
# leave their own leaks without a library name to suppress them by; so every
# test process preloads both (after the ASan runtime, which must come first).
# CTest starts test processes through the target's emulator command: `env` here.
multiarch="$(gcc -print-multiarch)"
asan_runtime="$(g++ -print-file-name=libasan.so)"
preload=("$asan_runtime" "/usr/lib/${multiarch}/libGLX_mesa.so.0" "/usr/lib/${multiarch}/dri/swrast_dri.so")
for f in "${preload[@]}"; do [ -f "$f" ] || { echo "test.sh: no $f (the ASan runtime or Mesa's GLX library and software driver)" >&2; exit 1; }; done
cmake --preset asan "$werror" "-DCMAKE_CROSSCOMPILING_EMULATOR=env;LD_PRELOAD=${preload[*]}"
cmake --build --preset asan -j"$(nproc)"

export ASAN_OPTIONS="detect_leaks=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export QUADRUPED_FUZZ_EVENTS="${QUADRUPED_ASAN_FUZZ_EVENTS:-20000}"
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" \
  ctest --test-dir build-asan -L inprocess --output-on-failure -j"$(nproc)"
