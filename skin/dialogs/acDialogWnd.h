// The dialog handler: the skinned frame, caption, caption buttons, system menu and client
// background of a platform dialog window ("#32770"), made by the dialog's `TacProvider`.
#pragma once

#include <windows.h>

#include "skin/window/acScrollWnd.h"

class TacProvider;

class TacDialogWnd : public TacScrollWnd {
public:
  // `provider`: the record that owns this handler.
  TacDialogWnd(HWND window, TacProvider* provider);
  ~TacDialogWnd() override;

  // Run once after the provider has given the child windows their handlers.
  void Setup();
  TacProvider* Provider() const { return provider_; }

private:
  TacProvider* provider_;
};
