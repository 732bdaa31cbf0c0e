#include "skin/window/acCaptionButtons.h"

#include <windowsx.h>

#include <algorithm>

#include "skin/core/sCommonData.h"
#include "skin/core/sSkinManager.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Pixels.h"

namespace {

constexpr int kButtonCodes[4] = {HTCLOSE, HTMAXBUTTON, HTMINBUTTON, HTHELP};
constexpr int kMissingButtonSize = 21;

int SystemIndex(int code) {
  const auto* found = std::find(std::begin(kButtonCodes), std::end(kButtonCodes), code);
  return found == std::end(kButtonCodes) ? -1 : static_cast<int>(found - kButtonCodes);
}

bool Inside(const RECT& r, POINT p) { return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y < r.bottom; }

}  // namespace

TFrameGeometry MeasureFrame(HWND window, bool framed, bool thinBorder, bool toolCaption) {
  TFrameGeometry g;
  RECT w{}, c{};
  if (!window || !GetWindowRect(window, &w)) return g;
  GetClientRect(window, &c);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  g.Width = w.right - w.left;
  g.Height = w.bottom - w.top;
  g.ClientWidth = c.right;
  g.ClientHeight = c.bottom;
  g.OffsetX = origin.x - w.left;
  g.OffsetY = origin.y - w.top;
  if (!framed) return g;
  const bool caption = (GetWindowLongW(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
  if (IsIconic(window) || g.ClientWidth <= 0 || g.ClientHeight <= 0) {
    g.BorderWidth = GetSystemMetrics(thinBorder ? SM_CXDLGFRAME : SM_CXFRAME);
    g.BorderHeight = GetSystemMetrics(thinBorder ? SM_CYDLGFRAME : SM_CYFRAME);
    g.CaptionHeight = caption ? GetSystemMetrics(toolCaption ? SM_CYSMCAPTION : SM_CYCAPTION) : 0;
    return g;
  }
  g.BorderWidth = g.OffsetX;
  g.BorderHeight = std::max(0, g.Height - g.OffsetY - g.ClientHeight);
  g.CaptionHeight = caption ? std::max(0, g.OffsetY - g.BorderHeight) : 0;
  return g;
}

void CopyFrameBands(HDC dc, HDC source, const TFrameGeometry& g) {
  const int bottomY = g.OffsetY + g.ClientHeight;
  const int rightX = g.OffsetX + g.ClientWidth;
  BitBlt(dc, 0, 0, g.Width, g.OffsetY, source, 0, 0, SRCCOPY);
  BitBlt(dc, 0, g.OffsetY, g.OffsetX, g.Height - g.OffsetY, source, 0, g.OffsetY, SRCCOPY);
  BitBlt(dc, rightX, g.OffsetY, g.Width - rightX, g.Height - g.OffsetY, source, rightX, g.OffsetY, SRCCOPY);
  BitBlt(dc, g.OffsetX, bottomY, g.ClientWidth, g.Height - bottomY, source, g.OffsetX, bottomY, SRCCOPY);
}

TsTitleButton& TsTitleButtons::Add() {
  items_.push_back(std::make_unique<TsTitleButton>(Count()));
  return *items_.back();
}

TacCaptionButtons::TacCaptionButtons(TacCaptionFrame& frame, TsTitleButtons* titleButtons)
    : frame_(frame), titleButtons_(titleButtons) {}

const TCaptionButton& TacCaptionButtons::Button(int code) const {
  static const TCaptionButton none;
  const TCaptionButton* b = const_cast<TacCaptionButtons*>(this)->Record(code);
  return b ? *b : none;
}

bool TacCaptionButtons::IsButton(int code) const { return const_cast<TacCaptionButtons*>(this)->Record(code); }

TCaptionButton* TacCaptionButtons::Record(int code) {
  const int i = SystemIndex(code);
  if (i >= 0) return &buttons_[i];
  const int index = code - kFirstTitleButton;
  if (titleButtons_ && index >= 0 && index < titleButtons_->Count()) return &titleButtons_->Items(index).Button;
  return nullptr;
}

// Every button in layout order, right to left: close, maximise, minimise, help, then the
// application's buttons.
std::vector<int> TacCaptionButtons::Codes() const {
  std::vector<int> codes(std::begin(kButtonCodes), std::end(kButtonCodes));
  for (int i = 0; titleButtons_ && i < titleButtons_->Count(); ++i) codes.push_back(kFirstTitleButton + i);
  return codes;
}

void TacCaptionButtons::ResolveImages() {
  TsSkinManager* manager = frame_.Manager();
  for (TCaptionButton& b : buttons_) b.ImageIndex = -1;
  if (!manager) return;
  const TsSkinTables& t = manager->Tables();
  const char* big[4] = {"BICONCLOSE", "BICONMAX", "BICONMIN", "BICONHELP"};
  const char* small[4] = {"SICONCLOSE", "SICONMAX", "SICONMIN", "SICONHELP"};
  auto fill = [&](const char* section, const char* const* keys) {
    for (int i = 0; i < 4; ++i) buttons_[i].ImageIndex = t.MaskIndexByName(section, keys[i]);
  };
  if (t.MaskIndexByName("GLOBALINFO", "BICONCLOSE") < 0) {
    fill("FORM", big);
    return;
  }
  const bool large = frame_.LargeImages();
  fill("GLOBALINFO", large ? big : small);
  if (!large && buttons_[3].ImageIndex < 0) buttons_[3].ImageIndex = t.MaskIndexByName("GLOBALINFO", "BICONHELP");
  if (buttons_[0].ImageIndex < 0) fill("GLOBALINFO", big);
}

// Maximise shows the restore image while the window is maximised, minimise while it is
// minimised.
int TacCaptionButtons::ShownImage(int code) const {
  const TCaptionButton& b = Button(code);
  TsSkinManager* manager = frame_.Manager();
  if (!manager) return b.ImageIndex;
  const TCaptionRules r = frame_.Rules();
  if ((code == HTMAXBUTTON && r.Zoomed) || (code == HTMINBUTTON && r.Iconic)) {
    const int norm = manager->Tables().MaskIndexByName("GLOBALINFO", "BICONNORM");
    return norm >= 0 ? norm : manager->Tables().MaskIndexByName(frame_.Section(), "BICONNORM");
  }
  return b.ImageIndex;
}

// The face of application buttons: GLOBALINFO's TITLEBUTTON, else the frame section's.
int TacCaptionButtons::TitleButtonImage() const {
  TsSkinManager* manager = frame_.Manager();
  if (!manager) return -1;
  const int global = manager->MaskIndexByName("GLOBALINFO", "TITLEBUTTON");
  return global >= 0 ? global : manager->MaskIndexByName(frame_.Section(), "TITLEBUTTON");
}

// A system button is as wide as its image (21 without one); an application button as its
// glyph and a pixel on each side, at least as the skin's TITLEBUTTON image.
int TacCaptionButtons::ButtonWidth(int code) const {
  TsSkinManager* manager = frame_.Manager();
  if (code >= kFirstTitleButton) {
    const TMaskRef face = manager ? MaskRef(manager->Tables(), TitleButtonImage()) : TMaskRef{};
    const int faceWidth = face.Valid() ? face.FrameWidth() : kMissingButtonSize;
    return std::max(titleButtons_->Items(code - kFirstTitleButton).Glyph.Width() + 2, faceWidth);
  }
  const TMaskRef image = manager ? MaskRef(manager->Tables(), Button(code).ImageIndex) : TMaskRef{};
  return image.Valid() ? image.FrameWidth() : kMissingButtonSize;
}

int TacCaptionButtons::Width() const {
  const TCaptionRules r = frame_.Rules();
  const bool shown[4] = {r.Close, r.Maximize, r.Minimize, r.Help};
  const int space = frame_.Spacing();
  int width = 0;
  for (int code : Codes()) {
    const int i = SystemIndex(code);
    if (i >= 0 && !shown[i]) continue;
    width += ButtonWidth(code) + space;
  }
  return width;
}

int TacCaptionButtons::ButtonHeight(int code) const {
  if (!frame_.OwnImageHeights() || code >= kFirstTitleButton) return Height();
  TsSkinManager* manager = frame_.Manager();
  const TMaskRef image = manager ? MaskRef(manager->Tables(), Button(code).ImageIndex) : TMaskRef{};
  return image.Valid() ? image.FrameHeight() : kMissingButtonSize;
}

int TacCaptionButtons::Height() const {
  TsSkinManager* manager = frame_.Manager();
  const TMaskRef close = manager ? MaskRef(manager->Tables(), buttons_[0].ImageIndex) : TMaskRef{};
  return close.Valid() ? close.FrameHeight() : kMissingButtonSize;
}

void TacCaptionButtons::Layout(const TFrameGeometry& g) {
  TsSkinManager* manager = frame_.Manager();
  ResolveImages();
  const TCaptionRules r = frame_.Rules();
  const bool shown[4] = {r.Close, r.Maximize, r.Minimize, r.Help};
  const bool enabled[4] = {r.CloseEnabled, r.MaxEnabled || r.RestoreEnabled, r.MinEnabled || r.RestoreEnabled, true};
  const int space = frame_.Spacing();
  int x = g.Width - g.BorderWidth - space;
  for (int code : Codes()) {
    TCaptionButton& b = *Record(code);
    const int i = SystemIndex(code);
    if (i < 0) {
      b.Visible = g.CaptionHeight > 0;
      b.Enabled = titleButtons_->Items(code - kFirstTitleButton).Enabled;
    } else {
      const TMaskRef image = manager ? MaskRef(manager->Tables(), b.ImageIndex) : TMaskRef{};
      b.Visible = shown[i] && image.Valid() && g.CaptionHeight > 0;
      b.Enabled = enabled[i];
    }
    if (!b.Visible) {
      b.Rect = RECT{};
      b.State = 0;
      continue;
    }
    const int height = ButtonHeight(code);
    const int top = (g.BandHeight() - height) / 2 + (height < 16 ? 2 : 0);
    b.Rect = RECT{x - ButtonWidth(code), top, x, top + height};
    x = b.Rect.left - space;
  }
}

void TacCaptionButtons::Paint(TBitmap& picture, const TFrameGeometry& g) {
  Layout(g);
  // The strip behind the buttons, so one button can be repainted alone.
  backLeft_ = std::max(0, g.Width - Width() - g.BorderWidth - 1);
  if (!back_) back_ = std::make_unique<TBitmap>();
  back_->SetSize(g.Width - backLeft_, std::max(1, g.BandHeight()));
  BitBlt(back_->Canvas().Handle(), 0, 0, back_->Width(), back_->Height(), picture.Canvas().Handle(), backLeft_, 0,
         SRCCOPY);
  for (int code : Codes()) PaintButton(picture, code);
}

void TacCaptionButtons::PaintButton(TBitmap& picture, int code) {
  TsSkinManager* manager = frame_.Manager();
  const TCaptionButton& b = Button(code);
  if (!manager || !b.Visible) return;
  if (code >= kFirstTitleButton) {
    PaintTitleButton(picture, titleButtons_->Items(code - kFirstTitleButton));
    return;
  }
  const TMaskRef image = MaskRef(manager->Tables(), ShownImage(code));
  if (!image.Valid()) return;
  const bool normal = b.Enabled && (frame_.Active() || b.State != 0);
  PaintGlyphMask(picture.View(), TPoint{b.Rect.left, b.Rect.top}, b.State, image, normal);
}

// An application button: the skin's face (dimmed while the frame is inactive and the
// button normal), then the glyph centred, a pixel right and down while pressed.
void TacCaptionButtons::PaintTitleButton(TBitmap& picture, const TsTitleButton& item) {
  TsSkinManager* manager = frame_.Manager();
  const TCaptionButton& b = item.Button;
  if (item.UseSkinData) {
    const TMaskRef face = MaskRef(manager->Tables(), TitleButtonImage());
    if (face.Valid())
      PaintGlyphMask(picture.View(), TPoint{b.Rect.left, b.Rect.top}, b.State, face, frame_.Active() || b.State != 0);
  }
  const TBitmap& glyph = item.Glyph;
  if (glyph.Empty()) return;
  GdiFlush();
  const TSurfaceView src = glyph.View();
  const int shift = b.State == 2 ? 1 : 0;
  const int x = b.Rect.left + (b.Rect.right - b.Rect.left - src.width) / 2 + shift;
  const int y = b.Rect.top + (b.Rect.bottom - b.Rect.top - src.height) / 2 + shift;
  // Pixels of the glyph's bottom-left colour are left out.
  CopyKeyed(picture.View(), src, x, GetRGB(src.Pixel(0, src.height - 1)), y);
}

void TacCaptionButtons::Repaint(int code) {
  GuardedPaint([&] { RepaintNow(code); });
}

void TacCaptionButtons::RepaintNow(int code) {
  const TCaptionButton& b = Button(code);
  TBitmap* picture = frame_.ShownPicture();
  if (!b.Visible || !picture || picture->Empty()) return;
  if (frame_.PictureOutOfDate() || !back_ || b.Rect.left < backLeft_ || !frame_.RepaintsAlone(b.Rect)) {
    frame_.RepaintFrame();
    return;
  }
  const int w = b.Rect.right - b.Rect.left, h = b.Rect.bottom - b.Rect.top;
  BitBlt(picture->Canvas().Handle(), b.Rect.left, b.Rect.top, w, h, back_->Canvas().Handle(), b.Rect.left - backLeft_,
         b.Rect.top, SRCCOPY);
  GdiFlush();
  PaintButton(*picture, code);
  GdiFlush();
  const TWindowDC dc = TWindowDC::Of(frame_.Window());
  if (dc) BitBlt(dc.Get(), b.Rect.left, b.Rect.top, w, h, picture->Canvas().Handle(), b.Rect.left, b.Rect.top, SRCCOPY);
}

int TacCaptionButtons::HitTest(POINT p, const TFrameGeometry& g, const RECT& icon) {
  Layout(g);
  const int height = Height();
  const int bandTop = (g.BandHeight() - height) / 2;
  if (p.y < bandTop || p.y > bandTop + height) return 0;
  if (icon.right > icon.left && p.x >= icon.left && p.x <= icon.right) {
    SetHot(kHotIcon);
    return HTSYSMENU;
  }
  for (int code : Codes()) {
    const TCaptionButton& b = Button(code);
    if (!b.Visible || p.x < b.Rect.left || p.x > b.Rect.right) continue;
    if (!b.Enabled) return HTCAPTION;
    SetHot(code);
    return code;
  }
  return HTCAPTION;
}

bool OnZoomedBorder(HWND window, POINT p, const TFrameGeometry& g) {
  return IsZoomed(window) && (p.x < 2 || p.y < 2 || p.x >= g.Width - 4 || p.y >= g.Height - 4);
}

void TacCaptionButtons::SetHot(int code, bool repaint) {
  if (code == hotCode_) return;
  const int old = hotCode_;
  hotCode_ = code;
  if (TCaptionButton* b = Record(old)) {
    b->State = 0;
    if (repaint) Repaint(old);
  }
  if (TCaptionButton* b = Record(code)) {
    b->State = 1;
    if (repaint) Repaint(code);
  }
}

void TacCaptionButtons::Press(int code, POINT screen) {
  TCaptionButton* b = Record(code);
  if (!b || !b->Visible || !b->Enabled) return;
  if (hotCode_ != code) SetHot(code);
  b->State = 2;
  pressedCode_ = code;
  Repaint(code);
  // The release comes to this window wherever the pointer goes meanwhile.
  SetCapture(frame_.Window());
  if (code >= kFirstTitleButton) {
    TsTitleButton& item = titleButtons_->Items(code - kFirstTitleButton);
    if (item.OnMouseDown) item.OnMouseDown(&item, TMouseButton::mbLeft, TShiftState{}, screen.x, screen.y);
  }
}

void TacCaptionButtons::TrackPressed(POINT p) {
  TCaptionButton* b = Record(pressedCode_);
  if (!b) return;
  const int state = Inside(b->Rect, p) ? 2 : 1;
  if (b->State != state) {
    b->State = state;
    Repaint(pressedCode_);
  }
}

int TacCaptionButtons::Release(POINT p) {
  const int code = pressedCode_;
  pressedCode_ = 0;  // first: the capture's end below is then no lost press
  if (GetCapture() == frame_.Window()) ReleaseCapture();
  const bool over = Inside(Button(code).Rect, p);
  SetHot(0);
  if (!over) return 0;
  const int index = code - kFirstTitleButton;
  if (titleButtons_ && index >= 0 && index < titleButtons_->Count()) {
    TsTitleButton& item = titleButtons_->Items(index);
    if (item.OnMouseUp) item.OnMouseUp(&item, TMouseButton::mbLeft, TShiftState{}, p.x, p.y);
  }
  return code;
}

void TacCaptionButtons::CaptureChanged(HWND window) {
  if (pressedCode_ && window != frame_.Window()) Reset();
}

void TacCaptionButtons::NonClientMoved() {
  if (hotCode_ != 0 && !trackingLeave_) {
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE | TME_NONCLIENT, frame_.Window(), 0};
    trackingLeave_ = TrackMouseEvent(&track) != FALSE;
  }
}

void TacCaptionButtons::NonClientLeft() {
  trackingLeave_ = false;
  if (!pressedCode_) SetHot(0);
}

void TacCaptionButtons::Reset() {
  pressedCode_ = 0;
  SetHot(0);
}

WPARAM TacCaptionButtons::CommandOf(int code, const TCaptionRules& r) {
  switch (code) {
    case HTCLOSE:
      return SC_CLOSE;
    case HTMINBUTTON:
      return r.Iconic ? SC_RESTORE : SC_MINIMIZE;
    case HTMAXBUTTON:
      if (r.Zoomed && r.RestoreEnabled) return SC_RESTORE;
      return r.MaxEnabled ? SC_MAXIMIZE : 0;
    case HTHELP:
      return SC_CONTEXTHELP;
    default:
      return 0;
  }
}
