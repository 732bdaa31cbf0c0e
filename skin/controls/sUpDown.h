// The skinned up-down: two arrow buttons side by side, painted from a button section of the
// skin ("UPDOWNBTN", "BUTTON" or any other), that step a position between a minimum and a
// maximum. The page control uses it as its tab scroller in place of the platform's own.
//
// Each half is the section in the state of that half (0 normal, 1 under the pointer,
// 2 pressed) over the parent's picture, with an arrow in the section's font colour; an
// arrow that cannot move further is drawn half-way to the face colour. With `CutRegion`
// the window's region is cut from one button picture drawn over the key colour, repeated
// for both halves, so the parent shows through the rounded corners.
//
// Left out: the vertical orientation, auto-repeat while a button is held, a buddy window,
// keyboard input; without a skin manager or a valid section it paints the platform's
// push buttons.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "framework/CustomControls.h"
#include "framework/Handles.h"
#include "skin/paint/PaintTypes.h"

class TsSkinManager;

class TsUpDown : public TCustomControl {
public:
  explicit TsUpDown(TComponent* owner);
  const wchar_t* ClassName() const override { return L"TsUpDown"; }

  // The manager whose tables paint the buttons; borrowed, the owner keeps it alive for
  // as long as the up-down paints (null paints the platform's look).
  void SetSkin(TsSkinManager* manager, const std::string& section, bool cutRegion);
  const std::string& ButtonSection() const { return section_; }
  void SetRange(int min, int max);
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return position_; }
  // Clamped to the range; no notification.
  void SetPosition(int position);
  int Increment() const { return increment_; }
  void SetIncrement(int step) { increment_ = step > 0 ? step : 1; }
  // Whether the window has a region cut from the button picture.
  bool HasRegion() const { return hasRegion_; }
  // The state a half is painted in: 0 normal, 1 hot, 2 pressed (0 left, 1 right).
  int HalfState(int half) const;
  // The rectangle of a half in client coordinates.
  RECT HalfRect(int half) const;
  // Renews the window's region from the button picture (or removes it).
  void UpdateRegion();

  // After the position changed by a press on a button.
  std::function<void(TsUpDown& sender, int position)> OnChanged;

protected:
  void WndProc(TMessage& message) override;
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseCaptureLost() override;

private:
  int HalfAt(POINT p) const;
  void PaintHalf(TBitmap& picture, int half, const BgInfo& bg);
  void SetHot(int half);

  TsSkinManager* manager_ = nullptr;
  std::string section_;
  bool cutRegion_ = false;
  bool hasRegion_ = false;
  int min_ = 0, max_ = 100, position_ = 0, increment_ = 1;
  int hot_ = -1, pressed_ = -1;
};
