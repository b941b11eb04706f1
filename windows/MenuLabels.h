#pragma once
// The nine menu labels as GDI draws them: the type the label table asks for,
// drawn transparent over the kept image where the menu's layout puts them,
// and their captions measured for that layout.

#include "Win32.h"

#include <array>

#include <string>

#include "menu/Form1.h"
#include "menu/LabelTable.h"
#include "menu/PointerInput.h"

namespace mirel {

class MenuLabels {
 public:
  // Makes the embedded label font known to this process alone.
  MenuLabels();
  ~MenuLabels();
  MenuLabels(const MenuLabels&) = delete;
  MenuLabels& operator=(const MenuLabels&) = delete;

  // Makes the fonts for a window shown at this whole scale.
  void SetScale(int scale);

  // Draws the visible labels onto dc, in the window's device pixels.
  void Draw(HDC dc, const MenuState& menu, const PointerInput& input);
  // A caption's advance in label index's type, in device pixels.
  int Advance(HDC dc, int index, const std::string& caption);

  // The family the labels are drawn in: the one they ask for where the
  // system has it, else the embedded one.
  const std::wstring& Family() const { return family_; }

 private:
  HANDLE embedded_ = nullptr;
  std::wstring family_;
  int scale_ = 0;
  std::array<HFONT, kLabelCount> fonts_{};
};

}  // namespace mirel
