// Platform dialogs taken on by the thread hook: the handlers their children get, the
// records' lifetime (set-up, late and gone children, the sweep, the skin's removal) and
// the engine's message box.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <typeinfo>
#include <vector>

#include "DialogFixture.h"
#include "app/PlatformSkinReporter.h"
#include "framework/Handles.h"
#include "skin/dialogs/acDialogWnd.h"
#include "skin/dialogs/acDials.h"
#include "skin/window/acBtnWnd.h"
#include "skin/window/acCheckBoxWnd.h"
#include "skin/window/acComboBoxWnd.h"
#include "skin/window/acEditWnd.h"
#include "skin/window/acGroupBoxWnd.h"
#include "skin/window/acListViewWnd.h"
#include "skin/window/acPanelWnd.h"
#include "skin/window/acSpinWnd.h"
#include "skin/window/acStaticWnd.h"
#include "skin/window/acToolBarWnd.h"
#include "skin/window/acTreeViewWnd.h"

namespace {

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

TacProvider* RecordOf(HWND window) {
  for (TacProvider* record : DialogProviders())
    if (record->DialogWindow() == window) return record;
  return nullptr;
}

// Every handler of the record serves a live window that still carries it.
bool ChildHandlersAreLive(const TacProvider& record) {
  for (const auto& handler : record.ChildHandlers())
    if (!IsWindow(handler->Window()) || TacMainWnd::HandlerOf(handler->Window()) != handler.get()) return false;
  return true;
}

bool HoldsHandlerFor(const TacProvider& record, HWND window) {
  for (const auto& handler : record.ChildHandlers())
    if (handler->Window() == window) return true;
  return false;
}

class DialogSkinningTest : public DialogTest {
protected:
  void SetUp() override {
    DialogTest::SetUp();
    handlersBefore = TacMainWnd::LiveCount();
    StartSkin(srStdForms | srStdDialogs);
  }
  void TearDown() override {
    for (HWND dialog : dialogs)
      if (IsWindow(dialog)) DestroyWindow(dialog);
    WaitUntil([] { return DialogProviders().empty(); });
    DialogTest::TearDown();
    EXPECT_EQ(TacMainWnd::LiveCount(), handlersBefore);
  }
  HWND NewDialog(int width = 600, int height = 500, DLGPROC proc = nullptr, HWND owner = nullptr) {
    HWND dialog = MakeDialog(kDialogStyle, 0, L"skinned", width, height, proc, owner);
    dialogs.push_back(dialog);
    return dialog;
  }
  // Destroys `dialog` and waits until its record is gone.
  void Close(HWND dialog) {
    DestroyWindow(dialog);
    EXPECT_TRUE(WaitUntil([&] { return RecordOf(dialog) == nullptr; }));
  }

  std::vector<HWND> dialogs;
  int handlersBefore = 0;
};

// ---------------------------------------------------------------- the classification table

struct ChildCase {
  const char* name;
  const wchar_t* className;
  DWORD style;
  SIZE size;
  const std::type_info* handler;  // null: the child keeps the platform look
  const char* section;
  int specialMode;
};

const ChildCase kChildCases[] = {
    {"LeftText", L"Static", SS_LEFT, {100, 20}, &typeid(TacStaticWnd), "CHECKBOX", 0},
    {"SimpleText", L"Static", SS_SIMPLE, {100, 20}, &typeid(TacStaticWnd), "CHECKBOX", 0},
    {"Icon", L"Static", SS_ICON, {32, 32}, &typeid(TacIconWnd), "CHECKBOX", 0},
    {"BlackFrame", L"Static", SS_BLACKFRAME, {100, 20}, nullptr, "", 0},
    {"GrayRect", L"Static", SS_GRAYRECT, {100, 20}, nullptr, "", 0},
    {"EtchedLine", L"Static", SS_ETCHEDHORZ, {100, 2}, nullptr, "", 0},
    {"EtchedFrame", L"Static", SS_ETCHEDFRAME, {100, 20}, nullptr, "", 0},
    {"Bitmap", L"Static", SS_BITMAP, {100, 20}, nullptr, "", 0},
    {"EnhMetaFile", L"Static", SS_ENHMETAFILE, {100, 20}, nullptr, "", 0},
    {"OwnerDrawnStatic", L"Static", SS_OWNERDRAW, {100, 20}, nullptr, "", 0},
    {"CheckAreaStatic", L"Static", SS_CENTER, {152, 49}, &typeid(TacStaticWnd), "CHECKBOX", 2},
    {"PreviewStatic", L"Static", SS_LEFT, {150, 37}, nullptr, "", 1},
    {"ColorAreaStatic", L"Static", SS_LEFT, {210, 140}, nullptr, "", 3},
    {"PushButton", L"Button", BS_PUSHBUTTON, {75, 23}, &typeid(TacBtnWnd), "BUTTON", 0},
    {"DefaultButton", L"Button", BS_DEFPUSHBUTTON, {75, 23}, &typeid(TacBtnWnd), "BUTTON", 0},
    {"PushBox", L"Button", BS_PUSHBOX, {75, 23}, &typeid(TacBtnWnd), "BUTTON", 0},
    {"OwnerDrawnButton", L"Button", BS_OWNERDRAW, {75, 23}, nullptr, "", 0},
    {"GroupBox", L"Button", BS_GROUPBOX, {150, 80}, &typeid(TacGroupBoxWnd), "GROUPBOX", 0},
    {"CheckBox", L"Button", BS_CHECKBOX, {100, 20}, &typeid(TacCheckBoxWnd), "CHECKBOX", 0},
    {"AutoCheckBox", L"Button", BS_AUTOCHECKBOX, {100, 20}, &typeid(TacCheckBoxWnd), "CHECKBOX", 0},
    {"Radio", L"Button", BS_RADIOBUTTON, {100, 20}, &typeid(TacCheckBoxWnd), "CHECKBOX", 0},
    {"AutoRadio", L"Button", BS_AUTORADIOBUTTON, {100, 20}, &typeid(TacCheckBoxWnd), "CHECKBOX", 0},
    {"ThreeState", L"Button", BS_3STATE, {100, 20}, &typeid(TacCheckBoxWnd), "CHECKBOX", 0},
    {"AutoThreeState", L"Button", BS_AUTO3STATE, {100, 20}, &typeid(TacCheckBoxWnd), "CHECKBOX", 0},
    {"Edit", L"Edit", ES_AUTOHSCROLL, {120, 22}, &typeid(TacEditWnd), "EDIT", 0},
    {"ListBox", L"ListBox", LBS_NOTIFY, {120, 80}, &typeid(TacEditWnd), "EDIT", 0},
    {"ComboBox", L"ComboBox", CBS_DROPDOWNLIST, {120, 100}, &typeid(TacComboBoxWnd), "COMBOBOX", 0},
    {"SizeGrip", L"ScrollBar", SBS_SIZEGRIP, {16, 16}, &typeid(TacSizerWnd), "CHECKBOX", 0},
    {"UpDown", UPDOWN_CLASSW, 0, {16, 24}, &typeid(TacSpinWnd), "SPEEDBUTTON_SMALL", 0},
    {"ListView", WC_LISTVIEWW, LVS_REPORT, {200, 120}, &typeid(TacListViewWnd), "EDIT", 0},
    {"TreeView", WC_TREEVIEWW, 0, {200, 120}, &typeid(TacTreeViewWnd), "EDIT", 0},
    {"WrappingToolBar", TOOLBARCLASSNAMEW, TBSTYLE_WRAPABLE | CCS_NORESIZE, {200, 28}, &typeid(TacToolBarWnd), "BAR",
     0},
    {"ToolBar", TOOLBARCLASSNAMEW, CCS_NORESIZE, {200, 28}, &typeid(TacToolBarWnd), "CHECKBOX", 0},
    {"TabControl", WC_TABCONTROLW, 0, {200, 120}, nullptr, "", 0},
    {"NestedDialog", L"#32770", 0, {200, 120}, &typeid(TacTransPanelWnd), "CHECKBOX", 0},
};

class ChildClassificationTest : public DialogSkinningTest, public ::testing::WithParamInterface<ChildCase> {};

TEST_P(ChildClassificationTest, ChildGetsTheHandlerOfItsRow) {
  const ChildCase& c = GetParam();
  HWND dialog = NewDialog();
  HWND child = AddChild(dialog, c.className, L"text", c.style, RECT{10, 10, 10 + c.size.cx, 10 + c.size.cy});
  ASSERT_NE(child, nullptr);
  if (c.specialMode != 0) {  // rows that the size decides: the platform kept it
    RECT r{};
    GetWindowRect(child, &r);
    ASSERT_EQ(r.right - r.left, c.size.cx);
    ASSERT_EQ(r.bottom - r.top, c.size.cy);
  }
  ShowActive(dialog);

  TacProvider* record = RecordOf(dialog);
  ASSERT_NE(record, nullptr);
  ASSERT_NE(record->Dialog(), nullptr) << "the dialog was not skinned";
  TacMainWnd* handler = TacMainWnd::HandlerOf(child);
  if (!c.handler) {
    EXPECT_EQ(handler, nullptr) << typeid(*handler).name();
  } else {
    ASSERT_NE(handler, nullptr);
    EXPECT_EQ(typeid(*handler), *c.handler) << typeid(*handler).name();
    EXPECT_EQ(handler->Binding()->SkinSection(), c.section);
    EXPECT_TRUE(handler->DialogMode());
    EXPECT_TRUE(HoldsHandlerFor(*record, child));
    if (auto* spin = dynamic_cast<TacSpinWnd*>(handler)) {
      EXPECT_EQ(spin->SpinOffset, 2);
    }
  }
  EXPECT_EQ(record->SpecialMode(), c.specialMode);
  EXPECT_EQ(record->Dialog()->Binding()->SkinSection(), c.specialMode == 3 ? "FORM" : "DIALOG");
  EXPECT_TRUE(ChildHandlersAreLive(*record));
}

INSTANTIATE_TEST_SUITE_P(Rows, ChildClassificationTest, ::testing::ValuesIn(kChildCases),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(DialogSkinningTest, PropertySheetSizedTabLeavesTheDialogUnskinned) {
  HWND dialog = NewDialog();
  HWND button = AddChild(dialog, L"Button", L"OK", BS_PUSHBUTTON, RECT{10, 400, 85, 423});
  AddChild(dialog, WC_TABCONTROLW, L"", 0, RECT{5, 5, 475, 354});
  ShowActive(dialog);
  EXPECT_EQ(TacMainWnd::HandlerOf(dialog), nullptr);
  EXPECT_EQ(TacMainWnd::HandlerOf(button), nullptr) << "a handler made before the refusal stayed";
  EXPECT_EQ(RecordOf(dialog), nullptr);
  EXPECT_EQ(TacMainWnd::LiveCount(), handlersBefore);
}

TEST_F(DialogSkinningTest, ThreeListsMarkThePreviewArea) {
  HWND dialog = NewDialog();
  for (int i = 0; i < 3; ++i) AddChild(dialog, L"ComboBox", L"", CBS_SIMPLE, RECT{10 + 130 * i, 10, 130 + 130 * i, 150});
  ShowActive(dialog);
  TacProvider* record = RecordOf(dialog);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(ComboListCount(), 3);
  EXPECT_EQ(record->SpecialMode(), 1);
  const RECT preview = PreviewRect();
  EXPECT_EQ(preview.left, 178);
  EXPECT_EQ(preview.top, 181);
  EXPECT_EQ(preview.right, 327);
  EXPECT_EQ(preview.bottom, 217);
}

TEST_F(DialogSkinningTest, ColorAreasRegionIsMadeOnceWithItsThreeAreas) {
  HRGN region = ColorAreasRegion();
  ASSERT_NE(region, nullptr);
  EXPECT_EQ(ColorAreasRegion(), region);
  const int regionsNow = LiveHandles(THandleKind::Region);
  ColorAreasRegion();
  EXPECT_EQ(LiveHandles(THandleKind::Region), regionsNow);
  struct Probe {
    int x, y;
    bool inside;
  };
  const Probe probes[] = {{447, 0, true},  {454, 199, true}, {455, 10, false}, {447, 200, false},
                          {6, 23, true},   {215, 162, true}, {216, 100, false}, {6, 163, false},
                          {6, 189, true},  {215, 234, true}, {100, 175, false}, {5, 200, false}};
  for (const Probe& p : probes) EXPECT_EQ(PtInRegion(region, p.x, p.y) != 0, p.inside) << p.x << "," << p.y;
}

// ---------------------------------------------------------------- lifetime

// A dialog that destroys a child inside its own WM_DESTROY, itself destroyed from inside
// one of its messages: the destroy of the child reaches the hook while the dialog's
// procedure (and its handler) are on the stack.
struct DestroyProbe {
  HWND child = nullptr;
  bool recordAtDestroy = false;
  bool recordAtNcDestroy = false;
  bool handlerAliveAtNcDestroy = false;
  int handlersAtNcDestroy = 0;
};
DestroyProbe gProbe;

INT_PTR CALLBACK DestroysChildProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) DestroyWindow(dialog);
      return TRUE;
    case WM_DESTROY:
      if (gProbe.child) DestroyWindow(gProbe.child);
      gProbe.recordAtDestroy = RecordOf(dialog) != nullptr;
      return FALSE;
    case WM_NCDESTROY:
      gProbe.recordAtNcDestroy = RecordOf(dialog) != nullptr;
      gProbe.handlersAtNcDestroy = TacMainWnd::LiveCount();
      return FALSE;
    default: return FALSE;
  }
}

TEST_F(DialogSkinningTest, DialogIsFreedOnlyAfterItsOutermostMessageReturns) {
  HWND dialog = NewDialog(400, 300, DestroysChildProc);
  gProbe = {};
  gProbe.child = AddChild(dialog, L"Button", L"gone", BS_PUSHBUTTON, RECT{10, 10, 85, 33});
  AddChild(dialog, L"Edit", L"", 0, RECT{10, 50, 200, 72});
  ShowActive(dialog);
  ASSERT_NE(RecordOf(dialog), nullptr);
  ASSERT_NE(TacMainWnd::HandlerOf(dialog), nullptr);
  const int handlersSkinned = TacMainWnd::LiveCount();

  SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_TRUE(gProbe.recordAtDestroy) << "the record went while the dialog's WM_DESTROY ran";
  EXPECT_TRUE(gProbe.recordAtNcDestroy) << "the record went while the dialog's WM_NCDESTROY ran";
  EXPECT_EQ(gProbe.handlersAtNcDestroy, handlersSkinned);
  EXPECT_TRUE(WaitUntil([&] { return RecordOf(dialog) == nullptr; })) << "the gone dialog's record stayed";
  EXPECT_EQ(TacMainWnd::LiveCount(), handlersBefore);
}

TEST_F(DialogSkinningTest, WindowOverSkinnedDialogKeepsPlatformLookUnlessItHoldsToolBar) {
  HWND below = NewDialog();
  AddChild(below, L"Button", L"OK", BS_PUSHBUTTON, RECT{10, 10, 85, 33});
  ShowActive(below);
  ASSERT_NE(TacMainWnd::HandlerOf(below), nullptr);

  HWND question = NewDialog(300, 150, nullptr, below);
  HWND questionButton = AddChild(question, L"Button", L"Yes", BS_PUSHBUTTON, RECT{10, 10, 85, 33});
  ShowActive(question);
  TacProvider* record = RecordOf(question);
  ASSERT_NE(record, nullptr) << "the window would be looked at again at every activation";
  EXPECT_EQ(record->Dialog(), nullptr);
  EXPECT_EQ(TacMainWnd::HandlerOf(question), nullptr);
  EXPECT_EQ(TacMainWnd::HandlerOf(questionButton), nullptr);
  // The record of a window that skinned nothing goes with its window.
  Close(question);

  HWND withToolBar = NewDialog(300, 150, nullptr, below);
  AddChild(withToolBar, TOOLBARCLASSNAMEW, L"", CCS_NORESIZE, RECT{0, 0, 200, 28});
  ShowActive(withToolBar);
  ASSERT_NE(RecordOf(withToolBar), nullptr);
  EXPECT_NE(TacMainWnd::HandlerOf(withToolBar), nullptr);
  Close(withToolBar);
  Close(below);
  EXPECT_TRUE(DialogProviders().empty());
}

// A static text whose first WM_GETTEXT (its handler reading the caption) destroys it and
// the next child.
struct WalkProbe {
  WNDPROC previous = nullptr;
  HWND self = nullptr;
  HWND next = nullptr;
  bool armed = false;
  bool fired = false;
  bool duringSetup = false;
  HWND dialog = nullptr;
};
WalkProbe gWalk;

LRESULT CALLBACK DestroysItselfProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_GETTEXT && gWalk.armed && window == gWalk.self) {
    gWalk.armed = false;
    gWalk.fired = true;
    gWalk.duringSetup = TacMainWnd::HandlerOf(gWalk.dialog) != nullptr;
    DestroyWindow(gWalk.next);
    DestroyWindow(window);
    return 0;
  }
  return CallWindowProcW(gWalk.previous, window, msg, wParam, lParam);
}

TEST_F(DialogSkinningTest, WalkSurvivesChildrenGoingWhileTheirHandlersAreMade) {
  HWND dialog = NewDialog();
  gWalk = {};
  gWalk.dialog = dialog;
  gWalk.self = AddChild(dialog, L"Static", L"first", SS_LEFT, RECT{10, 10, 110, 30});
  gWalk.next = AddChild(dialog, L"Static", L"second", SS_LEFT, RECT{10, 40, 110, 60});
  HWND last = AddChild(dialog, L"Button", L"last", BS_PUSHBUTTON, RECT{10, 70, 85, 93});
  gWalk.previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(gWalk.self, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DestroysItselfProc)));
  gWalk.armed = true;
  ShowActive(dialog);

  ASSERT_TRUE(gWalk.fired);
  EXPECT_TRUE(gWalk.duringSetup) << "the children went before the walk";
  EXPECT_FALSE(IsWindow(gWalk.self));
  TacProvider* record = RecordOf(dialog);
  ASSERT_NE(record, nullptr);
  EXPECT_NE(TacMainWnd::HandlerOf(last), nullptr) << "the walk stopped at the child that went";
  EXPECT_TRUE(ChildHandlersAreLive(*record)) << "a handler of a gone window is held";
  EXPECT_EQ(record->ChildHandlers().size(), 1u);
}

TEST_F(DialogSkinningTest, LateChildrenGetHandlersAndGoneOnesReleaseThem) {
  HWND dialog = NewDialog();
  AddChild(dialog, L"Button", L"OK", BS_PUSHBUTTON, RECT{10, 400, 85, 423});
  ShowActive(dialog);
  TacProvider* record = RecordOf(dialog);
  ASSERT_NE(record, nullptr);
  ASSERT_EQ(record->ChildHandlers().size(), 1u);

  // As a file dialog makes its file list: a container, then a list view inside it.
  for (int round = 0; round < 3; ++round) {
    HWND view = AddChild(dialog, L"#32770", L"", 0, RECT{10, 10, 400, 300});
    HWND list = AddChild(view, WC_LISTVIEWW, L"", LVS_REPORT, RECT{0, 0, 390, 290});
    EXPECT_TRUE(WaitUntil([&] { return TacMainWnd::HandlerOf(list) && TacMainWnd::HandlerOf(view); }))
        << "round " << round;
    EXPECT_TRUE(HoldsHandlerFor(*record, list));
    EXPECT_EQ(record->ChildHandlers().size(), 3u);

    DestroyWindow(view);  // takes the list with it
    EXPECT_TRUE(WaitUntil([&] { return record->ChildHandlers().size() == 1u; })) << "round " << round;
    EXPECT_TRUE(ChildHandlersAreLive(*record));
  }
  EXPECT_EQ(TacMainWnd::LiveCount(), handlersBefore + 2);  // the dialog and its button
}

TEST_F(DialogSkinningTest, SkinRemovedWithDialogOpenGivesEveryWindowBack) {
  HWND dialog = NewDialog();
  std::vector<HWND> windows{dialog};
  windows.push_back(AddChild(dialog, L"Button", L"OK", BS_PUSHBUTTON, RECT{10, 400, 85, 423}));
  windows.push_back(AddChild(dialog, L"Edit", L"", 0, RECT{10, 10, 200, 32}));
  windows.push_back(AddChild(dialog, L"Button", L"check", BS_AUTOCHECKBOX, RECT{10, 40, 110, 60}));
  windows.push_back(AddChild(dialog, WC_LISTVIEWW, L"", LVS_REPORT, RECT{10, 70, 300, 200}));
  std::vector<LONG_PTR> procedures;
  for (HWND w : windows) procedures.push_back(GetWindowLongPtrW(w, GWLP_WNDPROC));
  ShowActive(dialog);
  for (HWND w : windows) ASSERT_NE(TacMainWnd::HandlerOf(w), nullptr);

  manager.reset();
  EXPECT_TRUE(IsWindow(dialog));
  EXPECT_TRUE(DialogProviders().empty());
  for (size_t i = 0; i < windows.size(); ++i) {
    EXPECT_EQ(TacMainWnd::HandlerOf(windows[i]), nullptr) << i;
    EXPECT_EQ(GetWindowLongPtrW(windows[i], GWLP_WNDPROC), procedures[i]) << i;
  }
  EXPECT_EQ(TacMainWnd::LiveCount(), handlersBefore);
}

TEST_F(DialogSkinningTest, CountsStayFlatOverTenDialogs) {
  const auto oneDialog = [&] {
    HWND dialog = NewDialog();
    AddChild(dialog, L"Button", L"OK", BS_DEFPUSHBUTTON, RECT{10, 400, 85, 423});
    AddChild(dialog, L"Edit", L"name", 0, RECT{10, 10, 200, 32});
    AddChild(dialog, L"Static", L"label", SS_LEFT, RECT{10, 40, 200, 60});
    AddChild(dialog, L"ComboBox", L"", CBS_DROPDOWNLIST, RECT{10, 70, 200, 170});
    HWND list = AddChild(dialog, WC_LISTVIEWW, L"", LVS_REPORT, RECT{220, 10, 500, 300});
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 100;
    column.pszText = const_cast<wchar_t*>(L"Name");
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    ShowActive(dialog);
    EXPECT_NE(TacMainWnd::HandlerOf(dialog), nullptr);
    Close(dialog);
    dialogs.clear();
  };
  ColorAreasRegion();
  oneDialog();  // caches that live as long as the skin are made now
  const THandleKind kinds[] = {THandleKind::Brush, THandleKind::Pen,    THandleKind::Font,
                               THandleKind::Region, THandleKind::Bitmap, THandleKind::DC,
                               THandleKind::Window, THandleKind::Hook,   THandleKind::Timer};
  std::vector<int> before;
  for (THandleKind kind : kinds) before.push_back(LiveHandles(kind));
  const DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  const DWORD userBefore = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  for (int i = 0; i < 10; ++i) oneDialog();
  for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(LiveHandles(kinds[i]), before[i]) << "kind " << i;
  EXPECT_EQ(TacMainWnd::LiveCount(), handlersBefore);
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdiBefore);
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), userBefore);
  EXPECT_TRUE(DialogProviders().empty());
}

// ---------------------------------------------------------------- the message box

// Waits (on the GUI thread, from a timer that runs inside the box's modal loop) for a
// message box of `caption` for which `ready` holds, runs `look` on it and closes it with
// IDOK; past the deadline it looks and closes anyway.
class BoxWatcher {
public:
  BoxWatcher(std::wstring caption, std::function<bool(HWND)> ready, std::function<void(HWND)> look)
      : caption_(std::move(caption)), ready_(std::move(ready)), look_(std::move(look)),
        deadline_(GetTickCount64() + 5000) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 20, &Tick);
  }
  ~BoxWatcher() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  BoxWatcher(const BoxWatcher&) = delete;
  BoxWatcher& operator=(const BoxWatcher&) = delete;
  bool Looked() const { return looked_; }
  bool InTime() const { return inTime_; }

private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (current_) current_->Check();
  }
  void Check() {
    if (looked_) return;
    HWND box = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
          auto* self = reinterpret_cast<BoxWatcher*>(param);
          if (IsWindowVisible(window) && WindowClassOf(window) == L"#32770" && WindowTextOf(window) == self->caption_) {
            self->found_ = window;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(this));
    box = std::exchange(found_, nullptr);
    if (!box) return;
    inTime_ = ready_(box);
    if (!inTime_ && GetTickCount64() < deadline_) return;
    looked_ = true;
    look_(box);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  }

  static inline BoxWatcher* current_ = nullptr;
  std::wstring caption_;
  std::function<bool(HWND)> ready_;
  std::function<void(HWND)> look_;
  ULONGLONG deadline_;
  UINT_PTR timer_ = 0;
  HWND found_ = nullptr;
  bool looked_ = false;
  bool inTime_ = false;
};

std::vector<HWND> ButtonsOf(HWND box) {
  std::vector<HWND> buttons;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (WindowClassOf(child) == L"Button") buttons.push_back(child);
  return buttons;
}

TEST_F(DialogSkinningTest, SkinWarningShowsSkinnedPlatformBox) {
  std::vector<const TacMainWnd*> buttonHandlers;
  bool textSkinned = false;
  BoxWatcher watcher(
      L"Warning", [](HWND box) { return TacMainWnd::HandlerOf(box) != nullptr; },
      [&](HWND box) {
        for (HWND button : ButtonsOf(box)) buttonHandlers.push_back(TacMainWnd::HandlerOf(button));
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
          if (WindowClassOf(child) == L"Static" && WindowTextOf(child) == L"a warning")
            textSkinned = dynamic_cast<TacStaticWnd*>(TacMainWnd::HandlerOf(child)) != nullptr;
      });
  EXPECT_EQ(SkinWarning(L"a warning"), IDOK);
  ASSERT_TRUE(watcher.Looked()) << "no box was seen";
  EXPECT_TRUE(watcher.InTime()) << "the box was not skinned";
  ASSERT_EQ(buttonHandlers.size(), 1u);
  EXPECT_NE(dynamic_cast<const TacBtnWnd*>(buttonHandlers[0]), nullptr);
  EXPECT_TRUE(textSkinned);
  EXPECT_TRUE(WaitUntil([] { return DialogProviders().empty(); }));
}

TEST_F(DialogSkinningTest, RejectedSkinWarningUsesSkinnedBoxWhileSkinIsActive) {
  BoxWatcher watcher(L"Warning", [](HWND box) { return TacMainWnd::HandlerOf(box) != nullptr; }, [](HWND) {});
  TPlatformSkinReporter().Warning(L"Warning", L"the skin cannot be loaded");
  ASSERT_TRUE(watcher.Looked());
  EXPECT_TRUE(watcher.InTime()) << "the warning kept the platform look";
}

TEST_F(DialogSkinningTest, MessageBoxOverSkinnedDialogKeepsPlatformLook) {
  HWND dialog = NewDialog();
  AddChild(dialog, L"Button", L"OK", BS_PUSHBUTTON, RECT{10, 400, 85, 423});
  ShowActive(dialog);
  ASSERT_NE(TacMainWnd::HandlerOf(dialog), nullptr);
  bool boxSkinned = true;
  int skinnedButtons = -1;
  BoxWatcher watcher(
      L"overwrite?", [](HWND box) { return GetActiveWindow() == box && RecordOf(box) != nullptr; },
      [&](HWND box) {
        boxSkinned = TacMainWnd::HandlerOf(box) != nullptr;
        skinnedButtons = 0;
        for (HWND button : ButtonsOf(box)) skinnedButtons += TacMainWnd::HandlerOf(button) != nullptr;
      });
  EXPECT_EQ(MessageBoxW(dialog, L"replace the file?", L"overwrite?", MB_OK | MB_ICONQUESTION), IDOK);
  ASSERT_TRUE(watcher.Looked());
  EXPECT_TRUE(watcher.InTime());
  EXPECT_FALSE(boxSkinned);
  EXPECT_EQ(skinnedButtons, 0);
  EXPECT_NE(TacMainWnd::HandlerOf(dialog), nullptr);
  Close(dialog);
}

TEST(SkinMessageBoxFlags, KindAndButtonsGiveThePlatformFlags) {
  struct Case {
    TMsgBoxKind kind;
    TMsgBoxButtons buttons;
    UINT flags;
  };
  const Case cases[] = {
      {TMsgBoxKind::Warning, mbOK, MB_ICONWARNING | MB_OK},
      {TMsgBoxKind::Error, mbOK | mbCancel, MB_ICONERROR | MB_OKCANCEL},
      {TMsgBoxKind::Information, mbOK | mbYes, MB_ICONINFORMATION | MB_OK},
      {TMsgBoxKind::Confirm, mbYes | mbNo, MB_ICONQUESTION | MB_YESNO},
      {TMsgBoxKind::Confirm, mbNo | mbCancel, MB_ICONQUESTION | MB_YESNOCANCEL},
      {TMsgBoxKind::Warning, mbAbort, MB_ICONWARNING | MB_ABORTRETRYIGNORE},
      {TMsgBoxKind::Warning, mbIgnore | mbYes, MB_ICONWARNING | MB_ABORTRETRYIGNORE},
      {TMsgBoxKind::Error, mbRetry | mbCancel, MB_ICONERROR | MB_RETRYCANCEL},
      {TMsgBoxKind::Custom, mbCancel, MB_OK},
      {TMsgBoxKind::Custom, mbAll | mbYesToAll | mbNoToAll, MB_OK},
      {TMsgBoxKind::Information, mbYes | mbHelp, MB_ICONINFORMATION | MB_YESNO | MB_HELP},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SkinMessageBoxFlags(c.kind, c.buttons), c.flags) << static_cast<int>(c.kind) << " " << c.buttons;
  EXPECT_STREQ(SkinMessageBoxCaption(TMsgBoxKind::Warning), L"Warning");
  EXPECT_STREQ(SkinMessageBoxCaption(TMsgBoxKind::Error), L"Error");
  EXPECT_STREQ(SkinMessageBoxCaption(TMsgBoxKind::Information), L"Information");
  EXPECT_STREQ(SkinMessageBoxCaption(TMsgBoxKind::Confirm), L"Confirm");
  EXPECT_STREQ(SkinMessageBoxCaption(TMsgBoxKind::Custom), L"");
}

}  // namespace
