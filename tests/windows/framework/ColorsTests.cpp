// The framework's colours and the skin painters' colours are one type with one set of
// values. This unit sees both layers and the platform's own GetRValue/GetGValue/GetBValue
// macros at once, so a second definition of either side cannot come back unnoticed.
#include <windows.h>

#include <gtest/gtest.h>

#include <type_traits>

#include "framework/Graphics.h"
#include "skin/paint/PaintTypes.h"
#include "skin/paint/Pixels.h"

namespace {

static_assert(std::is_same_v<TColor, TsColor>);

const TColor kPlainColours[] = {clBlack, clWhite, clFuchsia, clRed, clLime, clBlue, clNavy, clTeal, 0x123456};

TEST(Colors, ChannelsAgreeWithThePlatformMacros) {
  for (const TColor c : kPlainColours) {
    SCOPED_TRACE(c);
    const COLORREF rgb = ColorToRGB(c);
    EXPECT_EQ(RedOf(c), GetRValue(rgb));
    EXPECT_EQ(GreenOf(c), GetGValue(rgb));
    EXPECT_EQ(BlueOf(c), GetBValue(rgb));
    EXPECT_EQ(static_cast<COLORREF>(MakeColor(RedOf(c), GreenOf(c), BlueOf(c))), RGB(RedOf(c), GreenOf(c), BlueOf(c)));
  }
  EXPECT_EQ(static_cast<COLORREF>(clFuchsia), RGB(255, 0, 255));
  EXPECT_EQ(kSkinKeyColor, clFuchsia);
}

TEST(Colors, SystemColoursResolveAlikeInBothLayers) {
  EXPECT_EQ(kclBtnFace, clBtnFace);
  EXPECT_EQ(kclWindow, clWindow);
  for (const TColor c : {clBtnFace, clWindow, clWindowText, clHighlight, clBtnShadow})
    EXPECT_EQ(static_cast<COLORREF>(SkinColorToRGB(c)), ColorToRGB(c)) << c;
}

// GDI fills with the framework's colour; the paint core reads and writes the same pixels.
TEST(Colors, GdiAndThePaintCoreSeeTheSamePixels) {
  constexpr int n = static_cast<int>(std::size(kPlainColours));
  TBitmap bitmap(n, 2);
  TCanvas& canvas = bitmap.Canvas();
  for (int i = 0; i < n; ++i) {
    canvas.Brush().SetColor(kPlainColours[i]);
    canvas.FillRect(RECT{i, 0, i + 1, 1});
    PutRGB(bitmap.View().Pixel(i, 1), kPlainColours[i]);
  }
  GdiFlush();
  for (int i = 0; i < n; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(GetRGB(bitmap.View().Pixel(i, 0)), kPlainColours[i]);
    EXPECT_EQ(GetPixel(canvas.Handle(), i, 1), ColorToRGB(kPlainColours[i]));
  }
}

}  // namespace
