#pragma once
// The nine menu labels as designed: caption, place, type size, style, colour and
// whether they show at start. Places and looks never change; captions and
// visibility are game state.

#include <array>
#include <cstdint>

namespace mirel {

struct LabelDesign {
  const char* caption;  // UTF-8
  int left;
  int top;
  int pixelSize;
  bool italic;
  std::uint32_t rgb;  // 0xRRGGBB
  bool visibleAtStart;
};

inline constexpr int kLabelCount = 9;
inline constexpr const char* kSoundOnCaption = "サウンド・オン";
inline constexpr const char* kSoundOffCaption = "サウンド・オフ";

inline constexpr std::array<LabelDesign, kLabelCount> kLabelDesign{{
    {"ミレル", 104, 8, 48, false, 0x000000, true},
    {"付属の素材で遊ぶ♪", 72, 96, 29, true, 0xFF8000, true},
    {"手持ちの素材で遊ぶ♪", 56, 224, 29, true, 0xFF8000, true},
    {"素人レベル", 128, 80, 29, true, 0xFF0000, false},
    {"初心者レベル", 112, 152, 29, true, 0xFFFF00, false},
    {"学生レベル", 128, 240, 29, true, 0x00FF00, false},
    {"考古学者レベル", 96, 312, 29, true, 0x0000FF, false},
    {"戻る", 168, 368, 29, true, 0xFF0000, false},
    {kSoundOnCaption, 248, 376, 21, true, 0x400000, true},
}};

// The font the labels ask for first, and the bundled one they fall back to.
inline constexpr const char* kLabelFontFamily = "HG創英角ﾎﾟｯﾌﾟ体";
inline constexpr const char* kFallbackFontFamily = "Mochiy Pop One";

}  // namespace mirel
