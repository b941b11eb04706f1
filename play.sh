#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it. Run with sudo, only
# the installing is done as root: the game is built and played as the player
# who called sudo, so it never writes as root where others may plant files.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-packages.sh packages-build.txt

if [[ $(id -u) -eq 0 && -n "${SUDO_USER:-}" && "$SUDO_USER" != root ]]; then
  # The player's own sound server lives in their runtime folder, which sudo
  # does not pass on; their display does come through.
  runtime=/run/user/$(id -u "$SUDO_USER")
  as_player=(runuser -u "$SUDO_USER" -- env "XDG_RUNTIME_DIR=$runtime")
  [[ -d "$runtime" ]] || as_player=(runuser -u "$SUDO_USER" -- env -u XDG_RUNTIME_DIR)
  # A checkout the player cannot write (or a build folder root made before)
  # is built here, as root; the game still runs as the player.
  if "${as_player[@]}" test -w . -a \( ! -e build-release -o -w build-release \); then
    exec "${as_player[@]}" "$PWD/play.sh" "$@"
  fi
  building_as_root=1
elif [[ $(id -u) -eq 0 ]]; then
  echo "The game runs as root, as nobody called this through sudo." >&2
fi

cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DMIREL_BENCH=OFF >/dev/null
cmake --build build-release -j"$(nproc)" --target mirel
if [[ -n "${building_as_root:-}" ]]; then
  exec "${as_player[@]}" ./build-release/mirel
fi
exec ./build-release/mirel
