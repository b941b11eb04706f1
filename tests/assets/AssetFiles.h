#pragma once
// Reading the committed asset files byte by byte, as the game's loaders and the
// sound device see them.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace mirel::test {

using Bytes = std::vector<std::uint8_t>;

inline std::filesystem::path SourceAssets() { return MIREL_SOURCE_ASSETS; }

inline Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline std::uint32_t U16(const Bytes& b, std::size_t at) {
  return std::uint32_t{b.at(at)} | std::uint32_t{b.at(at + 1)} << 8;
}
inline std::uint32_t U32(const Bytes& b, std::size_t at) { return U16(b, at) | (U16(b, at + 2) << 16); }
inline std::int32_t S32(const Bytes& b, std::size_t at) { return static_cast<std::int32_t>(U32(b, at)); }
inline std::string Tag(const Bytes& b, std::size_t at) {
  const auto from = b.begin() + static_cast<std::ptrdiff_t>(at);
  return std::string(from, from + 4);
}

}  // namespace mirel::test
