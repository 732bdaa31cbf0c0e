// The options loader: notations, pictures, inheritance, defaults and gradients.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "skin/data/sSkinOptions.h"
#include "tests/unit/skin_data/SkinTestUtil.h"

namespace {

uint32_t Fuchsia(int, int) { return 0xFF00FF; }
uint32_t Gradient(int x, int y) { return static_cast<uint32_t>((x * 8) << 16 | (y * 8) << 8 | 0x40); }

// The images every notation test can refer to.
std::vector<std::pair<std::string, Bytes>> Images() {
  return {{"Master.bmp", MakeBmp24(281, 116, Fuchsia)},
          {"TopRight.bmp", MakeBmpIndexed(30, 24, 8, {0xFF00FF, 0xFFFFFF, 0x808080})},
          {"Frame.BMP", MakeBmp32(36, 24, Gradient)},
          {"Broken.bmp", [] { Bytes b = MakeBmp24(20, 20, Fuchsia); b.resize(200); return b; }()}};
}

struct MaskCase {
  const char* value;
  TsRect R;
  int imageCount, maskType, borderWidth, drawMode;
  TacImgType imgType;
  int wl, wt, wr, wb;
  bool ownBitmap;
};

TEST(OptionsLoader, ImageReferenceNotations) {
  const MaskCase cases[] = {
      {"@0000@0000@0039@0013@3@0", {0, 0, 39, 13}, 3, 0, 0, 0, itisaGlyph, 0, 0, 0, 0, false},
      // Border widths computed from the frame: 36 / (3 * 3) and 24 / (2 * 3).
      {"^0177^0072^0213^0096^0000^0000^0000^0000^3^1^4^0", {177, 72, 213, 96}, 3, 1, 0, 4, itisaBorder, 4, 4, 4, 4, false},
      // Given widths are kept when their sum is not 0.
      {"^0087^0049^0093^0053^0000^0000^0002^0000^1^0^1^1", {87, 49, 93, 53}, 1, 0, 1, 1, itisaBorder, 0, 0, 2, 0, false},
      // A common width fills in all four.
      {"^0010^0010^0040^0040^0000^0000^0000^0000^1^0^2^5", {10, 10, 40, 40}, 1, 0, 5, 2, itisaBorder, 5, 5, 5, 5, false},
      {"~0067~0051~0070~0053~01", {67, 51, 70, 53}, 1, 0, 0, 1, itisaTexture, 0, 0, 0, 0, false},
      {"~0111~0013~0117~0025~10~1", {111, 13, 117, 25}, 1, 1, 0, 10, itisaTexture, 0, 0, 0, 0, false},
      // Own bitmap: R is the whole bitmap; 30 / 3 and 24 / 6.
      {"!TOPRIGHT.BMP!1!1!2", {0, 0, 30, 24}, 1, 1, 0, 4, itisaGlyph, 10, 4, 10, 4, true},
      {"!TOPRIGHT.BMP!3!0!0!1!2!3!4", {0, 0, 30, 24}, 3, 0, 0, 4, itisaBorder, 1, 2, 3, 4, true},
      {"# (10, 20, 46, 44) (3, 1, 0, 2)", {10, 20, 46, 44}, 3, 1, 0, 2, itisaBorder, 4, 4, 4, 4, false},
      {"#1 (10 20 46 44) (0,-4)", {10, 20, 46, 44}, 1, 0, 0, 1, itisaBorder, 12, 8, 12, 8, false},
      {"# 0,0,30,30 1,0,3", {0, 0, 30, 30}, 1, 0, 3, 1, itisaBorder, 3, 3, 3, 3, false},
      // Whole bitmap file: three states over an image and a mask row.
      {"frame.bmp", {0, 0, 36, 24}, 3, 1, 0, 0, itisaBorder, 4, 4, 4, 4, true},
  };
  for (const MaskCase& c : cases) {
    SCOPED_TRACE(c.value);
    TsSkinTables t;
    LoadFromPackage(std::string("[GLOBALINFO]\nMASTERBITMAP=MASTER.BMP\n[BUTTON]\nBORDERSMASK=") + c.value + "\n",
                    Images(), t);
    ASSERT_EQ(t.MaskTable.size(), 1u);
    const TsMaskData& m = t.MaskTable[0];
    EXPECT_EQ(m.ClassName, "BUTTON");
    EXPECT_EQ(m.PropertyName, "BORDERSMASK");
    EXPECT_EQ(m.R, c.R);
    EXPECT_EQ(m.ImageCount, c.imageCount);
    EXPECT_EQ(m.MaskType, c.maskType);
    EXPECT_EQ(m.BorderWidth, c.borderWidth);
    EXPECT_EQ(m.DrawMode, c.drawMode);
    EXPECT_EQ(m.ImgType, c.imgType);
    EXPECT_EQ((std::array<int, 4>{m.WL, m.WT, m.WR, m.WB}), (std::array<int, 4>{c.wl, c.wt, c.wr, c.wb}));
    ASSERT_EQ(m.Bmp != nullptr, c.ownBitmap);
    if (m.Bmp) {
      EXPECT_EQ(m.Bmp->BitsPerPixel(), 24);
    }
  }
}

TEST(OptionsLoader, OwnBitmapsKeepTheirPixels) {
  TsSkinTables t;
  LoadFromPackage("[GLOBALINFO]\nMASTERBITMAP=MASTER.BMP\n[A]\nG=!TOPRIGHT.BMP!1!1!2\nT=!FRAME.BMP!1!0!1\n",
                  Images(), t);
  ASSERT_TRUE(t.MasterBitmap);
  EXPECT_EQ(t.MasterBitmap->Width(), 281);
  EXPECT_EQ(t.MasterBitmap->BitsPerPixel(), 24);
  EXPECT_EQ(PixelAt(*t.MasterBitmap, 280, 115), 0xFF00FFu);
  ASSERT_EQ(t.MaskTable.size(), 2u);
  // Palette index (x + y) % 3 of the 8-bit picture.
  EXPECT_EQ(PixelAt(*t.MaskTable[0].Bmp, 0, 0), 0xFF00FFu);
  EXPECT_EQ(PixelAt(*t.MaskTable[0].Bmp, 1, 0), 0xFFFFFFu);
  EXPECT_EQ(PixelAt(*t.MaskTable[0].Bmp, 1, 1), 0x808080u);
  // A texture keeps the 32 bits of its file.
  EXPECT_EQ(t.MaskTable[1].Bmp->BitsPerPixel(), 32);
  EXPECT_EQ(PixelAt(*t.MaskTable[1].Bmp, 3, 2), Gradient(3, 2));
}

TEST(OptionsLoader, ImagesNamedTwiceAreOwnedTwice) {
  // Each record owns its own store, whatever the notation and depth that name the file.
  TsSkinTables t;
  LoadFromPackage("[GLOBALINFO]\nMASTERBITMAP=FRAME.BMP\n[A]\nT=!FRAME.BMP!1!0!1\nB=!FRAME.BMP!1!0!0\nW=frame.bmp\n"
                  "G=!TOPRIGHT.BMP!1!1!2\nH=!TOPRIGHT.BMP!1!1!2\n",
                  Images(), t);
  ASSERT_TRUE(t.MasterBitmap);
  ASSERT_EQ(t.MaskTable.size(), 5u);
  std::vector<const TSurface*> stores = {t.MasterBitmap.get()};
  for (const TsMaskData& m : t.MaskTable) stores.push_back(m.Bmp.get());
  std::vector<const TSurface*> unique = stores;
  std::sort(unique.begin(), unique.end());
  EXPECT_EQ(std::unique(unique.begin(), unique.end()), unique.end());
  // The texture keeps the file's depth; everything else is 24-bit.
  for (size_t i = 0; i < stores.size(); ++i) EXPECT_EQ(stores[i]->BitsPerPixel(), i == 1 ? 32 : 24) << i;
  for (const TSurface* s : stores) {
    if (s->Width() != 36) continue;
    EXPECT_EQ(PixelAt(*s, 3, 2), Gradient(3, 2));
    EXPECT_EQ(PixelAt(*s, 30, 20), Gradient(30, 20));
  }
  EXPECT_EQ(PixelAt(*t.MaskTable[4].Bmp, 1, 1), 0x808080u);
}

TEST(OptionsLoader, ReferencesThatAreSkipped) {
  const char* values[] = {
      "^0177^0072^0213^0096^0000^0000^0000^0000^0^1^4^0", // no frames
      "@0000@0000@0039@0013@0@0",                         // no frames
      "!TOPRIGHT.BMP!0!1!2",                              // no frames
      "!TOPRIGHT.BMP!1!-1!2",                             // negative mask rows
      "!TOPRIGHT.BMP!1!1!3",                              // no such image type
      "!TopRight.bmp!1!1!2",                              // file name not in capitals
      "!MISSING.BMP!1!1!2",                               // no such entry
      "!BROKEN.BMP!1!1!2",                                // damaged bitmap
      "missing.bmp",                                      // no such entry
      "#",                                                // just the marker
      "plain text",                                       // no notation
      "",
  };
  for (const char* value : values) {
    SCOPED_TRACE(value);
    TsSkinTables t;
    LoadFromPackage(std::string("[BUTTON]\nBORDERSMASK=") + value + "\n", Images(), t);
    EXPECT_TRUE(t.MaskTable.empty());
    EXPECT_EQ(t.SectionTable.size(), 1u);
  }
}

TEST(OptionsLoader, MalformedNumbersAbortWithTheConversionError) {
  const std::pair<const char*, const wchar_t*> cases[] = {
      {"[A]\nM=@00x0@0000@0039@0013@3@0", L"'00x0' is not a valid integer value"},
      {"[A]\nM=^0177^0072^0213", L"'' is not a valid integer value"},
      {"[A]\nM=~0067~0051~0070~0053~A1", L"'A1' is not a valid integer value"},
      {"[A]\nM=!TOPRIGHT.BMP!1!1", L"'' is not a valid integer value"},
      {"[A]\nM=!TOPRIGHT.BMP!one!1!2", L"'one' is not a valid integer value"},
      {"[A]\nM=# (1, 2, x, 4)", L"'x' is not a valid integer value"},
      {"[A]\nGRADIENTDATA=1;2;3;4;5;6;7;half;9;10", L"'half' is not a valid integer value"},
      {"[GLOBALINFO]\nSHADOW1OFFSET=2px", L"'2px' is not a valid integer value"},
      {"[GLOBALINFO]\nSHADOW1BLUR=", L"'' is not a valid integer value"},
  };
  for (const auto& [options, message] : cases) {
    SCOPED_TRACE(options);
    TsSkinTables t;
    try {
      LoadFromPackage(options, Images(), t);
      ADD_FAILURE() << "no error";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), message);
    }
    EXPECT_TRUE(t.SectionTable.empty() && t.MaskTable.empty() && !t.MasterBitmap);
  }
}

TEST(OptionsLoader, IniReadingRules) {
  TsSkinTables t;
  LoadFromPackage("COLOR=1\n"                       // before any section: ignored
                  "\t [ GLOBALINFO ]  \r\n"
                  "; COLOR=2\n"
                  "  color  =  15591641 \r"
                  "FontColor=5059883\n"
                  "TCLEFT=16771002\n"
                  "HOTCOLOR\n"                       // no "=": not a value line
                  "COLOR=3\n"                        // the first one counts
                  "[button]\nCOLOR=77\nbordersmask=@0000@0000@0039@0013@3@0\n",
                  Images(), t);
  ASSERT_EQ(t.SectionTable.size(), 2u);
  const TsGeneralData& g = t.SectionTable[0];
  EXPECT_EQ(g.ClassName, "GLOBALINFO");
  EXPECT_EQ(g.Color, 15591641);
  EXPECT_EQ(g.HotColor, 16777215);
  EXPECT_EQ(g.FontColor, (TsFontColors{5059883, 16771002, -1, -1, -1}));
  EXPECT_EQ(t.GlobalColor(), 15591641);
  EXPECT_EQ(t.GlobalFontColor(), 5059883);
  EXPECT_EQ(t.GlobalHotColor(), 16777215);
  // Names in small letters are read but not found by callers asking in capitals.
  EXPECT_EQ(t.SectionTable[1].Color, 77);
  EXPECT_EQ(t.SectionIndex("BUTTON"), -1);
  EXPECT_EQ(t.SectionIndex("button"), 1);
  EXPECT_EQ(t.MaskIndex(1, "button", "BORDERSMASK"), -1);
  EXPECT_EQ(t.MaskIndexByName("button", "bordersmask"), 0);
}

TEST(OptionsLoader, DefaultsAndInheritance) {
  TsSkinTables t;
  LoadFromPackage("[PAGECONTROLBOTTOM]\nCOLOR=16184300\nSHADOWCOLOR=99\nTRANSPARENCY=30\nFADINGENABLED=true\n"
                  "GRADIENTDATA=1;2;50;1;0\nTCTOP=123\nBORDERSMASK=^0087^0049^0093^0053^0000^0000^0002^0000^1^0^1^1\n"
                  "[TABCONTROLBOTTOM]\nPARENTCLASS=PAGECONTROLBOTTOM\n"
                  "[CHILD]\nPARENTCLASS=TABCONTROLBOTTOM\nTRANSPARENCY=-1\nFADINGENABLED=?\nCOLOR=$FF\nSHOWFOCUS=yes\n"
                  "[SELF]\nPARENTCLASS=self\nCOLOR=5\n"
                  "[LOOPA]\nPARENTCLASS=LOOPB\n[LOOPB]\nPARENTCLASS=LOOPC\n[LOOPC]\nPARENTCLASS=LOOPA\n"
                  "[ORPHAN]\nPARENTCLASS=NOWHERE\n",
                  Images(), t);
  const TsGeneralData& tab = t.SectionTable[t.SectionIndex("TABCONTROLBOTTOM")];
  EXPECT_EQ(tab.ParentClass, "PAGECONTROLBOTTOM");
  EXPECT_EQ(tab.Color, 16184300);
  EXPECT_EQ(tab.Transparency, 30);
  EXPECT_TRUE(tab.FadingEnabled);
  EXPECT_EQ(tab.FontColor[2], 123);
  ASSERT_EQ(tab.GradientArray.size(), 1u);
  EXPECT_EQ(tab.ShadowColor, 0); // never inherited

  // -1 and "?" ask the parent; "0x"/"$" hex and word booleans.
  const TsGeneralData& child = t.SectionTable[t.SectionIndex("CHILD")];
  EXPECT_EQ(child.Transparency, 30);
  EXPECT_TRUE(child.FadingEnabled);
  EXPECT_EQ(child.Color, 0xFF);
  EXPECT_FALSE(child.ShowFocus);

  // Masks are not copied but found through the chain.
  const int tabIndex = t.SectionIndex("TABCONTROLBOTTOM");
  EXPECT_EQ(t.MaskIndex(tabIndex, "TABCONTROLBOTTOM", "BORDERSMASK"), 0);
  EXPECT_EQ(t.MaskIndex(t.SectionIndex("CHILD"), "CHILD", "BORDERSMASK"), 0);
  EXPECT_EQ(t.MaskIndexByName("TABCONTROLBOTTOM", "BORDERSMASK"), -1);

  // Self-parents, loops and missing parents end in the table defaults.
  for (const char* name : {"SELF", "LOOPA", "LOOPB", "LOOPC", "ORPHAN"}) {
    SCOPED_TRACE(name);
    const int i = t.SectionIndex(name);
    const TsGeneralData& d = t.SectionTable[i];
    EXPECT_EQ(d.Transparency, 0);
    EXPECT_EQ(d.ShadowTransparency, 50);
    EXPECT_EQ(d.FadingIterations, 5);
    EXPECT_EQ(d.ShadowBlur, 6);
    EXPECT_EQ(d.GradientData, " ");
    EXPECT_TRUE(d.GradientArray.empty());
    EXPECT_EQ(d.HotFontColor, (TsFontColors{0, -1, -1, -1, -1}));
    EXPECT_EQ(t.MaskIndex(i, name, "BORDERSMASK"), -1);
  }
  EXPECT_EQ(t.SectionTable[t.SectionIndex("SELF")].Color, 5);
  EXPECT_EQ(t.SectionTable[t.SectionIndex("LOOPA")].Color, 16777215);
}

TEST(OptionsLoader, SystemColoursBecomePlainRgb) {
  TsSkinTables t;
  LoadFromPackage("[A]\nCOLOR=-16777201\nHOTCOLOR=-16777201\n", Images(), t);
  EXPECT_EQ(t.SectionTable[0].Color, SkinColorToRGB(kclBtnFace));
  EXPECT_GE(t.SectionTable[0].Color, 0);
  EXPECT_EQ(t.SectionTable[0].HotColor, -16777201); // only Color is converted
}

TEST(OptionsLoader, GradientWordCounts) {
  struct Case {
    const char* text;
    TsGradArray steps;
  };
  const Case cases[] = {
      {"1;2;3;4;5;6;7", {{1, 2, 3, 4}}},
      {"1;2;3;4", {}},
      {"1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16;17;18;19", {{1, 2, 3, 4}, {6, 7, 8, 9}, {11, 12, 13, 14}}},
      {"1;2;150;0;0", {{1, 2, 100, 0}}},
      {"1;2;-5;0;0", {{1, 2, -5, 0}}},
      {";;1;;2;3 ; 4;5;;", {{1, 2, 3, 4}}},
      {"", {}},
      {"16184299;15788256;45;0;0;15788256;14866631;10;0;0;14866631;16184300;42;0;0;16184300;16184300;0;0;0",
       {{16184299, 15788256, 45, 0}, {15788256, 14866631, 10, 0}, {14866631, 16184300, 42, 0}, {16184300, 16184300, 0, 0}}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseGradient(c.text), c.steps) << c.text;
}

TEST(OptionsLoader, SkinWideValues) {
  TsSkinTables t;
  LoadFromPackage("[GLOBALINFO]\nVERSION=5.4\nAUTHOR=Someone\nDESCRIPTION=Calm\nSHADOW1COLOR=$10\nSHADOW1OFFSET=2\n"
                  "SHADOW1TRANSPARENCY=60\nBISPACE=junk\nBORDERCOLOR=0x20\n",
                  Images(), t);
  const TsSkinData& g = t.GlobalInfo;
  EXPECT_DOUBLE_EQ(g.Version, 5.4);
  EXPECT_EQ(g.Author, "Someone");
  EXPECT_EQ(g.Description, "Calm");
  EXPECT_EQ(g.Shadow1Color, 16);
  EXPECT_EQ(g.Shadow1Offset, 2);
  EXPECT_EQ(g.Shadow1Blur, -1);
  EXPECT_EQ(g.Shadow1Transparency, 60);
  EXPECT_EQ(g.BISpacing, 0);
  EXPECT_EQ(g.BorderColor, 32);

  TsSkinTables none;
  LoadFromPackage("[BUTTON]\n", Images(), none);
  EXPECT_EQ(none.GlobalColor(), SkinColorToRGB(kclBtnFace));
  EXPECT_EQ(none.GlobalFontColor(), kSkinKeyColor);
  EXPECT_EQ(none.GlobalHotColor(), SkinColorToRGB(kclWindow));
}

TEST(OptionsLoader, PicturesBecomeTexturesBelow90000PixelsElsePatterns) {
  const auto images = std::vector<std::pair<std::string, Bytes>>{
      {"Small.jpg", MakeJpeg(299, 301, 0x3366CC)}, // 89999 pixels
      {"Large.JPEG", MakeJpeg(300, 300, 0xCC6633)},
      {"Cut.jpg", [] { Bytes b = MakeJpeg(64, 64, 0x123456); b.resize(b.size() / 2); return b; }()},
  };
  TsSkinTables t;
  LoadFromPackage("[PANEL]\npattern=small.jpg\nHOTPATTERN=LARGE.jpeg\nX=cut.jpg\nY=absent.jpg\n", images, t);
  ASSERT_EQ(t.MaskTable.size(), 1u);
  const TsMaskData& m = t.MaskTable[0];
  EXPECT_EQ(m.ClassName, "PANEL");
  EXPECT_EQ(m.PropertyName, "PATTERN");
  EXPECT_EQ(m.ImgType, itisaTexture);
  EXPECT_EQ(m.ImageCount, 1);
  EXPECT_EQ(m.R, TsRect{});
  ASSERT_TRUE(m.Bmp);
  EXPECT_EQ(m.Bmp->Width(), 299);
  const uint32_t c = PixelAt(*m.Bmp, 150, 150);
  EXPECT_NEAR(static_cast<int>(c >> 16), 0x33, 3);
  EXPECT_NEAR(static_cast<int>(c & 0xFF), 0xCC, 3);

  ASSERT_EQ(t.PatternTable.size(), 1u);
  EXPECT_EQ(t.PatternTable[0].PropertyName, "HOTPATTERN");
  EXPECT_EQ(t.PatternTable[0].Img->Height(), 300);
  const int panel = t.SectionIndex("PANEL");
  EXPECT_EQ(t.PatternIndex(panel, "PANEL", "HOTPATTERN"), 0);
  EXPECT_EQ(t.TextureIndex(panel, "PANEL", "PATTERN"), 0);
}

TEST(OptionsLoader, SkinFolders) {
  const auto dir = std::filesystem::temp_directory_path() / "equidiv-skin-data-folder-test";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  auto write = [&](const char* name, const Bytes& bytes) {
    std::ofstream(dir / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  };
  write("Options.dat", ToBytes("[GLOBALINFO]\nMASTERBITMAP=MASTER.BMP\n[BUTTON]\nA=!TOPRIGHT.BMP!1!1!2\nB=Frame.bmp\n"
                               "C=~0000~0000~0010~0010~01\nP=pic.jpg\n"));
  // Names in other capitals than the options write them are found on every file system.
  write("Master.bmp", MakeBmp24(40, 30, Fuchsia));
  write("TopRight.bmp", MakeBmpIndexed(30, 24, 4, {0xFF00FF, 0x00FF00}));
  write("FRAME.BMP", MakeBmp24(36, 24, Gradient));
  write("Pic.JPG", MakeJpeg(10, 10, 0xFFFFFF));

  TsSkinTables t;
  const String folder = dir.wstring();
  ASSERT_TRUE(LoadSkinFolder(folder, t));
  EXPECT_EQ(t.GlobalInfo.SkinPath.back(), kPathDelimiter);
  ASSERT_TRUE(t.MasterBitmap);
  EXPECT_EQ(t.MasterBitmap->Width(), 40);
  ASSERT_EQ(t.MaskTable.size(), 4u);
  EXPECT_EQ(t.MaskTable[0].Bmp->Width(), 30);
  EXPECT_EQ(PixelAt(*t.MaskTable[0].Bmp, 1, 0), 0x00FF00u);
  EXPECT_EQ(t.MaskTable[1].PropertyName, "B");
  EXPECT_EQ(t.MaskTable[3].ImgType, itisaTexture); // the small picture
  std::filesystem::remove_all(dir);

  EXPECT_FALSE(LoadSkinFolder(dir.wstring(), t));
}

TEST(OptionsLoader, AnImageThatCannotBeMadeDropsOnlyItsReferences) {
  const std::string options =
      "[GLOBALINFO]\nMASTERBITMAP=MASTER.BMP\n"
      "[PANEL]\nPATTERN=good.jpg\nHOTPATTERN=noise.jpg\n"
      "[BUTTON]\nPATTERN=nostore.jpg\nGLYPH=!NOHEAP.BMP!1!0!0\n"
      "[EDIT]\nCOLOR=123\nGLYPH=@0000@0000@0039@0013@3@0\n";
  Bytes noise = MakeJpeg(64, 64, 0x123456);
  for (size_t i = 200; i < noise.size() - 2; ++i) noise[i] = static_cast<uint8_t>(i * 31);
  const std::vector<std::pair<std::string, Bytes>> images = {
      {"Master.bmp", MakeBmp24(281, 116, Fuchsia)},
      {"good.jpg", MakeJpeg(12, 10, 0x3366CC)},
      {"noise.jpg", noise},
      {"nostore.jpg", MakeJpeg(77, 9, 0x808080)}, // the factory raises EOutOfMemory for it
      {"NOHEAP.BMP", MakeBmp24(78, 6, Gradient)}, // and std::bad_alloc for this one
  };
  const auto dir = std::filesystem::temp_directory_path() / "equidiv-skin-data-undecodable-test";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  auto write = [&](const std::string& name, const Bytes& bytes) {
    std::ofstream(dir / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  };
  write("Options.dat", ToBytes(options));
  for (const auto& [name, bytes] : images) write(name, bytes);

  FailingSurfaceFactory factory(77, 78);
  for (const bool fromFolder : {false, true}) {
    SCOPED_TRACE(fromFolder ? "skin folder" : "package");
    TsSkinTables t;
    if (fromFolder)
      ASSERT_TRUE(LoadSkinFolder(dir.wstring(), t));
    else
      LoadFromPackage(options, images, t);
    ASSERT_TRUE(t.MasterBitmap);
    std::vector<std::string> masks;
    for (const TsMaskData& m : t.MaskTable) masks.push_back(m.ClassName + "." + m.PropertyName);
    EXPECT_EQ(masks, (std::vector<std::string>{"EDIT.GLYPH", "PANEL.PATTERN"}));
    EXPECT_TRUE(t.PatternTable.empty());
    const int edit = t.SectionIndex("EDIT");
    ASSERT_GE(edit, 0);
    EXPECT_EQ(t.SectionTable[edit].Color, 123);
    EXPECT_GE(t.SectionIndex("BUTTON"), 0);
  }
  std::filesystem::remove_all(dir);
}

TEST(OptionsLoader, DuplicateSectionsEachKeepTheirOwnValues) {
  TsSkinTables t;
  LoadFromPackage("[A]\nCOLOR=1\n[B]\nPARENTCLASS=A\n[A]\nCOLOR=2\nTRANSPARENCY=9\n", Images(), t);
  ASSERT_EQ(t.SectionTable.size(), 3u);
  EXPECT_EQ(t.SectionTable[0].Color, 1);
  EXPECT_EQ(t.SectionTable[2].Color, 2);
  EXPECT_EQ(t.SectionTable[1].Color, 1); // the parent is the first "A"
  EXPECT_EQ(t.SectionTable[1].Transparency, 0);
}

} // namespace
