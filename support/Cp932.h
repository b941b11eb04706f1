#pragma once
// The system's code page 932 converter behind AnsiText, and what both
// systems' converters share.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace mirel {

// Code page 932 bytes to UTF-8; nothing when they are not valid code page 932.
std::optional<std::string> DecodeCp932(std::string_view ansi);

// UTF-8 to code page 932, each character without a form and each byte that
// is not valid UTF-8 as one "?", counted in `replaced`.
std::string EncodeCp932(std::string_view utf8, std::size_t& replaced);

// Bytes to replace by one "?" at the start of `text`: a whole character, or
// the longest start of one that is still well formed (the usual "maximal
// subpart" rule, so a cut-off character costs one "?" and a stray byte one).
std::size_t Utf8ReplacementLength(std::string_view text);

}  // namespace mirel
