#pragma once
// The nine menu labels as GDI draws them: the type the label table asks for,
// drawn transparent over the kept image, and the box each label answers
// clicks in. Captions and visibility come from the menu's state at each call,
// so what is drawn and what is clicked always agree.

#include "Win32.h"

#include <array>

#include "menu/Form1.h"
#include "menu/LabelTable.h"

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
  void Draw(HDC dc, const MenuState& menu);
  // The visible label whose box holds the point (device pixels), the one
  // made last where boxes overlap; -1 for none.
  int LabelAt(HDC dc, const MenuState& menu, POINT point);

  // The family the labels are drawn in: the one they ask for where the
  // system has it, else the embedded one.
  const std::wstring& Family() const { return family_; }

 private:
  RECT Box(HDC dc, int index, const std::wstring& caption);

  HANDLE embedded_ = nullptr;
  std::wstring family_;
  int scale_ = 0;
  std::array<HFONT, kLabelCount> fonts_{};
};

}  // namespace mirel
