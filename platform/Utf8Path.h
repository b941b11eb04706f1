#pragma once
// Paths to and from the UTF-8 text the game keeps in memory. A plain string
// makes a path in the system's own narrow encoding, which on Windows is the
// ANSI code page, not UTF-8.

#include <filesystem>
#include <string>
#include <string_view>

namespace mirel {

inline std::filesystem::path PathFromUtf8(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace mirel
