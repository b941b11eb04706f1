#pragma once
// The window's state and handlers without the window: the board (Game) plus the
// label menu, the start-up handler and the choice of the player's own picture.

#include <array>
#include <cstdint>
#include <string>

#include "LabelTable.h"
#include "board/Game.h"
#include "platform/Bitmap.h"

namespace mirel {

// The title's backdrop, read from the program's resources, or an empty bitmap
// when they cannot be read. It needs no display and may run on any thread, so
// the start reads it while Qt is still connecting to the display.
Bitmap LoadBackdrop();

struct LabelState {
  std::string Caption;
  bool Visible = false;
};

// What the menu holds besides the game: its labels as the player sees them,
// and whether the player's own picture waits for the next game.
struct MenuState {
  std::array<LabelState, kLabelCount> Label1;
  bool OwnPicture = false;
};

class Form1 : public Game {
 public:
  // Loads the backdrop into its box and sets the labels as designed. The
  // built-in reliefs are loaded when a game first needs one.
  Form1(Host& host, Zentik11& lib);
  // The same with the backdrop already read by LoadBackdrop().
  Form1(Host& host, Zentik11& lib, const Bitmap& backdrop);

  // Runs once before the window is first shown.
  void Form_Load();
  // The click handler of the label array.
  void Label1_Click(std::int16_t Index);

  // Shows the open-file dialog and loads the chosen picture into Picture3(4).
  // True when nothing usable was chosen (and nothing changed).
  bool ChooseOwnPicture();
  // Fits the loaded own picture into 300 x 300 and marks it for the next game.
  void PrepareOwnPicture();

  // What the window shows of the menu and the tests check.
  const MenuState& Menu() const { return menu_; }

  // A picture load that takes longer than this shows the busy cursor.
  int busyCursorAfterMs = 100;

 private:
  void PictureNeeded(std::int32_t pictureNo) override;
  void ReturnedToTitle() override { ShowTitle(); }
  // The title screen's labels, whether from the level screen or a finished game.
  void ShowTitle();

  Host& host_;
  MenuState menu_;
  std::array<bool, kOwnPictureNo> builtInLoaded_{};
};

}  // namespace mirel
