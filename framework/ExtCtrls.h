// The panel (a bevelled container with a caption) and the timer.
//
// `TTimer` runs on a hidden window of its own, so its ticks arrive through the message
// loop of the GUI thread, also while a modal dialog runs its own loop. That window counts
// as a live window (`LiveHandles(THandleKind::Window)`) while the timer exists.
//
// Left out: images, shapes, splitters, radio groups, bevel kinds other than raised and
// lowered.
#pragma once

#include "framework/CustomControls.h"
#include "framework/Handles.h"
#include "framework/StdCtrls.h"

class TCustomPanel : public TCustomControl {
public:
  explicit TCustomPanel(TComponent* owner);
  const wchar_t* ClassName() const override { return L"TCustomPanel"; }

  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut cut);
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut cut);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int width);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int width);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);

protected:
  void AdjustClientRect(RECT& rect) const override;
  void Paint() override;
  void WndProc(TMessage& message) override;

private:
  TBevelCut bevelOuter_ = bvRaised;
  TBevelCut bevelInner_ = bvNone;
  int bevelWidth_ = 1;
  int borderWidth_ = 0;
  TAlignment alignment_ = taCenter;
};

class TPanel : public TCustomPanel {
public:
  explicit TPanel(TComponent* owner) : TCustomPanel(owner) {}
  const wchar_t* ClassName() const override { return L"TPanel"; }
};

class TTimer : public TComponent {
public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;
  const wchar_t* ClassName() const override { return L"TTimer"; }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned milliseconds);
  // Set the handler with SetOnTimer so the timer starts or stops with it.
  const TNotifyEvent& OnTimer() const { return onTimer_; }
  void SetOnTimer(TNotifyEvent handler);

  void Loaded() override;

  // Stops the timer now and frees it once the messages queued now have been handled (a
  // message posted to its own window), so that a timer can be let go from inside its own
  // OnTimer. The caller must not use it afterwards; an owner freed first frees it as usual.
  void Release();

private:
  static LRESULT CALLBACK TimerWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
  void UpdateTimer();

  HWND window_ = nullptr;
  TTimerHandle timer_;  // empty while stopped
  bool enabled_ = true;
  unsigned interval_ = 1000;
  TNotifyEvent onTimer_;
};
