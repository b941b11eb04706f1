#pragma once
// The humble window on Windows: shows the game's kept image at a whole scale,
// draws the nine menu labels over it and hands the mouse to the menu's
// pointer input. It decides nothing; after every handler it repaints at once.

#include "Win32.h"

#include <cstdint>

#include "MenuLabels.h"
#include "menu/PointerInput.h"

namespace mirel {

class Form1;

class Form1Frame {
 public:
  Form1Frame(Form1& form, HINSTANCE instance);
  ~Form1Frame();
  Form1Frame(const Form1Frame&) = delete;
  Form1Frame& operator=(const Form1Frame&) = delete;

  // Null once the window is gone.
  HWND Handle() const { return window_; }
  // Centres the window in its monitor's work area and shows it.
  void Show(int showCommand);
  // Repaints from the kept image and the labels now, not at the next turn of
  // the message loop.
  void RefreshNow();
  // The busy cursor over the window, or the arrow again.
  void SetBusy(bool on);
  // 0, or 1 after a run-time error ended the game.
  int ExitCode() const { return exitCode_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  void Paint();
  void MouseDown(std::int16_t button, WPARAM keys, LPARAM at);
  void ButtonUp(std::int16_t button, LPARAM at);
  // Takes the scale for this DPI and sizes the window for it.
  void Rescale(UINT dpi);
  void MakeBackBuffer();
  // Runs where the mouse went and repaints, or ends the program after a run-time error.
  void Dispatch(const Route& route);

  Form1& form_;
  HWND window_ = nullptr;
  MenuLabels labels_;
  PointerInput input_;
  int scale_ = 0;
  // What WM_PAINT composes before it goes to the screen in one copy.
  HDC backDc_ = nullptr;
  HBITMAP backBitmap_ = nullptr;
  HGDIOBJ backOld_ = nullptr;
  bool busy_ = false;
  int exitCode_ = 0;
};

}  // namespace mirel
