#pragma once
// A small file's bytes, read whole, without iostreams (see Diagnostics.h).

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace mirel {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using OpenedFile = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file for reading in binary; null when it cannot be. (Each system
// names its files its own way: FileBytesPosix.cpp, FileBytesWindows.cpp.)
OpenedFile OpenForReading(const std::filesystem::path& file);

// The whole file, or nothing when it cannot be read or holds more than limit bytes.
inline std::optional<std::string> ReadFileBytes(const std::filesystem::path& file, std::uintmax_t limit) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(file, error);
  if (error || size > limit) return std::nullopt;
  const OpenedFile in = OpenForReading(file);
  if (!in) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(size), '\0');
  if (std::fread(bytes.data(), 1, bytes.size(), in.get()) != bytes.size()) return std::nullopt;
  return bytes;
}

}  // namespace mirel
