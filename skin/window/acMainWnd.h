// Window handlers: objects that skin a window no skinned control owns (a framework control
// without a binding, a standard window of a platform dialog, a menu window, a form's own
// scroll bars). A handler sees every message of its window before the window's own
// procedure, answers the skin commands like a skinned control, paints the window (or parts
// of it) from a skin section and hands everything else on; the window keeps its behaviour.
//
// `TacMainWnd` is the base of the family: the taking over of the window procedure, the
// common message handling, the window geometry and the cached picture helpers. It is never
// attached by itself. The painting handlers derive from it (`TacBtnWnd` in acBtnWnd.h is
// the model one); handlers with skinned scroll bars derive from `TacScrollWnd`
// (acScrollWnd.h).
//
// Two ways of taking a window over, chosen by the binding:
// - a plain window (the binding has no owner control and is not a frame provider's): the
//   framework's subclassing of foreign windows (framework/Subclass.h), whose procedure
//   stub is `Thunk`;
// - a framework control, or a frame provider's form: a handler put first in the control's
//   chain of window methods (`TControlHandler`), keeping the method it replaced.
// The previous procedure of a plain window is the subclass record's alone.
// Either way the window carries the handler in its property "ACSBSC" (`HandlerOf`).
//
// Unhooking never cuts a chain: the previous procedure goes back only while ours is still
// first; otherwise ours stays as a pass-through until the window's WM_NCDESTROY. So a
// handler may be freed in any order with its window, its form, the skin and a foreign
// subclass put on top of it.
//
// Construction is two steps, so that the virtual operations of the final class run:
// create handlers with `TacMainWnd::Create<T>(...)`, which constructs and then starts
// (attaches) the handler.
//
// GUI thread only. Left out: design-time behaviour.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <utility>

#include "framework/ComponentLink.h"
#include "framework/Controls.h"
#include "framework/Subclass.h"
#include "skin/core/sCommonData.h"

class TsSkinManager;

// Whether handlers made now are a skinned dialog's (their `DialogMode`): false unless a
// `TDialogHandlersScope` is alive.
bool DialogModeDefault();
// Whether the control adapter is being freed: false unless a `TAdapterFreeingScope` is
// alive. Outside a skin removal handlers then leave the look of their (dying) windows alone.
bool AdapterFreeing();

// While alive, the handlers made are (or, with false, are not) a skinned dialog's; the
// previous setting comes back when it goes, also when making them raises. Scopes nest.
class TDialogHandlersScope {
public:
  explicit TDialogHandlersScope(bool dialogMode = true);
  ~TDialogHandlersScope();
  TDialogHandlersScope(const TDialogHandlersScope&) = delete;
  TDialogHandlersScope& operator=(const TDialogHandlersScope&) = delete;

private:
  bool previous_;
};

// While alive, the control adapter counts as being freed (see AdapterFreeing). Scopes nest.
class TAdapterFreeingScope {
public:
  TAdapterFreeingScope();
  ~TAdapterFreeingScope();
  TAdapterFreeingScope(const TAdapterFreeingScope&) = delete;
  TAdapterFreeingScope& operator=(const TAdapterFreeingScope&) = delete;

private:
  bool previous_;
};

class TacMainWnd {
public:
  // `window` is served; `refreshFrame` matters to handlers with scroll bars only. The
  // handler uses `binding` (borrowed; it must outlive the handler) or, without one, makes
  // one of its own. `manager` may be null: the binding's manager is used.
  TacMainWnd(HWND window, bool refreshFrame, const std::string& section, TsSkinManager* manager,
             TsCommonData* binding);
  virtual ~TacMainWnd();
  TacMainWnd(const TacMainWnd&) = delete;
  TacMainWnd& operator=(const TacMainWnd&) = delete;

  // Constructs a handler of class T and attaches it to its window. Owned by the caller; a
  // handler that frees itself with its window (Detach(true) at WM_DESTROY) is released
  // from the pointer by its creator.
  template <class T, class... Args>
  static std::unique_ptr<T> Create(Args&&... args) {
    auto handler = std::make_unique<T>(std::forward<Args>(args)...);
    static_cast<TacMainWnd*>(handler.get())->Start();  // virtual: the final class attaches
    return handler;
  }

  // The handler attached to `window`, or null. Borrowed.
  static TacMainWnd* HandlerOf(HWND window);

  // Remember, give back and apply the window's platform colours. The base class only
  // records that ApplyParams has run.
  virtual void SaveParams() {}
  virtual void RestoreParams() {}
  virtual void ApplyParams() { paramsApplied_ = true; }
  // Every message of the window.
  virtual void WndProc(TMessage& message);

  // Takes the window over (construction does it; see the file comment for the two ways).
  void Attach();
  // Gives the window its own procedure back (see the file comment), removes "ACSBSC",
  // restores the colours and redraws the frame of a visible window; the handler is inert
  // from then on. With `free` the handler is deleted: at once outside its window's
  // messages, else when the outermost of them returns. Only for handlers nobody else owns.
  void Detach(bool free);
  // The window's previous procedure for `message`: its Result, and its LParam copied back.
  LRESULT CallOld(TMessage& message);

  // WindowRect, WindowSize, ParentWnd, ParentRect and ParentOffset as they are now.
  void UpdateGeometry();
  // Rebuilds the binding's cache for `window` when its background changed: the parent's
  // picture under the section, or, with `dialogStyle` and a skin border colour, the window
  // colour in a one-pixel frame of it.
  static void PrepareWindowCache(TsCommonData& binding, HWND window, bool dialogStyle);
  // With `frameChanged`, makes the platform recompute the frame; without, repaints it.
  static void RedrawFrame(HWND window, bool frameChanged);
  // The corner repair: the border mask's transparent corner pixels of the cache (frame of
  // `state`) repainted from the parent window.
  void RepairCorners(int state);
  // The binding's section can be painted from an active skin.
  bool Skinned() const;

  // ---- state (read-only outside the handler)
  // The window served.
  HWND Window() const { return window_; }
  // The binding painted from (borrowed or the handler's own; null once shut down).
  TsCommonData* Binding() const { return binding_; }
  TsSkinManager* Manager() const { return manager_; }
  // The handler gave its window back (or the window is gone): it only passes messages on.
  bool Destroyed() const { return destroyed_; }
  // Made for a skinned dialog's window (see TDialogHandlersScope).
  bool DialogMode() const { return dialogMode_; }
  // A message of the window is running through the handler now (its procedure is on the
  // stack): whoever owns the handler must not free it before this turns false.
  bool InMessage() const { return depth_ > 0; }
  // The window's text as last seen.
  const String& Caption() const { return caption_; }
  bool ParamsApplied() const { return paramsApplied_; }
  // The handler sends the window scroll messages of its own now.
  bool SendingScroll() const { return sendingScroll_; }
  // Geometry as measured by the last UpdateGeometry.
  const RECT& WindowRect() const { return windowRect_; }
  SIZE WindowSize() const { return windowSize_; }
  POINT ParentOffset() const { return parentOffset_; }
  const RECT& ParentRect() const { return parentRect_; }
  HWND ParentWnd() const { return parentWnd_; }
  // Taken over through a framework control's chain of window methods.
  bool InChain() const { return oldMethod_ != nullptr; }
  // The procedure the subclass record replaced (a plain window while attached), else null.
  WNDPROC PreviousProcedure() const;

  // Handlers alive in the process (for leak checks).
  static int LiveCount();

protected:
  // The last step of construction: every class but those with scroll bars attaches here.
  virtual void Start();
  // What every Start does before attaching: the colours saved, the caption read.
  void PrepareStart();
  // The refresh-frame flag given at construction.
  bool RefreshFrameAtStart() const { return refreshFrame_; }
  // The framework control (or provider form) served, or null for a plain window.
  TControl* TargetControl() const { return target_; }
  // The window is gone under a framework control that is being freed: forget it.
  virtual void WindowGone();
  // Whether the handler is attached now (in a chain, or through the subclass record).
  bool Hooked() const;
  // The skin-command step of the base handling (the message is a skin command and the
  // handler is skinned).
  void SkinCommand(TMessage& message);
  // Gives the window back (unless already done) and lets go of the binding. The base
  // destructor calls it; a descendant whose RestoreParams does something calls it first in
  // its own destructor, so that its RestoreParams still runs.
  void Shutdown();
  // `canvas` takes the font the window uses (WM_GETFONT; the system font without one).
  void SelectWindowFont(TCanvas& canvas) const;
  // WindowRect and WindowSize as they are now (the part of UpdateGeometry without the parent).
  void MeasureWindow();
  void MarkParamsApplied() { paramsApplied_ = true; }
  void SetSendingScroll(bool on) { sendingScroll_ = on; }
  // The colours SaveParams found (clFuchsia: none).
  void KeepSavedColors(TColor color, TColor fontColor) {
    savedColor_ = color;
    savedFontColor_ = fontColor;
  }
  TColor SavedColor() const { return savedColor_; }
  TColor SavedFontColor() const { return savedFontColor_; }

  // The one painting entry: the window's skinned picture on `dc`, in the window's client
  // coordinates. WM_PAINT calls it with the BeginPaint DC (or the DC the message brings),
  // WM_PRINT and WM_PRINTCLIENT with theirs; it never raises. The base paints nothing.
  virtual void PaintTo(HDC dc);
  // Whether PaintTo paints the window's client area (the base answers false: WM_PRINT goes
  // to the window's own procedure).
  virtual bool PaintsClient() const { return false; }
  // WM_PAINT, WM_PRINT or WM_PRINTCLIENT to PaintTo: the DC the message brings, else (a
  // WM_PAINT without one) the BeginPaint DC, which validates the window.
  void PaintMessage(TMessage& message);
  // A repaint asked of the platform: invalidated and painted now through WM_PAINT.
  void RepaintNow();

private:
  class Thunk;
  class ChainLink;
  class Nesting;
  void Unhook();
  TControl* FindTarget() const;

  HWND window_ = nullptr;
  TComponentLink<TsSkinManager> manager_;  // null once the manager is freed
  TsCommonData* binding_ = nullptr;  // ownedBinding_ or borrowed
  bool destroyed_ = false;
  bool dialogMode_ = false;
  String caption_;
  RECT windowRect_{};
  SIZE windowSize_{};
  POINT parentOffset_{};
  RECT parentRect_{};
  HWND parentWnd_ = nullptr;
  TWndMethod oldMethod_;  // framework control: the method replaced
  bool sendingScroll_ = false;
  bool paramsApplied_ = false;
  TColor savedColor_ = clFuchsia;
  TColor savedFontColor_ = clFuchsia;
  std::unique_ptr<TsCommonData> ownedBinding_;
  std::unique_ptr<Thunk> thunk_;
  std::unique_ptr<ChainLink> link_;
  TControl* target_ = nullptr;
  bool refreshFrame_ = false;
  int depth_ = 0;           // messages of the window running through WndProc now
  bool freePending_ = false;
  friend class Thunk;
  friend class ChainLink;
  friend class Nesting;
};
