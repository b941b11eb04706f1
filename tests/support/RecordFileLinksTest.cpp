// What may stand under the record file's name: only a regular file, or a link
// of the player's own to one, is read and replaced; anything else, planted by
// whoever may write the folder, is left exactly as it was.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>

#include "sound/AudioBackend.h"
#include "sound/Mci.h"
#include "support/Zentik11.h"
#include "tests/support/TestFolder.h"

namespace mirel {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

// Every name under `folder`, links not followed, with what it is: its kind,
// owner, and a link's text, a file's bytes or a device's numbers.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> names;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
    struct stat status {};
    lstat(entry.path().c_str(), &status);
    std::string what = std::to_string(status.st_mode) + " " + std::to_string(status.st_uid) + " ";
    if (S_ISLNK(status.st_mode)) what += fs::read_symlink(entry.path()).string();
    if (S_ISREG(status.st_mode)) what += test::Slurp(entry.path());
    if (S_ISCHR(status.st_mode)) what += std::to_string(status.st_rdev);
    names[fs::relative(entry.path(), folder)] = what;
  }
  return names;
}

// One run of the game on `file`, which sets key 1 to 999 after `during`;
// what it said on standard error.
std::string Play(const fs::path& file, const std::function<void(Zentik11&)>& during) {
  SilentAudioBackend backend;
  MciInterpreter mci(backend);
  testing::internal::CaptureStderr();
  {
    Zentik11 lib(mci, file);
    during(lib);
    std::string value = "999";
    lib.WriteText(value, "1", false);
  }
  return testing::internal::GetCapturedStderr();
}

// A symbolic link planted by another user made the game, run as root, rename
// a device or a folder and rewrite a system file through it at exit.
TEST(PlantedRecordFile, IsLeftAsItWasAndSaidOnce) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can plant files as another user or make a device";
  struct Plant {
    const char* what;
    std::function<void(const fs::path& name, const fs::path& elsewhere)> make;
  };
  const Plant plants[] = {
      {"a link to a device",
       [](const fs::path& name, const fs::path& elsewhere) {
         struct stat null {};
         const fs::path device = elsewhere / "zero";
         if (stat("/dev/null", &null) != 0 || mknod(device.c_str(), S_IFCHR | 0666, null.st_rdev) != 0) {
           ASSERT_EQ(mkfifo(device.c_str(), 0666), 0) << "neither a device nor a pipe can be made here";
         }
         fs::create_symlink(device, name);
       }},
      {"a link to a folder",
       [](const fs::path& name, const fs::path& elsewhere) {
         fs::create_directory(elsewhere / "etc");
         test::Spit(elsewhere / "etc" / "hosts", "127.0.0.1 localhost\n");
         fs::create_symlink(elsewhere / "etc", name);
       }},
      {"another user's link to a text file",
       [](const fs::path& name, const fs::path& elsewhere) {
         test::Spit(elsewhere / "passwd",
                    "root:x:0:0:root:/root:/bin/bash\nnobody:x:65534:65534::/:/bin/false\n");
         ASSERT_EQ(chown((elsewhere / "passwd").c_str(), kNobody, kNobody), 0);
         fs::create_symlink(elsewhere / "passwd", name);
         ASSERT_EQ(lchown(name.c_str(), kNobody, kNobody), 0);
       }},
      {"another user's link to no file",
       [](const fs::path& name, const fs::path& elsewhere) {
         fs::create_symlink(elsewhere / "cron-job", name);
         ASSERT_EQ(lchown(name.c_str(), kNobody, kNobody), 0);
       }},
      {"a pipe", [](const fs::path& name, const fs::path&) { ASSERT_EQ(mkfifo(name.c_str(), 0666), 0); }},
  };
  for (const Plant& plant : plants) {
    for (const bool whilePlaying : {false, true}) {
      SCOPED_TRACE(std::string(plant.what) + (whilePlaying ? ", planted while the game runs" : ""));
      test::TestFolder shared, elsewhere;
      ASSERT_EQ(chmod(shared.Path().c_str(), 01777), 0);
      std::map<std::string, std::string> before, beforeElsewhere;
      const auto makeIt = [&] {
        plant.make(shared.RecordFile(), elsewhere.Path());
        before = Snapshot(shared.Path());
        beforeElsewhere = Snapshot(elsewhere.Path());
      };
      if (!whilePlaying) makeIt();
      const std::string said = Play(shared.RecordFile(), [&](Zentik11& lib) {
        EXPECT_EQ(lib.ReadText("1", false), "500") << "the default entries";
        if (whilePlaying) makeIt();
      });
      EXPECT_EQ(Snapshot(shared.Path()), before);
      EXPECT_EQ(Snapshot(elsewhere.Path()), beforeElsewhere);
      EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
      EXPECT_NE(said.find("is left alone"), std::string::npos) << said;
    }
  }
}

TEST(PlantedRecordFile, PlayersOwnLinkToTheirFileIsReadAndSavedThrough) {
  test::TestFolder folder, elsewhere;
  const fs::path target = elsewhere.Path() / "records.mtt";
  test::Spit(target, "\"7/1/x\"\r\n");
  const fs::path link = fs::path("..") / elsewhere.Path().filename() / "records.mtt";
  fs::create_symlink(link, folder.RecordFile());
  EXPECT_EQ(Play(folder.RecordFile(), [](Zentik11& lib) { EXPECT_EQ(lib.ReadText("1", false), "7"); }), "");
  EXPECT_EQ(fs::read_symlink(folder.RecordFile()), link);
  EXPECT_EQ(test::Slurp(target), "\"999/1/x\"\r\n");
  EXPECT_EQ(Snapshot(folder.Path()).size(), 1u);
  EXPECT_EQ(Snapshot(elsewhere.Path()).size(), 1u) << "nothing staged is left beside the target";
}

}  // namespace
}  // namespace mirel
