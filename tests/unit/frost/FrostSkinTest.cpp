// The built-in skin "Frost (internal)" and the Ember test skin, as the loader and
// `equidiv-skin info` see them: the skin-wide values and inherited sections the program
// relies on, and pictures that fit every image reference of both skins.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "framework/Streams.h"
#include "framework/SysUtils.h"
#include "skin/data/sSkinOptions.h"
#include "skin/data/sSkinStrings.h"
#include "skin/data/sSkinTables.h"

namespace {

using nlohmann::json;

std::string ReadText(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

const json& FrostInfo() {
  static const json info = json::parse(ReadText(FROST_INFO_JSON));
  return info;
}

const json& SectionOf(const json& info, const std::string& name) {
  for (const json& s : info["sections"])
    if (s["ClassName"] == name) return s;
  static const json none;
  ADD_FAILURE() << "no section " << name;
  return none;
}

std::vector<json> MasksOf(const json& info, const std::string& section) {
  std::vector<json> found;
  for (const json& m : info["masks"])
    if (m["ClassName"] == section) found.push_back(m);
  return found;
}

TsSkinTables LoadFrost() {
  TsSkinTables tables;
  TFileStream file(Utf8ToString(FROST_PACKAGE), fmOpenRead | fmShareDenyWrite);
  TMemoryStream package;
  package.LoadFromStream(file);
  EXPECT_TRUE(LoadSkinPackage(package, tables));
  return tables;
}

TsSkinTables LoadEmber() {
  TsSkinTables tables;
  EXPECT_TRUE(LoadSkinFolder(Utf8ToString(EMBER_FOLDER), tables));
  return tables;
}

// The values of an options text that name an image: the notations the loader takes as
// references (other than the master bitmap itself), as "SECTION/KEY".
std::multiset<std::string> ImageKeysOf(const std::string& options) {
  std::multiset<std::string> keys;
  std::istringstream lines(options);
  std::string line, section;
  while (std::getline(lines, line)) {
    const std::string_view text = TrimText(line);
    if (text.empty() || text[0] == ';') continue;
    if (text.front() == '[' && text.back() == ']') {
      section = std::string(TrimText(text.substr(1, text.size() - 2)));
      continue;
    }
    const size_t eq = text.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string key(TrimText(text.substr(0, eq)));
    const std::string value = UpperCase(TrimText(text.substr(eq + 1)));
    if (key == "MASTERBITMAP" || value.empty()) continue;
    const bool fixed = value[0] == '@' || value[0] == '^' || value[0] == '~' || value[0] == '!';
    const bool file = value.find(".BMP") != std::string::npos || value.find(".JPG") != std::string::npos;
    if (fixed || file || (value.find('#') != std::string::npos && value != "#")) keys.insert(section + "/" + key);
  }
  return keys;
}

bool IsKey(const TSurfaceView& v, int x, int y) {
  const uint8_t* p = v.Pixel(x, y);
  return p[0] == 255 && p[1] == 0 && p[2] == 255; // BGR(A) fuchsia
}

// Everything wrong with one mask's picture, as readable lines (empty when it fits).
std::vector<std::string> ProblemsOf(const TsSkinTables& tables, const TsMaskData& m) {
  std::vector<std::string> problems;
  auto fail = [&](const std::string& what) { problems.push_back(m.ClassName + "/" + m.PropertyName + ": " + what); };
  const TSurface* source = m.Bmp ? m.Bmp.get() : tables.MasterBitmap.get();
  if (!source || source->View().Empty()) {
    fail("no bitmap");
    return problems;
  }
  if (m.ImgType == itisaTexture && m.Bmp && m.R.Width() == 0 && m.R.Height() == 0) return problems; // a JPEG texture
  const TsRect& r = m.R;
  if (r.Left < 0 || r.Top < 0 || r.Right > source->Width() || r.Bottom > source->Height() || r.Width() <= 0 ||
      r.Height() <= 0) {
    fail("rectangle outside its " + std::to_string(source->Width()) + "x" + std::to_string(source->Height()) +
         " bitmap");
    return problems;
  }
  if (m.ImageCount < 1 || r.Width() % m.ImageCount != 0) fail("width does not split into its frames");
  if (r.Height() % (m.MaskType + 1) != 0) fail("height does not split into image and mask rows");
  if (!problems.empty()) return problems;
  const int fw = r.Width() / m.ImageCount;
  const int fh = r.Height() / (m.MaskType + 1);
  const TSurfaceView& v = source->View();

  for (int frame = 0; frame < m.ImageCount; ++frame) {
    const int x0 = r.Left + frame * fw;
    bool drawn = false;
    for (int y = 0; y < fh && !drawn; ++y)
      for (int x = 0; x < fw && !drawn; ++x) drawn = !IsKey(v, x0 + x, r.Top + y);
    if (!drawn) fail("frame " + std::to_string(frame) + " is empty");
  }
  if (m.ImgType != itisaBorder) return problems;

  if (m.WL + m.WR > fw || m.WT + m.WB > fh) fail("borders wider than a frame");
  // Key pixels of a border belong in its outer corners only: on an edge or in the centre
  // they would be copied as fuchsia, and at a corner piece's inner pixel they would
  // punch a hole into a window region.
  for (int frame = 0; frame < m.ImageCount; ++frame) {
    const int x0 = r.Left + frame * fw;
    for (int y = 0; y < fh; ++y)
      for (int x = 0; x < fw; ++x) {
        if (!IsKey(v, x0 + x, r.Top + y)) continue;
        const bool left = x < m.WL, right = x >= fw - m.WR, top = y < m.WT, bottom = y >= fh - m.WB;
        const bool inCorner = (left || right) && (top || bottom);
        const int cw = left ? m.WL : m.WR, ch = top ? m.WT : m.WB;
        const bool inner = cw >= 2 && ch >= 2 && x == (left ? m.WL - 1 : fw - m.WR) &&
                           y == (top ? m.WT - 1 : fh - m.WB);
        if (!inCorner || inner) {
          fail("key pixel at (" + std::to_string(x) + ", " + std::to_string(y) + ") of frame " +
               std::to_string(frame));
          return problems;
        }
      }
  }
  return problems;
}

TEST(FrostSkinInfo, SkinWideValuesAndSectionOrder) {
  const json& info = FrostInfo();
  const json& g = info["global"];
  EXPECT_DOUBLE_EQ(g["Version"].get<double>(), 5.4);
  EXPECT_EQ(g["Shadow1Color"], 7496537);
  EXPECT_EQ(g["Shadow1Offset"], 1);
  EXPECT_EQ(g["Shadow1Blur"], 5);
  EXPECT_EQ(g["BorderColor"], 13088682);
  EXPECT_EQ(g["MasterBitmap"], json({{"Width", 281}, {"Height", 116}, {"BitsPerPixel", 24}}));

  const std::vector<std::string> order = {
      "GLOBALINFO", "DIVIDER", "EDIT", "TABCONTROLBOTTOM", "TABCONTROLLEFT", "TABCONTROLRIGHT", "TABBOTTOM",
      "TRACKBAR", "TABLEFT", "TABRIGHT", "SKINEDIT", "BARPANEL", "BUTTON", "SCROLLBTNLEFT", "SCROLLBTNRIGHT",
      "SCROLLBTNTOP", "SCROLLBTNBOTTOM", "SCROLLBAR1V", "SCROLLSLIDERH", "SCROLLSLIDERV", "SCROLLBAR2V",
      "SCROLLBAR2H", "SCROLLBAR1H", "PANEL", "PROGRESSV", "GAUGE", "GROUPBOX", "CHECKBOX", "DRAGBAR", "MENUITEM",
      "RADIOBUTTON", "SPEEDBUTTON", "SPEEDBUTTON_SMALL", "STATUSBAR", "TOOLBUTTON", "WEBBUTTON", "TABTOP",
      "PAGECONTROL", "PAGECONTROLBOTTOM", "PAGECONTROLLEFT", "PAGECONTROLRIGHT", "BAR", "PROGRESSH", "TABCONTROL",
      "MENULINE", "BUTTON_BIG", "COLHEADER", "FORMTITLE", "SPLITTER", "MAINMENU", "ICOLINE", "EXTRALINE", "DIALOG",
      "PANEL_LOW", "GRIPH", "BARTITLE", "FORM", "HINT", "BUTTON_HUGE", "TOOLBAR", "COMBOBOX", "SKINCOMBOBOX"};
  std::vector<std::string> names;
  for (const json& s : info["sections"]) names.push_back(s["ClassName"]);
  EXPECT_EQ(names.size(), 62u);
  EXPECT_EQ(names, order);

  const json& global = info["sections"][0];
  EXPECT_EQ(global["Color"], 15591641);
  EXPECT_EQ(global["HotColor"], 16777215);
  EXPECT_EQ(global["FontColor"][0], 5059883);
  EXPECT_EQ(g["GlobalColor"], 15591641);
}

TEST(FrostSkinInfo, ButtonBorderMaskHasFourPixelBorders) {
  const std::vector<json> masks = MasksOf(FrostInfo(), "BUTTON");
  ASSERT_EQ(masks.size(), 1u);
  const json& m = masks[0];
  EXPECT_EQ(m["PropertyName"], "BORDERSMASK");
  EXPECT_EQ(m["R"], json({177, 72, 213, 96}));
  EXPECT_EQ(m["ImageCount"], 3);
  EXPECT_EQ(m["MaskType"], 1);
  EXPECT_EQ(m["DrawMode"], 4);
  EXPECT_EQ(m["BorderWidth"], 0);
  for (const char* side : {"WL", "WR", "WT", "WB"}) EXPECT_EQ(m[side], 4) << side;
  EXPECT_EQ(m["HasBmp"], false);
}

TEST(FrostSkinInfo, TabControlBottomTakesEverythingFromPageControlBottom) {
  const json& info = FrostInfo();
  const json& tab = SectionOf(info, "TABCONTROLBOTTOM");
  const json& page = SectionOf(info, "PAGECONTROLBOTTOM");
  EXPECT_EQ(tab["ParentClass"], "PAGECONTROLBOTTOM");
  EXPECT_EQ(tab["Color"], 16184300);
  for (const auto& [field, value] : page.items()) {
    if (field == "ClassName" || field == "ParentClass" || field == "ShadowColor") continue;
    EXPECT_EQ(tab[field], value) << field;
  }
  // Its masks are the parent's, found through the parent chain; it has none of its own.
  EXPECT_TRUE(MasksOf(info, "TABCONTROLBOTTOM").empty());
  const TsSkinTables tables = LoadFrost();
  const int own = tables.MaskIndexByName("PAGECONTROLBOTTOM", "BORDERSMASK");
  ASSERT_GE(own, 0);
  EXPECT_EQ(tables.MaskIndex(tables.SectionIndex("TABCONTROLBOTTOM"), "TABCONTROLBOTTOM", "BORDERSMASK"), own);
}

// Every image reference of both skins became a mask or a pattern, and every mask's
// picture fits it.
struct SkinCase {
  const char* name;
  TsSkinTables (*load)();
  const char* options;
};

void PrintTo(const SkinCase& c, std::ostream* os) { *os << c.name; }

class SkinPictures : public testing::TestWithParam<SkinCase> {};

TEST_P(SkinPictures, EveryReferenceResolvesToAPictureThatFitsIt) {
  const TsSkinTables tables = GetParam().load();
  ASSERT_TRUE(tables.MasterBitmap);

  std::multiset<std::string> loaded;
  for (const TsMaskData& m : tables.MaskTable) loaded.insert(m.ClassName + "/" + m.PropertyName);
  for (const TsPatternData& p : tables.PatternTable) loaded.insert(p.ClassName + "/" + p.PropertyName);
  EXPECT_EQ(loaded, ImageKeysOf(ReadText(GetParam().options)));

  std::vector<std::string> problems;
  for (const TsMaskData& m : tables.MaskTable)
    for (std::string& p : ProblemsOf(tables, m)) problems.push_back(std::move(p));
  EXPECT_TRUE(problems.empty()) << testing::PrintToString(problems);
}

INSTANTIATE_TEST_SUITE_P(BothSkins, SkinPictures,
                         testing::Values(SkinCase{"Frost", LoadFrost, FROST_OPTIONS},
                                         SkinCase{"Ember", LoadEmber, EMBER_OPTIONS}),
                         [](const testing::TestParamInfo<SkinCase>& c) { return std::string(c.param.name); });

TEST(EmberSkin, PicturesFilesAndOwnBitmaps) {
  const TsSkinTables tables = LoadEmber();
  // The large JPEG is a pattern, the small one a texture mask, "!" references own their
  // bitmaps, and given border widths are kept.
  ASSERT_EQ(tables.PatternTable.size(), 1u);
  EXPECT_EQ(tables.PatternTable[0].ClassName, "FORM");
  EXPECT_EQ(tables.PatternTable[0].Img->Width() * tables.PatternTable[0].Img->Height(), 320 * 300);

  const int texture = tables.TextureIndex(tables.SectionIndex("PANEL"), "PANEL", "PATTERN");
  ASSERT_GE(texture, 0);
  EXPECT_TRUE(tables.MaskTable[texture].Bmp);

  const int huge = tables.MaskIndexByName("BUTTON_HUGE", "BORDERSMASK");
  ASSERT_GE(huge, 0);
  const TsMaskData& m = tables.MaskTable[huge];
  ASSERT_TRUE(m.Bmp);
  EXPECT_EQ(m.R, (TsRect{0, 0, 288, 192}));
  EXPECT_EQ(std::vector<int>({m.WL, m.WT, m.WR, m.WB}), std::vector<int>({24, 24, 24, 24}));
  const int corner = tables.MaskIndexByName("FORM", "IMGTOPRIGHT");
  ASSERT_GE(corner, 0);
  EXPECT_EQ(tables.MaskTable[corner].ImgType, itisaGlyph);
}

} // namespace
