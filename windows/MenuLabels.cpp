#include "MenuLabels.h"

#include <cmath>

#include "platform/WideText.h"
#include "assets/Assets.h"

namespace mirel {
namespace {

// The menu is laid out for type whose line is one em high: each label's box
// is one em tall and its baseline lies this far down it, in ems, as on Linux.
constexpr double kEmAscent = 0.88;

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

void MenuLabels::Draw(HDC dc, const MenuState& menu) {
  const int oldMode = ::SetBkMode(dc, TRANSPARENT);
  const UINT oldAlign = ::SetTextAlign(dc, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
  const HGDIOBJ oldFont = ::GetCurrentObject(dc, OBJ_FONT);
  for (std::size_t i = 0; i < fonts_.size(); ++i) {
    const LabelState& state = menu.Label1[i];
    if (!state.Visible || state.Caption.empty()) continue;
    const LabelDesign& design = kLabelDesign[i];
    const std::wstring caption = Widen(state.Caption);
    ::SelectObject(dc, fonts_[i]);
    ::SetTextColor(dc, ColourOf(design));
    const int baseline = static_cast<int>(std::lround((design.top + kEmAscent * design.pixelSize) * scale_));
    ::TextOutW(dc, design.left * scale_, baseline, caption.c_str(), static_cast<int>(caption.size()));
  }
  ::SelectObject(dc, oldFont);
  ::SetTextAlign(dc, oldAlign);
  ::SetBkMode(dc, oldMode);
}

int MenuLabels::LabelAt(HDC dc, const MenuState& menu, POINT point) {
  for (int i = kLabelCount - 1; i >= 0; --i) {
    const LabelState& state = menu.Label1[std::size_t(i)];
    if (!state.Visible) continue;
    const RECT box = Box(dc, i, Widen(state.Caption));
    if (::PtInRect(&box, point)) return i;
  }
  return -1;
}

RECT MenuLabels::Box(HDC dc, int index, const std::wstring& caption) {
  const LabelDesign& design = kLabelDesign[std::size_t(index)];
  const HGDIOBJ oldFont = ::SelectObject(dc, fonts_[std::size_t(index)]);
  SIZE extent{};
  ::GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
  ::SelectObject(dc, oldFont);
  // Italic type leans past its advance; the box takes in the last glyph's lean.
  const int lean = design.italic ? (design.pixelSize + 3) / 4 : 0;
  const int left = design.left * scale_;
  const int top = design.top * scale_;
  return {left, top, left + extent.cx + lean * scale_, top + design.pixelSize * scale_};
}

}  // namespace mirel
