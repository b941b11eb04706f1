#include "ExecutableFolder.h"

namespace mirel {

// The page puts the program's files (its sounds, the record file) into this
// folder of the module's memory file system before the program starts.
std::filesystem::path ExecutableFolder() { return "/mirel"; }

}  // namespace mirel
