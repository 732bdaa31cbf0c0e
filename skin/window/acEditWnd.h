// Handlers of framed windows: edits, memos and list boxes (and, through their own classes,
// combo boxes, list views and tree views). The platform keeps painting the client area,
// text and items, in colours taken from the skin section; the handler paints the frame ring
// around it from the binding's cached picture of the section and the skinned scroll bars
// (TacScrollWnd) over the rest of the non-client area.
//
// Combo boxes (`TacComboBoxWnd`) let the platform paint their face and draw the frame and
// the drop-down button over it; their drop-down list gets a `TacComboListWnd` of its own at
// the first WM_CTLCOLORLISTBOX and is coloured from the list's section on every one of them
// (one brush per combo handler, deleted with it).
//
// `TacBaseWnd` is the common base: it keeps the cache and the bars up to date as the window
// is resized, scrolled or enabled. `TacEditWnd` adds the colours and the frame painting:
// a visible skinned window's own procedure never receives WM_NCPAINT.
//
// While the binding is updating (its parent or the manager is busy) these windows neither
// erase nor paint nor draw their frame; the parent's CMD_PARENTDONE redraws them in full.
//
// GUI thread only.
#pragma once

#include <memory>

#include "framework/Handles.h"
#include "skin/window/acScrollWnd.h"

class TacBaseWnd : public TacScrollWnd {
public:
  using TacScrollWnd::TacScrollWnd;

  void WndProc(TMessage& message) override;

protected:
  // What follows the base handling of every message (bars and frame refreshed).
  void AfterBase(const TMessage& message);
};

class TacEditWnd : public TacBaseWnd {
public:
  using TacBaseWnd::TacBaseWnd;
  ~TacEditWnd() override;

  void SaveParams() override;
  void RestoreParams() override;
  void ApplyParams() override;
  void WndProc(TMessage& message) override;

  // The colours of a window without owner control (what its parent colours it with).
  TColor EditColor = clWindow;
  TColor EditFrameColor = clBlack;

protected:
  // The frame ring and the bars on `dc` (the window's picture); false when nothing was drawn.
  bool PaintFrame(HDC dc);

private:
  bool Updating();
  void NcPaint(TMessage& message);
  void Print(TMessage& message);
  void PrepareFrame();
  void AfterEdit(const TMessage& message);
};

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

  TBrushHandle listBrush_;  // the list's colour, answered to every WM_CTLCOLORLISTBOX
  COLORREF listBrushColor_ = CLR_INVALID;
};
