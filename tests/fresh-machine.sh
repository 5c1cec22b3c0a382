#!/usr/bin/env bash
# The README's commands on a new machine of the current Debian (a debootstrap
# minbase of what this machine's apt mirror calls stable), as root with no
# display and a bare environment, in two roots side by side: in a bare one
# scripts/run.sh installs what it needs and plays its demo, and the by-hand
# build works; in one with the test packages of scripts/install-deps.sh,
# scripts/test.sh --builds-only. Nothing may be left running in either.
# CACHE_DIR keeps the base root, the test packages' layer on it, apt's packages
# and the roots' /var/cache/quadruped, made again when a week old or when the
# mirror's Release changes; each run works on overlays of them in WORK_DIR, in
# namespaces of its own. Needs root; exits 77 (skipped) without it.
# Usage: tests/fresh-machine.sh SOURCE_DIR WORK_DIR [CACHE_DIR (/var/cache/quadruped/fresh-machine)]
set -euo pipefail
src=$(cd "$1" && pwd -P)
work=$(mkdir -p "$2" && cd "$2" && pwd -P)
cache=${3:-/var/cache/quadruped/fresh-machine} keep=""
run_cmd='scripts/run.sh' build_cmd='cmake -S . -B build && cmake --build build' test_cmd='scripts/test.sh'
[ "$(id -u)" -eq 0 ] || { echo "fresh-machine: needs root for debootstrap, chroot and namespaces; skipped"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }
for c in "$run_cmd" "$build_cmd" "$test_cmd"; do grep -qF "$c" "$src/README.md" || fail "README.md no longer gives '$c'"; done
trap '[ -n "$keep" ] || rm -rf --one-file-system "$work/bare" "$work/full" "$cache/tools.new"' EXIT
trap 'exit 130' INT TERM

read -r mirror _ < <("$src/scripts/install-deps.sh" --source) || fail "no apt source for this machine's release"
mkdir -p "$cache"
exec 9>"$cache/lock" # one run at a time on a machine
flock 9
/usr/lib/apt/apt-helper download-file "${mirror%/}/dists/stable/Release" "$cache/Release.now" >/dev/null 2>&1 ||
  fail "cannot fetch the mirror's Release file"
release=$(awk '$1 == "Codename:" { print $2; exit }' "$cache/Release.now")
[ -n "$release" ] || fail "the mirror's stable Release file names no release"
if [ ! -d "$cache/base" ] || ! cmp -s "$cache/Release.now" "$cache/Release" ||
  [ -n "$(find "$cache/Release" -mtime +6)" ]; then
  echo "fresh-machine: making the base root of Debian $release with debootstrap from $mirror"
  rm -rf --one-file-system "$cache/base" "$cache/base.new" "$cache/archives" "$cache/tools" "$cache/quadruped"
  unshare -m debootstrap --variant=minbase "$release" "$cache/base.new" "$mirror" >"$cache/debootstrap.log" 2>&1 ||
    { tail -n 30 "$cache/debootstrap.log"; fail "debootstrap failed"; }
  printf '#!/bin/sh\nexit 101\n' >"$cache/base.new/usr/sbin/policy-rc.d" # no services start
  chmod 755 "$cache/base.new/usr/sbin/policy-rc.d"
  mv "$cache/base.new" "$cache/base"
  mv "$cache/Release.now" "$cache/Release" # its age is the root's
  echo "fresh-machine: the base root took $SECONDS s"
fi
mkdir -p "$cache/archives/partial" "$cache/quadruped"

# The tree as a developer has it: tracked and new files, not ignored or deleted ones.
git -C "$src" ls-files -z --cached --others --exclude-standard |
  tar -C "$src" --null --ignore-failed-read -T - -cf "$work/tree.tar" 2>/dev/null

# in_root NAME LAYERS UPPER SCRIPT DIR...: SCRIPT runs as process 1 of a pid
# namespace of its own, chrooted into an overlay of the directory UPPER on
# LAYERS (lowerdir's list), with the tree in each DIR, apt's packages and
# /var/cache/quadruped bound from the cache. Its output goes to WORK_DIR/NAME.log.
in_root() {
  local dir=$work/$1 start=$SECONDS status=0
  mkdir -p "$dir/root" "$dir/overlay" "$3"
  # shellcheck disable=SC2016 # expanded by the inner shell
  unshare -m -p -f --kill-child bash -c 'set -e; root=$1 cache=$5 script=$6
    mount -t overlay overlay -o "lowerdir=$2,upperdir=$3,workdir=$4" "$root"; shift 6
    mount -t proc proc "$root/proc"; mount --bind /dev "$root/dev"
    mount --bind "$cache/archives" "$root/var/cache/apt/archives"
    mkdir -p "$root/var/cache/quadruped"; mount --bind "$cache/quadruped" "$root/var/cache/quadruped"
    cp -L /etc/resolv.conf "$root/etc/resolv.conf"
    # This network reaches the npm registry through its own certificate authority.
    ca=(); [ ! -f /etc/ssl/certs/ca-certificates.crt ] ||
      { cp /etc/ssl/certs/ca-certificates.crt "$root/etc/host-ca.crt"; ca=(NODE_EXTRA_CA_CERTS=/etc/host-ca.crt); }
    # No /dev/pts in the root: dpkg'"'"'s output goes straight through, not via a pty.
    echo "Dpkg::Use-Pty \"0\";" >"$root/etc/apt/apt.conf.d/90no-pty"
    # A root thrown away: dpkg syncs no file and skips manual pages and documents.
    printf "force-unsafe-io\npath-exclude /usr/share/man/*\npath-exclude /usr/share/doc/*\n" >"$root/etc/dpkg/dpkg.cfg.d/90quick"
    for d; do rm -rf "$root/root/$d"; mkdir -p "$root/root/$d"; tar --no-same-owner -C "$root/root/$d" -xf "$0"; done
    exec chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root "${ca[@]}" bash -c "$script"' \
    "$work/tree.tar" "$dir/root" "$2" "$3" "$dir/overlay" "$cache" "$4" "${@:5}" >"$work/$1.log" 2>&1 || status=$?
  grep '^fresh-machine:' "$work/$1.log" || true
  echo "fresh-machine: $1: $((SECONDS - start)) s, status $status"
  [ "$status" -eq 0 ] || { tail -n 40 "$work/$1.log"; return "$status"; }
}

# The test root's packages, made again when the base or scripts/install-deps.sh changes.
tools_key=$(cat "$src/scripts/install-deps.sh" "$cache/Release" | sha256sum)
if [ ! -d "$cache/tools" ] || [ "$(cat "$cache/tools.key" 2>/dev/null)" != "$tools_key" ]; then
  echo "fresh-machine: installing the test packages into a layer on the base root"
  rm -rf --one-file-system "$cache/tools" "$cache/tools.new" "$work/tools"
  in_root tools "$cache/base" "$cache/tools.new" "set -euo pipefail; cd /root/quadruped
    for group in all web-test windows; do scripts/install-deps.sh \$group; done; cd /; rm -rf /root/quadruped" quadruped ||
    fail "the test packages could not be installed (log: $work/tools.log)"
  rm -rf --one-file-system "$work/tools"
  mv "$cache/tools.new" "$cache/tools"
  echo "$tools_key" >"$cache/tools.key"
fi

# At the end of each root's script its process 1 must be alone.
alone="for _ in \$(seq 50); do set -- /proc/[0-9]*; [ \$# -eq 1 ] && exit; sleep 0.1; done
  for p; do [ \$p = /proc/1 ] || echo \"FAIL: still running: \$(tr '\\0' ' ' <\$p/cmdline)\"; done; exit 1"
bare="set -euo pipefail
  cd /root/quadruped; $run_cmd
  [ \$(ls build/demo/*.png | wc -l) -eq 5 ] && [ -s build/demo/demo.gif ] ||
    { echo 'FAIL: the demo did not leave its 5 pictures and demo.gif'; exit 1; }
  cd /root/by-hand; { $build_cmd; } >build.log 2>&1 || { cat build.log; exit 1; }
  for f in build/quadruped build/tools/render_frames build/tools/pose_csv; do
    [ -x \$f ] || { echo \"FAIL: the by-hand build left no \$f\"; exit 1; }; done
  $alone"
# A git tree, since the format and shell-script checks list the tracked files.
# Where the mirror answers 404 for the source of the release's freeglut, the
# Windows build cannot be tried: that is said, and the rest still checked.
full="set -uo pipefail
  cd /root/quadruped; git -c init.defaultBranch=main init -q; git add -A
  $test_cmd --builds-only 2>&1 | tee /root/test.log; status=\${PIPESTATUS[0]}
  left='build/quadruped build-web/web/quadruped.wasm tests/web/node_modules build-windows/quadruped-*-windows-x86_64.zip'
  if [ \$status -ne 0 ]; then
    grep -q '404 *Not Found' /root/test.log && grep -q '^windows.sh: cannot fetch freeglut' /root/test.log || exit \$status
    echo 'fresh-machine: NOT TRIED: the Windows build; the mirror does not serve the source package of this release'\''s freeglut (404)'
    left=\${left% *}
  fi
  for f in \$left; do [ -e \$f ] || { echo \"FAIL: $test_cmd --builds-only left no \$f\"; exit 1; }; done
  $alone"
echo "fresh-machine: Debian $release: $run_cmd and the by-hand build in a bare root, beside $test_cmd --builds-only in one with the test packages"
in_root bare "$cache/base" "$work/bare/upper" "$bare" quadruped by-hand & bare_pid=$!
status=0
in_root full "$cache/tools:$cache/base" "$work/full/upper" "$full" quadruped || status=$?
wait "$bare_pid" || status=$?
[ "$status" -eq 0 ] || { keep=1; fail "the README's commands failed on Debian $release; the roots' changes are left in $work/{bare,full}/upper, their logs in $work"; }
