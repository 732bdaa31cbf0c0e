// What the skinned controls need of the window handlers, which live in the window-skinning
// layer above this one (skin/window). A control that leaves its frame ring and scroll bars
// to a framed-window handler attaches one through `WindowHandlerSeam()` and sees it only as
// a `TsFrameHandler`. The seam is empty until that layer fills it (`UseWindowHandlers()`,
// called by the program at start); while it is empty such controls have no skinned frame
// and the platform draws it.
//
// GUI thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

class TsCommonData;
class TsSkinManager;

// A framed-window handler attached to one window, as the control owning that window sees
// it. Destroying it detaches the handler from the window, which frees itself once the
// window's messages running through it have returned.
class TsFrameHandler {
public:
  TsFrameHandler() = default;
  TsFrameHandler(const TsFrameHandler&) = delete;
  TsFrameHandler& operator=(const TsFrameHandler&) = delete;
  virtual ~TsFrameHandler() = default;

  // The handler still serves `window`: neither detached nor left over from a window that
  // was destroyed (a re-created control has a new one).
  virtual bool Serves(HWND window) const = 0;
  // Reads both scroll bars' information again; with `repaint`, paints them.
  virtual void RefreshBars(bool repaint) = 0;
  // The width of the frame ring at the left: where the client area starts in the window.
  virtual int LeftEdge() const = 0;
};

struct TsWindowHandlerSeam {
  // Attaches a framed-window handler painting `window`'s frame from `section` through
  // `binding` (borrowed; it must outlive the handler) and `manager` (null: the binding's).
  // Null when the handler could not be attached.
  std::function<std::unique_ptr<TsFrameHandler>(HWND window, const std::string& section, TsSkinManager* manager,
                                                TsCommonData* binding)>
      AttachFrame;
};
TsWindowHandlerSeam& WindowHandlerSeam();
