#pragma once
// Text in the ANSI code page of the record file: code page 932, the Windows
// mapping of Shift-JIS (glibc's "CP932" converter). In memory all text is UTF-8.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace mirel {

// Decodes code page 932 bytes to UTF-8. Returns nothing when the bytes are not
// valid code page 932 (a stray lead byte, an unassigned byte, a cut-off pair).
std::optional<std::string> AnsiToUtf8(std::string_view ansi);

// Encodes UTF-8 to code page 932. Every character that has no code page 932
// form, and every byte that is not valid UTF-8, becomes one "?"; `replaced`,
// when given, receives how many did.
std::string Utf8ToAnsi(std::string_view utf8, std::size_t* replaced = nullptr);

// The text exactly as it reads back after a trip through code page 932:
// characters that share one code take the form the decoder gives (U+301C wave
// dash becomes U+FF5E, U+2016 becomes U+2225, U+00A5 becomes "\"), characters
// with no form become "?". Text already in this form comes back unchanged.
std::string AnsiRepresentable(std::string_view utf8);

}  // namespace mirel
