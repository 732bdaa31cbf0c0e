#include "skin/data/sStoredSkins.h"

#include <algorithm>

#include "skin/data/acImages.h"
#include "skin/data/sSkinOptions.h"
#include "skin/data/sSkinStrings.h"

TsStoredSkin& TsStoredSkins::Add(TsStoredSkin skin) { return items_.emplace_back(std::move(skin)); }

const TsStoredSkin* TsStoredSkins::Find(const String& name) const {
  for (const TsStoredSkin& skin : items_)
    if (skin.Name == name) return &skin;
  return nullptr;
}

const TsStoredSkin* TsStoredSkins::First() const { return items_.empty() ? nullptr : &items_.front(); }

namespace {

// A 24-bit copy the tables will own, or null for a missing or empty picture.
std::unique_ptr<TSurface> Copy24(const TsStoredPicture& picture) {
  return picture ? CopySurface(*picture, 24) : nullptr;
}

// "text left top right bottom"; any other number of words gives text colour 0 and no
// contours.
TsFontColors FontColorsOf(std::string_view text) {
  std::vector<std::string_view> words;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = std::min(text.find_first_of(" \t", start), text.size());
    if (end > start) words.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  TsFontColors colors = {0, -1, -1, -1, -1};
  if (words.size() != colors.size()) return colors;
  for (size_t i = 0; i < colors.size(); ++i) colors[i] = SkinStrToInt(words[i]);
  return colors;
}

void LoadMasks(const TsStoredSkin& skin, TsSkinTables& tables, TsSkinManager* manager) {
  tables.MasterBitmap = Copy24(skin.MasterBitmap);
  tables.MaskTable.clear();
  for (const TsSkinImage& item : skin.Images) {
    TsMaskData m;
    if (!item.Name.empty()) {
      m.Bmp = Copy24(item.Image);
      if (!m.Bmp) continue;
      m.R = {0, 0, m.Bmp->Width(), m.Bmp->Height()};
    } else {
      m.R = {item.Left, item.Top, item.Right, item.Bottom};
    }
    m.ClassName = UpperCase(item.SectionName);
    m.PropertyName = UpperCase(item.PropertyName);
    m.Manager = manager;
    m.ImageCount = item.ImageCount;
    m.MaskType = item.MaskType;
    if (m.ImageCount == 0) {
      m.ImageCount = 3;
      m.MaskType = 1;
    }
    m.BorderWidth = item.BorderWidth;
    m.WL = item.WL;
    m.WT = item.WT;
    m.WR = item.WR;
    m.WB = item.WB;
    if (m.PropertyName == "PATTERN" || m.PropertyName == "HOTPATTERN") {
      m.ImgType = itisaTexture;
      m.DrawMode = item.ImgType == itisaTexture ? item.StretchMode : 0;
    } else {
      m.ImgType = item.ImgType;
      m.DrawMode = item.StretchMode;
    }
    CompleteMaskBorders(m);
    tables.MaskTable.push_back(std::move(m));
  }
}

void LoadPatterns(const TsStoredSkin& skin, TsSkinTables& tables) {
  tables.PatternTable.clear();
  for (const TsSkinPattern& item : skin.Patterns) {
    const TsStoredPicture* picture = item.Image ? &item.Image : nullptr;
    for (auto other = skin.Patterns.begin(); !picture && other != skin.Patterns.end(); ++other)
      if (other->Name == item.Name && other->Image) picture = &other->Image;
    TsPatternData p;
    p.Img = picture ? Copy24(*picture) : nullptr;
    if (!p.Img) continue;
    p.ClassName = UpperCase(item.SectionName);
    p.PropertyName = UpperCase(item.PropertyName);
    tables.PatternTable.push_back(std::move(p));
  }
}

TsGeneralData SectionOf(const TsSkinGeneral& g) {
  TsGeneralData d;
  d.ParentClass = g.ParentClass;
  d.ClassName = g.SectionName;
  d.Color = SkinColorToRGB(g.Color);
  d.Bevel = g.Bevel;
  d.FontColor = FontColorsOf(g.FontColor);
  d.HotFontColor = FontColorsOf(g.HotFontColor);
  d.ReservedBoolean = g.ReservedBoolean;
  d.ShadowBlur = g.ShadowBlur;
  d.ShadowColor = g.ShadowColor;
  d.ShadowEnabled = g.ShadowEnabled;
  d.ShadowOffset = g.ShadowOffset;
  d.ShadowTransparency = g.ShadowTransparency;
  d.Transparency = g.Transparency;
  d.GradientPercent = g.GradientPercent;
  d.GradientData = g.GradientData;
  if (d.GradientData != " ") d.GradientArray = ParseGradient(d.GradientData);
  d.ImagePercent = g.ImagePercent;
  d.ShowFocus = g.ShowFocus;
  d.FadingEnabled = g.FadingEnabled;
  d.FadingIntervalIn = g.FadingIntervalIn;
  d.FadingIntervalOut = g.FadingIntervalOut;
  d.FadingIterations = g.FadingIterations;
  d.HotColor = g.HotColor;
  d.HotTransparency = g.HotTransparency;
  d.HotBevel = g.HotBevel;
  d.HotGradientPercent = g.HotGradientPercent;
  d.HotGradientData = g.HotGradientData;
  d.HotGradientArray = ParseGradient(d.HotGradientData);
  d.HotImagePercent = g.HotImagePercent;
  d.BorderColor1 = g.BorderColor1;
  d.BorderColor2 = g.BorderColor2;
  return d;
}

void LoadSections(const TsStoredSkin& skin, TsSkinTables& tables) {
  tables.SectionTable.clear();
  for (const TsSkinGeneral& g : skin.GeneralData) tables.SectionTable.push_back(SectionOf(g));

  TsSkinData& info = tables.GlobalInfo;
  const String skinPath = info.SkinPath;
  info = TsSkinData{};
  info.SkinPath = skinPath;
  info.Version = skin.Version;
  info.Author = skin.Author;
  info.Description = skin.Description;
  info.Shadow1Color = skin.Shadow1Color;
  info.Shadow1Offset = skin.Shadow1Offset;
  info.Shadow1Blur = skin.Shadow1Blur;
  info.Shadow1Transparency = skin.Shadow1Transparency;
  info.BorderColor = skin.BorderColor;
}

}  // namespace

void LoadStoredSkinCollections(const TsStoredSkin& skin, TsSkinTables& tables, TsSkinManager* manager,
                               const std::vector<std::string>& commonSections) {
  try {
    tables.PatternTable.clear();  // the previous skin's pictures go before the new ones come
    LoadMasks(skin, tables, manager);
    AppendCommonMasks(commonSections, tables, manager);
    LoadPatterns(skin, tables);
    AppendCommonPictures(commonSections, tables);
    LoadSections(skin, tables);
    AppendCommonSections(commonSections, tables);
  } catch (...) {
    tables.Clear();
    throw;
  }
}
