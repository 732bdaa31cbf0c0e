// The colour effects over a whole set of skin tables: which pixels and values change, by
// how much, and in which order.
#include <gtest/gtest.h>

#include "PaintTestUtil.h"
#include "skin/paint/sSkinEffects.h"

using namespace paint_test;

namespace {

// Colours that are neither grey nor fuchsia, with hues that are not whole degrees.
constexpr TColor kColours[] = {MakeColor(200, 100, 31), MakeColor(12, 180, 90), MakeColor(70, 80, 250),
                               MakeColor(255, 254, 0)};
constexpr TColor kSystemFace = SystemColor(15);

// Tables with a bit of everything the effects touch or must leave alone: a bottom-up
// master holding the colours, fuchsia and a grey; a 32-bit and a top-down 24-bit own
// bitmap; a mask into the master; a pattern; one section and the skin-wide colours.
TsSkinTables MakeTables() {
  TsSkinTables t;
  t.MasterBitmap = MakeWith(6, 2, [](int x, int y) {
    if (y == 1) return x == 0 ? clFuchsia : Grey(40 * x);
    return x < 4 ? kColours[x] : clFuchsia;
  });
  TsMaskData own32;
  own32.Bmp = MakeWith(2, 2, [](int x, int y) { return kColours[x + 2 * y]; }, 32);
  TsMaskData own24;
  own24.Bmp = MakeWith(3, 1, [](int x, int) { return x == 0 ? kColours[1] : x == 1 ? clFuchsia : Grey(7); }, 24, false);
  TsMaskData inMaster;
  inMaster.R = {0, 0, 2, 1};
  t.MaskTable.push_back(std::move(own32));
  t.MaskTable.push_back(std::move(own24));
  t.MaskTable.push_back(std::move(inMaster));
  TsPatternData pattern;
  pattern.Img = MakeWith(2, 2, [](int x, int) { return kColours[x]; });
  t.PatternTable.push_back(std::move(pattern));

  TsGeneralData d;
  d.ClassName = "BUTTON";
  d.Color = kColours[0];
  d.HotColor = kSystemFace;
  d.FontColor = {kColours[1], -1, kColours[2], -1, -1};
  d.HotFontColor = {kColours[3], kColours[0], -1, -1, Grey(3)};
  d.GradientArray = {Step(kColours[0], kColours[1], 50), Step(kColours[2], kColours[3], 50)};
  d.HotGradientArray = {Step(kColours[3], kColours[2], 100)};
  t.SectionTable.push_back(d);
  t.GlobalInfo.Shadow1Color = kColours[2];
  t.GlobalInfo.BorderColor = kColours[3];
  return t;
}

// Every colour the effects change, in a fixed order, read as plain RGB.
std::vector<TColor> ChangedColours(const TsSkinTables& t) {
  const TsGeneralData& d = t.SectionTable[0];
  std::vector<TColor> out;
  for (int x = 0; x < 4; ++x) out.push_back(At(t.MasterBitmap->View(), x, 0));
  for (int i = 0; i < 4; ++i) out.push_back(At(t.MaskTable[0].Bmp->View(), i % 2, i / 2));
  out.push_back(At(t.MaskTable[1].Bmp->View(), 0, 0));
  for (TColor c : {d.Color, d.HotColor, d.FontColor[0], d.FontColor[2], d.HotFontColor[0], d.HotFontColor[1]})
    out.push_back(c);
  for (const TsGradArray* steps : {&d.GradientArray, &d.HotGradientArray})
    for (const TsGradientStep& s : *steps) {
      out.push_back(s.Color1);
      out.push_back(s.Color2);
    }
  out.push_back(t.GlobalInfo.Shadow1Color);
  out.push_back(t.GlobalInfo.BorderColor);
  return out;
}

// Fuchsia, greys, -1 contours and patterns, which no effect changes.
void ExpectKeptAsTheyWere(const TsSkinTables& t) {
  const TSurfaceView master = t.MasterBitmap->View();
  EXPECT_EQ(At(master, 4, 0), clFuchsia);
  EXPECT_EQ(At(master, 0, 1), clFuchsia);
  for (int x = 1; x < 6; ++x) EXPECT_EQ(At(master, x, 1), Grey(40 * x)) << x;
  EXPECT_EQ(At(t.MaskTable[1].Bmp->View(), 1, 0), clFuchsia);
  EXPECT_EQ(At(t.MaskTable[1].Bmp->View(), 2, 0), Grey(7));
  const TsGeneralData& d = t.SectionTable[0];
  EXPECT_EQ(d.FontColor[1], -1);
  EXPECT_EQ(d.HotFontColor[2], -1);
  EXPECT_EQ(d.HotFontColor[4], Grey(3));
  EXPECT_EQ(At(t.PatternTable[0].Img->View(), 0, 0), kColours[0]);
  EXPECT_EQ(At(t.PatternTable[0].Img->View(), 1, 1), kColours[1]);
  EXPECT_FALSE(t.MaskTable[2].Bmp);
}

TEST(ColorEffects, HueThenSaturationByTheRemainderOf101) {
  struct Case {
    int hue, saturation;
    int amount;  // what ShiftSaturation is given
  } cases[] = {
      {0, 50, -50},    {0, -150, 49},  {0, 151, -50},  {0, 100, -100}, {0, -100, 100},
      {0, 1, -1},      {120, 0, 0},    {-45, 0, 0},    {90, 60, -60},  {200, -30, 30},
  };
  const std::vector<TColor> before = ChangedColours(MakeTables());
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "hue " << c.hue << ", saturation " << c.saturation);
    TsSkinTables t = MakeTables();
    ApplyColorEffects(t, c.hue, c.saturation);
    const std::vector<TColor> after = ChangedColours(t);
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i) {
      TColor want = SkinColorToRGB(before[i]);
      if (c.hue != 0) want = ShiftHue(c.hue, want);
      if (c.amount != 0) want = ShiftSaturation(want, c.amount);
      EXPECT_EQ(after[i], want) << "colour " << i;
    }
    ExpectKeptAsTheyWere(t);
    EXPECT_EQ(t.MaskTable[0].Bmp->BitsPerPixel(), 24);
  }
}

TEST(ColorEffects, EveryPixelOfRunsRepeatedRowsRowEndsAndBothRowOrders) {
  // Runs of one colour of several lengths against several widths, so runs cross row ends
  // and start at every offset; fuchsia and a grey among them. Rows repeat the row above,
  // or the one before it, or neither.
  const TColor palette[] = {kColours[0], kColours[1], clFuchsia, kColours[2], Grey(99), kColours[3]};
  const int rowOf[] = {0, 0, 1, 0, 2, 2};
  auto expected = [](TColor c) { return c == clFuchsia || c == Grey(99) ? c : ShiftSaturation(ShiftHue(40, c), -30); };
  for (const bool bottomUp : {true, false})
    for (const int width : {1, 2, 4, 5, 13, 17})
      for (const int run : {1, 3, 4, 7, 40}) {
        SCOPED_TRACE(testing::Message() << (bottomUp ? "bottom-up" : "top-down") << ", width " << width << ", run " << run);
        auto colourAt = [&](int x, int y) { return palette[(rowOf[y] * width + x) / run % 6]; };
        TsSkinTables t;
        t.MasterBitmap = MakeWith(width, 6, colourAt, 24, bottomUp);
        ApplyColorEffects(t, 40, 30);
        for (int y = 0; y < 6; ++y)
          for (int x = 0; x < width; ++x) ASSERT_EQ(At(t.MasterBitmap->View(), x, y), expected(colourAt(x, y))) << x << "," << y;
      }
}

TEST(ColorEffects, TheOrderOfTheTwoEffectsShows) {
  // For this colour the two orders differ, so a swapped order cannot pass.
  const TColor c = kColours[0];
  ASSERT_NE(ShiftSaturation(ShiftHue(90, c), -60), ShiftHue(90, ShiftSaturation(c, -60)));
  TsSkinTables t = MakeTables();
  ApplyColorEffects(t, 90, 60);
  EXPECT_EQ(t.SectionTable[0].Color, ShiftSaturation(ShiftHue(90, c), -60));
}

TEST(ColorEffects, SaturationExtremes) {
  // 100 doubles each channel's distance from the grey level, clamped to 0..255.
  TsSkinTables more = MakeTables();
  more.SectionTable[0].Color = MakeColor(100, 150, 200);  // grey level 150
  more.SectionTable[0].HotColor = MakeColor(60, 90, 240); // grey level 130
  ApplyColorEffects(more, 0, 100);
  EXPECT_EQ(more.SectionTable[0].Color, MakeColor(50, 150, 250));
  EXPECT_EQ(more.SectionTable[0].HotColor, MakeColor(0, 50, 255));

  // -100 leaves only greys.
  TsSkinTables grey = MakeTables();
  ApplyColorEffects(grey, 0, -100);
  for (TColor c : ChangedColours(grey)) EXPECT_TRUE(RedOf(c) == GreenOf(c) && GreenOf(c) == BlueOf(c)) << c;
  ExpectKeptAsTheyWere(grey);
}

TEST(ColorEffects, FullTurnsOfTheHueLeaveColours) {
  // Colours whose hue is a whole number of degrees come back exactly.
  const TColor whole[] = {clRed, clLime, clBlue, MakeColor(200, 100, 0), MakeColor(40, 40, 250)};
  for (int turn : {360, -360, 720}) {
    SCOPED_TRACE(turn);
    TsSkinTables t = MakeTables();
    t.MasterBitmap = MakeWith(5, 2, [&](int x, int) { return whole[x]; });
    ApplyColorEffects(t, turn, 0);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(At(t.MasterBitmap->View(), x, 1), whole[x]) << x;
  }
}

TEST(ColorEffects, NothingChangesWithoutAnAmount) {
  for (int saturation : {0, 101, -303}) {
    TsSkinTables t = MakeTables();
    ApplyColorEffects(t, 0, saturation);
    EXPECT_EQ(ChangedColours(t), ChangedColours(MakeTables()));
    EXPECT_EQ(t.SectionTable[0].HotColor, kSystemFace);  // not even made plain RGB
    EXPECT_EQ(t.MaskTable[0].Bmp->BitsPerPixel(), 32);
  }
}

TEST(ColorEffects, FuchsiaValuesStayNone) {
  // Fuchsia in a value means "none" (a BorderColor of fuchsia: no dialog frame), so it
  // is kept like a fuchsia pixel.
  TsSkinTables t = MakeTables();
  t.GlobalInfo.BorderColor = clFuchsia;
  t.SectionTable[0].Color = clFuchsia;
  ApplyColorEffects(t, 30, -100);
  EXPECT_EQ(t.GlobalInfo.BorderColor, clFuchsia);
  EXPECT_EQ(t.SectionTable[0].Color, clFuchsia);
}

}  // namespace
