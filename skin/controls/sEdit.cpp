#include "skin/controls/sEdit.h"

#include "framework/Handles.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/core/sSkinText.h"
#include "skin/paint/Compose.h"
#include "skin/paint/gdi/sTextPainting.h"

TsEdit::TsEdit(TComponent* owner)
    : TEdit(owner),
      skinData_(std::make_unique<TsCommonData>(this, true)),
      boundLabel_(std::make_unique<TsBoundLabel>(*this)) {
  skinData_->ControlKind = COC_TsEdit;
  skinData_->Loaded();
}

// The bound label (and its label) goes first, while the edit is still whole.
TsEdit::~TsEdit() { boundLabel_.reset(); }

void TsEdit::Loaded() {
  TEdit::Loaded();
  skinData_->Loaded();
}

void TsEdit::SetDisabledKind(TsDisabledKind kind) {
  if (kind == disabledKind_) return;
  disabledKind_ = kind;
  skinData_->Invalidate();
}

int TsEdit::BorderWidth() const {
  if (BorderStyle() != bsNone) return Ctl3D() ? 2 : 1;
  return (BevelInner() != bvNone ? 1 : 0) + (BevelOuter() != bvNone ? 1 : 0);
}

int TsEdit::TextInset() const {
  int inset = BorderStyle() == bsNone ? 0 : (Ctl3D() ? 2 : 1);
  if (BevelKind() != bkNone) inset += (BevelOuter() != bvNone ? 1 : 0) + (BevelInner() != bvNone ? 1 : 0);
  return inset;
}

bool TsEdit::OwnManager(LPARAM manager) const {
  return reinterpret_cast<TsSkinManager*>(manager) == skinData_->SkinManager();
}

// ---------------------------------------------------------------- messages

void TsEdit::WndProc(TMessage& message) {
  if (message.Msg == SM_SKINCMD && AnyStateCommand(message)) return;
  if (!skinData_->Skinned() || !skinData_->ControlReady()) {
    CallFramework(message);
    return;
  }
  if (SkinnedMessage(message)) return;
  DefaultHandling(message);
  AfterDefault(message);
}

void TsEdit::CallFramework(TMessage& message) {
  TEdit::WndProc(message);
  boundLabel_->ControlChanged(message);
}

bool TsEdit::AnyStateCommand(TMessage& message) {
  switch (SkinCommandOf(message.WParam)) {
    case CMD_SKINLOADED:
    case CMD_SKINREMOVED:
      if (OwnManager(message.LParam)) skinData_->CommonWndProc(message);
      return true;
    case CMD_REPAINT:
      if (!OwnManager(message.LParam)) return true;
      skinData_->CommonWndProc(message);
      if (handle_) RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
      return true;
    case CMD_ISSKINNED:
    case CMD_GETAPPLICATION:
      return AnswerSkinnedQuery(message);
    case CMD_ISBGVARIABLE:
      message.LParam = message.Result = 0;
      return true;
    default:
      return false;
  }
}

bool TsEdit::SkinnedMessage(TMessage& message) {
  switch (message.Msg) {
    case WM_PAINT:
      PaintClient(message);
      return true;
    case WM_NCPAINT:
      PaintRing();
      message.Result = 0;
      return true;
    case WM_PRINT:
      Print(message);
      return true;
    case WM_ERASEBKGND:
      message.Result = 1;
      return true;
    case CN_DRAWITEM:
      return true;
    case CM_COLORCHANGED:
      if (skinData_->CustomColor()) skinData_->BackgroundChangedFlag = true;
      return false;
    default:
      return false;
  }
}

void TsEdit::DefaultHandling(TMessage& message) {
  skinData_->CommonWndProc(message);
  CallFramework(message);
}

void TsEdit::AfterDefault(const TMessage& message) {
  switch (message.Msg) {
    case SM_SKINCMD:
      switch (SkinCommandOf(message.WParam)) {
        case CMD_PARENTDONE:
          if (!skinData_->UpdatingFlag) break;
          skinData_->UpdatingFlag = false;
          Repaint();
          SendMessageW(handle_, WM_NCPAINT, 1, 0);
          break;
        case CMD_HOLDCACHE:
          if (skinData_->CacheHeldFlag) RebuildPicture();
          break;
        default:
          break;
      }
      break;
    case WM_SIZE:
      SendMessageW(handle_, WM_NCPAINT, 1, 0);
      break;
    case WM_KILLFOCUS:
    case CM_EXIT:
      skinData_->FocusedFlag = false;
      skinData_->MouseOverFlag = false;
      LookChanged();
      break;
    // The hot look starts and ends at once, not at the platform's next paint.
    case WM_SETFOCUS:
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      LookChanged();
      break;
    case WM_SETFONT:
    case WM_SETTEXT:
    case CM_VISIBLECHANGED:
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
      if (IsLoading()) break;
      skinData_->Invalidate();
      SendMessageW(handle_, WM_NCPAINT, 1, 0);
      break;
    default:
      break;
  }
}

void TsEdit::LookChanged() {
  skinData_->BackgroundChangedFlag = true;
  if (!Visible() || !handle_) return;
  // Client and ring together: the client takes the colours of the new look as it paints.
  RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
}

// ---------------------------------------------------------------- painting

void TsEdit::PickColors() {
  const TsGeneralData* section = skinData_->Section();
  if (!section) return;
  const bool hot = skinData_->IsActive();
  const TColor color = SkinColorToRGB(hot ? section->HotColor : section->Color);
  const TColor fontColor = SkinColorToRGB(hot ? section->HotFontColor[0] : section->FontColor[0]);
  if (!skinData_->CustomColor() && Color() != color) SetColor(color);
  if (!skinData_->CustomFont() && Font().Color() != fontColor) Font().SetColor(fontColor);
}

void TsEdit::PaintClient(TMessage& message) {
  skinData_->UpdatingFlag = skinData_->RefreshUpdating();
  if (skinData_->UpdatingFlag) {
    // Validated, nothing drawn: the parent or the manager is busy.
    TPaintDC paint = TPaintDC::Begin(handle_);
    return;
  }
  try {
    PickColors();
  } catch (...) {
    // The platform still paints, in the colours it has.
  }
  DefaultHandling(message);
}

void TsEdit::PaintRing() {
  skinData_->UpdatingFlag = skinData_->RefreshUpdating();
  if (skinData_->UpdatingFlag) return;
  try {
    TWindowDC window = TWindowDC::Of(handle_);
    if (!window) return;
    const TSavedDC state(window.Get());
    if (skinData_->BackgroundChangedFlag) RebuildPicture();
    UpdateCorners(*skinData_, 0);
    TBitmap* cache = skinData_->Cache();
    if (!cache || cache->Empty()) return;
    CopyBorderRing(window.Get(), 0, 0, BorderWidth(), 0, 0, cache->Canvas().Handle(), Height(), Width());
  } catch (...) {
    // Painting never raises: what was drawn stays.
  }
}

void TsEdit::Print(TMessage& message) {
  HDC dc = reinterpret_cast<HDC>(message.WParam);
  const int border = BorderWidth();
  try {
    skinData_->UpdatingFlag = false;
    RebuildPicture();
    UpdateCorners(*skinData_, 0);
    TBitmap* cache = skinData_->Cache();
    if (dc && cache && !cache->Empty()) {
      CopyBorderRing(dc, 0, 0, border, 0, 0, cache->Canvas().Handle(), Height(), Width());
      skinData_->UpdatingFlag = skinData_->RefreshUpdating();
      if (!skinData_->UpdatingFlag) {
        if (skinData_->PartlyHiddenFlag || (Parent() && AskControl(Parent(), CMD_ISHALFVISIBLE)))
          skinData_->BackgroundChangedFlag = true;
        if (Parent()) {
          const RECT client = Parent()->ClientRect();
          skinData_->PartlyHiddenFlag = !(Left() >= client.left && Top() >= client.top &&
                                          Left() + Width() <= client.right + 1 && Top() + Height() <= client.bottom + 1);
        }
        if (skinData_->BackgroundChangedFlag) RebuildPicture();
        UpdateCorners(*skinData_, 0);
        BitBlt(dc, 0, 0, Width(), Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
      }
    }
  } catch (...) {
    // The platform still prints its client area.
  }
  if (dc) {
    POINT old{};
    GetWindowOrgEx(dc, &old);
    SetWindowOrgEx(dc, old.x - border, old.y - border, nullptr);
    IntersectClipRect(dc, 0, 0, Width() - 2 * border, Height() - 2 * border);
  }
  // The ring is ours: the platform prints its client area only.
  message.LParam &= ~static_cast<LPARAM>(PRF_NONCLIENT | PRF_ERASEBKGND);
  DefaultHandling(message);
}

void TsEdit::RebuildPicture() {
  TsSkinManager* manager = skinData_->SkinManager();
  if (!manager || !skinData_->Skinned()) return;
  const bool hot = skinData_->IsActive();
  skinData_->PrepareCache();
  TBitmap* cache = skinData_->Cache();
  if (!cache || cache->Empty()) return;
  const BgInfo bg = skinData_->GetParentBgInfo();

  TPaintItemSource item = ControlPaintSource(*skinData_, *manager, *this);
  const TSurfaceView view = cache->View();
  PaintItem(item, bg, true, true, view, TPoint{Left(), Top()}, TsRect{0, 0, Width(), Height()}, hot ? 1 : 0);

  PaintText(cache->Canvas(), hot);
  if (!Enabled()) {
    const BgInfo again = skinData_->GetParentBgInfo();
    ApplyDisabledLook(view, disabledKind_, static_cast<TColor>(ColorToRGB(Color())), TPoint{Left(), Top()}, again);
  }
  skinData_->BackgroundChangedFlag = false;
}

void TsEdit::PaintText(TCanvas& canvas, bool hot) {
  canvas.Font().Assign(Font());
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  const int inset = TextInset();
  const RECT r{inset + 1, inset + 1, Width() - inset, Height() - inset};
  String text = Text();
  if (PasswordChar() != 0) text.assign(text.size(), PasswordChar());
  DrawSkinText(canvas, text, true, hot, *skinData_, DT_NOPREFIX | DT_SINGLELINE | DT_WORDBREAK, r);
  GdiFlush();
}
