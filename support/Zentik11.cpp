// Zentik11's life and its sound channels: each channel is a slot of the sound
// table, opened as a multimedia device whose alias is the slot's number.

#include "support/Zentik11.h"

#include "platform/Diagnostics.h"

#include <exception>
#include <stdexcept>
#include <utility>

namespace mirel {

Zentik11::Zentik11(MciInterpreter& mci, std::filesystem::path recordFile, std::filesystem::path loadFrom)
    : mci_(mci), recordFile_(std::move(recordFile)), SoundTable_(1) {
  LoadRecordFile(loadFrom.empty() ? recordFile_ : loadFrom);
}

Zentik11::~Zentik11() { Close(); }

std::optional<SaveFailure> Zentik11::Close() {
  if (closed_) return std::nullopt;
  closed_ = true;
  // The sounds are closed even when the save fails: a failed save is the
  // player's problem to hear about, not a reason to leave devices open.
  const std::optional<SaveFailure> failure = SaveRecords();
  try {
    CloseAllSound();
  } catch (...) {
    // Nothing is left to do about a device that will not close at the end.
  }
  return failure;
}

std::optional<SaveFailure> Zentik11::SaveRecords() {
  try {
    return SaveRecordFile();
  } catch (const std::exception& e) {
    Diagnose("could not save the record file " + Quoted(recordFile_) + ": " + e.what());
  } catch (...) {
    Diagnose("could not save the record file " + Quoted(recordFile_));
  }
  return SaveFailure{recordFile_, recordFile_};
}

void Zentik11::SoundSet(std::int32_t Number, const std::string& FileName, bool RePlay) {
  if (Number > kHighestChannel) {
    throw std::out_of_range("sound channel " + std::to_string(Number) + " is above the highest allowed");
  }
  const std::int32_t highest = static_cast<std::int32_t>(SoundTable_.size()) - 1;
  SoundTable_.resize(static_cast<std::size_t>(GetMax(highest, Number)) + 1);
  if (Number < 0) throw std::out_of_range("sound channel " + std::to_string(Number) + " is negative");

  SoundChannel& slot = SoundTable_[static_cast<std::size_t>(Number)];
  slot.Number = Number;
  slot.FileName = FileName;
  slot.RePlay = RePlay;

  std::string command = "open " + MciQuoted(FileName) + " alias " + std::to_string(slot.Number);
  if (RePlay) command += " type mpegvideo";
  Send(command);
}

void Zentik11::PlaySound(std::int32_t Number) {
  const SoundChannel& slot = Slot(Number);
  const std::string alias = std::to_string(slot.Number);
  Send(slot.RePlay ? "play \"" + alias + "\" repeat" : "play \"" + alias + "\" from 0 notify");
}

void Zentik11::StopSound(std::int32_t Number) {
  Send("stop \"" + std::to_string(Slot(Number).Number) + "\" notify");
}

void Zentik11::AllStopSound() {
  for (const SoundChannel& slot : SoundTable_) Send("stop \"" + std::to_string(slot.Number) + '"');
}

void Zentik11::CloseAllSound() {
  for (const SoundChannel& slot : SoundTable_) {
    const std::string alias = std::to_string(slot.Number);
    Send("stop \"" + alias + '"');
    Send("close \"" + alias + '"');
  }
}

const SoundChannel& Zentik11::Slot(std::int32_t Number) const {
  if (Number < 0 || static_cast<std::size_t>(Number) >= SoundTable_.size()) {
    throw std::out_of_range("no sound channel " + std::to_string(Number));
  }
  return SoundTable_[static_cast<std::size_t>(Number)];
}

// The answer is handed back but never acted upon: a sound that cannot play
// simply stays silent.
std::uint32_t Zentik11::Send(const std::string& command) { return mci_.SendString(command); }

}  // namespace mirel
