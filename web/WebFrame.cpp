#include "WebFrame.h"

#include <emscripten.h>

#include <cstdint>
#include <string>

#include "menu/Form1.h"
#include "menu/LabelTable.h"

namespace mirel {
namespace {

// The page's side (web/page/page.js) draws what the program says.
EM_JS(void, PageDrawImage, (const std::uint32_t* pixels, int width, int height),
      { Module.mirelPage.drawImage(HEAPU8.subarray(pixels, pixels + width * height * 4), width, height); });
EM_JS(void, PageDrawLabel,
      (const char* caption, double x, double baseline, int pixelSize, int italic, int rgb),
      { Module.mirelPage.drawLabel(UTF8ToString(caption), x, baseline, pixelSize, !!italic, rgb); });
EM_JS(int, PageMeasureLabel, (const char* caption, int pixelSize, int italic),
      { return Module.mirelPage.measureLabel(UTF8ToString(caption), pixelSize, !!italic); });
EM_JS(void, PageEnded, (const char* error), { Module.mirelPage.ended(UTF8ToString(error)); });

const LabelDesign& Design(int index) { return kLabelDesign.at(std::size_t(index)); }

}  // namespace

WebFrame::WebFrame(Form1& form)
    : form_(form), input_(form, [this](int index, const std::string& caption) {
        return PageMeasureLabel(caption.c_str(), Design(index).pixelSize * scale_, Design(index).italic);
      }) {}

void WebFrame::Rescale(int scale) {
  scale_ = scale;
  input_.SetScale(scale);
  Paint();
}

void WebFrame::Paint() {
  const Bitmap& image = form_.Controls().Window.Image();
  PageDrawImage(image.Data(), image.Width(), image.Height());
  const MenuState& menu = form_.Menu();
  for (int i = 0; i < kLabelCount; ++i) {
    const LabelState& label = menu.Label1[std::size_t(i)];
    if (!label.Visible) continue;
    const LabelBox box = input_.Box(i);
    const LabelDesign& design = Design(i);
    PageDrawLabel(label.Caption.c_str(), box.left, box.top + box.baseline, design.pixelSize * scale_,
                  design.italic, int(design.rgb));
  }
}

void WebFrame::Press(std::int16_t button, std::int16_t shift, double x, double y) {
  Dispatch(input_.Press(button, shift, x, y));
}

void WebFrame::Release(std::int16_t button, double x, double y) { Dispatch(input_.Release(button, x, y)); }

void WebFrame::Dispatch(const Route& route) {
  const Handled handled = input_.Run(route);
  if (handled.then == Handled::Then::Repaint) Paint();
  if (handled.then != Handled::Then::End) return;
  // A page cannot end its program: the error is said, and the board stops.
  PageEnded(handled.error.c_str());
}

}  // namespace mirel
