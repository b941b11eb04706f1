#include "MenuLabels.h"

#include <cmath>

#include "platform/WideText.h"
#include "assets/Assets.h"

namespace mirel {
namespace {

bool SystemHasFamily(const std::wstring& family) {
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  family.copy(wanted.lfFaceName, LF_FACESIZE - 1);
  bool found = false;
  HDC screen = ::GetDC(nullptr);
  ::EnumFontFamiliesExW(
      screen, &wanted,
      [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM answer) -> int {
        *reinterpret_cast<bool*>(answer) = true;
        return 0;
      },
      reinterpret_cast<LPARAM>(&found), 0);
  ::ReleaseDC(nullptr, screen);
  return found;
}

COLORREF ColourOf(const LabelDesign& design) {
  return RGB((design.rgb >> 16) & 0xFF, (design.rgb >> 8) & 0xFF, design.rgb & 0xFF);
}

}  // namespace

MenuLabels::MenuLabels() {
  // The font is large; the system reads it straight from the program's own
  // bytes. A font added this way is the process's alone and never listed, so
  // the family the labels ask for first is looked up among the system's.
  const assets::Bytes font = assets::LabelFont();
  DWORD added = 0;
  embedded_ = ::AddFontMemResourceEx(const_cast<unsigned char*>(font.data()), static_cast<DWORD>(font.size()),
                                     nullptr, &added);
  const std::wstring asked = Widen(kLabelFontFamily);
  family_ = SystemHasFamily(asked) ? asked : Widen(kFallbackFontFamily);
}

MenuLabels::~MenuLabels() {
  for (HFONT font : fonts_)
    if (font) ::DeleteObject(font);
  if (embedded_) ::RemoveFontMemResourceEx(embedded_);
}

void MenuLabels::SetScale(int scale) {
  if (scale == scale_) return;
  scale_ = scale;
  for (std::size_t i = 0; i < fonts_.size(); ++i) {
    const LabelDesign& design = kLabelDesign[i];
    if (fonts_[i]) ::DeleteObject(fonts_[i]);
    // A negative height asks for the em, not the cell, as the table means.
    // Grey smoothing, not coloured: the type lies over a picture.
    fonts_[i] = ::CreateFontW(-design.pixelSize * scale, 0, 0, 0, FW_NORMAL, design.italic ? TRUE : FALSE, FALSE,
                              FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                              DEFAULT_PITCH | FF_DONTCARE, family_.c_str());
  }
}

void MenuLabels::Draw(HDC dc, const MenuState& menu, const PointerInput& input) {
  const int oldMode = ::SetBkMode(dc, TRANSPARENT);
  const UINT oldAlign = ::SetTextAlign(dc, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
  const HGDIOBJ oldFont = ::GetCurrentObject(dc, OBJ_FONT);
  for (std::size_t i = 0; i < fonts_.size(); ++i) {
    const LabelState& state = menu.Label1[i];
    if (!state.Visible || state.Caption.empty()) continue;
    const std::wstring caption = Widen(state.Caption);
    const LabelBox box = input.Box(int(i));
    ::SelectObject(dc, fonts_[i]);
    ::SetTextColor(dc, ColourOf(kLabelDesign[i]));
    ::TextOutW(dc, box.left, box.top + static_cast<int>(std::lround(box.baseline)), caption.c_str(),
               static_cast<int>(caption.size()));
  }
  ::SelectObject(dc, oldFont);
  ::SetTextAlign(dc, oldAlign);
  ::SetBkMode(dc, oldMode);
}

int MenuLabels::Advance(HDC dc, int index, const std::string& caption) {
  const std::wstring text = Widen(caption);
  const HGDIOBJ oldFont = ::SelectObject(dc, fonts_.at(std::size_t(index)));
  SIZE extent{};
  ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  ::SelectObject(dc, oldFont);
  return extent.cx;
}

}  // namespace mirel
