#include "support/AnsiText.h"

#include <algorithm>

#include "support/Cp932.h"

namespace mirel {
namespace {

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

std::size_t Utf8ReplacementLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 1;
  }
  std::size_t i = 1;
  for (; i < length && i < text.size(); ++i) {
    const unsigned char b = byte(i);
    if (i == 1 ? (b < low || b > high) : (b < 0x80 || b > 0xBF)) break;
  }
  return i;
}

std::optional<std::string> AnsiToUtf8(std::string_view ansi) {
  // Code page 932 keeps ASCII as it is, and most record files are mostly ASCII.
  if (IsAscii(ansi)) return std::string(ansi);
  return DecodeCp932(ansi);
}

std::string Utf8ToAnsi(std::string_view utf8, std::size_t* replaced) {
  std::size_t count = 0;
  std::string out = IsAscii(utf8) ? std::string(utf8) : EncodeCp932(utf8, count);
  if (replaced) *replaced = count;
  return out;
}

std::string AnsiRepresentable(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  // Whatever the encoder writes, the decoder reads.
  return AnsiToUtf8(Utf8ToAnsi(utf8)).value_or(std::string());
}

}  // namespace mirel
