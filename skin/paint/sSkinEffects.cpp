#include "skin/paint/sSkinEffects.h"

#include <memory>
#include <vector>

#include "skin/data/acImages.h"
#include "skin/paint/Pixels.h"

namespace {

bool IsGrey(TColor c) { return RedOf(c) == GreenOf(c) && GreenOf(c) == BlueOf(c); }

// Both effects on one plain colour, each in turn passing over fuchsia and greys. Skin
// images hold few distinct colours, so results are remembered in a small direct-mapped
// table: the shifts work in floating point and would otherwise dominate a skin load.
class ColorShift {
public:
  ColorShift(int hueOffset, int saturationAmount)
      : hue_(hueOffset), amount_(saturationAmount), keys_(kSlots, kNoKey), values_(kSlots) {}

  TColor operator()(TColor rgb) {
    const uint32_t key = static_cast<uint32_t>(rgb);
    const uint32_t slot = (key * 0x9E3779B1u) >> (32 - kSlotBits);
    if (keys_[slot] == key) return values_[slot];
    const TColor shifted = Compute(rgb);
    keys_[slot] = key;
    values_[slot] = shifted;
    return shifted;
  }

  // A colour value of the tables: made plain RGB, then shifted like a pixel.
  TColor Value(TColor color) { return (*this)(SkinColorToRGB(color) & 0x00FFFFFF); }

  void Surface(const TSurfaceView& view) {
    if (view.Empty()) return;
    const int step = view.BytesPerPixel();
    for (int y = 0; y < view.height; ++y) {
      uint8_t* p = view.Row(y);
      for (int x = 0; x < view.width; ++x, p += step) {
        const TColor before = GetRGB(p);
        const TColor after = (*this)(before);
        if (after != before) PutRGB(p, after);
      }
    }
  }

private:
  static constexpr int kSlotBits = 12;
  static constexpr size_t kSlots = size_t{1} << kSlotBits;
  static constexpr uint32_t kNoKey = 0xFFFFFFFFu;  // no plain colour has a top byte

  static bool Keeps(TColor c) { return c == clFuchsia || IsGrey(c); }

  TColor Compute(TColor c) const {
    if (hue_ != 0 && !Keeps(c)) c = ShiftHue(hue_, c);
    if (amount_ != 0 && !Keeps(c)) c = ShiftSaturation(c, amount_);
    return c;
  }

  int hue_;
  int amount_;
  std::vector<uint32_t> keys_;
  std::vector<TColor> values_;
};

// Own bitmaps are shifted at 24 bits; a 32-bit one is replaced by a 24-bit copy first.
void MakeTwentyFourBit(std::unique_ptr<TSurface>& bitmap) {
  if (!bitmap || bitmap->BitsPerPixel() == 24) return;
  if (auto copy = CopySurface(*bitmap, 24)) bitmap = std::move(copy);
}

void ShiftSteps(TsGradArray& steps, ColorShift& shift) {
  for (TsGradientStep& s : steps) {
    s.Color1 = shift.Value(s.Color1);
    s.Color2 = shift.Value(s.Color2);
  }
}

void ShiftFontColors(TsFontColors& colors, ColorShift& shift) {
  for (TsColor& c : colors)
    if (c != -1) c = shift.Value(c);
}

}  // namespace

void ApplyColorEffects(TsSkinTables& tables, int hueOffset, int saturation) {
  const int amount = SaturationShiftAmount(saturation);
  if (hueOffset == 0 && amount == 0) return;
  ColorShift shift(hueOffset, amount);

  MakeTwentyFourBit(tables.MasterBitmap);
  if (tables.MasterBitmap) shift.Surface(tables.MasterBitmap->View());
  for (TsMaskData& m : tables.MaskTable) {
    MakeTwentyFourBit(m.Bmp);
    if (m.Bmp) shift.Surface(m.Bmp->View());
  }

  for (TsGeneralData& d : tables.SectionTable) {
    d.Color = shift.Value(d.Color);
    d.HotColor = shift.Value(d.HotColor);
    ShiftFontColors(d.FontColor, shift);
    ShiftFontColors(d.HotFontColor, shift);
    ShiftSteps(d.GradientArray, shift);
    ShiftSteps(d.HotGradientArray, shift);
  }
  tables.GlobalInfo.Shadow1Color = shift.Value(tables.GlobalInfo.Shadow1Color);
  tables.GlobalInfo.BorderColor = shift.Value(tables.GlobalInfo.BorderColor);
}
