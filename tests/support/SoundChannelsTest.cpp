// Sound channels as seen by the multimedia interpreter: which command strings
// are sent, in which order, and what is refused before anything is sent.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "sound/AudioBackend.h"
#include "sound/Mci.h"
#include "support/Zentik11.h"
#include "tests/support/TestFolder.h"

namespace mirel {
namespace {

class SoundChannels : public ::testing::Test {
 protected:
  SoundChannels() : mci_(backend_, CommandLog::Kept), lib_(std::make_unique<Zentik11>(mci_, folder_.RecordFile())) {}

  std::vector<std::string> Commands() const {
    std::vector<std::string> commands;
    for (const MciInterpreter::Entry& entry : mci_.Log()) commands.push_back(entry.command);
    return commands;
  }
  std::string Sound(int n) const {
    return (folder_.Path() / ("Sound" + std::to_string(n) + ".wav")).string();
  }

  test::TestFolder folder_;
  SilentAudioBackend backend_;
  MciInterpreter mci_;
  std::unique_ptr<Zentik11> lib_;
};

TEST_F(SoundChannels, RegistrationGrowsTheTableAndNeverShrinksIt) {
  ASSERT_EQ(lib_->SoundTable().size(), 1u);
  lib_->SoundSet(1, Sound(1), false);
  lib_->SoundSet(2, Sound(2), false);
  ASSERT_EQ(lib_->SoundTable().size(), 3u);
  EXPECT_EQ(lib_->SoundTable()[0].Number, 0);
  EXPECT_EQ(lib_->SoundTable()[0].FileName, "");
  EXPECT_FALSE(lib_->SoundTable()[0].RePlay);
  EXPECT_EQ(lib_->SoundTable()[2].FileName, Sound(2));

  lib_->SoundSet(5, Sound(5), false);
  ASSERT_EQ(lib_->SoundTable().size(), 6u);
  EXPECT_EQ(lib_->SoundTable()[3].Number, 0);
  EXPECT_EQ(lib_->SoundTable()[4].FileName, "");
  lib_->SoundSet(1, Sound(9), false);
  EXPECT_EQ(lib_->SoundTable().size(), 6u);
  EXPECT_EQ(lib_->SoundTable()[1].FileName, Sound(9));

  // Re-registering opens again under the same alias, without closing first.
  EXPECT_EQ(Commands(), (std::vector<std::string>{
                            "open \"" + Sound(1) + "\" alias 1",
                            "open \"" + Sound(2) + "\" alias 2",
                            "open \"" + Sound(5) + "\" alias 5",
                            "open \"" + Sound(9) + "\" alias 1",
                        }));
}

TEST_F(SoundChannels, RepeatChannelOpensAsVideoAndLoops) {
  lib_->SoundSet(1, Sound(1), false);
  lib_->SoundSet(2, Sound(2), true);
  lib_->PlaySound(1);
  lib_->PlaySound(2);
  lib_->StopSound(2);
  lib_->StopSound(1);
  EXPECT_EQ(Commands(), (std::vector<std::string>{
                            "open \"" + Sound(1) + "\" alias 1",
                            "open \"" + Sound(2) + "\" alias 2 type mpegvideo",
                            "play \"1\" from 0 notify",
                            "play \"2\" repeat",
                            "stop \"2\" notify",
                            "stop \"1\" notify",
                        }));
}

TEST_F(SoundChannels, ChannelZeroAndUnregisteredSlotsUseAliasZero) {
  lib_->SoundSet(2, Sound(2), false);
  mci_.ClearLog();
  lib_->PlaySound(1);  // slot 1 was never filled: its stored number is 0
  lib_->PlaySound(0);
  lib_->StopSound(1);
  lib_->SoundSet(0, Sound(0), false);
  EXPECT_EQ(lib_->SoundTable().size(), 3u);
  EXPECT_EQ(lib_->SoundTable()[0].FileName, Sound(0));
  EXPECT_EQ(Commands(), (std::vector<std::string>{"play \"0\" from 0 notify", "play \"0\" from 0 notify",
                                                  "stop \"0\" notify", "open \"" + Sound(0) + "\" alias 0"}));
}

TEST_F(SoundChannels, OutOfRangeNumbersThrowAndSendNothing) {
  lib_->SoundSet(1, Sound(1), false);
  lib_->SoundSet(2, Sound(2), false);
  mci_.ClearLog();

  EXPECT_THROW(lib_->PlaySound(3), std::out_of_range);
  EXPECT_THROW(lib_->PlaySound(-1), std::out_of_range);
  EXPECT_THROW(lib_->StopSound(3), std::out_of_range);
  EXPECT_THROW(lib_->StopSound(std::numeric_limits<std::int32_t>::min()), std::out_of_range);
  EXPECT_THROW(lib_->SoundSet(-1, Sound(1), false), std::out_of_range);
  // A stray huge number must not grow the table to billions of slots.
  EXPECT_THROW(lib_->SoundSet(Zentik11::kHighestChannel + 1, Sound(1), false), std::out_of_range);
  EXPECT_THROW(lib_->SoundSet(std::numeric_limits<std::int32_t>::max(), Sound(1), false), std::out_of_range);

  EXPECT_TRUE(Commands().empty());
  ASSERT_EQ(lib_->SoundTable().size(), 3u);
  EXPECT_EQ(lib_->SoundTable()[1].FileName, Sound(1));

  lib_->SoundSet(Zentik11::kHighestChannel, Sound(1), false);
  EXPECT_EQ(lib_->SoundTable().size(), static_cast<std::size_t>(Zentik11::kHighestChannel) + 1);
}

TEST_F(SoundChannels, AllStopSoundStopsEverySlotFromZero) {
  lib_->AllStopSound();
  EXPECT_EQ(Commands(), std::vector<std::string>{"stop \"0\""});

  lib_->SoundSet(1, Sound(1), false);
  lib_->SoundSet(2, Sound(2), true);
  mci_.ClearLog();
  lib_->AllStopSound();
  EXPECT_EQ(Commands(), (std::vector<std::string>{"stop \"0\"", "stop \"1\"", "stop \"2\""}));
}

// Notes, for each stop and close that reaches a device, whether the record
// file was already on disk.
class RecordingBackend : public SilentAudioBackend {
 public:
  explicit RecordingBackend(std::filesystem::path file) : file_(std::move(file)) {}
  void Stop(const std::string& alias) override { Note("stop " + alias); }
  void Close(const std::string& alias) override { Note("close " + alias); }
  std::vector<std::string> calls;

 private:
  void Note(const std::string& call) {
    calls.push_back(call + (std::filesystem::exists(file_) ? " (saved)" : " (not saved)"));
  }
  std::filesystem::path file_;
};

// Guards: a double quote in the program folder's path ended the file name
// early, and the game was silent without a word.
TEST_F(SoundChannels, AnyFolderNameKeepsItsSounds) {
  const std::filesystem::path quoted = folder_.Path() / "say \"cheese\"";
  std::error_code error;
  if (!std::filesystem::create_directory(quoted, error)) GTEST_SKIP() << "no double quote in names here";
  test::Spit(quoted / "Sound1.wav", "RIFF");
  lib_->SoundSet(1, (quoted / "Sound1.wav").string(), false);
  ASSERT_EQ(mci_.Log().size(), 1u);
  EXPECT_EQ(mci_.Log()[0].result, 0u) << mci_.Log()[0].command;
  EXPECT_TRUE(mci_.IsOpen("1"));
}

TEST(SoundChannelsDestruction, SavesFirstThenStopsAndClosesEverySlotInOrder) {
  test::TestFolder folder;
  RecordingBackend backend(folder.RecordFile());
  MciInterpreter mci(backend, CommandLog::Kept);
  {
    Zentik11 lib(mci, folder.RecordFile());
    for (int n : {1, 2}) {
      const std::filesystem::path sound = folder.Path() / ("Sound" + std::to_string(n) + ".wav");
      test::Spit(sound, "RIFF");  // only opened, never played
      lib.SoundSet(n, sound.string(), false);
    }
    mci.ClearLog();
  }
  std::vector<std::string> commands;
  for (const MciInterpreter::Entry& entry : mci.Log()) commands.push_back(entry.command);
  EXPECT_EQ(commands, (std::vector<std::string>{"stop \"0\"", "close \"0\"", "stop \"1\"", "close \"1\"",
                                                "stop \"2\"", "close \"2\""}));
  // Whatever reached a device came after the save.
  ASSERT_FALSE(backend.calls.empty());
  for (const std::string& call : backend.calls) EXPECT_NE(call.find("(saved)"), std::string::npos) << call;
}

}  // namespace
}  // namespace mirel
