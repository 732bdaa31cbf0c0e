// Small control handlers.
//
// `TacSizerWnd` paints a dialog's size grip (a "scrollbar" window) with the parent's
// picture under its section and always answers hit-testing as the bottom-right corner.
//
// `TacSpinWnd` paints an up-down window ("SPEEDBUTTON_SMALL" section): two buttons, each
// in its own state (normal, hot under the pointer, pressed), with the skin's up and down
// scroll-button glyphs, composed in the binding's cache and copied in one block.
#pragma once

#include "skin/window/acMainWnd.h"

class TacSizerWnd : public TacMainWnd {
public:
  using TacMainWnd::TacMainWnd;
  void WndProc(TMessage& message) override;

protected:
  void PaintTo(HDC dc) override;
  bool PaintsClient() const override { return true; }
};

class TacSpinWnd : public TacMainWnd {
public:
  using TacMainWnd::TacMainWnd;
  void WndProc(TMessage& message) override;

  // The buttons' rectangles in the window (WindowSize as last measured).
  RECT UpperRect() const;
  RECT LowerRect() const;

  int SpinOffset = 0;  // left edge of the painted area
  bool SpinPressed = false;
  int UpState = 0;    // 0 normal, 1 hot, 2 pressed
  int DownState = 0;

protected:
  void PaintTo(HDC dc) override;
  bool PaintsClient() const override { return true; }

private:
  void UpdateStates();
  void PaintButton(const RECT& r, int state, int glyphIndex, const BgInfo& bg);
};
