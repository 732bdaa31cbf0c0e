// Controls on a real form: window classes, alignment, framework notifications, mouse
// enter and leave, focus enter and exit, dialog characters and the tab order.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "Helpers.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"

namespace {

class TProbeForm : public TForm {
public:
  using TForm::TForm;
  const wchar_t* ClassName() const override { return L"TProbeForm"; }
};

class ControlTest : public ::testing::Test {
protected:
  void SetUp() override {
    EnsureApplication();
    form = std::make_unique<TProbeForm>(nullptr);
    form->SetBorderStyle(bsSingle);
    form->SetClientSize(300, 200);
    form->SetPosition(poScreenCenter);
  }
  void ShowAndActivate() {
    form->Show();
    ASSERT_TRUE(WaitUntil([&] { return GetActiveWindow() == form->Handle(); }));
  }
  template <class T>
  T* Add(TWinControl* parent, int left, int top, int width, int height) {
    auto* c = new T(form.get());
    c->SetParent(parent);
    c->SetBounds(left, top, width, height);
    return c;
  }
  std::unique_ptr<TProbeForm> form;
};

TEST_F(ControlTest, WindowClassesAreNamedAfterTheClassesAndKeepPlatformBehaviour) {
  auto* button = Add<TButton>(form.get(), 10, 10, 80, 25);
  auto* edit = Add<TEdit>(form.get(), 10, 40, 80, 21);
  auto* list = Add<TListBox>(form.get(), 10, 70, 80, 60);
  auto* panel = Add<TPanel>(form.get(), 100, 10, 80, 60);
  auto* pages = Add<TPageControl>(form.get(), 190, 10, 100, 100);
  auto* sheet = new TTabSheet(form.get());
  sheet->SetPageControl(pages);
  button->SetCaption(L"Go");
  form->Show();

  const struct {
    TWinControl* control;
    const wchar_t* className;
  } cases[] = {{form.get(), L"TProbeForm"}, {button, L"TButton"}, {edit, L"TEdit"},   {list, L"TListBox"},
               {panel, L"TPanel"},          {pages, L"TPageControl"}, {sheet, L"TTabSheet"}};
  for (const auto& c : cases) EXPECT_EQ(WindowClassOf(c.control->Handle()), c.className);

  EXPECT_EQ(WindowTextOf(button->Handle()), L"Go");
  EXPECT_NE(SendMessageW(button->Handle(), WM_GETDLGCODE, 0, 0) & DLGC_BUTTON, 0) << "not a platform button";
  SendMessageW(edit->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"typed"));
  EXPECT_EQ(edit->Text(), L"typed");  // the text lives in the window
  EXPECT_EQ(SendMessageW(pages->Handle(), TCM_GETITEMCOUNT, 0, 0), 1);
  EXPECT_EQ(TWinControl::FromHandle(list->Handle()), list);
}

TEST_F(ControlTest, AlignedChildrenShareTheClientAreaAndFollowResizes) {
  auto* panel = Add<TPanel>(form.get(), 0, 0, 200, 100);
  panel->SetBevelOuter(bvNone);
  struct Case {
    TAlign align;
    RECT expected;  // left, top, right, bottom after a 200 x 100 parent
  };
  const Case cases[] = {
      {alTop, {0, 0, 200, 10}},    {alBottom, {0, 80, 200, 100}}, {alLeft, {0, 10, 30, 80}},
      {alRight, {160, 10, 200, 80}}, {alClient, {30, 10, 160, 80}},
  };
  std::vector<TPanel*> children;
  for (const Case& c : cases) {
    auto* child = Add<TPanel>(panel, 50, 50, c.align == alLeft ? 30 : 40, c.align == alTop ? 10 : 20);
    child->SetAlign(c.align);
    children.push_back(child);
  }
  form->Show();
  for (size_t i = 0; i < children.size(); ++i) {
    const RECT r = children[i]->BoundsRect();
    EXPECT_EQ(r.left, cases[i].expected.left) << i;
    EXPECT_EQ(r.top, cases[i].expected.top) << i;
    EXPECT_EQ(r.right, cases[i].expected.right) << i;
    EXPECT_EQ(r.bottom, cases[i].expected.bottom) << i;
    RECT window;  // the platform window agrees with the control
    GetWindowRect(children[i]->Handle(), &window);
    MapWindowPoints(nullptr, panel->Handle(), reinterpret_cast<POINT*>(&window), 2);
    EXPECT_EQ(window.left, r.left) << i;
    EXPECT_EQ(window.bottom, r.bottom) << i;
  }
  panel->SetBounds(0, 0, 260, 140);
  EXPECT_EQ(children[1]->Top(), 120);          // bottom strip moved down
  EXPECT_EQ(children[4]->Width(), 260 - 70);   // client area took the new width
  children[0]->SetVisible(false);              // a hidden child gives its room back
  EXPECT_EQ(children[4]->Top(), 0);
  children[4]->Constraints().MaxWidth = 100;   // limits hold against alignment
  panel->SetBounds(0, 0, 300, 140);
  EXPECT_EQ(children[4]->Width(), 100);
}

// Children that are not aligned keep the distances of their anchored edges to the parent's
// over a series of resizes (each from the one before, growing and shrinking), windowed and
// painted children alike; a size limit holds against the stretching.
TEST_F(ControlTest, AnchoredChildrenKeepTheirDistancesOverResizes) {
  auto* panel = Add<TPanel>(form.get(), 0, 0, 200, 100);
  panel->SetBevelOuter(bvNone);
  struct Case {
    uint32_t anchors;
    bool windowed;
  };
  const Case cases[] = {
      {akLeft | akTop, true},           {akRight | akTop, true},           {akLeft | akRight | akTop, true},
      {akLeft | akBottom, true},        {akLeft | akTop | akBottom, true}, {akRight | akBottom, false},
      {akLeft | akRight | akTop | akBottom, false}, {0, true},
  };
  // Each child starts at (40, 30), 60 x 20, in a 200 x 100 client area.
  std::vector<TControl*> children;
  for (const Case& c : cases) {
    TControl* child;
    if (c.windowed) {
      child = Add<TButton>(panel, 40, 30, 60, 20);
    } else {
      auto* label = Add<TLabel>(panel, 40, 30, 60, 20);
      label->SetAutoSize(false);
      child = label;
    }
    child->SetAnchors(c.anchors);
    children.push_back(child);
  }
  auto* limited = Add<TButton>(panel, 40, 30, 60, 20);
  limited->SetAnchors(akLeft | akRight | akTop);
  limited->Constraints().MaxWidth = 90;
  limited->Constraints().MinWidth = 50;
  form->Show();
  for (const SIZE size : {SIZE{260, 140}, SIZE{230, 90}, SIZE{150, 70}, SIZE{200, 100}, SIZE{320, 200}}) {
    panel->SetBounds(0, 0, size.cx, size.cy);
    const int dx = size.cx - 200, dy = size.cy - 100;
    for (size_t i = 0; i < children.size(); ++i) {
      const uint32_t a = cases[i].anchors;
      const auto axis = [](bool nearAnchor, bool farAnchor, int start, int length, int delta) {
        if (nearAnchor && farAnchor) return std::pair{start, std::max(length + delta, 0)};
        if (farAnchor) return std::pair{start + delta, length};
        if (!nearAnchor) return std::pair{start + delta / 2, length};
        return std::pair{start, length};
      };
      const auto [left, width] = axis(a & akLeft, a & akRight, 40, 60, dx);
      const auto [top, height] = axis(a & akTop, a & akBottom, 30, 20, dy);
      const RECT r = children[i]->BoundsRect();
      SCOPED_TRACE(testing::Message() << "child " << i << " in " << size.cx << " x " << size.cy);
      EXPECT_EQ(r.left, left);
      EXPECT_EQ(r.top, top);
      EXPECT_EQ(r.right - r.left, width);
      EXPECT_EQ(r.bottom - r.top, height);
      if (cases[i].windowed) {
        RECT window;  // the platform window agrees with the control
        GetWindowRect(static_cast<TWinControl*>(children[i])->Handle(), &window);
        MapWindowPoints(nullptr, panel->Handle(), reinterpret_cast<POINT*>(&window), 2);
        EXPECT_EQ(window.left, left);
        EXPECT_EQ(window.right, left + width);
      }
    }
    EXPECT_EQ(limited->Left(), 40);
    EXPECT_EQ(limited->Width(), std::clamp(60 + dx, 50, 90)) << size.cx;
  }
  // Placed anew by the program: the distances count from there.
  children[1]->SetBounds(10, 30, 60, 20);  // 320 - 70 = 250 from the right edge
  panel->SetBounds(0, 0, 300, 200);
  EXPECT_EQ(children[1]->Left(), -10);
}

TEST_F(ControlTest, PropertyChangesArriveAsNotificationsAndReachChildren) {
  auto* panel = Add<TPanel>(form.get(), 0, 0, 200, 100);
  auto* label = Add<TLabel>(panel, 5, 5, 50, 13);
  auto* edit = Add<TEdit>(panel, 5, 30, 80, 21);
  form->Show();
  const std::vector<UINT> watched{CM_ENABLEDCHANGED, CM_VISIBLECHANGED, CM_TEXTCHANGED, CM_COLORCHANGED,
                                  CM_FONTCHANGED,    CM_PARENTCOLORCHANGED, CM_PARENTFONTCHANGED};
  MessageLog panelLog(*panel, watched), labelLog(*label, watched), editLog(*edit, watched);

  edit->SetEnabled(false);
  EXPECT_EQ(editLog.Count(CM_ENABLEDCHANGED), 1);
  EXPECT_FALSE(IsWindowEnabled(edit->Handle()));
  edit->SetVisible(false);
  EXPECT_EQ(editLog.Count(CM_VISIBLECHANGED), 1);
  EXPECT_FALSE(IsWindowVisible(edit->Handle()));
  label->SetCaption(L"x");
  label->SetCaption(L"x");  // no change, no notification
  EXPECT_EQ(labelLog.Count(CM_TEXTCHANGED), 1);

  panel->SetColor(clRed);
  EXPECT_EQ(panelLog.Count(CM_COLORCHANGED), 1);
  EXPECT_EQ(labelLog.Count(CM_PARENTCOLORCHANGED), 1);
  EXPECT_EQ(label->Color(), clRed);  // ParentColor follows
  EXPECT_EQ(editLog.Count(CM_PARENTCOLORCHANGED), 1);
  EXPECT_EQ(edit->Color(), clWindow);  // its own colour stays

  panel->Font().SetHeight(-20);
  EXPECT_EQ(panelLog.Count(CM_FONTCHANGED), 1);
  EXPECT_EQ(label->Font().Height(), -20);
  EXPECT_EQ(labelLog.Count(CM_FONTCHANGED), 1);
  EXPECT_TRUE(label->ParentFont());  // still following after the inherited change
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(edit->Handle(), WM_GETFONT, 0, 0)), edit->Font().Handle());
  edit->Font().SetHeight(-9);
  EXPECT_FALSE(edit->ParentFont());
}

TEST_F(ControlTest, PointerMovesSendEnterAndLeaveUpToTheForm) {
  auto* panel = Add<TPanel>(form.get(), 0, 0, 200, 100);
  auto* label = Add<TLabel>(panel, 10, 10, 50, 20);
  form->Show();
  MessageLog formLog(*form, {CM_MOUSEENTER, CM_MOUSELEAVE}), labelLog(*label, {CM_MOUSEENTER, CM_MOUSELEAVE});
  int entered = 0;
  label->OnMouseEnter = [&](TComponent*) { ++entered; };

  SendMessageW(panel->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));  // over the label
  SendMessageW(panel->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(21, 20));  // still over it
  ASSERT_EQ(labelLog.Count(CM_MOUSEENTER), 1);
  EXPECT_EQ(labelLog.Entries()[0].lParam, reinterpret_cast<LPARAM>(label));
  EXPECT_EQ(entered, 1);
  ASSERT_EQ(formLog.Count(CM_MOUSEENTER), 1);
  EXPECT_EQ(formLog.Entries()[0].lParam, reinterpret_cast<LPARAM>(label));  // the form hears which control

  // A press and release over the label are the label's: a click in its own coordinates.
  int clicks = 0;
  POINT down{-1, -1};
  label->OnClick = [&](TComponent*) { ++clicks; };
  label->OnMouseDown = [&](TComponent*, TMouseButton, TShiftState, int x, int y) { down = POINT{x, y}; };
  int panelClicks = 0;
  panel->OnClick = [&](TComponent*) { ++panelClicks; };
  SendMessageW(panel->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
  SendMessageW(panel->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(22, 21));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(down.x, 10);
  EXPECT_EQ(down.y, 10);
  EXPECT_EQ(panelClicks, 0);
  SendMessageW(panel->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
  SendMessageW(panel->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(150, 80));  // released elsewhere
  EXPECT_EQ(clicks, 1);

  SendMessageW(panel->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(150, 80));  // the panel itself
  EXPECT_EQ(labelLog.Count(CM_MOUSELEAVE), 1);
  EXPECT_EQ(MouseControl(), panel);

  // A freed control is no longer the hot one, so nothing is sent to it afterwards.
  SendMessageW(panel->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
  ASSERT_EQ(MouseControl(), label);
  delete label;
  EXPECT_FALSE(labelLog.Watching());  // the log heard of it and leaves the freed label alone
  EXPECT_EQ(MouseControl(), nullptr);
  SendMessageW(panel->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));  // where the label was
  EXPECT_EQ(MouseControl(), panel);
  SetMouseControl(nullptr);
}

class TPressProbe : public TButton {
public:
  using TButton::TButton;
  using TButton::MouseCapture;
};

TEST_F(ControlTest, APressOnAPlatformButtonEndsWithItsRelease) {
  auto* button = Add<TPressProbe>(form.get(), 10, 10, 80, 25);
  ShowAndActivate();
  int clicks = 0, ups = 0;
  button->OnClick = [&](TComponent*) { ++clicks; };
  button->OnMouseUp = [&](TComponent*, TMouseButton, TShiftState, int, int) { ++ups; };
  SendMessageW(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_TRUE(button->MouseCapture());
  SendMessageW(button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_FALSE(button->MouseCapture());  // painters of the pressed look ask this
  EXPECT_EQ(ups, 1);
  EXPECT_EQ(clicks, 1);  // the platform's click only
}

TEST_F(ControlTest, FocusMovesSendExitAndEnterAndTabFollowsTabOrder) {
  auto* panel = Add<TPanel>(form.get(), 0, 0, 300, 200);
  auto* first = Add<TEdit>(panel, 5, 5, 80, 21);
  auto* second = Add<TEdit>(form.get(), 5, 150, 80, 21);
  auto* third = Add<TEdit>(panel, 5, 60, 80, 21);
  third->SetTabOrder(0);  // third before first inside the panel
  ShowAndActivate();
  second->SetFocus();  // start outside the panel
  ASSERT_TRUE(second->Focused());
  MessageSequence focus({CM_ENTER, CM_EXIT, CM_FOCUSCHANGED});
  MessageLog firstLog(*first, focus, "first"), secondLog(*second, focus, "second"), thirdLog(*third, focus, "third"),
      panelLog(*panel, focus, "panel"), formLog(*form, focus, "form");
  // The form and then every windowed control on it, depth first, hear where it went.
  const auto focusChanged = [](TWinControl* to) {
    return ExpectedMessage{CM_FOCUSCHANGED, seq::sent | seq::lparam, 0, reinterpret_cast<LPARAM>(to), "form"};
  };
  const auto heardBy = [](TWinControl* to, const char* who) {
    return ExpectedMessage{CM_FOCUSCHANGED, seq::sent | seq::lparam, 0, reinterpret_cast<LPARAM>(to), who};
  };
  const auto heardByAll = [&](TWinControl* to) {
    return std::vector<ExpectedMessage>{focusChanged(to), heardBy(to, "panel"), heardBy(to, "first"),
                                        heardBy(to, "third"), heardBy(to, "second")};
  };
  const auto then = [](std::vector<ExpectedMessage> head, const std::vector<ExpectedMessage>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
  };

  // Exits from the inside out, enters from the outside in, then the form hears of it.
  first->SetFocus();
  ASSERT_TRUE(first->Focused());
  EXPECT_EQ(form->ActiveControl(), first);
  EXPECT_TRUE(SequenceMatches(focus.Messages(), then({{CM_EXIT, seq::sent, 0, 0, "second"},
                                                      {CM_ENTER, seq::sent, 0, 0, "panel"},
                                                      {CM_ENTER, seq::sent, 0, 0, "first"}},
                                                     heardByAll(first))));
  focus.Clear();
  second->SetFocus();
  EXPECT_TRUE(SequenceMatches(focus.Messages(), then({{CM_EXIT, seq::sent, 0, 0, "first"},
                                                      {CM_EXIT, seq::sent, 0, 0, "panel"},
                                                      {CM_ENTER, seq::sent, 0, 0, "second"}},
                                                     heardByAll(second))));

  // Tab order of the form: panel (third, first), then second.
  auto pressTab = [&] {
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
    Application->ProcessMessages();
  };
  pressTab();
  EXPECT_TRUE(third->Focused());
  focus.Clear();
  pressTab();
  EXPECT_TRUE(first->Focused());
  // Within the panel: the panel itself is neither left nor entered.
  EXPECT_TRUE(SequenceMatches(focus.Messages(),
                              then({{CM_EXIT, seq::sent, 0, 0, "third"}, {CM_ENTER, seq::sent, 0, 0, "first"}},
                                   heardByAll(first))));
  pressTab();
  EXPECT_TRUE(second->Focused());
}

TEST_F(ControlTest, CharactersAControlDoesNotWantBecomeDialogCharacters) {
  auto* button = Add<TButton>(form.get(), 5, 5, 80, 25);
  auto* edit = Add<TEdit>(form.get(), 5, 40, 80, 21);
  auto* accel = Add<TButton>(form.get(), 5, 70, 80, 25);
  accel->SetCaption(L"&Run");
  int accelClicks = 0;
  accel->OnClick = [&](TComponent*) { ++accelClicks; };
  ShowAndActivate();
  MessageLog buttonLog(*button, {CM_DIALOGCHAR});

  button->SetFocus();
  SendMessageW(button->Handle(), WM_CHAR, L' ', 0);
  ASSERT_EQ(buttonLog.Count(CM_DIALOGCHAR), 1);
  EXPECT_EQ(buttonLog.Entries()[0].wParam, static_cast<WPARAM>(L' '));
  SendMessageW(button->Handle(), WM_CHAR, L'r', 0);
  EXPECT_EQ(accelClicks, 1);  // the accelerator of another button

  edit->SetFocus();
  SendMessageW(edit->Handle(), WM_CHAR, L'r', 0);
  EXPECT_EQ(accelClicks, 1);  // an edit wants its characters
  EXPECT_EQ(buttonLog.Count(CM_DIALOGCHAR), 2);
  EXPECT_EQ(edit->Text(), L"r");
}

TEST_F(ControlTest, PrintRequestsPaintTheFaceAndTheLabelsIntoTheGivenDC) {
  auto* panel = Add<TPanel>(form.get(), 0, 0, 60, 30);
  panel->SetBevelOuter(bvNone);
  panel->SetColor(RGB(0, 128, 0));
  auto* label = Add<TLabel>(panel, 10, 5, 40, 20);
  label->SetColor(RGB(0, 0, 255));  // an opaque label paints its own colour
  form->Show();
  TBitmap picture(60, 30);
  SendMessageW(panel->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(picture.Canvas().Handle()),
               PRF_CLIENT | PRF_ERASEBKGND);
  GdiFlush();
  const uint8_t* face = picture.View().Pixel(2, 2);
  EXPECT_EQ(face[1], 128);  // green face
  EXPECT_EQ(face[2], 0);
  const uint8_t* behindLabel = picture.View().Pixel(45, 20);
  EXPECT_EQ(behindLabel[0], 255);  // the label's blue, at its place
  EXPECT_EQ(behindLabel[1], 0);
}

TEST_F(ControlTest, OwnerDrawRequestsReachTheChildTheyAreAbout) {
  auto* list = Add<TListBox>(form.get(), 0, 0, 120, 80);
  auto* other = Add<TListBox>(form.get(), 130, 0, 120, 80);
  for (TListBox* l : {list, other}) {
    l->SetStyle(lbOwnerDrawFixed);
    l->Items().AddStrings({L"a", L"b"});
  }
  MessageLog log(*list, {CN_MEASUREITEM, CN_DRAWITEM}), otherLog(*other, {CN_MEASUREITEM, CN_DRAWITEM});
  form->Show();
  ASSERT_TRUE(WaitUntil([&] { return log.Count(CN_DRAWITEM) >= 2 && otherLog.Count(CN_DRAWITEM) >= 2; }));
  EXPECT_GE(log.Count(CN_MEASUREITEM), 1);  // asked by control ID while the list is made
  EXPECT_GE(otherLog.Count(CN_MEASUREITEM), 1);
}

TEST_F(ControlTest, ListBoxKeepsItemsAndSelectionAcrossItsWindow) {
  auto* list = Add<TListBox>(form.get(), 0, 0, 200, 100);
  list->SetMultiSelect(true);
  list->Items().AddStrings({L"a", L"b", L"c", L"d"});  // before the window exists
  list->SetSelected(1, true);
  form->Show();
  ASSERT_TRUE(list->HandleAllocated());
  EXPECT_EQ(SendMessageW(list->Handle(), LB_GETCOUNT, 0, 0), 4);
  EXPECT_TRUE(list->Selected(1));
  list->SetSelected(3, true);
  list->RecreateWnd();
  EXPECT_EQ(list->Items().ToVector(), (std::vector<String>{L"a", L"b", L"c", L"d"}));
  EXPECT_EQ(list->SelCount(), 2);
  list->DeleteSelected();
  EXPECT_EQ(list->Items().ToVector(), (std::vector<String>{L"a", L"c"}));
  list->SelectAll();
  EXPECT_EQ(list->SelCount(), 2);
  list->DeleteSelected();
  EXPECT_EQ(list->Count(), 0);
  EXPECT_THROW(list->Items().Strings(0), Exception);
}

}  // namespace

namespace {

TEST_F(ControlTest, LosingTheCaptureEndsAPressWithoutAClick) {
  auto* button = Add<TPressProbe>(form.get(), 10, 10, 80, 25);
  auto* panel = Add<TPanel>(form.get(), 100, 10, 150, 100);
  auto* label = Add<TLabel>(panel, 10, 10, 50, 20);
  ShowAndActivate();
  int clicks = 0;
  button->OnClick = [&](TComponent*) { ++clicks; };
  label->OnClick = [&](TComponent*) { ++clicks; };

  // The capture taken by another window (a modal form, a menu) ends the button's press.
  SendMessageW(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ASSERT_TRUE(button->MouseCapture());
  SetCapture(panel->Handle());
  EXPECT_FALSE(button->MouseCapture());
  ReleaseCapture();
  SendMessageW(button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));

  // A cancelled mode ends the press of a non-windowed child held through its parent.
  SendMessageW(panel->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
  ASSERT_TRUE(label->ControlState() & csLButtonDown);
  SendMessageW(panel->Handle(), WM_CANCELMODE, 0, 0);
  EXPECT_FALSE(label->ControlState() & csLButtonDown);
  EXPECT_NE(GetCapture(), panel->Handle());
  SendMessageW(panel->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
  EXPECT_EQ(clicks, 0);
}

TEST_F(ControlTest, APressedControlDraggedOffIsNoLongerUnderThePointer) {
  auto* button = Add<TButton>(form.get(), 10, 10, 80, 25);
  ShowAndActivate();
  MessageLog log(*button, {CM_MOUSEENTER, CM_MOUSELEAVE});
  SendMessageW(button->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  SendMessageW(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ASSERT_EQ(GetCapture(), button->Handle());
  // With the capture, moves outside still arrive; they must not keep the button hot.
  SendMessageW(button->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 5));
  EXPECT_EQ(MouseControl(), nullptr);
  SendMessageW(button->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(6, 5));
  EXPECT_EQ(MouseControl(), button);
  SendMessageW(button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(6, 5));
  ASSERT_EQ(log.Entries().size(), 3u);
  EXPECT_EQ(log.Entries()[0].msg, static_cast<UINT>(CM_MOUSEENTER));
  EXPECT_EQ(log.Entries()[1].msg, static_cast<UINT>(CM_MOUSELEAVE));
  EXPECT_EQ(log.Entries()[1].lParam, reinterpret_cast<LPARAM>(button));
  EXPECT_EQ(log.Entries()[2].msg, static_cast<UINT>(CM_MOUSEENTER));
  SetMouseControl(nullptr);
}

TEST_F(ControlTest, TwoFastClicksOnAButtonAreTwoPresses) {
  auto* button = Add<TPressProbe>(form.get(), 10, 10, 80, 25);
  ShowAndActivate();
  EXPECT_EQ(GetClassLongPtrW(button->Handle(), GCL_STYLE) & CS_DBLCLKS, 0);
  int downs = 0, clicks = 0;
  button->OnMouseDown = [&](TComponent*, TMouseButton, TShiftState, int, int) { ++downs; };
  button->OnClick = [&](TComponent*) { ++clicks; };
  // Whatever the class says, a double click that does arrive is a press too.
  for (UINT press : {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}) {
    SendMessageW(button->Handle(), press, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(button->MouseCapture());
    SendMessageW(button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  }
  EXPECT_EQ(downs, 2);
  EXPECT_EQ(clicks, 2);
}

TEST_F(ControlTest, TurningRedrawOffDoesNotHideAControl) {
  auto* panel = Add<TPanel>(form.get(), 10, 10, 100, 100);
  auto* label = Add<TLabel>(panel, 5, 5, 40, 20);
  ShowAndActivate();
  ASSERT_TRUE(panel->Showing());
  SendMessageW(panel->Handle(), WM_SETREDRAW, FALSE, 0);
  EXPECT_TRUE(panel->Showing());
  EXPECT_TRUE(label->Showing());
  SendMessageW(panel->Handle(), WM_SETREDRAW, TRUE, 0);
  panel->Hide();
  EXPECT_FALSE(panel->Showing());
  EXPECT_FALSE(label->Showing());
}

TEST(ApplicationHook, HooksSeeTheApplicationWindowsMessagesFirst) {
  EnsureApplication();
  EXPECT_TRUE(Application->ShowHint());
  auto* released = new TForm(Application);
  int seen = 0;
  int owner = 0;
  Application->HookMainWindow(&owner, [&](TMessage& message) {
    if (message.Msg != CM_RELEASE) return false;
    ++seen;
    return true;  // taken: the framework does not free the form
  });
  released->Release();
  ASSERT_TRUE(WaitUntil([&] { return seen == 1; }));
  Application->UnhookMainWindow(&owner);
  bool stillListed = false;
  for (int i = 0; i < Screen->FormCount(); ++i) stillListed |= Screen->Forms(i) == released;
  EXPECT_TRUE(stillListed);
  released->Release();
  EXPECT_TRUE(WaitUntil([&] {
    for (int i = 0; i < Screen->FormCount(); ++i)
      if (Screen->Forms(i) == released) return false;
    return true;
  }));
  EXPECT_EQ(seen, 1);
}

}  // namespace

namespace {

TEST_F(ControlTest, TheDefaultLookFollowsTheFocusedButtonAndReturnsToTheDefaultOne) {
  auto* edit = Add<TEdit>(form.get(), 5, 5, 80, 21);
  auto* ok = Add<TButton>(form.get(), 5, 40, 80, 25);
  auto* other = Add<TButton>(form.get(), 5, 70, 80, 25);
  ok->SetDefault(true);
  ShowAndActivate();
  auto looksDefault = [](TButton* b) { return (GetWindowLongPtrW(b->Handle(), GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON; };
  edit->SetFocus();
  EXPECT_TRUE(looksDefault(ok));
  EXPECT_FALSE(looksDefault(other));
  other->SetFocus();
  EXPECT_FALSE(looksDefault(ok));
  EXPECT_TRUE(looksDefault(other));
  edit->SetFocus();
  EXPECT_TRUE(looksDefault(ok));
  EXPECT_FALSE(looksDefault(other));
}

}  // namespace
