#!/usr/bin/env bash
# Cross-builds quadruped for 64-bit Windows on Debian and leaves the zip in
# build-windows/. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  cat <<'EOF'
usage: scripts/windows.sh [-DNAME=VALUE...]

Cross-builds quadruped for 64-bit Windows with Debian's mingw-w64 compiler and
leaves build-windows/quadruped-VERSION-windows-x86_64.zip: quadruped.exe
(linked statically: it needs nothing installed), README.txt (what the program
is, and its keys), LICENSE.txt and freeglut-LICENSE.txt.

freeglut is built for Windows from Debian's own source package, fetched with
an apt configuration of its own (the machine's package lists stay as they are),
once per machine and freeglut version: it is kept in /var/cache/quadruped/windows
for root, in ~/.cache/quadruped/windows for other users (QUADRUPED_CACHE sets
the folder above windows/).

  -DNAME=VALUE  passed on to CMake when it configures build-windows
EOF
}

cmake_args=()
for arg; do
  case "$arg" in
  -h | --help)
    usage
    exit 0
    ;;
  -D*) cmake_args+=("$arg") ;;
  *)
    usage >&2
    exit 2
    ;;
  esac
done

scripts/install-deps.sh windows

if [ "$(id -u)" -eq 0 ]; then default_cache=/var/cache/quadruped; else default_cache=${XDG_CACHE_HOME:-$HOME/.cache}/quadruped; fi
cache=${QUADRUPED_CACHE:-$default_cache}/windows
mkdir -p "$cache"
exec 9>"$cache/lock" # one build of freeglut at a time on a machine
flock 9

# apt with a sources list, lists, cache and state of its own: an update against
# another sources list in the machine's own folders would replace the
# machine's package lists, and the next apt-get install would find nothing.
apt_dir=$cache/apt
apt_opts=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
  -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::State::status=$apt_dir/status" -o "Dir::Cache=$apt_dir/cache")
mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists" "$apt_dir/cache"
touch "$apt_dir/status"
# The source packages of the machine's own release, from the mirror that serves it.
read -r mirror release < <(scripts/install-deps.sh --source) || { echo "windows.sh: cannot tell where to fetch freeglut's source" >&2; exit 1; }
sources="deb-src $mirror $release main"
# The lists are read again when a week old or when the mirror has changed.
if [ "$(cat "$apt_dir/sources.list" 2>/dev/null)" != "$sources" ] ||
  [ ! -e "$apt_dir/updated" ] || [ -n "$(find "$apt_dir/updated" -mtime +6)" ]; then
  echo "$sources" >"$apt_dir/sources.list"
  apt-get "${apt_opts[@]}" -qq update
  touch "$apt_dir/updated"
fi
# shellcheck disable=SC2016 # apt's own field names
version=$(apt-cache "${apt_opts[@]}" showsrc --only-source freeglut | awk '$1 == "Version:" { print $2; exit }')
[ -n "$version" ] || { echo "windows.sh: no freeglut source package at $mirror" >&2; exit 1; }

# freeglut for Windows: static, with GL/glut.h (which it installs only when it
# stands in for GLUT), and its licence, which goes into the zip.
freeglut=$cache/freeglut-$version
if [ ! -e "$freeglut/share/doc/freeglut/COPYING" ]; then
  echo "windows.sh: building freeglut $version for Windows from Debian's source package (once per machine)"
  work=$(mktemp -d "$cache/build.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  # apt downloads as its own user where it runs as root.
  [ "$(id -u)" -ne 0 ] || ! id _apt >/dev/null 2>&1 || chown _apt "$work"
  (cd "$work" && apt-get "${apt_opts[@]}" -qq source "freeglut=$version") >"$work/log" 2>&1 ||
    { cat "$work/log" >&2; echo "windows.sh: cannot fetch freeglut $version's source package from $mirror" >&2; exit 1; }
  src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'freeglut-*')
  { cmake -S "$src" -B "$work/build" --toolchain "$PWD/packaging/windows-toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$cache/new" -DFREEGLUT_BUILD_SHARED_LIBS=OFF \
    -DFREEGLUT_BUILD_STATIC_LIBS=ON -DFREEGLUT_BUILD_DEMOS=OFF -DFREEGLUT_REPLACE_GLUT=ON &&
    cmake --build "$work/build" -j"$(nproc)" && cmake --install "$work/build"; } >>"$work/log" 2>&1 ||
    { tail -n 30 "$work/log" >&2; echo "windows.sh: freeglut's build failed" >&2; exit 1; }
  install -D -m 644 "$src/COPYING" "$cache/new/share/doc/freeglut/COPYING"
  rm -rf "$cache"/freeglut-* # older versions
  mv "$cache/new" "$freeglut"
fi
exec 9>&-

cmake --preset windows -DCMAKE_PREFIX_PATH="$freeglut" "${cmake_args[@]}" >/dev/null
cmake --build --preset windows -j"$(nproc)"
(cd build-windows && cpack -G ZIP >/dev/null)
echo "windows.sh: $(ls build-windows/quadruped-*-windows-x86_64.zip)"
