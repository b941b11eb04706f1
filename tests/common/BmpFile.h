#pragma once
// A plain 24-bit BMP of one colour, written without a picture library, so
// that tests can bring pictures on every system.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

namespace mirel::test {

inline void WriteBmp(const std::filesystem::path& path, int width, int height, std::uint32_t rgb) {
  const std::uint32_t stride = (std::uint32_t(width) * 3 + 3) / 4 * 4;
  const std::uint32_t pixels = stride * std::uint32_t(height);
  std::vector<unsigned char> b(54 + pixels, 0);
  auto put = [&b](std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) b[at + std::size_t(i)] = static_cast<unsigned char>(value >> (8 * i));
  };
  b[0] = 'B', b[1] = 'M';
  put(2, std::uint32_t(b.size()), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, std::uint32_t(width), 4);
  put(22, std::uint32_t(height), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  put(34, pixels, 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) put(54 + std::size_t(y) * stride + std::size_t(x) * 3, rgb & 0xFFFFFF, 3);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

}  // namespace mirel::test
