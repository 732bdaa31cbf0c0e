#include "skin/window/acEditWnd.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <vector>

#include "framework/Handles.h"
#include "framework/Messages.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/core/sSkinText.h"
#include "skin/core/sWindowHandlers.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"
#include "skin/paint/Pixels.h"
#include "skin/paint/gdi/sTextPainting.h"

namespace {

void NcPaintIfVisible(HWND window) {
  if (IsWindowVisible(window)) SendMessageW(window, WM_NCPAINT, 1, 0);
}

bool OwnCommand(const TMessage& message, WORD command, const TsSkinManager* manager) {
  return IsSkinCommand(message, command) && reinterpret_cast<TsSkinManager*>(message.LParam) == manager;
}

// A control's view of the TacEditWnd on its window. The handler is nobody's: it frees
// itself through Detach, so this keeps it alive exactly as long as the view lives.
class TEditFrameHandler final : public TsFrameHandler {
public:
  explicit TEditFrameHandler(TacEditWnd* handler) : handler_(handler) {}
  ~TEditFrameHandler() override { handler_->Detach(true); }

  bool Serves(HWND window) const override { return !handler_->Destroyed() && handler_->Window() == window; }
  void RefreshBars(bool repaint) override { handler_->RefreshBars(repaint); }
  int LeftEdge() const override { return handler_->LeftEdge; }

private:
  TacEditWnd* handler_;
};

std::unique_ptr<TsFrameHandler> AttachEditFrame(HWND window, const std::string& section, TsSkinManager* manager,
                                                TsCommonData* binding) {
  auto handler = TacMainWnd::Create<TacEditWnd>(window, true, section, manager, binding);
  if (!handler) return nullptr;
  auto view = std::make_unique<TEditFrameHandler>(handler.get());
  handler.release();  // the view detaches it, and it frees itself
  return view;
}

}  // namespace

void UseWindowHandlers() { WindowHandlerSeam().AttachFrame = AttachEditFrame; }

// ---------------------------------------------------------------- TacBaseWnd

void TacBaseWnd::WndProc(TMessage& message) {
  if (Destroyed() || !Binding() || !Skinned()) {
    TacScrollWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case SM_SKINCMD:
      if (OwnCommand(message, CMD_REPAINT, Manager())) {
        TacScrollWnd::WndProc(message);
        if (!Destroyed()) NcPaintIfVisible(Window());
        return;
      }
      if (IsSkinCommand(message, CMD_PREPARECACHE)) PrepareWindowCache(*Binding(), Window(), false);
      break;
    case WM_SIZE: Binding()->BackgroundChangedFlag = true; break;
    case WM_SETCURSOR: message.Result = CallOld(message); return;
    case OCM_KEYDOWN: message.Result = 0; return;
    default: break;
  }
  TacScrollWnd::WndProc(message);
  AfterBase(message);
}

void TacBaseWnd::AfterBase(const TMessage& message) {
  if (Destroyed()) return;
  switch (message.Msg) {
    case WM_SIZE:
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (!SendingScroll()) RefreshBars(true);
      break;
    case WM_ENABLE:
    case CM_ENABLEDCHANGED: NcPaintIfVisible(Window()); break;
    default: break;
  }
}

// ---------------------------------------------------------------- TacEditWnd: colours

// RestoreParams runs while the final class is still whole.
TacEditWnd::~TacEditWnd() { Shutdown(); }

void TacEditWnd::SaveParams() {
  if (TControl* control = Binding() ? Binding()->OwnerControl() : nullptr) {
    KeepSavedColors(control->Color(), control->Font().Color());
  }
}

void TacEditWnd::ApplyParams() {
  NoStyleChange = true;
  MarkParamsApplied();
  const TsGeneralData* section = Binding() ? Binding()->Section() : nullptr;
  if (TControl* control = Binding() ? Binding()->OwnerControl() : nullptr) {
    if (section && !Binding()->CustomColor()) {
      if (section->Transparency > 0) {
        TColor color = clFuchsia;
        if (TWinControl* parent = control->Parent()) {
          const TColor asked = parent->HandleAllocated() ? AskColor(parent->Handle()) : clFuchsia;
          color = asked != clFuchsia ? asked : parent->Color();
        }
        if (color != clFuchsia) control->SetColor(static_cast<TColor>(ColorToRGB(color)));
      } else if (control->Color() != SkinColorToRGB(section->Color)) {
        control->SetColor(SkinColorToRGB(section->Color));
      }
    }
    if (section && !Binding()->CustomFont()) {
      const TColor font = SkinColorToRGB(section->HotFontColor[0]);
      if (control->Font().Color() != font) {
        const bool was = Binding()->UpdatingFlag;
        Binding()->UpdatingFlag = true;
        control->Font().SetColor(font);
        Binding()->UpdatingFlag = was;
      }
    }
  } else {
    EditColor = clWindow;
    if (!DialogMode() && section) EditColor = SkinColorToRGB(section->Color);
    EditFrameColor = clBlack;
  }
  if (Binding()) Binding()->BackgroundChangedFlag = true;
  NoStyleChange = false;
}

void TacEditWnd::RestoreParams() {
  if (IsWindow(Window()))
    SetWindowPos(Window(), nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
  TControl* control = Binding() ? Binding()->OwnerControl() : nullptr;
  if (!control || control->IsDestroying()) return;
  if (SavedColor() != clFuchsia) control->SetColor(SavedColor());
  if (SavedFontColor() != clFuchsia) control->Font().SetColor(SavedFontColor());
}

// ---------------------------------------------------------------- TacEditWnd: messages

bool TacEditWnd::Updating() {
  Binding()->UpdatingFlag = Binding()->RefreshUpdating();
  return Binding()->UpdatingFlag;
}

void TacEditWnd::WndProc(TMessage& message) {
  if (Destroyed() || !Binding() || !Skinned()) {
    TacBaseWnd::WndProc(message);
    return;
  }
  const bool visible = IsWindowVisible(Window()) != 0;
  switch (message.Msg) {
    case SM_SKINCMD:
      switch (SkinCommandOf(message.WParam)) {
        case CMD_REPAINT:
          if (reinterpret_cast<TsSkinManager*>(message.LParam) == Manager()) ApplyParams();
          TacBaseWnd::WndProc(message);
          return;
        case CMD_PARENTDONE:
          if (Binding()->RefreshUpdating()) {
            Binding()->UpdatingFlag = false;
            RedrawWindow(Window(), nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
          }
          TacBaseWnd::WndProc(message);
          return;
        case CMD_ISSKINNED: AnswerSkinnedQuery(message); return;
        case CMD_PREPARECACHE:
          PrepareWindowCache(*Binding(), Window(), DialogMode());
          RepairCorners(0);
          return;
        case CMD_GETSKININDEX: message.Result = Binding()->SectionIndex + 1; return;
        case CMD_GETAPPLICATION: AnswerSkinnedQuery(message); return;
        default: break;
      }
      break;
    case WM_PAINT:
    case WM_ERASEBKGND:
      if (!visible) break;
      if (Updating()) {
        // Validated without painting: the parent or the manager is busy.
        if (message.Msg == WM_PAINT) TPaintDC paint = TPaintDC::Begin(Window());
        message.Result = message.Msg == WM_ERASEBKGND ? 1 : 0;
        return;
      }
      if (!ParamsApplied()) ApplyParams();
      break;
    case WM_NCPAINT:
      if (!visible) break;
      NcPaint(message);
      return;
    case WM_PRINT: Print(message); return;
    case EM_SETCHARFORMAT:
      if (Binding()->RefreshUpdating()) {
        message.Result = 0;
        return;
      }
      break;
    default: break;
  }
  TacBaseWnd::WndProc(message);
  AfterEdit(message);
}

void TacEditWnd::AfterEdit(const TMessage& message) {
  if (Destroyed()) return;
  switch (message.Msg) {
    case WM_SIZE: NcPaintIfVisible(Window()); break;
    case EM_REPLACESEL:
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_SETTOPINDEX:
    // The platform's SetScrollInfo draws its own bar over ours when the count changes.
    case LB_DELETESTRING:
    case LB_RESETCONTENT: RefreshBars(true); break;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_LBUTTONDOWN:
    case CN_KEYDOWN:
    case CN_KEYUP:
      if (!SendingScroll()) RefreshBars(true);
      break;
    default: break;
  }
}

void TacEditWnd::PrepareFrame() {
  if (Binding()->BackgroundChangedFlag) {
    if (!ParamsApplied()) ApplyParams();
    PrepareWindowCache(*Binding(), Window(), DialogMode());
    RepairCorners(0);
  }
  if (!DialogMode()) RepairCorners(0);
}

bool TacEditWnd::PaintFrame(HDC dc) {
  TBitmap* cache = Binding()->Cache();
  if (!dc || !cache || cache->Empty()) return false;
  const TSavedDC state(dc);
  CopyBorderRing(dc, 0, 0, LeftEdge, 0, 0, cache->Canvas().Handle(), cache->Height(), cache->Width());
  PaintBars(dc);
  return true;
}

void TacEditWnd::NcPaint(TMessage& message) {
  UpdateGeometry();
  message.Result = 0;
  if (Updating()) return;
  try {
    PrepareFrame();
    TWindowDC window = TWindowDC::Of(Window());
    PaintFrame(window.Get());
  } catch (...) {
    // A frame that cannot be drawn stays as it was.
  }
}

void TacEditWnd::Print(TMessage& message) {
  auto dc = reinterpret_cast<HDC>(message.WParam);
  Binding()->UpdatingFlag = false;
  Binding()->BackgroundChangedFlag = true;
  UpdateGeometry();
  try {
    if (!ParamsApplied()) ApplyParams();
    PrepareWindowCache(*Binding(), Window(), DialogMode());
    if (!DialogMode()) RepairCorners(0);
    PaintFrame(dc);
  } catch (...) {
    // The client area is still printed below.
  }
  TBitmap* cache = Binding()->Cache();
  if (dc && cache && !cache->Empty()) {
    const TSavedDC state(dc);
    POINT origin{};
    GetWindowOrgEx(dc, &origin);
    SetWindowOrgEx(dc, origin.x - LeftEdge, origin.y - LeftEdge, nullptr);
    const int width = cache->Width() - 2 * LeftEdge - (VertBar->Shown ? VertBar->Thickness() : 0);
    const int height = cache->Height() - 2 * LeftEdge - (HorzBar->Shown ? HorzBar->Thickness() : 0);
    IntersectClipRect(dc, 0, 0, width, height);
    // The platform's own client painting, into the print's DC.
    SendMessageW(Window(), WM_ERASEBKGND, message.WParam, 0);
    SendMessageW(Window(), WM_PRINTCLIENT, message.WParam, PRF_CLIENT | PRF_OWNED);
  }
  // Frame, bars and client are drawn: the window's own procedure prints the rest (children,
  // owned windows) only.
  message.LParam &= ~static_cast<LPARAM>(PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
  message.Result = CallOld(message);
}
