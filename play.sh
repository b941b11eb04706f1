#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-packages.sh packages-build.txt
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DMIREL_BENCH=OFF >/dev/null
cmake --build build-release -j"$(nproc)" --target mirel
exec ./build-release/mirel
