#include "ProgramFolder.h"

#include <system_error>

namespace mirel {

namespace {
std::filesystem::path& Folder() {
  // The working folder until the program says otherwise; a working folder
  // that has been deleted must not make the first call throw.
  static std::filesystem::path folder = [] {
    std::error_code ec;
    std::filesystem::path here = std::filesystem::current_path(ec);
    return ec ? std::filesystem::path(".") : here;
  }();
  return folder;
}
}  // namespace

std::filesystem::path ProgramFolder() { return Folder(); }
void SetProgramFolder(const std::filesystem::path& folder) { Folder() = folder; }

}  // namespace mirel
