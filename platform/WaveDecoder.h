#pragma once
// Reads a WAV file whole and converts it to the mixer's format once, so that
// playing it later only moves a cursor.

#include <filesystem>
#include <memory>

#include "SoundMixer.h"

namespace mirel {

// Nothing when the file is missing, unreadable, cut short or not a WAV
// sound the decoder knows (PCM of 8 to 32 bits, float, mono or stereo, any
// rate).
std::shared_ptr<const PcmSound> DecodeWave(const std::filesystem::path& file);

}  // namespace mirel
