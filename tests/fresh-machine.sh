#!/usr/bin/env bash
# The README's commands on a new Debian 12 machine: in a minimal root made with
# debootstrap (minbase) from the mirror this machine's apt uses, as root with no
# display and a bare environment, scripts/run.sh must install what it needs and
# play its scripted demo, and the by-hand build must work in a fresh copy of the
# tree; nothing may be left running. The root is made once into WORK_DIR/base;
# each run works on a copy. Needs root; exits 77 (skipped) without it.
# Usage: tests/fresh-machine.sh SOURCE_DIR WORK_DIR
set -euo pipefail
src=$(cd "$1" && pwd -P)
work=$(mkdir -p "$2" && cd "$2" && pwd -P)
base=$work/base root=$work/root keep=""
run_cmd='scripts/run.sh' build_cmd='cmake -S . -B build && cmake --build build'
[ "$(id -u)" -eq 0 ] || { echo "fresh-machine: needs root for debootstrap, chroot and mount; skipped"; exit 77; }
for c in "$run_cmd" "$build_cmd"; do
  grep -qF "$c" "$src/README.md" || { echo "FAIL: README.md no longer gives '$c'"; exit 1; }
done

# release ROOT: ends what still runs inside ROOT (by pid) and unmounts all below
# it, deepest first; true when nothing is mounted there any more.
mounts_below() { awk -v d="$1" '$2 == d || index($2, d "/") == 1 { print $2 }' /proc/mounts | sort -r; }
pids_in() {
  local p
  for p in /proc/[0-9]*; do
    case $(readlink "$p/root" 2>/dev/null) in "$1" | "$1"/*) echo "${p#/proc/}" ;; esac
  done
}
release() {
  local x
  for x in $(pids_in "$1"); do kill -9 "$x" 2>/dev/null || true; done
  for x in $(mounts_below "$1"); do umount "$x" 2>/dev/null || umount -l "$x" || true; done
  [ -z "$(mounts_below "$1")" ]
}
# A root is never deleted while anything is mounted in it.
remove_root() {
  [ -e "$1" ] || return 0
  release "$1" || { echo "fresh-machine: $1 still has mounts; not deleting it" >&2; return 1; }
  rm -rf --one-file-system "$1"
}
trap 'remove_root "$base.new" || true; [ -n "$keep" ] || remove_root "$root" || true' EXIT
trap 'exit 130' INT TERM

if [ ! -d "$base" ]; then
  # shellcheck disable=SC2016 # apt's own field names
  mirror=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(TARGET_OF)' |
    awk '$2 == "bookworm" && $3 == "deb" { print $1; exit }')
  [ -n "$mirror" ] || { echo "FAIL: no bookworm source in this machine's apt"; exit 1; }
  echo "fresh-machine: making the base root with debootstrap from $mirror"
  remove_root "$base.new"
  debootstrap --variant=minbase bookworm "$base.new" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { tail -n 30 "$work/debootstrap.log"; echo "FAIL: debootstrap failed"; exit 1; }
  release "$base.new"
  # No services start in the root.
  printf '#!/bin/sh\nexit 101\n' >"$base.new/usr/sbin/policy-rc.d"
  chmod 755 "$base.new/usr/sbin/policy-rc.d"
  mv "$base.new" "$base"
fi

remove_root "$root"
cp -a "$base" "$root"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
# No /dev/pts in the root: dpkg's output goes straight through, not via a pty.
echo 'Dpkg::Use-Pty "0";' >"$root/etc/apt/apt.conf.d/90no-pty"
# The tree as a developer has it: tracked and new files, not ignored ones (the
# build folders) nor ones deleted but not yet committed.
git -C "$src" ls-files -z --cached --others --exclude-standard |
  tar -C "$src" --null --ignore-failed-read -T - -cf "$work/tree.tar" 2>/dev/null
for dir in quadruped by-hand; do mkdir -p "$root/root/$dir"; tar -C "$root/root/$dir" -xf "$work/tree.tar"; done

inside="set -euo pipefail
  cd /root/quadruped; $run_cmd
  [ \$(ls build/demo/*.png | wc -l) -eq 5 ] && [ -s build/demo/demo.gif ] ||
    { echo 'FAIL: the demo did not leave its 5 pictures and demo.gif'; exit 1; }
  cd /root/by-hand; { $build_cmd; } >build.log 2>&1 || { cat build.log; exit 1; }
  for f in build/quadruped build/tools/render_frames build/tools/pose_csv; do
    [ -x \$f ] || { echo \"FAIL: the by-hand build left no \$f\"; exit 1; }; done"
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
# In the background, so that INT and TERM are handled at once.
chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root bash -c "$inside" &
status=0; wait $! || status=$?
# Nothing may be left running (the demo's Xvfb, the program).
for _ in $(seq 50); do [ -z "$(pids_in "$root")" ] && break; sleep 0.1; done
for p in $(pids_in "$root"); do
  echo "FAIL: still running in the root: $(tr '\0' ' ' <"/proc/$p/cmdline" 2>/dev/null || true)"; status=1
done
release "$root" || { echo "FAIL: could not unmount below $root"; status=1; }
[ "$status" -eq 0 ] || { keep=1; echo "FAIL: the README's commands failed (status $status); the root is left at $root"; exit 1; }
echo "fresh-machine: '$run_cmd' and '$build_cmd' work on a new Debian 12 root"
