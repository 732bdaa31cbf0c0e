// Animated transitions under Wine: a form's old look, taken from the screen, blended into
// its new one on a covering window frame by frame; a child control covered in place; the
// cover gone and redrawing back on however the transition ends.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "Helpers.h"
#include "framework/ExtCtrls.h"
#include "framework/Handles.h"
#include "skin/core/sFade.h"
#include "skin/paint/Pixels.h"

namespace {

const TColor kOldLook = MakeColor(250, 40, 0);
const TColor kNewLook = MakeColor(10, 200, 255);

// A transition frame: per channel (new * (256 - weight) + old * weight) >> 8.
TColor TransitionColor(TColor old, TColor now, int weight) {
  auto channel = [weight](int o, int n) { return (n * (256 - weight) + o * weight) >> 8; };
  return MakeColor(channel(RedOf(old), RedOf(now)), channel(GreenOf(old), GreenOf(now)),
                   channel(BlueOf(old), BlueOf(now)));
}

TColor ScreenPixel(POINT p) {
  const TClientDC screen = TClientDC::Screen();
  return static_cast<TColor>(GetPixel(screen.Get(), p.x, p.y));
}

// The centre of a control's client area on the screen.
POINT ClientCentre(TWinControl* control) {
  POINT p{control->ClientWidth() / 2, control->ClientHeight() / 2};
  ClientToScreen(control->Handle(), &p);
  return p;
}

bool RedrawOn(HWND window) { return (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

std::vector<int> AllLiveCounts() {
  std::vector<int> counts;
  for (THandleKind kind : {THandleKind::Brush, THandleKind::Pen, THandleKind::Font, THandleKind::Region,
                           THandleKind::Bitmap, THandleKind::DC, THandleKind::Window, THandleKind::Timer})
    counts.push_back(LiveHandles(kind));
  return counts;
}

class TransitionTest : public ::testing::Test {
protected:
  void SetUp() override {
    EnsureApplication();
    before = AllLiveCounts();
    form = std::make_unique<TForm>(Application);
    form->SetBounds(140, 100, 260, 180);
    form->SetColor(kOldLook);
    panel = new TPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(150, 20, 80, 50);
    panel->SetBevelOuter(bvNone);
    panel->SetColor(kNewLook);
    form->Show();
    ASSERT_TRUE(WaitUntil([&] {
      return ScreenPixel(ClientCentre(form.get())) == kOldLook && ScreenPixel(ClientCentre(panel)) == kNewLook;
    }));
  }
  void TearDown() override {
    OnTransitionFrame() = nullptr;
    EXPECT_EQ(TransitionWindow(), nullptr);
    form.reset();
    EXPECT_EQ(AllLiveCounts(), before) << "brush, pen, font, region, bitmap, DC, window, timer";
  }
  // A point of a control's client area in the window coordinates of `form`.
  POINT InForm(TWinControl* control, const RECT& formRect) {
    const POINT p = ClientCentre(control);
    return POINT{p.x - formRect.left, p.y - formRect.top};
  }

  std::unique_ptr<TForm> form;
  TPanel* panel = nullptr;
  std::vector<int> before;
};

TEST_F(TransitionTest, AFormsOldLookBlendsIntoItsNewOneOnTheCoverFrameByFrame) {
  struct Case {
    int time;
    std::vector<int> weights;
  };
  const Case cases[] = {{40, {255, 204, 153, 102, 51, 0}}, {16, {255, 128, 1}}, {7, {}}};
  TColor look = kOldLook;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.time);
    const HWND window = form->Handle();
    ASSERT_TRUE(PrepareTransition(form.get()));
    ASSERT_NE(TransitionWindow(), nullptr);
    const HWND cover = TransitionWindow()->Handle();
    EXPECT_FALSE(RedrawOn(window));
    EXPECT_TRUE(IsWindowVisible(cover));
    RECT formRect, coverRect;
    GetWindowRect(window, &formRect);
    GetWindowRect(cover, &coverRect);
    EXPECT_TRUE(EqualRect(&formRect, &coverRect));
    EXPECT_EQ(GetAncestor(cover, GA_PARENT), GetDesktopWindow()) << "a pop-up";

    // The form and the panel on it swap their colours.
    const TColor old = look;
    look = look == kOldLook ? kNewLook : kOldLook;
    form->SetColor(look);
    panel->SetColor(old);
    // Frames hold the whole window: the form's client area and the panel on it.
    const POINT centre = InForm(form.get(), formRect), onPanel = InForm(panel, formRect);
    std::vector<int> weights;
    std::vector<TColor> formPixels, panelPixels, coverPixels;
    OnTransitionFrame() = [&](int weight, const TBitmap& frame) {
      weights.push_back(weight);
      formPixels.push_back(GetRGB(frame.View().Pixel(centre.x, centre.y)));
      panelPixels.push_back(GetRGB(frame.View().Pixel(onPanel.x, onPanel.y)));
      const TClientDC dc = TClientDC::Of(cover);
      coverPixels.push_back(static_cast<TColor>(GetPixel(dc.Get(), centre.x, centre.y)));
    };
    AnimateTransition(form.get(), c.time);

    EXPECT_EQ(weights, c.weights);
    ASSERT_EQ(formPixels.size(), c.weights.size());
    for (size_t i = 0; i < weights.size(); ++i) {
      EXPECT_EQ(formPixels[i], TransitionColor(old, look, weights[i])) << "frame " << i;
      EXPECT_EQ(panelPixels[i], TransitionColor(look, old, weights[i])) << "frame " << i;
    }
    EXPECT_EQ(coverPixels, formPixels) << "each frame reached the cover";
    EXPECT_EQ(TransitionWindow(), nullptr);
    EXPECT_FALSE(IsWindow(cover));
    EXPECT_TRUE(RedrawOn(window));
    EXPECT_TRUE(WaitUntil([&] {
      return ScreenPixel(ClientCentre(form.get())) == look && ScreenPixel(ClientCentre(panel)) == old;
    }));
  }
}

TEST_F(TransitionTest, AChildIsCoveredInPlaceAndUncoveredHoweverTheTransitionEnds) {
  auto* sibling = new TPanel(form.get());
  sibling->SetParent(form.get());
  sibling->SetBounds(10, 100, 60, 30);
  sibling->HandleNeeded();
  struct Case {
    const char* name;
    std::function<void()> end;
    bool controlStays;
  };
  const Case cases[] = {
      {"cancelled", [] { CancelTransition(); }, true},
      {"animated", [&] { AnimateTransition(panel, 24); }, true},
      {"another control's transition begins", [&] { ASSERT_TRUE(PrepareTransition(sibling)); CancelTransition(); }, true},
      {"the control is freed", [&] { delete panel; }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const HWND window = panel->Handle();
    ASSERT_TRUE(PrepareTransition(panel));
    TOutputWindow* cover = TransitionWindow();
    ASSERT_NE(cover, nullptr);
    const HWND coverWindow = cover->Handle();
    EXPECT_EQ(GetParent(coverWindow), form->Handle());
    EXPECT_EQ(GetWindow(coverWindow, GW_HWNDNEXT), window) << "directly above the control";
    RECT panelRect, coverRect;
    GetWindowRect(window, &panelRect);
    GetWindowRect(coverWindow, &coverRect);
    EXPECT_TRUE(EqualRect(&panelRect, &coverRect));
    EXPECT_TRUE(IsWindowVisible(coverWindow));
    EXPECT_FALSE(RedrawOn(window));
    EXPECT_TRUE(WaitUntil([&] { return ScreenPixel(ClientCentre(panel)) == kNewLook; })) << "the cover shows the old look";

    c.end();
    EXPECT_EQ(TransitionWindow(), nullptr);
    EXPECT_FALSE(IsWindow(coverWindow));
    EXPECT_TRUE(RedrawOn(sibling->Handle()));
    if (c.controlStays) {
      EXPECT_TRUE(RedrawOn(window));
    }
  }
  delete sibling;
  panel = nullptr;
}

}  // namespace
