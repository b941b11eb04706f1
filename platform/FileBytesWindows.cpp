#include <cstdio>

#include "FileBytes.h"

namespace mirel {

// Windows names files in UTF-16; the narrow call would take the ANSI code page.
OpenedFile OpenForReading(const std::filesystem::path& file) { return OpenedFile(::_wfopen(file.c_str(), L"rb")); }

}  // namespace mirel
