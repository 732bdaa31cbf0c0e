#include "skin/paint/sGradient.h"

#include <algorithm>
#include <cstring>

#include "skin/paint/Pixels.h"

namespace {

// Running colour of one step: single-precision sums of double-precision increments.
struct TRunningColor {
  float r, g, b;
  double dr, dg, db;

  TRunningColor(TColor from, TColor to, int n)
      : r(static_cast<float>(RedOf(from))),
        g(static_cast<float>(GreenOf(from))),
        b(static_cast<float>(BlueOf(from))),
        dr((RedOf(to) - RedOf(from)) / static_cast<double>(n)),
        dg((GreenOf(to) - GreenOf(from)) / static_cast<double>(n)),
        db((BlueOf(to) - BlueOf(from)) / static_cast<double>(n)) {}

  TColor Current() const {
    return MakeColor(ClampByte(static_cast<int>(RoundEven(r))), ClampByte(static_cast<int>(RoundEven(g))),
                     ClampByte(static_cast<int>(RoundEven(b))));
  }
  void Advance() {
    r = static_cast<float>(r + dr);
    g = static_cast<float>(g + dg);
    b = static_cast<float>(b + db);
  }
};

void PaintVertical(const TSurfaceView& surface, const TsRect& rect, const TsGradArray& steps) {
  const int height = rect.Height();
  const int lastRow = rect.Bottom - 1;
  const int bpp = surface.BytesPerPixel();
  int e = rect.Top;
  for (size_t i = 0; i < steps.size(); ++i) {
    const TsGradientStep& step = steps[i];
    const int s = e;
    e = s + step.Percent * height / 100;
    e = i + 1 == steps.size() ? lastRow : std::min(e, lastRow);
    if (e - s <= 0) continue;
    TRunningColor run(SkinColorToRGB(step.Color1), SkinColorToRGB(step.Color2), e - s);
    for (int y = s; y <= e; ++y, run.Advance()) {
      // A negative percent can move a step above the rectangle; those rows are not ours.
      if (y < rect.Top) continue;
      FillPixels(surface.Pixel(rect.Left, y), rect.Width(), bpp, run.Current());
    }
  }
}

void PaintHorizontal(const TSurfaceView& surface, const TsRect& rect, const TsGradArray& steps) {
  const double unit = rect.Width() / 100.0;
  const int lastColumn = rect.Right - 1;
  const int bpp = surface.BytesPerPixel();
  // Every row gets the same layout and colours, so one row is computed and copied.
  uint8_t* first = surface.Row(rect.Top);
  int l = rect.Left;
  for (size_t i = 0; i < steps.size(); ++i) {
    const TsGradientStep& step = steps[i];
    const int j = l;
    l = static_cast<int>(RoundEven(step.Percent * unit + j));
    l = i + 1 == steps.size() ? lastColumn : std::min(l, lastColumn);
    if (l - j <= 0) continue;
    TRunningColor run(SkinColorToRGB(step.Color1), SkinColorToRGB(step.Color2), l - j);
    for (int x = j; x <= l; ++x, run.Advance())
      if (x >= rect.Left) PutRGB(first + static_cast<ptrdiff_t>(x) * bpp, run.Current());
  }
  const size_t bytes = static_cast<size_t>(rect.Width()) * bpp;
  const uint8_t* from = first + static_cast<ptrdiff_t>(rect.Left) * bpp;
  for (int y = rect.Top + 1; y < rect.Bottom; ++y) std::memcpy(surface.Pixel(rect.Left, y), from, bytes);
}

void PaintMesh(const TSurfaceView& surface, const TsRect& rect, const TsGradArray& steps) {
  TColor colors[5];
  for (size_t k = 0; k < 5; ++k)
    colors[k] = k < steps.size() ? SkinColorToRGB(steps[k].Color1) : colors[k - 1];
  const double l = rect.Left, t = rect.Top, r = rect.Right, b = rect.Bottom;
  const TGouraudVertex v[5] = {
      {l, t, colors[0]},
      {static_cast<double>(rect.Left + rect.Width() / 2), static_cast<double>(rect.Top + rect.Height() / 2),
       colors[1]},
      {r, t, colors[2]},
      {r, b, colors[3]},
      {l, b, colors[4]},
  };
  FillGouraudTriangle(surface, rect, v[0], v[1], v[2]);
  FillGouraudTriangle(surface, rect, v[1], v[2], v[3]);
  FillGouraudTriangle(surface, rect, v[0], v[1], v[4]);
  FillGouraudTriangle(surface, rect, v[4], v[1], v[3]);
}

double Edge(const TGouraudVertex& a, const TGouraudVertex& b, double px, double py) {
  return (b.x - a.x) * (py - a.y) - (b.y - a.y) * (px - a.x);
}

// Whether points exactly on edge a -> b belong to the triangle (top and left edges do),
// for a triangle whose vertices run so that Edge(a, b, c) > 0.
bool OwnsEdge(const TGouraudVertex& a, const TGouraudVertex& b) {
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  return dy < 0 || (dy == 0 && dx > 0);
}

}  // namespace

void FillGouraudTriangle(const TSurfaceView& surface, const TsRect& clip, const TGouraudVertex& a,
                         const TGouraudVertex& b0, const TGouraudVertex& c0) {
  if (surface.Empty()) return;
  TGouraudVertex b = b0, c = c0;
  double area = Edge(a, b, c.x, c.y);
  if (area == 0) return;
  if (area < 0) {
    std::swap(b, c);
    area = -area;
  }
  const int x1 = std::max({clip.Left, 0, static_cast<int>(std::min({a.x, b.x, c.x}))});
  const int x2 = std::min({clip.Right, surface.width, static_cast<int>(std::max({a.x, b.x, c.x})) + 1});
  const int y1 = std::max({clip.Top, 0, static_cast<int>(std::min({a.y, b.y, c.y}))});
  const int y2 = std::min({clip.Bottom, surface.height, static_cast<int>(std::max({a.y, b.y, c.y})) + 1});
  if (x1 >= x2 || y1 >= y2) return;

  const bool ownBC = OwnsEdge(b, c), ownCA = OwnsEdge(c, a), ownAB = OwnsEdge(a, b);
  const double ca[3] = {static_cast<double>(RedOf(a.color)), static_cast<double>(GreenOf(a.color)),
                        static_cast<double>(BlueOf(a.color))};
  const double cb[3] = {static_cast<double>(RedOf(b.color)), static_cast<double>(GreenOf(b.color)),
                        static_cast<double>(BlueOf(b.color))};
  const double cc[3] = {static_cast<double>(RedOf(c.color)), static_cast<double>(GreenOf(c.color)),
                        static_cast<double>(BlueOf(c.color))};
  const int bpp = surface.BytesPerPixel();
  for (int y = y1; y < y2; ++y) {
    const double py = y + 0.5;
    uint8_t* p = surface.Pixel(x1, y);
    for (int x = x1; x < x2; ++x, p += bpp) {
      const double px = x + 0.5;
      // Half-integer centres and integer corners keep these products exact.
      const double wa = Edge(b, c, px, py);
      const double wb = Edge(c, a, px, py);
      const double wc = Edge(a, b, px, py);
      if (wa < 0 || wb < 0 || wc < 0) continue;
      if ((wa == 0 && !ownBC) || (wb == 0 && !ownCA) || (wc == 0 && !ownAB)) continue;
      int channel[3];
      for (int k = 0; k < 3; ++k)
        channel[k] = ClampByte(static_cast<int>(RoundEven((wa * ca[k] + wb * cb[k] + wc * cc[k]) / area)));
      PutRGB(p, MakeColor(channel[0], channel[1], channel[2]));
    }
  }
}

void PaintGradient(const TSurfaceView& surface, TsRect rect, const TsGradArray& steps) {
  if (surface.Empty() || steps.empty()) return;
  rect.Right = std::min(rect.Right, surface.width);
  rect.Bottom = std::min(rect.Bottom, surface.height);
  rect.Left = std::max(rect.Left, 0);
  rect.Top = std::max(rect.Top, 0);
  if (IsEmptyRect(rect)) return;
  switch (steps[0].Mode) {
    case 0: PaintVertical(surface, rect, steps); break;
    case 1: PaintHorizontal(surface, rect, steps); break;
    case 2: PaintMesh(surface, rect, steps); break;
    default: break;
  }
}
