#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing quadruped need.
# Safe to run again: apt-get is only called when a package is missing.
# Usage: scripts/install-deps.sh [build|test|all|demo]   (default: all)
set -euo pipefail

build_pkgs=(cmake g++ make pkg-config freeglut3-dev libglu1-mesa-dev libgl1-mesa-dev libgl1-mesa-dri)
test_pkgs=(googletest libgtest-dev libbenchmark-dev xvfb xauth xdotool x11-utils x11-apps
  imagemagick openbox wmctrl gnuplot-nox desktop-file-utils dpkg-dev file fonts-dejavu-core)
# What scripts/run.sh needs on a machine without a display, for its scripted demo.
demo_pkgs=(xvfb xauth xdotool x11-utils x11-apps imagemagick)

case "${1:-all}" in
build) wanted=("${build_pkgs[@]}") ;;
test | all) wanted=("${build_pkgs[@]}" "${test_pkgs[@]}") ;;
demo) wanted=("${build_pkgs[@]}" "${demo_pkgs[@]}") ;;
*)
  echo "usage: $0 [build|test|all|demo]" >&2
  exit 2
  ;;
esac

missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || {
    echo "install-deps: need root or sudo to install: ${missing[*]}" >&2
    exit 1
  }
  sudo_cmd=(sudo)
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
