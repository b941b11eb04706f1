#pragma once
// A fresh folder under the system's temporary folder, removed with everything in
// it when the object goes.

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

namespace mirel {

class TempFolder {
 public:
  TempFolder() {
    // A name nobody has taken: making the folder fails on one that is.
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::filesystem::path path = base / ("mirel-test-" + std::to_string(random()));
      std::error_code error;
      if (std::filesystem::create_directory(path, error)) {
        path_ = path;
        return;
      }
    }
    throw std::runtime_error("cannot make a temporary folder");
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace mirel
