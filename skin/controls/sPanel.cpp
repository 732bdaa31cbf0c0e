#include "skin/controls/sPanel.h"

#include "framework/Handles.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/core/sSkinText.h"
#include "skin/paint/Compose.h"

TsPanel::TsPanel(TComponent* owner) : TPanel(owner), skinData_(std::make_unique<TsCommonData>(this, true)) {
  skinData_->ControlKind = COC_TsPanel;
  controlStyle_ |= csOpaque;
  skinData_->Loaded();
}

TsPanel::~TsPanel() = default;

void TsPanel::Loaded() {
  TPanel::Loaded();
  skinData_->Loaded();
}

bool TsPanel::OwnManager(LPARAM manager) const {
  return reinterpret_cast<TsSkinManager*>(manager) == skinData_->SkinManager();
}

RECT TsPanel::CaptionRect() {
  RECT r = ClientRect();
  const int bevels = (BevelInner() != bvNone ? 1 : 0) + (BevelOuter() != bvNone ? 1 : 0);
  InflateRect(&r, -(BorderWidth() + BevelWidth() * bevels), -(BorderWidth() + BevelWidth() * bevels));
  int lineHeight = 0;
  if (TBitmap* cache = skinData_->Cache()) {
    cache->Canvas().Font().Assign(Font());
    lineHeight = cache->Canvas().TextHeight(L"W");
  }
  r.top = (r.top + r.bottom - lineHeight) / 2;
  r.bottom = r.top + lineHeight;
  return r;
}

// ---------------------------------------------------------------- messages

void TsPanel::WndProc(TMessage& message) {
  if (message.Msg == SM_SKINCMD && ManagerCommand(message)) return;
  if (skinData_->Skinned() && skinData_->ControlReady())
    SkinnedMessage(message);
  else
    UnskinnedMessage(message);
}

bool TsPanel::ManagerCommand(TMessage& message) {
  // Read before the children see the message.
  const bool own = OwnManager(message.LParam);
  switch (SkinCommandOf(message.WParam)) {
    case CMD_SKINLOADED:
      BroadcastToChildren(this, message);
      if (own) skinData_->CommonWndProc(message);
      return true;
    case CMD_SKINREMOVED:
      if (own) {
        skinData_->CommonWndProc(message);
        Invalidate();
      }
      BroadcastToChildren(this, message);
      return true;
    case CMD_REPAINT:
      if (own) {
        skinData_->CommonWndProc(message);
        BroadcastToChildren(this, message);
        Repaint();
      } else {
        BroadcastToChildren(this, message);
      }
      return true;
    case CMD_ISSKINNED:
    case CMD_GETAPPLICATION:
      return AnswerSkinnedQuery(message);
    default:
      return false;
  }
}

void TsPanel::SkinnedMessage(TMessage& message) {
  switch (message.Msg) {
    case SM_SKINCMD:
      switch (SkinCommandOf(message.WParam)) {
        case CMD_PARENTDONE:
          if (skinData_->UpdatingFlag) {
            skinData_->UpdatingFlag = false;
            RedrawWindow(handle_, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
          }
          return;
        case CMD_HOLDCACHE:
          skinData_->CacheHeldFlag = SkinArgumentOf(message.WParam) == 1;
          if (skinData_->CacheHeldFlag) GuardedPaint([&] { RebuildPicture(); });
          return;
        case CMD_ISBGBUSY:
          message.LParam = message.Result = skinData_->BackgroundChangedFlag || skinData_->UpdatingFlag ? 1 : 0;
          return;
        default:
          skinData_->CommonWndProc(message);
          return;
      }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TPanel::WndProc(message);
      return;
    case WM_PAINT:
      if (Visible() || IsDesigning()) {
        PaintMessage(message);
        return;
      }
      break;
    case WM_ERASEBKGND:
      message.Result = 1;
      return;
    case WM_PRINT:
      GuardedPaint([&] { PrintMessage(message); });
      return;
    case WM_PRINTCLIENT:
      // The whole picture with its graphic children, once, and no children told.
      GuardedPaint([&] { PaintWhole(reinterpret_cast<HDC>(message.WParam), false); });
      return;
    case CM_VISIBLECHANGED:
      skinData_->BackgroundChangedFlag = true;
      skinData_->UpdatingFlag = false;
      break;
    case CM_TEXTCHANGED:
      if (Parent()) skinData_->Invalidate();
      return;
    default: {
      skinData_->CommonWndProc(message);
      TPanel::WndProc(message);
      if (message.Msg == WM_SETFONT && !Caption().empty()) {
        skinData_->BackgroundChangedFlag = true;
        Repaint();
      } else if (message.Msg == CM_ENABLEDCHANGED) {
        skinData_->Invalidate();
      }
      return;
    }
  }
  TPanel::WndProc(message);
}

void TsPanel::UnskinnedMessage(TMessage& message) {
  switch (message.Msg) {
    case WM_ERASEBKGND:
      if (OnPaint) {
        message.Result = 1;
        return;
      }
      break;
    case WM_PRINT:
      if (OnPaint) {
        TCanvas canvas;
        canvas.SetHandle(reinterpret_cast<HDC>(message.WParam));
        canvas.Font().Assign(Font());
        GuardedPaint([&] { OnPaint(this, canvas); });
        canvas.SetHandle(nullptr);
      }
      return;
    default:
      break;
  }
  TPanel::WndProc(message);
}

void TsPanel::PaintMessage(TMessage& message) {
  controlState_ |= csCustomPaint;
  PaintWithMessageDC(handle_, message, [&](HDC dc) { PaintWhole(dc, true); });
  controlState_ &= ~csCustomPaint;
}

void TsPanel::PrintMessage(TMessage& message) {
  skinData_->UpdatingFlag = false;
  if (!skinData_->ControlReady()) return;
  if (skinData_->BackgroundChangedFlag) {
    RebuildPicture();
    if (OnPaint && skinData_->Cache()) OnPaint(this, skinData_->Cache()->Canvas());
  }
  UpdateCorners(*skinData_, 0);
  PaintWhole(reinterpret_cast<HDC>(message.WParam), false);
}

void TsPanel::Paint() {
  if (OnPaint && !(IsLoading() && Visible())) {
    OnPaint(this, Canvas());
    return;
  }
  TPanel::Paint();
}

void TsPanel::PaintWindow(HDC dc) {
  TPanel::PaintWindow(dc);
  PaintWhole(dc, true);
}

// ---------------------------------------------------------------- the picture

void TsPanel::RebuildPicture() {
  skinData_->PrepareCache();
  TBitmap* cache = skinData_->Cache();
  TsSkinManager* manager = skinData_->SkinManager();
  if (!cache || cache->Empty() || !manager) return;
  const BgInfo bg = skinData_->GetParentBgInfo();

  TPaintItemSource item = ControlPaintSource(*skinData_, *manager, *this);
  PaintItem(item, bg, true, true, cache->View(), TPoint{Left(), Top()}, TsRect{0, 0, Width(), Height()}, 0);

  if (!Caption().empty()) {
    TCanvas& canvas = cache->Canvas();
    canvas.Font().Assign(Font());
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    const RECT r = CaptionRect();
    UINT flags = DT_EXPANDTABS | DT_VCENTER | DT_NOPREFIX;
    flags |= Alignment() == taLeftJustify ? DT_LEFT : Alignment() == taRightJustify ? DT_RIGHT : DT_CENTER;
    DrawSkinText(canvas, Caption(), Enabled(), false, *skinData_, flags, r);
    GdiFlush();
  }
  if (OnPaint) OnPaint(this, cache->Canvas());
  skinData_->BackgroundChangedFlag = false;
}

void TsPanel::PaintWhole(HDC dc, bool notifyChildren) {
  if (IsDestroying() || !skinData_->Skinned() || !dc) return;
  if (Parent() && (Parent()->ControlState() & csCreating)) return;
  skinData_->UpdatingFlag = skinData_->RefreshUpdating();
  if (skinData_->UpdatingFlag) return;
  const bool changed = skinData_->PartlyHiddenFlag || skinData_->BackgroundChangedFlag;
  if (skinData_->DependsOnParent()) {
    RECT clip;
    GetClipBox(dc, &clip);
    skinData_->PartlyHiddenFlag = clip.right - clip.left != Width() || clip.bottom - clip.top != Height();
  } else {
    skinData_->PartlyHiddenFlag = false;
  }
  if (changed && !skinData_->CacheHeldFlag) RebuildPicture();
  PaintToDCExcludingChildren(this, *skinData_, POINT{0, 0}, 0, 0, true, dc, RECT{0, 0, Width(), Height()});
  PaintGraphicChildren(dc, this, POINT{0, 0}, &childBuffer_);
  if (notifyChildren) NotifyChildrenParentDone(this);
}
