#!/usr/bin/env bash
# Installs what is missing, cross-compiles a Release of the Windows program
# and writes, from one staged folder:
#   dist/mirel-<version>-win64.zip        the portable folder
#   dist/mirel-<version>-win64-setup.exe  the installer (per user, no administrator)
# A build folder may come in MIREL_WINDOWS_PACKAGE_DIR (default build-windows-package).
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-packages.sh packages-build.txt packages-windows.txt
build=${MIREL_WINDOWS_PACKAGE_DIR:-build-windows-package}
# The player's umask must not reach the packages' files.
umask 022

# The same commit makes the same bytes: every time in the packages is the
# last commit's (or, outside a checkout, the changelog's).
if [[ -z ${SOURCE_DATE_EPOCH:-} ]]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || dpkg-parsechangelog -l packaging/changelog -STimestamp)
fi
export SOURCE_DATE_EPOCH

# The checkout's path stays out of the program, so any clone builds the same.
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/MingwToolchain.cmake -DCMAKE_BUILD_TYPE=Release \
  -DBUILD_TESTING=OFF "-DCMAKE_CXX_FLAGS=-ffile-prefix-map=$PWD=."
cmake --build "$build" -j"$(nproc)"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[[ -n $version ]] || { echo "No project version in $build/CMakeCache.txt" >&2; exit 1; }

# The folder both packages hold, named as it unpacks; every file dated by the
# commit, since the zip and the installer both keep the files' times.
build_path=$(realpath "$build")
stage=$build_path/stage
rm -rf "$stage"
cmake --install "$build" --prefix "$stage/Mirel" --strip
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
mapfile -t files < <(cd "$stage/Mirel" && find . -type f -printf '%P\n' | LC_ALL=C sort)
# The installer's lists below name files in the one folder only.
[[ ${files[*]} != */* ]] || { echo "The staged folder has subfolders: ${files[*]}" >&2; exit 1; }

# The installer installs and its uninstaller deletes exactly the staged files.
{
  echo '!macro MIREL_INSTALL_FILES'
  printf '  File "%s"\n' "${files[@]/#/$stage/Mirel/}"
  echo '!macroend'
  echo '!macro MIREL_DELETE_FILES'
  # shellcheck disable=SC2016  # NSIS expands $INSTDIR
  printf '  Delete "$INSTDIR\\%s"\n' "${files[@]}"
  echo '!macroend'
} >"$build_path/files.nsh"

mkdir -p dist
zip=$PWD/dist/mirel-$version-win64.zip
setup=$PWD/dist/mirel-$version-win64-setup.exe
rm -f "$zip" "$setup"
# Info-ZIP's zip, since cmake -E tar writes each file's change time and owner
# whatever --mtime says: -X leaves out owners and every time but the
# modification time (written as local time, hence UTC), -D the folder entries.
(cd "$stage" && TZ=UTC zip -X -D -q -9 "$zip" "${files[@]/#/Mirel/}")
# Windows wants four numbers in a version resource.
IFS=. read -r major minor patch tweak <<<"$version"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" \
  -DVERSION4="$major.${minor:-0}.${patch:-0}.${tweak:-0}" \
  -DFILES="$build_path/files.nsh" -DOUTFILE="$setup" packaging/windows/mirel.nsi
echo "Wrote dist/${zip##*/} and dist/${setup##*/}"
