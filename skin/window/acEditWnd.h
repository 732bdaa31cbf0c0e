// Handlers of framed windows: edits, memos and list boxes. The platform keeps painting the
// client area, text and items, in colours taken from the skin section; the handler paints
// the frame ring around it from the binding's cached picture of the section and the skinned scroll bars
// (TacScrollWnd) over the rest of the non-client area.
//
// Combo boxes, tree views and list views build on `TacEditWnd` in units of their own
// (acComboBoxWnd.h, acTreeViewWnd.h, acListViewWnd.h).
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
