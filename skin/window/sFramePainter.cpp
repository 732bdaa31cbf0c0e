// The frame painter of the provider: the cached picture of the whole window (the form
// section over everything, the size grip, the caption band from the title section with the
// icon, the caption buttons and the caption text), the window region that cuts out the
// skin's key-coloured corners, the frame's copy to the window, and the client background.
#include "skin/window/sSkinProvider.h"

#include <shellapi.h>

#include <algorithm>

#include "framework/Handles.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/core/sSkinText.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"
#include "skin/paint/Stretch.h"

namespace {


int CaptionFontHeight() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return 0;
  return metrics.lfCaptionFont.lfHeight;
}

}  // namespace

// ---------------------------------------------------------------- geometry

int TsSkinProvider::IconSizeFor(int height) {
  if (height < 9) return 0;
  if (height <= 16) return 8;
  if (height <= 27) return 16;
  return 32;
}

TFrameGeometry TsSkinProvider::Geometry() const {
  if (!form_ || !form_->HandleAllocated()) return TFrameGeometry{};
  const TBorderStyle bs = form_->BorderStyle();
  const bool thin = bs == bsSingle || bs == bsDialog || bs == bsToolWindow;
  const bool tool = bs == bsToolWindow || bs == bsSizeToolWin;
  return MeasureFrame(form_->Handle(), HasFrame(*form_), thin, tool);
}

RECT TsSkinProvider::CaptionTextRect(const TFrameGeometry& g) const {
  const RECT icon = IconRect(g);
  const int iconWidth = icon.right - icon.left;
  const int buttonsWidth = ButtonsWidth();
  return RECT{g.BorderWidth + 4 + iconWidth, g.BorderHeight, g.Width - buttonsWidth - 6, g.CaptionHeight};
}

// ---------------------------------------------------------------- frame

void TsSkinProvider::OnNcPaint() {
  // The framework's Visible, not WS_VISIBLE: redraw switched off clears the latter.
  if (!form_->Visible() || form_->IsLoading() || form_->IsDestroying() || windowGone_ ||
      (form_->ControlState() & csCreating) || skinData_->UpdatingFlag)
    return;
  const TFrameGeometry g = Geometry();
  if (skinData_->BackgroundChangedFlag) PaintAll();
  if (regionChanged_ && !regionBusy_ && (HasFrame(*form_) || (GetWindowLongW(form_->Handle(), GWL_STYLE) & WS_THICKFRAME)))
    UpdateRegion(g);
  const TWindowDC dc = TWindowDC::Of(form_->Handle());
  if (!dc) return;
  const TSavedDC saved(dc.Get());
  CopyFrame(dc.Get(), g);
  regionBusy_ = false;
}

void TsSkinProvider::CopyFrame(HDC dc, const TFrameGeometry& g) {
  TBitmap* cache = skinData_->Cache();
  if (!cache || cache->Empty()) return;
  CopyFrameBands(dc, cache->Canvas().Handle(), g);
}

void TsSkinProvider::UpdateRegion(const TFrameGeometry& g) {
  TsSkinManager* manager = skinData_->SkinManager();
  if (!manager) return;
  std::vector<TsRect> cuts;
  const TMaskRef border = MaskRef(manager->Tables(), skinData_->BorderMaskIndex);
  if (border.Valid()) {
    CornerKeyRuns(cuts, g.Width, border, false, 0);
    CornerKeyRuns(cuts, g.Width, border, true, g.Height - border.Data->WB);
  }
  const int title = TitleIndex();
  if (title >= 0 && g.CaptionHeight > 0) {
    const TMaskRef titleBorder = MaskRef(manager->Tables(), manager->MaskIndex(title, TitleSection(), "BORDERSMASK"));
    CornerKeyRuns(cuts, g.Width, titleBorder, false, 0);
  }
  regionChanged_ = false;
  regionBusy_ = true;
  TRegionHandle region = NewRectRegion(0, 0, g.Width, g.Height);
  for (const TsRect& cut : cuts) {
    TRegionHandle piece = NewRectRegion(cut.Left, cut.Top, cut.Right, cut.Bottom);
    if (region && piece) CombineRgn(region.Get(), region.Get(), piece.Get(), RGN_DIFF);
  }
  // The window owns the region once it took it. No redraw: the frame is copied next.
  if (region && SetWindowRgn(form_->Handle(), region.Get(), FALSE)) {
    (void)region.Release();
    regionGiven_ = true;
  }
}

// ---------------------------------------------------------------- the cached picture

void TsSkinProvider::PaintAll() {
  if (!form_ || (form_->ControlState() & csCreating)) return;
  TsSkinManager* manager = skinData_->SkinManager();
  TBitmap* cache = skinData_->Cache();
  if (!manager || !cache) return;
  const TFrameGeometry g = Geometry();
  if (g.Width <= 0 || g.Height <= 0) return;
  regionChanged_ = regionChanged_ || cache->Width() != g.Width || cache->Height() != g.Height;
  cache->SetPixelFormat(TPixelFormat::pf24bit);
  cache->SetSize(g.Width, g.Height);
  const int state = formActive_ ? 1 : 0;
  const bool iconic = IsIconic(form_->Handle()) != 0;

  TPaintItemSource item = SectionPaintSource(*skinData_, *manager);
  item.CustomColor = skinData_->CustomColor();
  item.OwnerColor = static_cast<TColor>(ColorToRGB(form_->Color()));
  item.HasParent = false;
  item.DependsOnParent = false;
  const int height = iconic ? std::min(g.Height, g.BandHeight() + 1) : g.Height;
  PaintItem(item, BgInfo{}, true, false, cache->View(), TPoint{0, 0}, TsRect{0, 0, g.Width, height}, state);
  if (!iconic) PaintGrip(g);

  if (g.CaptionHeight > 0) {
    PaintCaptionBand(g, state);
    PaintIcon(g);
    buttons_->Paint(*cache, g);
    PaintCaptionText(g);
  }
  GdiFlush();
  skinData_->BackgroundChangedFlag = false;
  skinData_->UpdatingFlag = false;
}

void TsSkinProvider::PaintCaptionBand(const TFrameGeometry& g, int state) {
  TsSkinManager* manager = skinData_->SkinManager();
  const int title = TitleIndex();
  if (!manager || title < 0) return;
  TBitmap* cache = skinData_->Cache();
  const std::string name = TitleSection();
  const TSurfaceView view = cache->View();
  // The band lies over the form's own picture, which is its parent background.
  const BgInfo bg{view, 0, 0, true};
  PaintSection(title, name, bg, manager->TextureIndex(title, name, "HOTPATTERN"),
               manager->TextureIndex(title, name, "PATTERN"), &manager->Tables(), view, TPoint{0, 0},
               TsRect{0, 0, g.Width, g.BandHeight()}, state, true);
}

namespace {

// The executable's shell icons, loaded once and freed when the program ends.
struct TShellIcons {
  TIconHandle Small, Large;
  TShellIcons() {
    wchar_t path[MAX_PATH] = {};
    if (!GetModuleFileNameW(nullptr, path, MAX_PATH)) return;
    SHFILEINFOW info{};
    if (SHGetFileInfoW(path, 0, &info, sizeof(info), SHGFI_ICON | SHGFI_SMALLICON)) Small = TIconHandle(info.hIcon);
    info = SHFILEINFOW{};
    if (SHGetFileInfoW(path, 0, &info, sizeof(info), SHGFI_ICON | SHGFI_LARGEICON)) Large = TIconHandle(info.hIcon);
  }
};

const TShellIcons& ShellIcons() {
  static const TShellIcons icons;
  return icons;
}

}  // namespace

RECT TsSkinProvider::IconRect(const TFrameGeometry& g) const {
  if (!form_ || !showAppIcon_ || g.CaptionHeight == 0 ||
      (form_->BorderStyle() != bsSingle && form_->BorderStyle() != bsSizeable))
    return RECT{};
  const int width = titleIcon_.Width != 0 ? titleIcon_.Width : IconSizeFor(g.CaptionHeight);
  const int height = titleIcon_.Height != 0 ? titleIcon_.Height : IconSizeFor(g.CaptionHeight);
  const int top = (g.BandHeight() - height) / 2;
  return RECT{g.BorderWidth, top, g.BorderWidth + width, top + height};
}

// The form's icon, else the application's, else the executable's shell icon, else the
// platform's application icon; or the title glyph stretched in their place.
void TsSkinProvider::PaintIcon(const TFrameGeometry& g) {
  const RECT r = IconRect(g);
  const int width = r.right - r.left, height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return;
  HDC dc = skinData_->Cache()->Canvas().Handle();
  if (!titleIcon_.Glyph.Empty()) {
    const int side = IconSizeFor(g.HeaderHeight() - 2);
    const int w = titleIcon_.Width != 0 ? titleIcon_.Width : side;
    const int h = titleIcon_.Height != 0 ? titleIcon_.Height : side;
    // Stretched by nearest pixel; the key colour stays out.
    GdiFlush();
    StretchKeyedNearest(skinData_->Cache()->View(), TsRect{r.left, r.top, r.left + w, r.top + h}, titleIcon_.Glyph.View(),
                        clFuchsia);
    return;
  }
  HICON icon = form_->Icon().Empty() ? nullptr : form_->Icon().Handle(width);
  if (!icon && Application && !Application->Icon().Empty()) icon = Application->Icon().Handle(width);
  if (icon) {
    DrawIconEx(dc, r.left, r.top, icon, width, height, 0, nullptr, DI_NORMAL);
    return;
  }
  const int w = titleIcon_.Width != 0 ? titleIcon_.Width : g.CaptionHeight - r.top;
  const int h = titleIcon_.Height != 0 ? titleIcon_.Height : g.CaptionHeight - r.top;
  const TShellIcons& shell = ShellIcons();
  HICON shellIcon = h > 16 && shell.Large ? shell.Large.Get() : shell.Small.Get();
  if (shellIcon) {
    DrawIconEx(dc, r.left, r.top, shellIcon, w, h, 0, nullptr, DI_NORMAL);
    return;
  }
  // A shared system icon: never destroyed.
  if (HICON platform = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION)))
    DrawIconEx(dc, r.left, r.top, platform, width, height, 0, nullptr, DI_NORMAL);
}

void TsSkinProvider::PaintCaptionText(const TFrameGeometry& g) {
  const String text = form_->Caption();
  RECT r = CaptionTextRect(g);
  if (text.empty() || r.right <= r.left) return;
  TCanvas& canvas = skinData_->Cache()->Canvas();
  canvas.Font().Assign(form_->Font());
  canvas.Font().SetStyle(canvas.Font().Style() | fsBold);
  canvas.Font().SetHeight(CaptionFontHeight());
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  const int textHeight = canvas.TextHeight(text);
  r.top += (r.bottom - r.top - textHeight) / 2;
  r.bottom = r.top + textHeight;
  UINT align = captionAlignment_ == taRightJustify ? DT_RIGHT : captionAlignment_ == taCenter ? DT_CENTER : DT_LEFT;
  DrawSectionText(canvas, text, true, skinData_->SkinManager(), formActive_, TitleIndex(),
                  align | DT_VCENTER | DT_EXPANDTABS | DT_END_ELLIPSIS | DT_SINGLELINE, r);
}

// ---------------------------------------------------------------- size grip

bool TsSkinProvider::GripOrigin(const TFrameGeometry& g, POINT& origin) const {
  TsSkinManager* manager = skinData_->SkinManager();
  if (gripMode_ != gmRightBottom || !manager) return false;
  const TMaskRef grip = MaskRef(manager->Tables(), manager->MaskIndexByName("GLOBALINFO", "GRIPIMAGE"));
  if (!grip.Valid()) return false;
  origin = POINT{g.Width - grip.FrameWidth() - g.BorderWidth, g.Height - grip.FrameHeight() - g.BorderHeight};
  return true;
}

void TsSkinProvider::PaintGrip(const TFrameGeometry& g) {
  POINT origin{};
  if (!GripOrigin(g, origin)) return;
  TsSkinManager* manager = skinData_->SkinManager();
  const TMaskRef grip = MaskRef(manager->Tables(), manager->MaskIndexByName("GLOBALINFO", "GRIPIMAGE"));
  PaintGlyphMask(skinData_->Cache()->View(), TPoint{origin.x, origin.y}, 0, grip, true);
}

// ---------------------------------------------------------------- client area

void TsSkinProvider::PaintClient(HDC dc, const TFrameGeometry& g) {
  const TSavedDC state(dc);
  PaintToDCExcludingChildren(form_, *skinData_, POINT{g.OffsetX, g.OffsetY}, 0, 0, false, dc,
                             RECT{0, 0, g.ClientWidth, g.ClientHeight});
  PaintGraphicChildren(dc, form_, POINT{0, 0});
}

// Every path validates the window: a request left unanswered comes back again and again.
// Before the form is visible (or while it is made) it is answered with nothing painted.
void TsSkinProvider::OnPaint(TMessage& message) {
  HDC given = reinterpret_cast<HDC>(message.WParam);
  TPaintDC paint;
  if (!given) paint = TPaintDC::Begin(form_->Handle());
  HDC dc = given ? given : paint.Get();
  if (!dc || !form_->Visible() || (form_->ControlState() & csCreating) || skinData_->UpdatingFlag) return;
  if (skinData_->BackgroundChangedFlag) PaintAll();
  PaintClient(dc, Geometry());
  // Only a real paint tells the children; a print into another DC leaves them alone.
  NotifyChildrenParentDone(form_);
}

void TsSkinProvider::OnPrint(TMessage& message) {
  HDC dc = reinterpret_cast<HDC>(message.WParam);
  if (!dc || !form_->Visible() || form_->IsLoading() || skinData_->UpdatingFlag) return;
  if (skinData_->BackgroundChangedFlag) PaintAll();
  const TFrameGeometry g = Geometry();
  const TSavedDC state(dc);
  CopyFrame(dc, g);
  SetViewportOrgEx(dc, g.OffsetX, g.OffsetY, nullptr);
  IntersectClipRect(dc, 0, 0, g.ClientWidth, g.ClientHeight);
  PaintClient(dc, g);
}

