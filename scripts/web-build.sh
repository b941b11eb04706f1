#!/usr/bin/env bash
# Builds the web page with Debian's emscripten into a build folder (the first
# argument, build-web unless given); the page's files end up in its web/.
# Debian's configuration of the compiler freezes its cache of system
# libraries, which are built into that cache on first use: ours is a copy
# that keeps the cache in the build folder, writable. NODE_PATH lets a Node
# other than Debian's find Debian's JavaScript modules (acorn).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-web}
mkdir -p "$build"
build=$(cd "$build" && pwd)
config="$build/emscripten-config.py"
grep -v '^FROZEN_CACHE' /usr/share/emscripten/.emscripten >"$config"
echo "CACHE = '${MIREL_EMSCRIPTEN_CACHE:-$build/emscripten-cache}'" >>"$config"
export EM_CONFIG="$config" NODE_PATH=/usr/share/nodejs
emcmake cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DMIREL_BENCH=OFF -DMIREL_WERROR=ON
cmake --build "$build" -j"$(nproc)"
