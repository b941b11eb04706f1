// Where the player's data folder is, by the XDG rules, whatever the
// environment the game is started in.

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "support/DataFolder.h"

namespace mirel {
namespace {

namespace fs = std::filesystem;

// Sets `name` to `value`, or removes it for nothing.
void SetVariable(const char* name, const char* value) {
  if (value) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
}

// A relative XDG_DATA_HOME was taken from the working folder, and root
// without HOME kept its records in "/.local/share/mirel".
TEST(UserDataHome, FollowsTheXdgRulesThenThePasswordDatabase) {
  const passwd* user = getpwuid(geteuid());
  if (!user || !fs::path(user->pw_dir).is_absolute()) GTEST_SKIP() << "this user has no home in /etc/passwd";
  const fs::path fromDatabase = fs::path(user->pw_dir) / ".local" / "share";
  struct Case {
    const char* xdgDataHome;
    const char* home;
    fs::path expected;
  };
  const Case cases[] = {
      {"/data/own", "/home/player", "/data/own"},
      {"data/own", "/home/player", "/home/player/.local/share"},
      {"", "/home/player", "/home/player/.local/share"},
      {nullptr, nullptr, fromDatabase},
      {nullptr, "", fromDatabase},
      {"data/own", "home/player", fromDatabase},
  };
  const std::string xdg = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("XDG_DATA_HOME=") + (c.xdgDataHome ? c.xdgDataHome : "(unset)") +
                 " HOME=" + (c.home ? c.home : "(unset)"));
    SetVariable("XDG_DATA_HOME", c.xdgDataHome);
    SetVariable("HOME", c.home);
    EXPECT_EQ(UserDataHome(), c.expected);
  }
  SetVariable("XDG_DATA_HOME", xdg.empty() ? nullptr : xdg.c_str());
  SetVariable("HOME", home.empty() ? nullptr : home.c_str());
}

TEST(UserDataHome, NothingForAUserTheDatabaseDoesNotKnowWithoutHome) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can become a user the password database does not know";
  constexpr uid_t kUnknown = 54321;
  if (getpwuid(kUnknown)) GTEST_SKIP() << "user " << kUnknown << " exists here";
  EXPECT_EXIT(
      {
        unsetenv("XDG_DATA_HOME");
        unsetenv("HOME");
        std::exit(setuid(kUnknown) == 0 && !UserDataHome() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace mirel
