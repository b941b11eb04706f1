// Code page 932 through Windows' own converter, made to agree byte for byte
// with the Linux build's (glibc's CP932), as a comparison of every character
// and every byte pair under Wine showed: the bytes and characters glibc
// refuses are refused here too, and the characters it alone encodes are
// encoded here.

#include <windows.h>

#include <algorithm>
#include <array>
#include <utility>

#include "support/Cp932.h"
#include "platform/WideText.h"

namespace mirel {
namespace {

constexpr UINT kCodePage = 932;

bool IsLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Single bytes Windows maps to U+0080 and private-use characters, where the
// Linux converter, and the code page's published table, have nothing.
bool IsUnassignedByte(unsigned char byte) { return byte == 0x80 || byte == 0xA0 || byte >= 0xFD; }

// Characters glibc encodes and Windows does not: the JIS forms of the
// characters whose code page 932 code reads back as a full-width form (or as
// the backslash, tilde or horizontal bar).
constexpr std::array<std::pair<wchar_t, std::string_view>, 9> kOneWay = {{
    {L'\u00A2', "\x81\x91"},  // cent sign, read back as U+FFE0
    {L'\u00A3', "\x81\x92"},  // pound sign, U+FFE1
    {L'\u00A5', "\x5C"},      // yen sign, the backslash
    {L'\u00AC', "\x81\xCA"},  // not sign, U+FFE2
    {L'\u2014', "\x81\x5C"},  // em dash, U+2015
    {L'\u2016', "\x81\x61"},  // double vertical line, U+2225
    {L'\u203E', "\x7E"},      // overline, the tilde
    {L'\u2212', "\x81\x7C"},  // minus sign, U+FF0D
    {L'\u301C', "\x81\x60"},  // wave dash, U+FF5E
}};

// What Windows encodes and glibc does not: the characters its decoder makes
// of the unassigned single bytes.
bool HasNoForm(wchar_t c) { return c == L'\u0080' || (c >= L'\uF8F0' && c <= L'\uF8F3'); }

std::wstring Widen(UINT codePage, DWORD flags, std::string_view bytes, bool& ok) {
  ok = true;
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  const int length = ::MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  if (length <= 0 ||
      ::MultiByteToWideChar(codePage, flags, bytes.data(), size, wide.data(), length) != length) {
    ok = false;
    return {};
  }
  return wide;
}

}  // namespace

std::optional<std::string> DecodeCp932(std::string_view ansi) {
  for (std::size_t i = 0; i < ansi.size(); ++i) {
    const auto byte = static_cast<unsigned char>(ansi[i]);
    if (IsLeadByte(byte)) {
      ++i;  // its trail byte may take any value the converter accepts
    } else if (IsUnassignedByte(byte)) {
      return std::nullopt;
    }
  }
  bool ok = false;
  const std::wstring wide = Widen(kCodePage, MB_ERR_INVALID_CHARS, ansi, ok);
  if (!ok) return std::nullopt;
  return Narrow(wide);
}

std::string EncodeCp932(std::string_view utf8, std::size_t& replaced) {
  std::string out;
  out.reserve(utf8.size());
  while (!utf8.empty()) {
    if (static_cast<unsigned char>(utf8.front()) < 0x80) {
      out += utf8.front();
      utf8.remove_prefix(1);
      continue;
    }
    // One character at a time, so each that has no form costs one "?".
    const std::size_t length = Utf8ReplacementLength(utf8);
    bool ok = false;
    const std::wstring wide = Widen(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.substr(0, length), ok);
    utf8.remove_prefix(length);
    const auto oneWay = wide.size() == 1
                            ? std::find_if(kOneWay.begin(), kOneWay.end(),
                                           [&](const auto& entry) { return entry.first == wide[0]; })
                            : kOneWay.end();
    if (oneWay != kOneWay.end()) {
      out += oneWay->second;
      continue;
    }
    char encoded[4];
    BOOL usedDefault = FALSE;
    const int written = ok && !(wide.size() == 1 && HasNoForm(wide[0]))
                            ? ::WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(),
                                                    static_cast<int>(wide.size()), encoded, sizeof encoded,
                                                    nullptr, &usedDefault)
                            : 0;
    if (written <= 0 || usedDefault) {
      out += '?';
      ++replaced;
    } else {
      out.append(encoded, static_cast<std::size_t>(written));
    }
  }
  return out;
}

}  // namespace mirel
