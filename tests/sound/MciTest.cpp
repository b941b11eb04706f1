// The command interpreter: the strings the program sends are accepted and reach
// the back end; everything the real interface would refuse is refused with a
// code, reaches nothing and changes nothing.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Utf8Path.h"
#include "sound/Mci.h"
#include "tests/common/TempFolder.h"
#include "tests/sound/WaveFile.h"

namespace mirel {
namespace {

// Writes down every call; refuses files whose name says "noise".
class RecordingBackend : public AudioBackend {
 public:
  bool Open(const std::string& alias, const std::filesystem::path& file) override {
    const std::string name = Utf8FromPath(file.filename());
    if (name.find("noise") != std::string::npos) return false;
    calls.push_back("open " + alias + " " + name);
    return true;
  }
  void Play(const std::string& alias, bool loop) override {
    calls.push_back("play " + alias + (loop ? " loop" : " once"));
  }
  void Stop(const std::string& alias) override { calls.push_back("stop " + alias); }
  void Close(const std::string& alias) override { calls.push_back("close " + alias); }
  std::vector<std::string> calls;
};

class Mci : public ::testing::Test {
 protected:
  Mci() {
    test::WriteWave(PathFromUtf8(File("Sound1.wav")), {{440, 0.1}});
    test::WriteWave(PathFromUtf8(File("Sound2.wav")), {{440, 0.1}});
  }
  // As the program names a file in a command: in UTF-8.
  std::string File(const std::string& name) const { return Utf8FromPath(folder_.Path() / PathFromUtf8(name)); }
  std::string Quoted(const std::string& name) const { return '"' + File(name) + '"'; }

  TempFolder folder_;
  RecordingBackend backend_;
  MciInterpreter mci_{backend_, CommandLog::Kept};
};

TEST_F(Mci, AcceptsTheProgramsCommandsAndDrivesTheBackEnd) {
  const std::vector<std::string> commands = {
      "open " + Quoted("Sound1.wav") + " alias 1",
      "open " + Quoted("Sound2.wav") + " alias 2 type mpegvideo",
      "play \"1\" from 0 notify",
      "play \"2\" repeat",
      "stop \"1\" notify",
      "stop \"2\"",
      "close \"1\"",
      "close \"2\"",
  };
  for (const std::string& command : commands) EXPECT_EQ(mci_.SendString(command), MCI_OK) << command;

  EXPECT_EQ(backend_.calls,
            (std::vector<std::string>{"open 1 Sound1.wav", "open 2 Sound2.wav", "play 1 once", "play 2 loop",
                                      "stop 1", "stop 2", "close 1", "close 2"}));
  ASSERT_EQ(mci_.Log().size(), commands.size());
  for (std::size_t i = 0; i < commands.size(); ++i) {
    EXPECT_EQ(mci_.Log()[i].command, commands[i]);
    EXPECT_EQ(mci_.Log()[i].result, MCI_OK);
  }
  EXPECT_FALSE(mci_.IsOpen("1"));

  // The game's own interpreter grew its log with every move of a long game.
  MciInterpreter unlogged(backend_);
  EXPECT_EQ(unlogged.SendString("open " + Quoted("Sound1.wav") + " alias 1"), MCI_OK);
  EXPECT_TRUE(unlogged.Log().empty());
}

TEST_F(Mci, ReadsQuotedNamesWithBlanksAndAnyCaseOfKeywords) {
  test::WriteWave(PathFromUtf8(File("音 の ファイル.wav")), {{440, 0.1}});
  EXPECT_EQ(mci_.SendString("OPEN \t" + Quoted("音 の ファイル.wav") + "  Alias \"Move\"  TYPE MpegVideo "),
            MCI_OK);
  EXPECT_TRUE(mci_.IsOpen("move"));
  EXPECT_EQ(mci_.SendString("Play move FROM 0 Notify"), MCI_OK);
  EXPECT_EQ(mci_.SendString("PLAY \"MOVE\" REPEAT"), MCI_OK);
  EXPECT_EQ(mci_.SendString("Stop \"Move\""), MCI_OK);
  EXPECT_EQ(backend_.calls, (std::vector<std::string>{"open move 音 の ファイル.wav", "play move once",
                                                      "play move loop", "stop move"}));
}

TEST_F(Mci, RefusesWhatTheInterfaceRefusesAndChangesNothing) {
  test::WriteFile(File("noise.wav"), "not a sound at all");
  std::filesystem::create_directory(folder_.Path() / "folder.wav");
  ASSERT_EQ(mci_.SendString("open " + Quoted("Sound1.wav") + " alias 1"), MCI_OK);
  ASSERT_EQ(mci_.SendString("open " + Quoted("Sound2.wav") + " alias 2 type mpegvideo"), MCI_OK);
  const std::vector<std::string> setUp = backend_.calls;
  mci_.ClearLog();

  const std::string sound = Quoted("Sound2.wav");
  const struct {
    std::string command;
    std::uint32_t code;
  } refused[] = {
      {"", MCIERR_MISSING_COMMAND_STRING},
      {"   ", MCIERR_MISSING_COMMAND_STRING},
      {"paly \"1\" from 0 notify", MCIERR_UNRECOGNIZED_COMMAND},
      {"\"play\" \"1\"", MCIERR_UNRECOGNIZED_COMMAND},
      // Aliases never opened, as a slot that was never registered sends.
      {"play \"0\" from 0 notify", MCIERR_INVALID_DEVICE_NAME},
      {"stop \"0\"", MCIERR_INVALID_DEVICE_NAME},
      {"close \"0\"", MCIERR_INVALID_DEVICE_NAME},
      {"play " + sound, MCIERR_INVALID_DEVICE_NAME},
      // A second open under an alias in use, even of another file.
      {"open " + Quoted("Sound2.wav") + " alias 1", MCIERR_DUPLICATE_ALIAS},
      {"open " + Quoted("Sound1.wav") + " alias \"1\" type mpegvideo", MCIERR_DUPLICATE_ALIAS},
      {"open " + Quoted("missing.wav") + " alias 7", MCIERR_FILE_NOT_FOUND},
      {"open " + Quoted("folder.wav") + " alias 7", MCIERR_FILE_NOT_FOUND},
      {"open " + Quoted("noise.wav") + " alias 7", MCIERR_INVALID_FILE},
      // Missing or extra words.
      {"open", MCIERR_MISSING_DEVICE_NAME},
      {"play", MCIERR_MISSING_DEVICE_NAME},
      {"play \"\" from 0", MCIERR_MISSING_DEVICE_NAME},
      {"open " + sound, MCIERR_MISSING_PARAMETER},
      {"open " + sound + " alias", MCIERR_MISSING_STRING_ARGUMENT},
      {"open " + sound + " alias \"\"", MCIERR_MISSING_STRING_ARGUMENT},
      {"open " + sound + " alias 7 type", MCIERR_MISSING_STRING_ARGUMENT},
      {"open " + sound + " alias 7 type cdaudio", MCIERR_INVALID_DEVICE_NAME},
      {"open " + sound + " alias 7 alias 8", MCIERR_DUPLICATE_FLAGS},
      {"open " + sound + " alias 7 shareable", MCIERR_UNRECOGNIZED_KEYWORD},
      {"open \"" + File("Sound2.wav") + " alias 7", MCIERR_NO_CLOSING_QUOTE},
      {"open " + sound + "x alias 7", MCIERR_EXTRA_CHARACTERS},
      {"play \"1\" from", MCIERR_MISSING_PARAMETER},
      {"play \"1\" from zero", MCIERR_BAD_INTEGER},
      {"play \"1\" from -1", MCIERR_BAD_INTEGER},
      {"play \"1\" from 250 notify", MCIERR_UNSUPPORTED_FUNCTION},
      {"play \"1\" repeat", MCIERR_UNRECOGNIZED_KEYWORD},  // a wave device cannot loop
      {"play \"1\" from 0 notify now", MCIERR_UNRECOGNIZED_KEYWORD},
      {"play \"1\" \"from\" 0", MCIERR_UNRECOGNIZED_KEYWORD},
      {"play \"1\" notify notify", MCIERR_DUPLICATE_FLAGS},
      {"play \"2\" wait", MCIERR_UNRECOGNIZED_KEYWORD},
      {"stop \"1\" notify please", MCIERR_UNRECOGNIZED_KEYWORD},
      {"stop \"1\" from 0", MCIERR_UNRECOGNIZED_KEYWORD},
      {"close \"1\" \"2\"", MCIERR_UNRECOGNIZED_KEYWORD},
  };
  for (const auto& [command, code] : refused) EXPECT_EQ(mci_.SendString(command), code) << command;

  EXPECT_EQ(backend_.calls, setUp);
  EXPECT_TRUE(mci_.IsOpen("1"));
  EXPECT_TRUE(mci_.IsOpen("2"));
  EXPECT_FALSE(mci_.IsOpen("7"));
  ASSERT_EQ(mci_.Log().size(), std::size(refused));
  for (std::size_t i = 0; i < std::size(refused); ++i) {
    EXPECT_EQ(mci_.Log()[i].command, refused[i].command);
    EXPECT_EQ(mci_.Log()[i].result, refused[i].code);
  }
}

TEST_F(Mci, PlayFromZeroAlwaysRestartsButARunningLoopGoesOn) {
  ASSERT_EQ(mci_.SendString("open " + Quoted("Sound1.wav") + " alias 1"), MCI_OK);
  ASSERT_EQ(mci_.SendString("open " + Quoted("Sound2.wav") + " alias 2 type mpegvideo"), MCI_OK);
  backend_.calls.clear();

  for (int i = 0; i < 3; ++i) EXPECT_EQ(mci_.SendString("play \"1\" from 0 notify"), MCI_OK);
  EXPECT_EQ(mci_.SendString("play \"2\" repeat"), MCI_OK);
  EXPECT_EQ(mci_.SendString("play \"2\" repeat"), MCI_OK);  // already looping
  EXPECT_EQ(mci_.SendString("play \"2\" from 0 repeat"), MCI_OK);
  EXPECT_EQ(mci_.SendString("stop \"2\""), MCI_OK);
  EXPECT_EQ(mci_.SendString("play \"2\" repeat"), MCI_OK);
  EXPECT_EQ(mci_.SendString("play \"2\" from 0 notify"), MCI_OK);  // a device that loops may play once
  EXPECT_EQ(mci_.SendString("play \"2\" repeat"), MCI_OK);
  EXPECT_EQ(backend_.calls,
            (std::vector<std::string>{"play 1 once", "play 1 once", "play 1 once", "play 2 loop",
                                      "play 2 loop", "stop 2", "play 2 loop", "play 2 once", "play 2 loop"}));
}

TEST_F(Mci, CloseFreesTheAliasForANewOpen) {
  test::WriteWave(File("other.wav"), {{880, 0.1}});
  ASSERT_EQ(mci_.SendString("open " + Quoted("Sound1.wav") + " alias 1 type mpegvideo"), MCI_OK);
  ASSERT_EQ(mci_.SendString("play \"1\" repeat"), MCI_OK);
  ASSERT_EQ(mci_.SendString("close \"1\""), MCI_OK);
  EXPECT_EQ(mci_.SendString("play \"1\" from 0 notify"), MCIERR_INVALID_DEVICE_NAME);
  EXPECT_EQ(mci_.SendString("close \"1\""), MCIERR_INVALID_DEVICE_NAME);
  EXPECT_EQ(mci_.SendString("open " + Quoted("other.wav") + " alias 1"), MCI_OK);
  // Reopened as a wave device, it no longer loops.
  EXPECT_EQ(mci_.SendString("play \"1\" repeat"), MCIERR_UNRECOGNIZED_KEYWORD);
  EXPECT_EQ(backend_.calls,
            (std::vector<std::string>{"open 1 Sound1.wav", "play 1 loop", "close 1", "open 1 other.wav"}));
}

}  // namespace
}  // namespace mirel
