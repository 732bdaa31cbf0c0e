#include "skin/controls/sButton.h"

#include "framework/Redraw.h"
#include "framework/Forms.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"
#include "skin/core/sSkinText.h"
#include "skin/paint/gdi/sTextPainting.h"

namespace {

// The application's ShowHint, switched off while the left button is held on a button.
struct THintSlot {
  bool saved = true;
  bool off = false;
};
THintSlot gHints;

void HintsOff() {
  if (gHints.off || !Application) return;
  gHints.saved = Application->ShowHint();
  Application->SetShowHint(false);
  gHints.off = true;
}

void HintsBack() {
  if (!gHints.off || !Application) return;
  Application->SetShowHint(gHints.saved);
  gHints.off = false;
}

}  // namespace

TsButton::TsButton(TComponent* owner) : TButton(owner), skinData_(std::make_unique<TsCommonData>(this, true)) {
  skinData_->ControlKind = COC_TsButton;
  controlStyle_ &= ~csOpaque;
  skinData_->Loaded();
}

TsButton::~TsButton() { StopAnyFade(); }

void TsButton::BeforeDestruction() {
  StopAnyFade();
  HintsBack();
  TButton::BeforeDestruction();
}

void TsButton::Loaded() {
  TButton::Loaded();
  if (TBitmap* cache = skinData_->Cache()) cache->Canvas().Font().Assign(Font());
  skinData_->Loaded();
}

void TsButton::SetDisabledKind(TsDisabledKind kind) {
  if (kind == disabledKind_) return;
  disabledKind_ = kind;
  skinData_->Invalidate();
}

void TsButton::SetDown(bool on) {
  if (on == storedDown_) return;
  storedDown_ = on;
  pressed_ = on;
  regionFlag_ = true;
  skinData_->BackgroundChangedFlag = true;
  Repaint();
}

void TsButton::SetWordWrap(bool on) {
  if (on == wordWrap_) return;
  wordWrap_ = on;
  skinData_->Invalidate();
}

void TsButton::SetButtonStyle(bool defaultLook) {
  TButton::SetButtonStyle(defaultLook);
  // The hot look follows the default button.
  skinData_->Invalidate();
}

bool TsButton::OwnManager(LPARAM manager) const {
  return reinterpret_cast<TsSkinManager*>(manager) == skinData_->SkinManager();
}

void TsButton::StopAnyFade() {
  if (fadeTimer_) StopFade(fadeTimer_, *skinData_);
}

// ---------------------------------------------------------------- state

int TsButton::SkinState() const {
  // Held: pressed by the left button here and not yet released (the capture is ours).
  const bool held = pressed_ && wentDownHere_ && handle_ && GetCapture() == handle_;
  if (Down() && (skinData_->MouseOverFlag || !held)) return 2;
  const bool defaultStyle = handle_ && ButtonType(GetWindowLongPtrW(handle_, GWL_STYLE)) == BS_DEFPUSHBUTTON;
  if (defaultStyle || skinData_->IsActive() || (IsDesigning() && Default())) return 1;
  return 0;
}

// ---------------------------------------------------------------- messages

void TsButton::WndProc(TMessage& message) {
  if (message.Msg == WM_KILLFOCUS && IsDestroying()) return;
  if (message.Msg == SM_SKINCMD && AnyStateCommand(message)) return;
  if (!skinData_->Skinned() || !skinData_->ControlReady()) {
    CallFramework(message);
    return;
  }
  if (SkinnedMessage(message)) return;
  DefaultHandling(message);
  AfterDefault(message);
}

void TsButton::CallFramework(TMessage& message) { TButton::WndProc(message); }

bool TsButton::AnyStateCommand(TMessage& message) {
  switch (SkinCommandOf(message.WParam)) {
    case CMD_SKINLOADED:
    case CMD_REPAINT:
      if (!OwnManager(message.LParam)) return true;
      StopAnyFade();
      skinData_->CommonWndProc(message);
      regionFlag_ = true;
      if (SkinCommandOf(message.WParam) == CMD_REPAINT) Repaint();
      return true;
    case CMD_SKINREMOVED:
      if (!OwnManager(message.LParam)) return true;
      StopAnyFade();
      skinData_->CommonWndProc(message);
      pendingRegion_.Reset();
      if (handle_) SetWindowRgn(handle_, nullptr, TRUE);
      Repaint();
      return true;
    case CMD_ISSKINNED:
    case CMD_GETAPPLICATION:
      return AnswerSkinnedQuery(message);
    case CMD_STOPFADE:
      StopAnyFade();
      return true;
    case CMD_PREPARECACHE:
      RebuildPicture();
      return false;
    case CMD_DRAWFADEFRAME:
      // The fade shows its frame itself; the window keeps its current shape meanwhile.
      pendingRegion_.Reset();
      return false;
    default:
      return false;
  }
}

bool TsButton::SkinnedMessage(TMessage& message) {
  switch (message.Msg) {
    case SM_SKINCMD:
      switch (SkinCommandOf(message.WParam)) {
        case CMD_PARENTDONE:
          if (!skinData_->UpdatingFlag) return false;
          skinData_->UpdatingFlag = false;
          Repaint();
          return true;
        case CMD_HOLDCACHE:
          skinData_->CacheHeldFlag = SkinArgumentOf(message.WParam) == 1;
          if (skinData_->CacheHeldFlag) RebuildPicture();
          return true;
        default:
          return false;
      }
    case WM_PAINT:
    case WM_PRINT:
    case WM_PRINTCLIENT:
      PaintMessage(message);
      return true;
    case WM_ERASEBKGND:
    case WM_UPDATEUISTATE:
      message.Result = 0;
      return true;
    case WM_ENABLE:
    case BM_SETSTATE:
    case CN_DRAWITEM:
    case CN_CTLCOLORBTN:
      return true;
    case WM_MOVE: {
      const TsGeneralData* section = skinData_->Section();
      if (section && (section->Transparency > 0 || (skinData_->IsActive() && section->HotTransparency > 0))) {
        skinData_->BackgroundChangedFlag = true;
        Repaint();
      }
      return false;
    }
    case WM_SIZE:
      regionFlag_ = true;
      return false;
    case WM_WINDOWPOSCHANGED:
      regionFlag_ = true;
      skinData_->BackgroundChangedFlag = true;
      return false;
    case WM_SETFOCUS:
    case CM_ENTER:
      if (!Visible() || IsDesigning()) return false;
      FocusGained(message);
      return true;
    case WM_KILLFOCUS:
    case CM_EXIT:
      if (!Visible() || IsDesigning()) return false;
      if (!Enabled()) return false;
      FocusLost(message);
      return true;
    case CM_TEXTCHANGED:
      skinData_->BackgroundChangedFlag = true;
      Repaint();
      return true;
    case CM_DIALOGCHAR:
      DialogChar(message);
      return false;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      if (message.LParam == reinterpret_cast<LPARAM>(this) && Enabled() && !IsDesigning())
        PointerMoved(message.Msg == CM_MOUSEENTER);
      return false;
    case CM_UIACTIVATE:
      skinData_->UpdatingFlag = false;
      return false;
    default:
      return false;
  }
}

void TsButton::DefaultHandling(TMessage& message) {
  skinData_->CommonWndProc(message);
  CallFramework(message);
}

void TsButton::AfterDefault(const TMessage& message) {
  switch (message.Msg) {
    case WM_SETFONT:
      skinData_->UpdatingFlag = false;
      skinData_->Invalidate();
      break;
    case CM_VISIBLECHANGED:
      skinData_->BackgroundChangedFlag = true;
      Repaint();
      break;
    case CM_ENABLEDCHANGED:
      if (Visible()) {
        skinData_->UpdatingFlag = false;
        skinData_->Invalidate();
      }
      break;
    default:
      break;
  }
}

void TsButton::FocusGained(TMessage& message) {
  if (!Enabled()) return;
  {
    const TRedrawOff quiet(handle_);
    DefaultHandling(message);
  }
  skinData_->FocusedFlag = true;
  skinData_->Invalidate();
}

void TsButton::FocusLost(TMessage& message) {
  pressed_ = false;
  StopAnyFade();
  {
    const TRedrawOff quiet(handle_);
    DefaultHandling(message);
  }
  skinData_->FocusedFlag = false;
  regionFlag_ = true;
  skinData_->Invalidate();
}

void TsButton::DialogChar(const TMessage& message) {
  if (message.WParam != VK_SPACE || !Focused() || !Enabled()) return;
  StopAnyFade();
  pressed_ = true;
  regionFlag_ = true;
  skinData_->BackgroundChangedFlag = true;
  Repaint();
}

void TsButton::PointerMoved(bool entered) {
  skinData_->MouseOverFlag = entered;
  StartChange(false, entered ? aeMouseEnter : aeMouseLeave);
}

void TsButton::StartChange(bool shortFade, int event) {
  regionFlag_ = true;
  ChangeLook(fadeTimer_, *skinData_, shortFade, skinData_->IsActive() ? 1 : 2, IsAnimated(event, animatEvents_));
}

// ---------------------------------------------------------------- mouse and keyboard

void TsButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (skinData_->Skinned() && Enabled() && !IsDesigning()) {
    wentDownHere_ = true;
    if (button == TMouseButton::mbLeft) {
      HintsOff();
      if (!Down()) {
        pressed_ = true;
        skinData_->UpdatingFlag = skinData_->RefreshUpdating();
        StartChange(true, aeMouseDown);
      }
    }
  }
  TButton::MouseDown(button, shift, x, y);
}

void TsButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (!skinData_->Skinned() || !Enabled() || IsDesigning()) {
    TButton::MouseUp(button, shift, x, y);
    return;
  }
  if (button == TMouseButton::mbLeft) HintsBack();
  if (!wentDownHere_ || IsDestroying()) return;
  wentDownHere_ = false;
  if (button == TMouseButton::mbLeft) {
    if (fadeTimer_ && fadeTimer_->Level < fadeTimer_->StepCount) {
      StopAnyFade();
      skinData_->BackgroundChangedFlag = true;
      Repaint();
    }
    pressed_ = false;
    const RECT r = ClientRect();
    if (PtInRect(&r, POINT{x, y})) Click();
    try {
      StartChange(true, aeMouseUp);
    } catch (...) {
      // The framework's processing still runs.
    }
  }
  TButton::MouseUp(button, shift, x, y);
}

void TsButton::KeyUp(WORD& key, TShiftState shift) {
  if (key == VK_SPACE && Down() && skinData_->Skinned()) {
    pressed_ = false;
    skinData_->BackgroundChangedFlag = true;
    Repaint();
    Click();
  }
  TButton::KeyUp(key, shift);
}

// ---------------------------------------------------------------- painting

void TsButton::PaintMessage(TMessage& message) {
  PaintWithMessageDC(handle_, message, [&](HDC dc) { PaintTo(dc); });
}

void TsButton::PaintTo(HDC dc) {
  skinData_->UpdatingFlag = skinData_->RefreshUpdating();
  if (skinData_->UpdatingFlag || (fadeTimer_ && fadeTimer_->FadeMode != 0)) return;
  if (skinData_->PartlyHiddenFlag || (Parent() && AskControl(Parent(), CMD_ISHALFVISIBLE)))
    skinData_->BackgroundChangedFlag = true;
  if (Parent()) {
    const RECT client = Parent()->ClientRect();
    const bool topLeftIn = Left() >= client.left && Top() >= client.top;
    const bool bottomRightIn = Left() + Width() <= client.right + 1 && Top() + Height() <= client.bottom + 1;
    skinData_->PartlyHiddenFlag = !(topLeftIn && bottomRightIn);
  }
  if (skinData_->BackgroundChangedFlag && !skinData_->CacheHeldFlag) RebuildPicture();
  if (regionFlag_) GiveRegion(dc);
  TBitmap* cache = skinData_->Cache();
  if (cache && !cache->Empty())
    BitBlt(dc, 0, 0, Width(), Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
}

void TsButton::GiveRegion(HDC dc) {
  const int state = SkinState();
  UpdateCorners(*skinData_, state);
  TsSkinManager* manager = skinData_->SkinManager();
  TBitmap* cache = skinData_->Cache();
  if (manager && cache && !cache->Empty() && manager->IsMaskIndexValid(skinData_->BorderMaskIndex)) {
    // The corners first, so the shape never shows an old corner.
    const TsMaskData& mask = manager->Tables().MaskTable[static_cast<size_t>(skinData_->BorderMaskIndex)];
    HDC source = cache->Canvas().Handle();
    const int w = Width(), h = Height();
    BitBlt(dc, 0, 0, mask.WL, mask.WT, source, 0, 0, SRCCOPY);
    BitBlt(dc, 0, h - mask.WB, mask.WL, mask.WB, source, 0, h - mask.WB, SRCCOPY);
    BitBlt(dc, w - mask.WR, 0, mask.WR, mask.WT, source, w - mask.WR, 0, SRCCOPY);
    BitBlt(dc, w - mask.WR, h - mask.WB, mask.WR, mask.WB, source, w - mask.WR, h - mask.WB, SRCCOPY);
  }
  if (IsDesigning() || !pendingRegion_) return;
  if (Parent() && (Parent()->ControlState() & csAlignmentNeeded)) return;
  // The window owns the region from here on.
  if (SetWindowRgn(handle_, pendingRegion_.Get(), FALSE)) (void)pendingRegion_.Release();
  pendingRegion_.Reset();
  regionFlag_ = false;
}

void TsButton::RebuildPicture() {
  TsSkinManager* manager = skinData_->SkinManager();
  if (!manager || !skinData_->Skinned()) return;
  const int state = SkinState();
  const BgInfo bg = skinData_->GetParentBgInfo();
  skinData_->PrepareCache();
  TBitmap* cache = skinData_->Cache();
  if (!cache || cache->Empty()) return;

  TPaintItemSource item = ControlPaintSource(*skinData_, *manager, *this);
  item.BorderIndex = -1;  // the border goes on below, with the region cut-outs
  const TSurfaceView view = cache->View();
  PaintItem(item, bg, true, true, view, TPoint{Left(), Top()}, TsRect{0, 0, Width(), Height()}, state);

  std::vector<TsRect> removed;
  const TMaskRef border = MaskRef(manager->Tables(), skinData_->BorderMaskIndex);
  if (border.Valid()) PaintBorderRegion(view, removed, true, state, border);
  if (regionFlag_) {
    TRegionHandle region = NewRectRegion(0, 0, Width(), Height());
    for (const TsRect& cut : removed) {
      TRegionHandle piece = NewRectRegion(cut.Left, cut.Top, cut.Right, cut.Bottom);
      if (region && piece) CombineRgn(region.Get(), region.Get(), piece.Get(), RGN_DIFF);
    }
    // One pending region at most: the one it replaces is deleted here.
    pendingRegion_ = std::move(region);
  }

  DrawCaption(cache->Canvas(), state);
  if (!Enabled()) {
    const BgInfo again = skinData_->GetParentBgInfo();
    ApplyDisabledLook(view, disabledKind_, static_cast<TColor>(ColorToRGB(Color())), TPoint{Left(), Top()}, again);
  }
  skinData_->BackgroundChangedFlag = false;
}

void TsButton::DrawCaption(TCanvas& canvas, int state) {
  canvas.Font().Assign(Font());
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  const String caption = Caption();
  UINT measure = DT_CENTER | DT_EXPANDTABS | (wordWrap_ ? DT_WORDBREAK : DT_SINGLELINE);
  RECT calc{0, 0, caption.empty() ? 0 : Width() - 2, 0};
  canvas.DrawText(caption, calc, measure | DT_CALCRECT);
  const int w = calc.right - calc.left, h = calc.bottom - calc.top;
  const int dx = (Width() - w) / 2, dy = (Height() - h) / 2;
  RECT r{dx - 1, dy, Width() - dx + 2, Height() - dy};
  if (state == 2) OffsetRect(&r, 1, 1);
  if (caption.empty()) return;
  const bool hot = skinData_->IsActive() || (IsDesigning() && Default()) || storedDown_;
  UINT format = DT_CENTER | DT_EXPANDTABS | (wordWrap_ ? DT_WORDBREAK : 0);
  DrawSkinText(canvas, caption, true, hot, *skinData_, format, r);
  const TsGeneralData* section = skinData_->Section();
  if (Enabled() && Focused() && section && section->ShowFocus && ShowsFocusFrame()) {
    InflateRect(&r, focusMargin_, focusMargin_);
    DrawFocusDots(canvas, r);
  }
  GdiFlush();
}
