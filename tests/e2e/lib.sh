# shellcheck shell=bash source-path=SCRIPTDIR disable=SC2034 # app is for the tests
# Sourced by the script tests, with their arguments (the program's path first in
# the end-to-end tests'), each under an Xvfb where no other test's window shows.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/window.sh"
qd_own_x "$@"
app=$1
work=$(mktemp -d)
trap 'qd_stop; rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# shows NAME X Y R G B: takes the picture NAME; true when that pixel is within
# 3/255 of R G B in every channel. px NAME X Y: "R G B" of one of its pixels.
shows() { qd_shot "$work/$1.png" && px "$@" | awk -v r="$4" -v g="$5" -v b="$6" '{ exit ($1 - r)^2 > 9 || ($2 - g)^2 > 9 || ($3 - b)^2 > 9 }'; }
px() { /usr/bin/convert "$work/$1.png" -format "%[fx:int(255*p{$2,$3}.r+.5)] %[fx:int(255*p{$2,$3}.g+.5)] %[fx:int(255*p{$2,$3}.b+.5)]" info:; }
# waits COMMAND...: runs it until it succeeds, for up to QD_BOUND s.
waits() { local end=$((SECONDS + QD_BOUND)); until "$@"; do [ "$SECONDS" -lt "$end" ] || return 1; sleep 0.2; done; }

# The title's Latin-1 bytes as wm_name shows them; place: the window's "x y width height ".
latin1_title="WM_NAME(STRING) $(printf 'Trabalho de computa\xe7\xe3o gr\xe1fica' | od -An -v -tx1 | xargs printf '0x%s, ')"
wm_name() { echo "$(xprop -id "$QD_WIN" -f WM_NAME 8x ' $0+' WM_NAME), "; }
place() { xwininfo -id "$QD_WIN" | awk '/Absolute upper-left [XY]|Width|Height/ { printf "%s ", $NF }'; }
size_is() { [ "$(place | cut -d' ' -f3-)" = "$1" ]; }
# start_wm: openbox, once it manages the screen (it names its check window on the root).
wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"; }
start_wm() { openbox >"$work/openbox.log" 2>&1 & waits wm_up; }
# f5_f6: under a window manager, the start size, the whole screen after F5, the start size after F6.
f5_f6() {
  local step
  for step in ": 640 360 " "F5: 1280 1024 " "F6: 640 360 "; do
    [ "${step%%:*}" = "" ] || qd_keys "${step%%:*}"
    waits size_is "${step#*: }" || fail "${step%%:*} under openbox: the window is $(place), expected ${step#*: }"
  done
}
