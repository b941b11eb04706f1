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

std::optional<StagedFile> StagedFile::Write(const CheckedFile& place, std::string_view bytes,
                                            bool keepOwnerAndMode, std::string& error) {
  if (!save::FolderHeld(place, error)) return std::nullopt;
  std::optional<EntryName> staged = save::WriteStaged(place, bytes, keepOwnerAndMode, error);
  if (!staged) return std::nullopt;
  return StagedFile(place, std::move(*staged));
}

bool StagedFile::Commit(std::optional<FileIdentity> expected, std::string& error) {
  const EntryName& name = place_->Name();
  save::StepError step;
  if (expected) {
    // Looked at just before the rename. Between the two only someone who may
    // write this folder could put another entry under the name, and the
    // rename would then replace that entry alone, never what it points to:
    // nothing they could not remove themselves.
    if (!save::StillThere(*place_, name, *expected)) {
      error = kTakenMeanwhile;
      return false;
    }
    if (!save::RenameOver(*place_, staged_, name, step)) {
      error = step.text;
      return false;
    }
  } else if (!save::RenameNoReplace(*place_, staged_, name, step)) {
    error = step.taken ? kTakenMeanwhile : step.text;
    return false;
  }
  staged_.clear();
  save::SyncFolder(*place_);
  return true;
}

std::optional<EntryName> MoveAside(const CheckedFile& place, std::string& error) {
  const std::optional<FileIdentity> checked = place.Identity();
  if (!checked || !save::StillThere(place, place.Name(), *checked)) {
    error = kTakenMeanwhile;
    return std::nullopt;
  }
  for (int n = 1; n <= kBackupNames; ++n) {
    EntryName backup = BackupName(place.Name(), n);
    save::StepError step;
    if (save::RenameNoReplace(place, place.Name(), backup, step)) {
      save::SyncFolder(place);
      return backup;
    }
    if (!step.taken) {
      error = step.text;
      return std::nullopt;
    }
  }
  error = "every backup name is taken";
  return std::nullopt;
}

bool MoveBack(const CheckedFile& place, const EntryName& backup) {
  save::StepError ignored;
  return save::RenameNoReplace(place, backup, place.Name(), ignored);
}

void RemoveStaleStagedFiles(const CheckedFile& place) {
  std::string ignored;
  if (!save::FolderHeld(place, ignored)) return;
  for (const EntryName& entry : save::StagingCandidates(place, place.Name())) {
    const std::optional<std::uint64_t> pid = StagingPid(entry, place.Name());
    if (!pid || *pid == save::OwnProcessId() || !save::IsOwnRegularFile(place, entry)) continue;
    // A process that is still there may yet commit it.
    if (save::ProcessIsGone(*pid)) save::Remove(place, entry);
  }
}

}  // namespace mirel
