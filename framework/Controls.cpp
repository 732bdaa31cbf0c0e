#include "framework/Controls.h"

#include <algorithm>

#include "framework/Forms.h"
#include "framework/Menus.h"

// ---------------------------------------------------------------- handler chain

// One place in a control's chain. The control's WindowProc (or the previous procedure a
// later handler saved) calls the link, never the handler directly, so a handler that
// has been removed or freed is simply skipped.
struct TControlHandler::Link {
  TWndMethod previous;
  TControlHandler* handler = nullptr;

  void Dispatch(TMessage& message) {
    if (handler)
      handler->HandleMessage(message);
    else if (previous)
      previous(message);
  }
};

namespace {
// The callable a link puts into WindowProc; its type tells whether a link is still first.
struct LinkCall {
  TControlHandler::Link* link;
  void operator()(TMessage& message) const { link->Dispatch(message); }
};

// Runs `proc` on a copy, so that a procedure replaced while it runs stays alive until it
// returns.
void CallProcedure(const TWndMethod& proc, TMessage& message) {
  if (!proc) return;
  const TWndMethod running = proc;
  running(message);
}
}  // namespace

TControlHandler::~TControlHandler() { Remove(); }

bool TControlHandler::Install(TControl& control) {
  if (control_) return false;
  auto link = std::make_unique<Link>();
  link->previous = control.WindowProc;
  link->handler = this;
  link_ = link.get();
  control_ = &control;
  control.WindowProc = LinkCall{link.get()};
  control.handlerLinks_.push_back(std::move(link));
  return true;
}

void TControlHandler::Remove() {
  if (!control_) return;
  Link* link = link_;
  TControl* control = control_;
  link_ = nullptr;
  control_ = nullptr;
  link->handler = nullptr;
  // Still first: the chain gives back what was there before. Otherwise the link stays
  // as a pass-through for whoever saved it as their previous procedure.
  if (const LinkCall* first = control->WindowProc.target<LinkCall>(); first && first->link == link)
    control->WindowProc = link->previous;
}

void TControlHandler::CallPrevious(TMessage& message) {
  if (link_) CallProcedure(link_->previous, message);
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
  DetachHandlers();
  ForgetMouseControl(this);
  if (parent_) parent_->RemoveControl(this);
  font_.OnChange = nullptr;
}

void TControl::BeforeDestruction() {
  TComponent::BeforeDestruction();
  DetachHandlers();
}

void TControl::DetachHandlers() {
  WindowProc = [this](TMessage& message) { WndProc(message); };
  // Newest first, the order they were stacked in; a handler may free itself when told.
  for (auto it = handlerLinks_.rbegin(); it != handlerLinks_.rend(); ++it) {
    TControlHandler* handler = (*it)->handler;
    (*it)->handler = nullptr;
    if (!handler) continue;
    handler->link_ = nullptr;
    handler->control_ = nullptr;
    handler->ControlDestroyed();
  }
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage message{msg, wParam, lParam, 0};
  Deliver(message);
  return message.Result;
}

void TControl::Deliver(TMessage& message) { CallProcedure(WindowProc, message); }

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
  UpdateAnchorRules();
  RequestAlign();
}

void TControl::SetAnchors(uint32_t anchors) {
  anchors_ = anchors;
  UpdateAnchorRules();
}

void TControl::UpdateAnchorRules() {
  if (anchorMove_) return;
  anchorBounds_ = BoundsRect();
  anchorParentSize_ = SIZE{-1, -1};
  if (!parent_) return;
  const RECT client = parent_->ClientRect();
  anchorParentSize_ = SIZE{client.right - client.left, client.bottom - client.top};
}

RECT TControl::AnchoredBounds(SIZE parentSize) const {
  RECT r = anchorBounds_;
  if (anchorParentSize_.cx < 0) return BoundsRect();
  // One axis: the near edge, the size, the change of the parent's size.
  auto place = [](LONG& nearEdge, LONG& farEdge, bool nearAnchor, bool farAnchor, int delta) {
    if (farAnchor && nearAnchor) {
      farEdge += delta;
    } else if (farAnchor) {
      nearEdge += delta;
      farEdge += delta;
    } else if (!nearAnchor) {
      nearEdge += delta / 2;
      farEdge += delta / 2;
    }
  };
  place(r.left, r.right, anchors_ & akLeft, anchors_ & akRight, parentSize.cx - anchorParentSize_.cx);
  place(r.top, r.bottom, anchors_ & akTop, anchors_ & akBottom, parentSize.cy - anchorParentSize_.cy);
  int width = std::max<int>(r.right - r.left, 0), height = std::max<int>(r.bottom - r.top, 0);
  constraints_.Apply(width, height);
  // A size the constraints changed grows or shrinks away from the anchored edge.
  if ((anchors_ & akRight) && !(anchors_ & akLeft)) r.left = r.right - width;
  if ((anchors_ & akBottom) && !(anchors_ & akTop)) r.top = r.bottom - height;
  return RECT{r.left, r.top, r.left + width, r.top + height};
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

bool TControl::Showing() const { return visible_ && parent_ && parent_->Showing(); }

void TControl::BringToFront() {
  if (!parent_) return;
  auto& list = parent_->controls_;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  list.push_back(this);
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

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == TMouseButton::mbLeft) {
    if (controlStyle_ & csClickEvents) controlState_ |= csClicked;
    controlState_ |= csLButtonDown;
  }
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == TMouseButton::mbLeft) {
    const bool clicked = (controlState_ & csClicked) != 0;
    controlState_ &= ~(csClicked | csLButtonDown);
    const RECT r = ClientRect();
    if (clicked && PtInRect(&r, POINT{x, y})) Click();
  }
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::MouseCaptureLost() { controlState_ &= ~(csClicked | csLButtonDown); }

void TControl::MouseButtonMessage(const TMessage& message, TMouseButton button, bool down) {
  const POINT p = PointFromLParam(message.LParam);
  TShiftState shift = ShiftStateFromMouse(message.WParam);
  const bool doubleClick =
      message.Msg == WM_LBUTTONDBLCLK || message.Msg == WM_RBUTTONDBLCLK || message.Msg == WM_MBUTTONDBLCLK;
  if (doubleClick) shift |= ssDouble;
  if (down)
    MouseDown(button, shift, p.x, p.y);
  else
    MouseUp(button, shift, p.x, p.y);
}

void TControl::MouseNotification(const TMessage& message, const TNotifyEvent& event) {
  if (message.LParam == reinterpret_cast<LPARAM>(this) && event) event(this);
  // The ancestors hear about every control under them, with the same LParam.
  if (parent_) parent_->Perform(message.Msg, 0, message.LParam);
}

void TControl::ParentColorChanged() {
  if (!parentColor_ || !parent_ || color_ == parent_->Color()) return;
  color_ = parent_->Color();
  Perform(CM_COLORCHANGED);
}

void TControl::ParentFontChanged() {
  if (!parentFont_ || !parent_) return;
  fontFromParent_ = true;
  font_.Assign(parent_->Font());
  fontFromParent_ = false;
}

void TControl::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_LBUTTONDOWN: MouseButtonMessage(message, TMouseButton::mbLeft, true); break;
    case WM_LBUTTONDBLCLK:
      if ((controlStyle_ & csDoubleClicks) && OnDblClick) OnDblClick(this);
      MouseButtonMessage(message, TMouseButton::mbLeft, true);
      break;
    case WM_RBUTTONDOWN: MouseButtonMessage(message, TMouseButton::mbRight, true); break;
    case WM_MBUTTONDOWN: MouseButtonMessage(message, TMouseButton::mbMiddle, true); break;
    case WM_LBUTTONUP: MouseButtonMessage(message, TMouseButton::mbLeft, false); break;
    case WM_RBUTTONUP: MouseButtonMessage(message, TMouseButton::mbRight, false); break;
    case WM_MBUTTONUP: MouseButtonMessage(message, TMouseButton::mbMiddle, false); break;
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE: MouseCaptureLost(); break;
    case CM_MOUSEENTER: MouseNotification(message, OnMouseEnter); return;
    case CM_MOUSELEAVE: MouseNotification(message, OnMouseLeave); return;
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
    case CM_COLORCHANGED:
    case CM_FONTCHANGED:
      if (!IsWindowed()) Invalidate();
      return;
    case CM_VISIBLECHANGED:
      if (!IsWindowed() && visible_) Invalidate();
      return;
    case CM_PARENTCOLORCHANGED: ParentColorChanged(); return;
    case CM_PARENTFONTCHANGED: ParentFontChanged(); return;
    case CM_PARENTSHOWHINTCHANGED:
      if (parentShowHint_ && parent_) showHint_ = parent_->ShowHint();
      return;
    default: break;
  }
  DefaultHandler(message);
}

void TControl::DefaultHandler(TMessage&) {}
