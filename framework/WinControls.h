// Windowed controls: `TWinControl` owns a platform window of a class named after the C++
// class (`ClassName`); controls over a platform class (BUTTON, EDIT ...) register that
// name as a superclass of it and keep the platform procedure as their default handler.
//
// The window is made when first asked for and destroyed in `BeforeDestruction`, while
// the whole object still exists, so WM_DESTROY and WM_NCDESTROY reach the most derived
// window procedure and every installed handler. A parent frees its children.
//
// Mouse: a press on a non-windowed child captures the mouse for it until the release;
// losing the capture (WM_CAPTURECHANGED, WM_CANCELMODE) ends the press without a click.
//
// Left out: scrolling windows, docking, IME.
#pragma once

#include <windows.h>

#include <vector>

#include "framework/Controls.h"

// Frames of forms and of edit boxes (an edit knows only bsNone and bsSingle).
enum class TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using enum TBorderStyle;
// The cut of a bevel: panels draw theirs; an edit's bevels only count with a bevel kind.
enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
using enum TBevelCut;
enum class TBevelKind { bkNone, bkTile, bkSoft, bkFlat };
using enum TBevelKind;

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
  // For a superclass, only CS_DBLCLKS is taken from here (cleared: a double click
  // arrives as a second press); the other styles are the platform class's.
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
  // Destroys the window (the children's first) while the whole control exists.
  void BeforeDestruction() override;

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
  // The control a window being created belongs to, from the create parameters a thread
  // hook sees at HCBT_CREATEWND (before the window is bound), or null for other windows.
  static TWinControl* FromCreateStruct(const CREATESTRUCTW* create);

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
  bool Showing() const override;
  void BringToFront() override;

  // Realigns the children when alignment was held back while loading.
  void Loaded() override;

  // The platform procedure calls this for every message of the control's window. Nothing
  // raises out of it: errors go to the application's standard handler.
  LRESULT MainWndProc(UINT msg, WPARAM wParam, LPARAM lParam);

  bool ParentBackground() const { return (controlStyle_ & csParentBackground) != 0; }
  // The brush the window's background is filled with; follows Color.
  TBrush& Brush() { return brush_; }
  bool DoubleBuffered() const { return doubleBuffered_; }
  void SetDoubleBuffered(bool on) { doubleBuffered_ = on; }

  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;

protected:
  virtual void CreateParams(TCreateParams& params);
  // Fills params so the window class superclasses `platformClass`.
  void CreateSubClass(TCreateParams& params, const wchar_t* platformClass);
  // Makes the window; then `CreateWnd` finishing touches (font, children).
  virtual void CreateWnd();
  virtual void DestroyWnd();
  void WndProc(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;
  // A key went down or up while the control has the focus. Setting `key` to 0 keeps the
  // message from the platform procedure.
  virtual void KeyDown(WORD& key, TShiftState shift);
  virtual void KeyUp(WORD& key, TShiftState shift);
  void MouseCaptureLost() override;
  // The area children are aligned in (client coordinates); a container may shrink it.
  virtual void AdjustClientRect(RECT& rect) const;
  // Lays out the aligned children in `rect`, then the anchored ones (see Controls.h).
  virtual void AlignControls(TControl* control, RECT& rect);
  void AnchorControls();
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
  friend class TControl;
  friend struct TWindowBinding;

  // Message handlers, in the order of WndProc.
  bool PaintsItself() const;
  void PrintClient(TMessage& message);
  LRESULT EraseBackground(HDC dc);
  bool ReflectNotification(TMessage& message);
  bool ReflectToChild(TMessage& message, HWND child);
  void ContextMenu(TMessage& message);
  void Resized(WPARAM kind);
  void WindowPosChanged(const WINDOWPOS& pos);
  void FocusReceived(TMessage& message);
  void KeyMessage(TMessage& message, bool down);
  bool DialogChar(const TMessage& message);
  void TrackMouse(POINT p);
  void MouseLeft();
  bool HoldsMouseControl() const;
  bool PointerInside() const;
  bool ForwardMouseToChild(TMessage& message);
  void PlatformMouseButton(TMessage& message);
  void CaptureChanged(TMessage& message);
  bool FrameworkNotification(TMessage& message);
  void ApplyColor();
  void ApplyFont();
  void ShowingChanged();

  void UpdateBoundsFromWindow();
  void NotifyChildren(UINT msg);
  void WindowGone(HWND window);

  std::vector<TControl*> controls_;
  std::vector<TWinControl*> tabList_;
  bool tabStop_ = false;
  int alignDisabled_ = 0;
  bool aligning_ = false;
  // Visible and shown on screen; kept by the framework, not read from the window, so
  // that WM_SETREDRAW (which clears WS_VISIBLE) does not change it.
  bool showing_ = false;
  TControl* captureControl_ = nullptr;
  TBrush brush_;
  bool doubleBuffered_ = false;
};

// The framework control for `window` or the nearest parent window that has one.
inline TWinControl* FindControl(HWND window) { return TWinControl::FindControl(window); }
// True when `window` is of a class the framework registered for its controls (also while
// it is being created and not yet bound).
bool IsFrameworkWindow(HWND window);
