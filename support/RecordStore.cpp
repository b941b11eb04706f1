// Zentik11's record store: loaded from the record file when the instance is
// made, written back when it goes. The file is open only inside those two.

#include <array>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <system_error>

#include "platform/AnsiText.h"
#include "support/Zentik11.h"

namespace mirel {
namespace {

std::filesystem::path BackupPath(const std::filesystem::path& file) {
  std::filesystem::path backup = file;
  backup += ".bak";
  return backup;
}

}  // namespace

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

void Zentik11::LoadRecordFile() {
  RecordTable_.assign(1, TextRecord{});
  unreadBytes_.clear();
  try {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(recordFile_, error);
    if (status.type() == std::filesystem::file_type::not_found) {
      loadOutcome_ = LoadOutcome::Missing;
      SetDefaultRecords();
      return;
    }
    std::string bytes;
    if (!error && status.type() == std::filesystem::file_type::regular) {
      std::ifstream in(recordFile_, std::ios::binary);
      bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      if (!in.is_open() || in.bad()) {
        loadOutcome_ = LoadOutcome::Unreadable;
        SetDefaultRecords();
        return;
      }
    } else {
      // A folder, a device or a pipe under the file's name is nothing to read.
      loadOutcome_ = LoadOutcome::Unreadable;
      SetDefaultRecords();
      return;
    }
    std::optional<std::vector<TextRecord>> records = ParseRecordFile(bytes);
    if (!records) {
      loadOutcome_ = LoadOutcome::Unparsable;
      unreadBytes_ = std::move(bytes);
      SetDefaultRecords();
      return;
    }
    RecordTable_ = std::move(*records);
    loadOutcome_ = LoadOutcome::Loaded;
  } catch (const std::exception&) {
    // Out of memory or no code page converter: the file stays untouched
    // until the save has put it aside.
    loadOutcome_ = LoadOutcome::Unreadable;
    unreadBytes_.clear();
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

// Puts the file that the load could not use beside it as "<file>.bak", so the
// save does not destroy data nobody could read. False when that failed.
bool Zentik11::KeepUnreadFile() {
  const std::filesystem::path backup = BackupPath(recordFile_);
  if (loadOutcome_ == LoadOutcome::Unparsable) {
    std::string error;
    if (!WriteFileAtomically(backup, unreadBytes_, error)) {
      std::cerr << "Could not keep the unreadable record file in " << backup << " (" << error
                << "); left it as it was\n";
      return false;
    }
  } else {
    // Not readable, so not copyable: move it aside instead.
    std::error_code error;
    std::filesystem::rename(recordFile_, backup, error);
    if (error && error != std::errc::no_such_file_or_directory) {
      std::cerr << "Could not move the unreadable record file to " << backup << " (" << error.message()
                << "); left it as it was\n";
      return false;
    }
  }
  std::cerr << "The record file " << recordFile_ << " could not be read and starts again from the defaults; "
            << "its old content is kept in " << backup << '\n';
  return true;
}

void Zentik11::SaveRecordFile() {
  if (loadOutcome_ == LoadOutcome::Unparsable || loadOutcome_ == LoadOutcome::Unreadable) {
    if (!KeepUnreadFile()) return;
  }
  std::string error;
  if (!WriteFileAtomically(recordFile_, FormatRecordFile(RecordTable_), error)) {
    std::cerr << "Could not save the record file " << recordFile_ << ": " << error << '\n';
  }
}

}  // namespace mirel
