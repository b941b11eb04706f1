#include "FileBytes.h"

namespace mirel {

OpenedFile OpenForReading(const std::filesystem::path& file) { return OpenedFile(std::fopen(file.c_str(), "rb")); }

}  // namespace mirel
