#include "framework/ExtCtrls.h"
#include "framework/UtilityWindow.h"

// ---------------------------------------------------------------- TCustomPanel

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
  controlStyle_ = csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csOpaque | csDoubleClicks |
                  csParentBackground;
  SetColor(clBtnFace);
  width_ = 185;
  height_ = 41;
}

void TCustomPanel::SetBevelOuter(TBevelCut cut) {
  bevelOuter_ = cut;
  Realign();
  Invalidate();
}
void TCustomPanel::SetBevelInner(TBevelCut cut) {
  bevelInner_ = cut;
  Realign();
  Invalidate();
}
void TCustomPanel::SetBevelWidth(int width) {
  bevelWidth_ = width;
  Realign();
  Invalidate();
}
void TCustomPanel::SetBorderWidth(int width) {
  borderWidth_ = width;
  Realign();
  Invalidate();
}
void TCustomPanel::SetAlignment(TAlignment alignment) {
  alignment_ = alignment;
  Invalidate();
}

void TCustomPanel::AdjustClientRect(RECT& rect) const {
  int inset = borderWidth_;
  if (bevelOuter_ != bvNone) inset += bevelWidth_;
  if (bevelInner_ != bvNone) inset += bevelWidth_;
  InflateRect(&rect, -inset, -inset);
}

namespace {
// A bevel of `width` pixels: light top-left and dark bottom-right when raised.
void Frame3D(HDC dc, RECT& rect, TBevelCut cut, int width) {
  if (cut == bvNone) return;
  COLORREF topLeft = ColorToRGB(clBtnHighlight), bottomRight = ColorToRGB(clBtnShadow);
  if (cut == bvLowered) std::swap(topLeft, bottomRight);
  if (cut == bvSpace) topLeft = bottomRight = ColorToRGB(clBtnFace);
  const TBrushHandle light = NewSolidBrush(topLeft), dark = NewSolidBrush(bottomRight);
  for (int i = 0; i < width; ++i) {
    RECT top{rect.left, rect.top, rect.right - 1, rect.top + 1};
    RECT left{rect.left, rect.top, rect.left + 1, rect.bottom - 1};
    RECT bottom{rect.left, rect.bottom - 1, rect.right, rect.bottom};
    RECT right{rect.right - 1, rect.top, rect.right, rect.bottom};
    FillRect(dc, &top, light.Get());
    FillRect(dc, &left, light.Get());
    FillRect(dc, &bottom, dark.Get());
    FillRect(dc, &right, dark.Get());
    InflateRect(&rect, -1, -1);
  }
}
}  // namespace

void TCustomPanel::Paint() {
  TCanvas& canvas = Canvas();
  RECT r = ClientRect();
  Frame3D(canvas.Handle(), r, bevelOuter_, bevelWidth_);
  InflateRect(&r, -borderWidth_, -borderWidth_);
  Frame3D(canvas.Handle(), r, bevelInner_, bevelWidth_);
  canvas.Brush().SetColor(Color());
  canvas.FillRect(r);
  const String caption = Caption();
  if (!caption.empty()) {
    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS;
    flags |= alignment_ == taLeftJustify ? DT_LEFT : alignment_ == taRightJustify ? DT_RIGHT : DT_CENTER;
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    canvas.DrawText(caption, r, flags);
  }
}

void TCustomPanel::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_ERASEBKGND:
      message.Result = 1;  // Paint covers every pixel
      return;
    case CM_TEXTCHANGED:
      Invalidate();
      return;
    default:
      TCustomControl::WndProc(message);
  }
}

// ---------------------------------------------------------------- TTimer

namespace {
// Posted to a timer's own window by Release; LParam is the timer.
constexpr UINT kReleaseTimer = WM_USER + 1;
}  // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
  window_ = CreateUtilityWindow(L"TPUtilWindow", TimerWndProc, WS_POPUP, 0, HWND_MESSAGE, L"", this);
  if (!window_) throw Exception(L"Not enough timers available");
  CountHandleCreated(THandleKind::Window);
}

TTimer::~TTimer() {
  timer_.Reset();
  SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  DestroyWindow(window_);
  CountHandleReleased(THandleKind::Window);
}

void TTimer::Release() {
  // OnTimer stays as it is: it may be the very handler that is running now.
  enabled_ = false;
  timer_.Reset();
  PostMessageW(window_, kReleaseTimer, 0, reinterpret_cast<LPARAM>(this));
}

LRESULT CALLBACK TTimer::TimerWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* timer = reinterpret_cast<TTimer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (msg == kReleaseTimer && timer && lParam == reinterpret_cast<LPARAM>(timer)) {
    delete timer;  // destroys this window; nothing below touches it
    return 0;
  }
  if (msg == WM_TIMER && timer) {
    // A tick that arrives while the timer or its owner is going would reach half-freed
    // components; one already queued when the timer was stopped is dropped.
    const bool going = timer->IsDestroying() || (timer->Owner() && timer->Owner()->IsDestroying());
    try {
      if (timer->onTimer_ && timer->enabled_ && !going) timer->onTimer_(timer);
    } catch (...) {
      HandleFrameworkException(timer);
    }
    return 0;
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

void TTimer::UpdateTimer() {
  timer_.Reset();
  if (IsLoading() || !enabled_ || interval_ == 0 || !onTimer_) return;
  timer_ = TTimerHandle::Set(window_, 1, interval_);
  if (!timer_) throw Exception(L"Not enough timers available");
}

void TTimer::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  UpdateTimer();
}

void TTimer::SetInterval(unsigned milliseconds) {
  if (milliseconds == interval_) return;
  interval_ = milliseconds;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
  onTimer_ = std::move(handler);
  UpdateTimer();
}

void TTimer::Loaded() {
  TComponent::Loaded();
  UpdateTimer();
}
