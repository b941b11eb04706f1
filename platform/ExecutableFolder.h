#pragma once
// The folder that holds the program, where its sounds and decoder module lie
// and, in a copy of its own, the record file. Asked once by the start, which
// hands it on; tests hand on a folder of their own.

#include <filesystem>

namespace mirel {

// The folder of the running executable itself, found without Qt, so it can be
// asked before the application object exists.
std::filesystem::path ExecutableFolder();

}  // namespace mirel
