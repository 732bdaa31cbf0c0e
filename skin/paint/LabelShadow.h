// The soft shadow under an effect label's text (`TsLabelFX`): the blur of the text's ink,
// the weights it leaves, the blend of the shadow colour by those weights, and the
// limits and margins the label derives from its shadow values.
//
// The blur works on a byte buffer with one cell per pixel and a ring of zero cells around
// it; the buffer is kept between paints and only ever grows. Each pass marks the cells
// under ink and then smooths every inner cell in place, row by row, so a pass already sees
// the cells it has just updated above and to the left.
//
// Shadow values come from skins: the label clamps them here before any work, so a skin
// cannot make a paint cost more than kMaxShadowBlur passes over the label's pixels.
//
// Left out: drawing the text (the label draws its ink with GDI into a surface and hands
// that surface here).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "skin/paint/PaintTypes.h"

// Limits of the shadow values a label uses, whoever gives them.
inline constexpr int kMaxShadowBlur = 16;      // blur passes
inline constexpr int kMaxShadowDistance = 16;  // offset to the right and down, either way

// Blur passes and offset after the limits: passes 0..kMaxShadowBlur (a negative count is
// no shadow), distance -kMaxShadowDistance..kMaxShadowDistance.
struct TsShadowExtent {
  int Blur = 0;
  int Distance = 0;
};
TsShadowExtent ClampShadowExtent(int blur, int distance);

// The room a shadow needs around the text: top-left min(0, distance - blur) (never
// positive), bottom-right max(0, distance + blur) (never negative), of clamped values.
struct TsShadowMargins {
  int TopLeft = 0;
  int BottomRight = 0;
};
TsShadowMargins ShadowMargins(const TsShadowExtent& extent);

class TsShadowBlur {
public:
  // Zeroes (w + 2) x (h + 2) cells for a mask of w x h pixels, then, `passes` times
  // (clamped as ClampShadowExtent does): every cell (x + 1, y + 1) whose mask pixel (x, y)
  // has a non-zero blue byte becomes 255; then every inner cell, rows from the top and
  // each row from the left, becomes (up + down + left + right) >> 2 of the cells as they
  // are at that moment. An empty mask leaves no cells.
  void Blur(const TSurfaceView& mask, int passes);

  // The weight of pixel (x, y) after Blur, 0..255. No bounds check.
  uint8_t Weight(int x, int y) const {
    return cells_[static_cast<size_t>(y + 1) * static_cast<size_t>(width_ + 2) + static_cast<size_t>(x + 1)];
  }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Bytes the buffer holds; it never shrinks.
  size_t Capacity() const { return cells_.size(); }

  // Pulls every pixel of `surface` that has a weight (the part of the blurred size inside
  // the surface) towards `color`: per channel c = (c * (255 - K) + shadow * K) >> 8, K the
  // pixel's weight. 24 or 32 bits; the fourth byte of a 32-bit pixel is left alone.
  void Composite(const TSurfaceView& surface, TColor color) const;

private:
  std::vector<uint8_t> cells_;
  std::vector<uint16_t> sums_;  // one row's known neighbours, reused
  int width_ = 0;
  int height_ = 0;
};
