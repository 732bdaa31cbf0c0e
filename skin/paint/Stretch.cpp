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

// Contributions of source samples to one destination sample, weights summing to 1 << 14.
struct TTaps {
  int first = 0;
  std::vector<int> weights;
};

constexpr int kWeightBits = 14;

// Tent filter: radius max(1, scale) source pixels around the destination centre.
std::vector<TTaps> MakeTaps(int dstLength, int srcLength) {
  std::vector<TTaps> taps(static_cast<size_t>(dstLength));
  const double scale = static_cast<double>(srcLength) / dstLength;
  const double radius = std::max(1.0, scale);
  for (int i = 0; i < dstLength; ++i) {
    const double centre = (i + 0.5) * scale - 0.5;
    const int lo = std::max(0, static_cast<int>(std::floor(centre - radius)) + 1);
    const int hi = std::min(srcLength - 1, static_cast<int>(std::ceil(centre + radius)) - 1);
    std::vector<double> w;
    double total = 0;
    for (int s = lo; s <= hi; ++s) {
      const double v = std::max(0.0, 1.0 - std::abs(s - centre) / radius);
      w.push_back(v);
      total += v;
    }
    TTaps& t = taps[static_cast<size_t>(i)];
    if (total <= 0) {  // centre outside the source: take the nearest pixel
      t.first = std::clamp(static_cast<int>(std::lround(centre)), 0, srcLength - 1);
      t.weights = {1 << kWeightBits};
      continue;
    }
    t.first = lo;
    int sum = 0;
    for (double v : w) {
      t.weights.push_back(static_cast<int>(std::lround(v / total * (1 << kWeightBits))));
      sum += t.weights.back();
    }
    // Rounding leftovers go to the heaviest tap so that flat areas stay exact.
    const auto heaviest = std::max_element(t.weights.begin(), t.weights.end());
    *heaviest += (1 << kWeightBits) - sum;
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

  const std::vector<TTaps> xTaps = MakeTaps(d.Width(), s.Width());
  const std::vector<TTaps> yTaps = MakeTaps(d.Height(), s.Height());
  const int sb = src.BytesPerPixel();
  const int db = dst.BytesPerPixel();
  const int x1 = std::max(d.Left, 0), x2 = std::min(d.Right, dst.width);
  const int y1 = std::max(d.Top, 0), y2 = std::min(d.Bottom, dst.height);
  if (x1 >= x2 || y1 >= y2) return;

  // Vertical pass into one row of 32-bit sums, then the horizontal pass into the row.
  std::vector<int> column(static_cast<size_t>(s.Width()) * 3);
  for (int y = y1; y < y2; ++y) {
    const TTaps& ty = yTaps[static_cast<size_t>(y - d.Top)];
    std::fill(column.begin(), column.end(), 0);
    for (size_t k = 0; k < ty.weights.size(); ++k) {
      const uint8_t* row = src.Pixel(s.Left, s.Top + ty.first + static_cast<int>(k));
      const int w = ty.weights[k];
      for (int x = 0; x < s.Width(); ++x)
        for (int ch = 0; ch < 3; ++ch) column[static_cast<size_t>(x) * 3 + ch] += row[x * sb + ch] * w;
    }
    uint8_t* out = dst.Pixel(x1, y);
    for (int x = x1; x < x2; ++x, out += db) {
      const TTaps& tx = xTaps[static_cast<size_t>(x - d.Left)];
      int64_t acc[3] = {0, 0, 0};
      for (size_t k = 0; k < tx.weights.size(); ++k) {
        const int* c = &column[static_cast<size_t>(tx.first + static_cast<int>(k)) * 3];
        for (int ch = 0; ch < 3; ++ch) acc[ch] += static_cast<int64_t>(c[ch]) * tx.weights[k];
      }
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
