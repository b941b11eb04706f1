// The command line: --help and --version, Qt's own options passed through,
// and anything else refused.

#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace mirel {
namespace {

TEST(CommandLine, HelpAndVersionAnswerQtOptionsPassAndTheRestIsRefused) {
  EXPECT_EQ(ReadCommandLine({}).start, StartAs::Game);
  EXPECT_EQ(ReadCommandLine({"-h"}).start, StartAs::Help);
  EXPECT_EQ(ReadCommandLine({"-platform", "offscreen", "--help"}).start, StartAs::Help);
  EXPECT_EQ(ReadCommandLine({"--version"}).start, StartAs::Version);
  EXPECT_EQ(ReadCommandLine({"-platform", "xcb", "--display=:1", "-reverse", "-style", "Fusion"}).start,
            StartAs::Game);

  // The value of a Qt option is not read as an option of its own, and an
  // option missing its value is refused rather than eating nothing.
  EXPECT_EQ(ReadCommandLine({"-qwindowtitle", "--version"}).start, StartAs::Game);
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--fullscreen"}, {"picture.png"},
                                               {"-platform"}, {"-reverse=1"}, {"-v"}}) {
    const CommandLine command = ReadCommandLine(args);
    EXPECT_EQ(command.start, StartAs::Refused) << args[0];
    EXPECT_EQ(command.refused, args[0]);
  }
  EXPECT_EQ(RefusalText("-x"), "mirel: unknown argument '-x'; see 'mirel --help'\n");
}

}  // namespace
}  // namespace mirel
