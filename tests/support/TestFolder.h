#pragma once
// A fresh folder per test for the record file, and whole-file reads and writes.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "tests/common/TempFolder.h"

namespace mirel::test {

// The shared temporary folder, with the names of the record file and its backup.
class TestFolder : public TempFolder {
 public:
  std::filesystem::path RecordFile() const { return Path() / "Mirel.mtt"; }
  std::filesystem::path Backup() const { return Path() / "Mirel.mtt.bak"; }
};

inline std::string Slurp(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();  // a missing file reads as empty
  return bytes.str();
}

inline void Spit(const std::filesystem::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace mirel::test
