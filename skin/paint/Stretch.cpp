#include "skin/paint/Stretch.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "skin/paint/Pixels.h"

void CopyBlock(const TSurfaceView& dst, int x, int y, const TSurfaceView& src, TsRect r) {
  if (dst.Empty() || src.Empty() || !ClipRectCopy(x, y, r, dst, src)) return;
  if (dst.bitsPerPixel == src.bitsPerPixel) {
    const size_t bytes = static_cast<size_t>(r.Width()) * src.BytesPerPixel();
    for (int row = 0; row < r.Height(); ++row)
      std::memmove(dst.Pixel(x, y + row), src.Pixel(r.Left, r.Top + row), bytes);
    return;
  }
  // Between depths: the colour bytes only.
  const int sb = src.BytesPerPixel(), db = dst.BytesPerPixel();
  for (int row = 0; row < r.Height(); ++row) {
    const uint8_t* s = src.Pixel(r.Left, r.Top + row);
    uint8_t* d = dst.Pixel(x, y + row);
    for (int col = 0; col < r.Width(); ++col, s += sb, d += db) {
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
    }
  }
}

namespace {

// Contributions of source samples to each destination sample, weights summing to 1 << 14:
// sample i takes Count[i] weights from Weights[Offset[i]] on, for the source samples from
// First[i] on (all samples in a few flat arrays, not an array each).
struct TTaps {
  std::vector<int> First, Offset, Count, Weights;
};

constexpr int kWeightBits = 14;

// Tent filter: radius max(1, scale) source pixels around the destination centre.
TTaps MakeTaps(int dstLength, int srcLength) {
  TTaps taps;
  const size_t n = static_cast<size_t>(dstLength);
  taps.First.resize(n);
  taps.Offset.resize(n);
  taps.Count.resize(n);
  const double scale = static_cast<double>(srcLength) / dstLength;
  const double radius = std::max(1.0, scale);
  taps.Weights.reserve(n * (2 * static_cast<size_t>(std::ceil(radius)) + 1));
  std::vector<double> w;
  for (int i = 0; i < dstLength; ++i) {
    const double centre = (i + 0.5) * scale - 0.5;
    const int lo = std::max(0, static_cast<int>(std::floor(centre - radius)) + 1);
    const int hi = std::min(srcLength - 1, static_cast<int>(std::ceil(centre + radius)) - 1);
    w.clear();
    double total = 0;
    for (int s = lo; s <= hi; ++s) {
      const double v = std::max(0.0, 1.0 - std::abs(s - centre) / radius);
      w.push_back(v);
      total += v;
    }
    const size_t k = static_cast<size_t>(i);
    const size_t offset = taps.Weights.size();
    taps.Offset[k] = static_cast<int>(offset);
    if (total <= 0) {  // centre outside the source: take the nearest pixel
      taps.First[k] = std::clamp(static_cast<int>(std::lround(centre)), 0, srcLength - 1);
      taps.Weights.push_back(1 << kWeightBits);
      taps.Count[k] = 1;
      continue;
    }
    taps.First[k] = lo;
    int sum = 0;
    for (double v : w) {
      taps.Weights.push_back(static_cast<int>(std::lround(v / total * (1 << kWeightBits))));
      sum += taps.Weights.back();
    }
    // Rounding leftovers go to the heaviest tap so that flat areas stay exact.
    const auto begin = taps.Weights.begin() + static_cast<std::ptrdiff_t>(offset);
    const auto heaviest = std::max_element(begin, taps.Weights.end());
    *heaviest += (1 << kWeightBits) - sum;
    taps.Count[k] = static_cast<int>(taps.Weights.size() - offset);
  }
  return taps;
}

}  // namespace

void StretchCopy(const TSurfaceView& dst, TsRect d, const TSurfaceView& src, TsRect s) {
  if (dst.Empty() || src.Empty()) return;
  s.Left = std::max(s.Left, 0);
  s.Top = std::max(s.Top, 0);
  s.Right = std::min(s.Right, src.width);
  s.Bottom = std::min(s.Bottom, src.height);
  if (IsEmptyRect(s) || IsEmptyRect(d)) return;

  const TTaps xTaps = MakeTaps(d.Width(), s.Width());
  const TTaps yTaps = MakeTaps(d.Height(), s.Height());
  const int sb = src.BytesPerPixel();
  const int db = dst.BytesPerPixel();
  const int x1 = std::max(d.Left, 0), x2 = std::min(d.Right, dst.width);
  const int y1 = std::max(d.Top, 0), y2 = std::min(d.Bottom, dst.height);
  if (x1 >= x2 || y1 >= y2) return;

  // Vertical pass into one row of 32-bit sums, then the horizontal pass into the row.
  std::vector<int> column(static_cast<size_t>(s.Width()) * 3);
  for (int y = y1; y < y2; ++y) {
    const size_t ty = static_cast<size_t>(y - d.Top);
    const int* yWeights = &yTaps.Weights[static_cast<size_t>(yTaps.Offset[ty])];
    std::fill(column.begin(), column.end(), 0);
    for (int k = 0; k < yTaps.Count[ty]; ++k) {
      const uint8_t* row = src.Pixel(s.Left, s.Top + yTaps.First[ty] + k);
      const int w = yWeights[k];
      for (int x = 0; x < s.Width(); ++x)
        for (int ch = 0; ch < 3; ++ch) column[static_cast<size_t>(x) * 3 + ch] += row[x * sb + ch] * w;
    }
    uint8_t* out = dst.Pixel(x1, y);
    for (int x = x1; x < x2; ++x, out += db) {
      const size_t tx = static_cast<size_t>(x - d.Left);
      const int* xWeights = &xTaps.Weights[static_cast<size_t>(xTaps.Offset[tx])];
      const int* c = &column[static_cast<size_t>(xTaps.First[tx]) * 3];
      int64_t acc[3] = {0, 0, 0};
      for (int k = 0; k < xTaps.Count[tx]; ++k, c += 3)
        for (int ch = 0; ch < 3; ++ch) acc[ch] += static_cast<int64_t>(c[ch]) * xWeights[k];
      for (int ch = 0; ch < 3; ++ch)
        out[ch] = ClampByte(static_cast<int>((acc[ch] + (int64_t{1} << (2 * kWeightBits - 1))) >> (2 * kWeightBits)));
    }
  }
}

void StretchKeyedNearest(const TSurfaceView& dst, TsRect r, const TSurfaceView& src, TColor key) {
  const int w = r.Width(), h = r.Height();
  if (dst.Empty() || src.Empty() || w <= 0 || h <= 0) return;
  const int top = std::max(r.Top, 0), bottom = std::min(r.Bottom, dst.height);
  const int left = std::max(r.Left, 0), right = std::min(r.Right, dst.width);
  for (int y = top; y < bottom; ++y) {
    const int sy = static_cast<int>(static_cast<int64_t>(y - r.Top) * src.height / h);
    for (int x = left; x < right; ++x) {
      const uint8_t* p = src.Pixel(static_cast<int>(static_cast<int64_t>(x - r.Left) * src.width / w), sy);
      if (GetRGB(p) == key) continue;
      uint8_t* d = dst.Pixel(x, y);
      d[0] = p[0];
      d[1] = p[1];
      d[2] = p[2];
    }
  }
}
