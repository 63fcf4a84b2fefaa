#!/usr/bin/env bash
# The README's commands as a new user meets them: on a pristine Debian 12
# root (apt, sudo, git and ca-certificates, nothing else), as a user with
# sudo, in a clone of this checkout (what is committed: a clean checkout is
# what a new user gets).
#   fresh-root.sh          the start command, which must get as far as the
#                          window (there is no display, so it ends with
#                          FLTK's "Can't open display"), then the LV2 bundle,
#                          and the Debian package as the README makes it,
#                          installed and removed again
#   fresh-root.sh --test   the test command instead, whole
# Needs root (for mmdebstrap, chroot and mounts) and the machine's package
# mirror, which it reads from the machine's own apt sources and settings.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-start}
[ "$(id -u)" = 0 ] || {
  echo "fresh-root.sh must run as root" >&2
  exit 1
}
command -v mmdebstrap >/dev/null || {
  echo "fresh-root.sh needs mmdebstrap (apt-get install mmdebstrap)" >&2
  exit 1
}

work=$(mktemp -d /tmp/velmora-fresh.XXXXXX)
trap 'rm -rf "$work"' EXIT
root=$work/root log=$work/log
note() { printf '=== fresh root: %s (%d s)\n' "$*" $SECONDS; }
fail() {
  echo "FAIL: $*" >&2
  tail -30 "$log" >&2
  local keep=${TMPDIR:-/tmp}/velmora-fresh-root.log
  cp "$log" "$keep" && echo "the whole log: $keep" >&2
  exit 1
}

# The machine's mirror and apt settings (some mirrors serve snapshots whose
# Release files have expired, which those settings allow for).
sources=()
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list; do
  [ -s "$f" ] && sources+=("$f")
done
aptopts=()
for f in /etc/apt/apt.conf.d/*; do
  grep -q 'Acquire::' "$f" 2>/dev/null && aptopts+=(--aptopt="$f")
done
note "making a pristine Debian 12 root"
mmdebstrap --quiet --variant=apt --include=sudo,ca-certificates,git "${aptopts[@]}" \
  bookworm "$root" "${sources[@]}" >"$log" 2>&1 || fail "mmdebstrap"

# A user as the README expects one: not root, with sudo.
chroot "$root" useradd --create-home --shell /bin/bash player
echo 'player ALL=(ALL) NOPASSWD: ALL' >"$root/etc/sudoers.d/player"
git clone --quiet --no-hardlinks "$PWD" "$root/home/player/velmora"
chroot "$root" chown -R player:player /home/player/velmora

# as_player COMMAND: runs in the clone as the user, without a display, with
# the kernel's file systems mounted in a namespace of its own (so nothing is
# left mounted, whatever happens).
as_player() {
  # Mounts made here stay here. Inside a chroot (this script run by the test
  # command in a fresh root of its own) "/" is no mount point whose
  # propagation could change; that chroot's own namespace keeps them in.
  local propagation=private
  mountpoint -q / || propagation=unchanged
  unshare --mount --propagation $propagation bash -c '
    root=$1 && shift
    mount -t proc proc "$root/proc" && mount --rbind /sys "$root/sys"
    mount --rbind /dev "$root/dev" && mount -t tmpfs tmpfs "$root/dev/shm"
    mount -t tmpfs tmpfs "$root/tmp"
    exec chroot --userspec=player:player "$root" env -i HOME=/home/player USER=player \
      PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 bash -c "cd ~/velmora && $*"' \
    - "$root" "$@" >>"$log" 2>&1
}

if [ "$mode" = --test ]; then
  note "the test command"
  as_player ./scripts/test.sh || fail "the test command"
  note "the test command passed"
  exit 0
fi

note "the start command"
status=0
as_player ./scripts/run.sh || status=$?
grep -q "Can't open display" "$log" && [ "$status" = 1 ] ||
  fail "run.sh did not reach the window (exit code $status)"

note "the LV2 bundle"
as_player cmake --build build --target velmora_lv2 || fail "the LV2 bundle"
[ -f "$root/home/player/velmora/build/lv2/velmora.lv2/velmora.so" ] || fail "no velmora.so"

# The README's package steps, word for word.
note "the Debian package"
steps=$(sed -n '/^## Install and uninstall/,/^To uninstall/p' README.md |
  sed -n '/^```sh$/,/^```$/p' | grep -v '^```' | sed 's/ *#.*//')
[ -n "$steps" ] || fail "no package steps in the README"
as_player "set -e; $(echo "$steps" | paste -sd';')" || fail "the README's package steps"
as_player "velmora-render --help >/dev/null && sudo apt-get remove -y -qq velmora" ||
  fail "the installed package"
note "all README steps work"
