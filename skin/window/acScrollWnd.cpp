#include "skin/window/acScrollWnd.h"

#include <windowsx.h>

#include <algorithm>

#include "framework/Messages.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"
#include "skin/paint/Pixels.h"
#include "skin/paint/Stretch.h"
#include "skin/window/acHandlerPaint.h"

namespace {

int Along(const POINT& p, int kind) { return kind == SB_HORZ ? p.x : p.y; }
int StartOf(const RECT& r, int kind) { return kind == SB_HORZ ? r.left : r.top; }
int LengthOf(const RECT& r, int kind) { return kind == SB_HORZ ? r.right - r.left : r.bottom - r.top; }
bool Across(const RECT& r, const POINT& p, int kind) {
  return kind == SB_HORZ ? p.y >= r.top && p.y < r.bottom : p.x >= r.left && p.x < r.right;
}
UINT ScrollMessageOf(int kind) { return kind == SB_HORZ ? WM_HSCROLL : WM_VSCROLL; }
int KindOfHit(WPARAM hit) { return hit == HTHSCROLL ? SB_HORZ : hit == HTVSCROLL ? SB_VERT : -1; }

// A drop-down list of a combo box that is not a simple one: its capture is the combo box's.
bool IsDropDownList(HWND window) {
  wchar_t name[32]{};
  GetClassNameW(window, name, 32);
  if (lstrcmpiW(name, L"ComboLBox") != 0) return false;
  const HWND combo = GetParent(window);
  return !combo || ComboType(GetWindowLongW(combo, GWL_STYLE)) != CBS_SIMPLE;
}

// One skin part (a section with its masks) over `rect` of `view`; `origin` is where the
// view's (0, 0) lies in the window's picture `bg`.
struct TPartIndexes {
  int section, border, pattern, hotPattern, glyph;
};

void PaintScrollPart(const TsSkinTables& skin, const TPartIndexes& part, const TSurfaceView& view, TsRect rect,
                     int state, const BgInfo& bg, TPoint origin) {
  if (IsEmptyRect(rect)) return;
  PaintPart(part.section, part.border, part.pattern, part.hotPattern, &skin, view,
            TPoint{origin.x + rect.Left, origin.y + rect.Top}, rect, state, true, bg, std::string());
  const TMaskRef glyph = MaskRef(skin, part.glyph);
  if (!glyph.Valid()) return;
  const TPoint at{rect.Left + (rect.Width() - glyph.FrameWidth()) / 2, rect.Top + (rect.Height() - glyph.FrameHeight()) / 2};
  PaintGlyphMask(view, at, state, glyph, true);
}

// The part rectangle [from, to) along a bar of `thickness` in a picture of the bar.
TsRect Span(int kind, int from, int to, int thickness) {
  return kind == SB_HORZ ? TsRect{from, 0, to, thickness} : TsRect{0, from, thickness, to};
}

}  // namespace

// ---------------------------------------------------------------- pure geometry

TacThumb ThumbGeometry(const SCROLLINFO& info, int barStart, int barLength, int arrowLength, int minThumbSize) {
  const int track = barLength - 2 * arrowLength;
  const int range = info.nMax - info.nMin + 1;
  int size = arrowLength;
  if (info.nPage != 0 && range > 0) size = std::max(MulDiv(static_cast<int>(info.nPage), track, range), minThumbSize);
  int offset = 0;
  if (range > 0) {
    const int page = std::max(static_cast<int>(info.nPage), 1);
    offset = MulDiv(info.nPos - info.nMin, track - size, range - page);
    offset = std::max(0, std::min(offset, track - size));
  }
  return TacThumb{barStart + arrowLength + offset, size};
}

int PartAt(int along, bool inside, int barLength, int arrowLength, const TacThumb& thumb) {
  if (!inside || along < 0 || along >= barLength) return spNone;
  const int arrow = 2 * arrowLength >= barLength ? barLength / 2 : arrowLength;
  if (along < arrow) return spFirstArrow;
  if (along >= barLength - arrow) return spSecondArrow;
  if (thumb.Size >= barLength - 2 * arrowLength) return spNone;
  if (along >= thumb.Pos && along < thumb.Pos + thumb.Size) return spThumb;
  if (along < thumb.Pos) return spPageBefore;
  if (along >= thumb.Pos + thumb.Size) return spPageAfter;
  return spNone;
}

int TrackPosition(const SCROLLINFO& info, int offset, int trackLength, int thumbSize) {
  const int range = info.nMax - info.nMin;
  const int page = static_cast<int>(info.nPage);
  const int pixels = range < 1 ? offset : MulDiv(offset, range - page + 1, trackLength - thumbSize);
  // The last position shows the last page; a zero page still ends at nMax.
  const int last = std::max(info.nMin, info.nMax - std::max(page, 1) + 1);
  return std::clamp(info.nMin + pixels, info.nMin, last);
}

// ---------------------------------------------------------------- bars

TacScrollTracking& ScrollTracking() {
  static TacScrollTracking state;
  return state;
}

TacScrollBar::TacScrollBar(TacScrollWnd& owner, int kind) : Kind(kind), Owner(&owner) {
  Info.cbSize = sizeof(SCROLLINFO);
  Info.fMask = SIF_ALL;
}

int TacScrollBar::Thickness() const { return GetSystemMetrics(Kind == SB_HORZ ? SM_CYHSCROLL : SM_CXVSCROLL); }

int TacScrollBar::SystemArrowLength() { return GetSystemMetrics(SM_CXHSCROLL); }

int TacScrollBar::SkinnedArrowLength() const {
  const int system = SystemArrowLength();
  TsSkinManager* manager = Owner && Owner->Binding() ? Owner->Binding()->SkinManager() : nullptr;
  if (!manager) return system;
  const TsStandardIndexes& s = manager->StandardIndexes();
  const int left = s.ScrollButtonSections[2];
  if (!manager->IsSectionIndexValid(left) || !manager->Tables().SectionTable[static_cast<size_t>(left)].ReservedBoolean)
    return system;
  const int border = Kind == SB_HORZ ? s.ScrollButtonBorders[2] : s.ScrollButtonBorders[0];
  if (!manager->IsMaskIndexValid(border)) return system;
  const TMaskRef mask = MaskRef(manager->Tables(), border);
  return std::max(system, Kind == SB_HORZ ? mask.FrameWidth() : mask.FrameHeight());
}

void TacScrollBar::Refresh() {
  Info.cbSize = sizeof(SCROLLINFO);
  Info.fMask = SIF_ALL;
  if (!Owner || !GetScrollInfo(Owner->Window(), Kind, &Info)) {
    Info.nMin = Info.nMax = Info.nPos = Info.nTrackPos = 0;
    Info.nPage = 0;
  }
}

bool TacScrollBar::Active() const {
  SCROLLBARINFO info{};
  info.cbSize = sizeof(info);
  if (!Owner || !GetScrollBarInfo(Owner->Window(), Kind == SB_HORZ ? OBJID_HSCROLL : OBJID_VSCROLL, &info))
    return false;
  // Some platforms mark a bar disabled with EnableScrollBar only on its two arrows.
  const bool arrowsOff = (info.rgstate[1] & STATE_SYSTEM_UNAVAILABLE) && (info.rgstate[5] & STATE_SYSTEM_UNAVAILABLE);
  return (info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) == 0 && !arrowsOff;
}

// ---------------------------------------------------------------- life

TacScrollWnd::TacScrollWnd(HWND window, bool refreshFrame, const std::string& section, TsSkinManager* manager,
                           TsCommonData* binding)
    : TacMainWnd(window, refreshFrame, section, manager, binding),
      HorzBar(std::make_unique<TacScrollBar>(*this, SB_HORZ)),
      VertBar(std::make_unique<TacScrollBar>(*this, SB_VERT)) {}

void TacScrollWnd::Start() {
  PrepareStart();
  HorzBar->Refresh();
  VertBar->Refresh();
  LeftScrollBar = (GetWindowLongW(Window(), GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) != 0;
  const LONG style = GetWindowLongW(Window(), GWL_STYLE);
  HorzBar->Flags = (style & WS_HSCROLL) ? SBF_INSTYLE : 0;
  VertBar->Flags = (style & WS_VSCROLL) ? SBF_INSTYLE : 0;
  Attach();
  if (RefreshFrameAtStart()) RedrawFrame(Window(), true);
}

TacScrollWnd::~TacScrollWnd() {
  const bool attached = !Destroyed();
  if (ThisTracks()) {
    if (ScrollTracking().PressedPart != spNone) EndPress(true);
    ForgetHover();
  }
  Shutdown();
  // The platform takes its own bars back.
  if (attached && IsWindow(Window())) RedrawFrame(Window(), true);
}

TacScrollBar* TacScrollWnd::GetBarOf(HWND window, int kind) {
  auto* handler = dynamic_cast<TacScrollWnd*>(HandlerOf(window));
  if (!handler || (kind != SB_HORZ && kind != SB_VERT)) return nullptr;
  return &handler->Bar(kind);
}

bool TacScrollWnd::ThisTracks() const { return ScrollTracking().TrackWnd == Window() && Window(); }

// ---------------------------------------------------------------- geometry

RECT TacScrollWnd::HorzBarRect() const {
  RECT w{};
  GetWindowRect(Window(), &w);
  const int vertical = VertBar->Shown ? VertBar->Thickness() : 0;
  RECT r{};
  r.left = w.left + LeftEdge + (LeftScrollBar ? vertical : 0);
  r.right = w.right - RightEdge - (LeftScrollBar ? 0 : vertical);
  r.bottom = w.bottom - BottomEdge;
  r.top = r.bottom - (HorzBar->Shown ? HorzBar->Thickness() : 0);
  return r;
}

RECT TacScrollWnd::VertBarRect() const {
  RECT w{};
  GetWindowRect(Window(), &w);
  const int thickness = VertBar->Shown ? VertBar->Thickness() : 0;
  RECT r{};
  r.top = w.top + TopEdge;
  r.bottom = w.bottom - BottomEdge - (HorzBar->Shown ? HorzBar->Thickness() : 0);
  if (LeftScrollBar) {
    r.left = w.left + LeftEdge;
    r.right = r.left + thickness;
  } else {
    r.right = w.right - RightEdge;
    r.left = r.right - thickness;
  }
  return r;
}

bool TacScrollWnd::AtGripCorner() const {
  const HWND parent = GetParent(Window());
  if (!parent || (GetWindowLongW(parent, GWL_STYLE) & WS_CHILD)) return false;
  RECT client{};
  GetClientRect(parent, &client);
  MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&client), 2);
  RECT w{};
  GetWindowRect(Window(), &w);
  if (w.right != client.right || w.bottom != client.bottom) return false;
  return !LeftScrollBar || w.left == client.left;
}

// ---------------------------------------------------------------- frame

void TacScrollWnd::OnNcCalcSize(TMessage& message) {
  auto* rect = reinterpret_cast<RECT*>(message.LParam);  // rgrc[0] when WParam is set
  if (!rect) {
    message.Result = CallOld(message);
    return;
  }
  const RECT proposed = *rect;
  const LONG style = GetWindowLongW(Window(), GWL_STYLE);
  if (style & (WS_HSCROLL | WS_VSCROLL)) {
    // The platform computes the frame without its bars; the room is reserved below.
    NoStyleChange = true;
    SetWindowLongW(Window(), GWL_STYLE, style & ~(WS_HSCROLL | WS_VSCROLL));
    message.Result = CallOld(message);
    SetWindowLongW(Window(), GWL_STYLE, style);
    NoStyleChange = false;
  } else {
    message.Result = CallOld(message);
  }
  LeftEdge = rect->left - proposed.left;
  TopEdge = rect->top - proposed.top;
  RightEdge = proposed.right - rect->right;
  BottomEdge = proposed.bottom - rect->bottom;

  HorzBar->Flags = (style & WS_HSCROLL) ? SBF_INSTYLE : 0;
  HorzBar->Shown = HorzBar->Flags == SBF_INSTYLE && rect->bottom - rect->top >= HorzBar->Thickness();
  if (HorzBar->Shown) rect->bottom -= HorzBar->Thickness();
  VertBar->Flags = (style & WS_VSCROLL) ? SBF_INSTYLE : 0;
  VertBar->Shown = VertBar->Flags == SBF_INSTYLE && rect->right - rect->left >= VertBar->Thickness();
  if (VertBar->Shown) {
    if (LeftScrollBar)
      rect->left += VertBar->Thickness();
    else
      rect->right -= VertBar->Thickness();
  }
}

int TacScrollWnd::OnNcHitTest(POINT p) {
  const RECT h = HorzBarRect(), v = VertBarRect();
  if (HorzBar->Shown && PtInRect(&h, p)) return HorzBar->Active() ? HTHSCROLL : HTNOWHERE;
  if (VertBar->Shown && PtInRect(&v, p)) return VertBar->Active() ? HTVSCROLL : HTNOWHERE;
  if (HorzBar->Shown && VertBar->Shown) {
    const RECT box = LeftScrollBar ? RECT{v.left, h.top, h.left, h.bottom} : RECT{h.right, h.top, v.right, h.bottom};
    if (PtInRect(&box, p) && AtGripCorner()) return HTBOTTOMRIGHT;
  }
  return -1;
}

// ---------------------------------------------------------------- painting

void TacScrollWnd::RefreshBars(bool repaint) {
  HorzBar->Refresh();
  VertBar->Refresh();
  if (repaint) PaintBars();
}

void TacScrollWnd::PaintBars(HDC dc) {
  if (!Skinned() || !IsWindowVisible(Window()) || Binding()->UpdatingFlag) return;
  if (TControl* control = TargetControl(); control && (control->ControlState() & csCreating)) return;
  if (Binding()->BackgroundChangedFlag) SendSkinCommand(Window(), CMD_PREPARECACHE, 0);
  TWindowDC own;
  dc = GivenOrWindowDC(dc, Window(), own);
  if (!dc) return;
  const TacScrollTracking& t = ScrollTracking();
  GuardedPaint([&] {
    PaintBar(SB_HORZ, dc, -1, t.PressedKind == SB_HORZ ? t.ShownPressedPart : spNone);
    PaintBar(SB_VERT, dc, -1, t.PressedKind == SB_VERT ? t.ShownPressedPart : spNone);
    if (HorzBar->Shown && VertBar->Shown) PaintSizeBox(dc);
  });
}

TBitmap& TacScrollWnd::Picture(int slot, int width, int height) {
  std::unique_ptr<TBitmap>& picture = pictures_[slot];
  if (!picture) picture = std::make_unique<TBitmap>();
  picture->SetPixelFormat(TPixelFormat::pf24bit);
  if (width > 0 && (picture->Width() != width || picture->Height() != height)) picture->SetSize(width, height);
  return *picture;
}

void TacScrollWnd::ComposeBar(int kind, const RECT& r, int thumbPos, int thumbSize, bool drawThumb, int pressedPart,
                              int firstState, int secondState, int thumbState) {
  TsSkinManager* manager = Binding()->SkinManager();
  const TsSkinTables& skin = manager->Tables();
  const TsStandardIndexes& s = manager->StandardIndexes();
  const bool horz = kind == SB_HORZ;
  const int w = r.right - r.left, h = r.bottom - r.top;
  const int length = horz ? w : h, thickness = horz ? h : w;
  const TSurfaceView view = Picture(kind, w, h).View();

  const BgInfo bg = AskBackground(Window());
  const TPoint origin{bg.X + r.left, bg.Y + r.top};
  const BgInfo at0{bg.Bmp, 0, 0, bg.Ready};

  const int t1 = horz ? 0 : 1, t2 = horz ? 2 : 3, b1 = horz ? 2 : 0, b2 = horz ? 3 : 1, sl = horz ? 1 : 0;
  const TPartIndexes track1{s.ScrollBarSections[t1], s.ScrollBarBorders[t1], s.ScrollBarPatterns[t1], s.ScrollBarHotPatterns[t1], -1};
  const TPartIndexes track2{s.ScrollBarSections[t2], s.ScrollBarBorders[t2], s.ScrollBarPatterns[t2], s.ScrollBarHotPatterns[t2], -1};
  const TPartIndexes first{s.ScrollButtonSections[b1], s.ScrollButtonBorders[b1], s.ScrollButtonPatterns[b1],
                           s.ScrollButtonHotPatterns[b1], s.ScrollButtonGlyphs[b1]};
  const TPartIndexes second{s.ScrollButtonSections[b2], s.ScrollButtonBorders[b2], s.ScrollButtonPatterns[b2],
                            s.ScrollButtonHotPatterns[b2], s.ScrollButtonGlyphs[b2]};
  const TPartIndexes thumb{s.SliderSections[sl], s.SliderBorders[sl], s.SliderPatterns[sl], s.SliderHotPatterns[sl],
                           s.SliderGlyphs[sl]};

  const int arrow = Bar(kind).SkinnedArrowLength();
  if (length > 2 * arrow) {
    const int split = std::clamp(thumbPos + thumbSize / 2, 0, length);
    PaintScrollPart(skin, track1, view, Span(kind, 0, split, thickness), pressedPart == spPageBefore ? 2 : 0, at0, origin);
    PaintScrollPart(skin, track2, view, Span(kind, split, length, thickness), pressedPart == spPageAfter ? 2 : 0, at0,
                    origin);
    PaintScrollPart(skin, first, view, Span(kind, 0, arrow, thickness), firstState, at0, origin);
    PaintScrollPart(skin, second, view, Span(kind, length - arrow, length, thickness), secondState, at0, origin);
    if (drawThumb)
      PaintScrollPart(skin, thumb, view, Span(kind, thumbPos, thumbPos + thumbSize, thickness), thumbState, at0, origin);
  } else {
    const int half = length / 2;
    PaintScrollPart(skin, track1, view, Span(kind, 0, half, thickness), 0, at0, origin);
    PaintScrollPart(skin, track2, view, Span(kind, half, length, thickness), 0, at0, origin);
    PaintScrollPart(skin, first, view, Span(kind, 0, half, thickness), firstState, at0, origin);
    PaintScrollPart(skin, second, view, Span(kind, half, length, thickness), secondState, at0, origin);
  }
}

void TacScrollWnd::PaintBar(int kind, HDC dc, int thumbOverride, int pressedPart) {
  TacScrollBar& bar = Bar(kind);
  TsSkinManager* manager = Binding()->SkinManager();
  if (!bar.Shown || !manager) return;
  const TsStandardIndexes& s = manager->StandardIndexes();
  const int firstTrack = s.ScrollBarSections[kind == SB_HORZ ? 0 : 1];
  if (!manager->IsSectionIndexValid(firstTrack)) return;
  RECT window{};
  GetWindowRect(Window(), &window);
  RECT r = BarRect(kind);
  OffsetRect(&r, -window.left, -window.top);
  const int length = LengthOf(r, kind);
  if (length < 2) return;
  TacScrollTracking& t = ScrollTracking();
  const bool tracks = ThisTracks();

  if (ThumbTracking && tracks && t.PressedKind == kind) {
    // The tracking picture: the thumb where the pointer holds it, pressed.
    ComposeBar(kind, r, trackThumb_, t.GrabThumbSize, true, spNone, 0, 0, 2);
  } else {
    bar.Refresh();
    TControl* control = TargetControl();
    const bool enabled = bar.Active() && (!control || control->Enabled());
    if (!tracks) pressedPart = spNone;
    auto arrowState = [&](int part) {
      if (!tracks) return 0;
      if (pressedPart == part) return 2;
      return t.HoverKind == kind && t.HoverPart == part && enabled ? 1 : 0;
    };
    const int system = TacScrollBar::SystemArrowLength();
    TacThumb thumb = ThumbGeometry(bar.Info, 0, length, system, bar.MinThumbSize);
    if (thumbOverride >= 0) thumb.Pos = thumbOverride;
    const int range = bar.Info.nMax - bar.Info.nMin;
    const int scaled = std::max(MulDiv(static_cast<int>(bar.Info.nPage), length - 2 * system, range), bar.MinThumbSize);
    const bool drawThumb = enabled && scaled > 0 && thumb.Size <= length - 2 * system;
    const int thumbState = tracks && t.HoverKind == kind && t.HoverPart == spThumb ? 1 : 0;
    ComposeBar(kind, r, thumb.Pos, thumb.Size, drawThumb, pressedPart, arrowState(spFirstArrow),
               arrowState(spSecondArrow), thumbState);
    if (!enabled) {
      const BgInfo bg = AskBackground(Window());
      const TSurfaceView view = Picture(kind, 0, 0).View();
      if (bg.Ready) {
        const int x = bg.X + r.left, y = bg.Y + r.top;
        BlendKeyedRect(view, 0, 0, static_cast<TColor>(0xFF000000u), 0.4,
                       TsRect{x, y, x + view.width, y + view.height}, bg.Bmp);
      } else {
        const TsGeneralData& section = manager->Tables().SectionTable[static_cast<size_t>(firstTrack)];
        TintRect(view, TsRect{0, 0, view.width, view.height}, 40, SkinColorToRGB(section.Color));
      }
    }
  }
  GdiFlush();
  BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, Picture(kind, 0, 0).Canvas().Handle(), 0, 0, SRCCOPY);
}

void TacScrollWnd::PaintSizeBox(HDC dc) {
  TsSkinManager* manager = Binding()->SkinManager();
  RECT window{};
  GetWindowRect(Window(), &window);
  const RECT h = HorzBarRect(), v = VertBarRect();
  RECT box = LeftScrollBar ? RECT{v.left, h.top, h.left, h.bottom} : RECT{h.right, h.top, v.right, h.bottom};
  OffsetRect(&box, -window.left, -window.top);
  const int w = box.right - box.left, ht = box.bottom - box.top;
  if (w <= 0 || ht <= 0) return;
  TBitmap& picture = Picture(kSizeBox, w, ht);
  const TSurfaceView view = picture.View();
  const BgInfo bg = AskBackground(Window());
  // The parent's picture behind the box; the skin's hot colour where the parent has none.
  FillRectColor(view, TsRect{0, 0, w, ht}, static_cast<TColor>(ColorToRGB(manager->GlobalHotColor())));
  if (bg.Ready && bg.HasBmp()) {
    const int sx = bg.X + box.left, sy = bg.Y + box.top;
    CopyBlock(view, 0, 0, bg.Bmp, TsRect{sx, sy, sx + w, sy + ht});
  }
  if (AtGripCorner()) {
    const int global = manager->StandardIndexes().GlobalSection;
    const TMaskRef grip = MaskRef(manager->Tables(), manager->MaskIndex(global, "GLOBALINFO", "GRIPIMAGE"));
    if (grip.Valid()) PaintGlyphMask(view, TPoint{w - grip.FrameWidth(), ht - grip.FrameHeight()}, 0, grip, true);
  }
  GdiFlush();
  BitBlt(dc, box.left, box.top, w, ht, picture.Canvas().Handle(), 0, 0, SRCCOPY);
}

// ---------------------------------------------------------------- scrolling

void TacScrollWnd::SendScroll(UINT msg, int code, int position) {
  const bool was = SendingScroll();
  SetSendingScroll(true);
  SendSkinCommand(Window(), CMD_SCROLLBEGIN, 0);
  // The message carries 16 bits of the position; the rest is read from the scroll info.
  // Thumb positions are stored always: windows read a tracked position with SIF_TRACKPOS,
  // which reports the stored position while the platform's own bar is not tracking.
  if (position > 0xFFFF || code == SB_THUMBTRACK || code == SB_THUMBPOSITION)
    SetScrollPos(Window(), msg == WM_HSCROLL ? SB_HORZ : SB_VERT, position, FALSE);
  SendMessageW(Window(), msg, MAKEWPARAM(code, position & 0xFFFF), 0);
  if (IsWindow(Window())) SendSkinCommand(Window(), CMD_SCROLLEND, MAKELPARAM(code, msg));
  SetSendingScroll(was);
}

void TacScrollWnd::ForgetHover() {
  TacScrollTracking& t = ScrollTracking();
  t.HoverTimer.Reset();
  t.HoverKind = t.HoverPart = t.LastHoverPart = spNone;
  t.TrackWnd = nullptr;
}

void TacScrollWnd::OnNcMouseMove(TMessage& message) {
  TacScrollTracking& t = ScrollTracking();
  // The hover of another window's bar ends here (its timer would never see the pointer).
  if (t.TrackWnd != Window() && t.HoverKind != spNone) {
    const HWND previous = t.TrackWnd;
    ForgetHover();
    if (auto* other = dynamic_cast<TacScrollWnd*>(HandlerOf(previous))) other->PaintBars();
  }
  t.TrackWnd = Window();
  const int kind = KindOfHit(message.WParam);
  if (kind >= 0 && kind != t.HoverKind) {
    t.HoverPart = t.LastHoverPart = spNone;
    t.HoverRect = BarRect(kind);
    t.HoverKind = kind;
    t.HoverTimer.Reset();
    t.HoverTimer = TTimerHandle::Set(Window(), kHoverTimer, 20);
    PaintBars();
  }
  // The platform's own procedure tracks the hover of its bars and repaints them as the
  // pointer moves over them: over our bars it does not see the move.
  if (kind >= 0) {
    message.Result = 0;
    return;
  }
  message.Result = CallOld(message);
}

void TacScrollWnd::HoverTick() {
  TacScrollTracking& t = ScrollTracking();
  POINT p{};
  GetCursorPos(&p);
  if (PtInRect(&t.HoverRect, p) && t.HoverKind >= 0) {
    TacScrollBar& bar = Bar(t.HoverKind);
    bar.Refresh();
    const RECT r = t.HoverRect;
    const int length = LengthOf(r, t.HoverKind), arrow = TacScrollBar::SystemArrowLength();
    t.HoverPart = PartAt(Along(p, t.HoverKind) - StartOf(r, t.HoverKind), Across(r, p, t.HoverKind), length, arrow,
                         ThumbGeometry(bar.Info, 0, length, arrow, bar.MinThumbSize));
    if (t.HoverPart != t.LastHoverPart) PaintBars();
    t.LastHoverPart = t.HoverPart;
    return;
  }
  t.HoverTimer.Reset();
  t.HoverKind = t.LastHoverPart = t.HoverPart = spNone;
  PaintBars();
}

void TacScrollWnd::OnNcButtonDown(TMessage& message) {
  const int kind = KindOfHit(message.WParam);
  if (kind < 0) {
    message.Result = CallOld(message);
    return;
  }
  TacScrollTracking& t = ScrollTracking();
  if (t.PressedPart != spNone && t.TrackWnd && t.TrackWnd != Window()) {
    // A press of another window's bar that nobody ended: end it there first.
    if (TacScrollBar* other = GetBarOf(t.TrackWnd, t.PressedKind)) other->Owner->CancelPress();
  }
  t.TrackWnd = Window();
  t.ScrollMsg = ScrollMessageOf(kind);
  t.PressedKind = kind;
  TacScrollBar& bar = Bar(kind);
  bar.Refresh();
  const POINT p{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
  const RECT r = BarRect(kind);
  const int length = LengthOf(r, kind), arrow = TacScrollBar::SystemArrowLength();
  const TacThumb thumb = ThumbGeometry(bar.Info, 0, length, arrow, bar.MinThumbSize);
  t.PressedPart = PartAt(Along(p, kind) - StartOf(r, kind), Across(r, p, kind), length, arrow, thumb);
  message.Result = 0;
  if (t.PressedPart != spNone && !bar.Active()) {
    // A disabled bar takes no press: nothing to repeat, track or end later.
    t.PressedPart = t.PressedKind = spNone;
    t.ScrollMsg = 0;
    return;
  }
  switch (t.PressedPart) {
    case spFirstArrow:
    case spSecondArrow:
    case spPageBefore:
    case spPageAfter:
      t.ShownPressedPart = t.PressedPart;
      PaintBars();
      SendScroll(t.ScrollMsg, t.PressedPart, 0);
      t.ShownPressedPart = t.PressedPart;
      t.RepeatTimer.Reset();
      t.RepeatTimer = TTimerHandle::Set(Window(), kRepeatDelayTimer, 300);
      RefreshBars(true);
      break;
    case spThumb:
      t.GrabThumbSize = thumb.Size;
      t.GrabThumbPos = StartOf(r, kind) + thumb.Pos;
      t.GrabRect = r;
      ThumbTracking = true;
      bar.Info.nTrackPos = bar.Info.nPos;
      t.GrabOffset = Along(p, kind) - t.GrabThumbPos;
      t.LastTrackPos = bar.Info.nPos;
      trackThumb_ = thumb.Pos;
      PaintBars();
      break;
    default:
      t.PressedKind = spNone;
      t.ScrollMsg = 0;
      message.Result = CallOld(message);
      return;
  }
  if (t.PressedPart != spNone) SetCapture(Window());
}

void TacScrollWnd::OnPressedMouseMove() {
  TacScrollTracking& t = ScrollTracking();
  if (ThumbTracking) {
    const DWORD pos = GetMessagePos();
    TrackThumb(POINT{GET_X_LPARAM(pos), GET_Y_LPARAM(pos)});
    return;
  }
  // The pointer itself, in screen coordinates: leaving the pressed part pauses the repeat.
  POINT p{};
  GetCursorPos(&p);
  const int kind = t.PressedKind;
  TacScrollBar& bar = Bar(kind);
  bar.Refresh();
  const RECT r = BarRect(kind);
  const int length = LengthOf(r, kind), arrow = TacScrollBar::SystemArrowLength();
  const int now = PartAt(Along(p, kind) - StartOf(r, kind), Across(r, p, kind), length, arrow,
                         ThumbGeometry(bar.Info, 0, length, arrow, bar.MinThumbSize));
  const int shown = now == t.PressedPart ? t.PressedPart : spNone;
  if (shown == t.ShownPressedPart) return;
  t.ShownPressedPart = shown;
  PaintBars();
}

void TacScrollWnd::TrackThumb(POINT p) {
  TacScrollTracking& t = ScrollTracking();
  const int kind = t.PressedKind;
  const int arrow = TacScrollBar::SystemArrowLength();
  const int trackStart = StartOf(t.GrabRect, kind) + arrow;
  const int trackLength = LengthOf(t.GrabRect, kind) - 2 * arrow;
  const int x = std::max(trackStart, std::min(Along(p, kind) - t.GrabOffset, trackStart + trackLength - t.GrabThumbSize));
  trackThumb_ = x - StartOf(t.GrabRect, kind);
  TacScrollBar& bar = Bar(kind);
  const int position = TrackPosition(bar.Info, x - trackStart, trackLength, t.GrabThumbSize);
  if (position != t.LastTrackPos) {
    bar.Info.nTrackPos = position;
    SendScroll(t.ScrollMsg, SB_THUMBTRACK, position);
    t.LastTrackPos = position;
  }
  // After the scroll: the window may have drawn the platform's bar meanwhile.
  PaintBars();
}

void TacScrollWnd::EndPress(bool releaseCapture) {
  TacScrollTracking& t = ScrollTracking();
  t.RepeatTimer.Reset();
  const UINT msg = t.ScrollMsg;
  const bool tracking = ThumbTracking;
  const int last = t.LastTrackPos;
  // Reset first: a capture change caused by the messages below finds no press.
  ThumbTracking = false;
  t.PressedPart = t.ShownPressedPart = t.PressedKind = spNone;
  t.ScrollMsg = 0;
  if (msg && IsWindow(Window())) {
    if (tracking) SendScroll(msg, SB_THUMBPOSITION, last);
    if (IsWindow(Window())) SendScroll(msg, SB_ENDSCROLL, 0);
  }
  if (releaseCapture && GetCapture() == Window() && !IsDropDownList(Window())) ReleaseCapture();
}

void TacScrollWnd::CancelPress() {
  if (!ThisTracks() || ScrollTracking().PressedPart == spNone) return;
  EndPress(true);
  if (!Destroyed() && IsWindow(Window())) RefreshBars(true);
}

void TacScrollWnd::OnButtonUp(TMessage& message) {
  EndPress(true);
  RefreshBars(true);
  message.Result = CallOld(message);
}

void TacScrollWnd::OnTimer(TMessage& message) {
  TacScrollTracking& t = ScrollTracking();
  const UINT_PTR id = message.WParam;
  const bool hover = id == kHoverTimer && t.HoverTimer.Window() == Window();
  const bool repeat = (id == kRepeatDelayTimer || id == kRepeatTimer) && t.RepeatTimer.Window() == Window() &&
                      t.RepeatTimer.Id() == id;
  if (hover) {
    if (!ThumbTracking) HoverTick();
    message.Result = 0;
    return;
  }
  if (!repeat) {
    message.Result = CallOld(message);
  } else if (id == kRepeatDelayTimer) {
    t.RepeatTimer.Reset();
    t.RepeatTimer = TTimerHandle::Set(Window(), kRepeatTimer, 55);
    message.Result = 0;
  } else {
    OnPressedMouseMove();
    if (t.ShownPressedPart != spNone && t.PressedPart != spNone) SendScroll(t.ScrollMsg, t.ShownPressedPart, 0);
    message.Result = 0;
  }
  if (!Destroyed() && !SendingScroll() && !ThumbTracking) RefreshBars(true);
}

// ---------------------------------------------------------------- messages

void TacScrollWnd::WndProc(TMessage& message) {
  if (Destroyed()) {
    TacMainWnd::WndProc(message);
    return;
  }
  TacScrollTracking& t = ScrollTracking();
  const bool pressedHere = ThisTracks() && t.PressedPart != spNone;
  switch (message.Msg) {
    case WM_DESTROY:
      // A press must not outlive the window: its timer would scroll a stale window.
      if (pressedHere) EndPress(true);
      if (ThisTracks()) ForgetHover();
      TacMainWnd::WndProc(message);
      return;
    case WM_CAPTURECHANGED:
      if (pressedHere && reinterpret_cast<HWND>(message.LParam) != Window()) {
        EndPress(false);
        RefreshBars(true);
      }
      TacMainWnd::WndProc(message);
      return;
    case WM_CANCELMODE:
      if (pressedHere) {
        EndPress(true);
        RefreshBars(true);
      }
      TacMainWnd::WndProc(message);
      return;
    case WM_STYLECHANGING:
    case WM_STYLECHANGED:
      if (NoStyleChange) {
        message.Result = 0;
        return;
      }
      if (message.Msg == WM_STYLECHANGED && message.WParam == static_cast<WPARAM>(GWL_EXSTYLE)) {
        const auto* change = reinterpret_cast<const STYLESTRUCT*>(message.LParam);
        LeftScrollBar = (change->styleNew & WS_EX_LEFTSCROLLBAR) != 0;
      }
      break;
    default: break;
  }
  if (!Skinned()) {
    if (message.Msg == SM_SKINCMD && SkinCommandOf(message.WParam) == CMD_SKINREMOVED &&
        reinterpret_cast<TsSkinManager*>(message.LParam) == Manager()) {
      TacMainWnd::WndProc(message);
      if (!Destroyed()) RedrawFrame(Window(), true);  // the platform's bars come back
      return;
    }
    TacMainWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case SM_SKINCMD:
      TacMainWnd::WndProc(message);
      // A skin (back) in place: the bars take their room from the frame again.
      if (!Destroyed() && SkinCommandOf(message.WParam) == CMD_REPAINT &&
          reinterpret_cast<TsSkinManager*>(message.LParam) == Manager())
        RedrawFrame(Window(), true);
      return;
    case WM_NCCALCSIZE: OnNcCalcSize(message); return;
    case WM_NCHITTEST: {
      const int hit = OnNcHitTest(POINT{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)});
      message.Result = hit >= 0 ? hit : CallOld(message);
      return;
    }
    case WM_NCPAINT:
      // The platform's frame first (it would draw its own bars over ours afterwards).
      message.Result = CallOld(message);
      if (!SendingScroll() && IsWindowVisible(Window())) PaintBars();
      return;
    case WM_NCMOUSEMOVE: OnNcMouseMove(message); return;
    case WM_NCMOUSELEAVE:
      // Where the platform tracked the pointer itself it repaints its bars on leaving.
      message.Result = CallOld(message);
      if (!Destroyed() && !SendingScroll()) PaintBars();
      return;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK: OnNcButtonDown(message); return;
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
    case WM_NCMBUTTONDOWN:
    case WM_NCMBUTTONUP:
      if (KindOfHit(message.WParam) >= 0) {
        message.Result = 0;
        return;
      }
      break;
    case WM_SYSCOMMAND:
      if (LOWORD(message.WParam) == SC_VSCROLLBAR) {
        message.Result = 0;
        return;
      }
      break;
    case WM_TIMER: OnTimer(message); return;
    case WM_MOUSEMOVE:
      if (pressedHere) {
        OnPressedMouseMove();
        message.Result = 0;
        return;
      }
      break;
    case WM_LBUTTONUP:
      if (pressedHere) {
        OnButtonUp(message);
        return;
      }
      break;
    case WM_MOUSEWHEEL:
    case CM_MOUSEWHEEL:
      TacMainWnd::WndProc(message);
      if (!Destroyed() && !SendingScroll()) RefreshBars(true);
      return;
    case CM_FOCUSCHANGED:
      TacMainWnd::WndProc(message);
      if (!Destroyed()) RefreshBars(true);
      return;
    case CM_UIACTIVATE:
      TacMainWnd::WndProc(message);
      if (!Destroyed() && WindowSize().cx > 0)
        SetWindowPos(Window(), nullptr, 0, 0, WindowSize().cx, WindowSize().cy,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOZORDER | SWP_NOCOPYBITS | SWP_NOOWNERZORDER |
                         SWP_NOSENDCHANGING);
      return;
    default: break;
  }
  TacMainWnd::WndProc(message);
}
