// Relief 4: a carved portrait, seen from the front: striped hair under a
// decorated headband, heavy-lidded eyes, a straight nose, round ear ornaments
// and a beaded collar, raised from a rough ground inside a rim.

#include <algorithm>
#include <cmath>

#include <QPainterPath>

#include "tools/Reliefs.h"

namespace mirel::tools {
namespace {

// The face's centre line: in double as Qt draws, in float for the float arithmetic.
constexpr qreal kMid = 150;
constexpr float kMidF = static_cast<float>(kMid);

// Mirror a drawing about the centre line, so both halves of the face match.
template <typename Draw>
void BothSides(QPainter& p, Draw draw) {
  draw(p);
  p.save();
  p.translate(2 * kMid, 0);
  p.scale(-1, 1);
  draw(p);
  p.restore();
}

void Line(QPainter& p, const QPainterPath& path, float width) {
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Qt::black, static_cast<qreal>(width), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(path);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
}

}  // namespace

Field ShadeFace() {
  constexpr int n = kReliefSize;
  const QRectF faceBox(kMid - 68, 82, 136, 172);

  const Field rim = PaintMask(n, n, [](QPainter& p) {
    QPainterPath frame;
    frame.addRect(0, 0, n, n);
    frame.addRoundedRect(10, 10, n - 20, n - 20, 8, 8);
    p.drawPath(frame);
  });
  // Hair: a mass over the crown that falls in two locks beside the face.
  const Field hair = PaintMask(n, n, [&](QPainter& p) {
    p.drawEllipse(QRectF(kMid - 90, 26, 180, 150));
    p.drawRoundedRect(QRectF(kMid - 94, 96, 188, 142), 24, 24);
  });
  const Field face = PaintMask(n, n, [&](QPainter& p) { p.drawEllipse(faceBox); });
  const Field neck = PaintMask(n, n, [&](QPainter& p) {
    p.drawRect(QRectF(kMid - 32, 200, 64, 80));
    QPainterPath shoulders;
    shoulders.moveTo(12, 300);
    shoulders.cubicTo(24, 266, 90, 262, kMid, 260);
    shoulders.cubicTo(210, 262, 276, 266, 288, 300);
    shoulders.closeSubpath();
    p.drawPath(shoulders);
  });
  // The headband follows the curve of the brow; its edges are cut in and a zigzag
  // runs along it.
  auto bandCurve = [](float offset) {
    const auto high = static_cast<qreal>(86 + offset);
    const auto low = static_cast<qreal>(104 + offset);
    QPainterPath path;
    path.moveTo(kMid - 90, low);
    path.cubicTo(kMid - 60, high, kMid + 60, high, kMid + 90, low);
    return path;
  };
  const Field band = PaintMask(n, n, [&](QPainter& p) { Line(p, bandCurve(0), 22.0f); });
  const Field bandCuts = PaintMask(n, n, [&](QPainter& p) {
    Line(p, bandCurve(-7.5f), 2.0f);
    Line(p, bandCurve(7.5f), 2.0f);
    const QPainterPath top = bandCurve(-4.5f);
    const QPainterPath bottom = bandCurve(4.5f);
    QPainterPath zigzag;
    constexpr int kTeeth = 22;
    for (int i = 0; i <= kTeeth; ++i) {
      const qreal t = 0.04 + 0.92 * i / kTeeth;
      const QPointF q = (i % 2 ? bottom : top).pointAtPercent(t);
      if (i == 0) {
        zigzag.moveTo(q);
      } else {
        zigzag.lineTo(q);
      }
    }
    Line(p, zigzag, 2.0f);
  });
  // Beads along the collar.
  const Field studs = PaintMask(n, n, [&](QPainter& p) {
    for (int row = 0; row < 2; ++row) {
      for (int i = -8; i <= 8; ++i) {
        const float x = kMidF + (12.0f + 2.5f * static_cast<float>(row)) * static_cast<float>(i);
        const float t = (x - kMidF) / 130.0f;
        p.drawEllipse(Point(x, static_cast<float>(272 + 13 * row) + 30 * t * t), 5.0, 5.0);
      }
    }
  });
  const Field brows = PaintMask(n, n, [&](QPainter& p) {
    BothSides(p, [](QPainter& q) {
      QPainterPath path;
      path.moveTo(kMid - 7, 130);
      path.quadTo(kMid - 28, 114, kMid - 54, 126);
      Line(q, path, 6.0f);
    });
  });
  QPainterPath eye;
  eye.moveTo(kMid - 50, 146);
  eye.quadTo(kMid - 31, 126, kMid - 11, 145);
  eye.quadTo(kMid - 31, 158, kMid - 50, 146);
  const Field eyes =
      PaintMask(n, n, [&](QPainter& p) { BothSides(p, [&](QPainter& q) { q.drawPath(eye); }); });
  const Field lids =
      PaintMask(n, n, [&](QPainter& p) { BothSides(p, [&](QPainter& q) { Line(q, eye, 4.0f); }); });
  const Field pupils = PaintMask(n, n, [&](QPainter& p) {
    BothSides(p, [](QPainter& q) { q.drawEllipse(QPointF(kMid - 30, 144), 4.5, 4.5); });
  });
  const Field nose = PaintMask(n, n, [&](QPainter& p) {
    QPainterPath path;
    path.moveTo(kMid - 5, 134);
    path.lineTo(kMid + 5, 134);
    path.lineTo(kMid + 16, 190);
    path.quadTo(kMid, 199, kMid - 16, 190);
    path.closeSubpath();
    p.drawPath(path);
  });
  const Field nostrils = PaintMask(n, n, [&](QPainter& p) {
    BothSides(p, [](QPainter& q) { q.drawEllipse(QPointF(kMid - 9, 191), 4.0, 3.0); });
  });
  const Field lips = PaintMask(n, n, [&](QPainter& p) {
    p.drawEllipse(QRectF(kMid - 25, 208, 50, 12));
    p.drawEllipse(QRectF(kMid - 20, 218, 40, 13));
  });
  const Field mouthLine = PaintMask(n, n, [&](QPainter& p) {
    QPainterPath path;
    path.moveTo(kMid - 26, 216);
    path.quadTo(kMid, 221, kMid + 26, 216);
    Line(p, path, 2.4f);
  });
  const Field ornaments = PaintMask(n, n, [&](QPainter& p) {
    BothSides(p, [](QPainter& q) { q.drawEllipse(QPointF(kMid - 80, 192), 17, 17); });
  });
  const Field ornamentHoles = PaintMask(n, n, [&](QPainter& p) {
    BothSides(p, [](QPainter& q) { q.drawEllipse(QPointF(kMid - 80, 192), 5, 5); });
  });

  // Rough ground, as in the other reliefs.
  Field body = hair;
  body += neck;
  body = Blur(body, 2.0f);
  Field ground = FractalNoise(n, n, 6.0f, 3, 0.6f, 4242u);
  ground.Apply([&](int x, int y, float v) { return 0.38f * v * std::max(0.0f, 1.0f - body.At(x, y)); });
  ground += Plateau(rim, 5.0f, 7.0f);

  // Hair in stripes: strands fan out over the crown from below the face and hang
  // straight in the locks.
  Field hairHeight = Plateau(hair, 5.0f, 8.0f);
  hairHeight.Apply([&](int x, int y, float h) {
    if (h <= 0) return h;
    const float dx = static_cast<float>(x) - kMidF;
    const float dy = static_cast<float>(y) - 200.0f;
    const float fan = std::atan2(dx, -dy) * 130.0f;
    const float across = y < 100 ? fan : dx + (fan - dx) * SmoothStep(110, 96, static_cast<float>(y));
    const float stripe = 0.5f + 0.5f * std::cos(across * 2.0f * 3.14159265f / 8.0f);
    return h - 3.0f * stripe * std::min(1.0f, h / 5.0f);
  });

  // The face stands above the hair and swells gently towards its middle.
  Field faceHeight = Plateau(face, 4.0f, 8.0f);
  faceHeight.Apply([&](int x, int y, float h) {
    if (h <= 0) return h;
    const float u = (static_cast<float>(x) - kMidF) / 68.0f;
    const float v = (static_cast<float>(y) - 168.0f) / 86.0f;
    return h + 7.0f * std::sqrt(std::max(0.0f, 1.0f - u * u - v * v));
  });
  // The neck is round, so it shades across.
  Field neckHeight = Plateau(neck, 4.0f, 7.0f);
  neckHeight.Apply([&](int x, int, float h) {
    const float u = std::min(1.0f, std::abs(static_cast<float>(x) - kMidF) / 32.0f);
    return h > 0 ? h + 5.0f * std::sqrt(1.0f - u * u) : h;
  });
  // Ear discs lie over the locks, domed, with a hole through the middle.
  Field discHeight = Plateau(ornaments, 3.0f, 9.0f);
  discHeight += Ridge(ornaments, 16.0f, 4.0f);
  discHeight += Groove(ornamentHoles, 2.0f, 5.0f);
  // Big forms overlap: the nearest surface wins.
  Field height = ground;
  height.Apply([&](int x, int y, float g) {
    return std::max({g, hairHeight.At(x, y), faceHeight.At(x, y), neckHeight.At(x, y), discHeight.At(x, y)});
  });
  height += Plateau(band, 2.0f, 6.0f);
  height += Groove(bandCuts, 1.0f, 2.5f);
  height += Ridge(studs, 5.0f, 3.0f);
  height += Ridge(brows, 3.0f, 3.0f);
  height += Groove(eyes, 2.0f, 3.0f);
  height += Ridge(eyes, 6.0f, 2.0f);  // the eyeball swells inside the socket
  height += Ridge(lids, 2.0f, 2.5f);
  height += Groove(pupils, 2.0f, 2.5f);
  height += Ridge(nose, 9.0f, 8.0f);
  height += Groove(nostrils, 1.5f, 3.0f);
  height += Ridge(lips, 5.0f, 3.0f);
  height += Groove(mouthLine, 1.2f, 2.5f);

  Lighting light;
  light.flat = 0.86f;
  light.cavity = 0.1f;
  return Shade(Blur(height, 0.7f), light);
}

}  // namespace mirel::tools
