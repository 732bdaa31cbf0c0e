#include "framework/WinControls.h"

#include <algorithm>

#include "framework/Forms.h"
#include "framework/Handles.h"
#include "framework/Menus.h"
#include "framework/WindowClasses.h"

namespace {
bool IsFrameworkMessage(UINT msg) { return msg >= CM_BASE && msg < CN_BASE + 0x0400; }

bool IsDoubleClick(UINT msg) { return msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK; }

bool IsButtonDown(UINT msg) {
  return msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN || IsDoubleClick(msg);
}

bool IsButtonUp(UINT msg) { return msg == WM_LBUTTONUP || msg == WM_RBUTTONUP || msg == WM_MBUTTONUP; }

TMouseButton ButtonOf(UINT msg) {
  switch (msg) {
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_RBUTTONDBLCLK: return TMouseButton::mbRight;
    case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MBUTTONDBLCLK: return TMouseButton::mbMiddle;
    default: return TMouseButton::mbLeft;
  }
}

// The window a draw, measure, delete or compare request is about; menus (ODT_MENU) are
// their owner window's business and name no child.
HWND ItemRequestWindow(HWND parent, UINT msg, LPARAM lParam) {
  switch (msg) {
    case WM_DRAWITEM: {
      auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      return di->CtlType != ODT_MENU ? di->hwndItem : nullptr;
    }
    case WM_MEASUREITEM: {
      // Measure requests carry only the control ID.
      auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      return mi->CtlType != ODT_MENU ? GetDlgItem(parent, static_cast<int>(mi->CtlID)) : nullptr;
    }
    case WM_DELETEITEM: return reinterpret_cast<DELETEITEMSTRUCT*>(lParam)->hwndItem;
    default: return reinterpret_cast<COMPAREITEMSTRUCT*>(lParam)->hwndItem;
  }
}
}  // namespace

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {
  controlStyle_ = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
}

void TWinControl::BeforeDestruction() {
  Destroying();
  DestroyHandle();
  TControl::BeforeDestruction();
}

TWinControl::~TWinControl() {
  Destroying();
  // A control not freed with delete (one on the stack) still has its window: what is
  // left of the object can take no handler's messages, so the handlers go first.
  if (handle_) {
    DetachHandlers();
    DestroyHandle();
  }
  // Children go next (whoever owns them).
  while (!controls_.empty()) {
    TControl* child = controls_.back();
    delete child;
  }
  captureControl_ = nullptr;
  // Leave the parent while this is still a TWinControl (the base destructor cannot tell).
  if (parent_) parent_->RemoveControl(this);
}

TWinControl* TWinControl::FromHandle(HWND window) {
  if (!window) return nullptr;
  return static_cast<TWinControl*>(GetPropW(window, kControlProperty));
}

TWinControl* TWinControl::FindControl(HWND window) {
  while (window) {
    if (TWinControl* c = FromHandle(window)) return c;
    if (!(GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD)) break;
    window = GetParent(window);
  }
  return nullptr;
}

TWinControl* TWinControl::FromCreateStruct(const CREATESTRUCTW* create) {
  if (!create) return nullptr;
  auto* control = static_cast<TWinControl*>(create->lpCreateParams);
  return control && TCreatingScope::IsCreating(control) ? control : nullptr;
}

HWND TWinControl::Handle() {
  if (!handle_) {
    if (parent_) parent_->HandleNeeded();
    if (!handle_) CreateWnd();
  }
  return handle_;
}

void TWinControl::CreateParams(TCreateParams& params) {
  params.caption = text_;
  params.style = WS_CHILD | WS_CLIPSIBLINGS;
  if (controlStyle_ & csAcceptsControls) params.style |= WS_CLIPCHILDREN;
  if (Visible()) params.style |= WS_VISIBLE;
  if (!Enabled()) params.style |= WS_DISABLED;
  if (tabStop_) params.style |= WS_TABSTOP;
  params.x = left_;
  params.y = top_;
  params.width = width_;
  params.height = height_;
  params.parent = parent_ ? parent_->handle_ : nullptr;
  params.winClassName = ClassName();
  params.cursor = LoadCursorW(nullptr, IDC_ARROW);
}

void TWinControl::CreateSubClass(TCreateParams& params, const wchar_t* platformClass) {
  params.baseClassName = platformClass;
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  if ((params.style & WS_CHILD) && !params.parent)
    throw Exception(FormatMessageText(L"Control '%s' has no parent window", {Name()}));
  platformProc_ = RegisterControlClass(params);

  // Child windows get a control ID of their own, so requests that name a child only by
  // its ID (measure-item) can be handed back to it.
  static UINT_PTR nextControlId = 1000;
  HMENU id = (params.style & WS_CHILD) ? reinterpret_cast<HMENU>(nextControlId++) : nullptr;
  if (nextControlId > 0xFFFF) nextControlId = 1000;
  controlState_ |= csCreating;
  HWND window;
  {
    const TCreatingScope creating(this);
    window = CreateWindowExW(params.exStyle, params.winClassName.c_str(), params.caption.c_str(), params.style,
                             params.x, params.y, params.width, params.height, params.parent, id,
                             GetModuleHandleW(nullptr), this);
  }
  if (!window || handle_ != window) {
    controlState_ &= ~csCreating;
    if (window) DestroyWindow(window);
    handle_ = nullptr;
    throw Exception(L"Error creating window");
  }
  try {
    SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), FALSE);
    if (params.style & WS_CHILD) SetWindowPos(handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    UpdateBoundsFromWindow();
    for (TControl* child : std::vector<TControl*>(controls_))
      if (child->IsWindowed()) static_cast<TWinControl*>(child)->HandleNeeded();
  } catch (...) {
    controlState_ &= ~csCreating;
    throw;
  }
  controlState_ &= ~csCreating;
  showing_ = Visible() && (params.style & WS_VISIBLE);
  Realign();
}

void TWinControl::DestroyWnd() {
  if (!handle_) return;
  savedText_ = Text();
  text_ = savedText_;
  controlState_ |= csDestroyingHandle;
  DestroyWindow(handle_);
  controlState_ &= ~csDestroyingHandle;
}

void TWinControl::DestroyHandle() {
  if (!handle_) return;
  // Children first, so each keeps what its window held (texts, items).
  for (TControl* child : std::vector<TControl*>(controls_))
    if (child->IsWindowed()) static_cast<TWinControl*>(child)->DestroyHandle();
  DestroyWnd();
}

void TWinControl::RecreateWnd() {
  if (!handle_) return;
  DestroyHandle();
  if (!parent_ || parent_->HandleAllocated()) HandleNeeded();
  UpdateShowing();
}

LRESULT TWinControl::MainWndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage message{msg, wParam, lParam, 0};
  HWND window = handle_;
  try {
    Deliver(message);
  } catch (...) {
    HandleFrameworkException(this);
  }
  if (msg == WM_NCDESTROY) WindowGone(window);
  return message.Result;
}

void TWinControl::WindowGone(HWND window) {
  CountHandleReleased(THandleKind::Window);
  RemovePropW(window, kControlProperty);
  if (handle_ == window) handle_ = nullptr;
  showing_ = false;
  captureControl_ = nullptr;
}

void TWinControl::DefaultHandler(TMessage& message) {
  if (!handle_ || IsFrameworkMessage(message.Msg)) return;
  message.Result = platformProc_ ? CallWindowProcW(platformProc_, handle_, message.Msg, message.WParam, message.LParam)
                                 : DefWindowProcW(handle_, message.Msg, message.WParam, message.LParam);
}

// ---------------------------------------------------------------- the window procedure

void TWinControl::WndProc(TMessage& message) {
  const UINT msg = message.Msg;
  switch (msg) {
    // Instead of the platform procedure.
    case WM_PAINT:
      if (PaintsItself()) { PaintHandler(message); return; }
      break;
    case WM_PRINTCLIENT:
      if (!IsPlatformClass()) { PrintClient(message); return; }
      break;
    case WM_ERASEBKGND:
      if (!IsPlatformClass()) { message.Result = EraseBackground(reinterpret_cast<HDC>(message.WParam)); return; }
      break;
    case WM_CONTEXTMENU: ContextMenu(message); return;
    case WM_COMMAND: case WM_NOTIFY: case WM_HSCROLL: case WM_VSCROLL:
    case WM_CTLCOLORBTN: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORSTATIC:
    case WM_DRAWITEM: case WM_MEASUREITEM: case WM_DELETEITEM: case WM_COMPAREITEM:
      if (ReflectNotification(message)) return;
      break;
    // After the platform procedure.
    case WM_SETFOCUS: FocusReceived(message); return;
    case WM_WINDOWPOSCHANGED:
      DefaultHandler(message);
      WindowPosChanged(*reinterpret_cast<const WINDOWPOS*>(message.LParam));
      return;
    case WM_SIZE:
      DefaultHandler(message);
      Resized(message.WParam);
      return;
    // Before the platform procedure.
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: KeyMessage(message, true); return;
    case WM_KEYUP:
    case WM_SYSKEYUP: KeyMessage(message, false); return;
    case WM_CHAR:
      if (DialogChar(message)) return;
      break;
    case WM_MOUSEMOVE:
      TrackMouse(PointFromLParam(message.LParam));
      if (ForwardMouseToChild(message)) return;
      break;
    case WM_MOUSELEAVE: MouseLeft(); break;
    case WM_CAPTURECHANGED: case WM_CANCELMODE: CaptureChanged(message); break;
    case WM_DESTROY: text_ = Text(); break;
    default:
      if (IsMouseButtonMessage(msg)) {
        if (ForwardMouseToChild(message)) return;
        if (IsPlatformClass()) { PlatformMouseButton(message); return; }
      } else if (IsFrameworkMessage(msg) && FrameworkNotification(message)) {
        return;
      }
      break;
  }
  TControl::WndProc(message);
}

bool TWinControl::PaintsItself() const {
  return !IsPlatformClass() ||
         std::any_of(controls_.begin(), controls_.end(), [](TControl* c) { return !c->IsWindowed(); });
}

void TWinControl::PrintClient(TMessage& message) {
  // Themed children ask for the parent's picture behind them; it is the painted face.
  if (message.LParam & PRF_ERASEBKGND) Perform(WM_ERASEBKGND, message.WParam, 0);
  TMessage paint{WM_PAINT, message.WParam, 0, 0};
  PaintHandler(paint);
}

LRESULT TWinControl::EraseBackground(HDC dc) {
  RECT r;
  GetClientRect(handle_, &r);
  brush_.SetColor(Color());
  FillRect(dc, &r, brush_.Handle());
  return 1;
}

bool TWinControl::ReflectNotification(TMessage& message) {
  HWND child = nullptr;
  switch (message.Msg) {
    case WM_NOTIFY: child = reinterpret_cast<NMHDR*>(message.LParam)->hwndFrom; break;
    case WM_DRAWITEM: case WM_MEASUREITEM: case WM_DELETEITEM: case WM_COMPAREITEM:
      child = ItemRequestWindow(handle_, message.Msg, message.LParam);
      break;
    default: child = reinterpret_cast<HWND>(message.LParam); break;
  }
  return child && ReflectToChild(message, child);
}

bool TWinControl::ReflectToChild(TMessage& message, HWND child) {
  TWinControl* control = FromHandle(child);
  if (!control || control == this) return false;
  message.Result = control->Perform(CN_BASE + message.Msg, message.WParam, message.LParam);
  return true;
}

void TWinControl::ContextMenu(TMessage& message) {
  POINT screen = PointFromLParam(message.LParam);
  TControl* target = this;
  if (screen.x == -1 && screen.y == -1) {
    // From the keyboard: at the control's top-left corner.
    screen = ClientToScreen(POINT{0, 0});
  } else {
    POINT local = screen;
    ::ScreenToClient(handle_, &local);
    if (TControl* child = ControlAtPos(local, false)) target = child;
  }
  if (TPopupMenu* menu = target->PopupMenu()) {
    menu->SetPopupComponent(target);
    menu->Popup(screen.x, screen.y);
    message.Result = 1;
    return;
  }
  DefaultHandler(message);
}

void TWinControl::Resized(WPARAM kind) {
  UpdateBoundsFromWindow();
  if (kind != SIZE_MINIMIZED) Realign();
}

void TWinControl::WindowPosChanged(const WINDOWPOS& pos) {
  UpdateBoundsFromWindow();
  // Shown or hidden by anyone; WM_SETREDRAW sends no position change.
  if (pos.flags & SWP_SHOWWINDOW) showing_ = true;
  if (pos.flags & SWP_HIDEWINDOW) showing_ = false;
}

void TWinControl::FocusReceived(TMessage& message) {
  DefaultHandler(message);
  if (TCustomForm* form = ParentForm()) form->SetFocusedControl(this);
}

void TWinControl::KeyMessage(TMessage& message, bool down) {
  WORD key = static_cast<WORD>(message.WParam);
  const TShiftState shift = ShiftStateFromKeyboard();
  if (down)
    KeyDown(key, shift);
  else
    KeyUp(key, shift);
  if (key != 0) DefaultHandler(message);
}

void TWinControl::KeyDown(WORD& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(WORD& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

bool TWinControl::DialogChar(const TMessage& message) {
  TMessage code{WM_GETDLGCODE, message.WParam, 0, 0};
  DefaultHandler(code);
  if (code.Result & (DLGC_WANTCHARS | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) return false;
  TCustomForm* form = ParentForm();
  return form && form->Perform(CM_DIALOGCHAR, message.WParam, message.LParam) != 0;
}

void TWinControl::TrackMouse(POINT p) {
  RECT client;
  GetClientRect(handle_, &client);
  POINT screen = p;
  ::ClientToScreen(handle_, &screen);
  // With the capture, moves arrive from anywhere: only a pointer really over this window
  // makes it (or a child of it) the control under the pointer.
  const bool inside = PtInRect(&client, p) && (GetCapture() != handle_ || WindowFromPoint(screen) == handle_);
  if (!inside) {
    if (HoldsMouseControl()) SetMouseControl(nullptr);
    return;
  }
  TControl* target = ControlAtPos(p, true);
  SetMouseControl(target ? target : this);
  TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, handle_, 0};
  TrackMouseEvent(&track);
}

void TWinControl::MouseLeft() {
  if (HoldsMouseControl() && !PointerInside()) SetMouseControl(nullptr);
}

bool TWinControl::HoldsMouseControl() const {
  const TControl* hot = MouseControl();
  return hot == this || (hot && !hot->IsWindowed() && hot->parent_ == this);
}

bool TWinControl::PointerInside() const {
  POINT screen;
  GetCursorPos(&screen);
  if (WindowFromPoint(screen) != handle_) return false;
  POINT p = screen;
  ::ScreenToClient(handle_, &p);
  RECT client;
  GetClientRect(handle_, &client);
  return PtInRect(&client, p) != FALSE;
}

bool TWinControl::ForwardMouseToChild(TMessage& message) {
  const POINT p = PointFromLParam(message.LParam);
  TControl* target = captureControl_ ? captureControl_ : ControlAtPos(p, false);
  if (!target) return false;
  const POINT local{p.x - target->left_, p.y - target->top_};
  const UINT msg = message.Msg;
  if (IsButtonDown(msg)) {
    captureControl_ = target;
    SetCapture(handle_);
  }
  message.Result = target->Perform(msg, message.WParam, LParamFromPoint(local));
  if (IsButtonUp(msg)) {
    captureControl_ = nullptr;
    if (GetCapture() == handle_) ReleaseCapture();
  }
  return true;
}

void TWinControl::PlatformMouseButton(TMessage& message) {
  // The platform window first (a button tracks its own press and reports its own click),
  // then the framework's processing. A double click is a press like any other.
  DefaultHandler(message);
  const LRESULT result = message.Result;
  const UINT msg = message.Msg;
  if (IsButtonDown(msg)) {
    if (msg == WM_LBUTTONDBLCLK && (controlStyle_ & csDoubleClicks) && OnDblClick) OnDblClick(this);
    MouseButtonMessage(message, ButtonOf(msg), true);
    // The platform reports the click itself; the framework only keeps the press state.
    controlState_ &= ~csClicked;
  } else if (IsButtonUp(msg)) {
    MouseButtonMessage(message, ButtonOf(msg), false);
  }
  message.Result = result;
}

void TWinControl::CaptureChanged(TMessage& message) {
  if (message.Msg == WM_CAPTURECHANGED && reinterpret_cast<HWND>(message.LParam) == handle_) return;
  MouseCaptureLost();
}

void TWinControl::MouseCaptureLost() {
  // A pressed non-windowed child loses its press with the parent's capture.
  if (TControl* pressed = captureControl_) {
    captureControl_ = nullptr;
    pressed->MouseCaptureLost();
  }
  TControl::MouseCaptureLost();
}

bool TWinControl::FrameworkNotification(TMessage& message) {
  switch (message.Msg) {
    case CM_DIALOGCHAR: case CM_DIALOGKEY: Broadcast(message); return true;
    case CM_ENABLEDCHANGED:
      if (handle_) EnableWindow(handle_, Enabled());
      Invalidate();
      return true;
    case CM_VISIBLECHANGED: UpdateShowing(); return true;
    case CM_SHOWINGCHANGED: ShowingChanged(); return true;
    case CM_COLORCHANGED: ApplyColor(); return true;
    case CM_FONTCHANGED: ApplyFont(); return true;
    case CM_PARENTSHOWHINTCHANGED:
      TControl::WndProc(message);
      NotifyChildren(CM_PARENTSHOWHINTCHANGED);
      return true;
    case CM_SHOWHINTCHANGED: NotifyChildren(CM_PARENTSHOWHINTCHANGED); return true;
    case CM_CONTROLLISTCHANGE:
      if (parent_) parent_->WindowProc(message);
      return true;
    case CM_RECREATEWND: RecreateWnd(); return true;
    default: return false;
  }
}

void TWinControl::ApplyColor() {
  brush_.SetColor(Color());
  Invalidate();
  NotifyChildren(CM_PARENTCOLORCHANGED);
}

void TWinControl::ApplyFont() {
  if (handle_) SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), TRUE);
  Invalidate();
  NotifyChildren(CM_PARENTFONTCHANGED);
}

void TWinControl::ShowingChanged() {
  if (!handle_) return;
  SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | (Visible() ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

// ---------------------------------------------------------------- painting

void TWinControl::PaintWindow(HDC dc) {
  if (IsPlatformClass()) {
    TMessage paint{WM_PAINT, reinterpret_cast<WPARAM>(dc), 0, 0};
    DefaultHandler(paint);
  }
}

void TWinControl::PaintControls(HDC dc) {
  for (TControl* child : std::vector<TControl*>(controls_)) {
    if (child->IsWindowed() || !child->Visible()) continue;
    RECT r = child->BoundsRect(), clip;
    if (GetClipBox(dc, &clip) != NULLREGION && !IntersectRect(&clip, &clip, &r)) continue;
    const int saved = SaveDC(dc);
    POINT origin;
    GetViewportOrgEx(dc, &origin);
    SetViewportOrgEx(dc, origin.x + child->left_, origin.y + child->top_, nullptr);
    IntersectClipRect(dc, 0, 0, child->width_, child->height_);
    child->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    RestoreDC(dc, saved);
  }
}

void TWinControl::PaintHandler(TMessage& message) {
  if (message.WParam) {
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    PaintWindow(dc);
    PaintControls(dc);
    return;
  }
  // Painting ends however drawing ends.
  const TPaintDC paint = TPaintDC::Begin(handle_);
  if (!paint) return;
  PaintWindow(paint.Get());
  PaintControls(paint.Get());
}

void TWinControl::ColorDC(TMessage& message) {
  HDC dc = reinterpret_cast<HDC>(message.WParam);
  SetTextColor(dc, ColorToRGB(font_.Color()));
  SetBkColor(dc, ColorToRGB(Color()));
  brush_.SetColor(Color());
  message.Result = reinterpret_cast<LRESULT>(brush_.Handle());
}

// ---------------------------------------------------------------- children

void TWinControl::InsertControl(TControl* control) {
  if (!control || control->parent_ == this) return;
  if (control->parent_) control->parent_->RemoveControl(control);
  controls_.push_back(control);
  control->parent_ = this;
  if (control->IsWindowed()) tabList_.push_back(static_cast<TWinControl*>(control));
  control->UpdateAnchorRules();
  if (control->parentColor_) control->Perform(CM_PARENTCOLORCHANGED);
  if (control->parentFont_) control->Perform(CM_PARENTFONTCHANGED);
  if (control->parentShowHint_) control->Perform(CM_PARENTSHOWHINTCHANGED);
  if (control->IsWindowed() && handle_) {
    static_cast<TWinControl*>(control)->HandleNeeded();
  } else if (!control->IsWindowed()) {
    control->Invalidate();
  }
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(control), 1);
  if (control->align_ != alNone) Realign();
}

void TWinControl::RemoveControl(TControl* control) {
  if (!control || control->parent_ != this) return;
  if (captureControl_ == control) captureControl_ = nullptr;
  if (control->IsWindowed()) {
    auto* w = static_cast<TWinControl*>(control);
    if (TCustomForm* form = ParentForm(); form && !form->IsDestroying()) form->ControlRemoving(w);
    w->DestroyHandle();
    tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), w), tabList_.end());
  } else if (handle_ && !IsDestroying()) {
    control->Invalidate();
  }
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
  control->parent_ = nullptr;
  if (!IsDestroying()) {
    Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(control), 0);
    if (control->align_ != alNone) Realign();
  }
}

bool TWinControl::ContainsControl(const TControl* control) const {
  for (const TControl* c = control; c; c = c->parent_)
    if (c == this) return true;
  return false;
}

TControl* TWinControl::ControlAtPos(POINT p, bool allowDisabled) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* c = *it;
    if (c->IsWindowed() || !c->Visible() || (!allowDisabled && !c->Enabled())) continue;
    RECT r = c->BoundsRect();
    if (PtInRect(&r, p)) return c;
  }
  return nullptr;
}

TWinControl* TWinControl::ChildFromHandle(HWND window) const {
  TWinControl* c = FromHandle(window);
  return c && c->parent_ == this ? c : nullptr;
}

void TWinControl::NotifyChildren(UINT msg) {
  for (size_t i = 0; i < controls_.size(); ++i) controls_[i]->Perform(msg);
}

void TWinControl::Broadcast(TMessage& message) {
  for (size_t i = 0; i < controls_.size(); ++i) {
    controls_[i]->Deliver(message);
    if (message.Result != 0) return;
  }
}

// ---------------------------------------------------------------- tab order and focus

int TWinControl::TabOrder() const {
  if (!parent_) return -1;
  const auto& list = parent_->tabList_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int order) {
  if (!parent_) return;
  auto& list = parent_->tabList_;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  order = std::clamp(order, 0, static_cast<int>(list.size()));
  list.insert(list.begin() + order, this);
}

void TWinControl::SetTabStop(bool on) {
  if (on == tabStop_) return;
  tabStop_ = on;
  if (handle_) {
    LONG_PTR style = GetWindowLongPtrW(handle_, GWL_STYLE);
    SetWindowLongPtrW(handle_, GWL_STYLE, on ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
  }
  Perform(CM_TABSTOPCHANGED);
}

std::vector<TWinControl*> TWinControl::TabList() const { return tabList_; }

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
  for (TWinControl* c : tabList_) {
    list.push_back(c);
    c->GetTabOrderList(list);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool forward, bool checkTabStop) const {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  const int n = static_cast<int>(list.size());
  auto it = std::find(list.begin(), list.end(), current);
  int i = it == list.end() ? (forward ? n - 1 : 0) : static_cast<int>(it - list.begin());
  for (int step = 0; step < n; ++step) {
    i = forward ? (i + 1) % n : (i + n - 1) % n;
    TWinControl* c = list[static_cast<size_t>(i)];
    if (c == current) break;
    if ((!checkTabStop || c->TabStop()) && c->CanFocus()) return c;
  }
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool forward, bool checkTabStop) {
  if (TWinControl* next = FindNextControl(current, forward, checkTabStop)) next->SetFocus();
}

bool TWinControl::Focused() const { return handle_ && GetFocus() == handle_; }

bool TWinControl::CanFocus() const {
  for (const TControl* c = this; c; c = c->parent_)
    if (!c->Visible() || !c->Enabled()) return false;
  return true;
}

void TWinControl::SetFocus() {
  if (TCustomForm* form = ParentForm(); form && form != this) {
    form->FocusControl(this);
    return;
  }
  ::SetFocus(Handle());
}

// ---------------------------------------------------------------- layout

void TWinControl::Loaded() {
  TControl::Loaded();
  if (controlState_ & csAlignmentNeeded) Realign();
}

void TWinControl::EnableAlign() {
  if (alignDisabled_ > 0 && --alignDisabled_ == 0 && (controlState_ & csAlignmentNeeded)) Realign();
}

void TWinControl::Realign() {
  if (aligning_) return;
  if (alignDisabled_ > 0 || IsLoading() || IsDestroying()) {
    controlState_ |= csAlignmentNeeded;
    return;
  }
  controlState_ &= ~csAlignmentNeeded;
  RECT r = ClientRect();
  AdjustClientRect(r);
  aligning_ = true;
  try {
    AlignControls(nullptr, r);
  } catch (...) {
    aligning_ = false;
    throw;
  }
  aligning_ = false;
}

void TWinControl::AdjustClientRect(RECT&) const {}

void TWinControl::AlignControls(TControl*, RECT& rect) {
  auto take = [&](TAlign align) {
    std::vector<TControl*> list;
    for (TControl* c : controls_)
      if (c->align_ == align && c->Visible()) list.push_back(c);
    std::stable_sort(list.begin(), list.end(), [align](TControl* a, TControl* b) {
      switch (align) {
        case alTop: return a->top_ < b->top_;
        case alBottom: return a->top_ + a->height_ > b->top_ + b->height_;
        case alLeft: return a->left_ < b->left_;
        case alRight: return a->left_ + a->width_ > b->left_ + b->width_;
        default: return false;
      }
    });
    return list;
  };
  for (TControl* c : take(alTop)) {
    c->SetBounds(rect.left, rect.top, rect.right - rect.left, c->height_);
    rect.top += c->height_;
  }
  for (TControl* c : take(alBottom)) {
    c->SetBounds(rect.left, rect.bottom - c->height_, rect.right - rect.left, c->height_);
    rect.bottom -= c->height_;
  }
  for (TControl* c : take(alLeft)) {
    c->SetBounds(rect.left, rect.top, c->width_, rect.bottom - rect.top);
    rect.left += c->width_;
  }
  for (TControl* c : take(alRight)) {
    c->SetBounds(rect.right - c->width_, rect.top, c->width_, rect.bottom - rect.top);
    rect.right -= c->width_;
  }
  for (TControl* c : take(alClient))
    c->SetBounds(rect.left, rect.top, std::max<LONG>(rect.right - rect.left, 0), std::max<LONG>(rect.bottom - rect.top, 0));
  AnchorControls();
}

void TWinControl::AnchorControls() {
  const RECT client = ClientRect();
  const SIZE size{client.right - client.left, client.bottom - client.top};
  for (TControl* c : std::vector<TControl*>(controls_)) {
    if (c->align_ != alNone || c->anchors_ == (akLeft | akTop) || c->anchorParentSize_.cx < 0) continue;
    const RECT r = c->AnchoredBounds(size);
    c->anchorMove_ = true;
    try {
      c->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
    } catch (...) {
      c->anchorMove_ = false;
      throw;
    }
    c->anchorMove_ = false;
  }
}

// ---------------------------------------------------------------- bounds, text, showing

void TWinControl::Invalidate() {
  if (handle_) InvalidateRect(handle_, nullptr, (controlStyle_ & csOpaque) ? FALSE : TRUE);
}

void TWinControl::Update() {
  if (handle_) UpdateWindow(handle_);
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  constraints_.Apply(width, height);
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  if (handle_ && !IsIconic(handle_)) {
    SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    // The window may refuse a size; the control keeps what it got.
    UpdateBoundsFromWindow();
  } else {
    const bool resized = width != width_ || height != height_;
    left_ = left;
    top_ = top;
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    if (resized) Realign();
  }
  UpdateAnchorRules();
  RequestAlign();
}

RECT TWinControl::ClientRect() const {
  if (handle_) {
    RECT r;
    GetClientRect(handle_, &r);
    return r;
  }
  return TControl::ClientRect();
}

void TWinControl::SetClientSize(int width, int height) {
  RECT client = ClientRect();
  SetBounds(left_, top_, width_ - (client.right - client.left) + width, height_ - (client.bottom - client.top) + height);
}

void TWinControl::UpdateBoundsFromWindow() {
  if (!handle_ || IsIconic(handle_)) return;
  RECT r;
  GetWindowRect(handle_, &r);
  if (GetWindowLongPtrW(handle_, GWL_STYLE) & WS_CHILD) MapWindowPoints(nullptr, GetParent(handle_), reinterpret_cast<POINT*>(&r), 2);
  UpdateBoundsRect(r);
}

String TWinControl::Text() const {
  if (!handle_) return text_;
  const int length = GetWindowTextLengthW(handle_);
  String text(static_cast<size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(handle_, text.data(), length + 1);
  text.resize(static_cast<size_t>(std::max(got, 0)));
  return text;
}

void TWinControl::SetTextInternal(const String& text) {
  text_ = text;
  if (handle_) SetWindowTextW(handle_, text.c_str());
}

bool TWinControl::Showing() const { return handle_ && showing_ && (!parent_ || parent_->Showing()); }

void TWinControl::UpdateShowing() {
  const bool want = Visible() && (!parent_ || parent_->HandleAllocated());
  if (want && !handle_) HandleNeeded();
  if (!handle_) return;
  const bool shown = (GetWindowLongPtrW(handle_, GWL_STYLE) & WS_VISIBLE) != 0;
  showing_ = want;
  if (shown != Visible()) Perform(CM_SHOWINGCHANGED);
}

void TWinControl::BringToFront() {
  TControl::BringToFront();
  if (handle_)
    SetWindowPos(handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | (parent_ ? SWP_NOACTIVATE : 0));
}
