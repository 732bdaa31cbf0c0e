#include "skin/dialogs/acDialogWnd.h"

#include "skin/core/sSkinManager.h"
#include "skin/dialogs/acDials.h"

TacDialogWnd::TacDialogWnd(HWND window, TacProvider* provider)
    : TacScrollWnd(window, false, "DIALOG", DefaultManager(), nullptr), provider_(provider) {}

TacDialogWnd::~TacDialogWnd() = default;

void TacDialogWnd::Setup() {}
