// Small value types shared by every painter of the skin: colours, rectangles, points and
// the parent-background record a control paints over.
//
// Colours are COLORREF-ordered 32-bit values (0x00BBGGRR). Rectangles are Left, Top,
// Right, Bottom; whether Right and Bottom are inclusive is said by each operation.
#pragma once

#include <cstdint>

#include "framework/Colors.h"
#include "framework/Surface.h"
#include "skin/data/sSkinTables.h"

// `TColor`, the plain colours and the channel helpers come from framework/Colors.h. A
// pixel of exactly `clFuchsia` (the skin key colour) in a skin image means "no pixel"; the
// same value marks an unset colour variable.
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
