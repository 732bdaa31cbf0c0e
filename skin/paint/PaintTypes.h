// Small value types shared by every painter of the skin: colours, rectangles, points and
// the parent-background record a control paints over.
//
// Colours are COLORREF-ordered 32-bit values (0x00BBGGRR). Rectangles are Left, Top,
// Right, Bottom; whether Right and Bottom are inclusive is said by each operation.
#pragma once

#include <cstdint>

#include "framework/Surface.h"
#include "skin/data/sSkinTables.h"

using TColor = TsColor;

// A pixel of exactly this colour in a skin image means "no pixel"; the same value marks an
// unset colour variable.
constexpr TColor clFuchsia = kSkinKeyColor;
constexpr TColor clWhite = 0x00FFFFFF;
constexpr TColor clBlack = 0x00000000;

constexpr int GetRValue(TColor c) { return c & 0xFF; }
constexpr int GetGValue(TColor c) { return (c >> 8) & 0xFF; }
constexpr int GetBValue(TColor c) { return (c >> 16) & 0xFF; }
constexpr TColor MakeColor(int r, int g, int b) {
  return static_cast<TColor>(static_cast<uint32_t>(r & 0xFF) | (static_cast<uint32_t>(g & 0xFF) << 8) |
                             (static_cast<uint32_t>(b & 0xFF) << 16));
}
// Key comparisons look at the low three bytes only.
constexpr bool SameRGB(TColor a, TColor b) { return ((a ^ b) & 0x00FFFFFF) == 0; }

struct TPoint {
  int x = 0;
  int y = 0;
};

inline bool IsEmptyRect(const TsRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }

struct BgInfo {
  TSurfaceView Bmp;
  int X = 0;
  int Y = 0;
  bool Ready = false;

  bool HasBmp() const { return !Bmp.Empty(); }
};

// True when both views address the same pixel store.
inline bool SameSurface(const TSurfaceView& a, const TSurfaceView& b) {
  return a.row0 != nullptr && a.row0 == b.row0;
}
