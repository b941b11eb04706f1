#pragma once
// Reads a WAV file whole and converts it to the mixer's format once, so that
// playing it later only moves a cursor.

#include <filesystem>
#include <memory>
#include <string_view>

#include "SoundMixer.h"
#include "platform/Result.h"

namespace mirel {

// Why not, when the file is missing, unreadable, cut short, not a WAV sound of
// integer PCM (8, 16, 24 or 32 bits), mono or stereo, or longer or coarser
// than a sound effect (over 30 s, under 8 kHz).
Result<std::shared_ptr<const PcmSound>> DecodeWave(const std::filesystem::path& file);
Result<std::shared_ptr<const PcmSound>> DecodeWaveBytes(std::string_view bytes);

// The file's sound for a back end to play as its device opens; null, with one
// line on standard error saying why, when it cannot be played.
std::shared_ptr<const PcmSound> SoundToPlay(const std::filesystem::path& file);

}  // namespace mirel
