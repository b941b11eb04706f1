#pragma once
// The folder that holds the program, where its sounds and record file live.
// Set once at start-up; tests point it at a folder of their own.

#include <filesystem>

namespace mirel {

std::filesystem::path ProgramFolder();
void SetProgramFolder(const std::filesystem::path& folder);

}  // namespace mirel
