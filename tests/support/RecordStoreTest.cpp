// The record store across a run: what is loaded from "Mirel.mtt", what the
// store answers, and the exact bytes written back at the end.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "sound/AudioBackend.h"
#include "sound/Mci.h"
#include "support/AtomicSave.h"
#include "support/Zentik11.h"
#include "tests/support/TestFolder.h"

namespace mirel {
namespace {

std::string Repeat(const char* pair, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += pair;
  return s;
}

std::string DefaultFile() {
  const char* names[] = {"\x82\xa0", "\x82\xa2", "\x82\xa4", "\x82\xa6", "\x82\xa8"};
  const char* values[] = {"500", "400", "300", "200", "100"};
  std::string file;
  for (int k = 1; k <= 15; ++k) {
    file += std::string("\"") + values[(k - 1) % 5] + "/" + std::to_string(k) + "/" +
            Repeat(names[(k - 1) % 5], 6) + "\"\r\n";
  }
  return file;
}

class RecordStore : public ::testing::Test {
 protected:
  RecordStore() : mci_(backend_) {}

  // One run of the program: load, whatever `during` does, save.
  void Run(const std::function<void(Zentik11&)>& during = {}) {
    Zentik11 lib(mci_, folder_.RecordFile());
    if (during) during(lib);
  }
  std::vector<TextRecord> Loaded() { return Zentik11(mci_, folder_.RecordFile()).RecordTable(); }
  std::string File() const { return test::Slurp(folder_.RecordFile()); }
  void SetFile(const std::string& bytes) const { test::Spit(folder_.RecordFile(), bytes); }

  test::TestFolder folder_;
  SilentAudioBackend backend_;
  MciInterpreter mci_;
};

// --- loading and saving the file ---

TEST_F(RecordStore, MissingFileBecomesTheFifteenDefaultLines) {
  Run([](Zentik11& lib) {
    ASSERT_EQ(lib.RecordTable().size(), 16u);
    EXPECT_EQ(lib.ReadText("1", true), "ああああああ");
    EXPECT_EQ(lib.ReadText("1", false), "500");
    EXPECT_EQ(lib.ReadText("10", false), "100");
    EXPECT_EQ(lib.ReadText("14", true), "ええええええ");
  });
  const std::string file = File();
  EXPECT_EQ(file, DefaultFile());
  EXPECT_FALSE(std::filesystem::exists(folder_.Backup())) << "a missing file is nothing to keep";
}

TEST_F(RecordStore, FileTheProgramWroteIsWrittenBackByteForByte) {
  Run([](Zentik11& lib) {
    std::string name = "名前/１";
    lib.WriteText(name, "3", true);
    std::string empty;
    lib.WriteText(empty, "extra", false);
  });
  const std::string written = File();
  Run();
  EXPECT_EQ(File(), written);
  EXPECT_FALSE(std::filesystem::exists(folder_.Backup()));
}

TEST_F(RecordStore, EmptyFileGivesAnEmptyStoreAndStaysEmpty) {
  SetFile("");
  Run([](Zentik11& lib) {
    EXPECT_EQ(lib.RecordTable().size(), 1u);
    EXPECT_EQ(lib.ReadText("1", true), "");
    EXPECT_EQ(lib.ReadText("", false), "");
  });
  EXPECT_EQ(File(), "");
  EXPECT_FALSE(std::filesystem::exists(folder_.Backup()));
}

TEST_F(RecordStore, UnreadableFileGivesDefaultsAndIsKeptAsBak) {
  const std::string cases[] = {
      "\"1/a/x\"\r\n\"500/1\"\r\n\"2/b/y\"\r\n",  // one line with a single "/"
      "\"1/a/x\"\r\n\"2\x82\"\r\n",               // a lead byte without its second byte
      "\"1/a/x\r\n",                              // a quote never closed
  };
  for (const std::string& old : cases) {
    SCOPED_TRACE(old);
    SetFile(old);
    std::filesystem::remove(folder_.Backup());
    Run([](Zentik11& lib) {
      EXPECT_EQ(lib.RecordTable().size(), 16u);
      EXPECT_EQ(lib.ReadText("a", false), "");
    });
    EXPECT_EQ(File(), DefaultFile());
    EXPECT_EQ(test::Slurp(folder_.Backup()), old);
  }
}

// Two instances on one unreadable file once made the second's .bak (its
// defaults) replace the first's (the original bytes).
TEST_F(RecordStore, BackupsOfUnreadableFilesAreNeverOverwritten) {
  const std::string old = "\"1/only-two\"\r\n";
  SetFile(old);
  {
    Zentik11 first(mci_, folder_.RecordFile());
    Zentik11 second(mci_, folder_.RecordFile());
  }
  EXPECT_EQ(test::Slurp(folder_.Backup()), old);
  EXPECT_EQ(File(), DefaultFile());
  // A later unreadable file goes beside the first backup, not over it.
  SetFile("\"later\"\r\n");
  Run();
  EXPECT_EQ(test::Slurp(folder_.Backup()), old);
  EXPECT_EQ(test::Slurp(folder_.Path() / "Mirel.mtt.bak.2"), "\"later\"\r\n");
}

// Start-up once read a 100 MB file whole into 1.2 GB of memory.
TEST_F(RecordStore, FileOverSixteenMegabytesIsKeptAsideUnread) {
  SetFile("\"1/k/n\"\r\n");
  std::filesystem::resize_file(folder_.RecordFile(), (std::uintmax_t(16) << 20) + 1);
  const auto identity = IdentityOf(folder_.RecordFile());
  Run([](Zentik11& lib) { EXPECT_EQ(lib.RecordTable().size(), 16u); });
  EXPECT_EQ(File(), DefaultFile());
  EXPECT_EQ(IdentityOf(folder_.Backup()), identity) << "the big file was copied, not moved aside";
}

#ifndef _WIN32  // owners and modes are Linux's
// A save run by root gave a player's file to root, so the player's own later
// saves failed.
TEST_F(RecordStore, SaveKeepsTheFilesOwnerAndMode) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
  SetFile("\"1/k/n\"\r\n");
  ASSERT_EQ(chown(folder_.RecordFile().c_str(), 65534, 65534), 0);
  ASSERT_EQ(chmod(folder_.RecordFile().c_str(), 0640), 0);
  Run();
  struct stat saved {};
  ASSERT_EQ(stat(folder_.RecordFile().c_str(), &saved), 0);
  EXPECT_EQ(saved.st_uid, 65534u);
  EXPECT_EQ(saved.st_gid, 65534u);
  EXPECT_EQ(saved.st_mode & 07777, 0640u);
}
#endif

TEST_F(RecordStore, LinesWithFourOrMoreFieldsKeepTheFirstThree) {
  SetFile("\"1/k/n/x\"\r\n\"2/j/m/x/y/z\"\r\n");
  Run([](Zentik11& lib) {
    ASSERT_EQ(lib.RecordTable().size(), 3u);
    EXPECT_EQ(lib.RecordTable()[1], (TextRecord{"1", "k", "n"}));
    EXPECT_EQ(lib.RecordTable()[2], (TextRecord{"2", "j", "m"}));
  });
  EXPECT_EQ(File(), "\"1/k/n\"\r\n\"2/j/m\"\r\n");
}

// --- reading and writing texts ---

TEST_F(RecordStore, SlashesAreEscapedInTheStoreAndTheFile) {
  SetFile("\"x@^_^@tavon@^_^@y/k/n\"\r\n");
  Run([](Zentik11& lib) {
    // A text that holds the escape itself reads back with "/".
    EXPECT_EQ(lib.ReadText("k", false), "x/y");
    std::string name = "a/b//c";
    lib.WriteText(name, "k", true);
    EXPECT_EQ(name, "a@^_^@tavon@^_^@b@^_^@tavon@^_^@@^_^@tavon@^_^@c");
    EXPECT_EQ(lib.RecordTable()[1].NameText, name);
    EXPECT_EQ(lib.ReadText("k", true), "a/b//c");
  });
  EXPECT_EQ(File(), "\"x@^_^@tavon@^_^@y/k/a@^_^@tavon@^_^@b@^_^@tavon@^_^@@^_^@tavon@^_^@c\"\r\n");
  Run([](Zentik11& lib) { EXPECT_EQ(lib.ReadText("k", true), "a/b//c"); });
}

TEST_F(RecordStore, NewKeyAppendsAnEntryAtTheEnd) {
  Run([](Zentik11& lib) {
    std::string name = "新";
    lib.WriteText(name, "16", true);
    ASSERT_EQ(lib.RecordTable().size(), 17u);
    EXPECT_EQ(lib.RecordTable()[16], (TextRecord{"", "16", "新"}));
  });
  const std::string file = File();
  EXPECT_EQ(file.substr(0, DefaultFile().size()), DefaultFile());
  EXPECT_EQ(file.substr(DefaultFile().size()), "\"/16/\x90\x56\"\r\n");

  SetFile("");
  Run([](Zentik11& lib) {
    std::string value = "7";
    lib.WriteText(value, "only", false);
    EXPECT_EQ(lib.RecordTable().size(), 2u);
  });
  EXPECT_EQ(File(), "\"7/only/\"\r\n");
}

TEST_F(RecordStore, KeysAreComparedExactly) {
  Run([](Zentik11& lib) {
    EXPECT_EQ(lib.ReadText("01", false), "");
    EXPECT_EQ(lib.ReadText("1 ", false), "");
    std::string value = "9";
    lib.WriteText(value, "01", false);
    EXPECT_EQ(lib.RecordTable().size(), 17u);
    EXPECT_EQ(lib.ReadText("1", false), "500");

    std::string lower = "lower", upper = "upper";
    lib.WriteText(lower, "key", true);
    lib.WriteText(upper, "KEY", true);
    EXPECT_EQ(lib.ReadText("key", true), "lower");
    EXPECT_EQ(lib.ReadText("KEY", true), "upper");
    EXPECT_EQ(lib.ReadText("Key", true), "");
  });
}

TEST_F(RecordStore, DuplicateKeysUseTheFirstAndKeepTheSecond) {
  SetFile("\"1/k/first\"\r\n\"2/k/second\"\r\n");
  Run([](Zentik11& lib) {
    EXPECT_EQ(lib.ReadText("k", true), "first");
    std::string name = "changed";
    lib.WriteText(name, "k", true);
    EXPECT_EQ(lib.ReadText("k", true), "changed");
  });
  EXPECT_EQ(File(), "\"1/k/changed\"\r\n\"2/k/second\"\r\n");
}

TEST_F(RecordStore, CharactersWhereCodePagesDifferSurvive) {
  // Each pair shares one code: the first is written, the second read back.
  const std::string pairs[][2] = {
      {"〜", "～"},  // U+301C wave dash, U+FF5E fullwidth tilde: 81 60
      {"‖", "∥"},    // U+2016, U+2225: 81 61
      {"−", "－"},   // U+2212, U+FF0D: 81 7C
      {"¢", "￠"},   // 81 91
      {"£", "￡"},   // 81 92
      {"¬", "￢"},   // 81 CA
  };
  std::string written, expected;
  for (const auto& pair : pairs) {
    written += pair[0];
    expected += pair[1];
  }
  std::string windowsForms = expected;
  Run([&](Zentik11& lib) {
    lib.WriteText(written, "mixed", true);
    EXPECT_EQ(written, expected) << "Str comes back as stored";
    lib.WriteText(windowsForms, "windows", true);
    EXPECT_EQ(windowsForms, expected) << "forms the file reads back stay as they are";
  });
  const std::string cp932 = "\x81\x60\x81\x61\x81\x7c\x81\x91\x81\x92\x81\xca";
  EXPECT_NE(File().find("\"/mixed/" + cp932 + "\"\r\n"), std::string::npos);
  Run([&](Zentik11& lib) {
    EXPECT_EQ(lib.ReadText("mixed", true), expected);
    EXPECT_EQ(lib.ReadText("windows", true), expected);
  });
}

TEST_F(RecordStore, TextsTheFileCannotHoldAreMadeSafe) {
  SetFile("");
  Run([](Zentik11& lib) {
    std::string emoji = "a😀b\xff";  // no code page 932 form; not UTF-8 at all
    lib.WriteText(emoji, "emoji", true);
    EXPECT_EQ(emoji, "a?b?");
    std::string quoted = "say \"hi\"";
    lib.WriteText(quoted, "quote", true);
    EXPECT_EQ(quoted, "say 'hi'");
    std::string lines = "one\r\ntwo\nthree";
    lib.WriteText(lines, "lines", true);
    EXPECT_EQ(lines, "one  two three");
    // A key with "/" or a quote is held escaped, so its line keeps three fields.
    std::string value = "v";
    lib.WriteText(value, "a/b\"c", false);
    EXPECT_EQ(lib.ReadText("a/b\"c", false), "v");
  });
  const std::vector<TextRecord> before = Loaded();
  ASSERT_EQ(before.size(), 5u);
  EXPECT_FALSE(std::filesystem::exists(folder_.Backup()));
  Run([](Zentik11& lib) {
    EXPECT_EQ(lib.ReadText("emoji", true), "a?b?");
    EXPECT_EQ(lib.ReadText("quote", true), "say 'hi'");
    EXPECT_EQ(lib.ReadText("lines", true), "one  two three");
    EXPECT_EQ(lib.ReadText("a/b\"c", false), "v");
  });
  EXPECT_EQ(Loaded(), before);
}

}  // namespace
}  // namespace mirel
