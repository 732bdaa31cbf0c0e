#include <gtest/gtest.h>

#include <optional>

#include "PaintTestUtil.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Stretch.h"

using namespace paint_test;

namespace {

// A source pixel that tells where it came from: red = x, green = y (never the key).
constexpr TColor Coord(int x, int y) { return MakeColor(x, y, 1); }

TsMaskData Border(TsRect r, int images, int maskType, int drawMode, int wl, int wt, int wr, int wb) {
  TsMaskData m;
  m.R = r;
  m.ImageCount = static_cast<int16_t>(images);
  m.MaskType = static_cast<int16_t>(maskType);
  m.DrawMode = static_cast<int16_t>(drawMode);
  m.WL = static_cast<int16_t>(wl);
  m.WT = static_cast<int16_t>(wt);
  m.WR = static_cast<int16_t>(wr);
  m.WB = static_cast<int16_t>(wb);
  return m;
}

TEST(FitBorders, ShrinksOppositeBordersToTheLength) {
  struct Case {
    int n, a, b, ea, eb;
  } cases[] = {
      {5, 4, 4, 3, 2}, {7, 4, 4, 4, 3}, {8, 4, 4, 4, 4}, {30, 4, 4, 4, 4},
      {1, 4, 4, 1, 0}, {0, 2, 2, 0, 0}, {5, 4, 3, 3, 2},  // an odd sum still fits exactly
  };
  for (const Case& c : cases)
    EXPECT_EQ(FitBorders(c.n, c.a, c.b), std::pair(c.ea, c.eb)) << c.n << " " << c.a << " " << c.b;
}

// Where the nine-piece layout takes each destination pixel from, for a frame at x0 of
// size fw x fh; nullopt for a centre pixel that is not painted.
std::optional<TColor> ExpectedSource(int x, int y, int w, int h, int x0, int fw, int fh, const TsMaskData& m,
                                     bool centre) {
  const auto [l, rt] = FitBorders(w, m.WL, m.WR);
  const auto [t, b] = FitBorders(h, m.WT, m.WB);
  const int cw = fw - l - rt, ch = fh - t - b;
  int sx, sy;
  const bool midX = x >= l && x < w - rt, midY = y >= t && y < h - b;
  if (midX && midY && !centre) return std::nullopt;
  if (x < l) sx = x;
  else if (midX) sx = l + (x - l) % cw;
  else sx = l + cw + (x - (w - rt));
  if (y < t) sy = y;
  else if (midY) sy = t + (y - t) % ch;
  else sy = fh - b + (y - (h - b));
  return Coord(x0 + sx, sy);
}

TEST(PaintBorderMask, NinePiecesWithShrunkCornersTiledEdgesAndStateFrames) {
  // Three frames of 10 x 10, borders of 4; with a mask the rows below are black, so the
  // blend gives the image itself.
  auto plain = MakeWith(30, 10, Coord);
  auto masked = MakeWith(30, 20, [](int x, int y) { return y < 10 ? Coord(x, y) : clBlack; });
  struct Case {
    int w, h, state, drawMode, maskType;
    bool fillCentre;
    int frame;
  } cases[] = {
      {5, 30, 0, 0, 0, false, 0},   // widths 3 and 2: no top edge, tiled sides
      {14, 9, 1, 4, 0, true, 1},    // tiled edges and centre, state 1
      {14, 11, 3, 4, 0, true, 2},   // state 3 uses the last frame
      {14, 11, 0, 0, 0, true, 0},   // centre asked for but not in the draw mode
      {5, 30, 0, 0, 1, false, 0},   // the same through the mask rows
      {23, 17, 1, 4, 1, true, 1},
  };
  for (const Case& c : cases) {
    const TsMaskData m = Border(TsRect{0, 0, 30, c.maskType ? 20 : 10}, 3, c.maskType, c.drawMode, 4, 4, 4, 4);
    auto s = Make(c.w + 2, c.h + 2);
    Fill(s->View(), clFuchsia);
    PaintBorderMask(s->View(), TsRect{1, 1, c.w + 1, c.h + 1}, c.fillCentre, false, c.state,
                    MaskRef(m, (c.maskType ? masked : plain)->View()), BgInfo{});
    for (int y = 0; y < c.h + 2; ++y)
      for (int x = 0; x < c.w + 2; ++x) {
        const bool inside = x >= 1 && y >= 1 && x <= c.w && y <= c.h;
        const auto want = inside ? ExpectedSource(x - 1, y - 1, c.w, c.h, 10 * c.frame, 10, 10, m,
                                                  c.fillCentre && (c.drawMode & 4))
                                 : std::nullopt;
        ASSERT_EQ(At(s->View(), x, y), want.value_or(clFuchsia))
            << c.w << "x" << c.h << " mask " << c.maskType << " at " << x << "," << y;
      }
  }
}

TEST(PaintBorderMask, MaskedEdgesBlendWithTheDestination) {
  // Mask 128 on every pixel: each edge and centre pixel is half image, half destination.
  auto master = MakeWith(6, 12, [](int, int y) { return y < 6 ? Grey(200) : Grey(128); });
  const TsMaskData m = Border(TsRect{0, 0, 6, 12}, 1, 1, 4, 2, 2, 2, 2);
  auto s = Make(9, 9);
  Fill(s->View(), Grey(100));
  PaintBorderMask(s->View(), TsRect{0, 0, 9, 9}, true, false, 0, MaskRef(m, master->View()), BgInfo{});
  for (auto [x, y] : {std::pair{4, 0}, {0, 5}, {4, 4}, {8, 8}})
    EXPECT_EQ(At(s->View(), x, y), Grey((200 * 128 + 100 * 128) >> 8)) << x << "," << y;
}

TEST(PaintBorderMask, DrawModeTwoSkipsTheNormalStateAndNoCentreRowMeansNoSides) {
  auto master = MakeWith(6, 4, Coord);
  // Frame height 4 = WT + WB: corners and top and bottom edges only.
  const TsMaskData m = Border(TsRect{0, 0, 6, 4}, 1, 0, 2, 2, 2, 2, 2);
  auto s = Make(8, 10);
  Fill(s->View(), clFuchsia);
  PaintBorderMask(s->View(), TsRect{0, 0, 8, 10}, false, false, 0, MaskRef(m, master->View()), BgInfo{});
  EXPECT_EQ(At(s->View(), 0, 0), clFuchsia);

  PaintBorderMask(s->View(), TsRect{0, 0, 8, 10}, false, false, 1, MaskRef(m, master->View()), BgInfo{});
  EXPECT_EQ(At(s->View(), 0, 0), Coord(0, 0));
  EXPECT_EQ(At(s->View(), 3, 1), Coord(3, 1));  // top edge: tiles of columns 2..3
  EXPECT_EQ(At(s->View(), 4, 1), Coord(2, 1));
  EXPECT_EQ(At(s->View(), 7, 9), Coord(5, 3));
  for (int y = 2; y < 8; ++y) {
    EXPECT_EQ(At(s->View(), 0, y), clFuchsia) << y;
    EXPECT_EQ(At(s->View(), 7, y), clFuchsia) << y;
  }
}

TEST(PaintBorderMask, KeyCornerPixelsTakeParentFillColourOrStayKey) {
  // One frame 8 x 4 with a black mask row band below (mask 0 paints the image).
  auto master = MakeWith(8, 8, [](int x, int y) { return y >= 4 ? clBlack : x == 0 && y == 0 ? clFuchsia : Grey(90); });
  auto parent = MakeWith(20, 20, [](int x, int y) { return MakeColor(x, y, 200); });
  const TsMaskData m = Border(TsRect{0, 0, 8, 8}, 1, 1, 0, 2, 2, 2, 2);
  struct Case {
    bool ready;
    TColor fill;
    TColor expected;
  } cases[] = {
      {true, clFuchsia, MakeColor(3, 4, 200)},  // the parent's pixel behind (X + 0, Y + 0)
      {false, Grey(33), Grey(33)},
      {false, clFuchsia, clFuchsia},
  };
  for (const Case& c : cases) {
    auto s = Make(8, 4);
    Fill(s->View(), Grey(7));
    TPaintColors::Fill = c.fill;
    PaintBorderMask(s->View(), TsRect{0, 0, 8, 4}, false, true, 0, MaskRef(m, master->View()),
                    BgInfo{parent->View(), 3, 4, c.ready});
    TPaintColors::Fill = clFuchsia;
    EXPECT_EQ(At(s->View(), 0, 0), c.expected);
    EXPECT_EQ(At(s->View(), 1, 0), Grey(90));
  }
}

TEST(PaintBorderMask, StretchedEdgesFillTheWholeLength) {
  // A 3 x 3 frame of borders 1 whose single edge pixel is grey 80 everywhere.
  auto master = MakeWith(3, 3, [](int x, int y) { return x == 1 || y == 1 ? Grey(80) : Grey(10); });
  const TsMaskData m = Border(TsRect{0, 0, 3, 3}, 1, 0, 1 | 4, 1, 1, 1, 1);
  auto s = Make(9, 6);
  Fill(s->View(), clFuchsia);
  PaintBorderMask(s->View(), TsRect{0, 0, 9, 6}, true, false, 0, MaskRef(m, master->View()), BgInfo{});
  for (int x = 1; x < 8; ++x) EXPECT_EQ(At(s->View(), x, 0), Grey(80)) << x;
  EXPECT_EQ(At(s->View(), 4, 3), Grey(80));
  EXPECT_EQ(At(s->View(), 8, 5), Grey(10));
}

TEST(PaintBorderRegion, RemovesExactlyTheCornerKeyPixels) {
  // Frame 8 x 6 with borders 2 and a black mask band below. Key pixels: three in the top-left
  // corner, one in the top-right and the bottom-left corner, one on the top edge.
  auto master = MakeWith(8, 12, [](int x, int y) {
    if (y >= 6) return clBlack;
    const bool key = (y == 0 && x <= 1) || (x == 0 && y == 1) || (x == 7 && y == 0) || (x == 0 && y == 5) ||
                     (x == 4 && y == 0);
    return key ? clFuchsia : Grey(60);
  });
  const TsMaskData m = Border(TsRect{0, 0, 8, 12}, 1, 1, 0, 2, 2, 2, 2);
  auto s = Make(12, 8);
  Fill(s->View(), Grey(5));
  std::vector<TsRect> removed;
  PaintBorderRegion(s->View(), removed, false, 0, MaskRef(m, master->View()));
  std::sort(removed.begin(), removed.end(),
            [](const TsRect& a, const TsRect& b) { return std::tie(a.Top, a.Left) < std::tie(b.Top, b.Left); });
  EXPECT_EQ(removed, (std::vector<TsRect>{{0, 0, 2, 1}, {11, 0, 12, 1}, {0, 1, 1, 2}, {0, 7, 1, 8}}));
  EXPECT_EQ(At(s->View(), 0, 0), Grey(5));       // not painted
  EXPECT_EQ(At(s->View(), 4, 0), clFuchsia);     // edge key pixel painted (mask 0 keeps the image)
  EXPECT_EQ(At(s->View(), 2, 0), Grey(60));
  EXPECT_EQ(At(s->View(), 5, 4), Grey(5));       // no centre asked for
}

TEST(PaintGlyphMask, FramesMasksAndTheHalfTransparentLook) {
  // Own bitmap: two 2 x 2 frames, mask rows of 200 below.
  TsMaskData own = Border(TsRect{0, 0, 4, 4}, 2, 1, 0, 0, 0, 0, 0);
  own.Bmp = MakeWith(4, 4, [](int x, int y) { return y >= 2 ? Grey(200) : x == 3 && y == 1 ? clFuchsia : Grey(40 + x); });
  auto s = Make(3, 3);
  Fill(s->View(), Grey(100));
  PaintGlyphMask(s->View(), TPoint{1, 1}, 1, MaskRef(own, TSurfaceView{}), true);
  EXPECT_EQ(At(s->View(), 1, 1), Grey((42 * 56 + 100 * 200) >> 8));  // frame 1, mask 200
  EXPECT_EQ(At(s->View(), 2, 2), Grey(100));                           // key pixel left alone
  Fill(s->View(), Grey(100));
  PaintGlyphMask(s->View(), TPoint{1, 1}, 1, MaskRef(own, TSurfaceView{}), false);
  EXPECT_EQ(At(s->View(), 1, 1), Grey((42 + 100 * 255) >> 8));  // 200 + 100 is capped at 255: barely changes

  // In the master without a mask: keyed copy, or half transparent; a negative point clips.
  auto master = MakeWith(4, 2, [](int x, int) { return x == 0 ? clFuchsia : Grey(200); });
  const TsMaskData glyph = Border(TsRect{0, 0, 4, 2}, 1, 0, 0, 0, 0, 0, 0);
  Fill(s->View(), Grey(100));
  PaintGlyphMask(s->View(), TPoint{-1, 0}, 0, MaskRef(glyph, master->View()), true);
  EXPECT_EQ(At(s->View(), 0, 0), Grey(200));  // source column 1
  Fill(s->View(), Grey(100));
  PaintGlyphMask(s->View(), TPoint{0, 0}, 0, MaskRef(glyph, master->View()), false);
  EXPECT_EQ(At(s->View(), 0, 0), Grey(100));
  EXPECT_EQ(At(s->View(), 1, 1), Grey(150));
}

TEST(PaintGlyphMask, AFrameLeftOfOrAboveItsSourceIsCutNotReadOutside) {
  // A masked glyph whose area starts two columns left of its bitmap (a skin may write a
  // negative position): only the columns that exist are painted, where they belong.
  TsMaskData own = Border(TsRect{-2, -1, 2, 3}, 1, 1, 0, 0, 0, 0, 0);
  own.Bmp = MakeWith(4, 4, [](int x, int y) { return y >= 2 ? clBlack : Grey(10 + x); });
  auto s = Make(4, 2);
  Fill(s->View(), Grey(100));
  PaintGlyphMask(s->View(), TPoint{0, 0}, 0, MaskRef(own, TSurfaceView{}), true);
  EXPECT_EQ(At(s->View(), 0, 0), Grey(100));  // source column -2: nothing there
  EXPECT_EQ(At(s->View(), 1, 1), Grey(100));  // source column -1
  EXPECT_EQ(At(s->View(), 2, 0), Grey(100));  // source row -1
  EXPECT_EQ(At(s->View(), 2, 1), Grey(10));   // source (0, 0) under a black mask row
  EXPECT_EQ(At(s->View(), 3, 1), Grey(11));
}

TEST(CornerKeyRuns, CollectsBothCornersAtTheWindowSides) {
  // Frame 0 of 6 x 4 (two frames), borders 2: top-left key run (0..1, 0), top-right (5, 0);
  // bottom-left (0, 3).
  auto master = MakeWith(12, 4, [](int x, int y) {
    return (y == 0 && x <= 1) || (y == 0 && x == 5) || (y == 3 && x == 0) ? clFuchsia : Grey(1);
  });
  const TsMaskData m = Border(TsRect{0, 0, 12, 4}, 2, 0, 0, 2, 2, 2, 2);
  std::vector<TsRect> top, bottom;
  CornerKeyRuns(top, 100, MaskRef(m, master->View()), false, 0);
  EXPECT_EQ(top, (std::vector<TsRect>{{0, 0, 2, 1}, {99, 0, 100, 1}}));
  CornerKeyRuns(bottom, 100, MaskRef(m, master->View()), true, 50);
  EXPECT_EQ(bottom, (std::vector<TsRect>{{0, 51, 1, 52}}));
}

TEST(StretchCopy, SmoothAndExactOnFlatAreas) {
  auto flat = MakeWith(3, 2, [](int, int) { return MakeColor(10, 20, 30); });
  auto out = Make(17, 5);
  StretchCopy(out->View(), TsRect{0, 0, 17, 5}, flat->View(), TsRect{0, 0, 3, 2});
  for (int x = 0; x < 17; ++x) EXPECT_EQ(At(out->View(), x, 4), MakeColor(10, 20, 30));

  // Shrinking averages: 0 0 100 100 -> 0 100; enlarging interpolates monotonically.
  auto ramp = MakeWith(4, 1, [](int x, int) { return Grey(x < 2 ? 0 : 100); });
  auto half = Make(2, 1);
  StretchCopy(half->View(), TsRect{0, 0, 2, 1}, ramp->View(), TsRect{0, 0, 4, 1});
  // Tent of radius 2 centred on 0.5: weights 0.75, 0.75, 0.25 (the fourth is off the edge).
  EXPECT_EQ(At(half->View(), 0, 0), Grey(14));
  EXPECT_EQ(At(half->View(), 1, 0), Grey(86));
  auto wide = Make(8, 1);
  StretchCopy(wide->View(), TsRect{0, 0, 8, 1}, half->View(), TsRect{0, 0, 2, 1});
  for (int x = 1; x < 8; ++x) EXPECT_GE(RedOf(At(wide->View(), x, 0)), RedOf(At(wide->View(), x - 1, 0)));
  EXPECT_LT(RedOf(At(wide->View(), 0, 0)), RedOf(At(wide->View(), 7, 0)));
}

// CopyBlock against the plain rule: every pixel of the half-open source rectangle that
// lies inside the source lands at its place relative to (x, y) when that is inside the
// destination; nothing else changes.
TEST(CopyBlock, ClipsTheSourceAndTheDestinationAsThePixelRuleDoes) {
  struct Case {
    int x, y;
    TsRect from;
    int dstBpp, srcBpp;
  };
  const Case cases[] = {
      {1, 1, {0, 0, 3, 2}, 24, 24},     // inside
      {-2, 1, {0, 0, 4, 3}, 24, 24},    // off the destination's left
      {3, 2, {1, 1, 6, 5}, 24, 24},     // past the destination's far sides
      {1, 0, {-2, -1, 2, 2}, 24, 24},   // a source start before the source
      {0, 0, {3, 2, 9, 9}, 24, 24},     // past the source's far sides
      {2, 1, {0, 0, 4, 4}, 32, 24},     // between depths
      {0, 2, {1, 0, 5, 3}, 24, 32},
      {6, 0, {0, 0, 2, 2}, 24, 24},     // nothing left
  };
  for (const Case& c : cases) {
    auto src = MakeWith(5, 4, [](int x, int y) { return Coord(x, y); }, c.srcBpp);
    auto dst = MakeWith(6, 5, [](int, int) { return MakeColor(0, 0, 200); }, c.dstBpp, false);
    CopyBlock(dst->View(), c.x, c.y, src->View(), c.from);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 6; ++x) {
        const int sx = c.from.Left + x - c.x, sy = c.from.Top + y - c.y;
        const bool copied = sx >= c.from.Left && sx < c.from.Right && sy >= c.from.Top && sy < c.from.Bottom &&
                            sx >= 0 && sy >= 0 && sx < 5 && sy < 4;
        EXPECT_EQ(At(dst->View(), x, y), copied ? Coord(sx, sy) : MakeColor(0, 0, 200))
            << "case at " << c.x << "," << c.y << ", pixel " << x << "," << y;
      }
  }
}

}  // namespace
