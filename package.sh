#!/usr/bin/env bash
# Installs what is missing, builds a Release and writes dist/mirel_<version>_<arch>.deb,
# then checks it with lintian.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-packages.sh packages-build.txt packages-package.txt
build=${MIREL_BUILD_DIR:-build-package}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DMIREL_BENCH=OFF -DMIREL_DEBIAN_DOCS=ON
cmake --build "$build" -j"$(nproc)"
cpack --config "$build/CPackConfig.cmake" -B "$PWD/dist"
rm -rf dist/_CPack_Packages
deb=$(ls -t dist/mirel_*.deb | head -n 1)
lintian --fail-on error "$deb"
echo "Wrote $deb"
