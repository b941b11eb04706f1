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

// The record file read from where it belongs (beside the program when
// besideProgram, else in the player's data folder) and the two sounds of
// the program folder registered.
std::unique_ptr<Zentik11> OpenLibrary(MciInterpreter& mci, const std::filesystem::path& programFolder,
                                      bool besideProgram);

// Saves the records and closes the sounds; a failed save is shown in a
// message box before the program ends, which a player who started the game
// from a menu would otherwise never learn of.
void CloseLibrary(Zentik11& lib, Host& host);

// The message box's text for a failed save.
std::string SaveFailureText(const SaveFailure& failure);

}  // namespace mirel
