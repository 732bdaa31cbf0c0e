// The push-button handler: paints a "button" window of a dialog, or a framework TButton
// without a binding, from its skin section ("BUTTON"): background and border for the
// button's state (normal, hot, pressed), the caption in the section's font colours, the
// focus dots and the disabled look, composed in the binding's cache and copied in one
// block. The platform's own button drawing, which each state change triggers, is kept off
// the screen by switching redrawing off around the window's own procedure.
//
// It is the model of a painting handler; the bitmap-button handler derives from it and
// adds a glyph (GlyphSize and DrawGlyph are empty here).
#pragma once

#include "skin/window/acMainWnd.h"

class TacBtnWnd : public TacMainWnd {
public:
  using TacMainWnd::TacMainWnd;

  void WndProc(TMessage& message) override;

  // 2 pressed, 0 disabled, 1 focused, hot or default button, else 0.
  int ButtonState() const;

  virtual void DrawCaption();
  virtual void DrawGlyph() {}
  virtual SIZE GlyphSize() const { return SIZE{0, 0}; }
  virtual void DrawCaptionText(const RECT& rect, UINT format);
  // Where the caption goes in the window (moved by one pixel while pushed).
  virtual RECT CaptionRect();
  virtual int MaxCaptionWidth() const;
  // The caption's size in the cache's font for `format`.
  virtual SIZE CaptionSize();
  virtual void BuildCache();

protected:
  // DT_* flags of the caption: no word breaking for BS_MULTILINE buttons.
  UINT CaptionFormat() const;

protected:
  void PaintTo(HDC dc) override;
  bool PaintsClient() const override { return true; }

private:
  void Repaint();
  // Redraw off around the base handling, then the skinned look of the new state.
  void Quietly(TMessage& message, bool callOldOnly);
};
