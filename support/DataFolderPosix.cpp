#include "support/DataFolder.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

namespace mirel {
namespace {

namespace fs = std::filesystem;

std::optional<fs::path> AbsoluteFrom(const char* text) {
  if (!text || !fs::path(text).is_absolute()) return std::nullopt;
  return fs::path(text);
}

// A root started without HOME (by a service manager, or `env -i`) would
// otherwise keep its files in "/.local/share".
std::optional<fs::path> HomeFromPasswordDatabase() {
  const long hint = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(hint > 0 ? static_cast<std::size_t>(hint) : 16384);
  for (;;) {
    passwd entry{};
    passwd* found = nullptr;
    const int error = ::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found);
    if (error == ERANGE && buffer.size() < (std::size_t(1) << 20)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (error != 0 || !found) return std::nullopt;
    return AbsoluteFrom(found->pw_dir);
  }
}

}  // namespace

std::optional<fs::path> UserDataHome() {
  if (std::optional<fs::path> data = AbsoluteFrom(std::getenv("XDG_DATA_HOME"))) return data;
  std::optional<fs::path> home = AbsoluteFrom(std::getenv("HOME"));
  if (!home) home = HomeFromPasswordDatabase();
  if (!home) return std::nullopt;
  return *home / ".local" / "share";
}

}  // namespace mirel

namespace mirel {

std::optional<std::filesystem::path> GameDataFolder() {
  const std::optional<std::filesystem::path> home = UserDataHome();
  if (!home) return std::nullopt;
  return *home / "mirel";
}

}  // namespace mirel
