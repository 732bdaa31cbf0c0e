// The handler of the platform's pop-up menu windows ("#32768"; "MAINMENU" section). The
// skinned menus paint the items; this handler gives the window the menu's background and
// border from its cache while a skinned item has been drawn, answers the menu commands,
// and keeps the scroll bars skinned otherwise.
//
// The border ring reaches from the window's edge to the first item. Where the platform
// gives the menu a non-client frame (Windows) it is painted in WM_NCPAINT; where the frame
// is drawn inside the client area by the platform's own WM_PAINT (Wine) it is painted again
// after that paint.
//
// One handler per menu window, attached when the window is created. It frees itself once
// the window's WM_NCDESTROY has returned (never while any of its own code runs); the
// list of live menu handlers (`HandlerList`) drops it then, so nobody can reach it after.
// The window's previous procedure is kept per window by the framework's subclassing.
#pragma once

#include <functional>
#include <vector>

#include "skin/window/acScrollWnd.h"

// What the skinned menus tell the menu windows about the menu being shown.
struct TacMenuPaintState {
  bool ItemDrawn = false;            // a skinned item has been drawn since the last reset
  TBitmap* Picture = nullptr;        // the menu's background picture, borrowed; may be null
  HWND Window = nullptr;             // the menu window the picture was made for
  std::function<void()> Discard;     // forgets the shown menu's state
};
TacMenuPaintState& MenuPaintState();

class TacMnuWnd : public TacScrollWnd {
public:
  TacMnuWnd(HWND window, bool refreshFrame, const std::string& section, TsSkinManager* manager,
            TsCommonData* binding);
  ~TacMnuWnd() override;

  // Attaches a handler that frees itself with `window`. Borrowed; null when the window
  // already has a handler or cannot be taken over.
  static TacMnuWnd* AttachTo(HWND window, TsSkinManager* manager = nullptr);
  // The menu handlers alive now.
  static const std::vector<TacMnuWnd*>& HandlerList();

  void WndProc(TMessage& message) override;
  // The menu window's picture in the cache when the background changed.
  virtual void BuildCache();

  bool BorderFlag = false;

private:
  void EraseBackground(HDC given);
  void PaintBorder();
  // The client area's place in the window (none under platforms without a menu frame).
  POINT ClientOrigin() const;
  // Width of the border ring: from the window's edge to the first item.
  int FrameRing() const;
};
