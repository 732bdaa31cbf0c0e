// Window handlers on real standard windows with the built-in skin: the push-button handler
// paints what the painting core renders for "BUTTON" and gives the window its own procedure
// and look back when the skin goes; the base handling's message rules; and a handler freed
// in every order with its window, its form, the skin and a foreign subclass on top.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "HandlerFixture.h"
#include "framework/Forms.h"
#include "framework/Handles.h"
#include "framework/StdCtrls.h"
#include "skin/core/sSkinCommands.h"
#include "skin/paint/Compose.h"
#include "skin/window/acBtnWnd.h"

namespace {

// A subclass put on a window by plain SetWindowLongPtr (as foreign code does): records the
// messages it sees and whether the window carried a handler at that moment.
struct ForeignProbe {
  struct Seen {
    UINT msg;
    bool handlerProperty;
    bool firstInChain;
  };
  static std::map<HWND, ForeignProbe*>& All() {
    static std::map<HWND, ForeignProbe*> all;
    return all;
  }
  static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    ForeignProbe* probe = All()[w];
    probe->seen.push_back({msg, GetPropW(w, L"ACSBSC") != nullptr,
                           reinterpret_cast<WNDPROC>(GetWindowLongPtrW(w, GWLP_WNDPROC)) == &Proc});
    const WNDPROC previous = probe->previous;
    if (msg == WM_NCDESTROY) All().erase(w);
    return CallWindowProcW(previous, w, msg, wp, lp);
  }
  explicit ForeignProbe(HWND w) : window(w) {
    All()[w] = this;
    previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
  }
  int Count(UINT msg) const {
    int n = 0;
    for (const Seen& s : seen) n += s.msg == msg;
    return n;
  }
  const Seen* Find(UINT msg) const {
    for (const Seen& s : seen)
      if (s.msg == msg) return &s;
    return nullptr;
  }
  HWND window;
  WNDPROC previous = nullptr;
  std::vector<Seen> seen;
};

WNDPROC ProcedureOf(HWND w) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(w, GWLP_WNDPROC)); }

class ButtonHandlerTest : public HandlerTest {
protected:
  void SetUp() override {
    HandlerTest::SetUp();
    SetCursorPos(1000, 740);  // nowhere near the windows: no hot look
  }
  // "BUTTON" as the painting core renders it for a plain window at `offset` of a parent
  // that has no picture, in `state`.
  std::unique_ptr<TSurface> Render(int width, int height, TPoint offset, int state) {
    auto surface = NewSurface(width, height, 24);
    const int index = manager->SectionIndex("BUTTON");
    TPaintItemSource item;
    item.Skin = &manager->Tables();
    item.SkinIndex = index;
    item.SkinSection = "BUTTON";
    item.BorderIndex = manager->MaskIndex(index, "BUTTON", "BORDERSMASK");
    item.Texture = manager->TextureIndex(index, "BUTTON", "PATTERN");
    item.HotTexture = manager->TextureIndex(index, "BUTTON", "HOTPATTERN");
    item.HasParent = true;
    PaintItem(item, BgInfo{}, true, false, surface->View(), offset, TsRect{0, 0, width, height}, state);
    return surface;
  }
};

TEST_F(ButtonHandlerTest, PaintsTheButtonSectionAndGivesTheWindowBackWhenTheSkinGoes) {
  HWND button = Child(L"BUTTON", L"OK", BS_PUSHBUTTON, RECT{10, 10, 85, 33});
  const WNDPROC own = ProcedureOf(button);
  const auto before = ClientPixels(button);

  auto handler = TacMainWnd::Create<TacBtnWnd>(button, false, std::string("BUTTON"), nullptr, nullptr);
  EXPECT_EQ(TacMainWnd::HandlerOf(button), handler.get());
  EXPECT_EQ(handler->Caption(), L"OK");
  EXPECT_EQ(handler->Binding()->SectionIndex, manager->SectionIndex("BUTTON"));
  const auto skinned = ClientPixels(button);
  const auto expected = Render(75, 23, TPoint{10, 10}, 0);
  RECT caption = handler->CaptionRect();
  int mismatches = 0, captionPixels = 0;
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 75; ++x) {
      const bool inCaption = PtInRect(&caption, POINT{x, y}) != 0;
      const bool same = PixelOf(skinned->View(), x, y) == PixelOf(expected->View(), x, y);
      if (inCaption)
        captionPixels += !same;
      else
        mismatches += !same;
    }
  EXPECT_EQ(mismatches, 0) << "pixels outside the caption that differ from the section's render";
  EXPECT_GT(captionPixels, 10) << "no caption drawn";
  int repainted = 0;
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 75; ++x) repainted += PixelOf(before->View(), x, y) != PixelOf(skinned->View(), x, y);
  EXPECT_GT(repainted, 75 * 23 / 4) << "the platform's look is still on the screen";

  // Skin off: the owner frees its handlers while the skin is being removed.
  manager->RemoveSkin();
  SendSkinCommand(button, CMD_SKINREMOVED, reinterpret_cast<LPARAM>(manager.get()));
  handler.reset();
  EXPECT_EQ(ProcedureOf(button), own);
  EXPECT_EQ(GetPropW(button, L"ACSBSC"), nullptr);
  EXPECT_EQ(TacMainWnd::HandlerOf(button), nullptr);
  const auto after = ClientPixels(button);
  int changed = 0;
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 75; ++x) changed += PixelOf(before->View(), x, y) != PixelOf(after->View(), x, y);
  EXPECT_EQ(changed, 0) << "the platform's own look is not back";
}

// The look of each state against the section's render of it (outside the caption).
struct StateCase {
  const char* name;
  int state;
  std::function<void(HWND, TsSkinManager&)> enter;
};

class ButtonStateTest : public ButtonHandlerTest, public ::testing::WithParamInterface<StateCase> {};

TEST_P(ButtonStateTest, LooksLikeTheSectionInThatState) {
  HWND button = Child(L"BUTTON", L"OK", BS_PUSHBUTTON, RECT{10, 10, 85, 33});
  auto handler = TacMainWnd::Create<TacBtnWnd>(button, false, std::string("BUTTON"), nullptr, nullptr);
  GetParam().enter(button, *manager);
  EXPECT_EQ(handler->ButtonState(), GetParam().state);
  const auto shot = ClientPixels(button);
  const auto expected = Render(75, 23, TPoint{10, 10}, GetParam().state);
  const RECT caption = handler->CaptionRect();
  int mismatches = 0;
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 75; ++x)
      if (!PtInRect(&caption, POINT{x, y})) mismatches += PixelOf(shot->View(), x, y) != PixelOf(expected->View(), x, y);
  EXPECT_EQ(mismatches, 0);
  // The states look different at all (else this would check nothing).
  const auto normal = Render(75, 23, TPoint{10, 10}, 0);
  int differs = 0;
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 75; ++x) differs += PixelOf(normal->View(), x, y) != PixelOf(expected->View(), x, y);
  EXPECT_EQ(differs > 0, GetParam().state != 0);
}

INSTANTIATE_TEST_SUITE_P(
    States, ButtonStateTest,
    ::testing::Values(StateCase{"Normal", 0, [](HWND, TsSkinManager&) {}},
                      StateCase{"Hot", 1, [](HWND b, TsSkinManager& m) { m.SetHotWindow(b); }},
                      StateCase{"Pushed", 2, [](HWND b, TsSkinManager&) { SendMessageW(b, BM_SETSTATE, TRUE, 0); }},
                      StateCase{"Default", 1,
                                [](HWND b, TsSkinManager&) { SendMessageW(b, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE); }}),
    [](const ::testing::TestParamInfo<StateCase>& param) { return std::string(param.param.name); });

// A button whose caption measures a fixed size, to check the caption's place.
class FixedCaptionBtn : public TacBtnWnd {
public:
  using TacBtnWnd::TacBtnWnd;
  SIZE CaptionSize() override { return SIZE{40, 13}; }
};

TEST_F(ButtonHandlerTest, CaptionIsCentredAndMovesOnePixelWhilePushed) {
  HWND button = Child(L"BUTTON", L"Caption()", BS_PUSHBUTTON, RECT{10, 10, 85, 33});
  auto handler = TacMainWnd::Create<FixedCaptionBtn>(button, false, std::string("BUTTON"), nullptr, nullptr);
  handler->UpdateGeometry();
  RECT r = handler->CaptionRect();
  EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right, r.bottom}), (std::vector<LONG>{16, 5, 60, 18}));
  SendMessageW(button, BM_SETSTATE, TRUE, 0);
  EXPECT_EQ(handler->ButtonState(), 2);
  r = handler->CaptionRect();
  EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right, r.bottom}), (std::vector<LONG>{17, 6, 61, 19}));
}

TEST_F(ButtonHandlerTest, BaseHandlingPassesTextOnOnceAndKeepsTheFocusFromADisabledButton) {
  HWND button = Child(L"BUTTON", L"one", BS_PUSHBUTTON, RECT{10, 10, 85, 33});
  ForeignProbe below(button);  // the handler's previous procedure
  auto handler = TacMainWnd::Create<TacBtnWnd>(button, false, std::string("BUTTON"), nullptr, nullptr);

  SetWindowTextW(button, L"two");
  EXPECT_EQ(below.Count(WM_SETTEXT), 1);
  EXPECT_EQ(handler->Caption(), L"two");

  EXPECT_EQ(SendMessageW(button, SM_SKINCMD, SkinCommandWParam(CMD_ISSKINNED), 0), 1);
  SendMessageW(button, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
  EXPECT_EQ(below.Count(WM_UPDATEUISTATE), 0);

  EnableWindow(button, FALSE);
  SendMessageW(button, WM_SETFOCUS, 0, 0);
  EXPECT_EQ(below.Count(WM_SETFOCUS), 0);
  EXPECT_EQ(handler->ButtonState(), 0);
}

// Dialogs hide buttons that have the focus: the focus moves away after the window is
// hidden, and the handler's quiet focus step must not show it again.
TEST_F(ButtonHandlerTest, AHiddenButtonLosingTheFocusStaysHidden) {
  HWND button = Child(L"BUTTON", L"OK", BS_PUSHBUTTON, RECT{10, 10, 85, 33});
  auto handler = TacMainWnd::Create<TacBtnWnd>(button, false, std::string("BUTTON"), nullptr, nullptr);
  SetForegroundWindow(host);
  SetFocus(button);
  ASSERT_EQ(GetFocus(), button);
  ShowWindow(button, SW_HIDE);
  // Whether or not hiding moved the focus, the window gets one more after it is hidden.
  SendMessageW(button, WM_KILLFOCUS, reinterpret_cast<WPARAM>(host), 0);
  EXPECT_FALSE(IsWindowVisible(button));
  EXPECT_EQ(GetWindowLongW(button, GWL_STYLE) & WS_VISIBLE, 0);
  // A visible button still switches its redrawing back on after the step.
  ShowWindow(button, SW_SHOWNA);
  SendMessageW(button, WM_SETFOCUS, 0, 0);
  SendMessageW(button, WM_KILLFOCUS, 0, 0);
  EXPECT_TRUE(IsWindowVisible(button));
}

TEST_F(ButtonHandlerTest, RepaintingLeavesNoHandlesBehind) {
  HWND button = Child(L"BUTTON", L"OK", BS_PUSHBUTTON, RECT{10, 10, 85, 33});
  auto handler = TacMainWnd::Create<TacBtnWnd>(button, false, std::string("BUTTON"), nullptr, nullptr);
  Settle(button);
  TBitmap printed(75, 23);
  printed.Canvas();  // its DC made before counting
  const THandleKind kinds[] = {THandleKind::Bitmap, THandleKind::DC, THandleKind::Brush, THandleKind::Font,
                               THandleKind::Pen, THandleKind::Region};
  std::vector<int> before;
  for (THandleKind kind : kinds) before.push_back(LiveHandles(kind));
  for (int i = 0; i < 200; ++i) {
    SendMessageW(button, BM_SETSTATE, i % 2, 0);
    SendMessageW(button, WM_PRINT, reinterpret_cast<WPARAM>(printed.Canvas().Handle()), PRF_CLIENT);
  }
  std::vector<int> after;
  for (THandleKind kind : kinds) after.push_back(LiveHandles(kind));
  EXPECT_EQ(after, before);
}

TEST_F(ButtonHandlerTest, AnswersSkinCommandsAndPassesEverythingOnOnceTheSkinIsOff) {
  HWND button = Child(L"BUTTON", L"OK", BS_PUSHBUTTON, RECT{10, 10, 85, 33});
  ForeignProbe below(button);
  auto handler = TacMainWnd::Create<TacBtnWnd>(button, false, std::string("BUTTON"), nullptr, nullptr);
  Settle(button);
  const BgInfo bg = AskBackground(button);
  EXPECT_TRUE(bg.Ready);
  EXPECT_EQ(bg.Bmp.width, 75);
  EXPECT_EQ(bg.Bmp.height, 23);
  EXPECT_EQ(SendSkinCommand(button, CMD_GETAPPLICATION, 0), reinterpret_cast<LRESULT>(Application));
  SendMessageW(button, WM_ERASEBKGND, 0, 0);
  EXPECT_EQ(below.Count(WM_ERASEBKGND), 0) << "the handler paints everything: no erasing";

  manager->RemoveSkin();
  SendSkinCommand(button, CMD_SKINREMOVED, reinterpret_cast<LPARAM>(manager.get()));
  EXPECT_EQ(TacMainWnd::HandlerOf(button), handler.get()) << "still attached";
  SendMessageW(button, WM_ERASEBKGND, 0, 0);
  RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(below.Count(WM_ERASEBKGND), 1);
  EXPECT_GE(below.Count(WM_PAINT), 1);
}

// A handler that frees itself with its window (as a menu window's does), and destroys its
// window from inside one of the window's messages on request.
class SelfFreeingWnd : public TacMainWnd {
public:
  static constexpr UINT kDestroyYourself = WM_USER + 7;
  using TacMainWnd::TacMainWnd;
  std::function<void()> AfterDestroy;
  bool touched = false;
  void WndProc(TMessage& message) override {
    if (message.Msg == kDestroyYourself) {
      DestroyWindow(Window());
      // Still alive here: freed once this, the outermost message, returns.
      touched = true;
      if (AfterDestroy) AfterDestroy();
      message.Result = 1;
      return;
    }
    const bool destroy = message.Msg == WM_DESTROY;
    TacMainWnd::WndProc(message);
    if (destroy) Detach(true);
  }
};

TEST_F(HandlerTest, SelfFreeingHandlerGoesOnlyAfterItsOutermostMessage) {
  const int before = TacMainWnd::LiveCount();
  const int records = TWindowSubclass::LiveRecordCount();
  HWND outside = Child(L"STATIC", L"a", 0, RECT{0, 0, 50, 20});
  TacMainWnd::Create<SelfFreeingWnd>(outside, false, std::string("CHECKBOX"), nullptr, nullptr).release();
  DestroyWindow(outside);
  EXPECT_EQ(TacMainWnd::LiveCount(), before);

  HWND inside = Child(L"STATIC", L"b", 0, RECT{0, 0, 50, 20});
  auto* handler = TacMainWnd::Create<SelfFreeingWnd>(inside, false, std::string("CHECKBOX"), nullptr, nullptr).release();
  int aliveDuring = 0;
  handler->AfterDestroy = [&] { aliveDuring = TacMainWnd::LiveCount(); };
  EXPECT_EQ(SendMessageW(inside, SelfFreeingWnd::kDestroyYourself, 0, 0), 1);
  EXPECT_EQ(aliveDuring, before + 1);
  EXPECT_FALSE(IsWindow(inside));
  EXPECT_EQ(TacMainWnd::LiveCount(), before);
  EXPECT_EQ(TWindowSubclass::LiveRecordCount(), records);
}

// A handler whose own step raises on one message, as a user's event handler run inside
// the chain can.
class RaisingWnd : public TacMainWnd {
public:
  static constexpr UINT kRaise = WM_USER + 8;
  using TacMainWnd::TacMainWnd;
  void WndProc(TMessage& message) override {
    if (message.Msg == kRaise) throw Exception(L"raised inside the chain");
    TacMainWnd::WndProc(message);
  }
};

// An error through either way of taking a window over leaves no message counted as
// running: the handler is freed at once by a later Detach(true).
TEST_F(HandlerTest, AnErrorThroughTheChainLeavesTheHandlerFreeable) {
  std::vector<String> reported;
  Application->OnException = [&](TComponent*, const String& text) { reported.push_back(text); };
  const int before = TacMainWnd::LiveCount();
  for (const bool framework : {false, true}) {
    SCOPED_TRACE(framework ? "framework control" : "plain window");
    std::unique_ptr<TForm> form;
    std::unique_ptr<TsCommonData> binding;
    HWND window = nullptr;
    if (framework) {
      form = std::make_unique<TForm>(nullptr);
      form->SetClientSize(200, 100);
      auto* button = new TButton(form.get());
      button->SetParent(form.get());
      button->SetBounds(10, 10, 75, 23);
      form->Show();
      binding = std::make_unique<TsCommonData>(button, true);
      window = button->Handle();
    } else {
      window = Child(L"BUTTON", L"plain", BS_PUSHBUTTON, RECT{10, 10, 85, 33});
    }
    TacMainWnd* handler =
        TacMainWnd::Create<RaisingWnd>(window, false, std::string("BUTTON"), nullptr, binding.get()).release();
    reported.clear();
    SendMessageW(window, RaisingWnd::kRaise, 0, 0);
    EXPECT_EQ(reported.size(), 1u) << "the error is reported where the chain catches it";
    EXPECT_EQ(TacMainWnd::LiveCount(), before + 1);
    handler->Detach(true);
    EXPECT_EQ(TacMainWnd::LiveCount(), before) << "the handler was only marked for freeing";
    if (TacMainWnd::LiveCount() != before) delete handler;  // keep the next case clean
    form.reset();
    if (!framework) DestroyWindow(window);
  }
  Application->OnException = nullptr;
}

// ---------------------------------------------------------------- freeing in every order

enum class Order { WindowFirst, FormFirst, SkinRemovedFirst, ForeignSubclassOnTop };

struct OrderCase {
  const char* name;
  Order order;
};

class HandlerOrderTest : public HandlerTest, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(HandlerOrderTest, LeavesNoHandlerRecordOrChainBehind) {
  const int handlersBefore = TacMainWnd::LiveCount();
  const int recordsBefore = TWindowSubclass::LiveRecordCount();
  const Order order = GetParam().order;

  if (order == Order::FormFirst) {
    // A framework button on a form: the handler sits in the control's chain.
    auto* form = new TForm(Application);
    form->SetClientSize(200, 100);
    auto* button = new TButton(form);
    button->SetParent(form);
    button->SetBounds(10, 10, 75, 23);
    button->SetCaption(L"framework");
    form->Show();
    Application->ProcessMessages();
    auto binding = std::make_unique<TsCommonData>(button, true);
    auto handler = TacMainWnd::Create<TacBtnWnd>(button->Handle(), false, std::string("BUTTON"), nullptr, binding.get());
    EXPECT_EQ(TacMainWnd::HandlerOf(button->Handle()), handler.get());
    EXPECT_TRUE(handler->InChain());
    EXPECT_EQ(handler->PreviousProcedure(), nullptr);
    button->Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"seen"));
    EXPECT_EQ(handler->Caption(), L"seen");
    delete form;
    EXPECT_TRUE(handler->Destroyed());
    handler.reset();
    binding.reset();
  } else {
    HWND button = Child(L"BUTTON", L"plain", BS_PUSHBUTTON, RECT{10, 10, 85, 33});
    const WNDPROC own = ProcedureOf(button);
    std::unique_ptr<ForeignProbe> below, above;
    if (order == Order::WindowFirst) below = std::make_unique<ForeignProbe>(button);
    auto handler = TacMainWnd::Create<TacBtnWnd>(button, false, std::string("BUTTON"), nullptr, nullptr);
    EXPECT_NE(handler->PreviousProcedure(), nullptr);
    switch (order) {
      case Order::WindowFirst: {
        DestroyWindow(button);
        EXPECT_TRUE(handler->Destroyed());
        // Unhooked before the window's own procedure handled WM_DESTROY.
        const ForeignProbe::Seen* destroy = below->Find(WM_DESTROY);
        ASSERT_NE(destroy, nullptr);
        EXPECT_FALSE(destroy->handlerProperty);
        EXPECT_TRUE(destroy->firstInChain);
        EXPECT_EQ(below->Count(WM_DESTROY), 1);
        EXPECT_EQ(below->Count(WM_NCDESTROY), 1);
        handler.reset();
        break;
      }
      case Order::SkinRemovedFirst:
        manager->RemoveSkin();
        handler.reset();
        EXPECT_EQ(ProcedureOf(button), own);
        EXPECT_EQ(GetPropW(button, L"ACSBSC"), nullptr);
        DestroyWindow(button);
        break;
      case Order::ForeignSubclassOnTop: {
        above = std::make_unique<ForeignProbe>(button);
        handler.reset();
        // Ours cannot leave without cutting the foreign one off: it passes messages on.
        EXPECT_EQ(ProcedureOf(button), &ForeignProbe::Proc);
        EXPECT_EQ(GetPropW(button, L"ACSBSC"), nullptr);
        SetWindowTextW(button, L"still works");
        EXPECT_EQ(WindowTextOf(button), L"still works");
        DestroyWindow(button);
        EXPECT_EQ(above->Count(WM_NCDESTROY), 1);
        break;
      }
      default: break;
    }
  }
  Application->ProcessMessages();
  EXPECT_EQ(TacMainWnd::LiveCount(), handlersBefore);
  EXPECT_EQ(TWindowSubclass::LiveRecordCount(), recordsBefore);
}

INSTANTIATE_TEST_SUITE_P(Orders, HandlerOrderTest,
                         ::testing::Values(OrderCase{"WindowFirst", Order::WindowFirst},
                                           OrderCase{"FormFirst", Order::FormFirst},
                                           OrderCase{"SkinRemovedFirst", Order::SkinRemovedFirst},
                                           OrderCase{"ForeignSubclassOnTop", Order::ForeignSubclassOnTop}),
                         [](const ::testing::TestParamInfo<OrderCase>& param) { return std::string(param.param.name); });

}  // namespace
