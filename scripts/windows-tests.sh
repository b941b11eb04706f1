#!/usr/bin/env bash
# Builds the Windows program's portable part and its unit tests with the
# cross compiler, and runs the tests under Wine. Needs no display.
# Extra CMake options may come in MIREL_CMAKE_ARGS, a build folder in
# MIREL_WINDOWS_BUILD_DIR (default build-windows).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh packages-build.txt packages-windows.txt
build=${MIREL_WINDOWS_BUILD_DIR:-build-windows}
# shellcheck disable=SC2086
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/MingwToolchain.cmake \
  -DCMAKE_BUILD_TYPE=${MIREL_BUILD_TYPE:-RelWithDebInfo} ${MIREL_CMAKE_ARGS:-}
cmake --build "$build" -j"$(nproc)"

# A Wine of its own inside the build folder, made on the first run, so no
# user's Wine is touched. Quiet, and never waiting on a question: without a
# display no window can open, and the .NET and browser engine installs that
# a new prefix offers are turned off.
build_path=$(realpath "$build")
export WINEPREFIX="$build_path/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  timeout 300 wineboot --init
  timeout 60 wineserver --wait
fi
status=0
timeout 900 ctest --test-dir "$build" --output-on-failure -j"$(nproc)" || status=$?
# The prefix's server outlives the tests for a while; end it now.
wineserver --kill || true
exit "$status"
