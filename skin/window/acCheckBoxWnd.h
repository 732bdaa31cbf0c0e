// The handler of a dialog's check boxes and radio buttons ("CHECKBOX" section): the
// section picture, the check glyph of the skin for the check state (the radio glyphs for
// radio buttons), the caption in the skin's font colours, the focus dots and the disabled
// look, composed in the binding's cache and copied in one block. State changes run the
// window's own procedure with redrawing off and then paint the new state.
#pragma once

#include "skin/window/acMainWnd.h"

class TacCheckBoxWnd : public TacMainWnd {
public:
  using TacMainWnd::TacMainWnd;

  void WndProc(TMessage& message) override;

  // 2 indeterminate, 1 checked, else 0.
  int CheckState() const;
  // 2 pushed, 1 focused or hot, else 0.
  int VisualState() const;
  // The skin glyph's name for `style` (the window style) and a check state.
  static const char* GlyphName(LONG style, int checkState);
  // The size of the glyph `name` in the skin, or 0 x 0 when the skin has none.
  SIZE GlyphSize(const char* name) const;
  // Where the caption goes (the glyph of the checked state, or 16 pixels, before it).
  RECT TextRect() const;

protected:
  void PaintTo(HDC dc) override;
  bool PaintsClient() const override { return true; }

private:
  void Repaint();
  int GlyphMask(const char* name) const;

  LONG style_ = 0;
};
