#include "support/StagingName.h"

#include <atomic>
#include <random>
#include <string>

namespace mirel {
namespace {

EntryName Native(const std::string& ascii) { return EntryName(ascii.begin(), ascii.end()); }

EntryName StagingPrefix(const EntryName& name) { return Native(".") + name + Native(".new-"); }

}  // namespace

EntryName StagingName(const EntryName& name, std::uint64_t pid, unsigned attempt) {
  static std::atomic<unsigned> counter{0};
  static const unsigned salt = std::random_device{}();
  return StagingPrefix(name) + Native(std::to_string(pid) + "-" + std::to_string(counter++) + "-" +
                                      std::to_string(salt ^ (attempt * 2654435761u)));
}

EntryName BackupName(const EntryName& name, int n) {
  return name + Native(n == 1 ? std::string(".bak") : ".bak." + std::to_string(n));
}

std::optional<std::uint64_t> StagingPid(const EntryName& entry, const EntryName& name) {
  const EntryName prefix = StagingPrefix(name);
  if (entry.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  // Then three runs of digits joined by "-".
  std::uint64_t pid = 0;
  std::size_t at = prefix.size();
  for (int field = 0; field < 3; ++field) {
    const std::size_t start = at;
    std::uint64_t number = 0;
    for (; at < entry.size() && entry[at] >= '0' && entry[at] <= '9'; ++at) {
      if (number > (UINT64_MAX - 9) / 10) return std::nullopt;
      number = number * 10 + static_cast<std::uint64_t>(entry[at] - '0');
    }
    if (at == start) return std::nullopt;
    if (field == 0) pid = number;
    if (field < 2) {
      if (at == entry.size() || entry[at] != '-') return std::nullopt;
      ++at;
    }
  }
  if (at != entry.size() || pid == 0) return std::nullopt;
  return pid;
}

}  // namespace mirel
