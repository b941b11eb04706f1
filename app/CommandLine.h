#pragma once
// What the command line asks for. The game takes no arguments of its own but
// the usual --help and --version; Qt's own options pass through to Qt.

#include <string>
#include <vector>

namespace mirel {

enum class StartAs { Game, Help, Version, Refused };

struct CommandLine {
  StartAs start = StartAs::Game;
  std::string refused;  // the argument that is neither ours nor Qt's
};

// args are the arguments after the program's name.
CommandLine ReadCommandLine(const std::vector<std::string>& args);

// What --help prints: usage in English with the game's own name.
std::string UsageText();
// The line standard error gets for a refused argument.
std::string RefusalText(const std::string& argument);

// Exit codes: a refused argument is a usage error.
inline constexpr int kUsageExitCode = 2;

}  // namespace mirel
