#pragma once
// The support library over one run of the game, the same on every system:
// opened at the start with the record file and the two sounds, closed at the
// end with the player told when the records could not be saved.

#include <filesystem>
#include <memory>
#include <string>

#include "platform/Host.h"
#include "support/Zentik11.h"

namespace mirel {

class MciInterpreter;

// The record file read from where it belongs and the two sounds of the
// program folder registered. The record file lies beside a copy of the
// program in a folder the player may write, as a portable copy keeps it,
// unless the folder is an installed copy's (it ends in installLayout, such as
// lib/games/mirel; empty where installs have no fixed layout); else in the
// player's data folder.
std::unique_ptr<Zentik11> OpenLibrary(MciInterpreter& mci, const std::filesystem::path& programFolder,
                                      const std::filesystem::path& installLayout);

// Saves the records and closes the sounds; a failed save is shown in a
// message box before the program ends, which a player who started the game
// from a menu would otherwise never learn of.
void CloseLibrary(Zentik11& lib, Host& host);

// The message box's text for a failed save.
std::string SaveFailureText(const SaveFailure& failure);

}  // namespace mirel
