// Relief 1: raised spiral ridges, a double spiral in the middle and curls
// around it, inside a bevelled rim.

#include <cmath>
#include <numbers>

#include <QPainterPath>

#include "tools/Reliefs.h"

namespace mirel::tools {
namespace {

constexpr float kTau = 2.0f * std::numbers::pi_v<float>;

// An Archimedean spiral from radius r0 to r1 over `turns` turns; `direction` +1 or -1.
QPainterPath Spiral(QPointF centre, float r0, float r1, float turns, float startAngle, float direction) {
  QPainterPath path;
  const int steps = static_cast<int>(turns * 120.0f) + 2;
  for (int i = 0; i <= steps; ++i) {
    const float t = static_cast<float>(i) / static_cast<float>(steps);
    const float a = startAngle + direction * t * turns * kTau;
    const float r = r0 + (r1 - r0) * t;
    const QPointF p(centre.x() + static_cast<qreal>(r * std::cos(a)),
                    centre.y() + static_cast<qreal>(r * std::sin(a)));
    if (i == 0) {
      path.moveTo(p);
    } else {
      path.lineTo(p);
    }
  }
  return path;
}

void StrokeOf(QPainter& painter, const QPainterPath& path, float width) {
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(Qt::black, static_cast<qreal>(width), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.drawPath(path);
}

}  // namespace

Field ShadeSpirals() {
  constexpr int n = kReliefSize;
  const Field rim = PaintMask(n, n, [](QPainter& p) {
    QPainterPath frame;
    frame.addRect(0, 0, n, n);
    frame.addRoundedRect(12, 12, n - 24, n - 24, 10, 10);
    p.setBrush(Qt::black);
    p.drawPath(frame);
  });
  const Field lines = PaintMask(n, n, [](QPainter& p) {
    const QPointF c(150, 150);
    // The double spiral: two arms wound together, joined through the centre.
    StrokeOf(p, Spiral(c, 5, 88, 2.5f, 0.0f, 1.0f), 9.0f);
    StrokeOf(p, Spiral(c, 5, 88, 2.5f, kTau / 2, 1.0f), 9.0f);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(c, 9, 9);
    // Curls in the corners, each wound the other way from its neighbours.
    const QPointF corners[] = {{54, 54}, {246, 54}, {246, 246}, {54, 246}};
    for (int i = 0; i < 4; ++i) {
      const float dir = (i % 2 == 0) ? 1.0f : -1.0f;
      StrokeOf(p, Spiral(corners[i], 4, 34, 2.25f, static_cast<float>(i) * kTau / 4 + kTau / 8, dir), 7.5f);
      p.setPen(Qt::NoPen);
      p.drawEllipse(corners[i], 6, 6);
    }
    // Wave lines between the corners.
    for (int side = 0; side < 4; ++side) {
      auto place = [&](float along, float across) {
        return side == 0   ? Point(along, across)
               : side == 1 ? Point(n - across, along)
               : side == 2 ? Point(n - along, n - across)
                           : Point(across, n - along);
      };
      QPainterPath wave;
      for (int i = 0; i <= 60; ++i) {
        const float t = static_cast<float>(i) / 60.0f;
        const float along = 104 + 92 * t;
        const float across = 28 + 7 * std::sin(t * kTau * 1.5f);
        const QPointF q = place(along, across);
        if (i == 0) {
          wave.moveTo(q);
        } else {
          wave.lineTo(q);
        }
      }
      StrokeOf(p, wave, 6.0f);
    }
  });
  // The ground between the lines was cut away and left rough by the chisel;
  // the lines and the rim keep their smooth face.
  Field raised = lines;
  raised += rim;
  raised = Blur(raised, 1.5f);
  Field height = FractalNoise(n, n, 6.0f, 3, 0.6f, 11u);
  height.Apply([&](int x, int y, float v) { return 0.38f * v * std::max(0.0f, 1.0f - raised.At(x, y)); });
  height += Plateau(rim, 5.0f, 7.0f);
  height += Ridge(lines, 4.5f, 6.0f);
  Lighting light;
  light.flat = 0.86f;
  light.cavity = 0.08f;
  return Shade(Blur(height, 0.6f), light);
}

}  // namespace mirel::tools
