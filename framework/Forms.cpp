#include "framework/Forms.h"

#include <commctrl.h>
#include <objbase.h>

#include <algorithm>

#include "framework/Graphics.h"
#include "framework/Handles.h"
#include "framework/UtilityWindow.h"

// The application object and the screen live from static initialisation to exit, as the
// rest of the framework expects them to.
namespace {
struct FrameworkGlobals {
  FrameworkGlobals() {
    Screen = new TScreen;
    Application = new TApplication;
  }
  ~FrameworkGlobals() {
    delete Application;
    Application = nullptr;
    delete Screen;
    Screen = nullptr;
  }
};
}  // namespace

TApplication* Application = nullptr;
TScreen* Screen = nullptr;
static FrameworkGlobals gFrameworkGlobals;

void HandleFrameworkException(TComponent* sender) {
  if (Application) {
    Application->HandleException(sender);
    return;
  }
  try {
    throw;
  } catch (...) {
  }
}

String ErrorBoxText(const String& message) {
  if (!message.empty() && message.back() > L'.') return message + L".";
  return message;
}

// ---------------------------------------------------------------- TCustomForm

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
  SetVisibleFlag(false);
  SetColor(clBtnFace);
  SetParentFont(false);
  controlStyle_ |= csAcceptsControls;
  width_ = 320;
  height_ = 240;
  if (Screen) Screen->forms_.push_back(this);
}

TCustomForm::~TCustomForm() {
  Destroying();
  DoDestroy();
  if (Screen) {
    auto& list = Screen->forms_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    if (Screen->activeForm_ == this) Screen->activeForm_ = nullptr;
  }
}

void TCustomForm::AfterConstruction() { DoCreate(); }

void TCustomForm::BeforeDestruction() {
  Destroying();
  DoDestroy();
  TWinControl::BeforeDestruction();
}

void TCustomForm::DoDestroy() {
  if (!created_ || destroyDone_) return;
  destroyDone_ = true;
  if (!OnDestroy) return;
  try {
    OnDestroy(this);
  } catch (...) {
    HandleFrameworkException(this);
  }
}

void TCustomForm::DoCreate() {
  created_ = true;
  if (OnCreate) OnCreate(this);
}

void TCustomForm::SetBorderStyle(TBorderStyle style) {
  if (style == borderStyle_) return;
  borderStyle_ = style;
  RecreateWnd();
}

void TCustomForm::SetBorderIcons(uint32_t icons) {
  if (icons == borderIcons_) return;
  borderIcons_ = icons;
  RecreateWnd();
}

TWindowState TCustomForm::WindowState() const {
  if (handle_) {
    if (IsIconic(handle_)) return wsMinimized;
    if (IsZoomed(handle_)) return wsMaximized;
    return wsNormal;
  }
  return windowState_;
}

void TCustomForm::SetWindowState(TWindowState state) {
  windowState_ = state;
  if (handle_ && Visible())
    ShowWindow(handle_, state == wsMinimized ? SW_MINIMIZE : state == wsMaximized ? SW_MAXIMIZE : SW_RESTORE);
}

DWORD TCustomForm::FrameStyle() const {
  DWORD style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  switch (borderStyle_) {
    case bsNone: style |= WS_POPUP; break;
    case bsSingle: case bsToolWindow: style |= WS_OVERLAPPED | WS_CAPTION | WS_BORDER; break;
    case bsSizeable: case bsSizeToolWin: style |= WS_OVERLAPPED | WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog: style |= WS_POPUP | WS_CAPTION | DS_MODALFRAME; break;
  }
  if (borderStyle_ != bsNone && (borderIcons_ & biSystemMenu)) {
    style |= WS_SYSMENU;
    if (borderStyle_ != bsDialog && borderStyle_ != bsToolWindow && borderStyle_ != bsSizeToolWin) {
      if (borderIcons_ & biMinimize) style |= WS_MINIMIZEBOX;
      if (borderIcons_ & biMaximize) style |= WS_MAXIMIZEBOX;
    }
  }
  return style;
}

DWORD TCustomForm::FrameExStyle() const {
  DWORD ex = 0;
  if (borderStyle_ == bsDialog) ex |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
  if (borderStyle_ == bsToolWindow || borderStyle_ == bsSizeToolWin) ex |= WS_EX_TOOLWINDOW;
  if ((borderIcons_ & biHelp) && borderStyle_ == bsDialog) ex |= WS_EX_CONTEXTHELP;
  if (formStyle_ == fsStayOnTop) ex |= WS_EX_TOPMOST;
  return ex;
}

void TCustomForm::SetClientSize(int width, int height) {
  if (handle_) {
    TWinControl::SetClientSize(width, height);
    return;
  }
  clientWidth_ = width;
  clientHeight_ = height;
  RECT r{0, 0, width, height};
  AdjustWindowRectEx(&r, FrameStyle(), FALSE, FrameExStyle());
  width_ = r.right - r.left;
  height_ = r.bottom - r.top;
  Realign();
}

void TCustomForm::AdjustClientRect(RECT& rect) const { InflateRect(&rect, -borderWidth_, -borderWidth_); }

RECT TCustomForm::ClientRect() const {
  if (!handle_ && clientWidth_ >= 0) return RECT{0, 0, clientWidth_, clientHeight_};
  return TWinControl::ClientRect();
}

void TCustomForm::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.style = FrameStyle();
  params.exStyle = FrameExStyle();
  // Not WS_VISIBLE: the form is shown by CM_SHOWINGCHANGED once its children exist.
  if (!Enabled()) params.style |= WS_DISABLED;
  // Size from the wanted client area when one was given.
  if (clientWidth_ >= 0) {
    RECT r{0, 0, clientWidth_, clientHeight_};
    AdjustWindowRectEx(&r, params.style, FALSE, params.exStyle);
    params.width = r.right - r.left;
    params.height = r.bottom - r.top;
  }
  if (position_ == poScreenCenter || (position_ == poMainFormCenter && !Application->MainForm())) {
    params.x = (GetSystemMetrics(SM_CXSCREEN) - params.width) / 2;
    params.y = (GetSystemMetrics(SM_CYSCREEN) - params.height) / 2;
  } else if (position_ == poMainFormCenter && Application->MainForm() && Application->MainForm() != this) {
    RECT m = Application->MainForm()->BoundsRect();
    params.x = m.left + (m.right - m.left - params.width) / 2;
    params.y = m.top + (m.bottom - m.top - params.height) / 2;
  } else if (position_ == poDefault) {
    params.x = CW_USEDEFAULT;
    params.y = CW_USEDEFAULT;
  }
  // Forms other than the main form are owned by it (they stay above it, share its button).
  params.parent = nullptr;
  if (Application && Application->MainForm() && Application->MainForm() != this &&
      Application->MainForm()->HandleAllocated())
    params.parent = Application->MainForm()->Handle();
  params.winClassName = ClassName();
}

void TCustomForm::CreateWnd() {
  TWinControl::CreateWnd();
  clientWidth_ = -1;
  clientHeight_ = -1;
  IconChanged();
}

void TCustomForm::IconChanged() {
  TIcon* icon = !icon_.Empty() ? &icon_ : (Application && !Application->Icon().Empty() ? &Application->Icon() : nullptr);
  if (!handle_ || !icon) return;
  SendMessageW(handle_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon->Handle(GetSystemMetrics(SM_CXICON))));
  SendMessageW(handle_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon->Handle(GetSystemMetrics(SM_CXSMICON))));
  Perform(CM_ICONCHANGED);
}

void TCustomForm::SetActiveControl(TWinControl* control) {
  if (control && !ContainsControl(control)) throw Exception(L"Invalid active control");
  activeControl_ = control;
  if (control && active_ && control->CanFocus()) ::SetFocus(control->Handle());
}

void TCustomForm::SetFocusedControl(TWinControl* control) {
  if (control == focusedControl_) {
    activeControl_ = control;
    return;
  }
  TWinControl* old = focusedControl_;
  focusedControl_ = control;
  activeControl_ = control;
  // The nearest parent both share; exit below it on the old side, enter on the new side.
  TWinControl* common = nullptr;
  for (TWinControl* c = control; c && !common; c = c->Parent())
    if (old && c->ContainsControl(old)) common = c;
  for (TWinControl* c = old; c && c != common && c != this; c = c->Parent()) c->Perform(CM_EXIT);
  std::vector<TWinControl*> entering;
  for (TWinControl* c = control; c && c != common && c != this; c = c->Parent()) entering.push_back(c);
  for (auto it = entering.rbegin(); it != entering.rend(); ++it) (*it)->Perform(CM_ENTER);
  // Every control hears where the focus went (buttons take or give up the default look).
  NotifyFocusChanged(this, control);
}

void TCustomForm::NotifyFocusChanged(TWinControl* container, TWinControl* focused) {
  container->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(focused));
  for (int i = 0; i < container->ControlCount(); ++i)
    if (auto* child = dynamic_cast<TWinControl*>(container->Controls(i))) NotifyFocusChanged(child, focused);
}

void TCustomForm::FocusControl(TWinControl* control) {
  activeControl_ = control;
  if (control && handle_ && IsWindowVisible(handle_)) ::SetFocus(control->Handle());
}

void TCustomForm::ControlRemoving(TWinControl* control) {
  if (activeControl_ && control->ContainsControl(activeControl_)) activeControl_ = nullptr;
  if (focusedControl_ && control->ContainsControl(focusedControl_)) focusedControl_ = nullptr;
}

void TCustomForm::SetFocus() {
  if (!handle_ || !IsWindowVisible(handle_)) throw Exception(L"Cannot focus a disabled or invisible window");
  SetActiveWindow(handle_);
}

bool TCustomForm::CanFocus() const { return Visible() && Enabled(); }

void TCustomForm::Show() {
  SetVisible(true);
  if (handle_) {
    SetWindowPos(handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(handle_);
  }
}

void TCustomForm::Close() {
  if (OnCloseQuery) {
    bool canClose = true;
    OnCloseQuery(this, canClose);
    if (!canClose) return;
  }
  TCloseAction action = (!modal_ && Application && Application->MainForm() == this) ? caFree : caHide;
  if (OnClose) OnClose(this, action);
  if (action == caNone) return;
  if (modal_) {
    modalResult_ = mrCancel;
    return;
  }
  if (Application && Application->MainForm() == this) {
    Hide();
    Application->Terminate();
    return;
  }
  if (action == caMinimize)
    SetWindowState(wsMinimized);
  else if (action == caFree)
    Release();
  else
    Hide();
}

void TCustomForm::Release() {
  // The application window frees it later, if it still exists then.
  PostMessageW(Application->Handle(), CM_RELEASE, 0, reinterpret_cast<LPARAM>(this));
}

namespace {
struct DisabledWindows {
  HWND keep;
  std::vector<HWND> windows;
};

BOOL CALLBACK DisableWindow(HWND window, LPARAM data) {
  auto* list = reinterpret_cast<DisabledWindows*>(data);
  if (window != list->keep && IsWindowVisible(window) && IsWindowEnabled(window)) {
    list->windows.push_back(window);
    EnableWindow(window, FALSE);
  }
  return TRUE;
}
}  // namespace

TTaskWindowList DisableTaskWindows(HWND activeWindow) {
  DisabledWindows disabled{activeWindow, {}};
  EnumThreadWindows(GetCurrentThreadId(), DisableWindow, reinterpret_cast<LPARAM>(&disabled));
  return std::move(disabled.windows);
}

void EnableTaskWindows(const TTaskWindowList& windows) {
  for (HWND w : windows)
    if (IsWindow(w)) EnableWindow(w, TRUE);
}

TModalResult TCustomForm::ShowModal() {
  if (Visible() || modal_ || !Enabled()) throw Exception(L"Cannot make a visible window modal");
  if (GetCapture()) SendMessageW(GetCapture(), WM_CANCELMODE, 0, 0);
  ReleaseCapture();
  HWND previousActive = GetActiveWindow();
  HandleNeeded();
  const TTaskWindowList disabled = DisableTaskWindows(handle_);
  modal_ = true;
  modalResult_ = mrNone;
  auto restore = [&] {
    EnableTaskWindows(disabled);
    modal_ = false;
  };
  try {
    Show();
    while (modalResult_ == mrNone) {
      Application->HandleMessage();
      if (Application->Terminated()) modalResult_ = mrCancel;
    }
  } catch (...) {
    restore();
    Hide();
    throw;
  }
  const TModalResult result = modalResult_;
  restore();
  Hide();
  if (previousActive && IsWindow(previousActive)) SetActiveWindow(previousActive);
  return result;
}

void TCustomForm::Activated(bool active) {
  if (active == active_) return;
  active_ = active;
  if (active) {
    if (Screen) Screen->activeForm_ = this;
    Perform(CM_ACTIVATE);
    if (OnActivate) OnActivate(this);
  } else {
    Perform(CM_DEACTIVATE);
    if (OnDeactivate) OnDeactivate(this);
  }
}

void TCustomForm::SnapToScreen(WINDOWPOS& pos) const {
  if ((pos.flags & SWP_NOMOVE) || !handle_) return;
  MONITORINFO info{sizeof(info)};
  if (!GetMonitorInfoW(MonitorFromWindow(handle_, MONITOR_DEFAULTTONEAREST), &info)) return;
  const RECT& work = info.rcWork;
  int width = pos.cx, height = pos.cy;
  if (pos.flags & SWP_NOSIZE) {
    width = width_;
    height = height_;
  }
  if (std::abs(pos.x - work.left) < snapBuffer_) pos.x = work.left;
  else if (std::abs(pos.x + width - work.right) < snapBuffer_) pos.x = work.right - width;
  if (std::abs(pos.y - work.top) < snapBuffer_) pos.y = work.top;
  else if (std::abs(pos.y + height - work.bottom) < snapBuffer_) pos.y = work.bottom - height;
}

bool TCustomForm::DialogKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN) return false;
  const WPARAM key = msg.wParam;
  if (key != VK_TAB && key != VK_RETURN && key != VK_ESCAPE) return false;
  if (GetKeyState(VK_MENU) < 0) return false;
  MSG copy = msg;
  const LRESULT code = SendMessageW(msg.hwnd, WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&copy));
  if (code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) return false;
  if (key == VK_TAB) {
    if (code & DLGC_WANTTAB) return false;
    if (GetKeyState(VK_CONTROL) < 0) return false;
    SelectNext(activeControl_, GetKeyState(VK_SHIFT) >= 0, true);
    return true;
  }
  return Perform(CM_DIALOGKEY, key, 0) != 0;
}

void TCustomForm::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_CLOSE:
      Close();
      return;
    case WM_ACTIVATE: {
      const bool active = LOWORD(message.WParam) != WA_INACTIVE;
      Activated(active);
      if (active) {
        if (activeControl_ && activeControl_->CanFocus() && activeControl_->HandleAllocated()) {
          ::SetFocus(activeControl_->Handle());
        } else if (TWinControl* first = FindNextControl(nullptr, true, true)) {
          ::SetFocus(first->Handle());
        } else {
          DefaultHandler(message);
        }
        if (activeControl_) activeControl_->Perform(CM_UIACTIVATE);
      } else {
        DefaultHandler(message);
      }
      return;
    }
    case WM_WINDOWPOSCHANGING:
      if (screenSnap_) SnapToScreen(*reinterpret_cast<WINDOWPOS*>(message.LParam));
      break;
    case WM_GETMINMAXINFO: {
      DefaultHandler(message);
      auto* info = reinterpret_cast<MINMAXINFO*>(message.LParam);
      const TSizeConstraints& c = Constraints();
      if (c.MinWidth > 0) info->ptMinTrackSize.x = c.MinWidth;
      if (c.MinHeight > 0) info->ptMinTrackSize.y = c.MinHeight;
      if (c.MaxWidth > 0) info->ptMaxTrackSize.x = c.MaxWidth;
      if (c.MaxHeight > 0) info->ptMaxTrackSize.y = c.MaxHeight;
      return;
    }
    case CM_SHOWINGCHANGED:
      if (handle_) {
        if (Visible()) {
          const int show = windowState_ == wsMinimized ? SW_SHOWMINIMIZED
                           : windowState_ == wsMaximized ? SW_SHOWMAXIMIZED
                                                         : SW_SHOWNORMAL;
          ShowWindow(handle_, show);
          if (OnShow) OnShow(this);
        } else {
          if (OnHide) OnHide(this);
          ShowWindow(handle_, SW_HIDE);
        }
      }
      return;
    default:
      break;
  }
  TWinControl::WndProc(message);
}

// ---------------------------------------------------------------- TScreen

TCustomForm* TScreen::FormOfWindow(HWND window) const {
  for (TCustomForm* form : forms_)
    if (form->HandleAllocated() && form->Handle() == window) return form;
  return nullptr;
}

int TScreen::PixelsPerInch() const {
  const TClientDC screen = TClientDC::Screen();
  return GetDeviceCaps(screen.Get(), LOGPIXELSY);
}

// ---------------------------------------------------------------- TApplication

LRESULT CALLBACK ApplicationWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!Application) return DefWindowProcW(window, msg, wParam, lParam);
  static const UINT liveHandles = RegisterWindowMessageW(kLiveHandlesMessage);
  if (msg == liveHandles)
    return wParam <= static_cast<WPARAM>(THandleKind::Menu) ? LiveHandles(static_cast<THandleKind>(wParam)) : -1;
  TMessage message{msg, wParam, lParam, 0};
  try {
    if (Application->RunHooks(message)) return message.Result;
    if (msg == CM_RELEASE) {
      Application->ReleaseForm(reinterpret_cast<TCustomForm*>(lParam));
      return 0;
    }
  } catch (...) {
    Application->HandleException(Application);
    return 0;
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() {
  Destroying();
  Teardown();
  if (handle_) DestroyWindow(handle_);
}

void TApplication::Teardown() {
  // Forms go while the application object and the screen are still whole.
  while (ComponentCount() > 0) delete Components(ComponentCount() - 1);
  mainForm_ = nullptr;
  hooks_.clear();
}

void TApplication::ReleaseForm(TCustomForm* form) {
  // The form may have been freed since it asked: free only one that still exists.
  if (!Screen) return;
  for (int i = 0; i < Screen->FormCount(); ++i)
    if (Screen->Forms(i) == form) {
      delete form;
      return;
    }
}

void TApplication::HookMainWindow(const void* owner, TApplicationHook hook) {
  UnhookMainWindow(owner);
  hooks_.emplace_back(owner, std::move(hook));
}

void TApplication::UnhookMainWindow(const void* owner) {
  std::erase_if(hooks_, [owner](const auto& entry) { return entry.first == owner; });
}

bool TApplication::RunHooks(TMessage& message) {
  // A copy: a hook may remove itself or others while it runs.
  const auto hooks = hooks_;
  for (const auto& [owner, hook] : hooks) {
    const bool stillHooked =
        std::any_of(hooks_.begin(), hooks_.end(), [owner = owner](const auto& e) { return e.first == owner; });
    if (stillHooked && hook(message)) return true;
  }
  return false;
}

void TApplication::Initialize() {
  if (initialized_) return;
  initialized_ = true;
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&icc);
  (void)CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  InstallDibSurfaceFactory();
  Handle();
}

HWND TApplication::Handle() {
  if (!handle_) {
    handle_ = CreateUtilityWindow(L"TApplication", ApplicationWndProc, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                  0, nullptr, title_.c_str(), nullptr);
    IconChanged();
  }
  return handle_;
}

void TApplication::IconChanged() {
  if (!handle_ || icon_.Empty()) return;
  SendMessageW(handle_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.Handle(GetSystemMetrics(SM_CXICON))));
  SendMessageW(handle_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.Handle(GetSystemMetrics(SM_CXSMICON))));
}

void TApplication::SetTitle(const String& title) {
  title_ = title;
  if (handle_) SetWindowTextW(handle_, title.c_str());
}

void TApplication::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == mainForm_) mainForm_ = nullptr;
}

HWND TApplication::DialogOwner() {
  HWND active = GetActiveWindow();
  if (active && Screen && Screen->FormOfWindow(active)) return active;
  if (Screen && Screen->ActiveForm() && Screen->ActiveForm()->HandleAllocated() &&
      IsWindowVisible(Screen->ActiveForm()->Handle()))
    return Screen->ActiveForm()->Handle();
  if (mainForm_ && mainForm_->HandleAllocated()) return mainForm_->Handle();
  return Handle();
}

bool TApplication::IsKeyMsg(MSG& msg) {
  if (msg.message != WM_KEYDOWN) return false;
  TWinControl* control = TWinControl::FindControl(msg.hwnd);
  if (!control) return false;
  TCustomForm* form = control->ParentForm();
  return form && form->DialogKey(msg);
}

bool TApplication::ProcessMessage(MSG& msg) {
  if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    terminated_ = true;
    return true;
  }
  try {
    DispatchOne(msg);
  } catch (...) {
    HandleException(this);
  }
  return true;
}

void TApplication::DispatchOne(MSG& msg) {
  // Dialog keys run framework code (a default button's Click) right here, outside any
  // window procedure: their errors are caught by the caller, as a procedure's would be.
  if (IsKeyMsg(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (ProcessMessage(msg)) {
  }
}

void TApplication::HandleMessage() {
  MSG msg;
  if (!ProcessMessage(msg)) WaitMessage();
}

void TApplication::Run() {
  Initialize();
  try {
    if (mainForm_) mainForm_->Show();
  } catch (...) {
    HandleException(this);
  }
  while (!terminated_) HandleMessage();
  Teardown();
}

void TApplication::Terminate() { PostQuitMessage(0); }

void TApplication::HandleException(TComponent* sender) {
  String text;
  try {
    throw;
  } catch (const Exception& e) {
    text = e.Message();
  } catch (const std::exception& e) {
    text = Utf8ToString(e.what());
  } catch (...) {
    text = L"Unknown error";
  }
  if (OnException) {
    OnException(sender, text);
    return;
  }
  ShowException(text);
}

void TApplication::ShowException(const String& message) {
  ::MessageBoxW(DialogOwner(), ErrorBoxText(message).c_str(), title_.c_str(), MB_OK | MB_ICONERROR);
}

int TApplication::MessageBox(const String& text, const String& caption, UINT flags) {
  return ::MessageBoxW(DialogOwner(), text.c_str(), caption.c_str(), flags);
}
