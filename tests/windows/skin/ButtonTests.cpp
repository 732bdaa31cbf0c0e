// The skinned button on a real form with the built-in skin: its pictures per state against
// the painting core, the press rules (dragging off, the right button, two fast clicks,
// the space key, Down), the window region of its rounded corners, and no leaks.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "Helpers.h"
#include "SkinFixtures.h"
#include "framework/Handles.h"
#include "skin/controls/sButton.h"
#include "skin/core/sSkinCommands.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"

namespace {

class ButtonTest : public ::testing::Test {
protected:
  void SetUp() override {
    EnsureApplication();
    manager = NewTestManager(skins);
    ASSERT_TRUE(manager->IsDefault()) << "a manager of another test is still alive";
    TsStoredSkins stored;
    stored.Add(PackagedSkin(L"Frost"));
    manager->SetInternalSkins(stored);
    manager->SetSkinName(L"Frost");
    ASSERT_TRUE(manager->SkinActive());
    form = new TForm(Application);
    form->SetBorderStyle(bsSingle);
    form->SetClientSize(300, 120);
    form->SetPosition(poScreenCenter);
    button = new TsButton(form);
    button->SetParent(form);
    button->SetBounds(20, 30, 113, 25);
    other = new TsButton(form);
    other->SetParent(form);
    other->SetBounds(150, 30, 113, 25);
    other->SetCaption(L"other");
    button->OnClick = [this](TComponent*) { ++clicks; };
    form->Show();
    ASSERT_TRUE(WaitUntil([&] { return GetActiveWindow() == form->Handle(); }));
    other->SetFocus();  // the button under test is neither focused nor default
    Settle();
  }
  void TearDown() override {
    delete form;
    manager.reset();
  }
  void Settle() {
    RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Application->ProcessMessages();
  }
  LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

  // "BUTTON" as the painting core composes it for `state` over the form's colour (the
  // form has no cached picture), optionally with the disabled look.
  std::unique_ptr<TSurface> Expected(int state, bool disabled = false) {
    auto surface = NewSurface(button->Width(), button->Height(), 24);
    const TsCommonData& binding = button->SkinData();
    TPaintItemSource item;
    item.Skin = &manager->Tables();
    item.SkinIndex = binding.SectionIndex;
    item.SkinSection = binding.SkinSection();
    item.BorderIndex = binding.BorderMaskIndex;
    item.Texture = binding.PatternIndex;
    item.HotTexture = binding.HotPatternIndex;
    item.HasParent = true;
    item.ParentColor = static_cast<TColor>(ColorToRGB(form->Color()));
    PaintItem(item, BgInfo{}, true, true, surface->View(), TPoint{button->Left(), button->Top()},
              TsRect{0, 0, button->Width(), button->Height()}, state);
    if (disabled)
      ApplyDisabledLook(surface->View(), dkBlended, static_cast<TColor>(ColorToRGB(button->Color())),
                        TPoint{button->Left(), button->Top()}, BgInfo{});
    return surface;
  }
  // Pixels of the cached picture that differ from `expected`, outside the four corner
  // areas of the border mask (those are cut out of the window and repaired from the parent).
  int Differences(const TSurface& expected) {
    const TSurfaceView cache = button->SkinData().Cache()->View();
    const TsMaskData& mask = manager->Tables().MaskTable[static_cast<size_t>(button->SkinData().BorderMaskIndex)];
    const int w = cache.width, h = cache.height;
    int differing = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const bool corner = (x < mask.WL || x >= w - mask.WR) && (y < mask.WT || y >= h - mask.WB);
        if (corner) continue;
        const uint8_t* a = cache.Pixel(x, y);
        const uint8_t* b = expected.View().Pixel(x, y);
        if (a[0] != b[0] || a[1] != b[1] || a[2] != b[2]) ++differing;
      }
    return differing;
  }

  TempSkinFolder skins;
  std::unique_ptr<TsSkinManager> manager;
  TForm* form = nullptr;
  TsButton* button = nullptr;
  TsButton* other = nullptr;
  int clicks = 0;
};

TEST_F(ButtonTest, EachStateIsTheSectionAsThePaintingCoreComposesIt) {
  ASSERT_TRUE(button->SkinData().Skinned(true));
  ASSERT_EQ(button->SkinData().SkinSection(), "BUTTON");
  struct Case {
    const char* name;
    std::function<void()> enter;
    int state;
    bool disabled;
  };
  const Case cases[] = {
      {"normal", [] {}, 0, false},
      {"hot", [&] { button->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(button)); }, 1, false},
      {"disabled", [&] { button->SetEnabled(false); }, 0, true},
      {"pressed", [&] {
         button->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(button));
         SendMessageW(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
       }, 2, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.enter();
    Settle();
    EXPECT_EQ(button->SkinState(), c.state);
    EXPECT_EQ(Differences(*Expected(c.state, c.disabled)), 0);
    // Back to normal for the next case.
    if (c.state == 2) SendMessageW(button->Handle(), WM_LBUTTONUP, 0, At(500, 500));
    button->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(button));
    button->SetEnabled(true);
    Settle();
  }
}

TEST_F(ButtonTest, APressDraggedOffLooksHotAndReleasesWithoutAClick) {
  button->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(button));
  ASSERT_TRUE(Application->ShowHint());
  SendMessageW(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
  EXPECT_EQ(button->SkinState(), 2);
  EXPECT_FALSE(Application->ShowHint());  // no hints while the button is held
  // Off the button with the button held: the pointer is no longer over it.
  SendMessageW(button->Handle(), WM_MOUSEMOVE, MK_LBUTTON, At(-40, 5));
  button->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(button));
  EXPECT_NE(button->SkinState(), 2);
  SendMessageW(button->Handle(), WM_LBUTTONUP, 0, At(-40, 5));
  EXPECT_EQ(clicks, 0);
  EXPECT_FALSE(button->Down());
  EXPECT_TRUE(Application->ShowHint());

  // The right button never presses and never clicks, but its release is reported.
  int ups = 0;
  button->OnMouseUp = [&](TComponent*, TMouseButton b, TShiftState, int, int) { ups += b == TMouseButton::mbRight; };
  SendMessageW(button->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, At(5, 5));
  EXPECT_FALSE(button->Down());
  SendMessageW(button->Handle(), WM_RBUTTONUP, 0, At(5, 5));
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(ups, 1);

  // Two fast clicks are two clicks.
  for (int i = 0; i < 2; ++i) {
    SendMessageW(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    SendMessageW(button->Handle(), WM_LBUTTONUP, 0, At(5, 5));
  }
  EXPECT_EQ(clicks, 2);
}

TEST_F(ButtonTest, SpaceAndDownPressTheButton) {
  button->SetFocus();
  ASSERT_TRUE(button->Focused());
  PostMessageW(button->Handle(), WM_CHAR, VK_SPACE, 0);
  Application->ProcessMessages();
  EXPECT_TRUE(button->Down());
  EXPECT_EQ(clicks, 0);
  PostMessageW(button->Handle(), WM_KEYUP, VK_SPACE, 0);
  Application->ProcessMessages();
  EXPECT_FALSE(button->Down());
  EXPECT_EQ(clicks, 1);

  button->SetDown(true);
  EXPECT_EQ(button->SkinState(), 2);
  SendMessageW(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
  SendMessageW(button->Handle(), WM_LBUTTONUP, 0, At(5, 5));
  EXPECT_EQ(clicks, 2);
  EXPECT_TRUE(button->Down());  // held by the program
  EXPECT_EQ(button->SkinState(), 2);
}

TEST_F(ButtonTest, TheRoundedCornersAreCutOutOfTheWindow) {
  TRegionHandle region = NewRectRegion(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(button->Handle(), region.Get()), ERROR);
  EXPECT_FALSE(PtInRegion(region.Get(), 0, 0));
  EXPECT_FALSE(PtInRegion(region.Get(), button->Width() - 1, button->Height() - 1));
  EXPECT_TRUE(PtInRegion(region.Get(), button->Width() / 2, button->Height() / 2));
  EXPECT_TRUE(PtInRegion(region.Get(), button->Width() / 2, 0));
  EXPECT_FALSE(button->RegionPending());
  // Through the cut-out corner the form shows on screen.
  TClientDC screen = TClientDC::Of(form->Handle());
  const COLORREF corner = GetPixel(screen.Get(), button->Left(), button->Top());
  EXPECT_EQ(corner, ColorToRGB(form->Color()));
}

TEST_F(ButtonTest, AHiddenButtonLosingTheFocusStaysHidden) {
  button->SetFocus();
  ASSERT_EQ(GetFocus(), button->Handle());
  ShowWindow(button->Handle(), SW_HIDE);
  SendMessageW(button->Handle(), WM_KILLFOCUS, reinterpret_cast<WPARAM>(other->Handle()), 0);
  EXPECT_FALSE(IsWindowVisible(button->Handle()));
  EXPECT_EQ(GetWindowLongW(button->Handle(), GWL_STYLE) & WS_VISIBLE, 0);
  EXPECT_FALSE(button->Showing());
  // Hidden while it had the focus and then given it again by a call: still hidden.
  SendMessageW(button->Handle(), WM_SETFOCUS, 0, 0);
  EXPECT_FALSE(IsWindowVisible(button->Handle()));
}

TEST_F(ButtonTest, HoverAndPressCyclesLeaveNoHandleBehind) {
  constexpr THandleKind kinds[] = {THandleKind::Brush,  THandleKind::Pen, THandleKind::Font,
                                   THandleKind::Region, THandleKind::Bitmap, THandleKind::DC,
                                   THandleKind::Window, THandleKind::Timer};
  auto cycle = [&] {
    button->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(button));
    Settle();
    SendMessageW(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    Settle();
    SendMessageW(button->Handle(), WM_LBUTTONUP, 0, At(5, 5));
    button->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(button));
    Settle();
  };
  cycle();
  std::vector<int> before;
  for (THandleKind kind : kinds) before.push_back(LiveHandles(kind));
  for (int i = 0; i < 100; ++i) cycle();
  for (size_t k = 0; k < std::size(kinds); ++k)
    EXPECT_EQ(LiveHandles(kinds[k]), before[k]) << "handle kind " << static_cast<int>(kinds[k]);
  EXPECT_EQ(clicks, 101);
}

TEST(UnskinnedButton, IsThePlatformButtonAndStillAnswersSkinCommands) {
  EnsureApplication();
  ASSERT_EQ(DefaultManager(), nullptr);
  auto* form = new TForm(Application);
  auto* button = new TsButton(form);
  button->SetParent(form);
  button->SetBounds(10, 10, 80, 25);
  int clicks = 0;
  button->OnClick = [&](TComponent*) { ++clicks; };
  form->Show();
  EXPECT_FALSE(button->SkinData().Skinned());
  SendMessageW(button->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(AskWindow(button->Handle(), CMD_ISSKINNED));
  EXPECT_EQ(SendSkinCommand(button->Handle(), CMD_GETAPPLICATION, 0), reinterpret_cast<LRESULT>(Application));
  delete form;
}

}  // namespace
