#pragma once
// The window's state and handlers without the window: the label menu, the
// start-up handler and the choice of the player's own picture, over the game
// it holds. Every change to the game goes through here, so the labels never
// fall out of step with the board.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "LabelTable.h"
#include "board/Game.h"
#include "platform/Bitmap.h"

namespace mirel {

// The title's backdrop, read from the program's resources, or an empty bitmap
// when they cannot be read. It needs no display and may run on any thread, so
// the start reads it while Qt is still connecting to the display.
Bitmap LoadBackdrop();
// Built-in relief pictureNo (0..3) at 300 x 300; empty when it cannot be read.
Bitmap LoadRelief(std::int32_t pictureNo);

struct LabelState {
  std::string Caption;
  bool Visible = false;
};

// What the menu holds besides the game: its labels as the player sees them.
struct MenuState {
  std::array<LabelState, kLabelCount> Label1;
};

class Form1 {
 public:
  // Loads the backdrop into its box and sets the labels as designed. The
  // built-in reliefs are loaded when a game first needs one.
  Form1(Host& host, Zentik11& lib);
  // The same with the backdrop already read by LoadBackdrop().
  Form1(Host& host, Zentik11& lib, const Bitmap& backdrop);

  // Runs once before the window is first shown. Seeds the shuffles from the
  // clock, or from MIREL_SEED when it holds a whole number.
  void Form_Load();
  // The click handler of the label array.
  void Label1_Click(std::int16_t Index);
  // The window's mouse-button-down handler: X, Y in client pixels.
  PressOutcome Form_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);

  // A board of this level (1..4) from picture pictureNo (0..3 built in, 4 the
  // player's own), every label put away, as a level label does.
  void StartLevel(std::int32_t level, std::int32_t pictureNo);
  // The sound switch and its caption.
  void SetSoundOn(bool on);

  // Shows the open-file dialog and reads the chosen picture, fitted into the
  // 300 x 300 box. Nothing when nothing usable was chosen; the player has
  // then been told why.
  std::optional<Bitmap> ChooseOwnPicture();
  // Puts a picture into the own-picture box, fitted, and marks it for the next game.
  void UseOwnPicture(const Bitmap& picture);

  // A fixed seed replays the same games (tests, benchmarks); Form_Load seeds
  // from the clock.
  void SeedRandom(std::uint64_t seed) { game_.SeedRandom(seed); }

  // What the window shows and the tests check.
  const Game& Puzzle() const { return game_; }
  const FormState& State() const { return game_.State(); }
  const FormControls& Controls() const { return game_.Controls(); }
  const MenuState& Menu() const { return menu_; }

  // A picture load that takes longer than this shows the busy cursor.
  int busyCursorAfterMs = 100;

 private:
  // Loads a built-in picture into its box the first time one is played, so
  // the start loads only what the title shows.
  void LoadBuiltInOnce(std::int32_t pictureNo);
  // The title screen's labels, whether from the level screen or a finished game.
  void ShowTitle();

  Host& host_;
  Game game_;
  MenuState menu_;
  std::array<bool, kOwnPictureNo> builtInLoaded_{};
};

}  // namespace mirel
