#include "app/AppIcon.h"

#include <algorithm>
#include <cmath>

namespace {
// Coverage of a rounded rectangle at point (x, y), all in units of the icon size.
bool InRoundedRect(double x, double y, double left, double top, double right, double bottom, double radius) {
  if (x < left || x > right || y < top || y > bottom) return false;
  const double cx = std::clamp(x, left + radius, right - radius);
  const double cy = std::clamp(y, top + radius, bottom - radius);
  const double dx = x - cx, dy = y - cy;
  return dx * dx + dy * dy <= radius * radius;
}

struct Rgba {
  double r, g, b, a;
};

Rgba Over(Rgba top, Rgba bottom) {
  const double a = top.a + bottom.a * (1 - top.a);
  if (a <= 0) return {0, 0, 0, 0};
  return {(top.r * top.a + bottom.r * bottom.a * (1 - top.a)) / a,
          (top.g * top.a + bottom.g * bottom.a * (1 - top.a)) / a,
          (top.b * top.a + bottom.b * bottom.a * (1 - top.a)) / a, a};
}

// The picture at a point of the unit square: the tile, its rim, and a sheet in three pieces.
Rgba Sample(double x, double y) {
  Rgba colour{0, 0, 0, 0};
  if (InRoundedRect(x, y, 0.04, 0.04, 0.96, 0.96, 0.2)) {
    // Cool blue, lighter at the top.
    const double t = (y - 0.04) / 0.92;
    colour = {40 + (20 - 40) * t, 130 + (80 - 130) * t, 210 + (160 - 210) * t, 1};
    if (!InRoundedRect(x, y, 0.08, 0.08, 0.92, 0.92, 0.16)) colour = {24, 70, 130, 1};
  }
  // The sheet: three slices with gaps, the middle one shifted to show the cut.
  const double pieces[3][2] = {{0.22, 0.38}, {0.44, 0.58}, {0.64, 0.80}};
  for (int i = 0; i < 3; ++i) {
    const double shift = i == 1 ? 0.06 : 0.0;
    if (InRoundedRect(x, y, 0.26 + shift, pieces[i][0], 0.74 + shift, pieces[i][1], 0.03))
      colour = Over(Rgba{255, 255, 255, 1}, colour);
  }
  return colour;
}
}  // namespace

std::vector<uint32_t> DrawApplicationIcon(int size) {
  std::vector<uint32_t> pixels(static_cast<size_t>(size) * static_cast<size_t>(size));
  constexpr int kSub = 4;  // 4 x 4 samples per pixel for smooth edges
  for (int py = 0; py < size; ++py) {
    for (int px = 0; px < size; ++px) {
      double r = 0, g = 0, b = 0, a = 0;
      for (int sy = 0; sy < kSub; ++sy)
        for (int sx = 0; sx < kSub; ++sx) {
          const Rgba s = Sample((px + (sx + 0.5) / kSub) / size, (py + (sy + 0.5) / kSub) / size);
          r += s.r * s.a;
          g += s.g * s.a;
          b += s.b * s.a;
          a += s.a;
        }
      uint32_t value = 0;
      if (a > 0) {
        const auto channel = [&](double v) { return static_cast<uint32_t>(std::lround(std::clamp(v / a, 0.0, 255.0))); };
        const uint32_t alpha = static_cast<uint32_t>(std::lround(255.0 * a / (kSub * kSub)));
        value = (alpha << 24) | (channel(r) << 16) | (channel(g) << 8) | channel(b);
      }
      pixels[static_cast<size_t>(py) * static_cast<size_t>(size) + static_cast<size_t>(px)] = value;
    }
  }
  return pixels;
}

void FillApplicationIcon(TIcon& icon) {
  for (int size : kIconSizes) icon.AddImage(size, DrawApplicationIcon(size));
}
