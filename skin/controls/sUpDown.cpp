#include "skin/controls/sUpDown.h"

#include <algorithm>

#include "skin/core/sCommonData.h"
#include "skin/core/sSkinManager.h"
#include "skin/paint/Compose.h"
#include "skin/paint/Pixels.h"

namespace {

// Drawn under one button picture to find its see-through pixels: a colour no skin uses
// on purpose (blue 255, green 1, red 0).
constexpr TColor kRegionKey = static_cast<TColor>(16711936);

// A filled arrow pointing left (or right) centred in `r`: rows of growing then shrinking
// length, one pixel per row, so the tip is a single pixel and the edges are crisp.
void FillArrow(const TSurfaceView& view, const RECT& r, bool right, TColor color) {
  const int size = std::max(2, static_cast<int>(std::min((r.right - r.left) / 4, (r.bottom - r.top) / 3)));
  const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
  // The arrow's base is `size` pixels away from its tip along x.
  const int tip = right ? cx + size / 2 : cx - size / 2;
  for (int i = 0; i < size; ++i) {
    const int x = right ? tip - i : tip + i;
    FillRectColor(view, TsRect{x, cy - i, x + 1, cy + i + 1}, color);
  }
}

}  // namespace

TsUpDown::TsUpDown(TComponent* owner) : TCustomControl(owner) {}

void TsUpDown::SetSkin(TsSkinManager* manager, const std::string& section, bool cutRegion) {
  manager_ = manager;
  section_ = section;
  cutRegion_ = cutRegion;
  UpdateRegion();
  Invalidate();
}

void TsUpDown::SetRange(int min, int max) {
  min_ = min;
  max_ = std::max(min, max);
  SetPosition(position_);
}

void TsUpDown::SetPosition(int position) {
  const int clamped = std::clamp(position, min_, max_);
  if (clamped == position_) return;
  position_ = clamped;
  Invalidate();
}

RECT TsUpDown::HalfRect(int half) const {
  const int w = Width() / 2;
  return half == 0 ? RECT{0, 0, w, Height()} : RECT{w, 0, 2 * w, Height()};
}

int TsUpDown::HalfAt(POINT p) const {
  for (int half = 0; half < 2; ++half) {
    const RECT r = HalfRect(half);
    if (PtInRect(&r, p)) return half;
  }
  return -1;
}

int TsUpDown::HalfState(int half) const {
  if (pressed_ == half && hot_ == half) return 2;
  return hot_ == half ? 1 : 0;
}

void TsUpDown::SetHot(int half) {
  if (half == hot_) return;
  hot_ = half;
  Invalidate();
}

void TsUpDown::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_ERASEBKGND:
      message.Result = 1;
      return;
    case WM_MOUSEMOVE: {
      SetHot(HalfAt(POINT{static_cast<short>(LOWORD(message.LParam)), static_cast<short>(HIWORD(message.LParam))}));
      TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, Handle(), 0};
      TrackMouseEvent(&track);
      break;
    }
    case WM_MOUSELEAVE:
      SetHot(-1);
      break;
    default:
      break;
  }
  TCustomControl::WndProc(message);
}

void TsUpDown::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != TMouseButton::mbLeft) return;
  pressed_ = HalfAt(POINT{x, y});
  hot_ = pressed_;
  if (pressed_ < 0) return;
  const int before = position_;
  SetPosition(position_ + (pressed_ == 0 ? -increment_ : increment_));
  Repaint();
  if (position_ != before && OnChanged) OnChanged(*this, position_);
}

void TsUpDown::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == TMouseButton::mbLeft && pressed_ >= 0) {
    pressed_ = -1;
    Invalidate();
  }
  TCustomControl::MouseUp(button, shift, x, y);
}

void TsUpDown::MouseCaptureLost() {
  TCustomControl::MouseCaptureLost();
  pressed_ = -1;
  Invalidate();
}

// ---------------------------------------------------------------- painting

void TsUpDown::Paint() {
  HDC dc = Canvas().Handle();
  if (!dc || Width() <= 0 || Height() <= 0) return;
  TBitmap picture(Width(), Height());
  const BgInfo bg = TsCommonData::GetWindowParentBgInfo(Handle());
  try {
    for (int half = 0; half < 2; ++half) PaintHalf(picture, half, bg);
  } catch (...) {
    // Nothing raises out of painting: what was drawn is shown.
  }
  GdiFlush();
  BitBlt(dc, 0, 0, Width(), Height(), picture.Canvas().Handle(), 0, 0, SRCCOPY);
}

void TsUpDown::PaintHalf(TBitmap& picture, int half, const BgInfo& bg) {
  RECT r = HalfRect(half);
  const int state = HalfState(half);
  const bool canMove = half == 0 ? position_ > min_ : position_ < max_;
  const int index = manager_ ? manager_->SectionIndex(section_) : -1;
  if (index < 0) {
    // No skin: the platform's push buttons with its own arrows.
    UINT look = (half == 0 ? DFCS_SCROLLLEFT : DFCS_SCROLLRIGHT) | (state == 2 ? DFCS_PUSHED : 0);
    if (!canMove) look |= DFCS_INACTIVE;
    DrawFrameControl(picture.Canvas().Handle(), &r, DFC_SCROLL, look);
    return;
  }
  const TSurfaceView view = picture.View();
  const TsSkinTables& skin = manager_->Tables();
  // The surface's origin lies at the up-down's place in the parent's picture.
  PaintSection(index, section_, bg, -1, -1, &skin, view, TPoint{Left(), Top()},
               TsRect{r.left, r.top, r.right, r.bottom}, state, true);
  const TsGeneralData& data = skin.SectionTable[static_cast<size_t>(index)];
  TColor ink = static_cast<TColor>(SkinColorToRGB(state != 0 ? data.HotFontColor[0] : data.FontColor[0]));
  if (!canMove) ink = MixColor(ink, static_cast<TColor>(SkinColorToRGB(data.Color)), 0.4);
  RECT arrow = r;
  if (state == 2) OffsetRect(&arrow, 1, 1);
  FillArrow(view, arrow, half == 1, ink);
}

void TsUpDown::UpdateRegion() {
  if (!HandleAllocated()) return;
  const int index = manager_ ? manager_->SectionIndex(section_) : -1;
  const int border = index >= 0 ? manager_->MaskIndex(index, section_, "BORDERSMASK") : -1;
  const int w = Width() / 2, h = Height();
  if (!cutRegion_ || border < 0 || !manager_->IsMaskIndexValid(border) || w <= 0 || h <= 0) {
    if (hasRegion_) SetWindowRgn(Handle(), nullptr, TRUE);
    hasRegion_ = false;
    return;
  }
  // One button drawn over the key colour: what is left of the key is see-through.
  TBitmap button(w, h);
  const TSurfaceView view = button.View();
  FillRectColor(view, TsRect{0, 0, w, h}, kRegionKey);
  const BgInfo keyed{view, 0, 0, true};
  PaintSection(index, section_, keyed, -1, -1, &manager_->Tables(), view, TPoint{0, 0}, TsRect{0, 0, w, h}, 0, true);
  TRegionHandle region = NewRectRegion(0, 0, 0, 0);
  if (!region) return;
  for (int half = 0; half < 2; ++half)
    for (const TsRect& piece : KeyRegion(view, kRegionKey)) {
      TRegionHandle part = NewRectRegion(piece.Left + half * w, piece.Top, piece.Right + half * w, piece.Bottom);
      if (part) CombineRgn(region.Get(), region.Get(), part.Get(), RGN_OR);
    }
  // The window owns the region once it is given.
  if (SetWindowRgn(Handle(), region.Get(), TRUE)) {
    (void)region.Release();
    hasRegion_ = true;
  }
}
