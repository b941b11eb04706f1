#!/usr/bin/env bash
# Builds the .deb of the last commit twice, from two fresh clones at different
# paths made at different times, and fails unless both are byte for byte the
# same. Usage: scripts/reproducible-check.sh [work folder, kept afterwards]
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
work=${1:-$(mktemp -d)}
mkdir -p "$work"

for n in 1 2; do
  rm -rf "$work/clone-$n"
  git clone -q --no-hardlinks "$repo" "$work/clone-$n"
  # A different umask and clock for each build: neither may reach the package.
  (umask $((n == 1 ? 022 : 002)); cd "$work/clone-$n" && ./package.sh) > "$work/build-$n.log" 2>&1 ||
    { echo "The build in clone $n failed; its log: $work/build-$n.log" >&2; exit 1; }
done

sums=()
for n in 1 2; do
  sums+=("$(sha256sum "$work"/clone-$n/dist/mirel_*.deb | cut -d' ' -f1)")
  echo "build $n: ${sums[-1]}"
done
if [[ ${sums[0]} != "${sums[1]}" ]]; then
  echo "The two packages differ; compare $work/clone-1/dist and $work/clone-2/dist" >&2
  exit 1
fi
echo "Both builds give the same package"
