// The skinned push button: while a skin is active it draws itself into its binding's
// cached picture from its section ("BUTTON" by default): background, border mask with a
// window region that lets the parent show through the rounded corners, caption in the
// skin's font colours, dotted focus frame, disabled look. Hover, press and focus change
// the skin state, optionally with a fade. Without an active skin it is the framework
// button and the platform draws it.
//
// The platform button never enters its own pushed state while skinned (its set-state
// message is swallowed), so the button raises Click itself on a release inside it.
//
// Left out: actions, design-time painting.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/Handles.h"
#include "framework/StdCtrls.h"
#include "skin/core/sCommonData.h"
#include "skin/core/sFade.h"
#include "skin/paint/Pixels.h"

class TsButton : public TButton {
public:
  explicit TsButton(TComponent* owner);
  ~TsButton() override;
  const wchar_t* ClassName() const override { return L"TsButton"; }
  void BeforeDestruction() override;
  void Loaded() override;

  TsCommonData& SkinData() { return *skinData_; }
  TsDisabledKind DisabledKind() const { return disabledKind_; }
  void SetDisabledKind(TsDisabledKind kind);
  // Held down by the program (drawn pressed, with the hot font colours), or pressed now.
  bool Down() const { return storedDown_ || pressed_; }
  void SetDown(bool on);
  int FocusMargin() const { return focusMargin_; }
  void SetFocusMargin(int margin) { focusMargin_ = margin; }
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool on);
  TacAnimatEvents AnimatEvents() const { return animatEvents_; }
  void SetAnimatEvents(TacAnimatEvents events) { animatEvents_ = events; }

  // The state handed to the painters: 0 normal, 1 hot, 2 pressed.
  int SkinState() const;
  // The region to give the window at the next paint (none once given); for tests.
  bool RegionPending() const { return static_cast<bool>(pendingRegion_); }

protected:
  void WndProc(TMessage& message) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyUp(WORD& key, TShiftState shift) override;
  void SetButtonStyle(bool defaultLook) override;
  // The framework button's own handling: every message the skinned handling passes on goes
  // through here (a descendant may watch what it passes on, in order).
  virtual void CallFramework(TMessage& message);
  // Whether the focused button draws its dotted focus frame (where the section asks for it).
  virtual bool ShowsFocusFrame() const { return true; }

private:
  bool AnyStateCommand(TMessage& message);
  bool SkinnedMessage(TMessage& message);
  void DefaultHandling(TMessage& message);
  void AfterDefault(const TMessage& message);
  void FocusGained(TMessage& message);
  void FocusLost(TMessage& message);
  void DialogChar(const TMessage& message);
  void PointerMoved(bool entered);
  void PaintMessage(TMessage& message);
  void PaintTo(HDC dc);
  void RebuildPicture();
  void DrawCaption(TCanvas& canvas, int state);
  void GiveRegion(HDC dc);
  void StartChange(bool shortFade, int event);
  void StopAnyFade();
  bool OwnManager(LPARAM manager) const;

  std::unique_ptr<TsCommonData> skinData_;
  TsDisabledKind disabledKind_ = dkBlended;
  bool storedDown_ = false;
  bool pressed_ = false;
  bool wentDownHere_ = false;
  bool regionFlag_ = true;
  TRegionHandle pendingRegion_;
  TsFadeTimer* fadeTimer_ = nullptr;
  int focusMargin_ = 1;
  bool wordWrap_ = true;
  TacAnimatEvents animatEvents_ = AnimatEventBit(aeGlobalDef);
};
