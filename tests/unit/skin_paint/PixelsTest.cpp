#include <gtest/gtest.h>

#include <utility>

#include <algorithm>
#include <cmath>
#include <limits>

#include "PaintTestUtil.h"

using namespace paint_test;

namespace {

// Bottom-up (negative row delta) and top-down stores must give the same results.
class PixelsByOrientation : public ::testing::TestWithParam<bool> {
protected:
  std::unique_ptr<TSurface> New(int w, int h, int bpp = 24) { return Make(w, h, bpp, GetParam()); }
};

INSTANTIATE_TEST_SUITE_P(Orientation, PixelsByOrientation, ::testing::Values(true, false),
                         [](const auto& p) { return p.param ? "BottomUp" : "TopDown"; });

TEST_P(PixelsByOrientation, AccessorsReadColorrefOrderThroughTheRowDelta) {
  auto s = New(3, 2);
  Set(s->View(), 2, 1, MakeColor(10, 20, 30));
  TacFast24 fast;
  ASSERT_TRUE(fast.Attach(s->View()));
  EXPECT_EQ(fast.Pixel(2, 1), MakeColor(10, 20, 30));
  EXPECT_EQ(s->View().Pixel(2, 1)[0], 30);  // blue first in memory

  auto s32 = New(2, 2, 32);
  Set(s32->View(), 1, 1, MakeColor(1, 2, 3));
  TacFast32 fast32;
  ASSERT_TRUE(fast32.Attach(s32->View()));
  EXPECT_EQ(fast32.Pixel(1, 1) & 0xFFFFFF, MakeColor(1, 2, 3));
}

TEST(Accessors, RefuseSurfacesBelowTwoByTwoAndOtherDepths) {
  TacFast24 fast;
  for (auto [w, h] : {std::pair{1, 5}, {5, 1}, {0, 0}}) {
    auto s = Make(w, h);
    EXPECT_FALSE(fast.Attach(s->View())) << w << "x" << h;
    EXPECT_EQ(fast.Width, 0);
  }
  auto s32 = Make(4, 4, 32);
  EXPECT_FALSE(fast.Attach(s32->View()));
  TacFastSum24 sum;
  auto a = Make(4, 4), b = Make(4, 1);
  EXPECT_FALSE(sum.Attach(a->View(), b->View()));
}

TEST(Creation, SurfacesHaveTheAskedDepthAndSize) {
  auto a = NewSurface24(7, 3), b = NewSurface32(2, 5), c = NewSurfaceLike(b->View()), z = NewSurface24(0, 0);
  EXPECT_EQ(std::tuple(a->Width(), a->Height(), a->BitsPerPixel()), std::tuple(7, 3, 24));
  EXPECT_EQ(std::tuple(b->Width(), b->Height(), b->BitsPerPixel()), std::tuple(2, 5, 32));
  EXPECT_EQ(std::tuple(c->Width(), c->Height(), c->BitsPerPixel()), std::tuple(2, 5, 24));
  EXPECT_TRUE(z->View().Empty());
}

TEST_P(PixelsByOrientation, TintRectClipsAndIsInclusive) {
  const TColor start = MakeColor(200, 100, 50), tint = MakeColor(0, 255, 10);
  struct Case {
    TsRect rect;
    int percent;
    TsRect changed;  // inclusive; Left > Right for none
  } cases[] = {
      {{0, 0, 8, 6}, 40, {0, 0, 7, 5}},     // the caller's (0, 0, w, h) is the whole surface
      {{2, 2, 4, 4}, 40, {2, 2, 4, 4}},     // 3 x 3 pixels, right and bottom included
      {{-5, -5, 1, 0}, 40, {0, 0, 1, 0}},   // negative corner clipped
      {{0, 0, 8, 6}, 100, {1, 0, 0, 0}},    // 100 leaves the surface as it is
  };
  for (const Case& c : cases) {
    auto s = New(8, 6);
    Fill(s->View(), start);
    TintRect(s->View(), c.rect, c.percent, tint);
    const double e = c.percent / 100.0;
    const TColor expected = MakeColor(static_cast<int>(std::nearbyint(e * 200 + (1 - e) * 0)),
                                      static_cast<int>(std::nearbyint(e * 100 + (1 - e) * 255)),
                                      static_cast<int>(std::nearbyint(e * 50 + (1 - e) * 10)));
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 8; ++x) {
        const bool inside = x >= c.changed.Left && x <= c.changed.Right && y >= c.changed.Top && y <= c.changed.Bottom;
        ASSERT_EQ(At(s->View(), x, y), inside ? expected : start) << x << "," << y << " percent " << c.percent;
      }
  }
}

TEST(RoundEven, RoundsAsTheLibraryDoesWithTiesToEven) {
  const double values[] = {0.0,  -0.0, 0.5,  1.5,   2.5,    -0.5,   -1.5,   -2.5, 0.49999999999999994,
                           0.3,  -0.3, 254.5, 255.5, 127.49, 127.51, 1e15 + 0.5, -1e15 - 0.5,
                           4503599627370495.5, 4503599627370496.0, 9007199254740993.0, 1e300, -1e300,
                           std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::denorm_min()};
  for (double v : values) {
    const double expected = std::nearbyint(v);
    EXPECT_EQ(RoundEven(v), expected) << v;
    EXPECT_EQ(std::signbit(RoundEven(v)), std::signbit(expected)) << v;
  }
  // Every blend of two bytes the disabled look and the mixes compute.
  for (int a = 0; a < 256; a += 5)
    for (int b = 0; b < 256; ++b)
      for (double factor : {0.4, 0.5, 0.3}) {
        const double v = a - factor * (a - b);
        ASSERT_EQ(RoundEven(v), std::nearbyint(v)) << a << " " << b << " " << factor;
      }
  EXPECT_TRUE(std::isnan(RoundEven(std::numeric_limits<double>::quiet_NaN())));
}

TEST(TintRect, PercentZeroPaintsTheColourAndTiesRoundToEven) {
  auto s = Make(4, 4);
  Fill(s->View(), MakeColor(1, 3, 0));
  TintRect(s->View(), TsRect{0, 0, 4, 4}, 0, MakeColor(9, 8, 7));
  EXPECT_EQ(At(s->View(), 3, 3), MakeColor(9, 8, 7));
  // 50 % of 1 and 0 is 0.5 -> 0; of 3 and 0 is 1.5 -> 2.
  Fill(s->View(), MakeColor(1, 3, 0));
  TintRect(s->View(), TsRect{0, 0, 4, 4}, 50, clBlack);
  EXPECT_EQ(At(s->View(), 0, 0), MakeColor(0, 2, 0));
}

TEST(TintRect, EveryPercentColourAndValueGivesTheExactMixRoundedToEven) {
  // One row holding every byte value in each channel, tinted with every percent 0..100
  // and every colour channel value: the fast integer path against the exact mix.
  auto s = Make(256, 1);
  for (int p = 0; p <= 100; ++p)
    for (int c = 0; c < 256; ++c) {
      for (int v = 0; v < 256; ++v) Set(s->View(), v, 0, MakeColor(v, 255 - v, v));
      TintRect(s->View(), TsRect{0, 0, 256, 1}, p, MakeColor(c, c, 255 - c));
      for (int v = 0; v < 256; ++v) {
        auto mix = [&](int value, int colour) {
          return static_cast<int>(std::nearbyint((p * value + (100 - p) * colour) / 100.0));
        };
        ASSERT_EQ(At(s->View(), v, 0), MakeColor(mix(v, c), mix(255 - v, c), mix(v, 255 - c)))
            << "percent " << p << " colour " << c << " value " << v;
      }
    }
}

TEST(TintRect, PercentsAboveAHundredAreClampedAndThirtyTwoBitRowsKeepTheirFourthByte) {
  auto s = Make(2, 2, 32);
  Fill(s->View(), Grey(200));
  s->View().Pixel(1, 1)[3] = 77;
  TintRect(s->View(), TsRect{0, 0, 2, 2}, 150, Grey(0));  // 1.5 * 200 = 300
  EXPECT_EQ(At(s->View(), 1, 1), Grey(255));
  EXPECT_EQ(s->View().Pixel(1, 1)[3], 77);
}

TEST_P(PixelsByOrientation, BlendSurfacesFormulaAndItsEnds) {
  struct Case {
    int alpha, dst, src, expected;
  } cases[] = {
      {0, 77, 200, 199},    // (200 * 255 + 127) >> 8: the source, up to rounding
      {0, 0, 0, 0},
      {255, 255, 0, 254},   // 255 becomes 254
      {255, 0, 0, 0},
      {127, 0, 255, 127},   // half transparency of white over black
      {128, 100, 50, 75},
  };
  for (const Case& c : cases) {
    auto d = New(3, 2), s = New(3, 2);
    Fill(d->View(), Grey(c.dst));
    Fill(s->View(), Grey(c.src));
    BlendSurfaces(d->View(), s->View(), c.alpha);
    EXPECT_EQ(At(d->View(), 2, 1), Grey(c.expected)) << "alpha " << c.alpha;
    EXPECT_EQ(((c.dst * c.alpha + c.src * (255 - c.alpha) + 127) >> 8), c.expected);
  }
}

TEST(BlendSurfaces, MismatchedOrTooSmallSurfacesAreLeftAlone) {
  for (auto [dw, dh, sw, sh] : {std::tuple{4, 4, 4, 3}, {4, 1, 4, 1}}) {
    auto d = Make(dw, dh), s = Make(sw, sh);
    Fill(d->View(), Grey(10));
    Fill(s->View(), Grey(250));
    BlendSurfaces(d->View(), s->View(), 0);
    EXPECT_EQ(At(d->View(), 0, 0), Grey(10));
  }
}

TEST_P(PixelsByOrientation, BlendSurfaceRectReadsFromTheSourceRectAndClips) {
  // Source row y has grey 10 * y; its top 5 rows must not be read.
  auto src = MakeWith(4, 10, [](int, int y) { return Grey(10 * y); }, 24, GetParam());
  auto dst = New(6, 6);
  Fill(dst->View(), Grey(0));
  BlendSurfaceRect(dst->View(), src->View(), 0, TPoint{1, 1}, TsRect{0, 5, 4, 10});
  EXPECT_EQ(At(dst->View(), 0, 0), Grey(0));
  for (int y = 1; y < 6; ++y) EXPECT_EQ(At(dst->View(), 1, y), Grey((10 * (y + 4) * 255 + 127) >> 8)) << y;

  // A negative point moves the source start; a rectangle beyond the destination is cut.
  Fill(dst->View(), Grey(0));
  BlendSurfaceRect(dst->View(), src->View(), 0, TPoint{-1, -2}, TsRect{0, 0, 4, 10});
  EXPECT_EQ(At(dst->View(), 0, 0), Grey((20 * 255 + 127) >> 8));
  EXPECT_EQ(At(dst->View(), 2, 5), Grey((70 * 255 + 127) >> 8));
  EXPECT_EQ(At(dst->View(), 3, 0), Grey(0));  // source is only 4 wide: columns 0..2 here
}

TEST(BlendKeyedRect, RealFactorSkipsKeyPixelsAndMinusOneMeansNoKey) {
  auto src = MakeWith(3, 3, [](int x, int) { return x == 1 ? clFuchsia : Grey(200); });
  for (TColor key : {clFuchsia, TColor{-1}}) {
    auto dst = Make(3, 3);
    Fill(dst->View(), Grey(100));
    BlendKeyedRect(dst->View(), 0, 0, key, 0.4, TsRect{0, 0, 5, 5}, src->View());
    EXPECT_EQ(At(dst->View(), 0, 0), Grey(160));  // 200 - 0.4 * (200 - 100)
    if (key == clFuchsia)
      EXPECT_EQ(At(dst->View(), 1, 2), Grey(100));
    else  // 255 - 0.4 * 155 = 193, 0 - 0.4 * -100 = 40
      EXPECT_EQ(At(dst->View(), 1, 2), MakeColor(193, 40, 193));
  }
}

TEST_P(PixelsByOrientation, KeyedCopies) {
  auto src = MakeWith(3, 2, [](int x, int y) { return x == 0 && y == 0 ? clFuchsia : MakeColor(x, y, 9); },
                      24, GetParam());
  auto dst = New(4, 4);
  Fill(dst->View(), Grey(50));
  CopyKeyed(dst->View(), src->View(), 2, clFuchsia, 3);  // lands partly outside
  EXPECT_EQ(At(dst->View(), 2, 3), Grey(50));             // key skipped
  EXPECT_EQ(At(dst->View(), 3, 3), MakeColor(1, 0, 9));

  Fill(dst->View(), Grey(50));
  CopyKeyedRect(dst->View(), src->View(), 0, clFuchsia, TsRect{-1, 0, 1, 0}, 0);  // inclusive, left clipped
  EXPECT_EQ(At(dst->View(), 0, 0), Grey(50));  // the key, moved right by the clip
  EXPECT_EQ(At(dst->View(), 2, 0), MakeColor(1, 0, 9));
  EXPECT_EQ(At(dst->View(), 3, 0), Grey(50));
}

TEST(CopyKeyedFill, KeyPixelsTakeTheParentOnlyWhenAskedAndReady) {
  auto src = MakeWith(2, 2, [](int x, int) { return x == 0 ? clFuchsia : Grey(1); });
  auto parent = MakeWith(10, 10, [](int x, int y) { return MakeColor(x, y, 77); });
  struct Case {
    bool useParent, ready;
    TColor expected;
  } cases[] = {
      {true, true, MakeColor(5, 4, 77)},  // parent pixel at (X + 0, Y + 1)
      {false, true, Grey(50)},
      {true, false, Grey(50)},
  };
  for (const Case& c : cases) {
    auto dst = Make(3, 3);
    Fill(dst->View(), Grey(50));
    BgInfo bg{parent->View(), 5, 3, c.ready};
    CopyKeyedFill(dst->View(), src->View(), 0, c.useParent, bg, clFuchsia, TsRect{0, 0, 1, 1}, 1);
    EXPECT_EQ(At(dst->View(), 0, 1), c.expected);
    EXPECT_EQ(At(dst->View(), 1, 1), Grey(1));
  }
  // A parent position outside the parent leaves the key pixel as it was and the row goes on.
  auto dst = Make(3, 3);
  Fill(dst->View(), Grey(50));
  auto wide = MakeWith(3, 2, [](int x, int) { return x < 2 ? clFuchsia : Grey(1); });
  CopyKeyedFill(dst->View(), wide->View(), 0, true, BgInfo{parent->View(), 9, 0, true}, clFuchsia,
                TsRect{0, 0, 2, 1}, 0);
  EXPECT_EQ(At(dst->View(), 0, 0), MakeColor(9, 0, 77));
  EXPECT_EQ(At(dst->View(), 1, 0), Grey(50));
  EXPECT_EQ(At(dst->View(), 2, 0), Grey(1));
}

TEST(PixelSnapshot, TellsWhetherTheKeptAreaStillShowsTheSamePixels) {
  auto surface = MakeWith(4, 3, [](int x, int y) { return MakeColor(x, y, 5); });
  TPixelSnapshot snapshot;
  snapshot.Keep(surface->View(), TsRect{-1, 1, 3, 9});  // clipped to (0, 1)-(3, 3)
  EXPECT_TRUE(snapshot.Same(surface->View(), TsRect{-1, 1, 3, 9}));
  EXPECT_TRUE(snapshot.Same(surface->View(), TsRect{0, 1, 3, 3})) << "the same area once clipped";
  EXPECT_FALSE(snapshot.Same(surface->View(), TsRect{1, 1, 4, 3})) << "another area of the same size";
  PutRGB(surface->View().Pixel(3, 2), Grey(1));
  EXPECT_TRUE(snapshot.Same(surface->View(), TsRect{0, 1, 3, 3})) << "a change outside the area";
  PutRGB(surface->View().Pixel(2, 2), Grey(1));
  EXPECT_FALSE(snapshot.Same(surface->View(), TsRect{0, 1, 3, 3})) << "a change inside it";
  // Nothing kept and nothing to compare: the same.
  snapshot.Keep(TSurfaceView{}, TsRect{0, 0, 2, 2});
  EXPECT_TRUE(snapshot.Same(TSurfaceView{}, TsRect{0, 0, 2, 2}));
  EXPECT_FALSE(snapshot.Same(surface->View(), TsRect{0, 0, 2, 2}));
}

TEST(BlendPictures, WeighsTheTwoLooksPerChannelIntoAFrameOfAnyDepth) {
  auto now = MakeWith(3, 2, [](int, int) { return MakeColor(200, 0, 255); });
  auto before = MakeWith(2, 3, [](int, int) { return MakeColor(0, 100, 255); }, 32, false);
  struct Case {
    int weight;
    TColor expected;
  } cases[] = {{0, MakeColor(200, 0, 255)}, {256, MakeColor(0, 100, 255)}, {128, MakeColor(100, 50, 255)},
               {255, MakeColor(0, 99, 255)}};
  for (const Case& c : cases) {
    auto frame = Make(3, 3, 32);
    Fill(frame->View(), Grey(7));
    frame->View().Pixel(0, 0)[3] = 0x5A;
    BlendPictures(frame->View(), now->View(), before->View(), c.weight);
    EXPECT_EQ(At(frame->View(), 1, 1), c.expected) << c.weight;
    EXPECT_EQ(frame->View().Pixel(0, 0)[3], 0x5A) << "the fourth byte stays";
    EXPECT_EQ(At(frame->View(), 2, 0), Grey(7)) << "outside the area all three share";
    EXPECT_EQ(At(frame->View(), 0, 2), Grey(7));
  }
}

TEST(RepairKeyedPixels, KeyPixelsOfTheMaskTakeTheFillOrTheParentAndNothingElseChanges) {
  // Mask column 0 is the key, column 1 is not; the rectangle starts at (1, 0) of the mask.
  auto mask = MakeWith(3, 2, [](int x, int) { return x == 1 ? clFuchsia : Grey(1); });
  auto parent = MakeWith(4, 4, [](int x, int y) { return MakeColor(x, y, 77); });
  struct Case {
    const char* name;
    TColor fill;
    BgInfo bg;
    int x, y;
    TColor atKey, atOther;  // dst (x, y) and (x + 1, y)
  } cases[] = {
      {"fill colour", Grey(9), BgInfo{}, 1, 1, Grey(9), Grey(50)},
      {"parent behind", clFuchsia, BgInfo{parent->View(), 2, 1, true}, 1, 1, MakeColor(3, 2, 77), Grey(50)},
      {"parent too small there", clFuchsia, BgInfo{parent->View(), 3, 0, true}, 1, 1, Grey(50), Grey(50)},
      {"no parent picture", clFuchsia, BgInfo{}, 1, 1, Grey(50), Grey(50)},
  };
  for (const Case& c : cases) {
    auto dst = Make(3, 3);
    Fill(dst->View(), Grey(50));
    RepairKeyedPixels(dst->View(), c.x, c.y, mask->View(), TsRect{1, 0, 3, 1}, clFuchsia, c.fill, c.bg);
    EXPECT_EQ(At(dst->View(), c.x, c.y), c.atKey) << c.name;
    EXPECT_EQ(At(dst->View(), c.x + 1, c.y), c.atOther) << c.name;
    EXPECT_EQ(At(dst->View(), 0, 0), Grey(50)) << c.name;
  }
  // Clipped on every side: a rectangle reaching past the mask and a place left of the target.
  auto dst = Make(2, 2);
  Fill(dst->View(), Grey(50));
  RepairKeyedPixels(dst->View(), -1, 0, mask->View(), TsRect{0, -1, 5, 2}, clFuchsia, Grey(9), BgInfo{});
  EXPECT_EQ(At(dst->View(), 0, 1), Grey(9));  // mask (1, 0) lands at (0, 1)
  EXPECT_EQ(At(dst->View(), 0, 0), Grey(50));
  EXPECT_EQ(At(dst->View(), 1, 1), Grey(50));
}

TEST(MaskBlend, PixelAndThroughMask) {
  const TColor s = MakeColor(200, 10, 0), d = MakeColor(100, 20, 255);
  EXPECT_EQ(MaskBlendPixel(s, d, Grey(0), false), s);
  EXPECT_EQ(MaskBlendPixel(s, d, Grey(255), false),
            MakeColor((200 + 255 * 100) >> 8, (10 + 255 * 20) >> 8, (0 + 255 * 255) >> 8));
  EXPECT_EQ(MaskBlendPixel(s, d, Grey(200), true), MaskBlendPixel(s, d, Grey(255), false));  // 200 + 100 -> 255
  EXPECT_EQ(MaskBlendPixel(s, d, Grey(100), true), MaskBlendPixel(s, d, Grey(200), false));

  auto dst = Make(2, 2), mask = MakeWith(2, 2, [](int x, int) { return x == 0 ? Grey(255) : Grey(0); });
  Fill(dst->View(), MakeColor(40, 80, 120));
  TintThroughMask(dst->View(), mask->View(), MakeColor(0, 0, 200));
  EXPECT_EQ(At(dst->View(), 0, 0), MakeColor((40 * 255) >> 8, (80 * 255) >> 8, (200 * 256 + 255 * -80) >> 8));
  EXPECT_EQ(At(dst->View(), 1, 1), MakeColor(0, 0, 200));
}

TEST(GrayScale, AveragesAndKeepsTheExceptedColour) {
  auto s = MakeWith(2, 2, [](int x, int) { return x == 0 ? MakeColor(10, 20, 31) : clFuchsia; });
  GrayScaleExcept(s->View(), clFuchsia);
  EXPECT_EQ(At(s->View(), 0, 0), Grey(20));
  EXPECT_EQ(At(s->View(), 1, 0), clFuchsia);
  GrayScale(s->View());
  EXPECT_EQ(At(s->View(), 1, 1), Grey((255 + 0 + 255) / 3));
}

TEST(DisabledLook, BlendsWithTheParentOrTintsWithAColour) {
  auto parent = MakeWith(8, 8, [](int x, int) { return Grey(x * 10); });
  auto s = Make(2, 2);
  Fill(s->View(), Grey(200));
  ApplyDisabledLook(s->View(), dkBlended, clWhite, TPoint{1, 0}, BgInfo{parent->View(), 2, 2, true});
  EXPECT_EQ(At(s->View(), 0, 0), Grey(98));  // 60 % of the parent's 30, 40 % of 200

  Fill(s->View(), MakeColor(30, 60, 90));
  ApplyDisabledLook(s->View(), dkGrayed | dkBlended, Grey(100), TPoint{}, BgInfo{});
  EXPECT_EQ(At(s->View(), 1, 1), Grey(80));  // grey 60, then half way to the control's colour 100

  TPaintColors::Parent = Grey(0);
  Fill(s->View(), Grey(60));
  ApplyDisabledLook(s->View(), dkBlended, Grey(100), TPoint{}, BgInfo{});
  TPaintColors::Parent = clFuchsia;
  EXPECT_EQ(At(s->View(), 1, 1), Grey(30));
}

TEST(ColourUtilities, MixSaturationAndHue) {
  EXPECT_EQ(MixColor(Grey(200), Grey(100), 0.4), Grey(140));
  EXPECT_EQ(MixColor(static_cast<TColor>(0x12000000 | 200), 100, 0.5) >> 24, 0x12);
  EXPECT_EQ(HalfMix(Grey(255), Grey(0)), Grey(126));

  const TColor c = MakeColor(200, 100, 31);
  EXPECT_EQ(ShiftSaturation(c, 0), c);
  const int avg = static_cast<int>(std::nearbyint((200 + 100 + 31) / 3.0));
  EXPECT_EQ(ShiftSaturation(c, 100), Grey(avg));
  EXPECT_EQ(ShiftSaturation(MakeColor(250, 128, 0), -100), MakeColor(255, 130, 0));  // clamped

  struct Case {
    int degrees;
    TColor in, out;
  } hues[] = {
      {120, 0x000000FF, 0x0000FF00},
      {240, 0x000000FF, 0x00FF0000},
      {-120, 0x000000FF, 0x00FF0000},  // a negative shift wraps round
      {77, Grey(90), Grey(90)},
      {180, MakeColor(255, 128, 0), MakeColor(0, 128, 255)},  // q = 127.5 rounds to even
  };
  for (const Case& h : hues) EXPECT_EQ(ShiftHue(h.degrees, h.in), h.out) << h.degrees;
}

TEST(KeyRegion, CoversExactlyTheNonKeyPixels) {
  auto plain = Make(5, 4);
  EXPECT_EQ(KeyRegion(plain->View(), clFuchsia), (std::vector<TsRect>{{0, 0, 5, 4}}));
  auto keyed = Make(5, 4);
  Fill(keyed->View(), clFuchsia);
  EXPECT_TRUE(KeyRegion(keyed->View(), clFuchsia).empty());
  auto tiny = Make(1, 3);
  EXPECT_EQ(KeyRegion(tiny->View(), clFuchsia), (std::vector<TsRect>{{0, 0, 1, 3}}));

  // Rounded corners: key runs at both ends of the first row and one in the middle of row 2.
  auto s = MakeWith(6, 4, [](int x, int y) {
    return (y == 0 && (x == 0 || x == 5)) || (y == 2 && (x == 2 || x == 3)) ? clFuchsia : Grey(9);
  });
  const std::vector<TsRect> region = KeyRegion(s->View(), clFuchsia);
  EXPECT_EQ(region, (std::vector<TsRect>{{1, 0, 5, 1}, {0, 1, 6, 2}, {0, 2, 2, 3}, {4, 2, 6, 3}, {0, 3, 6, 4}}));
}

TEST(FillRectColor, FillsTheHalfOpenRectangleClipped) {
  auto s = Make(4, 3, 32);
  FillRectColor(s->View(), TsRect{-1, 1, 3, 9}, MakeColor(1, 2, 3));
  EXPECT_EQ(At(s->View(), 0, 1), MakeColor(1, 2, 3));
  EXPECT_EQ(At(s->View(), 2, 2), MakeColor(1, 2, 3));
  EXPECT_EQ(At(s->View(), 3, 2), clBlack);
  EXPECT_EQ(At(s->View(), 0, 0), clBlack);
}

TEST(FillFramed, OnePixelFrameAroundTheFillAtEverySize) {
  const TColor fill = MakeColor(250, 250, 250), frame = MakeColor(10, 20, 30);
  for (auto [w, h] : {std::pair{5, 4}, std::pair{2, 2}, std::pair{1, 3}, std::pair{3, 1}}) {
    auto s = Make(w, h, 24, false);
    Fill(s->View(), clBlack);
    FillFramed(s->View(), fill, frame);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const bool edge = x == 0 || y == 0 || x == w - 1 || y == h - 1;
        EXPECT_EQ(At(s->View(), x, y), edge ? frame : fill) << w << "x" << h << " at " << x << "," << y;
      }
  }
}

}  // namespace
