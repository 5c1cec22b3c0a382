#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing quadruped need.
# Safe to run again: apt-get is only called when a package is missing.
# Usage: scripts/install-deps.sh [build|demo|package|fresh|lint|test|all|web|web-test|windows]
#   (default: all), or scripts/install-deps.sh --source
#   build    build and run the program (scripts/run.sh, or cmake by hand)
#   demo     build, plus what scripts/run.sh's demo needs where there is no display
#   package  build, plus what `cmake --build build --target package` needs
#   fresh    what tests/fresh-machine.sh needs on top of the test packages
#   lint     the format and shell-script checks that scripts/test.sh makes first
#   test     everything scripts/test.sh needs; all is the same
#   web      build the browser version (scripts/web.sh)
#   web-test web, plus what the browser test needs (scripts/test.sh installs it too)
#   windows  cross-build for Windows (scripts/windows.sh) and run the result under
#            Wine (scripts/test.sh installs it too)
#   --source prints "MIRROR RELEASE": the machine's own Debian release (from
#            /etc/os-release) and the mirror of the apt source that serves it
set -euo pipefail

build_pkgs=(cmake g++ make pkg-config freeglut3-dev libglu1-mesa-dev libgl1-mesa-dev libgl1-mesa-dri)
# What drives the program's window (scripts/window.sh): Xvfb, key presses,
# pictures, and python3-xlib to find a window by its program's pid.
demo_pkgs=(xvfb xauth xdotool x11-utils x11-apps imagemagick python3-xlib)
test_pkgs=(googletest libgtest-dev libbenchmark-dev openbox wmctrl gnuplot-nox desktop-file-utils
  lintian fonts-dejavu-core)
# CPack's Debian generator finds the libraries' packages with dpkg-shlibdeps
# (dpkg-dev), after `file` has picked out the executables.
package_pkgs=(dpkg-dev file)
fresh_pkgs=(debootstrap)
lint_pkgs=(clang-format-19 shellcheck git)
# The browser build (scripts/web.sh); and, for its test (tests/web), the browsers
# (Chromium, Firefox, WebKitGTK's MiniBrowser with its WebDriver) and Node.js,
# whose npm is a package of its own in Debian.
web_pkgs=(cmake make emscripten python3)
web_test_pkgs=(chromium-headless-shell firefox-esr webkit2gtk-driver nodejs)
# The Windows build: the mingw-w64 cross compiler, dpkg-source for freeglut's
# source package; and Wine with the libraries through which it draws with
# Mesa, reads the screen's modes (F5) and takes keys.
windows_pkgs=(cmake make g++-mingw-w64-x86-64 dpkg-dev wine wine64 libgl1 libgl1-mesa-dri
  libxrandr2 libxrender1 libxi6 libxcursor1 libxinerama1 libxcomposite1 libxfixes3 libxxf86vm1)

case "${1:-all}" in
build) wanted=("${build_pkgs[@]}") ;;
demo) wanted=("${build_pkgs[@]}" "${demo_pkgs[@]}") ;;
package) wanted=("${build_pkgs[@]}" "${package_pkgs[@]}") ;;
fresh) wanted=("${fresh_pkgs[@]}") ;;
lint) wanted=("${lint_pkgs[@]}") ;;
web) wanted=("${web_pkgs[@]}") ;;
web-test)
  wanted=("${web_pkgs[@]}" "${web_test_pkgs[@]}")
  command -v npm >/dev/null || wanted+=(npm)
  ;;
windows) wanted=("${windows_pkgs[@]}") ;;
--source)
  release=$(awk -F= '$1 == "VERSION_CODENAME" { gsub(/"/, "", $2); print $2 }' /etc/os-release)
  # The source's release as its line writes it, or as its Release file names it.
  # shellcheck disable=SC2016 # apt's own field names
  apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(CODENAME) $(TARGET_OF)' |
    awk -v r="$release" 'r != "" && ($2 == r || $3 == r) && $4 == "deb" { print $1, r; found = 1; exit }
      END { if (!found) { print "install-deps: no apt source for this machine'"'"'s release (" r ")" > "/dev/stderr"; exit 1 } }'
  exit
  ;;
test | all) wanted=("${build_pkgs[@]}" "${demo_pkgs[@]}" "${package_pkgs[@]}" "${test_pkgs[@]}" "${fresh_pkgs[@]}" "${lint_pkgs[@]}") ;;
-h | --help)
  sed -n '2,/^set -euo/{/^#/s/^# \{0,1\}//p}' "$0"
  exit 0
  ;;
*)
  echo "usage: $0 [build|demo|package|fresh|lint|test|all|web|web-test|windows]" >&2
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
