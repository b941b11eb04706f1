#!/usr/bin/env bash
# Builds the .deb of the last commit (or of an unpacked source tree) twice,
# from two fresh copies at different paths, at different times and under
# different umasks, time zones and locales, and fails unless both are byte for
# byte the same.
# Usage: scripts/reproducible-check.sh [work folder, kept afterwards]
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
work=${1:-}
if [[ -z $work ]]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT  # a folder of its own goes; one given is kept
fi
mkdir -p "$work"

masks=(022 002)
zones=(UTC Pacific/Kiritimati)
locales=(C.UTF-8 C)
for n in 1 2; do
  rm -rf "$work/clone-$n"
  if git -C "$repo" rev-parse --git-dir >/dev/null 2>&1; then
    git clone -q --no-hardlinks "$repo" "$work/clone-$n"
  else  # an unpacked source tree: its files, without what earlier builds left
    mkdir -p "$work/clone-$n"
    tar -C "$repo" --exclude='./build*' --exclude=./dist -c . | tar -C "$work/clone-$n" -x
  fi
  # A different umask, clock, time zone and locale for each build: none may
  # reach the package.
  (umask "${masks[n - 1]}" && cd "$work/clone-$n" &&
    TZ=${zones[n - 1]} LC_ALL=${locales[n - 1]} ./package.sh) > "$work/build-$n.log" 2>&1 ||
    { tail -n 40 "$work/build-$n.log" >&2; echo "The build in copy $n failed" >&2; exit 1; }
done

sums=()
for n in 1 2; do
  sums+=("$(sha256sum "$work"/clone-$n/dist/mirel_*.deb | cut -d' ' -f1)")
  echo "build $n: ${sums[-1]}"
done
if [[ ${sums[0]} != "${sums[1]}" ]]; then
  echo "The two packages differ; run again with a folder to keep, and compare their dist/ folders" >&2
  exit 1
fi
echo "Both builds give the same package"
