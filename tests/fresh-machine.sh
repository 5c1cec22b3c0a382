#!/usr/bin/env bash
# The README's commands on a new Debian 12 machine (debootstrap minbase from the
# mirror this machine's apt uses), as root with no display and a bare
# environment: scripts/run.sh installs what it needs and plays its demo, the
# by-hand build works in a fresh copy of the tree, nothing is left running.
# The root and the packages apt fetches for it are kept per machine in CACHE_DIR
# and made again when a week old or when the mirror's Release file changes.
# Each run works on a copy in WORK_DIR, in mount and pid namespaces of its own.
# Needs root; exits 77 (skipped) without it.
# Usage: tests/fresh-machine.sh SOURCE_DIR WORK_DIR [CACHE_DIR (/var/cache/quadruped/fresh-machine)]
set -euo pipefail
src=$(cd "$1" && pwd -P)
work=$(mkdir -p "$2" && cd "$2" && pwd -P)
cache=${3:-/var/cache/quadruped/fresh-machine} root=$work/root keep=""
run_cmd='scripts/run.sh' build_cmd='cmake -S . -B build && cmake --build build'
[ "$(id -u)" -eq 0 ] || { echo "fresh-machine: needs root for debootstrap, chroot and namespaces; skipped"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }
for c in "$run_cmd" "$build_cmd"; do grep -qF "$c" "$src/README.md" || fail "README.md no longer gives '$c'"; done
trap '[ -n "$keep" ] || rm -rf --one-file-system "$root"' EXIT
trap 'exit 130' INT TERM

# shellcheck disable=SC2016 # apt's own field names
mirror=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(TARGET_OF)' |
  awk '$2 == "bookworm" && $3 == "deb" { print $1; exit }')
[ -n "$mirror" ] || fail "no bookworm source in this machine's apt"
mkdir -p "$cache"
exec 9>"$cache/lock" # one run at a time on a machine
flock 9
/usr/lib/apt/apt-helper download-file "${mirror%/}/dists/bookworm/Release" "$cache/Release.now" >/dev/null 2>&1 ||
  fail "cannot fetch the mirror's Release file"
if [ ! -d "$cache/base" ] || ! cmp -s "$cache/Release.now" "$cache/Release" ||
  [ -n "$(find "$cache/Release" -mtime +6)" ]; then
  echo "fresh-machine: making the base root with debootstrap from $mirror"
  rm -rf --one-file-system "$cache/base" "$cache/base.new" "$cache/archives"
  unshare -m debootstrap --variant=minbase bookworm "$cache/base.new" "$mirror" >"$cache/debootstrap.log" 2>&1 ||
    { tail -n 30 "$cache/debootstrap.log"; fail "debootstrap failed"; }
  printf '#!/bin/sh\nexit 101\n' >"$cache/base.new/usr/sbin/policy-rc.d" # no services start
  chmod 755 "$cache/base.new/usr/sbin/policy-rc.d"
  mv "$cache/base.new" "$cache/base"
  mv "$cache/Release.now" "$cache/Release" # its age is the root's
fi

rm -rf --one-file-system "$root"
cp -a "$cache/base" "$root"
mkdir -p "$cache/archives/partial"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
# No /dev/pts in the root: dpkg's output goes straight through, not via a pty.
echo 'Dpkg::Use-Pty "0";' >"$root/etc/apt/apt.conf.d/90no-pty"
# A copy thrown away: dpkg syncs no file and skips manual pages and documents.
printf 'force-unsafe-io\npath-exclude /usr/share/man/*\npath-exclude /usr/share/doc/*\n' >"$root/etc/dpkg/dpkg.cfg.d/90quick"
# The tree as a developer has it: tracked and new files, not ignored ones (the
# build folders) nor ones deleted but not yet committed.
git -C "$src" ls-files -z --cached --others --exclude-standard |
  tar -C "$src" --null --ignore-failed-read -T - -cf "$work/tree.tar" 2>/dev/null
for dir in quadruped by-hand; do mkdir -p "$root/root/$dir"; tar -C "$root/root/$dir" -xf "$work/tree.tar"; done

# Runs as process 1 of the root's pid namespace: at the end it must be alone.
inside="set -euo pipefail
  cd /root/quadruped; $run_cmd
  [ \$(ls build/demo/*.png | wc -l) -eq 5 ] && [ -s build/demo/demo.gif ] ||
    { echo 'FAIL: the demo did not leave its 5 pictures and demo.gif'; exit 1; }
  cd /root/by-hand; { $build_cmd; } >build.log 2>&1 || { cat build.log; exit 1; }
  for f in build/quadruped build/tools/render_frames build/tools/pose_csv; do
    [ -x \$f ] || { echo \"FAIL: the by-hand build left no \$f\"; exit 1; }; done
  for _ in \$(seq 50); do set -- /proc/[0-9]*; [ \$# -eq 1 ] && exit; sleep 0.1; done
  for p; do [ \$p = /proc/1 ] || echo \"FAIL: still running: \$(tr '\\0' ' ' <\$p/cmdline)\"; done; exit 1"
# shellcheck disable=SC2016 # expanded by the inner shell
unshare -m -p -f --kill-child --mount-proc="$root/proc" bash -c 'mount --bind /dev "$1/dev" &&
  mount --bind "$3" "$1/var/cache/apt/archives" &&
  exec chroot "$1" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root bash -c "$2"' \
  fresh "$root" "$inside" "$cache/archives" ||
  { keep=$?; fail "the README's commands failed (status $keep); the root is left at $root"; }
