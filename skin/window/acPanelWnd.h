// Panel handlers.
//
// `TacPanelWnd` paints a framework TPanel that has no binding of its own ("PANEL"
// section): the section picture in the binding's cache (rebuilt when the background
// changed or the panel was partly hidden), its caption in the skin's font colours, copied
// around the windowed children, with the non-windowed children painted over it. It
// answers for its children as a skinned container does.
//
// `TacTransPanelWnd` gives a dialog nested in a dialog, or a folder-browser pane, the
// parent's picture under the section ("CHECKBOX") as its background; the window paints
// its own content over it.
#pragma once

#include "skin/window/acMainWnd.h"

class TacPanelWnd : public TacMainWnd {
public:
  using TacMainWnd::TacMainWnd;

  void WndProc(TMessage& message) override;
  // The panel's picture in the binding's cache.
  virtual void BuildCache();

protected:
  void PaintTo(HDC dc) override;
  bool PaintsClient() const override { return true; }

private:
  TWinControl* Panel() const { return dynamic_cast<TWinControl*>(TargetControl()); }
};

class TacTransPanelWnd : public TacMainWnd {
public:
  using TacMainWnd::TacMainWnd;

  void WndProc(TMessage& message) override;

private:
  void PaintBackground();
};
