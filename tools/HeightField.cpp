#include "tools/HeightField.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QImage>

namespace mirel::tools {

float Field::Clamped(int x, int y) const {
  return At(std::clamp(x, 0, width_ - 1), std::clamp(y, 0, height_ - 1));
}

void Field::Apply(const std::function<float(int, int, float)>& f) {
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) At(x, y) = f(x, y, At(x, y));
  }
}

Field& Field::operator+=(const Field& other) {
  for (std::size_t i = 0; i < v_.size(); ++i) v_[i] += other.v_[i];
  return *this;
}

Field PaintMask(int width, int height, const std::function<void(QPainter&)>& draw) {
  QImage canvas(width, height, QImage::Format_ARGB32_Premultiplied);
  canvas.fill(Qt::transparent);
  {
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    draw(painter);
  }
  Field mask(width, height);
  for (int y = 0; y < height; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
    for (int x = 0; x < width; ++x) mask.At(x, y) = static_cast<float>(qAlpha(line[x])) / 255.0f;
  }
  return mask;
}

namespace {

// Element i of a vector, for code that counts with signed ints.
template <typename Vector>
decltype(auto) Item(Vector& vector, int i) {
  return vector[static_cast<std::size_t>(i)];
}

// Squared distance transform of one line (Felzenszwalb and Huttenlocher):
// the lower envelope of the parabolas rooted at each sample.
void DistanceLine(const std::vector<double>& f, std::vector<double>& d) {
  const int n = static_cast<int>(f.size());
  constexpr double kInf = std::numeric_limits<double>::infinity();
  std::vector<int> v(static_cast<std::size_t>(n));
  std::vector<double> z(static_cast<std::size_t>(n) + 1);
  auto meet = [&](int q, int p) {
    return ((Item(f, q) + static_cast<double>(q) * q) - (Item(f, p) + static_cast<double>(p) * p)) /
           (2.0 * (q - p));
  };
  std::size_t k = 0;  // the last parabola of the envelope; z[0] = -inf keeps it from going below 0
  v[0] = 0;
  z[0] = -kInf;
  z[1] = kInf;
  for (int q = 1; q < n; ++q) {
    double s = meet(q, v[k]);
    while (s <= z[k]) {
      --k;
      s = meet(q, v[k]);
    }
    ++k;
    v[k] = q;
    z[k] = s;
    z[k + 1] = kInf;
  }
  k = 0;
  for (int q = 0; q < n; ++q) {
    while (z[k + 1] < q) ++k;
    const double dq = q - v[k];
    Item(d, q) = dq * dq + Item(f, v[k]);
  }
}

}  // namespace

Field DistanceInside(const Field& mask) {
  const int w = mask.Width();
  const int h = mask.Height();
  // Larger than any squared distance in a picture, small enough to keep doubles exact.
  constexpr double kFar = 1e12;
  Field squared(w, h);
  std::vector<double> f(static_cast<std::size_t>(h));
  std::vector<double> d(static_cast<std::size_t>(h));
  for (int x = 0; x < w; ++x) {
    for (int y = 0; y < h; ++y) Item(f, y) = mask.At(x, y) >= 0.5f ? kFar : 0.0;
    DistanceLine(f, d);
    for (int y = 0; y < h; ++y) squared.At(x, y) = static_cast<float>(std::min(Item(d, y), kFar));
  }
  f.resize(static_cast<std::size_t>(w));
  d.resize(static_cast<std::size_t>(w));
  Field out(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) Item(f, x) = static_cast<double>(squared.At(x, y));
    DistanceLine(f, d);
    // Beyond the picture counts as outside, so a mask touching the border still slopes there.
    for (int x = 0; x < w; ++x) {
      const double border = std::min({x + 1, y + 1, w - x, h - y});
      out.At(x, y) =
          mask.At(x, y) >= 0.5f ? static_cast<float>(std::min(std::sqrt(Item(d, x)), border)) : 0.0f;
    }
  }
  return out;
}

Field Blur(const Field& field, float sigma) {
  const int radius = std::max(1, static_cast<int>(std::ceil(sigma * 3.0f)));
  std::vector<float> kernel(static_cast<std::size_t>(2 * radius + 1));
  float sum = 0;
  for (int i = -radius; i <= radius; ++i) {
    Item(kernel, i + radius) = std::exp(-0.5f * static_cast<float>(i * i) / (sigma * sigma));
    sum += Item(kernel, i + radius);
  }
  for (float& k : kernel) k /= sum;
  Field across(field.Width(), field.Height());
  across.Apply([&](int x, int y, float) {
    float acc = 0;
    for (int i = -radius; i <= radius; ++i) acc += Item(kernel, i + radius) * field.Clamped(x + i, y);
    return acc;
  });
  Field out(field.Width(), field.Height());
  out.Apply([&](int x, int y, float) {
    float acc = 0;
    for (int i = -radius; i <= radius; ++i) acc += Item(kernel, i + radius) * across.Clamped(x, y + i);
    return acc;
  });
  return out;
}

namespace {

// A lattice value in [-1, 1] from an integer hash, so noise needs no tables.
float LatticeValue(int x, int y, std::uint32_t seed) {
  std::uint32_t h = seed ^ 0x9E3779B9u;
  h ^= static_cast<std::uint32_t>(x) * 0x85EBCA6Bu;
  h = (h << 13) | (h >> 19);
  h ^= static_cast<std::uint32_t>(y) * 0xC2B2AE35u;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return static_cast<float>(h >> 8) * (2.0f / 16777216.0f) - 1.0f;
}

float ValueNoise(float x, float y, std::uint32_t seed) {
  const int x0 = static_cast<int>(std::floor(x));
  const int y0 = static_cast<int>(std::floor(y));
  const float fx = x - static_cast<float>(x0);
  const float fy = y - static_cast<float>(y0);
  const float sx = fx * fx * (3 - 2 * fx);
  const float sy = fy * fy * (3 - 2 * fy);
  const float a =
      LatticeValue(x0, y0, seed) + sx * (LatticeValue(x0 + 1, y0, seed) - LatticeValue(x0, y0, seed));
  const float b = LatticeValue(x0, y0 + 1, seed) +
                  sx * (LatticeValue(x0 + 1, y0 + 1, seed) - LatticeValue(x0, y0 + 1, seed));
  return a + sy * (b - a);
}

}  // namespace

Field FractalNoise(int width, int height, float cell, int octaves, float persistence, std::uint32_t seed) {
  Field out(width, height);
  float amplitude = 1.0f;
  float total = 0.0f;
  for (int o = 0; o < octaves; ++o) {
    const float scale = 1.0f / cell;
    const std::uint32_t octaveSeed = seed + static_cast<std::uint32_t>(o) * 7919u;
    out.Apply([&](int x, int y, float v) {
      return v +
             amplitude * ValueNoise(static_cast<float>(x) * scale, static_cast<float>(y) * scale, octaveSeed);
    });
    total += amplitude;
    amplitude *= persistence;
    cell *= 0.5f;
  }
  out.Apply([&](int, int, float v) { return v / total; });
  return out;
}

float SmoothStep(float edge0, float edge1, float x) {
  const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
  return t * t * (3 - 2 * t);
}

Field Ridge(const Field& mask, float halfWidth, float height) {
  Field out = DistanceInside(mask);
  out.Apply([&](int, int, float d) {
    const float t = 1.0f - std::min(d / halfWidth, 1.0f);
    return d > 0 ? height * std::sqrt(std::max(0.0f, 1.0f - t * t)) : 0.0f;
  });
  return out;
}

Field Plateau(const Field& mask, float bevel, float height) {
  Field out = DistanceInside(mask);
  out.Apply([&](int, int, float d) { return height * std::min(d / bevel, 1.0f); });
  return out;
}

Field Groove(const Field& mask, float bevel, float depth) { return Plateau(mask, bevel, -depth); }

Field Shade(const Field& height, const Lighting& light) {
  const float len =
      std::sqrt(light.lightX * light.lightX + light.lightY * light.lightY + light.lightZ * light.lightZ);
  const float lx = light.lightX / len;
  const float ly = light.lightY / len;
  const float lz = light.lightZ / len;
  const Field around = light.cavity > 0 ? Blur(height, light.cavityRadius) : Field(1, 1);
  Field out(height.Width(), height.Height());
  out.Apply([&](int x, int y, float) {
    const float dx = 0.5f * (height.Clamped(x + 1, y) - height.Clamped(x - 1, y));
    const float dy = 0.5f * (height.Clamped(x, y + 1) - height.Clamped(x, y - 1));
    const float nlen = std::sqrt(dx * dx + dy * dy + 1.0f);
    const float cosine = (-dx * lx - dy * ly + lz) / nlen;
    float b = light.flat + light.contrast * (cosine - lz);
    if (light.cavity > 0) b -= light.cavity * std::max(0.0f, around.At(x, y) - height.At(x, y));
    return std::clamp(b, 0.0f, 1.0f);
  });
  return out;
}

BitPicture Dither(const Field& brightness) {
  const int w = brightness.Width();
  const int h = brightness.Height();
  Field work = brightness;
  BitPicture out(w, h);
  auto spread = [&](int x, int y, float e) {
    if (x >= 0 && x < w && y < h) work.At(x, y) += e;
  };
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const float old = work.At(x, y);
      const bool black = old < 0.5f;
      out.black[PixelIndex(x, y, w)] = black ? 1 : 0;
      const float e = (old - (black ? 0.0f : 1.0f)) / 8.0f;
      spread(x + 1, y, e);
      spread(x + 2, y, e);
      spread(x - 1, y + 1, e);
      spread(x, y + 1, e);
      spread(x + 1, y + 1, e);
      spread(x, y + 2, e);
    }
  }
  return out;
}

}  // namespace mirel::tools
