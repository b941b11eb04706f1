#pragma once
// The support library: numbered sound channels played through multimedia
// command strings, and a small keyed text store kept in a file between runs.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sound/Mci.h"
#include "support/CheckedFile.h"
#include "support/RecordFile.h"

namespace mirel {

struct SoundChannel {
  std::int32_t Number = 0;
  std::string FileName;
  bool RePlay = false;
};

// A save of the record file that did not happen, for the player: the file,
// and where the records from before this run are now (the file itself, as it
// was, or a backup of it).
struct SaveFailure {
  std::filesystem::path file;
  std::filesystem::path oldRecords;
};

class Zentik11 {
 public:
  // Highest channel number SoundSet accepts. Every slot up to the highest
  // number is kept and stopped one by one, so a stray huge number must not
  // be able to make the table (and the stop and close runs) enormous.
  static constexpr std::int32_t kHighestChannel = 4095;

  // Sets up the sound table, then loads the record store from recordFile, or
  // from loadFrom when one is given; the store is always saved to recordFile,
  // unless that is empty: then no record is kept. A record file that is not
  // a regular file, or a link that is not this user's own to one, is left
  // alone: the store starts from the defaults, nothing is saved under that
  // name, and standard error says so once.
  Zentik11(MciInterpreter& mci, std::filesystem::path recordFile, std::filesystem::path loadFrom = {});
  // Closes the library if Close() has not.
  ~Zentik11();
  // Saves the record store, then stops and closes every sound channel, once.
  // A failed save is reported on standard error, returned, and does not stop
  // the rest; nothing is thrown.
  std::optional<SaveFailure> Close();
  // Saves the record store now, as Close does first, and reports alike. For
  // a front end that has no end to wait for: a web page may be closed
  // without a word.
  std::optional<SaveFailure> SaveRecords();
  Zentik11(const Zentik11&) = delete;
  Zentik11& operator=(const Zentik11&) = delete;

  // Sound channels. Numbers below 0 or above the highest slot (for SoundSet:
  // above kHighestChannel) throw std::out_of_range, send nothing and leave the
  // table as it was.
  void SoundSet(std::int32_t Number, const std::string& FileName, bool RePlay);
  void PlaySound(std::int32_t Number);
  void StopSound(std::int32_t Number);
  void AllStopSound();

  // Record store: texts UTF-8 in memory, code page 932 on disk, "/" held as
  // kSlashEscape. Texts and keys are made storable first (see StorableText),
  // so whatever is written reads back the same after a save and a load.
  std::string ReadText(const std::string& Key, bool Name) const;
  // Str comes back in the form stored: storable and escaped.
  void WriteText(std::string& Str, const std::string& Key, bool Name);

  const std::vector<SoundChannel>& SoundTable() const { return SoundTable_; }
  // Index 0 is never an entry; entries are 1..size()-1 in file order.
  const std::vector<TextRecord>& RecordTable() const { return RecordTable_; }

  // What a text becomes in the store (before escaping): a double quote turns
  // into an apostrophe and CR and LF into blanks, since a line cannot hold
  // them, and the text takes its code page 932 form (AnsiRepresentable), so
  // characters the file cannot hold become "?".
  static std::string StorableText(std::string_view text);

 private:
  // How the load went, which decides what the save must keep.
  enum class LoadOutcome {
    Loaded,      // the file's entries, or none for an empty file
    Missing,     // no file: defaults, nothing to keep
    Unreadable,  // there but not readable as entries: defaults; moved to a .bak first
    Refused,     // not a file the game may touch: defaults, nothing saved there
  };

  // Larger files are not read at all: no record file comes near it, and
  // reading one would cost memory and start-up time for nothing.
  static constexpr std::uintmax_t kMaxRecordFileBytes = std::uintmax_t(16) << 20;

  static std::int32_t GetMax(std::int32_t a, std::int32_t b) { return a > b ? a : b; }
  void CloseAllSound();
  void LoadRecordFile(const std::filesystem::path& file);
  void SetDefaultRecords();
  std::optional<SaveFailure> SaveRecordFile();
  const SoundChannel& Slot(std::int32_t Number) const;
  std::uint32_t Send(const std::string& command);
  std::size_t Find(const std::string& Key) const;

  MciInterpreter& mci_;
  std::filesystem::path recordFile_;
  std::vector<SoundChannel> SoundTable_;
  std::vector<TextRecord> RecordTable_;
  LoadOutcome loadOutcome_ = LoadOutcome::Missing;
  std::optional<FileIdentity> loadedIdentity_;  // the file the load found, if any
  bool closed_ = false;
};

}  // namespace mirel
