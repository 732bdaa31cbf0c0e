// The effect label's shadow in the pixel core: the blur against hand-worked cases and a
// literal model, the reused buffer, the blend of the shadow colour, and the limits and
// margins of the shadow values.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "PaintTestUtil.h"
#include "ShadowModel.h"
#include "skin/paint/LabelShadow.h"

using namespace paint_test;

namespace {

// A w x h mask whose ink (blue byte) comes from a seeded generator; other channels carry
// noise that must not count. Returns the ink as the model sees it.
shadow_model::Ink FillMask(const TSurfaceView& v, uint32_t seed) {
  shadow_model::Ink ink(static_cast<size_t>(v.height), std::vector<bool>(static_cast<size_t>(v.width)));
  for (int y = 0; y < v.height; ++y)
    for (int x = 0; x < v.width; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const uint8_t blue = (seed >> 24) % 3 == 0 ? static_cast<uint8_t>(1 + (seed >> 8) % 255) : 0;
      uint8_t* p = v.Pixel(x, y);
      p[0] = blue;
      p[1] = static_cast<uint8_t>(seed >> 16);
      p[2] = static_cast<uint8_t>(seed >> 4);
      ink[y][x] = blue != 0;
    }
  return ink;
}

void ExpectWeights(const TsShadowBlur& blur, const shadow_model::Grid& expected, const std::string& what) {
  ASSERT_EQ(blur.Height(), static_cast<int>(expected.size())) << what;
  for (int y = 0; y < blur.Height(); ++y) {
    ASSERT_EQ(blur.Width(), static_cast<int>(expected[y].size())) << what;
    for (int x = 0; x < blur.Width(); ++x) EXPECT_EQ(blur.Weight(x, y), expected[y][x]) << what << " at " << x << "," << y;
  }
}

TEST(LabelShadowBlur, PassesReadTheCellsAlreadyUpdatedAboveAndToTheLeft) {
  // Three ink pixels in a row, one pass: cells 0 [255 255 255] 0 become, left to right,
  // (0+0+0+255)>>2 = 63, (0+0+63+255)>>2 = 79 (the new left), (0+0+79+0)>>2 = 19. A second
  // pass marks the ink again and repeats it.
  auto row = Make(3, 1);
  Fill(row->View(), MakeColor(0, 0, 255));
  TsShadowBlur blur;
  for (int passes : {1, 2}) {
    blur.Blur(row->View(), passes);
    ExpectWeights(blur, {{63, 79, 19}}, "row, passes " + std::to_string(passes));
  }
  // One ink pixel in the middle of 3 x 3: the pixel itself takes its neighbours' mean, and
  // the pass leans towards the bottom right it reaches last:
  //   row 1:  0,  (255)>>2 = 63,  (63)>>2 = 15
  //   row 2:  (255)>>2 = 63,  (63+63)>>2 = 31,  (15+31)>>2 = 11
  //   row 3:  (63)>>2 = 15,  (31+15)>>2 = 11,  (11+11)>>2 = 5
  auto dot = Make(3, 3);
  Set(dot->View(), 1, 1, MakeColor(0, 0, 1));
  blur.Blur(dot->View(), 1);
  ExpectWeights(blur, {{0, 63, 15}, {63, 31, 11}, {15, 11, 5}}, "dot");
}

TEST(LabelShadowBlur, MatchesTheModelForEveryDepthOrderSizeAndPassCount) {
  for (int bpp : {24, 32})
    for (bool bottomUp : {true, false})
      for (auto [w, h] : {std::pair{1, 1}, {2, 3}, {7, 5}, {31, 9}})
        for (int passes : {0, 1, 2, 5, kMaxShadowBlur}) {
          auto mask = Make(w, h, bpp, bottomUp);
          const auto ink = FillMask(mask->View(), static_cast<uint32_t>(w * 131 + h * 17 + passes));
          TsShadowBlur blur;
          blur.Blur(mask->View(), passes);
          ExpectWeights(blur, shadow_model::Blur(ink, passes),
                        std::to_string(bpp) + (bottomUp ? " bottom-up " : " top-down ") + std::to_string(w) + "x" +
                            std::to_string(h) + " passes " + std::to_string(passes));
        }
}

TEST(LabelShadowBlur, PassCountsBeyondTheLimitAreCutAndNegativeOnesBlurNothing) {
  auto mask = Make(12, 6);
  const auto ink = FillMask(mask->View(), 7);
  TsShadowBlur blur;
  blur.Blur(mask->View(), 1000000);
  ExpectWeights(blur, shadow_model::Blur(ink, kMaxShadowBlur), "huge count");
  blur.Blur(mask->View(), -4);
  ExpectWeights(blur, shadow_model::Blur(ink, 0), "negative count");
}

TEST(LabelShadowBlur, AReusedBufferKeepsItsSizeAndForgetsTheLastShadow) {
  TsShadowBlur blur;
  auto big = Make(40, 20);
  Fill(big->View(), MakeColor(0, 0, 255));
  blur.Blur(big->View(), 3);
  const size_t grown = blur.Capacity();
  EXPECT_GE(grown, size_t{42 * 22});

  auto small = Make(5, 4);
  const auto ink = FillMask(small->View(), 99);
  blur.Blur(small->View(), 2);
  EXPECT_EQ(blur.Capacity(), grown);
  ExpectWeights(blur, shadow_model::Blur(ink, 2), "after a larger one");

  auto none = Make(0, 0);
  blur.Blur(none->View(), 2);
  EXPECT_EQ(blur.Width(), 0);
  EXPECT_EQ(blur.Capacity(), grown);
}

TEST(LabelShadowBlur, CompositePullsEachChannelTowardsTheShadowByItsWeight) {
  auto mask = Make(9, 5);
  const auto ink = FillMask(mask->View(), 3);
  TsShadowBlur blur;
  blur.Blur(mask->View(), 2);
  const auto weight = shadow_model::Blur(ink, 2);
  const TColor shadow = MakeColor(89, 99, 114);
  for (int bpp : {24, 32})
    for (auto [w, h] : {std::pair{9, 5}, {12, 7}, {4, 3}}) {  // same, larger (rest untouched), smaller (clipped)
      auto surface = Make(w, h, bpp);
      const TSurfaceView v = surface->View();
      auto behind = [](int x, int y) { return MakeColor(40 * x % 256, 255 - 30 * y, 128 + x * y); };
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          Set(v, x, y, behind(x, y));
          if (bpp == 32) v.Pixel(x, y)[3] = 0xA5;
        }
      blur.Composite(v, shadow);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const TColor b = behind(x, y);
          TColor expected = b;
          if (x < 9 && y < 5) {
            const int k = weight[y][x];
            expected = MakeColor(shadow_model::Channel(RedOf(b), RedOf(shadow), k),
                                 shadow_model::Channel(GreenOf(b), GreenOf(shadow), k),
                                 shadow_model::Channel(BlueOf(b), BlueOf(shadow), k));
          }
          EXPECT_EQ(At(v, x, y), expected) << bpp << " " << w << "x" << h << " at " << x << "," << y;
          if (bpp == 32) {
            EXPECT_EQ(v.Pixel(x, y)[3], 0xA5);
          }
        }
    }
}

TEST(LabelShadowExtent, SkinValuesAreLimitedAndTheMarginsLeaveRoomForTheShadow) {
  const struct {
    int blur, distance;
    TsShadowExtent clamped;
    TsShadowMargins margins;
  } cases[] = {
      {4, 1, {4, 1}, {-3, 5}},  // the default shadow: an auto-sized label grows by 8
      {0, 0, {0, 0}, {0, 0}},
      {2, 5, {2, 5}, {0, 7}},     // far offset: no room needed at the top left
      {1, -3, {1, -3}, {-4, 0}},  // offset up and left: none needed at the bottom right
      {-5, 1, {0, 1}, {0, 1}},    // a negative count is no blur
      {1000000, 1, {kMaxShadowBlur, 1}, {1 - kMaxShadowBlur, 1 + kMaxShadowBlur}},
      {3, 2000000000, {3, kMaxShadowDistance}, {0, kMaxShadowDistance + 3}},
      {3, -2000000000, {3, -kMaxShadowDistance}, {-kMaxShadowDistance - 3, 0}},
  };
  for (const auto& c : cases) {
    const TsShadowExtent e = ClampShadowExtent(c.blur, c.distance);
    EXPECT_EQ(e.Blur, c.clamped.Blur) << c.blur << "," << c.distance;
    EXPECT_EQ(e.Distance, c.clamped.Distance) << c.blur << "," << c.distance;
    const TsShadowMargins m = ShadowMargins(TsShadowExtent{c.blur, c.distance});
    EXPECT_EQ(m.TopLeft, c.margins.TopLeft) << c.blur << "," << c.distance;
    EXPECT_EQ(m.BottomRight, c.margins.BottomRight) << c.blur << "," << c.distance;
  }
}

}  // namespace
