// Tree view handler: the platform paints the items; the handler takes the section's hot
// colour as the background and paints the frame ring like every framed window.
//
// GUI thread only.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/Graphics.h"
#include "framework/Handles.h"
#include "skin/window/acEditWnd.h"

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
