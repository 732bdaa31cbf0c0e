// The bitmap decoder and the table lookups that painters call with any index.
#include <gtest/gtest.h>

#include "skin/data/acImages.h"
#include "skin/data/sSkinTables.h"
#include "tests/unit/skin_data/SkinTestUtil.h"

namespace {

uint32_t Pattern(int x, int y) { return static_cast<uint32_t>((x * 37) << 16 | (y * 19) << 8 | (x ^ y)); }

TEST(BmpDecoder, DecodesEachSupportedLayout) {
  const std::vector<uint32_t> palette = {0x112233, 0xFFFFFF, 0x00FF00, 0xFF00FF};
  struct Case {
    const char* what;
    Bytes file;
    int bits;
    bool indexed;
  };
  const Case cases[] = {
      {"24 bits bottom-up", MakeBmp24(7, 5, Pattern), 24, false},
      {"24 bits top-down", MakeBmp24(7, 5, Pattern, true), 24, false},
      {"32 bits", MakeBmp32(7, 5, Pattern), 32, false},
      {"8 bits", MakeBmpIndexed(7, 5, 8, palette), 24, true},
      {"4 bits", MakeBmpIndexed(7, 5, 4, palette), 24, true},
      {"1 bit", MakeBmpIndexed(7, 5, 1, {0x000000, 0xFFFFFF}), 24, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto s = DecodeBmp(c.file.data(), c.file.size());
    ASSERT_TRUE(s);
    EXPECT_EQ(s->Width(), 7);
    EXPECT_EQ(s->Height(), 5);
    EXPECT_EQ(s->BitsPerPixel(), c.bits);
    const size_t colours = std::string_view(c.what) == "1 bit" ? 2 : palette.size();
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x) {
        const uint32_t want = !c.indexed ? Pattern(x, y)
                              : colours == 2 ? ((x + y) % 2 ? 0xFFFFFFu : 0u)
                                             : palette[(x + y) % palette.size()];
        ASSERT_EQ(PixelAt(*s, x, y), want) << x << "," << y;
      }
  }
  // Alpha of 32-bit files is kept.
  const Bytes file = MakeBmp32(2, 2, Pattern);
  EXPECT_EQ(DecodeBmp(file.data(), file.size())->View().Pixel(1, 1)[3], 0x80);
}

TEST(BmpDecoder, RejectsDamagedAndUnsupportedFiles) {
  const Bytes good = MakeBmp24(16, 16, Pattern);
  auto patched = [&](size_t at, std::initializer_list<uint8_t> bytes) {
    Bytes b = good;
    size_t i = at;
    for (uint8_t v : bytes) b[i++] = v;
    return b;
  };
  const std::pair<const char*, Bytes> cases[] = {
      {"empty", {}},
      {"not BM", patched(0, {'M', 'B'})},
      {"cut in the pixels", Bytes(good.begin(), good.end() - 10)},
      {"cut in the header", Bytes(good.begin(), good.begin() + 30)},
      {"zero width", patched(18, {0, 0, 0, 0})},
      {"huge width", patched(18, {0, 0, 0, 0x40})},
      {"huge height", patched(22, {0, 0, 0, 0x40})},
      {"too many pixels", patched(18, {0, 0x40, 0, 0})},
      {"16 bits", patched(28, {16, 0})},
      {"RLE compression", patched(30, {1, 0, 0, 0})},
      {"pixels past the end", patched(10, {0xF0, 0xFF, 0xFF, 0xFF})},
      {"header size 20", patched(14, {20, 0, 0, 0})},
  };
  for (const auto& [what, bytes] : cases) EXPECT_FALSE(DecodeBmp(bytes.data(), bytes.size())) << what;

  Bytes palette = MakeBmpIndexed(4, 4, 8, {1, 2, 3});
  palette[46] = 0x01;
  palette[47] = 0x01; // 257 palette entries
  EXPECT_FALSE(DecodeBmp(palette.data(), palette.size()));
}

TEST(JpegDecoder, RejectsWhatIsNotAWholePicture) {
  const Bytes good = MakeJpeg(32, 16, 0x808080);
  auto s = DecodeJpeg(good.data(), good.size());
  ASSERT_TRUE(s);
  EXPECT_EQ(s->Width(), 32);
  EXPECT_EQ(s->BitsPerPixel(), 24);
  for (size_t keep : {size_t{0}, size_t{2}, size_t{100}, good.size() - 2})
    EXPECT_FALSE(DecodeJpeg(good.data(), keep)) << keep;
  Bytes noise = good;
  for (size_t i = 200; i < noise.size() - 2; ++i) noise[i] = static_cast<uint8_t>(i * 31);
  EXPECT_FALSE(DecodeJpeg(noise.data(), noise.size()));
}

TEST(JpegDecoder, ReleasesTheDecompressorWhenNoStoreCanBeMade) {
  // The leak this guards against shows under AddressSanitizer's leak check.
  const Bytes picture = MakeJpeg(77, 9, 0x808080);
  {
    FailingSurfaceFactory factory(77);
    EXPECT_THROW(DecodeJpeg(picture.data(), picture.size()), EOutOfMemory);
  }
  auto s = DecodeJpeg(picture.data(), picture.size());
  ASSERT_TRUE(s);
  EXPECT_EQ(s->Width(), 77);
}

TsMaskData Mask(const char* section, const char* key, TacImgType type = itisaBorder) {
  TsMaskData m;
  m.ClassName = section;
  m.PropertyName = key;
  m.ImgType = type;
  return m;
}

TEST(SkinTables, LookupsWithParents) {
  TsSkinTables t;
  t.SectionTable.resize(4);
  t.SectionTable[0].ClassName = "BASE";
  t.SectionTable[1].ClassName = "MID";
  t.SectionTable[1].ParentClass = "BASE";
  t.SectionTable[2].ClassName = "TOP";
  t.SectionTable[2].ParentClass = "MID";
  t.SectionTable[3].ClassName = "BASE"; // a second BASE is never found
  t.MaskTable.push_back(Mask("BASE", "BORDERSMASK"));
  t.MaskTable.push_back(Mask("MID", "PATTERN", itisaBorder));
  t.MaskTable.push_back(Mask("BASE", "PATTERN", itisaTexture));
  t.MaskTable.push_back(Mask("TOP", "BORDERSMASK"));
  t.PatternTable.push_back({nullptr, "BASE", "HOTPATTERN"});

  EXPECT_EQ(t.SectionIndex("BASE"), 0);
  EXPECT_EQ(t.SectionIndex("base"), -1);
  EXPECT_EQ(t.SectionIndex(""), -1);
  EXPECT_EQ(t.MaskIndex(2, "TOP", "BORDERSMASK"), 3);    // own first
  EXPECT_EQ(t.MaskIndex(1, "MID", "BORDERSMASK"), 0);    // parent's
  EXPECT_EQ(t.MaskIndex(2, "TOP", "PATTERN"), 1);        // nearest in the chain
  EXPECT_EQ(t.TextureIndex(2, "TOP", "PATTERN"), 2);     // only textures count
  EXPECT_EQ(t.PatternIndex(2, "TOP", "HOTPATTERN"), 0);
  EXPECT_EQ(t.MaskIndexByName("MID", "BORDERSMASK"), -1);
  EXPECT_EQ(t.MaskIndex(-1, "TOP", "BORDERSMASK"), -1);
  EXPECT_EQ(t.MaskIndex(2, "", "BORDERSMASK"), -1);
  EXPECT_EQ(t.MaskIndex(2, "TOP", "NONE"), -1);

  // A loop through two sections ends instead of recursing.
  t.SectionTable[0].ParentClass = "TOP";
  EXPECT_EQ(t.MaskIndex(1, "MID", "GLYPHMASK"), -1);
  EXPECT_EQ(t.PatternIndex(1, "MID", "GLYPH"), -1);

  TsSkinTables empty;
  EXPECT_EQ(empty.TextureIndex(0, "A", "B"), -1);
  EXPECT_EQ(empty.PatternIndex(0, "A", "B"), -1);
  EXPECT_FALSE(empty.IsSectionIndexValid(0));
  EXPECT_FALSE(t.IsMaskIndexValid(4));
  EXPECT_TRUE(t.IsMaskIndexValid(3));
}

TEST(SkinTables, FrameSizesAndBorders) {
  TsSkinTables t;
  for (int i = 0; i < 4; ++i) {
    TsMaskData m = Mask("A", "B");
    m.R = {10, 10, 46, 34}; // 36 x 24
    m.ImageCount = 3;
    m.MaskType = 1;
    t.MaskTable.push_back(std::move(m));
  }
  t.MaskTable[1].WL = 7;
  t.MaskTable[1].WB = 2;
  t.MaskTable[1].BorderWidth = 5;
  t.MaskTable[2].ImageCount = 0;
  t.MaskTable[3].Bmp = NewSurface(30, 20, 24);

  struct Expect {
    TsSize frame;
    int left, top, right, bottom;
  };
  const Expect expected[] = {
      {{12, 12}, 4, 4, 4, 4},
      {{12, 12}, 7, 5, 5, 2},
      {{36, 12}, 12, 4, 12, 4}, // no frames count as one
      {{10, 10}, 4, 4, 4, 4},   // a third and a half of the own bitmap
  };
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(t.MaskFrameSize(i), expected[i].frame);
    EXPECT_EQ(t.MaskBorderLeft(i), expected[i].left);
    EXPECT_EQ(t.MaskBorderTop(i), expected[i].top);
    EXPECT_EQ(t.MaskBorderRight(i), expected[i].right);
    EXPECT_EQ(t.MaskBorderBottom(i), expected[i].bottom);
  }
  EXPECT_EQ(t.MaskFrameSize(-1), TsSize{});
  EXPECT_EQ(t.MaskBorderLeft(99), 0);
}

} // namespace
