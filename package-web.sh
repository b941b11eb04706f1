#!/usr/bin/env bash
# Installs what is missing, builds the web page and writes what a web server
# serves to dist/mirel-<version>-web/: the page, its scripts, the module, the
# sounds and the label font. Any static web server will do.
# A build folder may come in MIREL_WEB_PACKAGE_DIR (default build-web).
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-packages.sh packages-web.txt
build=${MIREL_WEB_PACKAGE_DIR:-build-web}
umask 022
scripts/web-build.sh "$build"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[[ -n $version ]] || { echo "No project version in $build/CMakeCache.txt" >&2; exit 1; }
out=dist/mirel-$version-web
rm -rf "$out"
cmake --install "$build" --prefix "$out"
echo "Wrote $out/"
