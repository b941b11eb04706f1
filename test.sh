#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
# Extra CMake options may come in MIREL_CMAKE_ARGS, a build folder in MIREL_BUILD_DIR.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-packages.sh packages-build.txt packages-test.txt packages-web.txt
build=${MIREL_BUILD_DIR:-build}
# The web page, which the Linux build's tests open in a browser.
scripts/web-build.sh build-web
# shellcheck disable=SC2086
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=${MIREL_BUILD_TYPE:-RelWithDebInfo} -DMIREL_WEB_PAGE="$PWD/build-web/web" \
  ${MIREL_CMAKE_ARGS:-}
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
