// Zentik11's record store: loaded from the record file when the instance is
// made, written back when it goes. The file is open only inside those two.

#include <array>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <system_error>

#include "platform/AnsiText.h"
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
  try {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(file, error);
    if (status.type() == std::filesystem::file_type::not_found) {
      loadOutcome_ = LoadOutcome::Missing;
      SetDefaultRecords();
      return;
    }
    loadedIdentity_ = IdentityOf(file);
    // A folder, a device or a pipe under the file's name is nothing to read,
    // and no record file comes near the size limit.
    if (error || status.type() != std::filesystem::file_type::regular ||
        std::filesystem::file_size(file, error) > kMaxRecordFileBytes || error) {
      loadOutcome_ = LoadOutcome::Unreadable;
      SetDefaultRecords();
      return;
    }
    std::string bytes;
    std::ifstream in(file, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.is_open() || in.bad()) {
      loadOutcome_ = LoadOutcome::Unreadable;
      SetDefaultRecords();
      return;
    }
    std::optional<std::vector<TextRecord>> records = ParseRecordFile(bytes);
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
    loadOutcome_ = LoadOutcome::Unreadable;
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

void Zentik11::SaveRecordFile() {
  const std::filesystem::path target = SaveTarget(recordFile_);
  const bool unread = loadOutcome_ == LoadOutcome::Unreadable;
  // The new file is whole on disk before anything else happens, so a full
  // disk or a read-only folder leaves every old byte where it was.
  std::string error;
  std::optional<StagedFile> staged =
      StagedFile::Write(target, FormatRecordFile(RecordTable_), !unread, error);
  if (!staged) {
    std::cerr << "Could not save the record file " << recordFile_ << ": " << error
              << "; the old file is left as it was\n";
    return;
  }
  // The file the load could not use is kept under a backup name, unless it
  // is gone or another instance has already replaced it (and kept it).
  std::optional<std::filesystem::path> keptIn;
  if (unread && loadedIdentity_ && IdentityOf(target) == loadedIdentity_) {
    keptIn = MoveAside(target, error);
    if (!keptIn) {
      std::cerr << "Could not keep the unreadable record file " << recordFile_ << " (" << error
                << "); left it as it was\n";
      return;
    }
  }
  if (!staged->Commit(error)) {
    if (keptIn && !MoveBack(*keptIn, target)) {
      std::cerr << "Could not save the record file " << recordFile_ << ": " << error
                << "; its old content is in " << *keptIn << '\n';
      return;
    }
    std::cerr << "Could not save the record file " << recordFile_ << ": " << error
              << "; the old file is left as it was\n";
    return;
  }
  if (keptIn) {
    std::cerr << "The record file " << recordFile_
              << " could not be read and starts again from the defaults; "
              << "its old content is kept in " << *keptIn << '\n';
  }
}

}  // namespace mirel
