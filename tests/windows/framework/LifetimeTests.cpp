// Lifetimes: windows destroyed while the whole object exists, handlers in front of a
// control's window procedure and the orders they can die in, windows bound to their
// controls through nested creation, errors raised while the message loop runs.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Helpers.h"
#include "framework/ExtCtrls.h"
#include "framework/Handles.h"
#include "framework/StdCtrls.h"

namespace {

// ---------------------------------------------------------------- destruction order

std::vector<UINT>* gSeenByDerived = nullptr;

// Records, in its own member, the messages its most derived WndProc sees; its destructor
// hands them out (the member is gone after that).
class TRecordingForm : public TForm {
public:
  using TForm::TForm;
  ~TRecordingForm() override {
    if (gSeenByDerived) *gSeenByDerived = seen_;
  }
  const wchar_t* ClassName() const override { return L"TRecordingForm"; }

protected:
  void WndProc(TMessage& message) override {
    if (message.Msg == WM_DESTROY || message.Msg == WM_NCDESTROY) seen_.push_back(message.Msg);
    TForm::WndProc(message);
  }

private:
  std::vector<UINT> seen_;
};

class TRecordingButton : public TButton {
public:
  using TButton::TButton;
  ~TRecordingButton() override {
    if (gSeenByDerived) gSeenByDerived->insert(gSeenByDerived->end(), seen_.begin(), seen_.end());
  }

protected:
  void WndProc(TMessage& message) override {
    if (message.Msg == WM_DESTROY || message.Msg == WM_NCDESTROY) seen_.push_back(message.Msg);
    TButton::WndProc(message);
  }

private:
  std::vector<UINT> seen_;
};

TEST(Lifetime, TheLastMessagesOfAWindowReachTheMostDerivedProcedure) {
  EnsureApplication();
  std::vector<UINT> seen;
  gSeenByDerived = &seen;
  const int windowsBefore = LiveHandles(THandleKind::Window);
  auto* form = new TRecordingForm(nullptr);
  auto* button = new TRecordingButton(form);
  button->SetParent(form);
  bool windowAliveInOnDestroy = false;
  form->AfterConstruction();
  form->OnDestroy = [&](TComponent*) { windowAliveInOnDestroy = form->HandleAllocated() && IsWindow(form->Handle()); };
  const HWND formWindow = form->Handle();
  button->HandleNeeded();
  EXPECT_EQ(LiveHandles(THandleKind::Window), windowsBefore + 2);
  button->RecreateWnd();  // its old window's last messages reach it as well
  EXPECT_EQ(LiveHandles(THandleKind::Window), windowsBefore + 2);
  const HWND buttonWindow = button->Handle();
  delete form;
  EXPECT_EQ(LiveHandles(THandleKind::Window), windowsBefore);
  gSeenByDerived = nullptr;
  // The form's own destructor ran first and handed out its list; the button's followed,
  // with its re-created window's pair before the last one.
  EXPECT_EQ(seen, (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY, WM_DESTROY, WM_NCDESTROY, WM_DESTROY, WM_NCDESTROY}));
  EXPECT_TRUE(windowAliveInOnDestroy);
  EXPECT_FALSE(IsWindow(formWindow));
  EXPECT_FALSE(IsWindow(buttonWindow));
}

// ---------------------------------------------------------------- handler chains

std::set<const void*> gLiveHandlers;

// Fails the test when a freed handler is called; records what it saw.
class TProbeHandler : public TControlHandler {
public:
  TProbeHandler() { gLiveHandlers.insert(this); }
  ~TProbeHandler() override { gLiveHandlers.erase(this); }

  std::vector<UINT> seen;
  int destroyedCalls = 0;
  bool deleteWhenTold = false;
  UINT removeOn = 0;  // removes and frees itself inside this message
  bool* freed = nullptr;

protected:
  void HandleMessage(TMessage& message) override {
    if (!gLiveHandlers.count(this)) {
      ADD_FAILURE() << "a freed handler was called";
      return;
    }
    if (message.Msg == WM_DESTROY || message.Msg == WM_NCDESTROY || (message.Msg >= WM_APP && message.Msg < WM_APP + 0x100)) seen.push_back(message.Msg);
    if (removeOn != 0 && message.Msg == removeOn) {
      Remove();
      bool* flag = freed;
      delete this;
      if (flag) *flag = true;
      // Passed on by nobody: the message ends here, as a handler that took it would.
      return;
    }
    CallPrevious(message);
  }
  void ControlDestroyed() override {
    ++destroyedCalls;
    if (deleteWhenTold) {
      bool* flag = freed;
      delete this;
      if (flag) *flag = true;
    }
  }
};

// A control whose own procedure counts what reaches it.
class TCountingPanel : public TPanel {
public:
  using TPanel::TPanel;
  int appMessages = 0;

protected:
  void WndProc(TMessage& message) override {
    if (message.Msg >= WM_APP && message.Msg < WM_APP + 0x100) ++appMessages;
    TPanel::WndProc(message);
  }
};

class HandlerChainTest : public ::testing::Test {
protected:
  void SetUp() override {
    EnsureApplication();
    form = new TForm(nullptr);
    panel = new TCountingPanel(form);
    panel->SetParent(form);
    panel->HandleNeeded();
  }
  void TearDown() override {
    delete form;
    EXPECT_TRUE(gLiveHandlers.empty()) << "a handler leaked";
  }
  TForm* form = nullptr;
  TCountingPanel* panel = nullptr;
};

TEST_F(HandlerChainTest, AControlDestroyedFirstTellsItsHandlerOnceAfterItsLastMessages) {
  auto handler = std::make_unique<TProbeHandler>();
  ASSERT_TRUE(handler->Install(*panel));
  EXPECT_FALSE(handler->Install(*panel));  // one place per handler
  delete form;
  form = nullptr;
  EXPECT_EQ(handler->seen, (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
  EXPECT_EQ(handler->destroyedCalls, 1);
  EXPECT_EQ(handler->Control(), nullptr);
}

TEST_F(HandlerChainTest, AHandlerMayFreeItselfWhenItsControlGoes) {
  auto* handler = new TProbeHandler;
  bool freed = false;
  handler->freed = &freed;
  handler->deleteWhenTold = true;
  handler->Install(*panel);
  delete panel;
  EXPECT_TRUE(freed);
}

TEST_F(HandlerChainTest, AHandlerFreedFirstGivesTheProcedureBack) {
  auto* handler = new TProbeHandler;
  handler->Install(*panel);
  panel->Perform(WM_APP);
  EXPECT_EQ(panel->appMessages, 1);
  delete handler;
  panel->Perform(WM_APP);
  EXPECT_EQ(panel->appMessages, 2);
  EXPECT_EQ(SendMessageW(panel->Handle(), WM_APP + 1, 0, 0), 0);
  EXPECT_EQ(panel->appMessages, 3);
}

TEST_F(HandlerChainTest, AHandlerUnderAnotherStaysAsPassThroughUntilTheControlDies) {
  auto* lower = new TProbeHandler;
  auto upper = std::make_unique<TProbeHandler>();
  lower->Install(*panel);
  upper->Install(*panel);
  delete lower;  // not first: its place only passes messages on
  panel->Perform(WM_APP);
  EXPECT_EQ(upper->seen, (std::vector<UINT>{WM_APP}));
  EXPECT_EQ(panel->appMessages, 1);
  upper->Remove();  // first again: the chain unwinds to the pass-through and the panel
  panel->Perform(WM_APP);
  EXPECT_EQ(upper->seen.size(), 1u);
  EXPECT_EQ(panel->appMessages, 2);
  delete form;
  form = nullptr;
  EXPECT_EQ(upper->destroyedCalls, 0);  // removed handlers hear nothing more
}

TEST_F(HandlerChainTest, AHandlerRemovedInsideItsOwnMessageIsNeverCalledAgain) {
  auto* handler = new TProbeHandler;
  bool freed = false;
  handler->freed = &freed;
  handler->removeOn = WM_APP + 2;
  handler->Install(*panel);
  SendMessageW(panel->Handle(), WM_APP + 2, 0, 0);
  EXPECT_TRUE(freed);
  EXPECT_EQ(panel->appMessages, 0);  // the handler took that message
  SendMessageW(panel->Handle(), WM_APP + 3, 0, 0);
  EXPECT_EQ(panel->appMessages, 1);
}

TEST_F(HandlerChainTest, HandlersOnAChildHearOfTheirParentsDestruction) {
  auto* child = new TButton(form);
  child->SetParent(panel);
  auto onChild = std::make_unique<TProbeHandler>();
  auto onPanel = std::make_unique<TProbeHandler>();
  onChild->Install(*child);
  onPanel->Install(*panel);
  child->HandleNeeded();
  delete form;
  form = nullptr;
  EXPECT_EQ(onChild->seen, (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
  EXPECT_EQ(onChild->destroyedCalls, 1);
  EXPECT_EQ(onPanel->destroyedCalls, 1);
}

// ---------------------------------------------------------------- nested creation

class TInnerPanel : public TPanel {
public:
  using TPanel::TPanel;
  const wchar_t* ClassName() const override { return L"TInnerPanel"; }
};

struct CreationHook {
  HHOOK hook = nullptr;
  TWinControl* outer = nullptr;
  TWinControl* inner = nullptr;
  TWinControl* seenAtCreate = nullptr;
  bool frameworkAtCreate = false;
};
CreationHook* gCreation = nullptr;

LRESULT CALLBACK CreateInsideCreate(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && gCreation && !gCreation->seenAtCreate) {
    const auto* cbt = reinterpret_cast<CBT_CREATEWNDW*>(lParam);
    if (TWinControl::FromCreateStruct(cbt->lpcs) != gCreation->outer) return CallNextHookEx(nullptr, code, wParam, lParam);
    gCreation->seenAtCreate = gCreation->outer;
    gCreation->frameworkAtCreate = IsFrameworkWindow(reinterpret_cast<HWND>(wParam));
    // A framework window made while the outer one is being made.
    gCreation->inner->HandleNeeded();
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(Lifetime, ATimerReleasedInItsOwnTickGoesWithItsWindowOnceTheTickHasReturned) {
  EnsureApplication();
  const int windows = LiveHandles(THandleKind::Window), timers = LiveHandles(THandleKind::Timer);
  auto* timer = new TTimer(nullptr);
  EXPECT_EQ(LiveHandles(THandleKind::Window), windows + 1);
  const FreeWatch watch(timer);
  int ticks = 0;
  bool freedInsideTick = true;
  timer->SetInterval(10);
  timer->SetOnTimer([&](TComponent* sender) {
    ++ticks;
    static_cast<TTimer*>(sender)->Release();
    freedInsideTick = watch.Freed();
  });
  ASSERT_TRUE(WaitUntil([&] { return watch.Freed(); }));
  EXPECT_EQ(ticks, 1);
  EXPECT_FALSE(freedInsideTick);
  EXPECT_EQ(LiveHandles(THandleKind::Window), windows);
  EXPECT_EQ(LiveHandles(THandleKind::Timer), timers);
}

TEST(Creation, AWindowMadeWhileAnotherIsBeingMadeLeavesBothBound) {
  EnsureApplication();
  auto form = std::make_unique<TForm>(nullptr);
  auto* outer = new TPanel(form.get());
  outer->SetParent(form.get());
  auto* host = new TForm(form.get());
  auto* inner = new TInnerPanel(host);
  inner->SetParent(host);
  CreationHook state{nullptr, outer, inner};
  gCreation = &state;
  state.hook = SetWindowsHookExW(WH_CBT, CreateInsideCreate, nullptr, GetCurrentThreadId());
  ASSERT_NE(state.hook, nullptr);
  // The form first, then the outer panel: its creation is where the hook makes the host
  // form and its panel.
  outer->HandleNeeded();
  UnhookWindowsHookEx(state.hook);
  gCreation = nullptr;

  EXPECT_EQ(state.seenAtCreate, outer);
  EXPECT_TRUE(state.frameworkAtCreate);
  ASSERT_TRUE(outer->HandleAllocated());
  ASSERT_TRUE(inner->HandleAllocated());
  EXPECT_EQ(TWinControl::FromHandle(outer->Handle()), outer);
  EXPECT_EQ(TWinControl::FromHandle(inner->Handle()), inner);
  EXPECT_EQ(FindControl(inner->Handle()), inner);
  EXPECT_NE(outer->Handle(), inner->Handle());

  const HWND plain = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD, 0, 0, 10, 10, form->Handle(), nullptr, nullptr, nullptr);
  EXPECT_FALSE(IsFrameworkWindow(plain));
  EXPECT_EQ(TWinControl::FromHandle(plain), nullptr);
  EXPECT_EQ(FindControl(plain), form.get());  // its nearest framework parent
  DestroyWindow(plain);
}

// ---------------------------------------------------------------- errors in the loop

class LoopErrorTest : public ::testing::Test {
protected:
  void SetUp() override {
    EnsureApplication();
    form = std::make_unique<TForm>(nullptr);
    form->SetPosition(poScreenCenter);
    edit = new TEdit(form.get());
    edit->SetParent(form.get());
    button = new TButton(form.get());
    button->SetParent(form.get());
    button->SetTop(40);
    button->SetDefault(true);
    button->OnClick = [](TComponent*) { throw Exception(L"Cannot open file \"x\". Sharing violation"); };
  }
  // Posts a marker the loop must still handle after the error.
  bool LoopGoesOn() {
    bool handled = false;
    marker = &handled;
    PostMessageW(edit->Handle(), WM_APP + 7, 0, 0);
    const bool ok = WaitUntil([&] { return handled; });
    marker = nullptr;
    return ok;
  }
  std::unique_ptr<TForm> form;
  TEdit* edit = nullptr;
  TButton* button = nullptr;
  inline static bool* marker = nullptr;
};

class TMarkerHandler : public TControlHandler {
public:
  explicit TMarkerHandler(bool** flag) : flag_(flag) {}

protected:
  void HandleMessage(TMessage& message) override {
    if (message.Msg == WM_APP + 7 && *flag_) **flag_ = true;
    CallPrevious(message);
  }

private:
  bool** flag_;
};

TEST_F(LoopErrorTest, ErrorsRaisedWhileTheLoopRunsReachTheErrorBoxOnceAndTheLoopGoesOn) {
  TMarkerHandler markers(&marker);
  form->Show();
  ASSERT_TRUE(WaitUntil([&] { return GetActiveWindow() == form->Handle(); }));
  markers.Install(*edit);
  auto* timer = new TTimer(form.get());
  timer->SetEnabled(false);
  timer->SetInterval(10);
  int ticks = 0;
  timer->SetOnTimer([&](TComponent*) {
    if (++ticks == 1) throw Exception(L"tick failed");
  });

  struct Case {
    const char* name;
    std::function<void()> raise;
    std::wstring text;
  };
  const Case cases[] = {
      {"Return on a focused edit clicks the default button", [&] {
         edit->SetFocus();
         PostMessageW(edit->Handle(), WM_KEYDOWN, VK_RETURN, 0);
       }, L"Cannot open file \"x\". Sharing violation."},
      {"Return on the focused button itself", [&] {
         button->SetFocus();
         PostMessageW(button->Handle(), WM_KEYDOWN, VK_RETURN, 0);
       }, L"Cannot open file \"x\". Sharing violation."},
      {"a timer event", [&] { timer->SetEnabled(true); }, L"tick failed."},
      {"a window procedure", [&] { PostMessageW(button->Handle(), BM_CLICK, 0, 0); },
       L"Cannot open file \"x\". Sharing violation."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ModalAnswerer answer(L"#32770");
    c.raise();
    ASSERT_TRUE(WaitUntil([&] { return !answer.Answered().empty(); }));
    EXPECT_TRUE(LoopGoesOn());
    ASSERT_EQ(answer.Answered().size(), 1u);  // shown once
    EXPECT_EQ(answer.Answered()[0].texts, (std::vector<std::wstring>{c.text}));
  }
  EXPECT_TRUE(WaitUntil([&] { return ticks > 3; }));  // the timer goes on ticking
  timer->SetEnabled(false);
  markers.Remove();
}

TEST_F(LoopErrorTest, AnErrorInsideAModalLoopLeavesTheModalFormRunning) {
  static TButton* target;
  target = button;
  ModalAnswerer answer(L"#32770");
  SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    PostMessageW(target->Handle(), WM_KEYDOWN, VK_RETURN, 0);
  });
  bool closedAfterError = false;
  static bool* closeFlag;
  closeFlag = &closedAfterError;
  static ModalAnswerer* seen;
  seen = &answer;
  static TForm* modal;
  modal = form.get();
  SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR id, DWORD) {
    if (seen->Answered().empty()) return;
    KillTimer(nullptr, id);
    *closeFlag = true;
    modal->SetModalResult(mrOk);
  });
  form->SetActiveControl(button);
  EXPECT_EQ(form->ShowModal(), mrOk);
  EXPECT_TRUE(closedAfterError);
  EXPECT_EQ(answer.Answered().size(), 1u);
}

}  // namespace
