#!/usr/bin/env bash
# Installs what is missing, builds a Release and writes dist/mirel_<version>_<arch>.deb,
# then checks it with lintian.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-packages.sh packages-build.txt packages-package.txt
build=${MIREL_BUILD_DIR:-build-package}
# As Debian's own package builds do: the player's umask must not reach the
# package's folders.
umask 022

# The same commit makes the same bytes: every time in the package is the last
# commit's (or, outside a checkout, the changelog's).
if [[ -z ${SOURCE_DATE_EPOCH:-} ]]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || dpkg-parsechangelog -l packaging/changelog -STimestamp)
fi
export SOURCE_DATE_EPOCH

# Debian's own build flags, every hardening feature on: fortified functions,
# stack protector, full RELRO with immediate binding. Given on the command
# line, so a kept build folder cannot hold on to older ones.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DMIREL_BENCH=OFF -DMIREL_DEBIAN_DOCS=ON \
  "-DCMAKE_CXX_FLAGS=$cxxflags" "-DCMAKE_EXE_LINKER_FLAGS=$ldflags" \
  "-DCMAKE_MODULE_LINKER_FLAGS=$ldflags" "-DCMAKE_SHARED_LINKER_FLAGS=$ldflags"
cmake --build "$build" -j"$(nproc)"
cpack --config "$build/CPackConfig.cmake" -B "$PWD/dist"
rm -rf dist/_CPack_Packages
deb=$(ls -t dist/mirel_*.deb | head -n 1)
# Every tag fails it, the pedantic and informational ones too.
lintian --pedantic --display-info --fail-on error,warning,info,pedantic "$deb"
echo "Wrote $deb"
