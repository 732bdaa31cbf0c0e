// DIB-section bitmaps shared by GDI and pixel code, colours and icons.
#include <gtest/gtest.h>

#include "Helpers.h"
#include "app/AppIcon.h"
#include "framework/Graphics.h"

namespace {

TEST(Graphics, ColorToRgbLooksUpSystemColours) {
  EXPECT_EQ(ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(ColorToRGB(clWindowText), GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(ColorToRGB(5059883), 5059883u);
  EXPECT_EQ(ColorToRGB(clRed), RGB(255, 0, 0));
}

TEST(Graphics, BitmapPixelsAreTheDibThatGdiDrawsInto) {
  for (TPixelFormat format : {TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
    TBitmap bitmap(5, 3, format);
    const TSurfaceView view = bitmap.View();
    ASSERT_FALSE(view.Empty());
    EXPECT_EQ(view.bitsPerPixel, format == TPixelFormat::pf32bit ? 32 : 24);
    EXPECT_LT(view.rowDelta, 0);  // bottom-up, as GDI makes them
    EXPECT_EQ(-view.rowDelta, SurfaceStride(5, view.bitsPerPixel));

    TCanvas& canvas = bitmap.Canvas();
    canvas.Brush().SetColor(RGB(10, 20, 30));
    canvas.FillRect(RECT{0, 0, 5, 3});
    canvas.Brush().SetColor(clRed);
    canvas.FillRect(RECT{3, 1, 4, 2});  // one pixel at (3, 1)
    GdiFlush();
    const uint8_t* red = bitmap.ScanLine(1) + 3 * view.BytesPerPixel();
    EXPECT_EQ(red[0], 0);
    EXPECT_EQ(red[1], 0);
    EXPECT_EQ(red[2], 255);
    const uint8_t* other = view.Pixel(4, 2);
    EXPECT_EQ(other[0], 30);  // B, G, R
    EXPECT_EQ(other[2], 10);

    // Pixels written directly are what GDI reads back.
    view.Pixel(0, 0)[0] = 200;
    view.Pixel(0, 0)[1] = 100;
    view.Pixel(0, 0)[2] = 50;
    EXPECT_EQ(GetPixel(canvas.Handle(), 0, 0), RGB(50, 100, 200));

    bitmap.SetSize(6, 4);  // growing keeps what fits
    EXPECT_EQ(bitmap.View().Pixel(3, 1)[2], 255);
    EXPECT_EQ(bitmap.View().Pixel(5, 3)[2], 0);
  }
}

// The colour is drawn with SetTextColor: changing it keeps the platform font, changing the
// face makes a new one; either way the font tells its listener.
TEST(Graphics, FontColourKeepsThePlatformFont) {
  TFont font;
  int changes = 0;
  font.OnChange = [&](TFont*) { ++changes; };
  const HFONT made = font.Handle();
  font.SetColor(clRed);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(GetObjectType(made), static_cast<DWORD>(OBJ_FONT)) << "the colour dropped the font";
  EXPECT_EQ(font.Handle(), made);

  TFont blue;
  blue.Assign(font);
  blue.SetColor(clBlue);
  font.Assign(blue);
  EXPECT_EQ(font.Color(), clBlue);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(font.Handle(), made) << "an assignment that changes the colour only";

  blue.SetStyle(fsBold);
  font.Assign(blue);
  EXPECT_EQ(changes, 3);
  LOGFONTW lf{};
  ASSERT_NE(GetObjectW(font.Handle(), sizeof(lf), &lf), 0);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
}

TEST(Graphics, NewSurfaceMakesDibSectionsOnceInstalled) {
  EnsureApplication();  // installs the factory
  auto surface = NewSurface(4, 4, 32);
  auto* dib = dynamic_cast<TDibSurface*>(surface.get());
  ASSERT_NE(dib, nullptr);
  EXPECT_NE(dib->Bitmap(), nullptr);
  EXPECT_NE(dib->DC(), nullptr);
  EXPECT_EQ(surface->View().width, 4);
  EXPECT_TRUE(NewSurface(0, 3, 24)->View().Empty());
}

TEST(Graphics, ApplicationIconHasSixSquareImagesWithAlpha) {
  TIcon icon;
  FillApplicationIcon(icon);
  ASSERT_EQ(icon.ImageCount(), 6);
  const int sizes[] = {128, 64, 48, 32, 24, 16};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(icon.ImageSize(i), sizes[i]);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon.Handle(sizes[i]), &info));
    BITMAP bm{};
    GetObjectW(info.hbmColor, sizeof(bm), &bm);
    EXPECT_EQ(bm.bmWidth, sizes[i]);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
  }
  const auto pixels = DrawApplicationIcon(32);
  EXPECT_EQ(pixels.front() >> 24, 0u);          // the corner is see-through
  EXPECT_EQ(pixels[16 * 32 + 16] >> 24, 255u);  // the middle is solid
}

}  // namespace
