#include "skin/data/sSkinTables.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#endif

TsColor SkinColorToRGB(TsColor color) {
  if (color >= 0) return color;
  const int index = color & 0xFF;
#ifdef _WIN32
  return static_cast<TsColor>(GetSysColor(index));
#else
  // The classic Windows palette, so native tools and tests see the colours a default
  // Windows desktop would give.
  static constexpr TsColor kClassic[31] = {
      0xC8D0D4, 0xA56E3A, 0x6A240A, 0x808080, 0xC8D0D4, 0xFFFFFF, 0x000000, 0x000000,
      0x000000, 0xFFFFFF, 0xC8D0D4, 0xC8D0D4, 0x808080, 0x6A240A, 0xFFFFFF, 0xC8D0D4,
      0x808080, 0x808080, 0x000000, 0xC8D0D4, 0xFFFFFF, 0x404040, 0xC8D0D4, 0x000000,
      0xE1FFFF, 0xB5B5B5, 0x800000, 0xF0CAA6, 0xC0C0C0, 0xFF9933, 0xC8D0D4};
  return index < 31 ? kClassic[index] : 0;
#endif
}

void TsSkinTables::Clear() {
  SectionTable.clear();
  MaskTable.clear();
  PatternTable.clear();
  MasterBitmap.reset();
  GlobalInfo = TsSkinData{};
}

int TsSkinTables::SectionIndex(std::string_view name) const {
  for (size_t i = 0; i < SectionTable.size(); ++i)
    if (SectionTable[i].ClassName == name) return static_cast<int>(i);
  return -1;
}

// Walks from the section up its ParentClass chain, at most once per section, so a chain
// that loops ends with -1 instead of recursing forever.
template <typename Match>
int TsSkinTables::IndexWithParents(int sectionIndex, std::string_view sectionName,
                                   std::string_view key, Match match) const {
  for (size_t step = 0; step <= SectionTable.size(); ++step) {
    if (sectionIndex < 0 || sectionName.empty()) return -1;
    const int found = match(sectionName, key);
    if (found >= 0) return found;
    if (!IsSectionIndexValid(sectionIndex)) return -1;
    const std::string& parent = SectionTable[sectionIndex].ParentClass;
    if (parent.empty() || parent == sectionName) return -1;
    sectionIndex = SectionIndex(parent);
    sectionName = parent;
  }
  return -1;
}

int TsSkinTables::MaskIndex(int sectionIndex, std::string_view sectionName, std::string_view key) const {
  return IndexWithParents(sectionIndex, sectionName, key, [this](std::string_view s, std::string_view k) {
    return MaskIndexByName(s, k);
  });
}

int TsSkinTables::TextureIndex(int sectionIndex, std::string_view sectionName, std::string_view key) const {
  if (MaskTable.empty()) return -1;
  return IndexWithParents(sectionIndex, sectionName, key, [this](std::string_view s, std::string_view k) {
    for (size_t i = 0; i < MaskTable.size(); ++i) {
      const TsMaskData& m = MaskTable[i];
      if (m.ImgType == itisaTexture && m.ClassName == s && m.PropertyName == k) return static_cast<int>(i);
    }
    return -1;
  });
}

int TsSkinTables::PatternIndex(int sectionIndex, std::string_view sectionName, std::string_view key) const {
  if (PatternTable.empty()) return -1;
  return IndexWithParents(sectionIndex, sectionName, key, [this](std::string_view s, std::string_view k) {
    for (size_t i = 0; i < PatternTable.size(); ++i)
      if (PatternTable[i].ClassName == s && PatternTable[i].PropertyName == k) return static_cast<int>(i);
    return -1;
  });
}

int TsSkinTables::MaskIndexByName(std::string_view sectionName, std::string_view key) const {
  if (sectionName.empty()) return -1;
  for (size_t i = 0; i < MaskTable.size(); ++i)
    if (MaskTable[i].ClassName == sectionName && MaskTable[i].PropertyName == key) return static_cast<int>(i);
  return -1;
}

bool TsSkinTables::IsSectionIndexValid(int i) const {
  return i >= 0 && static_cast<size_t>(i) < SectionTable.size();
}

bool TsSkinTables::IsMaskIndexValid(int i) const {
  return i >= 0 && static_cast<size_t>(i) < MaskTable.size();
}

namespace {
// Frame counts below 1 would divide by zero; they count as one frame (one row).
int Frames(int16_t imageCount) { return std::max<int>(1, imageCount); }
int Rows(int16_t maskType) { return std::max<int>(1, maskType + 1); }
} // namespace

TsSize TsSkinTables::MaskFrameSize(int i) const {
  if (!IsMaskIndexValid(i)) return {};
  const TsMaskData& m = MaskTable[i];
  if (m.Bmp) return {m.Bmp->Width() / 3, m.Bmp->Height() / 2};
  return {m.R.Width() / Frames(m.ImageCount), m.R.Height() / Rows(m.MaskType)};
}

namespace {
// One border of a mask: its own width, else the common width, else a third of a frame's
// width (left and right) or height (top and bottom).
int BorderOf(const TsMaskData& m, int16_t own, bool across) {
  if (own > 0) return own;
  if (m.BorderWidth > 0) return m.BorderWidth;
  return across ? m.R.Width() / (Frames(m.ImageCount) * 3) : m.R.Height() / (Rows(m.MaskType) * 3);
}
} // namespace

int TsSkinTables::MaskBorderLeft(int i) const {
  return IsMaskIndexValid(i) ? BorderOf(MaskTable[i], MaskTable[i].WL, true) : 0;
}

int TsSkinTables::MaskBorderTop(int i) const {
  return IsMaskIndexValid(i) ? BorderOf(MaskTable[i], MaskTable[i].WT, false) : 0;
}

int TsSkinTables::MaskBorderRight(int i) const {
  return IsMaskIndexValid(i) ? BorderOf(MaskTable[i], MaskTable[i].WR, true) : 0;
}

int TsSkinTables::MaskBorderBottom(int i) const {
  return IsMaskIndexValid(i) ? BorderOf(MaskTable[i], MaskTable[i].WB, false) : 0;
}

TsColor TsSkinTables::GlobalColor() const {
  const int g = SectionIndex("GLOBALINFO");
  return g < 0 ? SkinColorToRGB(kclBtnFace) : SkinColorToRGB(SectionTable[g].Color);
}

TsColor TsSkinTables::GlobalFontColor() const {
  const int g = SectionIndex("GLOBALINFO");
  return g < 0 ? kSkinKeyColor : SkinColorToRGB(SectionTable[g].FontColor[0]);
}

TsColor TsSkinTables::GlobalHotColor() const {
  const int g = SectionIndex("GLOBALINFO");
  return g < 0 ? SkinColorToRGB(kclWindow) : SkinColorToRGB(SectionTable[g].HotColor);
}
