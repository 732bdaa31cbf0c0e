// The skinned button with a glyph, as far as this system uses it: a skinned push button
// (section "BUTTON") whose focus frame can be switched off. Glyphs are left out.
#pragma once

#include "skin/controls/sButton.h"

class TsBitBtn : public TsButton {
public:
  explicit TsBitBtn(TComponent* owner) : TsButton(owner) {}
  const wchar_t* ClassName() const override { return L"TsBitBtn"; }

  bool ShowFocus() const { return showFocus_; }
  void SetShowFocus(bool on) {
    showFocus_ = on;
    SkinData().Invalidate();
  }

protected:
  bool ShowsFocusFrame() const override { return showFocus_; }

private:
  bool showFocus_ = true;
};
