// A skin manager with the built-in skin and a plain top-level window to put standard
// windows on, for the window-handler tests; pixels of windows as they reached the screen.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Helpers.h"
#include "SkinFixtures.h"
#include "framework/Graphics.h"
#include "skin/core/sSkinManager.h"

class HandlerTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // A plain child window of `host` (client coordinates), shown.
  HWND Child(const wchar_t* className, const wchar_t* text, DWORD style, RECT bounds, DWORD exStyle = 0);
  // The client area of `window` as it is on the screen now (after pending paints ran).
  std::unique_ptr<TBitmap> ClientPixels(HWND window);
  // The whole window, frame included.
  std::unique_ptr<TBitmap> WindowPixels(HWND window);
  // The client area of `window` on the screen this moment (nothing repainted first).
  std::unique_ptr<TBitmap> ScreenPixels(HWND window);
  void Settle(HWND window);

  TempSkinFolder skins;
  std::unique_ptr<TsSkinManager> manager;
  HWND host = nullptr;
};

uint32_t PixelOf(const TSurfaceView& view, int x, int y);
// Writes `view` as a 24-bit BMP file (for people to look at).
void SaveBmp(const TSurfaceView& view, const std::wstring& path);
