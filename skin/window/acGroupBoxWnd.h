// The handler of a dialog's group boxes ("GROUPBOX" section): the section's frame from
// half the caption band's height down, the parent's picture (or colour) behind the band,
// and the caption in the skin's font colours on it. In a skinned dialog the platform
// keeps painting the inside and the handler paints frame and band over it.
#pragma once

#include "skin/window/acMainWnd.h"

class TacGroupBoxWnd : public TacMainWnd {
public:
  using TacMainWnd::TacMainWnd;

  void WndProc(TMessage& message) override;

  // The caption band for a caption of `captionSize` in a box `width` wide.
  static RECT BandRect(SIZE captionSize, int width);
  // The band of the window's caption in its font.
  RECT CaptionBand();
  // Rebuilds the cache when the background changed.
  void BuildCache();

protected:
  void PaintTo(HDC dc) override;
  // A dialog's group box lets the platform paint (and print) its inside.
  bool PaintsClient() const override { return !DialogMode(); }

private:
  void SelectFont(TCanvas& canvas) const;
  // The parent's colour, for a band without the parent's picture.
  TColor ParentColor() const;
};
