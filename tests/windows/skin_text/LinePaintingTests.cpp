// The line helpers drawn next to text: focus dots, frame rings and border rings pixel by
// pixel, and the soft shadow against its formula.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "TextProbes.h"
#include "framework/Handles.h"
#include "skin/paint/Pixels.h"
#include "skin/paint/gdi/sTextPainting.h"

namespace {

using Pixel = std::pair<int, int>;

void ExpectOnly(InkSurface& surface, const std::set<Pixel>& black, const std::set<Pixel>& white, TColor rest) {
  const RECT all = surface.All();
  for (int y = 0; y < all.bottom; ++y)
    for (int x = 0; x < all.right; ++x) {
      const TColor expected = black.count({x, y}) ? clBlack : white.count({x, y}) ? clWhite : rest;
      EXPECT_EQ(surface.At(x, y), expected) << "(" << x << ", " << y << ")";
    }
}

TEST(FocusDots, EveryThirdPixelOnTheEdgeLinesWithAWhiteDotUpAndLeft) {
  // The rectangle (0, 0, 6, 3) moved to (2, 2): black at x = 0, 3, 6 on rows 0 and 3 and
  // at y = 0, 3 on columns 0 and 6, the right and bottom lines included; white one pixel
  // up and left of each dot along the top and bottom, and of each dot down the sides
  // (those on the left column fall outside the picture when the rectangle is at 0).
  InkSurface surface(12, 9, clGray);
  DrawFocusDots(surface.Canvas(), RECT{2, 2, 8, 5});
  ExpectOnly(surface, {{2, 2}, {5, 2}, {8, 2}, {2, 5}, {5, 5}, {8, 5}},
             {{1, 1}, {4, 1}, {7, 1}, {1, 4}, {4, 4}, {7, 4}}, clGray);

  InkSurface atOrigin(8, 5, clGray);
  DrawFocusDots(atOrigin.Canvas(), RECT{0, 0, 6, 3});
  ExpectOnly(atOrigin, {{0, 0}, {3, 0}, {6, 0}, {0, 3}, {3, 3}, {6, 3}}, {{2, 2}, {5, 2}}, clGray);
}

TEST(FrameRings, TopLeftAndBottomRightLinesRingByRing) {
  constexpr TColor background = 0x00808000, dark = 0x000000FF;
  const TColor light = static_cast<TColor>(ColorToRGB(clBtnHighlight));  // given as a system colour
  InkSurface surface(10, 8, background);
  HDC dc = surface.Canvas().Handle();
  const HGDIOBJ penBefore = GetCurrentObject(dc, OBJ_PEN), brushBefore = GetCurrentObject(dc, OBJ_BRUSH);
  const int pens = LiveHandles(THandleKind::Pen);

  RECT rect{1, 1, 9, 7};
  int rings = 2;
  DrawFrameRings(dc, rect, clBtnHighlight, rings, dark);

  EXPECT_EQ(rings, 0);
  const RECT shrunk{3, 3, 7, 5};
  EXPECT_TRUE(EqualRect(&rect, &shrunk));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), penBefore);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brushBefore);
  EXPECT_EQ(LiveHandles(THandleKind::Pen), pens);

  // Ring k runs round the inclusive box (l, t)-(r, b) = (1 + k, 1 + k)-(8 - k, 6 - k): the
  // left column and top row in the light colour, each without its far end, which belongs
  // to the dark right column and bottom row.
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 10; ++x) {
      TColor expected = background;
      for (int k = 0; k < 2; ++k) {
        const int l = 1 + k, t = 1 + k, r = 8 - k, b = 6 - k;
        if ((x == r && y >= t && y <= b) || (y == b && x >= l && x <= r))
          expected = dark;
        else if ((x == l && y >= t && y < b) || (y == t && x >= l && x < r))
          expected = light;
      }
      EXPECT_EQ(surface.At(x, y), expected) << "(" << x << ", " << y << ")";
    }
}

TEST(BorderRing, CopiesTheRingOfAPictureAndLeavesItsInside) {
  InkSurface source(32, 24);
  const TSurfaceView view = source.View();
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 32; ++x) PutRGB(view.Pixel(x, y), MakeColor(x * 7, y * 9, 77));
  constexpr TColor untouched = 0x123456;
  InkSurface target(10, 8, untouched);

  constexpr int ring = 2, sx = 5, sy = 3;
  CopyBorderRing(target.Canvas().Handle(), 0, 0, ring, sx, sy, source.Canvas().Handle(), 8, 10);

  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 10; ++x) {
      const bool onRing = x < ring || y < ring || x >= 10 - ring || y >= 8 - ring;
      EXPECT_EQ(target.At(x, y), onRing ? source.At(sx + x, sy + y) : untouched) << "(" << x << ", " << y << ")";
    }
}

// The grey of shadow ring t (0 the outermost) for `rings` rings around a centre of grey D:
// g0 = 255, g(t+1) = D + nearest((255 - D) / (rings + 1) * (rings - t)).
int RingGrey(int t, int rings, int centre) {
  if (t == 0) return 255;
  return centre + static_cast<int>(std::nearbyint((255.0 - centre) / (rings + 1) * (rings - (t - 1))));
}

// A channel pulled towards the shadow colour by the mask's grey m.
int Tinted(int channel, int color, int m) { return std::clamp((color * 256 + m * (channel - color)) >> 8, 0, 255); }

TEST(SoftShadow, RingsFadeFromTheEdgeToTheCentreAsTheFormulaSays) {
  constexpr TColor picture = MakeColor(100, 150, 200), shadow = MakeColor(20, 40, 60);
  struct Case {
    const char* what;
    TsRect rect;
    int transparency, radius, blur;
  };
  const Case cases[] = {
      {"inside the picture", {5, 4, 35, 26}, 40, 6, 4},
      {"blur limited to half the width", {10, 2, 16, 28}, 30, 2, 10},
      {"reaching beyond the left edge", {-10, 3, 20, 27}, 70, 5, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InkSurface surface(40, 30, picture);
    SoftShadow(surface.View(), c.rect, c.transparency, c.radius, c.blur, shadow);

    const int w = c.rect.Width(), h = c.rect.Height();
    const int rings = std::min({w / 2, h / 2, c.blur});
    const int centre = c.transparency * 255 / 100;
    // Along the middle row and column the rings are straight: a pixel at distance d from
    // the nearest edge lies in ring d, and from ring `rings` on in the centre.
    const auto expected = [&](int x, int y) {
      const int distance = std::min({x - c.rect.Left, c.rect.Right - 1 - x, y - c.rect.Top, c.rect.Bottom - 1 - y});
      const int m = distance < rings ? RingGrey(distance, rings, centre) : centre;
      return MakeColor(Tinted(RedOf(picture), RedOf(shadow), m), Tinted(GreenOf(picture), GreenOf(shadow), m),
                       Tinted(BlueOf(picture), BlueOf(shadow), m));
    };
    const int midY = c.rect.Top + h / 2, midX = c.rect.Left + w / 2;
    for (int x = std::max(c.rect.Left, 0); x < c.rect.Right; ++x)
      EXPECT_EQ(surface.At(x, midY), expected(x, midY)) << "x " << x;
    for (int y = c.rect.Top; y < c.rect.Bottom; ++y) EXPECT_EQ(surface.At(midX, y), expected(midX, y)) << "y " << y;

    // Outside the rectangle nothing changes; inside a rounded-off corner the mask stays
    // white, as in the outermost ring.
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x)
        if (x < c.rect.Left || x >= c.rect.Right || y < c.rect.Top || y >= c.rect.Bottom) {
          ASSERT_EQ(surface.At(x, y), picture) << "(" << x << ", " << y << ")";
        }
    if (c.rect.Left >= 0 && std::min({w / 2, h / 2, c.radius}) >= 6) {
      EXPECT_EQ(surface.At(c.rect.Left + 1, c.rect.Top + 1), expected(c.rect.Left, c.rect.Top));
    }
  }
}

}  // namespace
