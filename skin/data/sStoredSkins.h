// Skins stored in the program: `TsStoredSkin` and the collection `TsStoredSkins`.
//
// A stored skin holds either the bytes of a skin package (`Data`, unpacked like a package
// file) or, when `Data` is empty, the skin in an older unpacked form: section values
// (`GeneralData`), one item per mask (`Images`) and per picture (`Patterns`), a master
// bitmap and the skin-wide values. `LoadStoredSkinCollections` turns that form into skin
// tables; unpacking `Data` is the package reader's job and finding skins the manager's.
//
// Pictures are shared, immutable surfaces, so copying a stored skin or a whole collection
// is cheap and never aliases anything the tables own: loading copies every picture.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "skin/data/sSkinTables.h"

using TsStoredPicture = std::shared_ptr<const TSurface>;

// The values of one section, under the names of the section record. `FontColor` and
// `HotFontColor` are texts of five integers separated by blanks: text colour, then the
// left, top, right and bottom contour colours (-1 for none).
struct TsSkinGeneral {
  std::string SectionName;
  std::string ParentClass;
  TsColor Color = 16777215;
  TsControlBevel Bevel = cbNone;
  std::string FontColor;
  std::string HotFontColor;
  bool ReservedBoolean = false;
  int32_t ShadowBlur = 6;
  TsColor ShadowColor = 0;
  bool ShadowEnabled = false;
  int32_t ShadowOffset = 3;
  int32_t ShadowTransparency = 50;
  int32_t Transparency = 0;
  int32_t GradientPercent = 0;
  std::string GradientData = " ";
  int32_t ImagePercent = 0;
  bool ShowFocus = false;
  bool FadingEnabled = false;
  int32_t FadingIntervalIn = 5;
  int32_t FadingIntervalOut = 5;
  int32_t FadingIterations = 5;
  TsColor HotColor = 16777215;
  int32_t HotTransparency = 0;
  TsControlBevel HotBevel = cbNone;
  int32_t HotGradientPercent = 0;
  std::string HotGradientData;
  int32_t HotImagePercent = 0;
  TsColor BorderColor1 = 0;
  TsColor BorderColor2 = 0;
};
using TsSkinGenerals = std::vector<TsSkinGeneral>;

// One mask: a picture of its own when `Name` is set, else (Left, Top, Right, Bottom) of
// the master bitmap. `StretchMode` is the mask's DrawMode.
struct TsSkinImage {
  std::string Name;
  TsStoredPicture Image;
  std::string SectionName;
  std::string PropertyName;
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  int16_t ImageCount = 0;
  int16_t MaskType = 0;
  int16_t BorderWidth = 0;
  int16_t StretchMode = 0;
  TacImgType ImgType = itisaBorder;
  int16_t WL = 0;
  int16_t WT = 0;
  int16_t WR = 0;
  int16_t WB = 0;
};
using TsSkinImages = std::vector<TsSkinImage>;

// One large picture. Items of the same `Name` may leave `Image` empty and share the
// picture of the first one that has it.
struct TsSkinPattern {
  std::string Name;
  TsStoredPicture Image;
  std::string SectionName;
  std::string PropertyName;
};
using TsSkinPatterns = std::vector<TsSkinPattern>;

struct TsStoredSkin {
  String Name;
  TsSkinGenerals GeneralData;
  TsSkinImages Images;
  TsSkinPatterns Patterns;
  TsStoredPicture MasterBitmap;
  TsColor Shadow1Color = 0;
  int32_t Shadow1Offset = 0;
  int32_t Shadow1Blur = -1;
  int32_t Shadow1Transparency = 0;
  TsColor BorderColor = 16711935;
  double Version = 0;
  std::string Author;
  std::string Description;
  std::vector<uint8_t> Data;  // the bytes of a skin package, or empty
};

// The skins stored in the program, in order.
class TsStoredSkins {
public:
  TsStoredSkin& Add(TsStoredSkin skin = {});
  int Count() const { return static_cast<int>(items_.size()); }
  bool Empty() const { return items_.empty(); }
  const TsStoredSkin& operator[](int i) const { return items_[static_cast<size_t>(i)]; }
  TsStoredSkin& operator[](int i) { return items_[static_cast<size_t>(i)]; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  // The first skin whose Name equals `name` exactly, or null. Owned by the collection.
  const TsStoredSkin* Find(const String& name) const;
  // The first skin, or null when there is none. Owned by the collection.
  const TsStoredSkin* First() const;

private:
  std::vector<TsStoredSkin> items_;
};

// Fills `tables` from the collections of `skin` (whose Data is empty), each pass followed
// by its share of `commonSections` as LoadSkinOptions does it:
//  - master bitmap: a 24-bit copy of the skin's, when it has one;
//  - masks, one per image item in order: names in capitals; an item with a Name brings a
//    24-bit copy of its picture, R its whole area (an item whose picture is missing is
//    skipped); one without a Name refers to its rectangle of the master bitmap; frame
//    counts and border widths copied, an ImageCount of 0 becoming 3 with MaskType 1;
//    under "PATTERN" and "HOTPATTERN" a texture drawn by StretchMode when the item is a
//    texture, else by mode 0; border widths completed as the options loader does;
//  - patterns, one per pattern item with a copy of its picture (or of the first picture
//    of its Name), names in capitals; an item with no picture to take is skipped;
//  - sections, one per general item in order, without inheritance; a font colour text of
//    any other number of words than five gives text colour 0 and no contours;
//  - skin-wide values from the stored skin; `GlobalInfo.SkinPath` is kept.
// Raises EConvertError "'%s' is not a valid integer value" for a word of a font colour or
// gradient text that is not an integer; the tables are emptied when a load is aborted.
// `manager` (not owned) is stored in every mask.
void LoadStoredSkinCollections(const TsStoredSkin& skin, TsSkinTables& tables, TsSkinManager* manager = nullptr,
                               const std::vector<std::string>& commonSections = {});
