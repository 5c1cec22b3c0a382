#!/usr/bin/env bash
# The README's commands on a new Debian 12 machine. Makes a minimal root with
# debootstrap (minbase) from the mirror this machine's apt uses, copies the
# source tree into it and there, as root with no display and a bare
# environment, runs the README's run command, scripts/run.sh (it installs what
# it needs and plays its scripted demo, whose pictures must appear), then the
# README's by-hand build in a fresh copy of the tree.
# The pristine root is made once and kept in WORK_DIR/base; each run works on a
# copy of it, so a rerun costs only the package installs and the builds.
# Needs root (debootstrap, chroot, mount); exits 77 (skipped) without it.
# Usage: tests/fresh-machine.sh SOURCE_DIR WORK_DIR
set -euo pipefail
src=$(cd "$1" && pwd -P)
mkdir -p "$2"
work=$(cd "$2" && pwd -P)
base=$work/base
root=$work/root
run_cmd='scripts/run.sh'
build_cmd='cmake -S . -B build && cmake --build build'

if [ "$(id -u)" -ne 0 ]; then
  echo "fresh-machine: needs root for debootstrap, chroot and mount; skipped"
  exit 77
fi
command -v debootstrap >/dev/null ||
  { echo "fresh-machine: debootstrap is missing (scripts/install-deps.sh fresh)" >&2; exit 1; }
for c in "$run_cmd" "$build_cmd"; do
  grep -qF "$c" "$src/README.md" || { echo "fresh-machine: README.md no longer gives '$c'" >&2; exit 1; }
done

# Mount points below a folder, deepest first.
mounts_below() {
  awk -v d="$1" '$2 == d || index($2, d "/") == 1 { print $2 }' /proc/mounts | sort -r
}
# The ids of the processes running inside a root.
pids_in() {
  local p r
  for p in /proc/[0-9]*; do
    r=$(readlink "$p/root" 2>/dev/null) || continue
    case $r in "$1" | "$1"/*) echo "${p#/proc/}" ;; esac
  done
}
# Ends the processes left running inside a root (by id), then unmounts
# everything below it; true when nothing is mounted there any more.
release() {
  local p m
  for p in $(pids_in "$1"); do
    kill -9 "$p" 2>/dev/null || true
  done
  for m in $(mounts_below "$1"); do
    umount "$m" 2>/dev/null || umount -l "$m" || true
  done
  [ -z "$(mounts_below "$1")" ]
}
# Deletes a root, never while anything is mounted in it.
remove_root() {
  [ -e "$1" ] || return 0
  release "$1" || { echo "fresh-machine: $1 still has mounts; not deleting it" >&2; return 1; }
  rm -rf --one-file-system "$1"
}
keep_root=""
cleanup() {
  release "$root" || echo "fresh-machine: could not unmount everything below $root" >&2
  release "$base.new" || true
  if [ -n "$keep_root" ]; then
    echo "fresh-machine: the root is left at $root for a look; the next run deletes it"
  else
    remove_root "$root" || true
  fi
  remove_root "$base.new" || true
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The first bookworm source of this machine's apt configuration.
find_mirror() {
  local f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    awk '$1 == "deb" {
      i = 2
      if ($2 ~ /^\[/) { # options: [key=value ...]
        while (i < NF && $i !~ /\]$/) i++
        i++
      }
      if ($(i + 1) == "bookworm") { print $i; exit }
    }' "$f"
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk -v RS= -F '\n' '{
      types = uris = suites = ""; enabled = "yes"
      for (i = 1; i <= NF; i++) {
        if ($i ~ /^#/ || index($i, ":") == 0) continue
        key = tolower(substr($i, 1, index($i, ":") - 1))
        value = " " substr($i, index($i, ":") + 1) " "
        gsub(/[ \t]+/, " ", value)
        if (key == "types") types = value
        else if (key == "uris") uris = value
        else if (key == "suites") suites = value
        else if (key == "enabled") enabled = value
      }
      if (types ~ / deb / && suites ~ / bookworm / && enabled !~ / no /) {
        split(uris, u, " ")
        if (u[1] != "") { print u[1]; exit }
      }
    }' "$f"
  done
}

start=$SECONDS
if [ ! -d "$base" ]; then
  mirror=$(find_mirror | head -n 1)
  [ -n "$mirror" ] || { echo "fresh-machine: no bookworm source in /etc/apt" >&2; exit 1; }
  echo "fresh-machine: making the base root with debootstrap from $mirror"
  remove_root "$base.new"
  if ! debootstrap --variant=minbase bookworm "$base.new" "$mirror" >"$work/debootstrap.log" 2>&1; then
    tail -n 30 "$work/debootstrap.log"
    [ -f "$base.new/debootstrap/debootstrap.log" ] && tail -n 30 "$base.new/debootstrap/debootstrap.log"
    echo "fresh-machine: debootstrap failed" >&2
    exit 1
  fi
  release "$base.new"
  # No services start in the root.
  printf '#!/bin/sh\nexit 101\n' >"$base.new/usr/sbin/policy-rc.d"
  chmod 755 "$base.new/usr/sbin/policy-rc.d"
  mv "$base.new" "$base"
  echo "fresh-machine: base root made in $((SECONDS - start)) s"
else
  echo "fresh-machine: using the base root in $base"
fi

t=$SECONDS
remove_root "$root"
cp -a "$base" "$root"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
# No /dev/pts in the root: dpkg's output goes straight through, not via a pty.
echo 'Dpkg::Use-Pty "0";' >"$root/etc/apt/apt.conf.d/90no-pty"

# The tree as a developer has it: tracked and new files (not ignored ones such
# as the build folders); on a clean clone that is the commit itself.
copy_tree() { # destination
  mkdir -p "$1"
  if git -C "$src" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git -C "$src" ls-files -z --cached --others --exclude-standard |
      while IFS= read -r -d '' f; do
        if [ -e "$src/$f" ] || [ -L "$src/$f" ]; then printf '%s\0' "$f"; fi
      done |
      tar -C "$src" --null -T - -cf - | tar -C "$1" -xf -
  else
    tar -C "$src" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$1" -xf -
  fi
}
copy_tree "$root/root/quadruped"
copy_tree "$root/root/by-hand"
echo "fresh-machine: root copied and the tree put in it in $((SECONDS - t)) s"

# What runs in the root, as root, with no display and a bare environment.
inside="
  set -euo pipefail
  cd /root/quadruped
  start=\$SECONDS
  $run_cmd
  echo \"fresh-machine: '$run_cmd' took \$((SECONDS - start)) s\"
  ls build/demo/*.png build/demo/demo.gif >/dev/null
  [ \$(ls build/demo/*.png | wc -l) -eq 5 ] || { echo 'fresh-machine: expected 5 demo pictures' >&2; exit 1; }
  [ -s build/demo/demo.gif ] || { echo 'fresh-machine: empty demo.gif' >&2; exit 1; }
  cd /root/by-hand
  start=\$SECONDS
  { $build_cmd; } >build.log 2>&1 || { cat build.log; exit 1; }
  for f in build/quadruped build/tools/render_frames build/tools/pose_csv; do
    [ -x \$f ] || { echo \"fresh-machine: the by-hand build left no \$f\" >&2; exit 1; }
  done
  echo \"fresh-machine: '$build_cmd' took \$((SECONDS - start)) s\"
"
t=$SECONDS
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
# In the background, so that INT and TERM are handled at once, not only after it.
chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root bash -c "$inside" &
status=0
wait $! || status=$?
# The scripts must not leave anything running (the demo's Xvfb, the program).
for _ in $(seq 50); do
  [ -z "$(pids_in "$root")" ] && break
  sleep 0.1
done
for p in $(pids_in "$root"); do
  echo "fresh-machine: still running in the root: $p $(tr '\0' ' ' <"/proc/$p/cmdline" 2>/dev/null || true)"
  status=1
done
release "$root" || { echo "fresh-machine: could not unmount below $root" >&2; status=1; }
echo "fresh-machine: the chroot run took $((SECONDS - t)) s; $((SECONDS - start)) s in all"

if [ "$status" -ne 0 ]; then
  keep_root=1
  echo "FAIL: the README's commands failed on a new Debian 12 root (status $status)"
  exit 1
fi
echo "fresh-machine: '$run_cmd' and '$build_cmd' work on a new Debian 12 root"
