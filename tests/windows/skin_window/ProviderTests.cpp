// The frame provider on a real form with the built-in skin: what reaches the screen
// (caption band, borders and client against the painting core's render, in the active and
// the inactive look, after activation toggles and caption changes), the window region of
// the skin's key-coloured corners, the background it serves to children, and a provider
// that goes (removed from a living form, or freed with its form) without leaving a
// handle, a handler or its frame behind. The caption buttons by messages: layout and
// hit-testing, hover and leave, press, drag off and release, capture loss, key flags of a
// client release that look like hit-test codes, and the close and minimise commands.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "Helpers.h"
#include "ProviderFixture.h"
#include "SkinFixtures.h"
#include "framework/Handles.h"
#include "framework/SysUtils.h"
#include "skin/core/sSkinCommands.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"
#include "skin/window/sSkinProvider.h"

namespace {

TEST_F(ProviderTest, FrameOnScreenIsTheSkinsRenderInBothLooks) {
  ScreenProbe probe(*form, {WM_NCACTIVATE, WM_SETTEXT});
  ShowWithProvider();
  ASSERT_TRUE(provider->Skinned());
  const TFrameGeometry g = provider->Geometry();
  ASSERT_GT(g.CaptionHeight, 0);
  ASSERT_GT(g.BorderWidth, 0);
  const auto active = Render(1), inactive = Render(0);
  // The two looks differ somewhere in the frame, or the toggling below proves nothing.
  ASSERT_GT(FrameMismatches(active->View(), *inactive), 0);
  ExpectFrame(1, "shown and active");
  EXPECT_TRUE(provider->FormActive());

  // The platform repaints its caption on these two without WM_NCPAINT. Right after it has
  // handled one, the caption band right of the one-letter caption shows one of the skin's
  // looks, never the platform's caption.
  const RECT text = provider->CaptionTextRect(g);
  int platformPixels = 0, checks = 0;
  probe.Check = [&](UINT) {
    ++checks;
    const auto shot = OnScreen();
    for (int y = g.BorderHeight + 2; y < g.BandHeight() - 2; ++y)
      for (int x = text.left + 30; x < text.right; ++x) {
        const uint32_t got = PixelOf(shot->View(), x, y);
        platformPixels += got != PixelOf(active->View(), x, y) && got != PixelOf(inactive->View(), x, y);
      }
  };
  for (int i = 0; i < 50; ++i) {
    SendMessageW(form->Handle(), WM_NCACTIVATE, FALSE, 0);
    ASSERT_FALSE(provider->FormActive());
    SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
    ASSERT_TRUE(provider->FormActive());
  }
  for (int i = 0; i < 10; ++i) form->SetCaption(i % 2 ? L"F" : L"G");
  probe.Check = nullptr;
  EXPECT_EQ(checks, 110);
  EXPECT_EQ(platformPixels, 0) << "the platform's caption showed";

  ExpectFrame(1, "after activation toggles and caption changes");
  SendMessageW(form->Handle(), WM_NCACTIVATE, FALSE, 0);
  ExpectFrame(0, "inactive");
  SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  EXPECT_EQ(GetWindowLongW(form->Handle(), GWL_STYLE) & WS_SYSMENU, 0) << "the platform would draw caption buttons";
}

TEST_F(ProviderTest, CaptionTextAndClientComeFromTheCache) {
  form->SetCaption(L"Equidiv frame");
  ShowWithProvider();
  const TFrameGeometry g = provider->Geometry();
  const auto shot = OnScreen();
  const auto band = Render(1);
  // The caption text was drawn: its rectangle differs from the bare band somewhere.
  const RECT text = provider->CaptionTextRect(g);
  int inked = 0;
  for (int y = text.top; y < text.bottom; ++y)
    for (int x = text.left; x < text.right; ++x) inked += PixelOf(shot->View(), x, y) != PixelOf(band->View(), x, y);
  EXPECT_GT(inked, 10);

  // The background served to children is the cache, with the client's origin in it, and
  // the client area on the screen shows the same pixels.
  const BgInfo bg = AskBackground(form->Handle());
  ASSERT_TRUE(bg.Ready);
  POINT origin{0, 0};
  ClientToScreen(form->Handle(), &origin);
  RECT w{};
  GetWindowRect(form->Handle(), &w);
  EXPECT_EQ(bg.X, origin.x - w.left);
  EXPECT_EQ(bg.Y, origin.y - w.top);
  for (POINT p : {POINT{5, 5}, POINT{g.ClientWidth / 2, g.ClientHeight / 2}, POINT{g.ClientWidth - 3, g.ClientHeight - 3}})
    EXPECT_EQ(PixelOf(shot->View(), bg.X + p.x, bg.Y + p.y), PixelOf(bg.Bmp, bg.X + p.x, bg.Y + p.y))
        << "client point " << p.x << ", " << p.y;
  EXPECT_EQ(reinterpret_cast<TsSkinProvider*>(SendSkinCommand(form->Handle(), CMD_FINDPROVIDER, 0)), provider);
  EXPECT_EQ(FindProvider(form), provider);
  EXPECT_TRUE(AskWindow(form->Handle(), CMD_ISSKINNED));
}

TEST_F(ProviderTest, RegionCutsTheKeyColouredCorners) {
  ShowWithProvider();
  const TFrameGeometry g = provider->Geometry();
  const TMaskRef mask = MaskRef(manager->Tables(), provider->SkinData().BorderMaskIndex);
  ASSERT_TRUE(mask.Valid());
  const int left = mask.Data->R.Left, top = mask.Data->R.Top;
  const int right = left + mask.FrameWidth() - 1, bottom = top + mask.FrameHeight() - 1;
  struct Corner {
    int x, y;          // window pixel
    int maskX, maskY;  // frame 0 of the form's border mask
  } corners[] = {{0, 0, left, top}, {g.Width - 1, 0, right, top}, {0, g.Height - 1, left, bottom},
                 {g.Width - 1, g.Height - 1, right, bottom}};
  TRegionHandle region = NewRectRegion(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(form->Handle(), region.Get()), ERROR) << "no window region";
  int cut = 0;
  for (const Corner& c : corners) {
    const bool key = IsKey(mask.Source, c.maskX, c.maskY);
    // The title's mask may cut the top corners as well.
    if (!key && c.y == 0) continue;
    EXPECT_EQ(PtInRegion(region.Get(), c.x, c.y) != 0, !key) << "corner " << c.x << ", " << c.y;
    cut += key;
  }
  EXPECT_GT(cut, 0) << "the skin's form corners are not rounded: the test proves nothing";
  EXPECT_TRUE(PtInRegion(region.Get(), g.Width / 2, g.Height / 2));
  EXPECT_TRUE(PtInRegion(region.Get(), g.Width / 2, 0));
}

TEST_F(ProviderTest, RemovedProviderLeavesThePlatformFrameAndNoHandles) {
  ShowActive();
  const LONG_PTR style = GetWindowLongPtrW(form->Handle(), GWL_STYLE);
  const THandleKind kinds[] = {THandleKind::Region, THandleKind::Bitmap, THandleKind::DC, THandleKind::Font,
                               THandleKind::Brush, THandleKind::Pen};
  std::vector<int> before;
  for (THandleKind kind : kinds) before.push_back(LiveHandles(kind));
  for (int round = 0; round < 3; ++round) {
    provider = new TsSkinProvider(form);
    Settle();
    ASSERT_TRUE(provider->Skinned());
    SendMessageW(form->Handle(), WM_NCACTIVATE, FALSE, 0);
    SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
    form->SetCaption(L"round");
    Settle();
    delete provider;
    provider = nullptr;
    Settle();
    EXPECT_EQ(GetWindowLongPtrW(form->Handle(), GWL_STYLE), style);
    TRegionHandle region = NewRectRegion(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(form->Handle(), region.Get()), ERROR) << "the region stayed";
    EXPECT_FALSE(AskWindow(form->Handle(), CMD_ISSKINNED)) << "a handler is still answering";
    EXPECT_EQ(SendSkinCommand(form->Handle(), CMD_FINDPROVIDER, 0), 0);
    EXPECT_EQ(form->Color(), clBtnFace);
  }
  for (size_t k = 0; k < std::size(kinds); ++k)
    EXPECT_EQ(LiveHandles(kinds[k]), before[k]) << "handle kind " << static_cast<int>(kinds[k]);
}

TEST_F(ProviderTest, FreedWithItsFormAndOnlyOnePerForm) {
  const int windows = LiveHandles(THandleKind::Window);
  const int regions = LiveHandles(THandleKind::Region);
  const int bitmaps = LiveHandles(THandleKind::Bitmap);
  ShowWithProvider();
  auto* second = new TsSkinProvider(form);
  EXPECT_EQ(second->Form(), nullptr) << "a second provider must stay inert";
  EXPECT_EQ(FindProvider(form), provider);
  FreeWatch watch(provider);
  delete form;
  form = nullptr;
  Application->ProcessMessages();
  EXPECT_TRUE(watch.Freed());
  EXPECT_EQ(LiveHandles(THandleKind::Window), windows);
  EXPECT_EQ(LiveHandles(THandleKind::Region), regions);
  EXPECT_EQ(LiveHandles(THandleKind::Bitmap), bitmaps);
  // The skin command broadcast no longer reaches the freed form.
  TMessage repaint{SM_SKINCMD, SkinCommandWParam(CMD_REPAINT), reinterpret_cast<LPARAM>(manager.get()), 0};
  BroadcastToForms(repaint);
}

// A paint request is answered whatever the form's state: a window whose update region
// stays is sent WM_PAINT again and again. Here the platform shows the form before the
// framework counts it visible.
TEST_F(ProviderTest, PaintRequestsOfAFormNotYetVisibleAreAnswered) {
  provider = new TsSkinProvider(form);
  HWND window = form->Handle();
  ASSERT_TRUE(provider->Skinned());
  ShowWindow(window, SW_SHOWNOACTIVATE);
  ASSERT_FALSE(form->Visible());
  InvalidateRect(window, nullptr, FALSE);
  ASSERT_TRUE(GetUpdateRect(window, nullptr, FALSE)) << "nothing to answer: the test proves nothing";
  SendMessageW(window, WM_PAINT, 0, 0);
  EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE)) << "the paint request stayed pending";
  ShowWindow(window, SW_HIDE);
}

// Errors of the form's own procedure (an event handler run by a key the form passes on)
// reach the framework through the provider as they would without it.
TEST_F(ProviderTest, ErrorsOfTheFormsProcedurePassThrough) {
  constexpr UINT kRaise = WM_APP + 7;
  class Raiser : public TControlHandler {
  protected:
    void HandleMessage(TMessage& message) override {
      if (message.Msg == kRaise) throw Exception(L"from the form");
      CallPrevious(message);
    }
  } raiser;
  raiser.Install(*form);
  ShowWithProvider();
  EXPECT_THROW(form->Perform(kRaise), Exception);
  raiser.Remove();
}

// Skin changes switch the frame between skinned and plain (a skin without "FORM"), and
// neither they nor activation toggles leak a handle.
TEST_F(ProviderTest, SkinChangesAndActivationTogglesKeepHandlesFlat) {
  TsStoredSkins stored;
  stored.Add(PackagedSkin(L"Frost"));
  stored.Add(PackagedSkin(L"Frost2"));
  stored.Add(SectionSkin(L"Plain", {SectionOf("PANEL", clRed)}));
  manager->SetInternalSkins(stored);
  manager->SetSkinName(L"Frost");
  ShowWithProvider();
  HWND window = form->Handle();
  const THandleKind kinds[] = {THandleKind::Region, THandleKind::Bitmap, THandleKind::DC, THandleKind::Font,
                               THandleKind::Brush, THandleKind::Pen, THandleKind::Icon};
  auto hasRegion = [&] {
    TRegionHandle region = NewRectRegion(0, 0, 0, 0);
    return GetWindowRgn(window, region.Get()) != ERROR;
  };
  auto cycle = [&](int round) {
    for (const wchar_t* name : {L"Plain", round % 2 ? L"Frost" : L"Frost2"}) {
      manager->SetSkinName(name);
      Settle();
      const bool skinned = std::wstring(name) != L"Plain";
      EXPECT_EQ(provider->Skinned(), skinned) << "skin " << StringToUtf8(name);
      EXPECT_EQ((GetWindowLongW(window, GWL_STYLE) & WS_SYSMENU) == 0, skinned) << "skin " << StringToUtf8(name);
      EXPECT_EQ(hasRegion(), skinned) << "skin " << StringToUtf8(name);
    }
    for (int i = 0; i < 5; ++i) {
      SendMessageW(window, WM_NCACTIVATE, FALSE, 0);
      SendMessageW(window, WM_NCACTIVATE, TRUE, 0);
    }
  };
  cycle(0);
  std::vector<int> before;
  for (THandleKind kind : kinds) before.push_back(LiveHandles(kind));
  for (int round = 1; round <= 20; ++round) cycle(round);
  for (size_t k = 0; k < std::size(kinds); ++k)
    EXPECT_EQ(LiveHandles(kinds[k]), before[k]) << "handle kind " << static_cast<int>(kinds[k]);
  ExpectFrame(1, "after the skin changes");
}

TEST_F(CaptionButtonTest, LayoutAndHitTestOfTheMainWindowsButtons) {
  const TFrameGeometry g = provider->Geometry();
  const TCaptionButton& close = provider->Button(HTCLOSE);
  const TCaptionButton& min = provider->Button(HTMINBUTTON);
  ASSERT_TRUE(close.Visible);
  ASSERT_TRUE(min.Visible);
  EXPECT_FALSE(provider->Button(HTMAXBUTTON).Visible) << "no maximise without biMaximize";
  EXPECT_FALSE(provider->Button(HTHELP).Visible);
  const int space = manager->GlobalInfo().BISpacing;
  EXPECT_EQ(close.Rect.right, g.Width - g.BorderWidth - space);
  EXPECT_EQ(min.Rect.right, close.Rect.left - space);
  EXPECT_EQ(provider->ButtonsWidth(), (close.Rect.right - close.Rect.left) + (min.Rect.right - min.Rect.left) + 2 * space);

  const int icon = TsSkinProvider::IconSizeFor(g.CaptionHeight);
  struct Case {
    const char* where;
    POINT p;
    LRESULT code;
  } cases[] = {
      {"close", Centre(close.Rect), HTCLOSE},
      {"minimise", Centre(min.Rect), HTMINBUTTON},
      {"icon", POINT{g.BorderWidth + icon / 2, g.BandHeight() / 2}, HTSYSMENU},
      {"caption", POINT{g.Width / 2, g.BandHeight() / 2}, HTCAPTION},
      {"between buttons", POINT{min.Rect.right + (space > 1 ? 1 : 0), Centre(min.Rect).y},
       space > 1 ? HTCAPTION : HTMINBUTTON},
      {"client", POINT{g.OffsetX + 10, g.OffsetY + 10}, HTCLIENT},
  };
  for (const Case& c : cases) EXPECT_EQ(HitTest(c.p), c.code) << c.where;
}

TEST_F(CaptionButtonTest, HoverShowsTheHotLookAndLeavingRestoresIt) {
  const POINT centre = Centre(provider->Button(HTCLOSE).Rect);
  const uint32_t normal = ShotAt(centre);
  ASSERT_EQ(HitTest(centre), HTCLOSE);
  EXPECT_EQ(provider->HotCode(), HTCLOSE);
  EXPECT_EQ(provider->Button(HTCLOSE).State, 1);
  EXPECT_TRUE(WaitUntil([&] { return ShotAt(centre) != normal; }, std::chrono::seconds(2))) << "no hot look";
  // Leaving across the window's edge: only the non-client leave tells.
  SendMessageW(form->Handle(), WM_NCMOUSELEAVE, 0, 0);
  EXPECT_EQ(provider->HotCode(), 0);
  EXPECT_EQ(provider->Button(HTCLOSE).State, 0);
  EXPECT_TRUE(WaitUntil([&] { return ShotAt(centre) == normal; }, std::chrono::seconds(2)));
  // Moving onto another button moves the hot look.
  HitTest(Centre(provider->Button(HTMINBUTTON).Rect));
  EXPECT_EQ(provider->Button(HTCLOSE).State, 0);
  EXPECT_EQ(provider->Button(HTMINBUTTON).State, 1);
}

TEST_F(CaptionButtonTest, ReleaseCountsOnlyOverThePressedButton) {
  HWND window = form->Handle();
  const RECT close = provider->Button(HTCLOSE).Rect;
  const POINT off{provider->Geometry().Width / 2, provider->Geometry().OffsetY + 20};

  // Press, drag off, release outside: nothing.
  SendMessageW(window, WM_NCLBUTTONDOWN, HTCLOSE, Screen(Centre(close)));
  EXPECT_EQ(GetCapture(), window) << "a press captures the mouse";
  EXPECT_EQ(provider->Button(HTCLOSE).State, 2);
  SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, Client(off));
  EXPECT_NE(provider->Button(HTCLOSE).State, 2) << "pressed look away from the button";
  SendMessageW(window, WM_LBUTTONUP, 0, Client(off));
  Application->ProcessMessages();
  EXPECT_EQ(closes, 0);
  EXPECT_EQ(provider->PressedCode(), 0);
  EXPECT_NE(GetCapture(), window);

  // Key flags of a client release are no hit-test codes (Ctrl is 8, Shift with the middle
  // button 20): without a press they do nothing.
  for (WPARAM flags : {WPARAM{MK_CONTROL}, WPARAM{MK_SHIFT | MK_MBUTTON}}) {
    SendMessageW(window, WM_LBUTTONUP, flags, Client(Centre(close)));
    SendMessageW(window, WM_LBUTTONUP, flags, Client(Centre(provider->Button(HTMINBUTTON).Rect)));
  }
  Application->ProcessMessages();
  EXPECT_EQ(closes, 0);
  EXPECT_FALSE(IsIconic(window));

  // Capture taken away mid-press: the press is over.
  SendMessageW(window, WM_NCLBUTTONDOWN, HTCLOSE, Screen(Centre(close)));
  ReleaseCapture();
  EXPECT_EQ(provider->PressedCode(), 0);
  EXPECT_EQ(provider->Button(HTCLOSE).State, 0);
  SendMessageW(window, WM_LBUTTONUP, 0, Client(Centre(close)));
  Application->ProcessMessages();
  EXPECT_EQ(closes, 0);

  // Press and release on it: the form is asked to close.
  SendMessageW(window, WM_NCLBUTTONDOWN, HTCLOSE, Screen(Centre(close)));
  SendMessageW(window, WM_LBUTTONUP, 0, Client(Centre(close)));
  EXPECT_TRUE(WaitUntil([&] { return closes == 1; }));
}

TEST_F(CaptionButtonTest, MinimiseButtonMinimises) {
  HWND window = form->Handle();
  const POINT min = Centre(provider->Button(HTMINBUTTON).Rect);
  SendMessageW(window, WM_NCLBUTTONDOWN, HTMINBUTTON, Screen(min));
  SendMessageW(window, WM_LBUTTONUP, 0, Client(min));
  EXPECT_TRUE(WaitUntil([&] { return IsIconic(window) != FALSE; }));
  ShowWindow(window, SW_RESTORE);
  EXPECT_TRUE(WaitUntil([&] { return !IsIconic(window); }));
}

}  // namespace
