#include "framework/CustomControls.h"

namespace {
// Lends a control's canvas the DC of one paint request, with the control's font; the
// canvas lets go of the DC however painting ends.
class TPaintCanvas {
public:
  TPaintCanvas(TCanvas& canvas, HDC dc, const TFont& font) : canvas_(canvas) {
    canvas_.SetHandle(dc);
    canvas_.Font().Assign(font);
  }
  ~TPaintCanvas() { canvas_.SetHandle(nullptr); }
  TPaintCanvas(const TPaintCanvas&) = delete;
  TPaintCanvas& operator=(const TPaintCanvas&) = delete;

private:
  TCanvas& canvas_;
};
}  // namespace

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) {}

void TGraphicControl::WndProc(TMessage& message) {
  if (message.Msg == WM_PAINT) {
    const TPaintCanvas lent(canvas_, reinterpret_cast<HDC>(message.WParam), font_);
    Paint();
    return;
  }
  TControl::WndProc(message);
}

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) {}

void TCustomControl::PaintWindow(HDC dc) {
  const TPaintCanvas lent(canvas_, dc, font_);
  Paint();
}
