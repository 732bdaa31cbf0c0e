// Stored skins: the collection's lookups and loading a skin from its collections.
#include <gtest/gtest.h>

#include "skin/data/sStoredSkins.h"
#include "tests/unit/skin_data/SkinTestUtil.h"

namespace {

// A picture of one colour (0x00RRGGBB) with a different pixel at (0, 0), so copies that
// lose the orientation or the depth show.
TsStoredPicture Picture(int w, int h, int bitsPerPixel, uint32_t rgb) {
  auto s = std::make_shared<THeapSurface>(w, h, bitsPerPixel);
  const TSurfaceView& v = s->View();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t c = x == 0 && y == 0 ? 0x010203 : rgb;
      uint8_t* p = v.Pixel(x, y);
      p[0] = static_cast<uint8_t>(c);
      p[1] = static_cast<uint8_t>(c >> 8);
      p[2] = static_cast<uint8_t>(c >> 16);
    }
  return s;
}

TEST(StoredSkins, FoundByExactNameOrFirst) {
  TsStoredSkins skins;
  EXPECT_EQ(skins.First(), nullptr);
  EXPECT_EQ(skins.Find(L"Frost (internal)"), nullptr);
  skins.Add().Name = L"Frost (internal)";
  skins.Add().Name = L"Ember";
  skins.Add().Name = L"Ember";
  EXPECT_EQ(skins.First(), &skins[0]);
  EXPECT_EQ(skins.Find(L"Ember"), &skins[1]);
  EXPECT_EQ(skins.Find(L"ember"), nullptr);
  EXPECT_EQ(skins.Find(L"Frost"), nullptr);
  EXPECT_EQ(skins.Count(), 3);
  // The defaults a stored skin starts from.
  EXPECT_EQ(skins[0].Shadow1Blur, -1);
  EXPECT_EQ(skins[0].BorderColor, 16711935);
}

TEST(StoredSkins, SectionsWithoutInheritanceAndFontColourTexts) {
  TsStoredSkin skin;
  TsSkinGeneral& a = skin.GeneralData.emplace_back();
  a.SectionName = "GLOBALINFO";
  a.Color = SystemColor(15);
  a.HotColor = 77;
  a.Transparency = 30;
  a.FadingEnabled = true;
  a.GradientData = "1;2;50;0;0;3;4;50;0;0";
  a.HotGradientData = "5;6;100;1;0";
  TsSkinGeneral& b = skin.GeneralData.emplace_back();
  b.SectionName = "BUTTON";
  b.ParentClass = "GLOBALINFO";
  skin.Version = 5.4;
  skin.Author = "Someone";
  skin.Description = "Calm";
  skin.Shadow1Color = 9;
  skin.Shadow1Offset = 2;
  skin.Shadow1Transparency = 60;

  TsSkinTables t;
  t.GlobalInfo.SkinPath = L"kept";
  t.GlobalInfo.BISpacing = 4;
  LoadStoredSkinCollections(skin, t);
  ASSERT_EQ(t.SectionTable.size(), 2u);
  const TsGeneralData& g = t.SectionTable[0];
  EXPECT_EQ(g.ClassName, "GLOBALINFO");
  EXPECT_EQ(g.Color, SkinColorToRGB(SystemColor(15)));
  EXPECT_EQ(g.HotColor, 77);
  EXPECT_EQ(g.Transparency, 30);
  EXPECT_EQ(g.GradientArray, (TsGradArray{{1, 2, 50, 0}, {3, 4, 50, 0}}));
  EXPECT_EQ(g.HotGradientArray, (TsGradArray{{5, 6, 100, 1}}));
  const TsGeneralData& button = t.SectionTable[1];
  EXPECT_EQ(button.ParentClass, "GLOBALINFO");
  EXPECT_EQ(button.Transparency, 0);  // the parent's 30 is not inherited
  EXPECT_FALSE(button.FadingEnabled);
  EXPECT_TRUE(button.GradientArray.empty());

  const TsSkinData& info = t.GlobalInfo;
  EXPECT_EQ(info.SkinPath, L"kept");
  EXPECT_DOUBLE_EQ(info.Version, 5.4);
  EXPECT_EQ(info.Author, "Someone");
  EXPECT_EQ(info.Description, "Calm");
  EXPECT_EQ(std::tuple(info.Shadow1Color, info.Shadow1Offset, info.Shadow1Blur, info.Shadow1Transparency),
            std::tuple(9, 2, -1, 60));
  EXPECT_EQ(info.BorderColor, 16711935);
  EXPECT_EQ(info.BISpacing, 0);

  const std::pair<const char*, TsFontColors> fonts[] = {
      {"1 2 3 4 5", {1, 2, 3, 4, 5}},
      {"  7   -1 8\t-1 9 ", {7, -1, 8, -1, 9}},
      {"1 2 3 4", {0, -1, -1, -1, -1}},
      {"1 2 3 4 5 6", {0, -1, -1, -1, -1}},
      {"", {0, -1, -1, -1, -1}},
  };
  for (const auto& [text, colors] : fonts) {
    SCOPED_TRACE(text);
    b.FontColor = text;
    b.HotFontColor = std::string(text) + " ";
    LoadStoredSkinCollections(skin, t);
    EXPECT_EQ(t.SectionTable[1].FontColor, colors);
    EXPECT_EQ(t.SectionTable[1].HotFontColor, colors);
  }

  b.FontColor = "1 2 x 4 5";
  try {
    LoadStoredSkinCollections(skin, t);
    ADD_FAILURE() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), L"'x' is not a valid integer value");
  }
  EXPECT_TRUE(t.SectionTable.empty());
}

struct ImageCase {
  const char* what;
  TsSkinImage item;
  const char* key;  // the item's PropertyName in capitals
  TsRect R;
  int imageCount, maskType, drawMode;
  TacImgType imgType;
  int wl, wt, wr, wb;
  bool ownBitmap;
};

TsSkinImage Item(const char* name, const char* key, TsRect r, int imageCount, int maskType, int stretchMode,
                 TacImgType type, std::array<int16_t, 5> borders = {}) {
  TsSkinImage i;
  i.Name = name;
  if (*name) i.Image = Picture(36, 24, 32, 0x336699);
  i.SectionName = "button";
  i.PropertyName = key;
  i.Left = r.Left;
  i.Top = r.Top;
  i.Right = r.Right;
  i.Bottom = r.Bottom;
  i.ImageCount = static_cast<int16_t>(imageCount);
  i.MaskType = static_cast<int16_t>(maskType);
  i.StretchMode = static_cast<int16_t>(stretchMode);
  i.ImgType = type;
  i.BorderWidth = borders[0];
  i.WL = borders[1];
  i.WT = borders[2];
  i.WR = borders[3];
  i.WB = borders[4];
  return i;
}

TEST(StoredSkins, MasksFromImageItems) {
  const ImageCase cases[] = {
      {"own picture, borders computed 36 / 3 and 24 / 6", Item("Frame", "BordersMask", {5, 5, 9, 9}, 1, 1, 4, itisaBorder),
       "BORDERSMASK", {0, 0, 36, 24}, 1, 1, 4, itisaBorder, 12, 4, 12, 4, true},
      {"area of the master", Item("", "GLYPHMASK", {10, 20, 46, 44}, 3, 0, 2, itisaGlyph),
       "GLYPHMASK", {10, 20, 46, 44}, 3, 0, 2, itisaGlyph, 4, 8, 4, 8, false},
      {"no frame count: three frames over a mask row", Item("", "BORDERSMASK", {0, 0, 36, 24}, 0, 0, 1, itisaBorder),
       "BORDERSMASK", {0, 0, 36, 24}, 3, 1, 1, itisaBorder, 4, 4, 4, 4, false},
      {"given borders kept", Item("", "BORDERSMASK", {0, 0, 36, 24}, 1, 0, 1, itisaBorder, {0, 1, 2, 3, 0}),
       "BORDERSMASK", {0, 0, 36, 24}, 1, 0, 1, itisaBorder, 1, 2, 3, 0, false},
      {"common border width", Item("", "BORDERSMASK", {0, 0, 36, 24}, 1, 0, 1, itisaBorder, {5, 0, 0, 0, 0}),
       "BORDERSMASK", {0, 0, 36, 24}, 1, 0, 1, itisaBorder, 5, 5, 5, 5, false},
      {"a texture item under PATTERN keeps its mode", Item("", "pattern", {0, 0, 6, 6}, 1, 0, 5, itisaTexture),
       "PATTERN", {0, 0, 6, 6}, 1, 0, 5, itisaTexture, 2, 2, 2, 2, false},
      {"any other item under HOTPATTERN gets mode 0", Item("", "HOTPATTERN", {0, 0, 6, 6}, 1, 0, 5, itisaGlyph),
       "HOTPATTERN", {0, 0, 6, 6}, 1, 0, 0, itisaTexture, 2, 2, 2, 2, false},
  };
  for (const ImageCase& c : cases) {
    SCOPED_TRACE(c.what);
    TsStoredSkin skin;
    skin.MasterBitmap = Picture(60, 50, 32, 0xFF00FF);
    skin.Images.push_back(c.item);
    TsSkinTables t;
    LoadStoredSkinCollections(skin, t);
    ASSERT_EQ(t.MaskTable.size(), 1u);
    const TsMaskData& m = t.MaskTable[0];
    EXPECT_EQ(m.ClassName, "BUTTON");
    EXPECT_EQ(m.PropertyName, c.key);
    EXPECT_EQ(m.R, c.R);
    EXPECT_EQ(std::tuple(m.ImageCount, m.MaskType, m.DrawMode, m.ImgType),
              std::tuple(c.imageCount, c.maskType, c.drawMode, c.imgType));
    EXPECT_EQ((std::array<int, 4>{m.WL, m.WT, m.WR, m.WB}), (std::array<int, 4>{c.wl, c.wt, c.wr, c.wb}));
    ASSERT_EQ(m.Bmp != nullptr, c.ownBitmap);
    if (m.Bmp) {
      EXPECT_EQ(m.Bmp->BitsPerPixel(), 24);
      EXPECT_EQ(PixelAt(*m.Bmp, 0, 0), 0x010203u);
      EXPECT_EQ(PixelAt(*m.Bmp, 35, 23), 0x336699u);
    }
    ASSERT_TRUE(t.MasterBitmap);
    EXPECT_EQ(t.MasterBitmap->BitsPerPixel(), 24);
    EXPECT_EQ(PixelAt(*t.MasterBitmap, 0, 0), 0x010203u);
    EXPECT_EQ(PixelAt(*t.MasterBitmap, 59, 49), 0xFF00FFu);
  }

  // A named item without its picture brings nothing; no master leaves none.
  TsStoredSkin skin;
  skin.Images.push_back(Item("Lost", "BORDERSMASK", {}, 1, 0, 0, itisaBorder));
  skin.Images.back().Image.reset();
  TsSkinTables t;
  LoadStoredSkinCollections(skin, t);
  EXPECT_TRUE(t.MaskTable.empty());
  EXPECT_FALSE(t.MasterBitmap);
}

TEST(StoredSkins, PatternsShareThePictureOfTheirName) {
  TsStoredSkin skin;
  const TsStoredPicture tiles = Picture(4, 3, 24, 0x445566);
  skin.Patterns = {{"Tiles", tiles, "panel", "pattern"},
                   {"Tiles", nullptr, "Button", "HotPattern"},
                   {"Nothing", nullptr, "EDIT", "PATTERN"},
                   {"Other", Picture(2, 2, 32, 0x778899), "FORM", "PATTERN"}};
  TsSkinTables t;
  LoadStoredSkinCollections(skin, t);
  ASSERT_EQ(t.PatternTable.size(), 3u);
  const std::pair<const char*, const char*> names[] = {{"PANEL", "PATTERN"}, {"BUTTON", "HOTPATTERN"}, {"FORM", "PATTERN"}};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(t.PatternTable[i].ClassName, names[i].first);
    EXPECT_EQ(t.PatternTable[i].PropertyName, names[i].second);
    EXPECT_EQ(t.PatternTable[i].Img->BitsPerPixel(), 24);
  }
  // Copies: the tables may change their pixels without touching the stored picture.
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_NE(t.PatternTable[i].Img.get(), tiles.get());
    EXPECT_EQ(PixelAt(*t.PatternTable[i].Img, 0, 0), 0x010203u);
    EXPECT_EQ(PixelAt(*t.PatternTable[i].Img, 3, 2), 0x445566u);
  }
  EXPECT_EQ(PixelAt(*t.PatternTable[2].Img, 1, 1), 0x778899u);
}

TEST(StoredSkins, CommonSectionsFollowEachPass) {
  TsStoredSkin skin;
  skin.MasterBitmap = Picture(60, 50, 24, 0xFF00FF);
  skin.Images.push_back(Item("", "BORDERSMASK", {0, 0, 36, 24}, 1, 0, 1, itisaBorder));
  skin.GeneralData.emplace_back().SectionName = "BUTTON";
  skin.GeneralData.back().Transparency = 40;
  TsSkinTables t;
  LoadStoredSkinCollections(skin, t, nullptr, {"[SPEEDBUTTON]", "PARENTCLASS=BUTTON", "GLYPH=#(1,2,3,4)(1,0)"});
  ASSERT_EQ(t.MaskTable.size(), 2u);
  EXPECT_EQ(t.MaskTable[1].ClassName, "SPEEDBUTTON");
  EXPECT_EQ(t.MaskTable[1].R, (TsRect{1, 2, 3, 4}));
  ASSERT_EQ(t.SectionTable.size(), 2u);
  EXPECT_EQ(t.SectionTable[1].Transparency, 40);
}

}  // namespace
