#pragma once
// Lines for whoever watches the program's error output: problems the player
// is not asked about, each a line of its own after the program's name, as
// every program's lines on a shared standard error should be. C's stdio, not
// iostreams, which would bring the C++ library's whole locale machinery into
// the Windows program for a few lines.

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/Utf8Path.h"

namespace mirel {

inline void Diagnose(const std::string& line) { std::fprintf(stderr, "mirel: %s\n", line.c_str()); }

// A path as the lines show it: in double quotes.
inline std::string Quoted(const std::filesystem::path& path) {
  std::string quoted(1, '"');
  quoted += Utf8FromPath(path);
  quoted += '"';
  return quoted;
}

}  // namespace mirel
