#pragma once
// The names a save gives its new file while it is written beside the old one:
// hidden (a leading dot), and starting with the process id, so that a later
// run can tell one left by a process that is gone; and the backup names.

#include <cstdint>
#include <optional>

#include "support/CheckedFile.h"

namespace mirel {

// ".<name>.new-<pid>-<counter>-<salt>": unlikely to meet another process's,
// which the exclusive create settles anyway.
EntryName StagingName(const EntryName& name, std::uint64_t pid, unsigned attempt);

// The names an unreadable file is kept under, tried in turn: "<name>.bak",
// then "<name>.bak.2" up to kBackupNames.
inline constexpr int kBackupNames = 99;
EntryName BackupName(const EntryName& name, int n);

// The process id in `entry` when it is a staging name of `name`'s.
std::optional<std::uint64_t> StagingPid(const EntryName& entry, const EntryName& name);

}  // namespace mirel
