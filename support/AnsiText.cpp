#include "support/AnsiText.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace mirel {
namespace {

// One conversion direction for the length of one call; iconv descriptors keep
// shift state, so sharing one between calls would need care for no gain.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::system_error(errno, std::generic_category(),
                              std::string("no text converter from ") + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  enum class Stop { Done, Invalid, Incomplete };

  // Converts as much of `in` as it can, appending to `out`; on Invalid or
  // Incomplete, `in` starts at the offending bytes.
  Stop Run(std::string_view& in, std::string& out) {
    char buffer[4096];
    for (;;) {
      char* inPtr = const_cast<char*>(in.data());
      std::size_t inLeft = in.size();
      char* outPtr = buffer;
      std::size_t outLeft = sizeof buffer;
      const std::size_t rc = iconv(cd_, in.empty() ? nullptr : &inPtr, &inLeft, &outPtr, &outLeft);
      const int error = errno;
      out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
      in.remove_prefix(in.size() - inLeft);
      if (rc != static_cast<std::size_t>(-1)) {
        if (in.empty()) return Stop::Done;
        continue;
      }
      if (error == E2BIG) continue;
      return error == EINVAL ? Stop::Incomplete : Stop::Invalid;
    }
  }

 private:
  iconv_t cd_;
};

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Bytes to replace by one "?" at the start of `text`: a whole character, or
// the longest start of one that is still well formed (the usual "maximal
// subpart" rule, so a cut-off character costs one "?" and a stray byte one).
std::size_t ReplacementLength(std::string_view text) {
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

}  // namespace

std::optional<std::string> AnsiToUtf8(std::string_view ansi) {
  // Code page 932 keeps ASCII as it is, and most record files are mostly ASCII.
  if (IsAscii(ansi)) return std::string(ansi);
  Converter converter("UTF-8", "CP932");
  std::string out;
  out.reserve(ansi.size() * 3 / 2);
  if (converter.Run(ansi, out) != Converter::Stop::Done) return std::nullopt;
  return out;
}

std::string Utf8ToAnsi(std::string_view utf8, std::size_t* replaced) {
  if (replaced) *replaced = 0;
  if (IsAscii(utf8)) return std::string(utf8);
  Converter converter("CP932", "UTF-8");
  std::string out;
  out.reserve(utf8.size());
  while (converter.Run(utf8, out) != Converter::Stop::Done) {
    out += '?';
    if (replaced) ++*replaced;
    utf8.remove_prefix(ReplacementLength(utf8));
  }
  return out;
}

std::string AnsiRepresentable(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  // Whatever the encoder writes, the decoder reads.
  return AnsiToUtf8(Utf8ToAnsi(utf8)).value_or(std::string());
}

}  // namespace mirel
