// The skin tables: what the options loader builds from a skin and what every painter and
// control reads.
//
// `TsSkinTables` is a plain object: the section table (one `TsGeneralData` per section of
// the options text, in file order), the mask table (one `TsMaskData` per image reference),
// the pattern table (large JPEG pictures), the master bitmap and the skin-wide values of
// "GLOBALINFO". It owns every bitmap and string it holds. It does not find, unpack or
// announce skins, and it applies no colour effects: that is the skin manager's job, and
// the manager owns one of these.
//
// Names are kept as written and searched case-sensitively; callers ask in capitals.
// Indexes are plain ints, -1 meaning none. No lookup raises.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Colors.h"
#include "framework/Surface.h"
#include "framework/SysUtils.h"

class TsSkinManager;

// The framework's colour: COLORREF order (0x00BBGGRR); values with the top byte set are
// system colours until `SkinColorToRGB` turns them into plain RGB.
using TsColor = TColor;

// Fuchsia: marks "no pixel" in skin images and "unset" in colour variables.
constexpr TsColor kSkinKeyColor = clFuchsia;

// Plain RGB for a colour; system colours (negative values, index in the low byte) are
// resolved through the platform's system palette. Other values pass unchanged.
TsColor SkinColorToRGB(TsColor color);

// Framework system colour values used by the tables' fallbacks.
constexpr TsColor kclBtnFace = SystemColor(15); // COLOR_BTNFACE
constexpr TsColor kclWindow = SystemColor(5);   // COLOR_WINDOW

struct TsRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;  // exclusive
  int32_t Bottom = 0; // exclusive

  int32_t Width() const { return Right - Left; }
  int32_t Height() const { return Bottom - Top; }
  bool operator==(const TsRect&) const = default;
};

struct TsSize {
  int32_t Width = 0;
  int32_t Height = 0;
  bool operator==(const TsSize&) const = default;
};

enum TsControlBevel : uint8_t {
  cbNone = 0,
  cbRaisedSoft = 1,
  cbLoweredSoft = 2,
  cbRaisedHard = 3,
  cbLoweredHard = 4,
};

enum TacImgType : uint8_t {
  itisaBorder = 0,
  itisaTexture = 1,
  itisaGlyph = 2,
};

// One step of a gradient: runs from Color1 to Color2 over Percent of the control's extent.
struct TsGradientStep {
  TsColor Color1 = 0;
  TsColor Color2 = 0;
  int8_t Percent = 0; // capped at 100; negative values are kept (saturating at -128)
  int32_t Mode = 0;   // direction code; painters use the first step's
  bool operator==(const TsGradientStep&) const = default;
};
using TsGradArray = std::vector<TsGradientStep>;

// Text colour and the four contour colours (left, top, right, bottom; -1 for none).
using TsFontColors = std::array<TsColor, 5>;

// Values of one section, after inheritance and defaults.
struct TsGeneralData {
  std::string ParentClass;
  std::string ClassName;
  TsColor Color = 16777215;
  TsControlBevel Bevel = cbNone;
  TsFontColors FontColor = {0, -1, -1, -1, -1};
  TsFontColors HotFontColor = {0, -1, -1, -1, -1};
  bool ReservedBoolean = false;
  int32_t ShadowBlur = 6;
  TsColor ShadowColor = 0;
  bool ShadowEnabled = false;
  int32_t ShadowOffset = 3;
  int32_t ShadowTransparency = 50;
  int32_t Transparency = 0;
  int32_t GradientPercent = 0;
  std::string GradientData = " ";
  TsGradArray GradientArray;
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
  TsGradArray HotGradientArray;
  int32_t HotImagePercent = 0;
  TsColor BorderColor1 = 0;
  TsColor BorderColor2 = 0;
};
using TsGeneralDataArray = std::vector<TsGeneralData>;

// One image reference of a section.
struct TsMaskData {
  // The image of its own (24 bits after loading, textures may keep 32), or null when the
  // image lies in the master bitmap. Owned.
  std::unique_ptr<TSurface> Bmp;
  std::string ClassName;
  std::string PropertyName;
  TsRect R;                 // area in `Bmp` or in the master bitmap
  int16_t ImageCount = 0;   // state frames side by side
  int16_t MaskType = 0;     // 0: no mask; n: n mask rows below the image row
  int16_t BorderWidth = 0;  // common border width, 0 when given separately
  int16_t DrawMode = 0;     // how the centre and sides are filled
  TacImgType ImgType = itisaBorder;
  TsSkinManager* Manager = nullptr; // not owned
  int16_t WL = 0;
  int16_t WT = 0;
  int16_t WR = 0;
  int16_t WB = 0;
};
using TsMaskArray = std::vector<TsMaskData>;

// A large picture of a section, tiled or stretched by painters.
struct TsPatternData {
  std::unique_ptr<TSurface> Img; // owned
  std::string ClassName;         // in capitals
  std::string PropertyName;      // in capitals
};
using TsPatternArray = std::vector<TsPatternData>;

// Skin-wide values of "GLOBALINFO".
struct TsSkinData {
  String SkinPath; // folder of a skin folder, with a trailing delimiter; empty for packages
  bool Active = false;
  double Version = 0;
  std::string Author;
  std::string Description;
  TsColor Shadow1Color = 0;
  int32_t Shadow1Offset = 0;
  int32_t Shadow1Blur = -1;
  int32_t Shadow1Transparency = 0;
  TsColor BorderColor = 0;
  int32_t BISpacing = 0;
};

class TsSkinTables {
public:
  TsGeneralDataArray SectionTable;
  TsMaskArray MaskTable;
  TsPatternArray PatternTable;
  // The master bitmap (24 bits, fuchsia transparent), or null. Owned.
  std::unique_ptr<TSurface> MasterBitmap;
  TsSkinData GlobalInfo;

  // Empties every table and frees every bitmap.
  void Clear();

  // First section whose ClassName equals `name` exactly; -1 when none.
  int SectionIndex(std::string_view name) const;
  // First mask of (section, key); when none, retries with the section's ParentClass up
  // the chain (a chain that loops is cut). -1 for a negative index or empty name.
  int MaskIndex(int sectionIndex, std::string_view sectionName, std::string_view key) const;
  // As MaskIndex, only textures are candidates.
  int TextureIndex(int sectionIndex, std::string_view sectionName, std::string_view key) const;
  // As MaskIndex, over the pattern table.
  int PatternIndex(int sectionIndex, std::string_view sectionName, std::string_view key) const;
  // First mask of (section, key) without parent fallback.
  int MaskIndexByName(std::string_view sectionName, std::string_view key) const;

  bool IsSectionIndexValid(int i) const;
  bool IsMaskIndexValid(int i) const;

  // One frame of mask i: a third of the width and half the height of an own bitmap, else
  // R's width per ImageCount and height per MaskType + 1. Zero for an invalid index.
  TsSize MaskFrameSize(int i) const;
  // Border widths of mask i: the given width when above 0, else BorderWidth when above 0,
  // else computed from R and the frame counts. Zero for an invalid index.
  int MaskBorderLeft(int i) const;
  int MaskBorderTop(int i) const;
  int MaskBorderRight(int i) const;
  int MaskBorderBottom(int i) const;

  // "GLOBALINFO" Color as RGB, or the platform's button face without that section.
  TsColor GlobalColor() const;
  // "GLOBALINFO" text colour as RGB, or fuchsia (none) without that section.
  TsColor GlobalFontColor() const;
  // "GLOBALINFO" HotColor as RGB, or the platform's window colour without that section.
  TsColor GlobalHotColor() const;

private:
  template <typename Match>
  int IndexWithParents(int sectionIndex, std::string_view sectionName, std::string_view key,
                       Match match) const;
};
