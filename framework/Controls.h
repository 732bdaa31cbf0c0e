// Controls: the non-windowed `TControl`, the windowed `TWinControl`, `TGraphicControl`
// (painted by its parent on the parent's DC) and `TCustomControl` (a window with a canvas).
//
// Every message a control handles passes through its `WindowProc`, which starts as the
// virtual `WndProc` and may be replaced by code that takes the control over (it keeps the
// previous method and calls it for what it does not handle). Windowed controls get a
// platform window of a class named after the C++ class (`ClassName`); controls over a
// platform class (BUTTON, EDIT ...) register that name as a superclass of it and keep the
// platform procedure as their default handler.
//
// Property changes announce themselves with the framework notifications of
// framework/Messages.h. Alignment (`alTop`, `alBottom`, `alLeft`, `alRight`, `alClient`)
// is deferred while a control is loading and done in `Loaded`.
//
// Left out: anchors beyond storage, constraints, docking, drag and drop, bi-di, hint
// windows (hint texts are stored only), scrolling windows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "framework/Classes.h"
#include "framework/Graphics.h"
#include "framework/Messages.h"

class TWinControl;
class TPopupMenu;
class TCustomForm;

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

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// Size limits of a control; 0 means no limit. Forms pass them to the platform as the
// tracking size limits.
struct TSizeConstraints {
  int MinWidth = 0;
  int MinHeight = 0;
  int MaxWidth = 0;
  int MaxHeight = 0;
  void Apply(int& width, int& height) const;
};

class TControl : public TComponent {
public:
  explicit TControl(TComponent* owner);
  ~TControl() override;
  const wchar_t* ClassName() const override { return L"TControl"; }

  // The message entry point: replaceable, initially calls WndProc.
  TWndMethod WindowProc;
  // Builds a message record, hands it to WindowProc and returns its Result.
  LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

  TWinControl* Parent() const { return parent_; }
  // Moves the control under `parent` (null: no parent). The parent does not own it.
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
  void SetAnchors(uint32_t anchors) { anchors_ = anchors; }

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
  // Visible and every parent visible (and, for windowed ones, shown on screen).
  bool Showing() const;
  void BringToFront();

  virtual void Click();

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  std::function<void(TComponent*, TMouseButton, int x, int y)> OnMouseDown;
  std::function<void(TComponent*, TMouseButton, int x, int y)> OnMouseUp;

  void Loaded() override;

protected:
  // The message handler of this class; calls Dispatch-like handlers and then DefaultHandler.
  virtual void WndProc(TMessage& message);
  // What happens to a message nothing else handled: nothing for a non-windowed control.
  virtual void DefaultHandler(TMessage& message);
  void Notification(TComponent* component, TOperation operation) override;

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

  String text_;
  TWinControl* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  uint32_t controlState_ = 0;
  uint32_t controlStyle_ = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
  TFont font_;
  bool fontFromParent_ = false;

private:
  friend class TWinControl;
  void MouseDown(TMessage& message, TMouseButton button);
  void MouseUp(TMessage& message, TMouseButton button);
  void SetParentFlag(bool& flag, bool on, UINT parentChanged);
  // A left release on a platform window: ends the press without a second click.
  void PlatformLeftButtonUp(TMessage& message);

  TAlign align_ = alNone;
  uint32_t anchors_ = akLeft | akTop;
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
};

// What a windowed control asks the platform for.
struct TCreateParams {
  String caption;
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0, y = 0, width = 0, height = 0;
  HWND parent = nullptr;
  // The window class registered for this control (its C++ class name by default).
  String winClassName;
  // A platform class to superclass (BUTTON, EDIT, ...); empty: DefWindowProc.
  String baseClassName;
  UINT classStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  HBRUSH background = nullptr;
  HCURSOR cursor = nullptr;
};

class TWinControl : public TControl {
public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;
  const wchar_t* ClassName() const override { return L"TWinControl"; }
  bool IsWindowed() const override { return true; }

  // The window, made (with the parents' windows) when first asked for.
  HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  void HandleNeeded() { Handle(); }
  // Destroys the window (and the children's); the control keeps its properties.
  void DestroyHandle();
  void RecreateWnd();
  // The control whose window is `window` (a window made by the framework), or null.
  static TWinControl* FromHandle(HWND window);
  // The framework control for `window` or the nearest parent window that has one.
  static TWinControl* FindControl(HWND window);

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  // Borrowed pointer to a child, in insertion order.
  TControl* Controls(int index) const { return controls_.at(static_cast<size_t>(index)); }
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  bool ContainsControl(const TControl* control) const;
  // The visible (and, unless allowDisabled, enabled) non-windowed child at `p` (client
  // coordinates), or null.
  TControl* ControlAtPos(POINT p, bool allowDisabled) const;
  // Hands `message` to every child (Perform) until one sets a non-zero Result.
  void Broadcast(TMessage& message);

  int TabOrder() const;
  void SetTabOrder(int order);
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool on);
  // Windowed children in tab order, and all windowed descendants in tab order.
  std::vector<TWinControl*> TabList() const;
  void GetTabOrderList(std::vector<TWinControl*>& list) const;
  // The next control after `current` in tab order among the descendants, wrapping around.
  TWinControl* FindNextControl(TWinControl* current, bool forward, bool checkTabStop) const;
  void SelectNext(TWinControl* current, bool forward, bool checkTabStop);

  bool Focused() const;
  virtual bool CanFocus() const;
  virtual void SetFocus();

  // Lays out the aligned children now.
  void Realign();
  void DisableAlign() { ++alignDisabled_; }
  void EnableAlign();

  void Invalidate() override;
  void Update() override;
  void SetBounds(int left, int top, int width, int height) override;
  RECT ClientRect() const override;
  void SetClientSize(int width, int height) override;
  String Text() const override;

  // Realigns the children when alignment was held back while loading.
  void Loaded() override;

  // The platform procedure calls this for every message of the control's window.
  LRESULT MainWndProc(UINT msg, WPARAM wParam, LPARAM lParam);

  bool ParentBackground() const { return (controlStyle_ & csParentBackground) != 0; }
  // The brush the window's background is filled with; follows Color.
  TBrush& Brush() { return brush_; }
  bool DoubleBuffered() const { return doubleBuffered_; }
  void SetDoubleBuffered(bool on) { doubleBuffered_ = on; }

protected:
  virtual void CreateParams(TCreateParams& params);
  // Fills params so the window class superclasses `platformClass`.
  void CreateSubClass(TCreateParams& params, const wchar_t* platformClass);
  // Makes the window; then `CreateWnd` finishing touches (font, children).
  virtual void CreateWnd();
  virtual void DestroyWnd();
  void WndProc(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;
  // The area children are aligned in (client coordinates); a container may shrink it.
  virtual void AdjustClientRect(RECT& rect) const;
  virtual void AlignControls(TControl* control, RECT& rect);
  // Paints the window's own face (not the non-windowed children) on `dc`.
  virtual void PaintWindow(HDC dc);
  // Paints the visible non-windowed children on `dc`.
  void PaintControls(HDC dc);
  void PaintHandler(TMessage& message);
  // The child with this window, or null (only direct children).
  TWinControl* ChildFromHandle(HWND window) const;
  void UpdateShowing();
  bool IsPlatformClass() const { return platformProc_ != nullptr; }
  void SetTextInternal(const String& text) override;
  // Colours a child window's DC from this control's Font and Color (CN_CTLCOLOR*).
  void ColorDC(TMessage& message);

  HWND handle_ = nullptr;
  WNDPROC platformProc_ = nullptr;
  String savedText_;

private:
  friend LRESULT CALLBACK FrameworkWndProc(HWND, UINT, WPARAM, LPARAM);
  friend class TControl;
  bool ReflectToChild(TMessage& message, HWND child);
  void TrackMouse(const TMessage& message);
  bool ForwardMouseToChild(TMessage& message);
  void DoSetFocusNotify();
  void UpdateBoundsFromWindow();
  void NotifyChildren(UINT msg);
  void ContextMenu(TMessage& message);

  std::vector<TControl*> controls_;
  std::vector<TWinControl*> tabList_;
  bool tabStop_ = false;
  int alignDisabled_ = 0;
  bool aligning_ = false;
  bool showing_ = false;
  int nestedMessages_ = 0;
  TControl* captureControl_ = nullptr;
  TBrush brush_;
  bool doubleBuffered_ = false;
};

class TGraphicControl : public TControl {
public:
  explicit TGraphicControl(TComponent* owner);
  const wchar_t* ClassName() const override { return L"TGraphicControl"; }
  TCanvas& Canvas() { return canvas_; }

protected:
  void WndProc(TMessage& message) override;
  virtual void Paint() {}

private:
  TCanvas canvas_;
};

class TCustomControl : public TWinControl {
public:
  explicit TCustomControl(TComponent* owner);
  const wchar_t* ClassName() const override { return L"TCustomControl"; }
  TCanvas& Canvas() { return canvas_; }

protected:
  void PaintWindow(HDC dc) override;
  virtual void Paint() {}

private:
  TCanvas canvas_;
};

// Shows the error being handled (called inside a catch block) with the application's
// standard handler; defined by the application object.
void HandleFrameworkException(TComponent* sender);

// The control under the pointer as the framework last saw it (mouse enter and leave).
TControl* MouseControl();
// Moves the "control under the pointer" to `control`, sending CM_MOUSELEAVE to the old one
// and CM_MOUSEENTER to the new one.
void SetMouseControl(TControl* control);

// A hidden window of the framework's own (application window, timer window, pop-up menu
// owner): registers `className` with `proc` once, creates the window and stores `object`
// in its GWLP_USERDATA for `proc` to find. Returns null when the window cannot be made;
// the caller owns the window and destroys it.
HWND CreateUtilityWindow(const wchar_t* className, WNDPROC proc, DWORD style, DWORD exStyle, HWND parent,
                         const wchar_t* caption, void* object);
