// The handler of a dialog's tool bars ("toolbarwindow32"; "BAR" or "CHECKBOX" section):
// the bar's picture under the section, every button painted on it from the skin's
// "TOOLBUTTON" section in its state (normal, hot under the pointer, pressed, disabled),
// with its image from the bar's image list, the drop-down arrow of whole drop-down
// buttons and its text in at most two lines; composed off screen and copied in one block.
#pragma once

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include "skin/window/acMainWnd.h"

class TacToolBarWnd : public TacMainWnd {
public:
  using TacMainWnd::TacMainWnd;
  void WndProc(TMessage& message) override;

  // Splits a caption for a button `width` wide: the words that fit on the first line and
  // the rest. `rest` is empty when the whole text fits or no first word does.
  static void SplitCaption(TCanvas& canvas, const String& text, int width, String& first, String& rest);

  RECT BarClientRect{};
  POINT BarBorder{};  // the client area's place in the window

protected:
  void PaintTo(HDC dc) override;
  bool PaintsClient() const override { return true; }

private:
  void Prepare();
  void PaintNonClient();
  // Button `index` drawn into `picture` at `place` (picture coordinates).
  void PaintButton(int index, const RECT& place, TBitmap& picture);
  int ButtonStateOf(const TBBUTTON& button, const RECT& place) const;
};
