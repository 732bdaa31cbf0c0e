// Platform dialogs for the dialog skinning tests: a skin manager with the built-in skin and
// the thread hook installed, and real "#32770" windows made from an in-memory template,
// sized in pixels, with child windows added in pixels too.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Helpers.h"
#include "SkinFixtures.h"
#include "skin/core/sSkinManager.h"

// A modeless dialog of class "#32770" with no items, `width` x `height` pixels (window
// rectangle), hidden; `proc` null gives a procedure that handles nothing. Destroy it with
// DestroyWindow.
HWND MakeDialog(DWORD style, DWORD exStyle, const wchar_t* caption, int width, int height,
                DLGPROC proc = nullptr, HWND owner = nullptr);
// A child window of `dialog` at `bounds` (client coordinates, pixels), shown.
HWND AddChild(HWND dialog, const wchar_t* className, const wchar_t* text, DWORD style, RECT bounds,
              DWORD exStyle = 0, int id = 0);

class DialogTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the built-in skin with `rules` on a new default manager (the hook installed).
  void StartSkin(uint32_t rules);
  // Shows `dialog` and waits until it is the active window and its paints ran.
  void ShowActive(HWND dialog);

  TempSkinFolder skins;
  std::unique_ptr<TsSkinManager> manager;
  int hooksBefore = 0;
};
