#include "framework/Controls.h"

#include <algorithm>
#include <map>

#include "framework/Forms.h"
#include "framework/Menus.h"

namespace {

constexpr wchar_t kControlProperty[] = L"EquidivControl";

// The control whose window is being made on this thread: the first message of the new
// window binds the window to it.
thread_local TWinControl* gCreatingControl = nullptr;

TControl* gMouseControl = nullptr;

// Registered class name -> the platform procedure it superclasses (null: DefWindowProc).
std::map<String, WNDPROC>& RegisteredClasses() {
  static std::map<String, WNDPROC> classes;
  return classes;
}

bool IsFrameworkMessage(UINT msg) { return msg >= CM_BASE && msg < CN_BASE + 0x0400; }

POINT PointFromLParam(LPARAM l) {
  return POINT{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
}

LPARAM LParamFromPoint(POINT p) {
  return MAKELPARAM(static_cast<WORD>(static_cast<short>(p.x)), static_cast<WORD>(static_cast<short>(p.y)));
}

bool IsMouseButtonMessage(UINT msg) {
  switch (msg) {
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MBUTTONDBLCLK:
      return true;
    default:
      return false;
  }
}

}  // namespace

TControl* MouseControl() { return gMouseControl; }

void SetMouseControl(TControl* control) {
  if (control == gMouseControl) return;
  TControl* old = gMouseControl;
  gMouseControl = control;
  if (old) old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(old));
  if (control && gMouseControl == control) control->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(control));
}

LRESULT CALLBACK FrameworkWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* control = static_cast<TWinControl*>(GetPropW(window, kControlProperty));
  if (!control && gCreatingControl) {
    control = gCreatingControl;
    gCreatingControl = nullptr;
    control->handle_ = window;
    SetPropW(window, kControlProperty, control);
  }
  if (control) return control->MainWndProc(msg, wParam, lParam);
  // A window whose control is gone: the platform class (if any) finishes it.
  wchar_t name[256] = {};
  GetClassNameW(window, name, 255);
  auto it = RegisteredClasses().find(name);
  WNDPROC base = it != RegisteredClasses().end() ? it->second : nullptr;
  return base ? CallWindowProcW(base, window, msg, wParam, lParam) : DefWindowProcW(window, msg, wParam, lParam);
}

// ---------------------------------------------------------------- TControl

void TSizeConstraints::Apply(int& width, int& height) const {
  if (MaxWidth > 0 && width > MaxWidth) width = MaxWidth;
  if (MaxHeight > 0 && height > MaxHeight) height = MaxHeight;
  if (MinWidth > 0 && width < MinWidth) width = MinWidth;
  if (MinHeight > 0 && height < MinHeight) height = MinHeight;
}

TControl::TControl(TComponent* owner) : TComponent(owner) {
  WindowProc = [this](TMessage& message) { WndProc(message); };
  font_.OnChange = [this](TFont*) { FontChanged(); };
}

TControl::~TControl() {
  Destroying();
  if (gMouseControl == this) gMouseControl = nullptr;
  if (parent_) parent_->RemoveControl(this);
  font_.OnChange = nullptr;
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage message{msg, wParam, lParam, 0};
  WindowProc(message);
  return message.Result;
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent == this) throw Exception(L"A control cannot have itself as its parent");
  if (parent_) parent_->RemoveControl(this);
  if (parent) parent->InsertControl(this);
}

TCustomForm* TControl::ParentForm() const {
  const TControl* c = this;
  while (c->parent_) c = c->parent_;
  return const_cast<TCustomForm*>(dynamic_cast<const TCustomForm*>(c));
}

void TControl::SetBounds(int left, int top, int width, int height) {
  constraints_.Apply(width, height);
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  const bool showing = parent_ && parent_->HandleAllocated() && visible_;
  if (showing) Invalidate();
  left_ = left;
  top_ = top;
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  if (showing) Invalidate();
  RequestAlign();
}

void TControl::UpdateBoundsRect(const RECT& rect) {
  left_ = rect.left;
  top_ = rect.top;
  width_ = rect.right - rect.left;
  height_ = rect.bottom - rect.top;
}

RECT TControl::ClientRect() const { return RECT{0, 0, width_, height_}; }
int TControl::ClientWidth() const { RECT r = ClientRect(); return r.right - r.left; }
int TControl::ClientHeight() const { RECT r = ClientRect(); return r.bottom - r.top; }
void TControl::SetClientSize(int width, int height) { SetBounds(left_, top_, width, height); }

POINT TControl::ClientOrigin() const {
  if (!parent_) return POINT{left_, top_};
  POINT p = parent_->ClientOrigin();
  return POINT{p.x + left_, p.y + top_};
}

POINT TControl::ClientToScreen(POINT p) const {
  POINT o = ClientOrigin();
  return POINT{p.x + o.x, p.y + o.y};
}

POINT TControl::ScreenToClient(POINT p) const {
  POINT o = ClientOrigin();
  return POINT{p.x - o.x, p.y - o.y};
}

void TControl::SetAlign(TAlign align) {
  if (align == align_) return;
  align_ = align;
  if (parent_) parent_->Realign();
}

void TControl::RequestAlign() {
  if (parent_ && align_ != alNone) parent_->Realign();
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  if (!visible && parent_ && parent_->HandleAllocated() && !IsWindowed()) Invalidate();
  visible_ = visible;
  Perform(CM_VISIBLECHANGED, visible ? 1 : 0);
  if (parent_ && align_ != alNone) parent_->Realign();
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Perform(CM_ENABLEDCHANGED);
}

String TControl::Text() const { return text_; }

void TControl::SetTextInternal(const String& text) { text_ = text; }

void TControl::SetText(const String& text) {
  if (text == Text()) return;
  SetTextInternal(text);
  Perform(CM_TEXTCHANGED);
}

void TControl::SetColor(TColor color) {
  if (color == color_ && !parentColor_) return;
  color_ = color;
  parentColor_ = false;
  Perform(CM_COLORCHANGED);
}

void TControl::SetParentFlag(bool& flag, bool on, UINT parentChanged) {
  if (on == flag) return;
  flag = on;
  // Turned on: take the parent's value now, as the parent's own change would.
  if (on && parent_) Perform(parentChanged);
}

void TControl::SetParentColor(bool on) { SetParentFlag(parentColor_, on, CM_PARENTCOLORCHANGED); }

void TControl::FontChanged() {
  if (!fontFromParent_) parentFont_ = false;
  Perform(CM_FONTCHANGED);
}

void TControl::SetParentFont(bool on) { SetParentFlag(parentFont_, on, CM_PARENTFONTCHANGED); }

void TControl::SetShowHint(bool on) {
  showHint_ = on;
  parentShowHint_ = false;
  Perform(CM_SHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool on) { SetParentFlag(parentShowHint_, on, CM_PARENTSHOWHINTCHANGED); }

void TControl::SetPopupMenu(TPopupMenu* menu) {
  if (menu == popupMenu_) return;
  if (popupMenu_) popupMenu_->RemoveFreeNotification(this);
  popupMenu_ = menu;
  if (menu) menu->FreeNotification(this);
}

void TControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == popupMenu_) popupMenu_ = nullptr;
}

void TControl::Invalidate() {
  if (!parent_ || !parent_->HandleAllocated()) return;
  RECT r = BoundsRect();
  InvalidateRect(parent_->Handle(), &r, (controlStyle_ & csOpaque) ? FALSE : TRUE);
}

void TControl::Update() {
  if (parent_) parent_->Update();
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

bool TControl::Showing() const {
  if (IsWindowed()) {
    auto* self = static_cast<const TWinControl*>(this);
    return self->handle_ && IsWindowVisible(self->handle_);
  }
  return visible_ && parent_ && parent_->Showing();
}

void TControl::BringToFront() {
  if (!parent_) {
    if (IsWindowed() && static_cast<TWinControl*>(this)->HandleAllocated())
      SetWindowPos(static_cast<TWinControl*>(this)->handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    return;
  }
  auto& list = parent_->controls_;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  list.push_back(this);
  if (IsWindowed() && static_cast<TWinControl*>(this)->HandleAllocated())
    SetWindowPos(static_cast<TWinControl*>(this)->handle_, HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  else
    Invalidate();
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::Loaded() {
  TComponent::Loaded();
  if (parent_) {
    if (parentColor_) Perform(CM_PARENTCOLORCHANGED);
    if (parentFont_) Perform(CM_PARENTFONTCHANGED);
  }
}

bool TControl::MouseCapture() const { return (controlState_ & csLButtonDown) != 0; }

void TControl::MouseDown(TMessage& message, TMouseButton button) {
  const POINT p = PointFromLParam(message.LParam);
  if (button == TMouseButton::mbLeft && (controlStyle_ & csClickEvents)) controlState_ |= csClicked;
  if (button == TMouseButton::mbLeft) controlState_ |= csLButtonDown;
  if (OnMouseDown) OnMouseDown(this, button, p.x, p.y);
}

void TControl::MouseUp(TMessage& message, TMouseButton button) {
  const POINT p = PointFromLParam(message.LParam);
  if (button == TMouseButton::mbLeft) {
    const bool clicked = (controlState_ & csClicked) != 0;
    controlState_ &= ~(csClicked | csLButtonDown);
    const RECT r = ClientRect();
    if (clicked && PtInRect(&r, p)) Click();
  }
  if (OnMouseUp) OnMouseUp(this, button, p.x, p.y);
}

void TControl::PlatformLeftButtonUp(TMessage& message) {
  // The platform window reports its own click, so only the press state ends here.
  controlState_ &= ~(csClicked | csLButtonDown);
  const POINT p = PointFromLParam(message.LParam);
  if (OnMouseUp) OnMouseUp(this, TMouseButton::mbLeft, p.x, p.y);
}

void TControl::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_LBUTTONDOWN:
      MouseDown(message, TMouseButton::mbLeft);
      break;
    case WM_LBUTTONDBLCLK:
      if ((controlStyle_ & csDoubleClicks) && OnDblClick) OnDblClick(this);
      MouseDown(message, TMouseButton::mbLeft);
      break;
    case WM_RBUTTONDOWN:
      MouseDown(message, TMouseButton::mbRight);
      break;
    case WM_LBUTTONUP:
      MouseUp(message, TMouseButton::mbLeft);
      break;
    case WM_RBUTTONUP:
      MouseUp(message, TMouseButton::mbRight);
      break;
    case CM_MOUSEENTER:
      if (message.LParam == reinterpret_cast<LPARAM>(this) && OnMouseEnter) OnMouseEnter(this);
      if (parent_) parent_->Perform(CM_MOUSEENTER, 0, message.LParam);
      return;
    case CM_MOUSELEAVE:
      if (message.LParam == reinterpret_cast<LPARAM>(this) && OnMouseLeave) OnMouseLeave(this);
      if (parent_) parent_->Perform(CM_MOUSELEAVE, 0, message.LParam);
      return;
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
    case CM_COLORCHANGED:
    case CM_FONTCHANGED:
      if (!IsWindowed()) Invalidate();
      return;
    case CM_VISIBLECHANGED:
      if (!IsWindowed() && visible_) Invalidate();
      return;
    case CM_PARENTCOLORCHANGED:
      if (parentColor_ && parent_) {
        if (color_ != parent_->Color()) {
          color_ = parent_->Color();
          Perform(CM_COLORCHANGED);
        }
      }
      return;
    case CM_PARENTFONTCHANGED:
      if (parentFont_ && parent_) {
        fontFromParent_ = true;
        font_.Assign(parent_->Font());
        fontFromParent_ = false;
      }
      return;
    case CM_PARENTSHOWHINTCHANGED:
      if (parentShowHint_ && parent_) showHint_ = parent_->ShowHint();
      return;
    default:
      break;
  }
  DefaultHandler(message);
}

void TControl::DefaultHandler(TMessage&) {}

// ---------------------------------------------------------------- TWinControl

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {
  controlStyle_ = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
}

TWinControl::~TWinControl() {
  Destroying();
  // Children go first (whoever owns them), then the window.
  while (!controls_.empty()) {
    TControl* child = controls_.back();
    delete child;
  }
  captureControl_ = nullptr;
  DestroyHandle();
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
  if (params.style & WS_CHILD) {
    if (!params.parent) throw Exception(FormatMessageText(L"Control '%s' has no parent window", {Name()}));
  }

  auto& classes = RegisteredClasses();
  auto known = classes.find(params.winClassName);
  if (known == classes.end()) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    WNDPROC base = nullptr;
    if (!params.baseClassName.empty()) {
      WNDCLASSEXW platform{};
      platform.cbSize = sizeof(platform);
      if (!GetClassInfoExW(nullptr, params.baseClassName.c_str(), &platform))
        throw Exception(FormatMessageText(L"Window class %s is not available", {params.baseClassName}));
      wc = platform;
      wc.cbSize = sizeof(wc);
      wc.style = platform.style & ~CS_GLOBALCLASS;
      base = platform.lpfnWndProc;
    } else {
      wc.style = params.classStyle;
      wc.hCursor = params.cursor;
      wc.hbrBackground = params.background;
    }
    wc.lpfnWndProc = FrameworkWndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = params.winClassName.c_str();
    wc.lpszMenuName = nullptr;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
      throw Exception(FormatMessageText(L"Cannot register window class %s", {params.winClassName}));
    known = classes.emplace(params.winClassName, base).first;
  }
  platformProc_ = known->second;

  controlState_ |= csCreating;
  gCreatingControl = this;
  // Child windows get a control ID of their own, so requests that name a child only by
  // its ID (measure-item) can be handed back to it.
  static UINT_PTR nextControlId = 1000;
  HMENU id = (params.style & WS_CHILD) ? reinterpret_cast<HMENU>(nextControlId++) : nullptr;
  if (nextControlId > 0xFFFF) nextControlId = 1000;
  HWND window = CreateWindowExW(params.exStyle, params.winClassName.c_str(), params.caption.c_str(), params.style,
                                params.x, params.y, params.width, params.height, params.parent, id,
                                GetModuleHandleW(nullptr), nullptr);
  gCreatingControl = nullptr;
  if (!window) {
    controlState_ &= ~csCreating;
    handle_ = nullptr;
    throw Exception(L"Error creating window");
  }
  handle_ = window;
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
  showing_ = Visible();
  Realign();
}

void TWinControl::DestroyWnd() {
  if (handle_) {
    savedText_ = Text();
    text_ = savedText_;
    controlState_ |= csDestroyingHandle;
    DestroyWindow(handle_);
    controlState_ &= ~csDestroyingHandle;
  }
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
  ++nestedMessages_;
  try {
    WindowProc(message);
  } catch (...) {
    HandleFrameworkException(this);
  }
  --nestedMessages_;
  if (msg == WM_NCDESTROY) {
    RemovePropW(window, kControlProperty);
    if (handle_ == window) handle_ = nullptr;
    showing_ = false;
  }
  return message.Result;
}

void TWinControl::DefaultHandler(TMessage& message) {
  if (!handle_ || IsFrameworkMessage(message.Msg)) return;
  message.Result = platformProc_ ? CallWindowProcW(platformProc_, handle_, message.Msg, message.WParam, message.LParam)
                                 : DefWindowProcW(handle_, message.Msg, message.WParam, message.LParam);
}

TWinControl* TWinControl::ChildFromHandle(HWND window) const {
  TWinControl* c = FromHandle(window);
  return c && c->parent_ == this ? c : nullptr;
}

bool TWinControl::ReflectToChild(TMessage& message, HWND child) {
  TWinControl* control = FromHandle(child);
  if (!control || control == this) return false;
  message.Result = control->Perform(CN_BASE + message.Msg, message.WParam, message.LParam);
  return true;
}

void TWinControl::NotifyChildren(UINT msg) {
  for (size_t i = 0; i < controls_.size(); ++i) controls_[i]->Perform(msg);
}

void TWinControl::Broadcast(TMessage& message) {
  for (size_t i = 0; i < controls_.size(); ++i) {
    controls_[i]->WindowProc(message);
    if (message.Result != 0) return;
  }
}

void TWinControl::UpdateBoundsFromWindow() {
  if (!handle_ || IsIconic(handle_)) return;
  RECT r;
  GetWindowRect(handle_, &r);
  if (GetWindowLongPtrW(handle_, GWL_STYLE) & WS_CHILD) {
    MapWindowPoints(nullptr, GetParent(handle_), reinterpret_cast<POINT*>(&r), 2);
  }
  UpdateBoundsRect(r);
}

void TWinControl::TrackMouse(const TMessage& message) {
  const POINT p = PointFromLParam(message.LParam);
  TControl* target = ControlAtPos(p, true);
  SetMouseControl(target ? target : this);
  TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, handle_, 0};
  TrackMouseEvent(&track);
}

bool TWinControl::ForwardMouseToChild(TMessage& message) {
  const POINT p = PointFromLParam(message.LParam);
  TControl* target = captureControl_ ? captureControl_ : ControlAtPos(p, false);
  if (!target) return false;
  const POINT local{p.x - target->left_, p.y - target->top_};
  const UINT msg = message.Msg;
  if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
    captureControl_ = target;
    SetCapture(handle_);
  }
  message.Result = target->Perform(msg, message.WParam, LParamFromPoint(local));
  if (msg == WM_LBUTTONUP || msg == WM_RBUTTONUP || msg == WM_MBUTTONUP) {
    captureControl_ = nullptr;
    if (GetCapture() == handle_) ReleaseCapture();
  }
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

void TWinControl::DoSetFocusNotify() {
  if (TCustomForm* form = ParentForm()) form->SetFocusedControl(this);
}

void TWinControl::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_SETFOCUS:
      DefaultHandler(message);
      DoSetFocusNotify();
      return;
    case WM_COMMAND:
      if (message.LParam && ReflectToChild(message, reinterpret_cast<HWND>(message.LParam))) return;
      break;
    case WM_NOTIFY:
      if (ReflectToChild(message, reinterpret_cast<NMHDR*>(message.LParam)->hwndFrom)) return;
      break;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (message.LParam && ReflectToChild(message, reinterpret_cast<HWND>(message.LParam))) return;
      break;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_COMPAREITEM: {
      // Menus (type ODT_MENU) are handled by their owner window; controls are found by
      // their window, or by their control ID where the request carries no window.
      HWND child = nullptr;
      switch (message.Msg) {
        case WM_DRAWITEM: {
          auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam);
          if (di->CtlType != ODT_MENU) child = di->hwndItem;
          break;
        }
        case WM_MEASUREITEM: {
          auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam);
          if (mi->CtlType != ODT_MENU) child = GetDlgItem(handle_, static_cast<int>(mi->CtlID));
          break;
        }
        case WM_DELETEITEM:
          child = reinterpret_cast<DELETEITEMSTRUCT*>(message.LParam)->hwndItem;
          break;
        default:
          child = reinterpret_cast<COMPAREITEMSTRUCT*>(message.LParam)->hwndItem;
          break;
      }
      if (child && ReflectToChild(message, child)) return;
      break;
    }
    case WM_PAINT:
      if (!IsPlatformClass() || std::any_of(controls_.begin(), controls_.end(), [](TControl* c) { return !c->IsWindowed(); })) {
        PaintHandler(message);
        return;
      }
      break;
    case WM_PRINTCLIENT:
      // Themed children ask for the parent's picture behind them; it is the painted face.
      if (!IsPlatformClass()) {
        if (message.LParam & PRF_ERASEBKGND) Perform(WM_ERASEBKGND, message.WParam, 0);
        TMessage paint{WM_PAINT, message.WParam, 0, 0};
        PaintHandler(paint);
        return;
      }
      break;
    case WM_ERASEBKGND:
      if (!IsPlatformClass()) {
        RECT r;
        GetClientRect(handle_, &r);
        brush_.SetColor(Color());
        FillRect(reinterpret_cast<HDC>(message.WParam), &r, brush_.Handle());
        message.Result = 1;
        return;
      }
      break;
    case WM_WINDOWPOSCHANGED:
      DefaultHandler(message);
      UpdateBoundsFromWindow();
      return;
    case WM_SIZE:
      DefaultHandler(message);
      UpdateBoundsFromWindow();
      if (message.WParam != SIZE_MINIMIZED) Realign();
      return;
    case WM_MOUSEMOVE:
      TrackMouse(message);
      if (ForwardMouseToChild(message)) return;
      break;
    case WM_MOUSELEAVE: {
      TControl* hot = gMouseControl;
      if (hot == this || (hot && !hot->IsWindowed() && hot->parent_ == this)) {
        POINT p;
        GetCursorPos(&p);
        if (WindowFromPoint(p) != handle_) SetMouseControl(nullptr);
      }
      break;
    }
    case WM_CONTEXTMENU:
      ContextMenu(message);
      return;
    case WM_CHAR: {
      TMessage code{WM_GETDLGCODE, message.WParam, 0, 0};
      DefaultHandler(code);
      if (!(code.Result & (DLGC_WANTCHARS | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE))) {
        if (TCustomForm* form = ParentForm()) {
          if (form->Perform(CM_DIALOGCHAR, message.WParam, message.LParam) != 0) return;
        }
      }
      break;
    }
    case WM_DESTROY:
      text_ = Text();
      break;
    case CM_DIALOGCHAR:
    case CM_DIALOGKEY:
      Broadcast(message);
      return;
    case CM_ENABLEDCHANGED:
      if (handle_) EnableWindow(handle_, Enabled());
      Invalidate();
      return;
    case CM_VISIBLECHANGED:
      UpdateShowing();
      return;
    case CM_SHOWINGCHANGED:
      if (handle_)
        SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE |
                         (Visible() ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
      return;
    case CM_COLORCHANGED:
      brush_.SetColor(Color());
      Invalidate();
      NotifyChildren(CM_PARENTCOLORCHANGED);
      return;
    case CM_FONTCHANGED:
      if (handle_) SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), TRUE);
      Invalidate();
      NotifyChildren(CM_PARENTFONTCHANGED);
      return;
    case CM_PARENTSHOWHINTCHANGED:
      TControl::WndProc(message);
      NotifyChildren(CM_PARENTSHOWHINTCHANGED);
      return;
    case CM_SHOWHINTCHANGED:
      NotifyChildren(CM_PARENTSHOWHINTCHANGED);
      return;
    case CM_CONTROLLISTCHANGE:
      if (parent_) parent_->WindowProc(message);
      return;
    case CM_RECREATEWND:
      RecreateWnd();
      return;
    default:
      if (IsMouseButtonMessage(message.Msg)) {
        if (ForwardMouseToChild(message)) return;
        const UINT msg = message.Msg;
        // The platform first (a button tracks its own press), then the framework's events.
        if (IsPlatformClass()) {
          DefaultHandler(message);
          const LRESULT result = message.Result;
          if (msg == WM_LBUTTONDOWN) MouseDown(message, TMouseButton::mbLeft);
          else if (msg == WM_RBUTTONDOWN) MouseDown(message, TMouseButton::mbRight);
          else if (msg == WM_LBUTTONUP) PlatformLeftButtonUp(message);
          else if (msg == WM_RBUTTONUP) MouseUp(message, TMouseButton::mbRight);
          message.Result = result;
          return;
        }
      }
      break;
  }
  TControl::WndProc(message);
}

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
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(handle_, &ps);
  try {
    PaintWindow(dc);
    PaintControls(dc);
  } catch (...) {
    EndPaint(handle_, &ps);
    throw;
  }
  EndPaint(handle_, &ps);
}

void TWinControl::InsertControl(TControl* control) {
  if (!control || control->parent_ == this) return;
  if (control->parent_) control->parent_->RemoveControl(control);
  controls_.push_back(control);
  control->parent_ = this;
  if (control->IsWindowed()) tabList_.push_back(static_cast<TWinControl*>(control));
  if (control->parentColor_) control->Perform(CM_PARENTCOLORCHANGED);
  if (control->parentFont_) control->Perform(CM_PARENTFONTCHANGED);
  if (control->parentShowHint_) control->Perform(CM_PARENTSHOWHINTCHANGED);
  if (control->IsWindowed() && handle_) {
    auto* w = static_cast<TWinControl*>(control);
    w->HandleNeeded();
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
  int start = it == list.end() ? (forward ? n - 1 : 0) : static_cast<int>(it - list.begin());
  int i = start;
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
}

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

void TWinControl::ColorDC(TMessage& message) {
  HDC dc = reinterpret_cast<HDC>(message.WParam);
  SetTextColor(dc, ColorToRGB(font_.Color()));
  SetBkColor(dc, ColorToRGB(Color()));
  brush_.SetColor(Color());
  message.Result = reinterpret_cast<LRESULT>(brush_.Handle());
}

void TWinControl::UpdateShowing() {
  const bool want = Visible() && (!parent_ || parent_->HandleAllocated());
  if (want && !handle_) HandleNeeded();
  if (!handle_) return;
  const bool shown = (GetWindowLongPtrW(handle_, GWL_STYLE) & WS_VISIBLE) != 0;
  showing_ = want;
  if (shown != Visible()) Perform(CM_SHOWINGCHANGED);
}

// ---------------------------------------------------------------- TGraphicControl, TCustomControl

namespace {
// Lends a control's canvas the DC of one paint request, with the control's font; the
// canvas lets go of the DC however painting ends.
class TPaintCanvas {
public:
  TPaintCanvas(TCanvas& canvas, HDC dc, const TFont& font) : canvas_(canvas) {
    canvas_.SetHandle(dc);
    canvas_.Font().Assign(font);
  }
  ~TPaintCanvas() { canvas_.SetHandle(nullptr); }
  TPaintCanvas(const TPaintCanvas&) = delete;
  TPaintCanvas& operator=(const TPaintCanvas&) = delete;

private:
  TCanvas& canvas_;
};
}  // namespace

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) {}

void TGraphicControl::WndProc(TMessage& message) {
  if (message.Msg == WM_PAINT) {
    const TPaintCanvas lent(canvas_, reinterpret_cast<HDC>(message.WParam), font_);
    Paint();
    return;
  }
  TControl::WndProc(message);
}

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) {}

void TCustomControl::PaintWindow(HDC dc) {
  const TPaintCanvas lent(canvas_, dc, font_);
  Paint();
}

HWND CreateUtilityWindow(const wchar_t* className, WNDPROC proc, DWORD style, DWORD exStyle, HWND parent,
                         const wchar_t* caption, void* object) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = className;
  RegisterClassExW(&wc);  // fails harmlessly once registered
  HWND window = CreateWindowExW(exStyle, className, caption, style, 0, 0, 0, 0, parent, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  if (window && object) SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
  return window;
}
