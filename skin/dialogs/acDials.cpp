#include "skin/dialogs/acDials.h"

#include <algorithm>
#include <cwctype>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "framework/Handles.h"
#include "framework/UtilityWindow.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/dialogs/acDialogWnd.h"
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
#include "skin/window/sSkinMenus.h"

namespace {

// Posted to the hook's own window: the sweep and the walks that wait for the current
// messages to return.
constexpr UINT kDeferredWork = WM_APP + 0x319;

struct TWindowCloser {
  void operator()(HWND window) const { DestroyWindow(window); }
};
using TOwnedWindow = std::unique_ptr<std::remove_pointer_t<HWND>, TWindowCloser>;

struct THookState {
  THookHandle hook;
  // Records alive, in order of creation; a freed record leaves the list.
  std::vector<TacProvider*> providers;
  // Menu windows given their handler at creation. The handlers free themselves with their
  // windows, so the list keeps windows, each dropped when its window is destroyed.
  std::vector<HWND> handlerList;
  TOwnedWindow worker;
  bool workPosted = false;
  int sweeping = 0;
  // Dialogs that got new child windows since their last walk.
  std::vector<HWND> dialogsToWalk;
  RECT previewRect{};
  int comboListCount = 0;
};

THookState& State() {
  static THookState state;
  return state;
}

std::wstring ClassNameOf(HWND window) {
  wchar_t name[129] = {};
  GetClassNameW(window, name, 128);
  return name;
}

std::wstring LowerCase(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

std::vector<HWND> ChildrenOf(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetTopWindow(parent); child; child = GetWindow(child, GW_HWNDNEXT)) children.push_back(child);
  return children;
}

bool HasDescendantOfClass(HWND parent, const std::wstring& lowerName) {
  for (HWND child : ChildrenOf(parent))
    if (LowerCase(ClassNameOf(child)) == lowerName || HasDescendantOfClass(child, lowerName)) return true;
  return false;
}

void PostDeferredWork() {
  THookState& state = State();
  if (state.workPosted || !state.worker) return;
  state.workPosted = PostMessageW(state.worker.get(), kDeferredWork, 0, 0) != 0;
}

// Frees the records whose windows are gone and the handlers of gone children. Freeing
// may send messages that come back through the hook: a sweep inside a sweep does nothing.
void Sweep() {
  THookState& state = State();
  if (state.sweeping) return;
  ++state.sweeping;
  std::vector<TacProvider*> finished;
  for (TacProvider* record : state.providers)
    if (record->Finished()) finished.push_back(record);
  for (TacProvider* record : finished) delete record;  // leaves the list itself
  const std::vector<TacProvider*> records = state.providers;
  for (TacProvider* record : records)
    if (std::find(state.providers.begin(), state.providers.end(), record) != state.providers.end())
      record->DropGoneChildren();
  --state.sweeping;
}

TacProvider* ListedRecordOf(HWND window) {
  for (TacProvider* record : State().providers)
    if (record->DialogWindow() == window) return record;
  return nullptr;
}

void WalkLateChildren() {
  const std::vector<HWND> dialogs = std::exchange(State().dialogsToWalk, {});
  for (HWND dialog : dialogs) {
    TacProvider* record = ListedRecordOf(dialog);
    if (!record || !record->Dialog() || record->Dialog()->Destroyed() || !IsWindow(dialog)) continue;
    const size_t before = record->ChildHandlers().size();
    // A late child that would refuse the skin cannot unskin the dialog any more.
    record->WalkChildren();
    const auto& handlers = record->ChildHandlers();
    for (size_t i = before; i < handlers.size(); ++i) {
      const HWND child = handlers[i]->Window();
      if (!IsWindow(child)) continue;
      SendSkinCommand(child, CMD_SKINLOADED, reinterpret_cast<LPARAM>(DefaultManager()));
      RedrawWindow(child, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
  }
}

LRESULT CALLBACK WorkerProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != kDeferredWork) return DefWindowProcW(window, msg, wParam, lParam);
  State().workPosted = false;
  try {
    Sweep();
    WalkLateChildren();
  } catch (...) {
    // Nothing leaves a window procedure; the next sweep tries again.
  }
  return 0;
}

// The listed dialog that `parent` is, or lies in, whose set-up is done: a window created
// there is a late child.
HWND SkinnedDialogAround(HWND parent) {
  if (!parent) return nullptr;
  for (TacProvider* record : State().providers) {
    const HWND dialog = record->DialogWindow();
    if (!dialog || !record->Dialog() || record->Dialog()->Destroyed()) continue;
    if (parent == dialog || IsChild(dialog, parent)) return dialog;
  }
  return nullptr;
}

void ActivateForm(TCustomForm* form, const std::wstring& className) {
  TsSkinManager* manager = DefaultManager();
  const bool messageForm = className == L"TMessageForm";
  if (messageForm ? !(manager->SkinningRules() & srStdDialogs)
                  : !(manager->SkinningRules() & srStdForms) || form->Tag() == kNoSkinTag)
    return;
  auto* record = new TacProvider(form);
  State().providers.push_back(record);
  if (messageForm && record->FormProvider()) record->FormProvider()->SetMakeSkinMenu(false);
}

// A platform window: skinned under srStdDialogs, unless a skinned dialog is visible and
// the window holds no tool bar (the question over a file dialog keeps the platform look).
void ActivatePlatformWindow(HWND window) {
  if (!(DefaultManager()->SkinningRules() & srStdDialogs)) return;
  const auto& providers = State().providers;
  const bool overSkinnedDialog = std::any_of(providers.begin(), providers.end(), [](TacProvider* p) {
    return p->Dialog() && !p->Dialog()->Destroyed() && IsWindowVisible(p->DialogWindow());
  });
  auto* record = new TacProvider(window);
  State().providers.push_back(record);
  if (overSkinnedDialog && !HasDescendantOfClass(window, L"toolbarwindow32")) return;
  bool done = false;
  try {
    done = record->SetupDialog();
  } catch (...) {
    std::erase(State().providers, record);
  }
  if (!done) delete record;
}

void Activate(HWND window) {
  if (!window || !DefaultManager() || AskWindow(window, CMD_ISSKINNED)) return;
  if (ListedRecordOf(window)) return;
  const std::wstring className = ClassNameOf(window);
  if (className == L"TApplication" || className == L"TQRStandardPreview") return;
  if (TCustomForm* form = Screen ? Screen->FormOfWindow(window) : nullptr) {
    if (!form->IsDestroying()) ActivateForm(form, className);
    return;
  }
  ActivatePlatformWindow(window);
}

// A pop-up menu window being created gets its menu-window handler; a window made inside
// a skinned dialog gets its handler once it is complete.
void CreateWindowSeen(HWND window, const CBT_CREATEWNDW* create) {
  if (!DefaultManager()) return;
  const HWND parent = create && create->lpcs ? create->lpcs->hwndParent : GetParent(window);
  if (HWND dialog = SkinnedDialogAround(parent)) {
    auto& pending = State().dialogsToWalk;
    if (std::find(pending.begin(), pending.end(), dialog) == pending.end()) pending.push_back(dialog);
    PostDeferredWork();
    return;
  }
  if (ClassNameOf(window) != L"#32768" || AskWindow(window, CMD_ISSKINNED)) return;
  if (AttachMenuWindow(window)) State().handlerList.push_back(window);
}

// Records of windows destroyed earlier go now; the one going now (and a child handler of
// it) once its destruction has returned.
void DestroyWindowSeen(HWND window) {
  std::erase(State().handlerList, window);
  Sweep();
  const auto& providers = State().providers;
  if (std::any_of(providers.begin(), providers.end(), [](TacProvider* p) { return p->DialogWindow() != nullptr; }))
    PostDeferredWork();
}

LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallNextHookEx(nullptr, code, wParam, lParam);
  const HWND window = reinterpret_cast<HWND>(wParam);
  try {
    switch (code) {
      case HCBT_CREATEWND: CreateWindowSeen(window, reinterpret_cast<const CBT_CREATEWNDW*>(lParam)); break;
      case HCBT_DESTROYWND: DestroyWindowSeen(window); break;
      case HCBT_ACTIVATE: Activate(window); break;
      default: break;
    }
  } catch (...) {
    // A window that cannot be skinned keeps the platform's look; the platform goes on.
  }
  return result;
}

void Install(TsSkinManager* manager) {
  THookState& state = State();
  if (manager != DefaultManager() || state.hook) return;
  state.worker.reset(CreateUtilityWindow(L"EquidivDialogHookWork", WorkerProc, 0, 0, HWND_MESSAGE, L"", nullptr));
  state.workPosted = false;
  state.hook = SetHook(WH_CBT, HookProc, nullptr, GetCurrentThreadId());
}

void Remove(TsSkinManager*) {
  THookState& state = State();
  state.hook.Reset();
  state.handlerList.clear();
  state.dialogsToWalk.clear();
  // Frame providers stay with their forms; only the records go. A platform dialog's
  // record gives every window it skinned its own procedure back.
  const std::vector<TacProvider*> records = state.providers;
  for (TacProvider* record : records) delete record;
  state.providers.clear();
  state.worker.reset();
  state.workPosted = false;
}

// ---------------------------------------------------------------- child classification

enum class TChildHandler {
  None, Static, Icon, TransPanel, GroupBox, CheckBox, Button, ComboBox, ComboList, Sizer, ListView, Spin,
  Edit, Link, ToolBar, TreeView, Refuse
};

struct TChildRow {
  const wchar_t* className;  // lower case
  bool partialName;          // the class name only contains it
  bool (*applies)(DWORD style, SIZE size);  // null: every window of the class
  TChildHandler handler;
  const char* section;
  int specialMode;   // -1: left as it is
  bool formSection;  // the dialog's binding takes "FORM"
};

bool SizeIs(SIZE size, int cx, int cy) { return size.cx == cx && size.cy == cy; }
DWORD StaticType(DWORD style) { return style & SS_TYPEMASK; }
DWORD ButtonType(DWORD style) { return style & BS_TYPEMASK; }

bool IsSpecialCheckStatic(DWORD, SIZE size) { return SizeIs(size, 152, 49); }
bool IsPreviewStatic(DWORD, SIZE size) { return SizeIs(size, 150, 37); }
bool IsColorAreaStatic(DWORD, SIZE size) {
  return SizeIs(size, 192, 189) || SizeIs(size, 210, 140) || SizeIs(size, 12, 189) || SizeIs(size, 210, 46) ||
         SizeIs(size, 60, 42);
}
bool IsIconStatic(DWORD style, SIZE) { return StaticType(style) == SS_ICON; }
// Pictures the window or its owner paints.
bool IsPictureStatic(DWORD style, SIZE) {
  const DWORD type = StaticType(style);
  return type == SS_OWNERDRAW || type == SS_BITMAP || type == SS_ENHMETAFILE;
}
// Rectangles, frames and etched lines: the platform's lines are all they show.
bool IsLineStatic(DWORD style, SIZE) {
  const DWORD type = StaticType(style);
  return (type >= SS_BLACKRECT && type <= SS_WHITEFRAME) || type == SS_USERITEM ||
         (type >= SS_ETCHEDHORZ && type <= SS_ETCHEDFRAME);
}
bool IsGroupBox(DWORD style, SIZE) { return ButtonType(style) == BS_GROUPBOX; }
bool IsCheckButton(DWORD style, SIZE) {
  switch (ButtonType(style)) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE: return true;
    default: return false;
  }
}
bool IsOwnerDrawnButton(DWORD style, SIZE) { return ButtonType(style) == BS_OWNERDRAW; }
bool IsPropertySheetTab(DWORD, SIZE size) { return SizeIs(size, 470, 349); }
bool IsWrappingToolBar(DWORD style, SIZE) { return (style & TBSTYLE_WRAPABLE) != 0; }

// The first row that applies decides.
constexpr TChildRow kChildRows[] = {
    {L"static", false, IsSpecialCheckStatic, TChildHandler::Static, "CHECKBOX", 2, false},
    {L"static", false, IsPreviewStatic, TChildHandler::None, "", 1, false},
    {L"static", false, IsColorAreaStatic, TChildHandler::None, "", 3, true},
    {L"static", false, IsIconStatic, TChildHandler::Icon, "CHECKBOX", -1, false},
    {L"static", false, IsPictureStatic, TChildHandler::None, "", -1, false},
    {L"static", false, IsLineStatic, TChildHandler::None, "", -1, false},
    {L"static", false, nullptr, TChildHandler::Static, "CHECKBOX", -1, false},
    {L"#32770", false, nullptr, TChildHandler::TransPanel, "CHECKBOX", -1, false},
    {L"button", false, IsGroupBox, TChildHandler::GroupBox, "GROUPBOX", -1, false},
    {L"button", false, IsCheckButton, TChildHandler::CheckBox, "CHECKBOX", -1, false},
    {L"button", false, IsOwnerDrawnButton, TChildHandler::None, "", -1, false},
    {L"button", false, nullptr, TChildHandler::Button, "BUTTON", -1, false},
    {L"combobox", false, nullptr, TChildHandler::ComboBox, "COMBOBOX", -1, false},
    {L"combolbox", false, nullptr, TChildHandler::ComboList, "COMBOBOX", -1, false},
    {L"comboboxex32", false, nullptr, TChildHandler::ComboBox, "COMBOBOX", -1, false},
    {L"scrollbar", false, nullptr, TChildHandler::Sizer, "CHECKBOX", -1, false},
    {L"systabcontrol32", false, IsPropertySheetTab, TChildHandler::Refuse, "", -1, false},
    {L"systabcontrol32", false, nullptr, TChildHandler::None, "", -1, false},
    {L"syslistview32", false, nullptr, TChildHandler::ListView, "EDIT", -1, false},
    {L"msctls_updown32", false, nullptr, TChildHandler::Spin, "SPEEDBUTTON_SMALL", -1, false},
    {L"listbox", false, nullptr, TChildHandler::Edit, "EDIT", -1, false},
    {L"link window", false, nullptr, TChildHandler::Link, "CHECKBOX", -1, false},
    {L"toolbarwindow32", false, IsWrappingToolBar, TChildHandler::ToolBar, "BAR", -1, false},
    {L"toolbarwindow32", false, nullptr, TChildHandler::ToolBar, "CHECKBOX", -1, false},
    {L"edit", false, nullptr, TChildHandler::Edit, "EDIT", -1, false},
    {L"systreeview32", false, nullptr, TChildHandler::TreeView, "EDIT", -1, false},
    {L"shbrowseforfolder", true, nullptr, TChildHandler::TransPanel, "CHECKBOX", -1, false},
};

const TChildRow* RowFor(const std::wstring& lowerName, DWORD style, SIZE size) {
  for (const TChildRow& row : kChildRows) {
    const bool named = row.partialName ? lowerName.find(row.className) != std::wstring::npos
                                       : lowerName == row.className;
    if (named && (!row.applies || row.applies(style, size))) return &row;
  }
  return nullptr;
}

template <class T>
std::unique_ptr<TacMainWnd> Make(HWND window, const char* section) {
  return TacMainWnd::Create<T>(window, true, section, DefaultManager(), nullptr);
}

std::unique_ptr<TacMainWnd> MakeChildHandler(TChildHandler kind, HWND window, const char* section) {
  switch (kind) {
    case TChildHandler::Static: return Make<TacStaticWnd>(window, section);
    case TChildHandler::Icon: return Make<TacIconWnd>(window, section);
    case TChildHandler::TransPanel: return Make<TacTransPanelWnd>(window, section);
    case TChildHandler::GroupBox: return Make<TacGroupBoxWnd>(window, section);
    case TChildHandler::CheckBox: return Make<TacCheckBoxWnd>(window, section);
    case TChildHandler::Button: return Make<TacBtnWnd>(window, section);
    case TChildHandler::ComboBox: return Make<TacComboBoxWnd>(window, section);
    case TChildHandler::ComboList:
    case TChildHandler::Edit: return Make<TacEditWnd>(window, section);
    case TChildHandler::Sizer: return Make<TacSizerWnd>(window, section);
    case TChildHandler::ListView: return Make<TacListViewWnd>(window, section);
    case TChildHandler::Spin: {
      auto spin = TacMainWnd::Create<TacSpinWnd>(window, true, section, DefaultManager(), nullptr);
      spin->SpinOffset = 2;  // the two leftmost columns stay the platform's
      return spin;
    }
    case TChildHandler::Link: return Make<TacLinkWnd>(window, section);
    case TChildHandler::ToolBar: return Make<TacToolBarWnd>(window, section);
    case TChildHandler::TreeView: return Make<TacTreeViewWnd>(window, section);
    case TChildHandler::None:
    case TChildHandler::Refuse: break;
  }
  return nullptr;
}

// Frees a handler now, or, while one of its window's messages runs through it, when the
// outermost of them returns.
void FreeHandler(std::unique_ptr<TacMainWnd> handler) {
  if (!handler) return;
  if (handler->InMessage())
    handler.release()->Detach(true);
  else
    handler.reset();
}

void SwitchFlatScrollBarsOff(HWND window) {
  using TUninitializeFlatSB = BOOL(WINAPI*)(HWND);
  HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
  if (!comctl) return;
  if (auto uninitialize = reinterpret_cast<TUninitializeFlatSB>(
          reinterpret_cast<void*>(GetProcAddress(comctl, "UninitializeFlatSB"))))
    uninitialize(window);
}

// Keeps a record from being freed while its set-up or walk runs.
class TBusyScope {
public:
  explicit TBusyScope(int& busy) : busy_(busy) { ++busy_; }
  ~TBusyScope() { --busy_; }
  TBusyScope(const TBusyScope&) = delete;
  TBusyScope& operator=(const TBusyScope&) = delete;

private:
  int& busy_;
};

}  // namespace

TacProvider::TacProvider(TCustomForm* form) : TComponent(form) {
  formProvider_ = new TsSkinProvider(form);
  formProvider_->FreeNotification(this);
}

TacProvider::TacProvider(HWND dialogWindow) : TComponent(nullptr), dialogWindow_(dialogWindow) {}

TacProvider::~TacProvider() {
  if (formProvider_) formProvider_->RemoveFreeNotification(this);
  std::erase(State().providers, this);
  // Children first: each gives its window back while the dialog still has its handler.
  std::vector<std::unique_ptr<TacMainWnd>> children = std::move(childHandlers_);
  for (auto& handler : children) FreeHandler(std::move(handler));
  if (dialog_) dialog_->ForgetProvider();
  FreeHandler(std::unique_ptr<TacMainWnd>(dialog_.release()));
}

void TacProvider::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component == formProvider_) formProvider_ = nullptr;
  TComponent::Notification(component, operation);
}

bool TacProvider::SetupDialog() {
  const TBusyScope busy(busy_);
  childHandlers_.clear();
  TsSkinManager* manager = DefaultManager();
  if (dialog_ || !manager || !manager->Active()) return true;
  const std::wstring className = ClassNameOf(dialogWindow_);
  if (className != L"#32770" && className != L"TMessageForm") return true;
  SwitchFlatScrollBarsOff(dialogWindow_);
  dialog_ = TacMainWnd::Create<TacDialogWnd>(dialogWindow_, this);
  State().comboListCount = 0;
  if (!WalkChildren()) {
    std::erase(State().providers, this);
    return false;
  }
  dialog_->Setup();
  if (State().comboListCount == 3) {
    specialMode_ = 1;
    State().previewRect = RECT{178, 181, 327, 217};
  }
  SendSkinCommand(dialogWindow_, CMD_SKINLOADED, reinterpret_cast<LPARAM>(manager));
  return true;
}

bool TacProvider::WalkChildren() {
  if (walking_ || !dialog_ || !IsWindow(dialogWindow_)) return true;
  const TBusyScope busy(busy_);
  walking_ = true;
  bool walked = false;
  try {
    walked = WalkFrom(dialogWindow_);
  } catch (...) {
    walking_ = false;
    throw;
  }
  walking_ = false;
  return walked;
}

bool TacProvider::WalkFrom(HWND parent) {
  // Handlers made below send messages: a window may go (and take others with it) meanwhile.
  for (HWND child : ChildrenOf(parent)) {
    if (!IsWindow(child)) continue;
    if (!WalkFrom(child)) return false;
    if (IsWindow(child) && (GetWindowLongPtrW(child, GWL_STYLE) & WS_CHILD) && !Classify(child)) return false;
  }
  return true;
}

bool TacProvider::Classify(HWND child) {
  if (TacMainWnd::HandlerOf(child) || AskWindow(child, CMD_ISSKINNED)) return true;
  RECT bounds{};
  GetWindowRect(child, &bounds);
  const SIZE size{bounds.right - bounds.left, bounds.bottom - bounds.top};
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE));
  const TChildRow* row = RowFor(LowerCase(ClassNameOf(child)), style, size);
  if (!row) return true;
  if (row->handler == TChildHandler::Refuse) return false;
  if (row->specialMode >= 0) specialMode_ = row->specialMode;
  if (row->formSection && dialog_ && dialog_->Binding()) dialog_->Binding()->SetSkinSection("FORM");
  if (row->handler == TChildHandler::ComboList) ++State().comboListCount;
  const TDialogHandlersScope dialogMode;
  auto handler = MakeChildHandler(row->handler, child, row->section);
  // Making it sends the window messages: it may be gone already.
  if (handler && IsWindow(child))
    childHandlers_.push_back(std::move(handler));
  else
    FreeHandler(std::move(handler));
  return true;
}

bool TacProvider::Finished() const {
  if (!dialogWindow_ || busy_ > 0 || IsWindow(dialogWindow_)) return false;
  if (dialog_ && dialog_->InMessage()) return false;
  return std::none_of(childHandlers_.begin(), childHandlers_.end(),
                      [](const std::unique_ptr<TacMainWnd>& h) { return h->InMessage(); });
}

void TacProvider::DropGoneChildren() {
  if (busy_ > 0) return;
  std::vector<std::unique_ptr<TacMainWnd>> gone;
  for (auto& handler : childHandlers_)
    if (handler->Destroyed() && !handler->InMessage() && !IsWindow(handler->Window())) gone.push_back(std::move(handler));
  std::erase(childHandlers_, nullptr);
  gone.clear();
}

const RECT& PreviewRect() { return State().previewRect; }

int ComboListCount() { return State().comboListCount; }

HRGN ColorAreasRegion() {
  static const TRegionHandle region = [] {
    TRegionHandle areas = NewRectRegion(447, 0, 455, 200);
    const TRegionHandle middle = NewRectRegion(6, 23, 216, 163);
    const TRegionHandle lower = NewRectRegion(6, 189, 216, 235);
    CombineRgn(areas.Get(), areas.Get(), middle.Get(), RGN_OR);
    CombineRgn(areas.Get(), areas.Get(), lower.Get(), RGN_OR);
    return areas;
  }();
  return region.Get();
}

// ---------------------------------------------------------------- message box

UINT SkinMessageBoxFlags(TMsgBoxKind kind, TMsgBoxButtons buttons) {
  UINT icon = 0;
  switch (kind) {
    case TMsgBoxKind::Warning: icon = MB_ICONWARNING; break;
    case TMsgBoxKind::Error: icon = MB_ICONERROR; break;
    case TMsgBoxKind::Information: icon = MB_ICONINFORMATION; break;
    case TMsgBoxKind::Confirm: icon = MB_ICONQUESTION; break;
    case TMsgBoxKind::Custom: break;
  }
  const auto has = [&](TMsgBoxButtons b) { return (buttons & b) != 0; };
  UINT code = MB_OK;
  if (has(mbOK))
    code = has(mbCancel) ? MB_OKCANCEL : MB_OK;
  else if (has(mbAbort) || has(mbIgnore))
    code = MB_ABORTRETRYIGNORE;
  else if (has(mbYes) || has(mbNo))
    code = has(mbCancel) ? MB_YESNOCANCEL : MB_YESNO;
  else if (has(mbRetry))
    code = MB_RETRYCANCEL;
  return icon | code | (has(mbHelp) ? MB_HELP : 0);
}

const wchar_t* SkinMessageBoxCaption(TMsgBoxKind kind) {
  switch (kind) {
    case TMsgBoxKind::Warning: return L"Warning";
    case TMsgBoxKind::Error: return L"Error";
    case TMsgBoxKind::Information: return L"Information";
    case TMsgBoxKind::Confirm: return L"Confirm";
    case TMsgBoxKind::Custom: break;
  }
  return L"";
}

int SkinMessageBox(const std::optional<String>& caption, const String& text, TMsgBoxKind kind,
                   TMsgBoxButtons buttons) {
  if (!Application) return 0;
  return Application->MessageBox(text, caption ? *caption : String(SkinMessageBoxCaption(kind)),
                                 SkinMessageBoxFlags(kind, buttons));
}

int SkinWarning(const String& text, const std::optional<String>& caption) {
  return SkinMessageBox(caption, text, TMsgBoxKind::Warning, mbOK);
}

int SkinError(const String& text, const std::optional<String>& caption) {
  return SkinMessageBox(caption, text, TMsgBoxKind::Error, mbOK);
}

void UseDialogHook() {
  DialogHookSeam().Install = Install;
  DialogHookSeam().Remove = Remove;
}

bool DialogHookInstalled() { return static_cast<bool>(State().hook); }

std::vector<HWND> MenuHandlerList() { return State().handlerList; }

std::vector<TacProvider*> DialogProviders() { return State().providers; }
