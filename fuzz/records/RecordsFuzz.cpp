// Any bytes as "Mirel.mtt": the store loads them (or the defaults), saves,
// and loads back to the same entries; the second save repeats the first byte
// for byte; an unreadable file is kept whole in "Mirel.mtt.bak"; and a text
// written from the same bytes reads back as it was stored.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "sound/AudioBackend.h"
#include "sound/Mci.h"
#include "support/RecordFile.h"
#include "support/Zentik11.h"

namespace fs = std::filesystem;
using mirel::TextRecord;
using mirel::Zentik11;

namespace {

void RemoveFolder();

const fs::path& Folder() {
  static const fs::path folder = [] {
    fs::path f = fs::temp_directory_path() / ("mirel-fuzz-records-" + std::to_string(getpid()));
    fs::create_directories(f);
    return f;
  }();
  // Registered after the path exists, so it runs before the path is destroyed.
  [[maybe_unused]] static const int cleanup = std::atexit(RemoveFolder);
  return folder;
}

void RemoveFolder() {
  std::error_code ignored;
  fs::remove_all(Folder(), ignored);
}

std::string Slurp(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

std::vector<TextRecord> Defaults(mirel::MciInterpreter& mci) {
  static const std::vector<TextRecord> defaults = [&] {
    const fs::path none = Folder() / "missing" / "Mirel.mtt";
    std::vector<TextRecord> table = Zentik11(mci, none).RecordTable();
    return table;
  }();
  return defaults;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The store reports an unreadable file every time; that is the expected case here.
  std::cerr.rdbuf(nullptr);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const fs::path file = Folder() / "Mirel.mtt";
  const fs::path backup = Folder() / "Mirel.mtt.bak";
  std::error_code ignored;
  fs::remove(backup, ignored);
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(input.data(), static_cast<std::streamsize>(input.size()));
  }

  mirel::SilentAudioBackend backend;
  mirel::MciInterpreter mci(backend);
  const std::optional<std::vector<TextRecord>> parsed = mirel::ParseRecordFile(input);

  std::vector<TextRecord> first;
  {
    Zentik11 lib(mci, file);
    first = lib.RecordTable();
  }
  Check(first == (parsed ? *parsed : Defaults(mci)), "the load gives the parsed entries or the defaults");
  Check(fs::exists(backup) == !parsed, "a .bak exactly when the file was unreadable");
  if (!parsed) Check(Slurp(backup) == input, "the .bak holds the old bytes");
  const std::string saved = Slurp(file);
  if (parsed && mirel::FormatRecordFile(*parsed) == input)
    Check(saved == input, "own file kept byte for byte");

  // Second round: same entries, same bytes; then store texts made of the input.
  std::string asName = input;
  std::string asValue = input.substr(0, input.size() / 2);
  const std::string key = input.substr(input.size() / 2, 6);
  std::vector<TextRecord> written;
  {
    Zentik11 lib(mci, file);
    Check(lib.RecordTable() == first, "a saved store loads back to the same entries");
    lib.WriteText(asName, "fuzz", true);
    lib.WriteText(asValue, key, false);
    Check(lib.ReadText("fuzz", true) == mirel::UnescapeSlashes(asName), "WriteText stores what Str says");
    written = lib.RecordTable();
  }
  Check(!fs::exists(backup) || !parsed, "a readable file leaves no .bak");
  {
    Zentik11 lib(mci, file);
    Check(lib.RecordTable() == written, "written texts survive a save and a load");
    Check(lib.ReadText("fuzz", true) == mirel::UnescapeSlashes(asName), "name text reads back");
    Check(lib.ReadText(key, false) == mirel::UnescapeSlashes(asValue), "value text reads back");
  }
  return 0;
}
