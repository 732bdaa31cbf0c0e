// Fades and animated transitions.
//
// `TsFadeTimer` cross-fades a skinned control from its old picture to its new one, one
// frame every 10 ms, when hovering or pressing changes its look; `ChangeLook` is the one
// entry point controls call after such a change, and decides between a fade and an
// immediate repaint. `TsAnimTimer` does the same for non-windowed controls (speed
// buttons), which repaint themselves from its work picture. `PrepareTransition` and
// `AnimateTransition` cover a whole form or control with a temporary `TOutputWindow` and
// blend the picture it had into the one it has after a change (skin change, page change,
// a form being shown).
//
// Ownership: a control owns its fade timer (as the timer's component owner) and keeps a
// pointer to it in a field of its own, which `StartFade` fills and `StopFade` clears. A
// timer that is stopped from inside its own tick (a control that answers the stop
// command the tick sends) is freed only after that tick has returned.
//
// The commands a fade sends its control go straight to the control's WindowProc, not
// through the platform, so that a fault in the control's handling comes back to the fade
// instead of reaching the window procedure's error box: 23 (StartFade: rebuild the cache
// for the new look now, without drawing it), 24 (each frame: LParam is the frame, a
// TBitmap borrowed for the call; answer nonzero when the control drew it itself, else the
// timer copies it to the control's device context) and 16 (the fade is over: the control
// calls StopFade).
//
// Nothing here raises and nothing shows an error: a fade that faults is ended and its
// control repainted in its final look; a transition that faults shows the new look.
//
// Left out: MDI children in transitions, the frame provider's own preparation of its
// frame (the transition takes the form's window region as it is).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "framework/CustomControls.h"
#include "framework/ExtCtrls.h"
#include "skin/core/sCommonData.h"

// The mouse events a control may animate, numbered as controls publish them. A set of
// them (`TacAnimatEvents`) has bit (1 << event) for each member.
enum TacAnimatEvent : uint8_t { aeMouseEnter = 0, aeMouseLeave = 1, aeMouseDown = 2, aeMouseUp = 3, aeGlobalDef = 4 };
using TacAnimatEvents = uint32_t;
constexpr TacAnimatEvents AnimatEventBit(TacAnimatEvent event) { return 1u << event; }

// What a fade timer is doing.
enum TsFadeMode : uint8_t { fmIdle = 0, fmToHot = 1, fmToNormal = 2 };

// Fade steps come from the skin ("FADINGITERATIONS"), which may ask for anything: a
// fade takes at most this many 10 ms steps (one second), and fewer than one means none.
constexpr int kMaxFadeIterations = 100;
constexpr unsigned kFadeIntervalMs = 10;

// True when `event` (0 to 3) is animated for a control whose set is `events`: the event
// is in it, or aeGlobalDef is in it and the process-wide button event set (the default
// manager's AnimEffects.Buttons.Events) holds the event. Events above 7 never are.
bool IsAnimated(int event, TacAnimatEvents events);

// What fade and animation timers share: the binding they work for, their steps, the old
// picture, and a tick that never raises and can have the timer stopped inside it.
class TacFrameTimer : public TTimer {
public:
  ~TacFrameTimer() override;

  // Borrowed: the binding of the control being faded; null once the timer was stopped.
  TsCommonData* BoundData = nullptr;
  int32_t StepCount = 0;
  // The next step, from 1.
  int32_t Level = 1;
  // Owned: the control's picture before the change.
  std::unique_ptr<TBitmap> FromPicture;

  // One tick, as the platform timer calls it every 10 ms (tests call it directly). A
  // fault inside it ends the fade quietly. Re-entered ticks and ticks of a stopped timer
  // do nothing.
  void Tick();
  bool InTick() const { return inTick_; }
  // Stops the timer for good and frees it: now, or once its running tick has returned.
  // The caller forgets the pointer.
  void Discard();

protected:
  explicit TacFrameTimer(TComponent* owner);
  // The work of one tick; may raise.
  virtual void Step() = 0;
  // Ends the animation after a fault in Step: idle timer, final look.
  virtual void Fault() = 0;

  // The control being faded (borrowed), or null.
  TControl* Control() const;
  // The fade cannot go on: no binding or control, the control is going, or the
  // application is ending.
  bool ControlGone() const;
  // Asks the control to stop the fade (CMD_STOPFADE); a control that does not answer it
  // leaves the timer idle.
  void StopAtControl();
  // Idle: no steps, platform timer off (FadeMode too, for fade timers).
  virtual void GoIdle();
  // Ends the animation after a fault: idle, the control stops it and repaints.
  void EndAfterFault();

private:
  bool inTick_ = false;
  bool discarded_ = false;
  // Cleared by the destructor, so a tick knows when its timer went while it ran.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The fade of a windowed or non-windowed skinned control (buttons).
class TsFadeTimer : public TacFrameTimer {
public:
  // `owner`: the control, which owns the timer.
  explicit TsFadeTimer(TComponent* owner);
  const wchar_t* ClassName() const override { return L"TsFadeTimer"; }

  uint8_t FadeMode = fmIdle;
  // Fading now (towards the hot or the normal look).
  bool Running() const { return FadeMode == fmToHot || FadeMode == fmToNormal; }
  // The picture the control shows now: the last frame, else the old picture; null when
  // neither exists. Borrowed.
  const TBitmap* ShownPicture() const;

protected:
  void Step() override;
  void Fault() override;
  void GoIdle() override;

private:
  friend bool StartFade(TsFadeTimer*& timer, TsCommonData& binding, bool shortFade, int mode);
  void ShowFrame(TControl* control, int alpha);

  // The frame shown last (kept between ticks, so a frame costs no new bitmap).
  std::unique_ptr<TBitmap> frame_;
  bool frameShown_ = false;
};

// Whether `timer` (may be null) is fading now: a control draws nothing itself meanwhile.
inline bool FadeRunning(const TsFadeTimer* timer) { return timer && timer->Running(); }

// The single entry point after a control changed its state. `timer`: the control's own
// field (may be null; a fade creates the timer, owned by the binding's control). With
// `animate`, a skinned section that fades, a cache and a background that has not changed
// meanwhile, the change fades (`shortFade`: half the steps; `mode`: fmToHot or
// fmToNormal); otherwise any fade stops and the control repaints at once.
void ChangeLook(TsFadeTimer*& timer, TsCommonData& binding, bool shortFade, int mode, bool animate);
// Starts (or redirects) a fade. A running fade is mirrored: stopping a fade towards the
// hot look at step L takes L steps back, stopping one back to normal at step L takes
// FadingIterations - L steps; the new fade starts from the picture shown now. Asks the
// control (CMD_PREPARECACHE) to rebuild its cache for the new look. False, with nothing
// changed, when the section does not fade or the fade would have no step.
bool StartFade(TsFadeTimer*& timer, TsCommonData& binding, bool shortFade, int mode);
// Stops and frees the control's fade timer (when it is not already being destroyed) and
// sets `timer` to null. Inside the timer's own tick the freeing waits until the tick has
// returned. `binding` is the control's binding the fade was started for.
void StopFade(TsFadeTimer*& timer, TsCommonData& binding);

// The animation of a non-windowed control (speed buttons): each tick blends the old
// picture into the cache into `WorkPicture`, and the control repaints itself from it,
// with its parent told (CMD_PAINTINGCHILD) and its updating flag cleared (CMD_SETUPDATING).
class TsAnimTimer : public TacFrameTimer {
public:
  // `owner`: the control, which owns the timer.
  explicit TsAnimTimer(TComponent* owner);
  const wchar_t* ClassName() const override { return L"TsAnimTimer"; }

  // Owned: the frame the control shows now, or null before the first one.
  std::unique_ptr<TBitmap> WorkPicture;
  // A frame is being produced.
  bool Busy = false;

  // Takes the binding's cache as the old picture and starts: steps from the section
  // (clamped), level 1, 10 ms. The control then rebuilds its cache for the new look.
  // False, with the timer left idle, when the binding has no section that fades or no
  // picture.
  bool Setup(TsCommonData& binding);

protected:
  void Step() override;
  void Fault() override;
  void GoIdle() override;
};

// Stops and frees an animation timer as StopFade does; `timer` becomes null.
void StopAnimation(TsAnimTimer*& timer);
// True while an animation timer is showing a frame: looks do not fade meanwhile.
bool SpeedButtonAnimating();

// The window that covers a control during a transition. It shows the picture it is
// given (the old look first), never erases its background, and is a child of the
// covered control's parent or, for a control without one, a pop-up owned by the
// application window (topmost when the covered window is).
class TOutputWindow : public TCustomControl {
public:
  // `owner`: the covered control, which owns the window.
  explicit TOutputWindow(TComponent* owner);
  ~TOutputWindow() override;
  const wchar_t* ClassName() const override { return L"TOutputWindow"; }

  // Borrowed; null shows nothing.
  void SetPicture(const TBitmap* picture) { picture_ = picture; }

protected:
  void CreateParams(TCreateParams& params) override;
  void WndProc(TMessage& message) override;
  void Paint() override;

private:
  const TBitmap* picture_ = nullptr;
};

// Freezes `control` for a transition: its redrawing off, its look taken from the screen
// (once per transition) and a TOutputWindow showing that look over it. False when the
// control has no window or the cover cannot be made (nothing stays frozen then).
bool PrepareTransition(TWinControl* control);
// Blends the look taken by PrepareTransition (prepared now when it was not) into the
// control's new look on the cover: with `time` above 7 ms, time div 8 + 1 frames 8 ms
// apart; then the new look, the cover freed and the control's redrawing back on.
void AnimateTransition(TWinControl* control, int time);
// Ends a prepared transition without animating it: the cover and the taken look are
// freed and the control's redrawing is back on.
void CancelTransition();
// The cover of the transition under way (borrowed), or null.
TOutputWindow* TransitionWindow();

// Told of every transition frame after it reached the cover: the weight (0 to 255) of
// the old look and the frame. For diagnostics and tests; empty by default.
using TTransitionFrameEvent = std::function<void(int oldWeight, const TBitmap& frame)>;
TTransitionFrameEvent& OnTransitionFrame();
