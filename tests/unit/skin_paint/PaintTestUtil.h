// Small helpers for pixel tests: surfaces of either orientation, pixel access in COLORREF
// order, and whole-surface fills.
#pragma once

#include <memory>

#include "framework/Surface.h"
#include "skin/paint/Pixels.h"
#include "skin/paint/sGradient.h"

namespace paint_test {

inline std::unique_ptr<TSurface> Make(int w, int h, int bpp = 24, bool bottomUp = true) {
  return std::make_unique<THeapSurface>(w, h, bpp, bottomUp);
}

inline TColor At(const TSurfaceView& v, int x, int y) { return GetRGB(v.Pixel(x, y)); }
inline void Set(const TSurfaceView& v, int x, int y, TColor c) { PutRGB(v.Pixel(x, y), c); }

inline void Fill(const TSurfaceView& v, TColor c) { FillRectColor(v, TsRect{0, 0, v.width, v.height}, c); }

// A surface whose pixel (x, y) is `f(x, y)`.
template <typename F>
std::unique_ptr<TSurface> MakeWith(int w, int h, F f, int bpp = 24, bool bottomUp = true) {
  auto s = Make(w, h, bpp, bottomUp);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) Set(s->View(), x, y, f(x, y));
  return s;
}

constexpr TColor Grey(int v) { return MakeColor(v, v, v); }

// One gradient step as the options parser makes it.
inline TsGradientStep Step(TColor c1, TColor c2, int percent, int mode = 0) {
  TsGradientStep s;
  s.Color1 = c1;
  s.Color2 = c2;
  s.Percent = static_cast<int8_t>(percent);
  s.Mode = mode;
  return s;
}

}  // namespace paint_test
