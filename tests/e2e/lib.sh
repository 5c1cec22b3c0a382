# shellcheck shell=bash source-path=SCRIPTDIR disable=SC2034 # app is for the tests
# Sourced by the end-to-end tests, with the program's path as $1. Each test
# runs under an Xvfb of its own: on a shared display other tests' windows
# could cover the program's, and xwd reads what the screen shows.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/window.sh"
qd_own_x "$@"
app=$1
work=$(mktemp -d)
trap 'qd_stop; rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# shows NAME X Y R G B: takes the picture NAME; true when that pixel is within
# 3/255 of R G B in every channel (llvmpipe's figures on this machine).
shows() { qd_shot "$work/$1.png" && at "$@"; }
at() { px "$@" | awk -v r="$4" -v g="$5" -v b="$6" '{ exit ($1 - r)^2 > 9 || ($2 - g)^2 > 9 || ($3 - b)^2 > 9 }'; }
# px NAME X Y: "R G B" of one pixel of the picture NAME.
px() { /usr/bin/convert "$work/$1.png" -format "%[fx:int(255*p{$2,$3}.r+.5)] %[fx:int(255*p{$2,$3}.g+.5)] %[fx:int(255*p{$2,$3}.b+.5)]" info:; }
# waits COMMAND...: runs it until it succeeds, for up to 20 s.
waits() { local end=$((SECONDS + 20)); until "$@"; do [ "$SECONDS" -lt "$end" ] || return 1; sleep 0.2; done; }
