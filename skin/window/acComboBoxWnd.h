// Combo box handlers: `TacComboBoxWnd` lets the platform paint the face and draws the frame
// and the drop-down button over it; its drop-down list gets a `TacComboListWnd` of its own
// at the first WM_CTLCOLORLISTBOX and is coloured from the list's section on every one of
// them (one brush per combo handler, deleted with it).
//
// GUI thread only.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/Graphics.h"
#include "framework/Handles.h"
#include "skin/window/acEditWnd.h"

class TacComboListWnd : public TacEditWnd {
public:
  using TacEditWnd::TacEditWnd;

  void WndProc(TMessage& message) override;

  bool SimpleBox = false;  // the list of a CBS_SIMPLE combo box
  bool Tracking = false;   // the platform tracks the pointer in the dropped-down list

private:
  void ListFrame();
};

class TacComboBoxWnd : public TacEditWnd {
public:
  using TacEditWnd::TacEditWnd;
  ~TacComboBoxWnd() override;

  void WndProc(TMessage& message) override;
  // The drop-down button in window coordinates (empty for a CBS_SIMPLE combo box).
  virtual RECT ButtonRect() const;
  // 2 while the list is dropped down, 1 active or hot, else 0.
  int ButtonState() const;
  // The button from the skin (COMBOBTN and the combo glyph) over a copy of the cache.
  void DrawButton(HDC dc);

  HWND ListWnd = nullptr;
  std::unique_ptr<TacComboListWnd> ListHandler;

protected:
  virtual bool ShowsButton() const;

private:
  int GlyphHeight() const;
  void SimpleFrame();
  void DrawComboText();
  void Paint(TMessage& message);
  void Print(TMessage& message);
  void ListColors(TMessage& message);
  void DrawButtonOnWindow();

  TBitmap buttonPicture_;   // the drop-down button composed over the cache, kept between paints
  TBrushHandle listBrush_;  // the list's colour, answered to every WM_CTLCOLORLISTBOX
  COLORREF listBrushColor_ = CLR_INVALID;
};
