#pragma once
// The folder for the player's own data files, by the XDG base directory rules.

#include <filesystem>
#include <optional>

namespace mirel {

// $XDG_DATA_HOME when it is an absolute path (a relative one is ignored, as
// the rules say), else .local/share in the home folder: $HOME when it is an
// absolute path, else the home the password database gives this user. Nothing
// when neither gives an absolute path.
std::optional<std::filesystem::path> UserDataHome();

}  // namespace mirel
