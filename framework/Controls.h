// The control base: `TControl` (a rectangle on its parent with text, colour, font, mouse
// events and the framework notifications) and `TControlHandler`, the one way to put code
// in front of a control's window procedure.
//
// Every message a control handles passes through its `WindowProc`, which starts as the
// virtual `WndProc`. Code that takes a control over installs a `TControlHandler`: the
// handler sees each message first and decides whether the previous procedure runs before,
// after or not at all. Handlers chain; one is taken out of the chain only while it is still
// first, otherwise it stays as a pass-through until the control dies, and it is told when
// its control is destroyed.
//
// Property changes announce themselves with the framework notifications of
// framework/Messages.h. Alignment (`alTop`, `alBottom`, `alLeft`, `alRight`, `alClient`)
// is deferred while a control is loading and done in `Loaded`.
//
// Anchors: a control that is not aligned keeps the distances of its anchored edges to the
// same edges of its parent's client area when the parent is resized: akRight (without
// akLeft) moves it along, akLeft with akRight stretches it, neither keeps its centre where
// it was relative to the parent (likewise akTop and akBottom). The distances are those the
// control had when it was last placed, parented or anchored by anyone but the layout
// itself. `Constraints` bound every size the layout gives.
//
// The windowed controls are in framework/WinControls.h, the painted ones in
// framework/CustomControls.h.
//
// Left out: docking, drag and drop, bi-di, hint windows (hint
// texts are stored only), scrolling windows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "framework/Classes.h"
#include "framework/Graphics.h"
#include "framework/Messages.h"
#include "framework/Mouse.h"

class TWinControl;
class TPopupMenu;
class TCustomForm;
class TControl;

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
using enum TAlign;

enum TAnchorKind : uint32_t { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };

// Control state flags.
enum TControlStateFlag : uint32_t {
  csLButtonDown = 1u << 0,
  csClicked = 1u << 1,
  csAlignmentNeeded = 1u << 2,
  csFocusing = 1u << 3,
  csCreating = 1u << 4,
  csPaintCopy = 1u << 5,
  csCustomPaint = 1u << 6,
  csDestroyingHandle = 1u << 7,
};

// Control style flags.
enum TControlStyleFlag : uint32_t {
  csAcceptsControls = 1u << 0,
  csCaptureMouse = 1u << 1,
  csClickEvents = 1u << 2,
  csFramed = 1u << 3,
  csSetCaption = 1u << 4,
  csOpaque = 1u << 5,
  csDoubleClicks = 1u << 6,
  csParentBackground = 1u << 7,
};

// Size limits of a control; 0 means no limit. Forms pass them to the platform as the
// tracking size limits.
struct TSizeConstraints {
  int MinWidth = 0;
  int MinHeight = 0;
  int MaxWidth = 0;
  int MaxHeight = 0;
  void Apply(int& width, int& height) const;
};

using TMouseEvent = std::function<void(TComponent* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TComponent* sender, WORD& key, TShiftState shift)>;

// Code in front of one control's window procedure. The handler does not own the control
// and the control does not own the handler: whoever makes the handler frees it (its
// destructor removes it). A removed handler is never called again.
class TControlHandler {
public:
  TControlHandler() = default;
  TControlHandler(const TControlHandler&) = delete;
  TControlHandler& operator=(const TControlHandler&) = delete;
  virtual ~TControlHandler();

  // Puts this handler first in `control`'s chain. False when it is installed already.
  bool Install(TControl& control);
  // Takes this handler out: the control's procedure goes back to what it was when this
  // handler is still first, otherwise this handler's place only passes messages on.
  void Remove();
  // The control this handler is installed on, or null.
  TControl* Control() const { return control_; }

  // A place in a control's chain (opaque outside the framework).
  struct Link;

protected:
  // Every message of the control; the default passes it on.
  virtual void HandleMessage(TMessage& message) { CallPrevious(message); }
  // The procedure that was in place when this handler was installed.
  void CallPrevious(TMessage& message);
  // The control is being destroyed; the handler is already out of its chain (its window
  // is gone). The handler may delete itself here.
  virtual void ControlDestroyed() {}

private:
  friend class TControl;
  TControl* control_ = nullptr;
  Link* link_ = nullptr;
};

class TControl : public TComponent {
public:
  explicit TControl(TComponent* owner);
  ~TControl() override;
  const wchar_t* ClassName() const override { return L"TControl"; }
  void BeforeDestruction() override;

  // The message entry point: replaceable, initially calls WndProc. Prefer a
  // TControlHandler for taking a control over.
  TWndMethod WindowProc;
  // Builds a message record, hands it to WindowProc and returns its Result.
  LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  // Hands `message` to WindowProc (a copy of it, so a procedure replaced while it runs
  // lives until it returns).
  void Deliver(TMessage& message);

  TWinControl* Parent() const { return parent_; }
  // Moves the control under `parent` (null: no parent). A parent frees the children it
  // still has when it is freed, whoever owns them.
  virtual void SetParent(TWinControl* parent);
  // The form this control is on (walking up the parents), or null.
  TCustomForm* ParentForm() const;

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int left, int top, int width, int height);
  RECT BoundsRect() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }
  // The client area in client coordinates.
  virtual RECT ClientRect() const;
  int ClientWidth() const;
  int ClientHeight() const;
  virtual void SetClientSize(int width, int height);
  // The screen position of the client area's origin.
  POINT ClientOrigin() const;
  POINT ClientToScreen(POINT p) const;
  POINT ScreenToClient(POINT p) const;

  TSizeConstraints& Constraints() { return constraints_; }

  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);
  uint32_t Anchors() const { return anchors_; }
  void SetAnchors(uint32_t anchors);

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Windowed controls read the window text while they have a window.
  virtual String Text() const;
  void SetText(const String& text);
  String Caption() const { return Text(); }
  void SetCaption(const String& text) { SetText(text); }

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool on);
  TFont& Font() { return font_; }
  const TFont& Font() const { return font_; }
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool on);

  TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* menu);
  const String& Hint() const { return hint_; }
  void SetHint(const String& hint) { hint_ = hint; }
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool on);
  bool ParentShowHint() const { return parentShowHint_; }
  void SetParentShowHint(bool on);

  uint32_t ControlState() const { return controlState_; }
  void SetControlState(uint32_t state) { controlState_ = state; }
  uint32_t ControlStyle() const { return controlStyle_; }
  void SetControlStyle(uint32_t style) { controlStyle_ = style; }

  // Queues a repaint (of the parent's area under a non-windowed control).
  virtual void Invalidate();
  // Paints now: Invalidate, then Update.
  virtual void Repaint();
  virtual void Update();
  void Refresh() { Repaint(); }

  virtual bool IsWindowed() const { return false; }
  // Visible and every parent showing; a windowed control: its window is shown. Turning
  // redraw off (WM_SETREDRAW) does not change it.
  virtual bool Showing() const;
  virtual void BringToFront();

  virtual void Click();

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;

  void Loaded() override;

protected:
  // The message handler of this class; calls named handlers and then DefaultHandler.
  virtual void WndProc(TMessage& message);
  // What happens to a message nothing else handled: nothing for a non-windowed control.
  virtual void DefaultHandler(TMessage& message);
  void Notification(TComponent* component, TOperation operation) override;

  // A button went down or up over the control (client coordinates). The framework's own
  // processing (press state, Click on a left release inside, the events) is here, so an
  // override that calls the inherited one keeps it.
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  // The mouse capture went elsewhere (or a modal form cancelled the mode): any press ends
  // without a click.
  virtual void MouseCaptureLost();

  // The parent should realign (bounds, visibility or alignment changed).
  void RequestAlign();
  // Sets the stored bounds without telling the window (used when the window moved).
  void UpdateBoundsRect(const RECT& rect);
  virtual void Changed() {}

  // Sets the text without the change notification (windowed: also the window text).
  virtual void SetTextInternal(const String& text);
  void FontChanged();
  bool MouseCapture() const;

  // Forms start hidden: they set the flag without the change notification.
  void SetVisibleFlag(bool visible) { visible_ = visible; }

  // Takes every handler out of the chain, tells each, and puts WndProc back in place.
  void DetachHandlers();

  String text_;
  TWinControl* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  uint32_t controlState_ = 0;
  uint32_t controlStyle_ = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
  TFont font_;
  bool fontFromParent_ = false;

private:
  friend class TWinControl;
  friend class TControlHandler;
  void MouseButtonMessage(const TMessage& message, TMouseButton button, bool down);
  void MouseNotification(const TMessage& message, const TNotifyEvent& event);
  void ParentColorChanged();
  // Remembers the bounds and the parent's client size the anchors keep distances from.
  void UpdateAnchorRules();
  // The bounds the anchors call for in a parent client area of `parentSize`.
  RECT AnchoredBounds(SIZE parentSize) const;
  void ParentFontChanged();
  void SetParentFlag(bool& flag, bool on, UINT parentChanged);

  TAlign align_ = alNone;
  uint32_t anchors_ = akLeft | akTop;
  RECT anchorBounds_{};
  SIZE anchorParentSize_{-1, -1};
  // The layout is moving the control now: its rules stay as they were.
  bool anchorMove_ = false;
  bool visible_ = true;
  bool enabled_ = true;
  TColor color_ = clWindow;
  bool parentColor_ = true;
  bool parentFont_ = true;
  bool showHint_ = false;
  bool parentShowHint_ = true;
  String hint_;
  TPopupMenu* popupMenu_ = nullptr;
  TSizeConstraints constraints_;
  // Every handler link made for this control, live or passing through; freed with it.
  std::vector<std::unique_ptr<TControlHandler::Link>> handlerLinks_;
};

// Shows the error being handled (called inside a catch block) with the application's
// standard handler; defined by the application object.
void HandleFrameworkException(TComponent* sender);
