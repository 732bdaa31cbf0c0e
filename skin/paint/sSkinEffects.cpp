#include "skin/paint/sSkinEffects.h"

#include <cstring>
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
    if (view.bitsPerPixel != 24) {
      for (int y = 0; y < view.height; ++y) {
        uint8_t* p = view.Row(y);
        for (int x = 0; x < view.width; ++x, p += view.BytesPerPixel()) PutRGB(p, (*this)(GetRGB(p)));
      }
      return;
    }
    // Skin images come in runs of one colour, and often in rows like the one above. A
    // row equal to the previous one as it was read takes that row's result. Within a row,
    // four pixels (twelve bytes, three words) of the colour met last are recognised and
    // replaced a group at a time; other pixels one by one, each read as a 4-byte word
    // whose fourth byte is the next pixel's. The last pixel of a row, whose fourth byte
    // may lie past the store, is read byte by byte. Sizes and results live in locals:
    // stores through byte pointers may alias anything.
    const int width = view.width, height = view.height;
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    std::vector<uint8_t> previousIn(rowBytes);
    const uint8_t* previousOut = nullptr;
    Run run = RunOf(BytesOf(GetRGB(view.Row(0))));
    for (int y = 0; y < height; ++y) {
      uint8_t* p = view.Row(y);
      if (previousOut && std::memcmp(p, previousIn.data(), rowBytes) == 0) {
        std::memcpy(p, previousOut, rowBytes);
        previousOut = p;
        continue;
      }
      std::memcpy(previousIn.data(), p, rowBytes);
      previousOut = p;
      uint8_t* const rowLast = p + static_cast<std::ptrdiff_t>(width - 1) * 3;
      while (p < rowLast) {
        if (rowLast - p >= 12) {
          uint32_t w0, w1, w2;
          std::memcpy(&w0, p, 4);
          std::memcpy(&w1, p + 4, 4);
          std::memcpy(&w2, p + 8, 4);
          if (w0 == run.in0 && w1 == run.in1 && w2 == run.in2) {
            std::memcpy(p, &run.out0, 4);
            std::memcpy(p + 4, &run.out1, 4);
            std::memcpy(p + 8, &run.out2, 4);
            p += 12;
            continue;
          }
        }
        uint32_t bytes;
        std::memcpy(&bytes, p, 4);
        bytes &= 0x00FFFFFFu;
        if (bytes != run.bytes) run = RunOf(bytes);
        std::memcpy(p, &run.out0, 3);
        p += 3;
      }
      PutRGB(p, (*this)(GetRGB(p)));
    }
  }

private:
  static constexpr int kSlotBits = 12;
  static constexpr size_t kSlots = size_t{1} << kSlotBits;
  static constexpr uint32_t kNoKey = 0xFFFFFFFFu;  // no plain colour has a top byte

  static bool Keeps(TColor c) { return c == clFuchsia || IsGrey(c); }

  // A pixel's blue, green and red bytes in memory, read as a little-endian word; the
  // platforms we build for are all little-endian.
  static uint32_t BytesOf(TColor c) {
    return static_cast<uint32_t>(BlueOf(c)) | static_cast<uint32_t>(GreenOf(c)) << 8 |
           static_cast<uint32_t>(RedOf(c)) << 16;
  }
  uint32_t ShiftedBytes(uint32_t bytes) {
    const TColor c = MakeColor(static_cast<int>(bytes >> 16), static_cast<int>(bytes >> 8), static_cast<int>(bytes));
    return BytesOf((*this)(c));
  }

  // The colour met last, as it lies in memory four times over (twelve bytes b g r b g r
  // b g r b g r read as three little-endian words), before and after shifting. The words
  // are computed rather than stored and reloaded: a reload of narrower stores cannot be
  // forwarded.
  struct Run {
    uint32_t bytes;
    uint32_t in0, in1, in2;
    uint32_t out0, out1, out2;
  };
  Run RunOf(uint32_t v) {
    const uint32_t o = ShiftedBytes(v);
    return {v, v | v << 24, v >> 8 | v << 16, v >> 16 | v << 8, o | o << 24, o >> 8 | o << 16, o >> 16 | o << 8};
  }

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
