// Relief 3: four large characters cut with broad, flat-floored strokes into rough
// rock, read top to bottom, right column first.

#include <cmath>
#include <vector>

#include <QPainterPath>

#include "tools/Reliefs.h"

namespace mirel::tools {
namespace {

// A character as strokes in its own unit box; each stroke a polyline.
using Stroke = std::vector<QPointF>;
using Character = std::vector<Stroke>;

const Character kMountain = {
    {{0.50, 0.04}, {0.50, 0.86}},
    {{0.12, 0.34}, {0.12, 0.86}, {0.88, 0.86}},
    {{0.88, 0.34}, {0.88, 0.86}},
};
const Character kRiver = {
    {{0.16, 0.10}, {0.17, 0.55}, {0.13, 0.78}, {0.04, 0.95}},
    {{0.50, 0.16}, {0.50, 0.80}},
    {{0.86, 0.04}, {0.86, 0.96}},
};
const Character kSun = {
    {{0.20, 0.06}, {0.20, 0.94}},
    {{0.20, 0.06}, {0.80, 0.06}, {0.80, 0.94}},
    {{0.20, 0.50}, {0.80, 0.50}},
    {{0.20, 0.92}, {0.80, 0.92}},
};
const Character kMoon = {
    {{0.24, 0.06}, {0.24, 0.62}, {0.18, 0.82}, {0.06, 0.96}},
    {{0.24, 0.06}, {0.82, 0.06}, {0.82, 0.90}, {0.66, 0.84}},
    {{0.24, 0.35}, {0.82, 0.35}},
    {{0.24, 0.62}, {0.82, 0.62}},
};

void DrawCharacter(QPainter& p, const Character& character, QRectF box, float weight) {
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Qt::black, static_cast<qreal>(weight), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  for (const Stroke& stroke : character) {
    QPainterPath path;
    for (std::size_t i = 0; i < stroke.size(); ++i) {
      const QPointF q(box.left() + stroke[i].x() * box.width(), box.top() + stroke[i].y() * box.height());
      if (i == 0) {
        path.moveTo(q);
      } else {
        path.lineTo(q);
      }
    }
    p.drawPath(path);
  }
}

}  // namespace

Field ShadeCharacters() {
  constexpr int n = kReliefSize;
  constexpr float kWeight = 19.0f;
  const Field cuts = PaintMask(n, n, [](QPainter& p) {
    DrawCharacter(p, kMountain, QRectF(168, 22, 110, 112), kWeight);
    DrawCharacter(p, kRiver, QRectF(168, 166, 110, 112), kWeight);
    DrawCharacter(p, kSun, QRectF(22, 22, 110, 112), kWeight);
    DrawCharacter(p, kMoon, QRectF(22, 166, 110, 112), kWeight);
  });
  // Rock: broad swells with a fine grain on top, and a few hairline cracks.
  Field height = FractalNoise(n, n, 70.0f, 2, 0.5f, 303u);
  height.Apply([](int, int, float v) { return 5.0f * v; });
  Field grain = FractalNoise(n, n, 4.0f, 2, 0.5f, 404u);
  grain.Apply([](int, int, float v) { return 0.45f * v; });
  height += grain;
  Random random(8086u);
  const Field cracks = PaintMask(n, n, [&](QPainter& p) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    // From the edges inward, as weathering cracks run.
    const struct {
      QPointF start;
      float angle;
      int steps;
    } kCracks[] = {
        {{150, 0}, 1.75f, 14}, {{300, 150}, 3.0f, 9}, {{0, 236}, -0.3f, 8}, {{110, 300}, -1.2f, 7}};
    for (const auto& crack : kCracks) {
      QPointF at = crack.start;
      float angle = crack.angle;
      QPainterPath path(at);
      for (int i = 0; i < crack.steps; ++i) {
        angle += random.Between(-0.45f, 0.45f);
        at += Point(4 * std::cos(angle), 4 * std::sin(angle));
        path.lineTo(at);
      }
      p.drawPath(path);
    }
  });
  height += Groove(cracks, 1.0f, 2.0f);
  height += Groove(cuts, 4.0f, 7.0f);
  Lighting light;
  light.flat = 0.86f;
  light.cavity = 0.2f;
  light.cavityRadius = 8.0f;
  return Shade(Blur(height, 0.6f), light);
}

}  // namespace mirel::tools
