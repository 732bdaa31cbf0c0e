// Handlers of a dialog's static windows ("CHECKBOX" section): a static text drawn over the
// section picture in the skin's font colours, a static icon drawn over it, and a link
// window whose text the platform keeps drawing.
//
// Each paint composes the picture in the binding's cache and copies it in one block. The
// text font is the platform's message font, made once per handler and freed with it.
#pragma once

#include <memory>

#include "skin/window/acMainWnd.h"

class TacStaticWnd : public TacMainWnd {
public:
  using TacMainWnd::TacMainWnd;

  void WndProc(TMessage& message) override;
  // Draws the window's content over the section picture in the cache.
  virtual void DrawContent();

protected:
  // The window's WM_PAINT is the platform's own (link windows).
  virtual bool PlatformPaints() const { return false; }
  void PaintTo(HDC dc) override;
  bool PaintsClient() const override { return !PlatformPaints(); }

private:
  void Repaint();
  // The message font of the platform; none when it cannot be read.
  const TFont* MessageFont();

  std::unique_ptr<TFont> messageFont_;
  bool fontRead_ = false;
};

class TacIconWnd : public TacStaticWnd {
public:
  using TacStaticWnd::TacStaticWnd;
  // The window's icon (STM_GETICON) at the cache's top left.
  void DrawContent() override;
};

class TacLinkWnd : public TacStaticWnd {
public:
  using TacStaticWnd::TacStaticWnd;
  void DrawContent() override {}

protected:
  bool PlatformPaints() const override { return true; }
};
