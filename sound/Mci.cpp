#include "Mci.h"

#include <filesystem>
#include <optional>
#include <set>
#include <string_view>
#include <system_error>

#include "platform/FileBytes.h"
#include "platform/Utf8Path.h"

namespace mirel {

namespace {

struct Word {
  std::string text;
  bool quoted = false;
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Keywords and aliases are ASCII; bytes of UTF-8 sequences stay as they are.
std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return out;
}

// Splits a command into words. A word that starts with a double quote runs to
// the next double quote and must be followed by a blank or the end; inside
// it, two double quotes stand for one, so any file name can be written.
std::uint32_t Split(const std::string& command, std::vector<Word>& words) {
  std::size_t i = 0;
  const std::size_t n = command.size();
  while (true) {
    while (i < n && IsBlank(command[i])) ++i;
    if (i == n) return MCI_OK;
    Word word;
    if (command[i] == '"') {
      std::size_t close = i;
      for (;;) {
        const std::size_t from = close + 1;
        close = command.find('"', from);
        if (close == std::string::npos) return MCIERR_NO_CLOSING_QUOTE;
        word.text.append(command, from, close - from);
        if (close + 1 >= n || command[close + 1] != '"') break;
        word.text += '"';
        ++close;
      }
      word.quoted = true;
      i = close + 1;
      if (i < n && !IsBlank(command[i])) return MCIERR_EXTRA_CHARACTERS;
    } else {
      const std::size_t start = i;
      while (i < n && !IsBlank(command[i])) {
        if (command[i] == '"') return MCIERR_EXTRA_CHARACTERS;
        ++i;
      }
      word.text = command.substr(start, i - start);
    }
    words.push_back(std::move(word));
  }
}

// The flags after the device name: each keyword at most once; some take one
// argument. Unknown words are refused.
struct Flags {
  std::map<std::string, std::optional<Word>> given;
  bool Has(const std::string& keyword) const { return given.count(keyword) != 0; }
  const Word& Arg(const std::string& keyword) const { return *given.at(keyword); }
};

std::uint32_t ParseFlags(const std::vector<Word>& words, std::size_t from, const std::set<std::string>& plain,
                         const std::map<std::string, std::uint32_t>& withArgument, Flags& flags) {
  for (std::size_t i = from; i < words.size(); ++i) {
    if (words[i].quoted) return MCIERR_UNRECOGNIZED_KEYWORD;
    const std::string keyword = Lower(words[i].text);
    if (flags.Has(keyword)) return MCIERR_DUPLICATE_FLAGS;
    if (plain.count(keyword)) {
      flags.given.emplace(keyword, std::nullopt);
    } else if (const auto it = withArgument.find(keyword); it != withArgument.end()) {
      if (i + 1 == words.size()) return it->second;  // the argument is missing
      flags.given.emplace(keyword, words[++i]);
    } else {
      return MCIERR_UNRECOGNIZED_KEYWORD;
    }
  }
  return MCI_OK;
}

// A position: decimal digits only.
std::optional<std::uint64_t> ParsePosition(const Word& word) {
  if (word.text.empty() || word.text.size() > 18) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : word.text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + std::uint64_t(c - '0');
  }
  return value;
}

bool Readable(const std::filesystem::path& file) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return false;
  return OpenForReading(file) != nullptr;
}

}  // namespace

std::uint32_t MciInterpreter::SendString(const std::string& command) {
  const std::uint32_t result = Run(command);
  if (keepLog_) log_.push_back({command, result});
  return result;
}

bool MciInterpreter::IsOpen(const std::string& alias) const { return devices_.count(Lower(alias)) != 0; }

std::uint32_t MciInterpreter::Run(const std::string& command) {
  std::vector<Word> words;
  if (const std::uint32_t error = Split(command, words)) return error;
  if (words.empty()) return MCIERR_MISSING_COMMAND_STRING;
  if (words[0].quoted) return MCIERR_UNRECOGNIZED_COMMAND;
  const std::string verb = Lower(words[0].text);
  if (verb != "open" && verb != "play" && verb != "stop" && verb != "close")
    return MCIERR_UNRECOGNIZED_COMMAND;
  if (words.size() < 2 || words[1].text.empty()) return MCIERR_MISSING_DEVICE_NAME;
  const std::string& name = words[1].text;

  Flags flags;
  if (verb == "open") {
    if (const std::uint32_t error = ParseFlags(
            words, 2, {"notify"},
            {{"alias", MCIERR_MISSING_STRING_ARGUMENT}, {"type", MCIERR_MISSING_STRING_ARGUMENT}}, flags))
      return error;
    if (!flags.Has("alias")) return MCIERR_MISSING_PARAMETER;
    const std::string alias = Lower(flags.Arg("alias").text);
    if (alias.empty()) return MCIERR_MISSING_STRING_ARGUMENT;
    bool looping = false;
    if (flags.Has("type")) {
      const std::string type = Lower(flags.Arg("type").text);
      if (type == "mpegvideo")
        looping = true;
      else if (type != "waveaudio")
        return MCIERR_INVALID_DEVICE_NAME;
    }
    if (devices_.count(alias)) return MCIERR_DUPLICATE_ALIAS;
    const std::filesystem::path file = PathFromUtf8(name);
    if (!Readable(file)) return MCIERR_FILE_NOT_FOUND;
    if (!backend_.Open(alias, file)) return MCIERR_INVALID_FILE;
    devices_.emplace(alias, Device{name, looping, false});
    return MCI_OK;
  }

  const auto device = devices_.find(Lower(name));
  if (verb == "play") {
    if (const std::uint32_t error =
            ParseFlags(words, 2, {"repeat", "notify"}, {{"from", MCIERR_MISSING_PARAMETER}}, flags))
      return error;
    if (device == devices_.end()) return MCIERR_INVALID_DEVICE_NAME;
    const bool repeat = flags.Has("repeat");
    // Only the device that plays video files knows how to repeat.
    if (repeat && !device->second.looping) return MCIERR_UNRECOGNIZED_KEYWORD;
    if (flags.Has("from")) {
      const std::optional<std::uint64_t> position = ParsePosition(flags.Arg("from"));
      if (!position) return MCIERR_BAD_INTEGER;
      // Sounds start at their beginning; there is no seeking into them.
      if (*position != 0) return MCIERR_UNSUPPORTED_FUNCTION;
    }
    // Without a start position a loop that is running just goes on, as it
    // would from where it stands.
    if (repeat && !flags.Has("from") && device->second.loopRunning) return MCI_OK;
    backend_.Play(device->first, repeat);
    device->second.loopRunning = repeat;
    return MCI_OK;
  }

  if (const std::uint32_t error = ParseFlags(words, 2, {"notify"}, {}, flags)) return error;
  if (device == devices_.end()) return MCIERR_INVALID_DEVICE_NAME;
  if (verb == "stop") {
    backend_.Stop(device->first);
    device->second.loopRunning = false;
    return MCI_OK;
  }
  backend_.Close(device->first);
  devices_.erase(device);
  return MCI_OK;
}

std::string MciQuoted(std::string_view text) {
  std::string quoted(1, '"');
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

}  // namespace mirel
