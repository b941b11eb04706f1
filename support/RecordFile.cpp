#include "support/RecordFile.h"

#include "support/AnsiText.h"

namespace mirel {
namespace {

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  std::size_t start = 0;
  for (std::size_t hit; (hit = text.find(from, start)) != std::string_view::npos; start = hit + from.size()) {
    out.append(text.substr(start, hit - start));
    out.append(to);
  }
  out.append(text.substr(start));
  return out;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Steps over the one line end at `pos`: CR LF, a lone CR or a lone LF.
std::size_t SkipLineEnd(std::string_view text, std::size_t pos) {
  if (pos < text.size() && text[pos] == '\r') {
    ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
  } else if (pos < text.size() && text[pos] == '\n') {
    ++pos;
  }
  return pos;
}

}  // namespace

std::string EscapeSlashes(std::string_view text) { return ReplaceAll(text, "/", kSlashEscape); }

std::string UnescapeSlashes(std::string_view text) { return ReplaceAll(text, kSlashEscape, "/"); }

std::optional<std::vector<std::string>> ReadDelimitedItems(std::string_view text) {
  std::vector<std::string> items;
  std::size_t pos = 0;
  const std::size_t end = text.size();
  for (;;) {
    while (pos < end && (IsBlank(text[pos]) || IsLineEnd(text[pos]))) ++pos;
    if (pos == end) break;

    if (text[pos] == '"') {
      const std::size_t close = text.find('"', pos + 1);
      if (close == std::string_view::npos) return std::nullopt;
      items.emplace_back(text.substr(pos + 1, close - pos - 1));
      pos = close + 1;
      while (pos < end && IsBlank(text[pos])) ++pos;
      if (pos == end) break;
      if (text[pos] == ',') {
        ++pos;
      } else if (IsLineEnd(text[pos])) {
        pos = SkipLineEnd(text, pos);
      } else {
        return std::nullopt;
      }
      continue;
    }

    std::size_t stop = pos;
    while (stop < end && text[stop] != ',' && !IsLineEnd(text[stop])) {
      if (text[stop] == '"') return std::nullopt;
      ++stop;
    }
    std::size_t last = stop;
    while (last > pos && IsBlank(text[last - 1])) --last;
    items.emplace_back(text.substr(pos, last - pos));
    pos = stop < end && text[stop] == ',' ? stop + 1 : SkipLineEnd(text, stop);
  }
  return items;
}

std::optional<std::vector<TextRecord>> ParseRecordFile(std::string_view bytes) {
  const std::optional<std::string> text = AnsiToUtf8(bytes);
  if (!text) return std::nullopt;
  std::optional<std::vector<std::string>> items = ReadDelimitedItems(*text);
  if (!items) return std::nullopt;

  std::vector<TextRecord> records(1);
  records.reserve(items->size() + 1);
  for (const std::string& item : *items) {
    const std::size_t first = item.find('/');
    if (first == std::string::npos) return std::nullopt;
    const std::size_t second = item.find('/', first + 1);
    if (second == std::string::npos) return std::nullopt;
    const std::size_t third = item.find('/', second + 1);
    TextRecord& record = records.emplace_back();
    record.ValueText = item.substr(0, first);
    record.Key = item.substr(first + 1, second - first - 1);
    record.NameText =
        item.substr(second + 1, third == std::string::npos ? std::string::npos : third - second - 1);
  }
  return records;
}

std::string FormatRecordFile(const std::vector<TextRecord>& records) {
  std::string text;
  for (std::size_t i = 1; i < records.size(); ++i) {
    const TextRecord& record = records[i];
    text += '"';
    text += record.ValueText;
    text += '/';
    text += record.Key;
    text += '/';
    text += record.NameText;
    text += "\"\r\n";
  }
  return Utf8ToAnsi(text);
}

}  // namespace mirel
