#include "skin/core/sFade.h"

#include <algorithm>
#include <utility>

#include "framework/Redraw.h"
#include "framework/Forms.h"
#include "framework/Handles.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/data/sSkinTables.h"
#include "skin/paint/Pixels.h"
#include "skin/paint/Stretch.h"

static_assert(beMouseEnter == 1u << aeMouseEnter && beMouseLeave == 1u << aeMouseLeave &&
                  beMouseDown == 1u << aeMouseDown && beMouseUp == 1u << aeMouseUp,
              "a button event is the bit of the animated event of the same number");

namespace {

constexpr DWORD kTransitionFrameMs = 8;

// The weight of the old picture in frame `level` of a fade of `steps` steps: the last
// frame (level = steps) weighs it 0.
int FadeAlpha(int level, int steps) { return std::clamp(255 - level * 256 / steps, 0, 255); }

int FadeIterations(const TsGeneralData& section) {
  return std::clamp(section.FadingIterations, 0, kMaxFadeIterations);
}

// A command handed straight to the control's procedure rather than through the
// platform, so that a fault in the control's handling comes back to the caller (a tick
// ends the fade quietly) instead of reaching the window procedure's error box. Like
// PerformSkinCommand, a windowed control without a window, or one being destroyed, gets
// nothing.
LRESULT PerformDirect(TControl* control, WORD command, LPARAM value, WORD low = 0) {
  if (!control || control->IsDestroying()) return 0;
  if (control->IsWindowed() && !static_cast<TWinControl*>(control)->HandleAllocated()) return 0;
  return control->Perform(SM_SKINCMD, SkinCommandWParam(command, low), value);
}

bool SameSize(const TBitmap& a, const TBitmap& b) { return a.Width() == b.Width() && a.Height() == b.Height(); }

// `target` becomes a pixel copy of `source` (size and depth included).
void CopyPicture(TBitmap& target, const TBitmap& source) {
  if (target.PixelFormat() != source.PixelFormat()) target.SetPixelFormat(source.PixelFormat());
  if (!SameSize(target, source)) target.SetSize(source.Width(), source.Height());
  CopyBlock(target.View(), 0, 0, source.View(), TsRect{0, 0, source.Width(), source.Height()});
}

std::unique_ptr<TBitmap> CopyOf(const TBitmap& source) {
  auto copy = std::make_unique<TBitmap>();
  CopyPicture(*copy, source);
  return copy;
}

// `frame` becomes the fade frame of weight `alpha` of `from` over `to`. Weight 0 is `to`
// itself: the blend would still round bright channels down by one, and the last frame
// must be exactly the new picture.
void ComposeFadeFrame(TBitmap& frame, const TBitmap* from, const TBitmap& to, int alpha) {
  const bool blend = alpha > 0 && from && SameSize(*from, to);
  CopyPicture(frame, blend ? *from : to);
  if (blend) BlendSurfaces(frame.View(), to.View(), alpha);
}

int gAnimatingFrames = 0;

// An animation frame under way: the timer's Busy flag and the process-wide switch, both
// cleared however the frame ends.
class TFrameUnderWay {
public:
  explicit TFrameUnderWay(bool& busy) : busy_(busy) {
    busy_ = true;
    ++gAnimatingFrames;
  }
  ~TFrameUnderWay() {
    busy_ = false;
    --gAnimatingFrames;
  }
  TFrameUnderWay(const TFrameUnderWay&) = delete;
  TFrameUnderWay& operator=(const TFrameUnderWay&) = delete;

private:
  bool& busy_;
};

}  // namespace

bool IsAnimated(int event, TacAnimatEvents events) {
  if (event < 0 || event > 7) return false;
  const uint32_t bit = 1u << event;
  if (events & bit) return true;
  return (events & AnimatEventBit(aeGlobalDef)) && (ButtonFadeEvents() & bit);
}

bool SpeedButtonAnimating() { return gAnimatingFrames > 0; }

// ---------------------------------------------------------------- TacFrameTimer

TacFrameTimer::TacFrameTimer(TComponent* owner) : TTimer(owner) {
  SetEnabled(false);
  SetInterval(kFadeIntervalMs);
  SetOnTimer([this](TComponent*) { Tick(); });
}

TacFrameTimer::~TacFrameTimer() { *alive_ = false; }

void TacFrameTimer::Tick() {
  if (inTick_ || discarded_ || IsDestroying()) return;
  const std::shared_ptr<bool> alive = alive_;
  inTick_ = true;
  try {
    Step();
  } catch (...) {
    // The next tick would fault the same way: end the animation instead, quietly.
    try {
      if (*alive) Fault();
    } catch (...) {
    }
  }
  if (!*alive) return;  // freed with its control while the tick ran
  inTick_ = false;
  // Stopped during the tick: freed once the tick has gone from the stack.
  if (discarded_) Release();
}

void TacFrameTimer::Discard() {
  if (discarded_) return;
  discarded_ = true;
  GoIdle();
  BoundData = nullptr;
  if (!inTick_) delete this;
}

TControl* TacFrameTimer::Control() const { return BoundData ? BoundData->OwnerControl() : nullptr; }

bool TacFrameTimer::ControlGone() const {
  const TControl* control = Control();
  return !control || control->IsDestroying() || (Application && Application->Terminated());
}

void TacFrameTimer::StopAtControl() {
  PerformDirect(Control(), CMD_STOPFADE, 0);
  if (!discarded_) GoIdle();
}

void TacFrameTimer::GoIdle() {
  StepCount = 0;
  SetEnabled(false);
}

void TacFrameTimer::EndAfterFault() {
  TsCommonData* binding = BoundData;
  const bool reachable = !ControlGone();
  GoIdle();
  if (!reachable) return;
  StopAtControl();
  // The picture is rebuilt from scratch at the next paint, in the look the control has now.
  binding->Invalidate();
}

// ---------------------------------------------------------------- TsFadeTimer

TsFadeTimer::TsFadeTimer(TComponent* owner) : TacFrameTimer(owner) {}

const TBitmap* TsFadeTimer::ShownPicture() const {
  if (frameShown_ && frame_) return frame_.get();
  return FromPicture.get();
}

void TsFadeTimer::GoIdle() {
  FadeMode = fmIdle;
  TacFrameTimer::GoIdle();
}

void TsFadeTimer::Step() {
  if (ControlGone()) {
    GoIdle();
    return;
  }
  if (Level > StepCount || Level < 0) {
    StopAtControl();
    return;
  }
  if (!Running() || StepCount == 0) return;
  TControl* control = Control();
  if (!control->Enabled()) {
    // Disabled meanwhile: the disabled look replaces the fade at once.
    GoIdle();
    BoundData->Invalidate();
    return;
  }
  ShowFrame(control, FadeAlpha(Level, StepCount));
  ++Level;
}

void TsFadeTimer::ShowFrame(TControl* control, int alpha) {
  TBitmap* cache = BoundData->Cache();
  if (!cache || cache->Empty()) return;
  if (!frame_) frame_ = std::make_unique<TBitmap>();
  ComposeFadeFrame(*frame_, FromPicture.get(), *cache, alpha);
  frameShown_ = true;

  // The control's own window, or the part of its parent's window it covers.
  TClientDC dc;
  POINT origin{0, 0};
  if (control->IsWindowed()) {
    auto* windowed = static_cast<TWinControl*>(control);
    if (windowed->HandleAllocated()) dc = TClientDC::Of(windowed->Handle());
  } else if (TWinControl* parent = control->Parent(); parent && parent->HandleAllocated()) {
    dc = TClientDC::Of(parent->Handle());
    origin = POINT{control->Left(), control->Top()};
  }
  if (!dc) return;
  const TSavedDC state(dc.Get());
  SetViewportOrgEx(dc.Get(), origin.x, origin.y, nullptr);
  IntersectClipRect(dc.Get(), 0, 0, frame_->Width(), frame_->Height());
  if (PerformDirect(control, CMD_DRAWFADEFRAME, reinterpret_cast<LPARAM>(frame_.get())) == 0)
    BitBlt(dc.Get(), 0, 0, frame_->Width(), frame_->Height(), frame_->Canvas().Handle(), 0, 0, SRCCOPY);
}

void TsFadeTimer::Fault() { EndAfterFault(); }

// ---------------------------------------------------------------- starting and stopping

bool StartFade(TsFadeTimer*& timer, TsCommonData& binding, bool shortFade, int mode) {
  try {
    if (mode != fmToHot && mode != fmToNormal) return false;
    const TsGeneralData* section = binding.Skinned() ? binding.Section() : nullptr;
    TControl* control = binding.OwnerControl();
    const TBitmap* cache = binding.Cache();
    if (!section || !section->FadingEnabled || !control || control->IsDestroying() || !cache || cache->Empty())
      return false;

    const int iterations = FadeIterations(*section);
    const bool running = timer && timer->Running();
    int steps = iterations;
    // A change of direction takes as many steps back as the running fade made (towards
    // the hot look), or as it had left (back to normal).
    if (running) steps = timer->FadeMode == fmToHot ? timer->Level : iterations - timer->Level;
    steps = std::clamp(steps, 0, iterations);
    if (shortFade) steps /= 2;
    if (steps < 1) return false;

    // The old look is what the control shows now, which mid-fade is the last frame.
    const TBitmap* shown = running ? timer->ShownPicture() : nullptr;
    std::unique_ptr<TBitmap> from = CopyOf(shown ? *shown : *cache);
    if (!timer) timer = new TsFadeTimer(control);
    if (!running) timer->Level = 1;
    timer->BoundData = &binding;
    timer->FromPicture = std::move(from);
    timer->frameShown_ = false;
    timer->SetInterval(kFadeIntervalMs);
    timer->StepCount = steps;
    if (timer->Level >= timer->StepCount || timer->Level <= 0) timer->Level = 1;
    PerformDirect(control, CMD_PREPARECACHE, 0);
    timer->FadeMode = static_cast<uint8_t>(mode);
    timer->SetEnabled(true);
    return true;
  } catch (...) {
    StopFade(timer, binding);
    return false;
  }
}

void StopFade(TsFadeTimer*& timer, TsCommonData&) {
  TsFadeTimer* stopped = std::exchange(timer, nullptr);
  // A timer being destroyed goes with its owner.
  if (stopped && !stopped->IsDestroying()) stopped->Discard();
}

void ChangeLook(TsFadeTimer*& timer, TsCommonData& binding, bool shortFade, int mode, bool animate) {
  try {
    if (!binding.Skinned()) return;
    const TsSkinManager* manager = binding.SkinManager();
    const TsGeneralData* section = binding.Section();
    const bool fade = animate && manager && !manager->SkinChanging() && !SkinLoading() && !SpeedButtonAnimating() &&
                      section && section->FadingEnabled && binding.Cache() && !binding.BackgroundChangedFlag;
    binding.BackgroundChangedFlag = true;
    if (fade && StartFade(timer, binding, shortFade, mode)) return;
    StopFade(timer, binding);
    if (TControl* control = binding.OwnerControl(); control && !control->IsDestroying()) control->Repaint();
  } catch (...) {
    // The look changes at the next paint.
  }
}

// ---------------------------------------------------------------- TsAnimTimer

TsAnimTimer::TsAnimTimer(TComponent* owner) : TacFrameTimer(owner) {}

bool TsAnimTimer::Setup(TsCommonData& binding) {
  const TsGeneralData* section = binding.Skinned() ? binding.Section() : nullptr;
  const TBitmap* cache = binding.Cache();
  const int steps = section ? FadeIterations(*section) : 0;
  if (steps < 1 || !cache || cache->Empty() || !binding.OwnerControl()) {
    GoIdle();
    return false;
  }
  BoundData = &binding;
  FromPicture = CopyOf(*cache);
  StepCount = steps;
  Level = 1;
  Busy = false;
  SetInterval(kFadeIntervalMs);
  SetEnabled(true);
  return true;
}

void TsAnimTimer::GoIdle() {
  Busy = false;
  TacFrameTimer::GoIdle();
}

void TsAnimTimer::Step() {
  if (Level > StepCount || Level < 0) {
    StopAtControl();
    return;
  }
  if (ControlGone()) return;
  TControl* control = Control();
  const TBitmap* cache = BoundData->Cache();
  if (!Busy && StepCount != 0 && cache && !cache->Empty()) {
    const TFrameUnderWay frame(Busy);
    if (!WorkPicture) WorkPicture = std::make_unique<TBitmap>();
    ComposeFadeFrame(*WorkPicture, FromPicture.get(), *cache, FadeAlpha(Level, StepCount));
    TWinControl* parent = control->Parent();
    PerformDirect(parent, CMD_PAINTINGCHILD, reinterpret_cast<LPARAM>(control));
    PerformDirect(control, CMD_SETUPDATING, 0, 0);
    control->Repaint();
    PerformDirect(parent, CMD_PAINTINGCHILD, 0);
  }
  ++Level;
}

void TsAnimTimer::Fault() { EndAfterFault(); }

void StopAnimation(TsAnimTimer*& timer) {
  TsAnimTimer* stopped = std::exchange(timer, nullptr);
  if (stopped && !stopped->IsDestroying()) stopped->Discard();
}

// ---------------------------------------------------------------- transitions

namespace {

struct TTransitionState {
  TWinControl* control = nullptr;  // borrowed: it owns the cover, so both go together
  TOutputWindow* cover = nullptr;
  std::unique_ptr<TBitmap> oldLook;
  TRedrawOff quiet;  // the control's redrawing, off while it is covered
};

TTransitionState& Transition() {
  static TTransitionState state;
  return state;
}

void Place(TOutputWindow& cover, HWND covered) {
  // Directly above the covered window: after the one above it, or first.
  HWND above = GetWindow(covered, GW_HWNDPREV);
  SetWindowPos(cover.Handle(), above ? above : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  cover.Show();
}

void MakeCover(TTransitionState& t, const RECT& screenRect) {
  TWinControl* control = t.control;
  auto* cover = new TOutputWindow(control);
  t.cover = cover;
  cover->SetPicture(t.oldLook.get());
  if (TWinControl* parent = control->Parent()) {
    cover->SetBounds(control->Left(), control->Top(), control->Width(), control->Height());
    cover->SetParent(parent);
  } else {
    cover->SetBounds(screenRect.left, screenRect.top, screenRect.right - screenRect.left,
                     screenRect.bottom - screenRect.top);
  }
  Place(*cover, control->Handle());
}

std::unique_ptr<TBitmap> TakeScreen(const RECT& r) {
  auto look = std::make_unique<TBitmap>(r.right - r.left, r.bottom - r.top, TPixelFormat::pf24bit);
  const TClientDC screen = TClientDC::Screen();
  if (!screen) throw EInvalidGraphic(L"No screen device context");
  BitBlt(look->Canvas().Handle(), 0, 0, look->Width(), look->Height(), screen.Get(), r.left, r.top, SRCCOPY);
  GdiFlush();
  return look;
}

// Paints `window` and its visible child windows (bottom of the z-order first) into `dc`,
// with `origin` the window's top-left corner there; `skip` is left out.
void PrintTree(HWND window, HDC dc, POINT origin, HWND skip) {
  RECT windowRect, client;
  GetWindowRect(window, &windowRect);
  GetClientRect(window, &client);
  POINT clientOrigin{0, 0};
  ClientToScreen(window, &clientOrigin);
  const POINT inset{clientOrigin.x - windowRect.left, clientOrigin.y - windowRect.top};

  const TSavedDC saved(dc);
  SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
  IntersectClipRect(dc, 0, 0, windowRect.right - windowRect.left, windowRect.bottom - windowRect.top);
  if (inset.x == 0 && inset.y == 0) {
    SendMessageW(window, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
  } else {
    // The frame at the window's corner, the client area at its own origin.
    SendMessageW(window, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_NONCLIENT);
    SetViewportOrgEx(dc, origin.x + inset.x, origin.y + inset.y, nullptr);
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
  }
  // Children stay inside the client area.
  SetViewportOrgEx(dc, origin.x + inset.x, origin.y + inset.y, nullptr);
  IntersectClipRect(dc, 0, 0, client.right, client.bottom);
  HWND first = GetWindow(window, GW_CHILD);
  for (HWND child = first ? GetWindow(first, GW_HWNDLAST) : nullptr; child; child = GetWindow(child, GW_HWNDPREV)) {
    if (child == skip || !(GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE)) continue;
    RECT r;
    GetWindowRect(child, &r);
    PrintTree(child, dc, POINT{origin.x + r.left - windowRect.left, origin.y + r.top - windowRect.top}, skip);
  }
}

void RunTransition(TTransitionState& t, int time) {
  const HWND window = t.control->Handle();
  RECT r;
  GetWindowRect(window, &r);
  TBitmap now(r.right - r.left, r.bottom - r.top, TPixelFormat::pf24bit);
  PrintTree(window, now.Canvas().Handle(), POINT{0, 0}, t.cover->Handle());
  GdiFlush();

  // A form whose frame provider cuts its window keeps its shape under the cover.
  if (!t.control->Parent() && SendSkinCommand(window, CMD_FINDPROVIDER, 0) != 0) {
    TRegionHandle region = NewRectRegion(0, 0, 0, 0);
    if (region && GetWindowRgn(window, region.Get()) != ERROR) SetWindowRgn(t.cover->Handle(), region.Release(), FALSE);
  }

  const TClientDC coverDC = TClientDC::Of(t.cover->Handle());
  if (!coverDC) return;
  const TBitmap* before = t.oldLook.get();
  if (time > 7 && before && SameSize(*before, now)) {
    TBitmap frame(now.Width(), now.Height(), TPixelFormat::pf32bit);
    const int n = time / 8;
    const int step = 255 / n;
    int e = 255;
    for (int i = 0; i <= n; ++i) {
      const int weight = std::max(0, e);
      BlendPictures(frame.View(), now.View(), before->View(), weight);
      BitBlt(coverDC.Get(), 0, 0, frame.Width(), frame.Height(), frame.Canvas().Handle(), 0, 0, SRCCOPY);
      GdiFlush();
      if (OnTransitionFrame()) OnTransitionFrame()(weight, frame);
      e -= step;
      if (i < n) Sleep(kTransitionFrameMs);
    }
  }
  BitBlt(coverDC.Get(), 0, 0, now.Width(), now.Height(), now.Canvas().Handle(), 0, 0, SRCCOPY);
  GdiFlush();
  t.cover->SetPicture(nullptr);
}

}  // namespace

TOutputWindow::TOutputWindow(TComponent* owner) : TCustomControl(owner) {
  SetVisibleFlag(false);
  SetText(L"acOutputWindow");
  SetColor(static_cast<TColor>(0x800080));
}

TOutputWindow::~TOutputWindow() {
  // Freed with the covered control: the transition under way ends with it.
  TTransitionState& t = Transition();
  if (t.cover == this) t = TTransitionState{};
}

void TOutputWindow::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  if (Parent()) return;
  params.style = WS_POPUP;
  params.parent = Application ? Application->Handle() : nullptr;
  auto* covered = dynamic_cast<TWinControl*>(Owner());
  if (covered && covered->HandleAllocated() && (GetWindowLongPtrW(covered->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST))
    params.exStyle |= WS_EX_TOPMOST;
}

void TOutputWindow::WndProc(TMessage& message) {
  if (message.Msg == WM_ERASEBKGND) {
    message.Result = 1;  // the picture covers everything; no flash of the colour
    return;
  }
  TCustomControl::WndProc(message);
}

void TOutputWindow::Paint() {
  if (!picture_ || picture_->Empty()) return;
  BitBlt(Canvas().Handle(), 0, 0, picture_->Width(), picture_->Height(), const_cast<TBitmap*>(picture_)->Canvas().Handle(),
         0, 0, SRCCOPY);
}

bool PrepareTransition(TWinControl* control) {
  TTransitionState& t = Transition();
  if (t.control && t.control != control) CancelTransition();
  if (!control || control->IsDestroying() || !control->HandleAllocated()) return false;
  try {
    const HWND window = control->Handle();
    t.quiet = TRedrawOff(window);
    t.control = control;
    RECT r;
    GetWindowRect(window, &r);
    if (r.right <= r.left || r.bottom <= r.top) throw Exception(L"Nothing to cover");
    if (!t.oldLook) t.oldLook = TakeScreen(r);
    if (!t.cover) MakeCover(t, r);
    return true;
  } catch (...) {
    CancelTransition();
    return false;
  }
}

void AnimateTransition(TWinControl* control, int time) {
  TTransitionState& t = Transition();
  if (!control) return;
  if ((!t.cover || t.control != control) && !PrepareTransition(control)) return;
  try {
    RunTransition(t, time);
  } catch (...) {
    // The control shows its new look once its redrawing is back on.
  }
  CancelTransition();
}

void CancelTransition() {
  TTransitionState& t = Transition();
  TWinControl* control = std::exchange(t.control, nullptr);
  TOutputWindow* cover = std::exchange(t.cover, nullptr);
  const std::unique_ptr<TBitmap> oldLook = std::move(t.oldLook);
  const bool live = control && !control->IsDestroying() && control->HandleAllocated();
  TRedrawOff quiet = std::move(t.quiet);
  if (live) quiet.Restore();
  delete cover;
  if (live) RedrawWindow(control->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

TOutputWindow* TransitionWindow() { return Transition().cover; }

TTransitionFrameEvent& OnTransitionFrame() {
  static TTransitionFrameEvent event;
  return event;
}
