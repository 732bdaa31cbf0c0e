#include "skin/controls/sPageControl.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "framework/Forms.h"
#include "framework/Handles.h"
#include "framework/Redraw.h"
#include "skin/controls/sPageControlParts.h"
#include "skin/controls/sUpDown.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"
#include "skin/paint/Pixels.h"
#include "skin/paint/Stretch.h"
#include "skin/paint/gdi/sTextPainting.h"

using namespace page_control_parts;

// ---------------------------------------------------------------- TsTabSheet

TsTabSheet::TsTabSheet(TComponent* owner) : TTabSheet(owner) {}

void TsTabSheet::CreateParams(TCreateParams& params) {
  TTabSheet::CreateParams(params);
  params.classStyle &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TsTabSheet::InvalidateOwner() {
  if (auto* owner = dynamic_cast<TsPageControl*>(PageControl())) owner->SkinData().Invalidate();
}

void TsTabSheet::SetTabSkin(const std::string& section) {
  if (section == tabSkin_) return;
  tabSkin_ = section;
  InvalidateOwner();
}

void TsTabSheet::SetButtonSkin(const std::string& section) {
  if (section == buttonSkin_) return;
  buttonSkin_ = section;
  InvalidateOwner();
}

void TsTabSheet::SetUseCloseBtn(bool on) {
  if (on == useCloseBtn_) return;
  useCloseBtn_ = on;
  InvalidateOwner();
  // Without a skin the close buttons are children of the page control.
  if (auto* owner = dynamic_cast<TsPageControl*>(PageControl())) owner->UpdateScrollerAndButtons();
}

TsPageControl* TsTabSheet::SkinnedOwner() const {
  auto* owner = dynamic_cast<TsPageControl*>(PageControl());
  if (!owner || owner->IsDestroying() || !owner->SkinData().Skinned()) return nullptr;
  return owner;
}

void TsTabSheet::WndProc(TMessage& message) {
  // Errors of handlers run from here (a child's click reflected through this window)
  // go to the framework's standard handler with the window procedure's other errors.
  TsPageControl* owner = message.Msg == SM_SKINCMD || !IsDestroying() ? SkinnedOwner() : nullptr;
  if (message.Msg == SM_SKINCMD && SkinCommand(message, owner)) return;
  if (owner) {
    switch (message.Msg) {
      case WM_ERASEBKGND:
        message.Result = 1;
        return;
      case WM_PAINT:
        if (Showing() && !IsDestroying()) {
          PaintMessage(message, owner);
          return;
        }
        break;
      case WM_PRINTCLIENT:
        if (message.WParam) {
          PaintMessage(message, owner);
          return;
        }
        break;
      case WM_MOUSEMOVE:
        if (TsSkinManager* manager = owner->SkinData().SkinManager()) manager->SetHotWindow(Handle());
        break;
      case WM_PARENTNOTIFY:
        if (LOWORD(message.WParam) == WM_CREATE) AnnounceControl(this);
        break;
      default:
        break;
    }
  }
  TTabSheet::WndProc(message);
}

bool TsTabSheet::SkinCommand(TMessage& message, TsPageControl* owner) {
  auto* control = dynamic_cast<TsPageControl*>(PageControl());
  const bool own = control && reinterpret_cast<TsSkinManager*>(message.LParam) == control->SkinData().SkinManager();
  switch (SkinCommandOf(message.WParam)) {
    case CMD_SKINLOADED:
      BroadcastToChildren(this, message);
      return true;
    case CMD_SKINREMOVED:
    case CMD_REPAINT:
      if (own && handle_ && (SkinCommandOf(message.WParam) == CMD_SKINREMOVED || Showing()))
        RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
      BroadcastToChildren(this, message);
      return true;
    case CMD_ISSKINNED:
    case CMD_GETAPPLICATION:
      return AnswerSkinnedQuery(message);
    default:
      break;
  }
  if (!owner) return false;
  switch (SkinCommandOf(message.WParam)) {
    case CMD_GETBGINFO: {
      TBitmap* cache = owner->SkinData().Cache();
      AnswerBackground(message, cache && !cache->Empty() ? BgInfo{cache->View(), Left(), Top(), true} : BgInfo{});
      message.Result = 1;
      return true;
    }
    case CMD_ISBGBUSY:
      message.LParam = message.Result = AskControl(owner, CMD_ISBGBUSY) ? 1 : 0;
      return true;
    case CMD_ISBGVARIABLE: {
      const TsGeneralData* section = owner->SkinData().Section();
      const bool variable =
          (section && section->GradientPercent + section->ImagePercent >= 1) || owner->SkinData().DependsOnParent();
      message.LParam = message.Result = variable ? 1 : 0;
      return true;
    }
    case CMD_GETCOLOR:
      // The sheet shows its page control's colour; the record is filled here, not passed on.
      if (ColorRecordOf(message)) {
        const TColor color = owner->HandleAllocated() ? AskColor(owner->Handle()) : clFuchsia;
        if (color != clFuchsia) AnswerColor(message, color);
        message.Result = color != clFuchsia ? 1 : 0;
      }
      return true;
    case CMD_PARENTDONE:
      if (missedPaint_ && handle_) {
        missedPaint_ = false;
        RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      }
      return true;
    default:
      return false;
  }
}

void TsTabSheet::PaintMessage(TMessage& message, TsPageControl* owner) {
  PaintWithMessageDC(handle_, message, [&](HDC dc) {
    TsCommonData& binding = owner->SkinData();
    binding.UpdatingFlag = binding.RefreshUpdating();
    TBitmap* cache = binding.Cache();
    if (binding.UpdatingFlag || owner->PaintingSuppressed() || binding.BackgroundChangedFlag || !cache ||
        cache->Empty()) {
      missedPaint_ = true;
      return;
    }
    PaintToDCExcludingChildren(this, binding, POINT{Left(), Top()}, 0, 0, false, dc, RECT{0, 0, Width(), Height()});
    PaintGraphicChildren(dc, this, POINT{0, 0}, &childBuffer_);
    NotifyChildrenParentDone(this);
  });
}

