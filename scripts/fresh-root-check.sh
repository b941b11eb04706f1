#!/usr/bin/env bash
# Runs a command of the project in a bare Debian 12 root, as a new player's
# machine would: nothing but a minimal system and the committed tree.
#
#   scripts/fresh-root-check.sh                 # ./test.sh
#   scripts/fresh-root-check.sh ./package.sh
#   scripts/fresh-root-check.sh ./play.sh --version
#
# Needs root; installs debootstrap when it is missing. The root is made under
# build-fresh-root/ (or MIREL_FRESH_ROOT) and removed afterwards unless
# MIREL_KEEP_ROOT=1; the system packages debootstrap downloads are kept in
# build-fresh-root-cache/ for the next run. Uncommitted changes are not
# copied: the check is of HEAD.
set -euo pipefail
cd "$(dirname "$0")/.."

[[ $(id -u) -eq 0 ]] || { echo "Run as root: debootstrap and chroot need it." >&2; exit 1; }
scripts/ensure-packages.sh packages-fresh-root.txt

command=("$@")
[[ ${#command[@]} -gt 0 ]] || command=(./test.sh)
suite=bookworm
mirror=${MIREL_MIRROR:-http://deb.debian.org/debian}
root=$(realpath -m "${MIREL_FRESH_ROOT:-build-fresh-root}")
cache=$(realpath -m build-fresh-root-cache)

if [[ -e "$root" ]]; then
  echo "$root exists; remove it first (a half-made root is no fresh machine)." >&2
  exit 1
fi
mkdir -p "$root" "$cache"
cleanup() {
  [[ "${MIREL_KEEP_ROOT:-0}" == 1 ]] && { echo "Root kept in $root"; return; }
  # Mounts live only in the namespace below, so nothing is mounted here now.
  rm -rf --one-file-system "$root"
}
trap cleanup EXIT

started=$SECONDS
echo "== Making a minimal $suite root in $root"
debootstrap --variant=minbase --cache-dir="$cache" "$suite" "$root" "$mirror" >"$root.debootstrap.log" 2>&1 ||
  { tail -n 20 "$root.debootstrap.log" >&2; exit 1; }
rm -f "$root.debootstrap.log"
# The same archive as a Debian 12 install: its updates and security fixes too.
cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror $suite main
deb $mirror $suite-updates main
deb ${MIREL_SECURITY_MIRROR:-http://deb.debian.org/debian-security} $suite-security main
EOF
cp /etc/resolv.conf "$root/etc/resolv.conf"
echo "== System ready after $((SECONDS - started)) s"

mkdir -p "$root/root/mirel"
git archive HEAD | tar -x -C "$root/root/mirel"

# A mount and process namespace of its own: the mounts go, and every process the
# command leaves behind (servers the tests start) dies, when the command ends.
echo "== Running ${command[*]} in the root"
run_started=$SECONDS
set +e
unshare --mount --pid --fork --mount-proc="$root/proc" bash -euc '
  root=$1; shift
  # The root a mount of its own, as on a real machine: tests that make their
  # mounts private (a small tmpfs for a full disk) need "/" to be one.
  mount --rbind "$root" "$root"
  mount --rbind /dev "$root/dev"
  mount --rbind /sys "$root/sys"
  mount -t tmpfs tmpfs "$root/tmp"
  mount -t tmpfs tmpfs "$root/run"
  exec chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    LANG=C.UTF-8 TERM="${TERM:-dumb}" bash -c "cd /root/mirel && exec \"\$@\"" run "$@"
' fresh-root "$root" "${command[@]}"
status=$?
set -e
echo "== ${command[*]} exited with $status after $((SECONDS - run_started)) s ($((SECONDS - started)) s in all)"
exit "$status"
