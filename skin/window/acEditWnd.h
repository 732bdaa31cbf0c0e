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
// List views (`TacListViewWnd`) take their colours from the section and paint the column
// header of the report view from the skin ("COLHEADER", else "BUTTON"): captions in the
// section's font colours, sort arrows from the scroll-button glyphs, the pressed column.
// The header is subclassed while the list view is served; if something else subclassed it
// on top meanwhile, ours stays a pass-through until the header is destroyed. Tree views
// (`TacTreeViewWnd`) take the section's hot colour as their background.
//
// `TacBaseWnd` is the common base: it keeps the cache and the bars up to date as the window
// is resized, scrolled or enabled. `TacEditWnd` adds the colours and the frame painting:
// a visible skinned window's own procedure never receives WM_NCPAINT.
//
// While the binding is updating (its parent or the manager is busy) these windows neither
// erase nor paint nor draw their frame; the parent's CMD_PARENTDONE redraws them in full.
//
// The skinned controls below this layer reach `TacEditWnd` through the seam of
// skin/core/sWindowHandlers.h, which `UseWindowHandlers` fills.
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

// Points the window-handler seam of skin/core at these handlers: a control that asks it
// for a frame handler gets a `TacEditWnd` on its window. Call once at start-up, before the
// first skinned control is made; calling it again changes nothing.
void UseWindowHandlers();

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

class TacTreeViewWnd : public TacEditWnd {
public:
  using TacEditWnd::TacEditWnd;
  ~TacTreeViewWnd() override;

  void RestoreParams() override;
  void ApplyParams() override;
  void WndProc(TMessage& message) override;

private:
  TColor BackColor() const;
};

// Where a header caption goes in its column picture (`surface` of the column's size):
// in by 4 at the left and 8 at the right and 1 at the top and bottom, one more when pressed
// (state 2), then `textWidth` + 5 wide aligned by the format's low two bits (0 left,
// 1 right, 2 centre) with `arrowWidth` kept free after it.
RECT HeaderTextRect(const RECT& surface, int state, int textWidth, int arrowWidth, int format);

class TacListViewWnd : public TacEditWnd {
public:
  TacListViewWnd(HWND window, bool refreshFrame, const std::string& section, TsSkinManager* manager,
                 TsCommonData* binding);
  ~TacListViewWnd() override;

  void SaveParams() override;
  void RestoreParams() override;
  void ApplyParams() override;
  void WndProc(TMessage& message) override;

  // The list view shows the report view (LVM_GETVIEW answers LV_VIEW_DETAILS).
  bool ReportView() const;
  // Paints the whole header on `dc`, or on its own window without one.
  void HeaderPaint(HDC dc);

  HWND HeaderWnd = nullptr;
  int PressedColumn = -1;

private:
  class HeaderHook;
  friend class HeaderHook;
  void HookHeader(HWND header);
  void UnhookHeader();
  LRESULT HeaderProc(UINT msg, WPARAM wParam, LPARAM lParam);
  void DrawColumn(HDC dc, const RECT& r, int column);

  std::unique_ptr<HeaderHook> headerHook_;
  TBitmap columnPicture_;  // one column at a time, grown to the largest; kept between paints
};
