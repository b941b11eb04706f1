#pragma once
// The window's state and handlers without the window: the board (Game) plus the
// label menu, the start-up handler and the choice of the player's own picture.

#include <array>
#include <cstdint>

#include "board/Game.h"

namespace mirel {

class Form1 : public Game {
 public:
  // Loads the built-in pictures into their boxes and sets the labels as designed.
  Form1(Host& host, Zentik11& lib);

  // Runs once before the window is first shown.
  void Form_Load();
  // The click handler of the label array.
  void Label1_Click(std::int16_t Index);

  // Shows the open-file dialog and loads the chosen picture into Picture3(4).
  // True when nothing usable was chosen (and nothing changed).
  bool ChooseOwnPicture();
  // Fits the loaded own picture into 300 x 300 and marks it for the next game.
  void PrepareOwnPicture();

  // A picture load that takes longer than this shows the busy cursor.
  int busyCursorAfterMs = 100;

 protected:
  void PictureNeeded(std::int32_t pictureNo) override;

 private:
  std::array<bool, kOwnPictureNo> builtInLoaded_{};
};

}  // namespace mirel
