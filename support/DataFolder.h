#pragma once
// The folder for the player's own data files: by the XDG base directory rules
// on Linux, the local application data folder on Windows.

#include <filesystem>
#include <optional>

namespace mirel {

// $XDG_DATA_HOME when it is an absolute path (a relative one is ignored, as
// the rules say), else .local/share in the home folder: $HOME when it is an
// absolute path, else the home the password database gives this user. Nothing
// when neither gives an absolute path.
// (Linux only.)
std::optional<std::filesystem::path> UserDataHome();

// The game's own folder in there: "mirel" in UserDataHome() on Linux, "Mirel"
// in the player's local application data folder on Windows. Nothing when the
// system names no such folder.
std::optional<std::filesystem::path> GameDataFolder();

}  // namespace mirel
