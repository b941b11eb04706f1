// Relief 2: a raised tablet with a rim, horizontal bars across it, and rows of
// invented glyphs cut between the bars.

#include <cmath>
#include <iterator>
#include <numbers>

#include <QPainterPath>

#include "tools/Reliefs.h"

namespace mirel::tools {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// One glyph in the box (0,0)-(1,1), scaled by the caller; built from a few
// strokes chosen at random so the rows read as a script without repeating exactly.
QPainterPath Glyph(Random& random) {
  QPainterPath path;
  auto line = [&](float x0, float y0, float x1, float y1) {
    path.moveTo(Point(x0, y0));
    path.lineTo(Point(x1, y1));
  };
  auto part = [&](int kind, float x0, float y0, float w, float h) {
    const float cx = x0 + w / 2;
    const float cy = y0 + h / 2;
    // Fractions of the box given as doubles are taken in double.
    const auto left = static_cast<qreal>(x0), top = static_cast<qreal>(y0);
    const auto width = static_cast<qreal>(w), height = static_cast<qreal>(h);
    switch (kind) {
      case 0:  // upright
        line(cx, y0, cx, y0 + h);
        break;
      case 1:  // ring
        path.addEllipse(Point(cx, cy), width * 0.38, height * 0.38);
        break;
      case 2:  // cup
        path.moveTo(Point(x0, y0));
        path.quadTo(Point(cx, y0 + 2 * h), Point(x0 + w, y0));
        break;
      case 3:  // zigzag
        path.moveTo(Point(x0, y0 + h));
        for (int i = 1; i <= 4; ++i)
          path.lineTo(Point(x0 + w * static_cast<float>(i) / 4, (i % 2) ? y0 : y0 + h));
        break;
      case 4:  // triangle
        path.moveTo(Point(cx, y0));
        path.lineTo(Point(x0 + w, y0 + h));
        path.lineTo(Point(x0, y0 + h));
        path.closeSubpath();
        break;
      case 5:  // cross
        line(cx, y0, cx, y0 + h);
        line(x0, cy, x0 + w, cy);
        break;
      case 6:  // wave
        path.moveTo(Point(x0, cy));
        path.cubicTo(Point(x0 + w / 3, y0 - h / 4),
                     QPointF(static_cast<qreal>(x0 + 2 * w / 3), top + height * 1.25), Point(x0 + w, cy));
        break;
      case 7:  // eye
        path.moveTo(Point(x0, cy));
        path.quadTo(Point(cx, y0 - h / 3), Point(x0 + w, cy));
        path.quadTo(Point(cx, y0 + h * 4 / 3), Point(x0, cy));
        path.addEllipse(Point(cx, cy), width * 0.1, height * 0.1);
        break;
      case 8:  // hook
        path.moveTo(left + width * 0.2, static_cast<qreal>(y0 + h));
        path.lineTo(left + width * 0.2, top + height * 0.35);
        path.arcTo(left + width * 0.2, top, width * 0.6, height * 0.7, 180, -180);
        break;
      case 9: {  // bars
        const auto upper = static_cast<float>(top + height * 0.2);
        const auto lower = static_cast<float>(top + height * 0.8);
        line(x0, upper, x0 + w, upper);
        line(x0, lower, x0 + w, lower);
        break;
      }
      case 10:  // bird: two wings and a body
        path.moveTo(left, top + height * 0.3);
        path.quadTo(left + width * 0.3, top + height * 0.6, static_cast<qreal>(cx), top + height * 0.55);
        path.quadTo(left + width * 0.7, top + height * 0.6, static_cast<qreal>(x0 + w), top + height * 0.3);
        line(cx, static_cast<float>(top + height * 0.55), cx, y0 + h);
        break;
      default:  // spiral
        path.moveTo(Point(cx, cy));
        for (int i = 1; i <= 24; ++i) {
          const float a = static_cast<float>(i) * kPi / 8;
          const float r = 0.5f * static_cast<float>(i) / 24;
          path.lineTo(Point(cx + w * r * std::cos(a), cy + h * r * std::sin(a)));
        }
        break;
    }
  };
  constexpr int kKinds = 12;
  // Signs that say enough alone; a bare stroke is only ever part of a glyph.
  constexpr int kWhole[] = {1, 3, 4, 5, 6, 7, 8, 10, 11};
  switch (random.Below(4)) {
    case 0:  // one sign filling the box
      part(kWhole[random.Below(static_cast<int>(std::size(kWhole)))], 0.1f, 0.05f, 0.8f, 0.9f);
      break;
    case 1:  // one over another
      part(random.Below(kKinds), 0.1f, 0.0f, 0.8f, 0.42f);
      part(random.Below(kKinds), 0.1f, 0.58f, 0.8f, 0.42f);
      break;
    case 2:  // side by side
      part(random.Below(kKinds), 0.0f, 0.1f, 0.42f, 0.8f);
      part(random.Below(kKinds), 0.58f, 0.1f, 0.42f, 0.8f);
      break;
    default:  // a sign with a small mark beside it
      part(kWhole[random.Below(static_cast<int>(std::size(kWhole)))], 0.0f, 0.0f, 0.7f, 1.0f);
      path.addEllipse(QPointF(0.88, 0.8), 0.07, 0.07);
      break;
  }
  return path;
}

}  // namespace

Field ShadeTablet() {
  constexpr int n = kReliefSize;
  constexpr float kLeft = 10, kTop = 8, kSize = n - 20;
  constexpr int kRows = 5;
  constexpr int kColumns = 6;
  constexpr float kInner = 22;  // rim width of the tablet
  constexpr float kBar = 7;     // bar thickness
  const float rowHeight = (n - 2 * kInner - kTop - (kRows - 1) * kBar) / kRows;
  auto rowTop = [&](int r) { return kTop + kInner + static_cast<float>(r) * (rowHeight + kBar); };

  const Field slab =
      PaintMask(n, n, [&](QPainter& p) { p.drawRoundedRect(Rect(kLeft, kTop, kSize, kSize + 4), 14, 14); });
  // The face of the tablet is sunk inside its rim; bars are left standing across it.
  const Field face = PaintMask(n, n, [&](QPainter& p) {
    p.drawRoundedRect(Rect(kLeft + 12, kTop + 12, kSize - 24, kSize - 20), 6, 6);
  });
  const Field bars = PaintMask(n, n, [&](QPainter& p) {
    for (int r = 1; r < kRows; ++r) p.drawRect(Rect(kLeft + 12, rowTop(r) - kBar, kSize - 24, kBar));
  });
  Random random(5150u);
  const Field glyphs = PaintMask(n, n, [&](QPainter& p) {
    p.setBrush(Qt::NoBrush);
    const float cell = (kSize - 24 - 8) / kColumns;
    for (int r = 0; r < kRows; ++r) {
      for (int c = 0; c < kColumns; ++c) {
        const float size = std::min(cell, rowHeight) - 7;
        const float x = kLeft + 16 + static_cast<float>(c) * cell + (cell - size) / 2;
        const float y = rowTop(r) + (rowHeight - size) / 2;
        QTransform place;
        place.translate(static_cast<qreal>(x), static_cast<qreal>(y));
        place.scale(static_cast<qreal>(size), static_cast<qreal>(size));
        p.setPen(QPen(Qt::black, 3.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(place.map(Glyph(random)));
      }
    }
  });
  Field height = Plateau(slab, 4.0f, 8.0f);
  height += Groove(face, 3.0f, 4.0f);
  height += Plateau(bars, 2.5f, 4.0f);
  height += Groove(glyphs, 1.6f, 2.5f);
  // Old stone: a faint unevenness over the tablet, rough rock around it.
  const Field around = Blur(slab, 2.0f);
  Field wear = FractalNoise(n, n, 8.0f, 3, 0.6f, 77u);
  wear.Apply([&](int x, int y, float v) { return v * (0.3f + 0.7f * (1.0f - around.At(x, y))); });
  height += wear;
  Lighting light;
  light.flat = 0.86f;
  light.cavity = 0.1f;
  return Shade(Blur(height, 0.6f), light);
}

}  // namespace mirel::tools
