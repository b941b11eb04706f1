// Zentik11's record store: loaded from the record file when the instance is
// made, written back when it goes. The file is open only inside those two.

#include <array>
#include <exception>
#include <optional>

#include "platform/Diagnostics.h"
#include "support/AnsiText.h"
#include "support/AtomicSave.h"
#include "support/Zentik11.h"

namespace mirel {
std::string Zentik11::StorableText(std::string_view text) {
  // Code page first: the encoder may map a character to plain ASCII.
  std::string storable = AnsiRepresentable(text);
  for (char& c : storable) {
    if (c == '"') {
      c = '\'';
    } else if (c == '\r' || c == '\n') {
      c = ' ';
    }
  }
  return storable;
}

std::size_t Zentik11::Find(const std::string& Key) const {
  for (std::size_t i = 1; i < RecordTable_.size(); ++i) {
    if (RecordTable_[i].Key == Key) return i;
  }
  return 0;
}

std::string Zentik11::ReadText(const std::string& Key, bool Name) const {
  const std::size_t i = Find(EscapeSlashes(StorableText(Key)));
  if (i == 0) return std::string();
  return UnescapeSlashes(Name ? RecordTable_[i].NameText : RecordTable_[i].ValueText);
}

void Zentik11::WriteText(std::string& Str, const std::string& Key, bool Name) {
  Str = EscapeSlashes(StorableText(Str));
  // Keys are held the way texts are, so that a key with "/" in it still
  // makes a line of three fields and is found again after a load.
  const std::string key = EscapeSlashes(StorableText(Key));
  std::size_t i = Find(key);
  if (i == 0) {
    i = RecordTable_.size();
    RecordTable_.emplace_back().Key = key;
  }
  (Name ? RecordTable_[i].NameText : RecordTable_[i].ValueText) = Str;
}

void Zentik11::LoadRecordFile(const std::filesystem::path& file) {
  RecordTable_.assign(1, TextRecord{});
  loadedIdentity_.reset();
  loadOutcome_ = LoadOutcome::Missing;
  try {
    const CheckedFile checked = file.empty() ? CheckedFile() : CheckedFile::Open(file);
    if (checked.Found() == CheckedFile::Kind::Refused) {
      // A shipped copy left alone still lets the player's own file be saved.
      if (file == recordFile_) loadOutcome_ = LoadOutcome::Refused;
      Diagnose("the record file " + Quoted(file) + " is left alone, as " + checked.Refusal() +
               "; the game starts from the default entries" +
               (file == recordFile_ ? " and keeps no record of this run" : ""));
    }
    if (checked.Found() != CheckedFile::Kind::Regular) {
      SetDefaultRecords();
      return;
    }
    loadedIdentity_ = checked.Identity();
    // No record file comes near the size limit.
    const std::optional<std::string> bytes = checked.ReadAll(kMaxRecordFileBytes);
    std::optional<std::vector<TextRecord>> records;
    if (bytes) records = ParseRecordFile(*bytes);
    if (!records) {
      loadOutcome_ = LoadOutcome::Unreadable;
      SetDefaultRecords();
      return;
    }
    RecordTable_ = std::move(*records);
    loadOutcome_ = LoadOutcome::Loaded;
  } catch (const std::exception&) {
    // Out of memory or no code page converter: the file stays untouched
    // until the save has put it aside.
    loadOutcome_ = loadedIdentity_ ? LoadOutcome::Unreadable : LoadOutcome::Missing;
    SetDefaultRecords();
  }
}

void Zentik11::SetDefaultRecords() {
  static constexpr std::array<const char*, 5> kValues = {"500", "400", "300", "200", "100"};
  static constexpr std::array<const char*, 5> kNames = {"ああああああ", "いいいいいい", "うううううう",
                                                        "ええええええ", "おおおおおお"};
  RecordTable_.assign(16, TextRecord{});
  for (std::size_t k = 1; k <= 15; ++k) {
    TextRecord& record = RecordTable_[k];
    record.Key = EscapeSlashes(std::to_string(k));
    record.ValueText = EscapeSlashes(kValues[(k - 1) % 5]);
    record.NameText = EscapeSlashes(kNames[(k - 1) % 5]);
  }
}

std::optional<SaveFailure> Zentik11::SaveRecordFile() {
  // No place to keep records at all was said at the start.
  if (recordFile_.empty()) return std::nullopt;
  const SaveFailure leftAsItWas{recordFile_, recordFile_};
  // What stands under the name was refused at the load, and said so then.
  if (loadOutcome_ == LoadOutcome::Refused) return leftAsItWas;
  const CheckedFile place = CheckedFile::Open(recordFile_);
  if (place.Found() == CheckedFile::Kind::Refused) {
    Diagnose("the record file " + Quoted(recordFile_) + " is left alone, as " + place.Refusal() +
             "; the records of this run are not kept");
    return leftAsItWas;
  }
  RemoveStaleStagedFiles(place);
  const bool unread = loadOutcome_ == LoadOutcome::Unreadable;
  // The new file is whole on disk before anything else happens, so a full
  // disk or a read-only folder leaves every old byte where it was.
  Result<StagedFile> staged = StagedFile::Write(place, FormatRecordFile(RecordTable_), !unread);
  if (!staged) {
    Diagnose("could not save the record file " + Quoted(recordFile_) + ": " + staged.Why() +
             "; the old file is left as it was");
    return leftAsItWas;
  }
  // The file the load could not use is kept under a backup name, unless it
  // is gone or another instance has already replaced it (and kept it).
  std::optional<EntryName> keptIn;
  if (unread && loadedIdentity_ && place.Identity() == loadedIdentity_) {
    Result<EntryName> moved = MoveAside(place);
    if (!moved) {
      Diagnose("could not keep the unreadable record file " + Quoted(recordFile_) + " (" + moved.Why() +
               "); left it as it was");
      return leftAsItWas;
    }
    keptIn = std::move(*moved);
  }
  const std::filesystem::path backup =
      keptIn ? place.Shown().parent_path() / *keptIn : std::filesystem::path();
  if (const Status<> committed = staged->Commit(keptIn ? std::nullopt : place.Identity()); !committed) {
    if (keptIn && !MoveBack(place, *keptIn)) {
      Diagnose("could not save the record file " + Quoted(recordFile_) + ": " + committed.Why() +
               "; its old content is in " + Quoted(backup));
      return SaveFailure{recordFile_, backup};
    }
    Diagnose("could not save the record file " + Quoted(recordFile_) + ": " + committed.Why() +
             "; the old file is left as it was");
    return leftAsItWas;
  }
  if (keptIn) {
    Diagnose("the record file " + Quoted(recordFile_) +
             " could not be read and starts again from the defaults; its old content is kept in " +
             Quoted(backup));
  }
  return std::nullopt;
}

}  // namespace mirel
