#pragma once
// The record file's format, apart from any file: one double-quoted
// "value/key/name" item a line, CR LF after each, text in code page 932.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mirel {

struct TextRecord {
  std::string ValueText;
  std::string Key;
  std::string NameText;

  friend bool operator==(const TextRecord&, const TextRecord&) = default;
};

// Stands for "/" inside a stored text, since "/" separates the fields of a line.
inline constexpr std::string_view kSlashEscape = "@^_^@tavon@^_^@";

std::string EscapeSlashes(std::string_view text);
std::string UnescapeSlashes(std::string_view text);

// Reads the items of delimited text input from decoded text, the way the
// classic sequential reader does, made strict where it would guess:
// - Blanks (space, tab) before an item are skipped; so are line ends, so
//   blank lines carry no item and a file of nothing but them has none.
// - An item that begins with a double quote runs to the next double quote,
//   line ends included; the quotes are removed. After it may come blanks and
//   then a comma (the next item follows on the same line), a line end, or the
//   end of the file. Anything else there, or a quote that is never closed,
//   makes the text unreadable.
// - Any other item runs to the next comma or line end, without its trailing
//   blanks; a double quote inside it makes the text unreadable. Two commas in
//   a row hold an empty item.
// - A line end is CR LF, a lone LF or a lone CR. The last line needs none.
// Returns nothing when the text is unreadable.
std::optional<std::vector<std::string>> ReadDelimitedItems(std::string_view text);

// The whole file, bytes to entries (index 0 of the result unused, as in the
// store). Nothing when the bytes are not code page 932, an item is unreadable,
// or an item splits at "/" into fewer than three parts. Parts after the third
// are dropped.
std::optional<std::vector<TextRecord>> ParseRecordFile(std::string_view bytes);

// The file's bytes for entries 1..N of `records`.
std::string FormatRecordFile(const std::vector<TextRecord>& records);

}  // namespace mirel
