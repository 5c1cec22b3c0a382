#!/usr/bin/env bash
# Builds quadruped for the browser (WebAssembly and WebGL, with Debian's
# Emscripten) into build-web/web/ and serves that folder on 127.0.0.1.
# Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."

port=8000
usage() {
  cat <<EOF
usage: scripts/web.sh [--build-only] [--port N] [-DNAME=VALUE...]

Builds the browser version of quadruped into build-web/web/ (index.html,
the page's modules, page.css, keys.json, quadruped.js and quadruped.wasm: a static folder
that any web server can host), then serves it at http://127.0.0.1:${port}/ with
Python's http.server until you press Ctrl+C.

  --build-only  build, do not serve
  --port N      serve on port N instead of ${port}
  -DNAME=VALUE  passed on to CMake when it configures build-web
EOF
}

serve=1
cmake_args=()
while [ $# -gt 0 ]; do
  case "$1" in
  --build-only) serve=0 ;;
  --port)
    [ $# -ge 2 ] || {
      usage >&2
      exit 2
    }
    port="$2"
    shift
    ;;
  -h | --help)
    usage
    exit 0
    ;;
  -D*) cmake_args+=("$1") ;;
  *)
    usage >&2
    exit 2
    ;;
  esac
  shift
done

scripts/install-deps.sh web

# The web preset points CMake at Emscripten's toolchain, and em++ at Debian's
# Node modules, where it finds its JavaScript helpers (acorn).
cmake --preset web "${cmake_args[@]}" >/dev/null
cmake --build --preset web -j"$(nproc)"
echo "web.sh: the page is in build-web/web/"

[ "$serve" -eq 1 ] || exit 0
echo "web.sh: serving it at http://127.0.0.1:${port}/ (Ctrl+C stops)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build-web/web
