// The frame provider's test fixtures: a form with the built-in skin's manager, what the
// window shows on the screen, and the frame as the painting core renders it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Helpers.h"
#include "SkinFixtures.h"
#include "framework/Handles.h"
#include "framework/SysUtils.h"
#include "skin/core/sSkinCommands.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"
#include "skin/window/sSkinProvider.h"

inline uint32_t PixelOf(const TSurfaceView& view, int x, int y) {
  const uint8_t* p = view.Pixel(x, y);
  return p[0] | (p[1] << 8) | (p[2] << 16);
}

inline bool IsKey(const TSurfaceView& view, int x, int y) { return PixelOf(view, x, y) == 0xFF00FF; }

// Sits under the provider (installed first, so the provider's previous procedure): right
// after the platform has handled a message, it runs a check on what is on the screen.
class ScreenProbe : public TControlHandler {
public:
  ScreenProbe(TControl& control, std::vector<UINT> watched) : watched_(std::move(watched)) { Install(control); }
  std::function<void(UINT)> Check;

protected:
  void HandleMessage(TMessage& message) override {
    CallPrevious(message);
    if (Check && std::find(watched_.begin(), watched_.end(), message.Msg) != watched_.end()) Check(message.Msg);
  }

private:
  std::vector<UINT> watched_;
};

class ProviderTest : public ::testing::Test {
protected:
  void SetUp() override {
    EnsureApplication();
    ASSERT_EQ(DefaultManager(), nullptr) << "a manager of another test is still alive";
    manager = std::make_unique<TsSkinManager>(nullptr);
    manager->SetSkinDirectory(skins.Resolved());
    TsStoredSkins stored;
    stored.Add(PackagedSkin(L"Frost"));
    manager->SetInternalSkins(stored);
    manager->SetSkinName(L"Frost");
    ASSERT_TRUE(manager->SkinActive());
    form = new TForm(Application);
    form->SetBorderStyle(bsSingle);
    form->SetBorderIcons(biSystemMenu | biMinimize);
    form->SetCaption(L"F");
    form->SetClientSize(320, 160);
    form->SetPosition(poScreenCenter);
  }
  void TearDown() override {
    delete form;
    manager.reset();
  }
  void ShowWithProvider() {
    provider = new TsSkinProvider(form);
    ShowActive();
  }
  void ShowActive() {
    form->Show();
    ASSERT_TRUE(WaitUntil([&] { return GetActiveWindow() == form->Handle(); }));
    Settle();
  }
  void Settle() {
    RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Application->ProcessMessages();
  }

  // The whole window as it is on the screen.
  std::unique_ptr<TBitmap> OnScreen() {
    RECT w{};
    GetWindowRect(form->Handle(), &w);
    auto shot = std::make_unique<TBitmap>(w.right - w.left, w.bottom - w.top);
    // The window's own DC reads what was drawn into it, flushed to the desktop or not.
    const TWindowDC window = TWindowDC::Of(form->Handle());
    BitBlt(shot->Canvas().Handle(), 0, 0, shot->Width(), shot->Height(), window.Get(), 0, 0, SRCCOPY);
    GdiFlush();
    return shot;
  }

  // The frame as the painting core renders it: the form section over the whole window,
  // "FORMTITLE" over the caption band, in `state`.
  std::unique_ptr<TSurface> Render(int state) {
    const TFrameGeometry g = provider->Geometry();
    auto surface = NewSurface(g.Width, g.Height, 24);
    const TsCommonData& binding = provider->SkinData();
    TPaintItemSource item;
    item.Skin = &manager->Tables();
    item.SkinIndex = binding.SectionIndex;
    item.SkinSection = "FORM";
    item.BorderIndex = binding.BorderMaskIndex;
    item.Texture = binding.PatternIndex;
    item.HotTexture = binding.HotPatternIndex;
    item.OwnerColor = static_cast<TColor>(ColorToRGB(form->Color()));
    item.DependsOnParent = false;
    PaintItem(item, BgInfo{}, true, false, surface->View(), TPoint{0, 0}, TsRect{0, 0, g.Width, g.Height}, state);
    const int title = manager->SectionIndex("FORMTITLE");
    const BgInfo bg{surface->View(), 0, 0, true};
    PaintSection(title, "FORMTITLE", bg, manager->TextureIndex(title, "FORMTITLE", "HOTPATTERN"),
                 manager->TextureIndex(title, "FORMTITLE", "PATTERN"), &manager->Tables(), surface->View(),
                 TPoint{0, 0}, TsRect{0, 0, g.Width, g.BandHeight()}, state, true);
    return surface;
  }

  // Screen pixels that differ from the render, leaving out the icon and caption text,
  // pixels outside the window region and the client area (which the form's children and
  // the client painting own).
  int FrameMismatches(const TSurfaceView& shot, const TSurface& expected, std::string* first = nullptr) {
    const TFrameGeometry g = provider->Geometry();
    const RECT text = provider->CaptionTextRect(g);
    TRegionHandle region = NewRectRegion(0, 0, 0, 0);
    const bool hasRegion = GetWindowRgn(form->Handle(), region.Get()) != ERROR;
    int count = 0;
    for (int y = 0; y < g.Height; ++y)
      for (int x = 0; x < g.Width; ++x) {
        if (x < text.right && y < g.BandHeight()) continue;  // icon and text
        if (InButton(POINT{x, y})) continue;                  // checked on their own
        if (x >= g.OffsetX && x < g.OffsetX + g.ClientWidth && y >= g.OffsetY && y < g.OffsetY + g.ClientHeight)
          continue;
        if (hasRegion && !PtInRegion(region.Get(), x, y)) continue;
        const uint32_t got = PixelOf(shot, x, y), want = PixelOf(expected.View(), x, y);
        if (got != want && count++ == 0 && first) {
          char buffer[96];
          snprintf(buffer, sizeof buffer, "(%d, %d): %06X, expected %06X", x, y, got, want);
          *first = buffer;
        }
      }
    return count;
  }

  bool InButton(POINT p) const {
    for (int code : {HTCLOSE, HTMAXBUTTON, HTMINBUTTON, HTHELP})
      if (PtInRect(&provider->Button(code).Rect, p)) return true;
    return false;
  }

  void ExpectFrame(int state, const char* when) {
    const auto expected = Render(state);
    std::string first;
    EXPECT_TRUE(WaitUntil([&] { return FrameMismatches(OnScreen()->View(), *expected, &first) == 0; },
                          std::chrono::seconds(3)))
        << when << ": first difference at " << first;
  }

  TempSkinFolder skins;
  std::unique_ptr<TsSkinManager> manager;
  TForm* form = nullptr;
  TsSkinProvider* provider = nullptr;
};


class CaptionButtonTest : public ProviderTest {
protected:
  void SetUp() override {
    ProviderTest::SetUp();
    form->OnClose = [this](TComponent*, TCloseAction& action) {
      ++closes;
      action = caNone;
    };
    ShowWithProvider();
  }
  // A window point as the screen point messages carry.
  LPARAM Screen(POINT p) {
    RECT w{};
    GetWindowRect(form->Handle(), &w);
    return MAKELPARAM(w.left + p.x, w.top + p.y);
  }
  LPARAM Client(POINT p) {
    RECT w{};
    GetWindowRect(form->Handle(), &w);
    POINT s{w.left + p.x, w.top + p.y};
    ScreenToClient(form->Handle(), &s);
    return MAKELPARAM(s.x, s.y);
  }
  static POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
  LRESULT HitTest(POINT p) { return SendMessageW(form->Handle(), WM_NCHITTEST, 0, Screen(p)); }
  uint32_t ShotAt(POINT p) { return PixelOf(OnScreen()->View(), p.x, p.y); }
  int closes = 0;
};

