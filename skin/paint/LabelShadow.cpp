#include "skin/paint/LabelShadow.h"

#include <algorithm>

TsShadowExtent ClampShadowExtent(int blur, int distance) {
  return TsShadowExtent{std::clamp(blur, 0, kMaxShadowBlur), std::clamp(distance, -kMaxShadowDistance, kMaxShadowDistance)};
}

TsShadowMargins ShadowMargins(const TsShadowExtent& extent) {
  const TsShadowExtent e = ClampShadowExtent(extent.Blur, extent.Distance);
  return TsShadowMargins{std::min(0, e.Distance - e.Blur), std::max(0, e.Distance + e.Blur)};
}

void TsShadowBlur::Blur(const TSurfaceView& mask, int passes) {
  width_ = mask.Empty() ? 0 : mask.width;
  height_ = mask.Empty() ? 0 : mask.height;
  if (width_ == 0) return;
  const size_t stride = static_cast<size_t>(width_) + 2;
  const size_t needed = stride * (static_cast<size_t>(height_) + 2);
  if (cells_.size() < needed) cells_.resize(needed);
  std::fill_n(cells_.begin(), needed, uint8_t{0});

  if (sums_.size() < static_cast<size_t>(width_)) sums_.resize(static_cast<size_t>(width_));

  const int bytesPerPixel = mask.BytesPerPixel();
  const auto mark = [&](int y) {  // the cells of mask row y
    const uint8_t* blue = mask.Row(y);
    uint8_t* cell = &cells_[static_cast<size_t>(y + 1) * stride + 1];
    for (int x = 0; x < width_; ++x, blue += bytesPerPixel)
      if (*blue != 0) cell[x] = 255;
  };
  passes = ClampShadowExtent(passes, 0).Blur;
  for (int pass = 0; pass < passes; ++pass) {
    // Marking a row just before the row above it is smoothed gives what marking the whole
    // mask first gives: no smoothing reads further down than the next row.
    mark(0);
    for (int y = 1; y <= height_; ++y) {
      if (y < height_) mark(y);
      uint8_t* row = &cells_[static_cast<size_t>(y) * stride];
      const uint8_t* up = row - stride;  // already smoothed in this pass
      const uint8_t* down = row + stride;
      // Up, down and right are known before the row starts; only the left neighbour, just
      // smoothed, chains the row.
      uint16_t* sum = sums_.data();
      for (int x = 1; x <= width_; ++x) sum[x - 1] = static_cast<uint16_t>(up[x] + down[x] + row[x + 1]);
      unsigned left = row[0];
      for (int x = 1; x <= width_; ++x) {
        left = (sum[x - 1] + left) >> 2;
        row[x] = static_cast<uint8_t>(left);
      }
    }
  }
}

namespace {
// One row of Composite at a fixed depth, so the channel loop unrolls.
template <int kBytesPerPixel>
void CompositeRow(uint8_t* p, const uint8_t* weight, int count, const int (&shadow)[3]) {
  for (int x = 0; x < count; ++x, p += kBytesPerPixel) {
    const int k = weight[x];
    for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>((p[c] * (255 - k) + shadow[c] * k) >> 8);
  }
}
}  // namespace

void TsShadowBlur::Composite(const TSurfaceView& surface, TColor color) const {
  if (surface.Empty()) return;
  const int w = std::min(width_, surface.width), h = std::min(height_, surface.height);
  const int shadow[3] = {BlueOf(color), GreenOf(color), RedOf(color)};
  for (int y = 0; y < h; ++y) {
    const uint8_t* weight = &cells_[static_cast<size_t>(y + 1) * (static_cast<size_t>(width_) + 2) + 1];
    if (surface.bitsPerPixel == 32)
      CompositeRow<4>(surface.Row(y), weight, w, shadow);
    else
      CompositeRow<3>(surface.Row(y), weight, w, shadow);
  }
}
