#pragma once
// Form1 as the program starts it, with a scripted host, silent sound and a
// fixed random seed; and helpers that play it as a player would.

#include <gtest/gtest.h>

#include <string>

#include "menu/Form1.h"
#include "tests/common/BoardKit.h"
#include "tests/common/Screens.h"
#include "tests/common/ScriptedHost.h"
#include "tests/common/SoundRig.h"

namespace mirel {

class MenuTest : public ::testing::Test {
 protected:
  MenuTest() : form(host, sound.lib) {
    form.Form_Load();
    form.SeedRandom(20240611);
  }

  // Title screen to a board of the given level (1..4) with a built-in picture.
  void PickLevel(int level) {
    ASSERT_EQ(VisibleLabels(form), kTitleScreen);
    form.Label1_Click(1);
    ASSERT_EQ(VisibleLabels(form), kLevelScreen);
    form.Label1_Click(std::int16_t(level + 2));
    ASSERT_TRUE(form.State().BoardActive);
  }

  // Presses the board home; returns the number of presses.
  int Solve(std::int16_t button = 1) {
    const auto moves = kit::SolveMoves(form.Puzzle().CurrentBoard());
    for (const auto& m : moves) kit::Press(form, m.c, m.r, button);
    return int(moves.size());
  }

  // From a solved board back to the title.
  void ReturnToTitle() {
    host.QueueAnswer(MsgAnswer::Yes);
    form.Form_MouseDown(1, 0, 200, 50);
    ASSERT_EQ(VisibleLabels(form), kTitleScreen);
  }

  ScriptedHost host;
  SoundRig sound;
  Form1 form;
};

}  // namespace mirel
