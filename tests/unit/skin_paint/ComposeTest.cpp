#include <gtest/gtest.h>

#include <cmath>

#include "PaintTestUtil.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"

using namespace paint_test;

namespace {

// A vertical gradient from grey 0 to grey 10 * (rows - 1) over `rows` rows: row y is grey 10 y.
TsGradArray Ramp(int rows) { return {Step(Grey(0), Grey(10 * (rows - 1)), 100)}; }

// Hand-built skin tables with a master bitmap of coordinate pixels (red x, green y, blue 1).
class ComposeTest : public ::testing::Test {
protected:
  ComposeTest() {
    skin.MasterBitmap = MakeWith(64, 32, [](int x, int y) { return MakeColor(x, y, 1); });
  }
  ~ComposeTest() override { TPaintColors::Parent = TPaintColors::Fill = clFuchsia; }

  int AddSection(const std::string& name) {
    TsGeneralData s;
    s.ClassName = name;
    skin.SectionTable.push_back(s);
    return static_cast<int>(skin.SectionTable.size()) - 1;
  }
  TsGeneralData& Section(int i) { return skin.SectionTable[static_cast<size_t>(i)]; }
  int AddMask(const std::string& section, const std::string& key, TsRect r, int images, int maskType, int drawMode,
              int border, TacImgType type = itisaBorder) {
    TsMaskData m;
    m.ClassName = section;
    m.PropertyName = key;
    m.R = r;
    m.ImageCount = static_cast<int16_t>(images);
    m.MaskType = static_cast<int16_t>(maskType);
    m.DrawMode = static_cast<int16_t>(drawMode);
    m.ImgType = type;
    m.WL = m.WT = m.WR = m.WB = static_cast<int16_t>(border);
    skin.MaskTable.push_back(std::move(m));
    return static_cast<int>(skin.MaskTable.size()) - 1;
  }
  TPaintItemSource Item(int section) {
    TPaintItemSource item;
    item.Skin = &skin;
    item.SkinIndex = section;
    item.SkinSection = Section(section).ClassName;
    item.BorderIndex = skin.MaskIndex(section, item.SkinSection, "BORDERSMASK");
    return item;
  }

  TsSkinTables skin;
};

TEST_F(ComposeTest, GradientOfAHundredPercentIsNotTinted) {
  const int button = AddSection("BUTTON");
  Section(button).GradientPercent = 100;
  Section(button).GradientArray = Ramp(6);
  Section(button).Color = clWhite;
  auto s = Make(4, 6);
  PaintItem(Item(button), BgInfo{}, true, true, s->View(), TPoint{}, TsRect{0, 0, 4, 6}, 0);
  for (int y = 0; y < 6; ++y) EXPECT_EQ(At(s->View(), 3, y), Grey(10 * y)) << y;
}

TEST_F(ComposeTest, TransparencyOverAReadyAndANotReadyParent) {
  auto parent = MakeWith(40, 40, [](int x, int y) { return MakeColor(x, y, 222); });
  auto black = Make(40, 40);
  struct Case {
    int transparency;
    TColor color;
    bool ready;
    bool blackParent;
    TColor expectedAt11;
  } cases[] = {
      {0, Grey(90), true, false, Grey(90)},
      {100, Grey(90), true, false, MakeColor(5, 8, 222)},  // exactly the parent's pixels at X, Y + offset
      {50, clWhite, true, true, Grey(127)},               // (0 * 127 + 255 * 128 + 127) >> 8
      {100, Grey(90), false, false, Grey(44)},             // no picture: the parent's colour
      {50, Grey(90), false, false, Grey(44)},
      {0, Grey(90), false, false, Grey(90)},               // opaque: the section's own colour
  };
  for (const Case& c : cases) {
    const int panel = AddSection("PANEL");
    Section(panel).Transparency = c.transparency;
    Section(panel).Color = c.color;
    TPaintItemSource item = Item(panel);
    item.HasParent = true;
    item.ParentColor = Grey(44);
    auto s = Make(5, 5);
    Fill(s->View(), clFuchsia);
    const BgInfo bg{c.blackParent ? black->View() : parent->View(), 2, 5, c.ready};
    PaintItem(item, bg, true, true, s->View(), TPoint{3, 3}, TsRect{1, 1, 5, 5}, 0);
    EXPECT_EQ(At(s->View(), 1, 1), c.expectedAt11) << c.transparency << (c.ready ? " ready" : " not ready");
    EXPECT_EQ(At(s->View(), 4, 4), c.transparency == 100 && c.ready ? MakeColor(8, 11, 222) : c.expectedAt11);
    EXPECT_EQ(At(s->View(), 0, 0), clFuchsia);
    EXPECT_EQ(TPaintColors::Parent, clFuchsia);
    EXPECT_EQ(TPaintColors::Fill, clFuchsia);
  }
}

TEST_F(ComposeTest, PercentagesMixTheColourBack) {
  const TColor c = MakeColor(200, 100, 50);
  struct Case {
    int gradient;
    std::function<TColor(int row)> expected;
  } cases[] = {
      {0, [&](int) { return c; }},  // nothing but the colour
      {30, [&](int row) {           // 70 % of the colour over the gradient
         auto mix = [](int g, int ch) { return static_cast<int>(std::nearbyint(0.3 * g + 0.7 * ch)); };
         return MakeColor(mix(10 * row, 200), mix(10 * row, 100), mix(10 * row, 50));
       }},
  };
  for (const Case& k : cases) {
    const int edit = AddSection("EDIT");
    Section(edit).GradientPercent = k.gradient;
    Section(edit).GradientArray = Ramp(6);
    Section(edit).Color = c;
    auto s = Make(3, 6);
    PaintItem(Item(edit), BgInfo{}, true, true, s->View(), TPoint{}, TsRect{0, 0, 3, 6}, 0);
    for (int y = 0; y < 6; ++y) EXPECT_EQ(At(s->View(), 2, y), k.expected(y)) << k.gradient << " row " << y;
  }
}

TEST_F(ComposeTest, TextureAlongTheTopAndColourBelow) {
  const int form = AddSection("FORM");
  Section(form).ImagePercent = 100;
  Section(form).Color = Grey(5);
  AddMask("FORM", "PATTERN", TsRect{10, 2, 14, 12}, 1, 0, 2, 0, itisaTexture);  // 4 x 10 tiles, mode 2
  auto s = Make(9, 30);
  PaintItem(Item(form), BgInfo{}, true, true, s->View(), TPoint{}, TsRect{0, 0, 9, 30}, 0);
  EXPECT_EQ(At(s->View(), 0, 0), MakeColor(10, 2, 1));
  EXPECT_EQ(At(s->View(), 6, 9), MakeColor(12, 11, 1));  // second tile, last texture row
  EXPECT_EQ(At(s->View(), 8, 9), MakeColor(10, 11, 1));  // third tile, cut
  EXPECT_EQ(At(s->View(), 0, 10), Grey(5));
  EXPECT_EQ(At(s->View(), 8, 29), Grey(5));
}

TEST_F(ComposeTest, APatternPictureIsTiledWhenNoTextureReferenceExists) {
  const int form = AddSection("FORM");
  Section(form).ImagePercent = 100;
  TsPatternData pattern;
  pattern.ClassName = "FORM";
  pattern.PropertyName = "PATTERN";
  pattern.Img = MakeWith(3, 2, [](int x, int y) { return MakeColor(100 + x, 100 + y, 7); });
  skin.PatternTable.push_back(std::move(pattern));
  auto s = Make(8, 5);
  PaintItem(Item(form), BgInfo{}, true, true, s->View(), TPoint{}, TsRect{1, 0, 8, 5}, 0);
  EXPECT_EQ(At(s->View(), 1, 0), MakeColor(100, 100, 7));  // tiles start at the rectangle
  EXPECT_EQ(At(s->View(), 5, 3), MakeColor(101, 101, 7));
  EXPECT_EQ(At(s->View(), 7, 4), MakeColor(100, 100, 7));  // cut tiles at the right and bottom
  EXPECT_EQ(At(s->View(), 0, 0), clBlack);
}

TEST_F(ComposeTest, HotStatesUseHotValuesAndTheLastBorderFrame) {
  const int button = AddSection("BUTTON");
  Section(button).Color = Grey(1);
  Section(button).HotColor = Grey(2);
  // Three frames of 4 x 4 at (0, 20), borders 1, no centre.
  AddMask("BUTTON", "BORDERSMASK", TsRect{0, 20, 12, 24}, 3, 0, 0, 1);
  for (int state : {0, 1, 5}) {
    auto s = Make(6, 6);
    PaintItem(Item(button), BgInfo{}, true, true, s->View(), TPoint{}, TsRect{0, 0, 6, 6}, state);
    const int frame = std::min(state, 2);
    EXPECT_EQ(At(s->View(), 0, 0), MakeColor(4 * frame, 20, 1)) << state;
    EXPECT_EQ(At(s->View(), 3, 3), Grey(state == 0 ? 1 : 2)) << state;
  }
}

TEST_F(ComposeTest, CornerImagesAtTheFourCorners) {
  const int tab = AddSection("TABTOP");
  Section(tab).Color = Grey(3);
  AddMask("TABTOP", "IMGTOPRIGHT", TsRect{30, 0, 32, 3}, 1, 0, 0, 0, itisaGlyph);   // 2 x 3
  AddMask("TABTOP", "IMGBTMLEFT", TsRect{40, 0, 43, 2}, 1, 0, 0, 0, itisaGlyph);    // 3 x 2
  auto s = Make(12, 10);
  PaintItem(Item(tab), BgInfo{}, true, true, s->View(), TPoint{}, TsRect{2, 1, 10, 9}, 0);
  EXPECT_EQ(At(s->View(), 8, 1), MakeColor(30, 0, 1));  // (Right - FW, Top)
  EXPECT_EQ(At(s->View(), 9, 3), MakeColor(31, 2, 1));
  EXPECT_EQ(At(s->View(), 2, 7), MakeColor(40, 0, 1));  // (Left, Bottom - FH)
  EXPECT_EQ(At(s->View(), 5, 5), Grey(3));
}

TEST_F(ComposeTest, NothingIsPaintedOutsideTheRulesOfEntry) {
  const int panel = AddSection("PANEL");
  Section(panel).Color = Grey(9);
  auto s = Make(4, 4);
  Fill(s->View(), clFuchsia);
  TPaintItemSource bad = Item(panel);
  bad.SkinIndex = 7;
  PaintItem(bad, BgInfo{}, true, true, s->View(), TPoint{}, TsRect{0, 0, 4, 4}, 0);
  PaintItem(Item(panel), BgInfo{}, true, true, s->View(), TPoint{}, TsRect{0, 0, 5, 4}, 0);
  PaintItem(Item(panel), BgInfo{}, true, true, s->View(), TPoint{}, TsRect{-1, 0, 3, 4}, 0);
  PaintSection(panel, "PANEL", BgInfo{}, -1, -1, nullptr, s->View(), TPoint{}, TsRect{0, 0, 4, 4}, 0, true);
  EXPECT_EQ(At(s->View(), 1, 1), clFuchsia);
  PaintSection(panel, "PANEL", BgInfo{}, -1, -1, &skin, s->View(), TPoint{}, TsRect{0, 0, 4, 4}, 0, true);
  EXPECT_EQ(At(s->View(), 1, 1), Grey(9));
}

TEST_F(ComposeTest, GradientOverAnImageInSectionsAndParts) {
  // A 4 x 4 texture of coordinate pixels (red = x) under a flat grey-200 gradient, half
  // and half. Sections blend with alpha 50 * 255 div 100 = 127, parts with 50 * 256 div 100
  // = 128; red at x 0 is then (0 * a + 200 * (255 - a) + 127) >> 8.
  const int thumb = AddSection("SCROLLSLIDERH");
  Section(thumb).ImagePercent = 50;
  Section(thumb).GradientPercent = 50;
  Section(thumb).GradientArray = {Step(Grey(200), Grey(200), 100)};
  Section(thumb).Color = Grey(7);
  const int texture = AddMask("SCROLLSLIDERH", "PATTERN", TsRect{0, 0, 4, 4}, 1, 0, 0, 0, itisaTexture);
  auto s = Make(5, 4);
  PaintPart(thumb, -1, texture, texture, &skin, s->View(), TPoint{}, TsRect{0, 0, 5, 4}, 0, true, BgInfo{},
            "SCROLLSLIDERH");
  EXPECT_EQ(RedOf(At(s->View(), 0, 0)), (200 * 127 + 127) >> 8);
  EXPECT_EQ(At(s->View(), 4, 2), MakeColor(0, 2, 1));  // the blend leaves the last column alone
  PaintBackground(thumb, "SCROLLSLIDERH", BgInfo{}, clFuchsia, texture, texture, &skin, s->View(), TPoint{},
                  TsRect{0, 0, 5, 4}, 0);
  EXPECT_EQ(RedOf(At(s->View(), 0, 0)), (200 * 128 + 127) >> 8);

  // Above 100 in all, a part is filled with its colour; a section keeps its layers.
  Section(thumb).ImagePercent = 100;
  PaintPart(thumb, -1, texture, texture, &skin, s->View(), TPoint{}, TsRect{0, 0, 5, 4}, 0, true, BgInfo{},
            "SCROLLSLIDERH");
  EXPECT_EQ(At(s->View(), 0, 3), Grey(7));
  PaintBackground(thumb, "SCROLLSLIDERH", BgInfo{}, clFuchsia, texture, texture, &skin, s->View(), TPoint{},
                  TsRect{0, 0, 5, 4}, 0);
  EXPECT_EQ(At(s->View(), 4, 3), MakeColor(0, 3, 1));
}

TEST_F(ComposeTest, MaskedTextureBlendsAndTakesTheParentForKeys) {
  // A 2 x 2 tile at (50, 0) with its mask rows below: image (key, grey 100 / grey 100 ...),
  // mask black except one white pixel.
  skin.MasterBitmap = MakeWith(64, 32, [](int x, int y) {
    if (x >= 50 && x < 52 && y < 2) return x == 50 && y == 0 ? clFuchsia : Grey(100);
    if (x >= 50 && x < 52 && y < 4) return x == 51 && y == 3 ? clWhite : clBlack;
    return MakeColor(x, y, 1);
  });
  const int m = AddMask("MDI", "PATTERN", TsRect{50, 0, 52, 4}, 1, 1, 10, 0, itisaTexture);
  auto parent = MakeWith(20, 20, [](int x, int y) { return MakeColor(x, y, 99); });
  auto s = Make(5, 5);
  Fill(s->View(), Grey(20));
  TsRect r{0, 0, 5, 5};
  FillByMaskedTexture(s->View(), r, BgInfo{parent->View(), 1, 1, true}, 10, MaskRef(skin, m));
  EXPECT_TRUE(IsEmptyRect(r));
  EXPECT_EQ(At(s->View(), 0, 0), MakeColor(1, 1, 99));          // key: the parent's pixel
  EXPECT_EQ(At(s->View(), 1, 0), Grey(100));                    // mask 0: the image
  EXPECT_EQ(At(s->View(), 1, 1), Grey((100 + 20 * 255) >> 8));  // mask 255: almost the destination
  EXPECT_EQ(At(s->View(), 2, 2), MakeColor(3, 3, 99));          // next tile down and right
  EXPECT_EQ(At(s->View(), 4, 0), MakeColor(5, 1, 99));          // right of the last whole column
  EXPECT_EQ(At(s->View(), 0, 4), MakeColor(1, 5, 99));          // below the last whole row

  Fill(s->View(), Grey(20));
  r = TsRect{0, 0, 5, 5};
  FillByMaskedTexture(s->View(), r, BgInfo{}, 3, MaskRef(skin, m));
  EXPECT_EQ(At(s->View(), 1, 0), Grey(20));  // other modes paint nothing

  // A tile that starts left of the master (a negative position in the skin) lays nothing
  // rather than reading outside the bitmap.
  const int outside = AddMask("MDI", "HOTPATTERN", TsRect{-1, 0, 1, 4}, 1, 1, 0, 0, itisaTexture);
  r = TsRect{0, 0, 5, 5};
  FillByMaskedTexture(s->View(), r, BgInfo{}, 0, MaskRef(skin, outside));
  EXPECT_TRUE(IsEmptyRect(r));
  EXPECT_EQ(At(s->View(), 0, 0), Grey(20));
  EXPECT_EQ(At(s->View(), 1, 1), Grey(20));
}

}  // namespace
