// The save policy every system shares, over the steps of support/SaveSteps.h.

#include "support/AtomicSave.h"

#include <utility>

#include "support/SaveMessages.h"
#include "support/SaveSteps.h"
#include "support/StagingName.h"

namespace mirel {

StagedFile::StagedFile(const CheckedFile& place, EntryName staged) : place_(&place), staged_(std::move(staged)) {}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : place_(other.place_), staged_(std::exchange(other.staged_, {})) {}

StagedFile::~StagedFile() {
  if (!staged_.empty()) save::Remove(*place_, staged_);
}

Result<StagedFile> StagedFile::Write(const CheckedFile& place, std::string_view bytes, bool keepOwnerAndMode) {
  if (const Status<> held = save::FolderHeld(place); !held) return Result<StagedFile>::Failed(held.Why());
  Result<EntryName> staged = save::WriteStaged(place, bytes, keepOwnerAndMode);
  if (!staged) return Result<StagedFile>::Failed(staged.Why());
  return StagedFile(place, std::move(*staged));
}

Status<> StagedFile::Commit(std::optional<FileIdentity> expected) {
  const EntryName& name = place_->Name();
  if (expected) {
    // Looked at just before the rename. Between the two only someone who may
    // write this folder could put another entry under the name, and the
    // rename would then replace that entry alone, never what it points to:
    // nothing they could not remove themselves.
    if (!save::StillThere(*place_, name, *expected)) return Status<>::Failed(kTakenMeanwhile);
    if (const Status<save::StepError> renamed = save::RenameOver(*place_, staged_, name); !renamed)
      return Status<>::Failed(renamed.Why().text);
  } else if (const Status<save::StepError> renamed = save::RenameNoReplace(*place_, staged_, name); !renamed) {
    return Status<>::Failed(renamed.Why().taken ? kTakenMeanwhile : renamed.Why().text);
  }
  staged_.clear();
  save::SyncFolder(*place_);
  return kDone;
}

Result<EntryName> MoveAside(const CheckedFile& place) {
  const std::optional<FileIdentity> checked = place.Identity();
  if (!checked || !save::StillThere(place, place.Name(), *checked)) return Result<EntryName>::Failed(kTakenMeanwhile);
  for (int n = 1; n <= kBackupNames; ++n) {
    EntryName backup = BackupName(place.Name(), n);
    const Status<save::StepError> renamed = save::RenameNoReplace(place, place.Name(), backup);
    if (renamed) {
      save::SyncFolder(place);
      return backup;
    }
    if (!renamed.Why().taken) return Result<EntryName>::Failed(renamed.Why().text);
  }
  return Result<EntryName>::Failed("every backup name is taken");
}

bool MoveBack(const CheckedFile& place, const EntryName& backup) {
  return bool(save::RenameNoReplace(place, backup, place.Name()));
}

void RemoveStaleStagedFiles(const CheckedFile& place) {
  if (!save::FolderHeld(place)) return;
  for (const EntryName& entry : save::StagingCandidates(place, place.Name())) {
    const std::optional<std::uint64_t> pid = StagingPid(entry, place.Name());
    if (!pid || *pid == save::OwnProcessId() || !save::IsOwnRegularFile(place, entry)) continue;
    // A process that is still there may yet commit it.
    if (save::ProcessIsGone(*pid)) save::Remove(place, entry);
  }
}

}  // namespace mirel
