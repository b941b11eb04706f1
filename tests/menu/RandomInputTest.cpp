// Long runs of random input: presses anywhere, clicks on shown labels, random
// answers. After every event the model's invariants hold and the labels show
// exactly one screen.

#include <deque>
#include <random>

#include "MenuFixture.h"
#include "tests/common/BmpFile.h"
#include "tests/common/TempFolder.h"

namespace mirel {
namespace {

class RandomInputTest : public MenuTest {
 protected:
  RandomInputTest() {
    host.keepLog = false;  // counts only: the run is long
    host.onMessageBox = [this](const HostCall& call) {
      if (call.buttons == MsgButtons::Ok) return MsgAnswer::Ok;
      return Chance(0.5) ? MsgAnswer::Yes : MsgAnswer::No;
    };
    test::WriteBmp(folder.Path() / "small.bmp", 120, 90, 0x1EA05A);
  }

  bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; }
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
  float Coordinate() { return std::uniform_real_distribution<float>(-20.0f, 420.0f)(rng); }

  std::string CheckScreen() const {
    const std::string labels = VisibleLabels(form);
    if (labels == kTitleScreen || labels == kLevelScreen)
      return form.State().BoardActive ? "board active on a menu" : "";
    if (labels == kGameScreen) return form.State().BoardActive ? "" : "no labels but no board";
    return "labels " + labels;
  }

  std::int16_t Button() { return std::int16_t(Pick(5)); }
  std::int16_t Shift() { return std::int16_t(Pick(8)); }

  // Presses (c, r) at a random point inside the cell.
  void PressInside(int c, int r) {
    const CellRec& cell = form.Puzzle().CellAt(c, r);
    std::uniform_real_distribution<float> d(0.5f, float(cell.Width) - 0.5f);
    form.Form_MouseDown(Button(), Shift(), float(cell.Left) + d(rng), float(cell.Top) + d(rng));
  }

  // Presses exactly on a line between cells (or on the board's edge).
  void PressOnALine() {
    const int side = form.Puzzle().CurrentBoard().Side();
    const float line = float(50 + Pick(side + 1) * (300 / side));
    const float along = std::uniform_real_distribution<float>(50.0f, 350.0f)(rng);
    if (Chance(0.5))
      form.Form_MouseDown(Button(), Shift(), line, along + 50.0f);
    else
      form.Form_MouseDown(Button(), Shift(), along, line + 50.0f);
  }

  // Presses somewhere off the board: the margins or outside the window.
  void PressOffTheBoard() {
    float x = 0, y = 0;
    do {
      x = Coordinate();
      y = Coordinate();
    } while (x > 50 && x < 350 && y > 100 && y < 400);
    form.Form_MouseDown(Button(), Shift(), x, y);
  }

  std::mt19937_64 rng{12345};
  TempFolder folder;
};

TEST_F(RandomInputTest, HundredThousandEventsKeepTheModelWhole) {
  // On a board, some presses follow a solution so games do end; the rest go
  // anywhere, and most of those miss. A stray move is undone first, by
  // pressing the cell it went to.
  std::deque<kit::Cell> plan;
  bool boardWasActive = false;
  int games = 0, solved = 0, titles = 0;
  bool wasSolved = false;
  for (int event = 0; event < 100000; ++event) {
    const std::string labels = VisibleLabels(form);
    const kit::Cell gapBefore = kit::Gap(form.Puzzle().CurrentBoard());
    bool followedPlan = false;
    ASSERT_NO_THROW({
      if (!labels.empty() && Chance(0.8)) {
        std::vector<int> shown;
        for (int i = 0; i < kLabelCount; ++i)
          if (form.Menu().Label1[std::size_t(i)].Visible) shown.push_back(i);
        const int index = shown[std::size_t(Pick(int(shown.size())))];
        if (index == 2) {
          if (Chance(0.5))
            host.QueueCancel();
          else
            host.QueueFile((folder.Path() / (Chance(0.8) ? "small.bmp" : "missing.bmp")).string());
        }
        form.Label1_Click(std::int16_t(index));
        host.ClearScript();  // an answer the click did not ask for
      } else if (labels.empty() && !form.State().Solved) {
        // Most presses on a board move nothing, so games still end: few moves
        // go astray, and each repaint is the costly part of the run.
        const double r = std::uniform_real_distribution<double>(0, 1)(rng);
        if (r < 0.08 && !plan.empty()) {
          PressInside(plan.front().c, plan.front().r);
          followedPlan = true;
        } else if (r < 0.10) {
          PressInside(1 + Pick(form.Puzzle().CurrentBoard().Side()), 1 + Pick(form.Puzzle().CurrentBoard().Side()));
        } else if (r < 0.25) {
          form.Form_MouseDown(Button(), Shift(), Coordinate(), Coordinate());
        } else if (r < 0.60) {
          PressOnALine();
        } else {
          PressOffTheBoard();
        }
      } else {
        form.Form_MouseDown(Button(), Shift(), Coordinate(), Coordinate());
      }
    });

    ASSERT_EQ(CheckScreen(), "") << "event " << event;
    if (form.State().BoardActive) {
      ASSERT_EQ(kit::InvariantViolation(form.Puzzle()), "") << "event " << event;
      if (!boardWasActive) {
        ++games;
        plan.clear();
        for (const auto& m : kit::SolveMoves(form.Puzzle().CurrentBoard())) plan.push_back(m);
      } else {
        const kit::Cell gapAfter = kit::Gap(form.Puzzle().CurrentBoard());
        if (followedPlan && gapAfter == plan.front()) {
          plan.pop_front();
        } else if (gapAfter != gapBefore) {
          plan.push_front(gapBefore);  // the tile now there goes back
        }
      }
      if (form.State().Solved) plan.clear();
    } else if (boardWasActive) {
      ++titles;
    }
    if (form.State().Solved && !wasSolved) {
      ++solved;
      ASSERT_EQ(form.Puzzle().CurrentBoard().Text(), kit::SolvedText(form.Puzzle().CurrentBoard().Side()));
    }
    wasSolved = form.State().Solved;
    boardWasActive = form.State().BoardActive;
  }
  // The run went through every state, many times.
  EXPECT_GT(games, 20);
  EXPECT_GT(titles, 10);
  EXPECT_GT(solved, 10);
  EXPECT_GT(host.Count(HostCall::Kind::MessageBox), 20u);
}

}  // namespace
}  // namespace mirel
