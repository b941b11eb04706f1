#pragma once
// The folder that holds the program, where its sounds lie and, in a copy of
// its own, the record file.
// Set once at start-up; tests point it at a folder of their own.

#include <filesystem>

namespace mirel {

std::filesystem::path ProgramFolder();
void SetProgramFolder(const std::filesystem::path& folder);
// The folder of the running executable itself, found without Qt, so it can be
// asked before the application object exists.
std::filesystem::path ExecutableFolder();

}  // namespace mirel
