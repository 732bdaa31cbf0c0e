#include "skin/window/acPanelWnd.h"

#include "framework/Forms.h"
#include "framework/Handles.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinText.h"
#include "skin/window/acHandlerPaint.h"

// ---------------------------------------------------------------- TacPanelWnd

void TacPanelWnd::BuildCache() {
  TWinControl* panel = Panel();
  TBitmap* cache = Binding()->Cache();
  if (!panel || !cache) return;
  Binding()->PrepareCache();
  if (cache->Empty()) return;
  const BgInfo bg = Binding()->GetParentBgInfo();
  TPaintItemSource item = PaintSourceOf(*Binding(), *Manager());
  item.HasParent = panel->Parent() != nullptr;
  item.ParentColor = panel->Parent() ? static_cast<TColor>(ColorToRGB(panel->Parent()->Color())) : clFuchsia;
  item.QueryParentColor = [panel] { return QueryControlColor(panel->Parent()); };
  PaintItem(item, bg, false, false, cache->View(), TPoint{panel->Left(), panel->Top()},
            TsRect{0, 0, panel->Width(), panel->Height()}, 0);
  // The framework panel's caption stays visible: centred in the skin's font colours.
  if (const String caption = panel->Caption(); !caption.empty()) {
    TCanvas& canvas = cache->Canvas();
    canvas.Font().Assign(panel->Font());
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    DrawSkinText(canvas, caption, panel->Enabled(), false, *Binding(),
                 DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_EXPANDTABS | DT_NOPREFIX, panel->ClientRect());
    GdiFlush();
  }
  Binding()->BackgroundChangedFlag = false;
}

void TacPanelWnd::PaintTo(HDC dc) {
  TWinControl* panel = Panel();
  if (!panel || panel->IsDestroying() || !Binding()->Skinned()) return;
  if (panel->Parent() && (panel->Parent()->ControlState() & csCreating)) return;
  if (!IsWindowVisible(Window())) return;
  const TSavedDC state(dc);
  Binding()->UpdatingFlag = Binding()->RefreshUpdating();
  if (Binding()->UpdatingFlag) return;
  GuardedPaint([&] {
    const bool rebuild = Binding()->PartlyHiddenFlag || Binding()->BackgroundChangedFlag;
    if (Binding()->DependsOnParent()) {
      RECT clip{};
      GetClipBox(dc, &clip);
      Binding()->PartlyHiddenFlag =
          clip.right - clip.left != panel->Width() || clip.bottom - clip.top != panel->Height();
    } else {
      Binding()->PartlyHiddenFlag = false;
    }
    if (rebuild && !Binding()->CacheHeldFlag) BuildCache();
    PaintToDCExcludingChildren(panel, *Binding(), POINT{0, 0}, 0, 0, true, dc,
                               RECT{0, 0, panel->Width(), panel->Height()});
    PaintGraphicChildren(dc, panel, POINT{0, 0});
  });
  NotifyChildrenParentDone(panel);
}

void TacPanelWnd::WndProc(TMessage& message) {
  if (Destroyed() || !Skinned() || !Panel()) {
    TacMainWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case SM_SKINCMD:
      switch (SkinCommandOf(message.WParam)) {
        case CMD_SKINLOADED: BroadcastToChildren(Panel(), message); break;
        case CMD_ISSKINNED: AnswerSkinnedQuery(message); return;
        case CMD_GETAPPLICATION: AnswerSkinnedQuery(message); return;
        default: break;
      }
      break;
    case WM_PAINT:
    case WM_PRINT:
    case WM_PRINTCLIENT: PaintMessage(message); return;
    case WM_SETTEXT:
      if (!IsWindowVisible(Window())) break;
      WithoutRedraw(*this, [&] { TacMainWnd::WndProc(message); });
      if (Destroyed()) return;
      Binding()->BackgroundChangedFlag = true;
      RepaintNow();
      return;
    case WM_ERASEBKGND:
    case WM_NCPAINT:
    case WM_UPDATEUISTATE: message.Result = 1; return;
    case WM_PARENTNOTIFY:
      TacMainWnd::WndProc(message);
      if (LOWORD(message.WParam) == WM_CREATE && !Destroyed()) AnnounceControl(Panel());
      return;
    default: break;
  }
  TacMainWnd::WndProc(message);
}

// ---------------------------------------------------------------- TacTransPanelWnd

void TacTransPanelWnd::PaintBackground() {
  MeasureWindow();
  TWindowDC dc = TWindowDC::Of(Window());
  if (!dc.Get()) return;
  Binding()->BackgroundChangedFlag = true;
  SendSkinCommand(Window(), CMD_PREPARECACHE, 0);
  GuardedPaint([&] {
    PaintWindowToDCExcludingChildren(Window(), *Binding(), POINT{0, 0}, dc.Get(),
                                     RECT{0, 0, WindowSize().cx, WindowSize().cy});
  });
}

void TacTransPanelWnd::WndProc(TMessage& message) {
  if (Destroyed() || !Skinned()) {
    TacMainWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_ERASEBKGND:
      // No BeginPaint here: it would validate the window before its own WM_PAINT runs.
      PaintBackground();
      message.Result = 1;
      return;
    case WM_NCPAINT: message.Result = 0; return;
    default: break;
  }
  TacMainWnd::WndProc(message);
}
