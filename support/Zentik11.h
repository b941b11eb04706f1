#pragma once
// The support library: numbered sound channels played through multimedia
// command strings, and a small keyed text store kept in a file between runs.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Mci.h"

namespace mirel {

struct SoundChannel {
  std::int32_t Number = 0;
  std::string FileName;
  bool RePlay = false;
};

struct TextRecord {
  std::string ValueText;
  std::string Key;
  std::string NameText;
};

class Zentik11 {
 public:
  // Sets up the sound table, then loads the record store from recordFile.
  Zentik11(MciInterpreter& mci, std::filesystem::path recordFile);
  // Saves the record store, then stops and closes every sound channel.
  ~Zentik11();
  Zentik11(const Zentik11&) = delete;
  Zentik11& operator=(const Zentik11&) = delete;

  // Sound channels. Numbers outside the table throw std::out_of_range and send nothing.
  void SoundSet(std::int32_t Number, const std::string& FileName, bool RePlay);
  void PlaySound(std::int32_t Number);
  void StopSound(std::int32_t Number);
  void AllStopSound();

  // Record store (texts UTF-8 in memory, code page 932 on disk).
  std::string ReadText(const std::string& Key, bool Name) const;
  void WriteText(std::string& Str, const std::string& Key, bool Name);

  const std::vector<SoundChannel>& SoundTable() const { return SoundTable_; }
  const std::vector<TextRecord>& RecordTable() const { return RecordTable_; }

 private:
  static std::int32_t GetMax(std::int32_t a, std::int32_t b) { return a > b ? a : b; }
  void CloseAllSound();
  void LoadRecordFile();
  void SetDefaultRecords();
  void SaveRecordFile();
  const SoundChannel& Slot(std::int32_t Number) const;
  std::uint32_t Send(const std::string& command);

  MciInterpreter& mci_;
  std::filesystem::path recordFile_;
  std::vector<SoundChannel> SoundTable_;
  std::vector<TextRecord> RecordTable_;
};

}  // namespace mirel
