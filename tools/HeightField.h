#pragma once
// A small toolkit for carved reliefs: a height field is painted from shapes,
// given bevels and grain, lit from the upper left to a grey image and dithered
// to black and white.

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include <QPainter>

#include "tools/FileFormats.h"

namespace mirel::tools {

class Field {
 public:
  Field(int width, int height, float fill = 0.0f)
      : width_(width), height_(height), v_(PixelCount(width, height), fill) {}

  int Width() const { return width_; }
  int Height() const { return height_; }
  float& At(int x, int y) { return v_[Index(x, y)]; }
  float At(int x, int y) const { return v_[Index(x, y)]; }
  // Reads past the border repeat the edge pixel.
  float Clamped(int x, int y) const;

  // Applies f(x, y, value) -> new value to every pixel.
  void Apply(const std::function<float(int, int, float)>& f);
  Field& operator+=(const Field& other);

 private:
  std::size_t Index(int x, int y) const { return PixelIndex(x, y, width_); }
  int width_;
  int height_;
  std::vector<float> v_;
};

// Coverage 0..1 of whatever `draw` paints (antialiased, any colour) on a blank canvas.
Field PaintMask(int width, int height, const std::function<void(QPainter&)>& draw);

// For pixels inside the mask (coverage >= 0.5): Euclidean distance in pixels to
// the nearest pixel outside it; 0 outside.
Field DistanceInside(const Field& mask);

Field Blur(const Field& field, float sigma);

// Smooth value noise in about [-1, 1], summed over octaves halving the cell size.
Field FractalNoise(int width, int height, float cell, int octaves, float persistence, std::uint32_t seed);

// 0 below edge0, 1 above edge1, smooth between.
float SmoothStep(float edge0, float edge1, float x);

// Profiles cut from a mask, in pixels of height (negative = cut into the surface).
// A rounded ridge: half a cylinder across the stroke.
Field Ridge(const Field& mask, float halfWidth, float height);
// A flat-topped shape whose sides slope over `bevel` pixels.
Field Plateau(const Field& mask, float bevel, float height);
// A chisel cut: walls sloping over `bevel` pixels down to a flat floor.
Field Groove(const Field& mask, float bevel, float depth);

struct Lighting {
  float lightX = -1.0f;  // towards the light: left ...
  float lightY = -1.0f;  // ... and up
  float lightZ = 1.4f;
  float flat = 0.9f;      // brightness of a level surface
  float contrast = 2.2f;  // brightness gained per unit of cosine towards the light
  float cavity = 0.0f;    // darkening of hollows below their surroundings
  float cavityRadius = 3.0f;
};

// Grey brightness 0 (black) .. 1 (white) of the lit height field (heights in pixels).
Field Shade(const Field& height, const Lighting& light);

// Error diffusion that drops a quarter of the error: near-white stays clean white,
// shadows stay solid, and fine carving survives.
BitPicture Dither(const Field& brightness);

// Deterministic uniform numbers in [0, 1) on every platform.
class Random {
 public:
  explicit Random(std::uint32_t seed) : engine_(seed) {}
  float Next() { return static_cast<float>(engine_() >> 8) * (1.0f / 16777216.0f); }
  float Between(float lo, float hi) { return lo + (hi - lo) * Next(); }
  int Below(int n) { return static_cast<int>(Next() * static_cast<float>(n)); }

 private:
  std::mt19937 engine_;
};

}  // namespace mirel::tools
