#!/usr/bin/env bash
# Builds the Windows program and its unit tests with the cross compiler, and
# runs the tests under Wine: the unit tests, and the real program on private
# X servers.
# Extra CMake options may come in MIREL_CMAKE_ARGS, a build folder in
# MIREL_WINDOWS_BUILD_DIR (default build-windows); a Linux build's program in
# MIREL_PARITY_LINUX_PROGRAM adds the parity test, which plays both side by side.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh packages-build.txt packages-windows.txt
build=${MIREL_WINDOWS_BUILD_DIR:-build-windows}
# shellcheck disable=SC2086
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/MingwToolchain.cmake \
  -DCMAKE_BUILD_TYPE=${MIREL_BUILD_TYPE:-RelWithDebInfo} \
  -DMIREL_PARITY_LINUX_PROGRAM="${MIREL_PARITY_LINUX_PROGRAM:-}" ${MIREL_CMAKE_ARGS:-}
cmake --build "$build" -j"$(nproc)"

# A Wine of its own inside the build folder, made on the first run, so no
# user's Wine is touched.
build_path=$(realpath "$build")
export WINEPREFIX="$build_path/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset WAYLAND_DISPLAY
wineserver --kill 2>/dev/null || true
scripts/wine-prefix.sh "$WINEPREFIX"

# Wine's desktop takes the display of the program that starts it, and one
# started without a display opens no window for any program after it. So the
# whole run has a private X server; the smoke tests show the program on X
# servers of their own.
displays=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$displays" >/dev/null 2>&1 &
xvfb=$!
trap 'wineserver --kill 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true; rm -f "$displays"' EXIT
for _ in $(seq 150); do
  [[ -s "$displays" ]] && break
  sleep 0.1
done
[[ -s "$displays" ]] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$displays")"
timeout 900 ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
