#include "skin/window/acTreeViewWnd.h"

#include <commctrl.h>

#include <algorithm>

#include "framework/Handles.h"
#include "framework/Messages.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/core/sSkinText.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"
#include "skin/paint/Pixels.h"
#include "skin/paint/gdi/sTextPainting.h"
#include "skin/window/acHandlerPaint.h"

// ---------------------------------------------------------------- TacTreeViewWnd

TacTreeViewWnd::~TacTreeViewWnd() { Shutdown(); }

TColor TacTreeViewWnd::BackColor() const {
  const TsGeneralData* section = Binding() ? Binding()->Section() : nullptr;
  if (DialogMode() || !section) return static_cast<TColor>(ColorToRGB(clWindow));
  return SkinColorToRGB(section->HotColor);
}

void TacTreeViewWnd::RestoreParams() {
  TacEditWnd::RestoreParams();
  if (IsWindow(Window())) SendMessageW(Window(), TVM_SETBKCOLOR, 0, static_cast<LPARAM>(ColorToRGB(clWindow)));
}

void TacTreeViewWnd::ApplyParams() {
  MarkParamsApplied();
  if (!Binding()) return;
  const TsGeneralData* section = Binding()->Section();
  if (!DialogMode() && section) {
    if (TControl* control = Binding()->OwnerControl()) {
      const TColor font = SkinColorToRGB(section->HotFontColor[0]);
      if (control->Font().Color() != font) control->Font().SetColor(font);
      if (static_cast<TColor>(ColorToRGB(control->Color())) == SkinColorToRGB(section->HotColor)) return;
    }
  }
  SendMessageW(Window(), TVM_SETBKCOLOR, 0, static_cast<LPARAM>(BackColor()));
}

void TacTreeViewWnd::WndProc(TMessage& message) {
  if (Destroyed() || !Binding() || !Skinned() || message.Msg != WM_ERASEBKGND) {
    TacEditWnd::WndProc(message);
    if (!Destroyed() && message.Msg == WM_LBUTTONUP) ReleaseCapture();
    return;
  }
  message.Result = 0;
  Binding()->UpdatingFlag = Binding()->RefreshUpdating();
  if (Binding()->UpdatingFlag) return;
  if (Binding()->BackgroundChangedFlag) PrepareWindowCache(*Binding(), Window(), DialogMode());
  TWindowDC own;
  const HDC dc = GivenOrWindowDC(reinterpret_cast<HDC>(message.WParam), Window(), own);
  if (!dc) return;
  RECT r{};
  GetWindowRect(Window(), &r);
  TBrushHandle brush = NewSolidBrush(static_cast<COLORREF>(BackColor()));
  const RECT all{0, 0, r.right - r.left, r.bottom - r.top};
  FillRect(dc, &all, brush.Get());
}

