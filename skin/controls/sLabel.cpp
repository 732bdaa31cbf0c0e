#include "skin/controls/sLabel.h"

#include "framework/Handles.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/paint/Compose.h"
#include "skin/paint/Pixels.h"

namespace {

bool gPainting = false;

// Marks that a label is painting for as long as it lives, however painting ends.
class TPaintingScope {
public:
  TPaintingScope() { gPainting = true; }
  ~TPaintingScope() { gPainting = false; }
  TPaintingScope(const TPaintingScope&) = delete;
  TPaintingScope& operator=(const TPaintingScope&) = delete;
};

// The default manager while its skin is active, else null.
TsSkinManager* ActiveManager() {
  TsSkinManager* manager = DefaultManager();
  return manager && manager->SkinActive() ? manager : nullptr;
}

bool FromDefaultManager(const TMessage& message) {
  TsSkinManager* manager = DefaultManager();
  return manager && reinterpret_cast<TsSkinManager*>(message.LParam) == manager;
}

TColor PlainColor(TColor color) { return static_cast<TColor>(ColorToRGB(color)); }

}  // namespace

// ---------------------------------------------------------------- TsShadow, TsKind

namespace {
// Stores a changed value and repaints the label that shows it.
template <class T>
void Change(T& field, T value, TControl& owner) {
  if (field == value) return;
  field = value;
  owner.Invalidate();
}
}  // namespace

void TsShadow::SetMode(TsShadowMode mode) { Change(mode_, mode, owner_); }
void TsShadow::SetColor(TColor color) { Change(color_, color, owner_); }
void TsShadow::SetBlurCount(int count) { Change(blurCount_, count, owner_); }
void TsShadow::SetDistance(int distance) { Change(distance_, distance, owner_); }
void TsKind::SetKindType(TsKindType type) { Change(kindType_, type, owner_); }
void TsKind::SetColor(TColor color) { Change(color_, color, owner_); }

// ---------------------------------------------------------------- TsCustomLabel

TsCustomLabel::TsCustomLabel(TComponent* owner) : TCustomLabel(owner) { SetTransparent(true); }

bool TsCustomLabel::PaintingAny() { return gPainting; }

void TsCustomLabel::SetSkinSection(const std::string& name) {
  if (name == skinSection_) return;
  skinSection_ = name;
  Invalidate();
}

void TsCustomLabel::CurrentFont(TFont& font) const {
  font.Assign(Font());
  if (TsSkinManager* manager = ActiveManager()) {
    const TColor skin = manager->GlobalFontColor();
    if (skin != clFuchsia && skin != font.Color()) font.SetColor(skin);
  }
}

String TsCustomLabel::DrawnText(UINT flags) const {
  String text = Caption();
  if ((flags & DT_CALCRECT) && (text.empty() || (ShowAccelChar() && text == L"&"))) text += L" ";
  return text;
}

void TsCustomLabel::Paint() {
  if (gPainting) return;
  const TPaintingScope painting;
  try {
    // Font changes made here are the paint's own: the notification is ignored meanwhile.
    TFont current;
    CurrentFont(current);
    Font().Assign(current);
    TsSkinManager* manager = ActiveManager();
    const int section = manager && !skinSection_.empty() ? manager->SectionIndex(skinSection_) : -1;
    if (section > 0) {
      Font().SetColor(SkinColorToRGB(manager->Tables().SectionTable[static_cast<size_t>(section)].FontColor[0]));
      PaintSectionBackground(*manager, section);
    }
    TCustomLabel::Paint();
  } catch (...) {
    // Painting never raises: what was drawn stays.
  }
}

void TsCustomLabel::PaintSectionBackground(TsSkinManager& manager, int section) {
  const int w = Width(), h = Height();
  if (w <= 0 || h <= 0 || !Parent()) return;
  const BgInfo behind = AskBackground(static_cast<TControl*>(Parent()));
  TBitmap picture(w, h);
  PaintSection(section, skinSection_, behind, manager.TextureIndex(section, skinSection_, "HOTPATTERN"),
               manager.TextureIndex(section, skinSection_, "PATTERN"), &manager.Tables(), picture.View(),
               TPoint{Left(), Top()}, TsRect{0, 0, w, h}, 0, true);
  BitBlt(Canvas().Handle(), 0, 0, w, h, picture.Canvas().Handle(), 0, 0, SRCCOPY);
}

void TsCustomLabel::DoDrawText(RECT& rect, UINT flags) {
  if (Enabled() || !ActiveManager()) {
    TCustomLabel::DoDrawText(rect, flags);
    return;
  }
  const String text = DrawnText(flags);
  if (!ShowAccelChar()) flags |= DT_NOPREFIX;
  const TColor behind = Parent() ? QueryControlColor(Parent()) : PlainColor(Color());
  TCanvas& canvas = Canvas();
  canvas.Font().Assign(Font());
  canvas.Font().SetColor(MixColor(PlainColor(Font().Color()), behind, 0.4));
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  canvas.DrawText(text, rect, flags);
}

bool TsCustomLabel::SkinCommand(TMessage& message) {
  switch (SkinCommandOf(message.WParam)) {
    case CMD_SKINREMOVED:
      if (FromDefaultManager(message) && Font().Color() != clWindowText) Font().SetColor(clWindowText);
      return false;
    case CMD_REPAINT:
      if (FromDefaultManager(message)) Invalidate();
      return false;
    default:
      return false;
  }
}

void TsCustomLabel::WndProc(TMessage& message) {
  switch (message.Msg) {
    case CM_FONTCHANGED:
      if (gPainting) return;
      AdjustBounds();
      Invalidate();
      return;
    case SM_SKINCMD:
      if (SkinCommand(message)) return;
      break;
    default:
      break;
  }
  TCustomLabel::WndProc(message);
}

// ---------------------------------------------------------------- TsLabel, TsEditLabel

void TsLabel::SetUseSkinColor(bool on) {
  if (on == useSkinColor_) return;
  useSkinColor_ = on;
  Invalidate();
}

void TsLabel::CurrentFont(TFont& font) const {
  if (useSkinColor_)
    TsCustomLabel::CurrentFont(font);
  else
    font.Assign(Font());
}

bool TsLabel::SkinCommand(TMessage& message) {
  if (SkinCommandOf(message.WParam) != CMD_SKINREMOVED) return TsCustomLabel::SkinCommand(message);
  if (useSkinColor_ && FromDefaultManager(message)) Font().SetColor(clWindowText);
  return true;
}

TsEditLabel::~TsEditLabel() {
  if (gone_) gone_(bound_);
}

void TsEditLabel::Bind(TsBoundLabel* bound, std::function<void(TsBoundLabel*)> gone) {
  bound_ = bound;
  gone_ = std::move(gone);
}

// ---------------------------------------------------------------- TsLabelFX

TsLabelFX::TsLabelFX(TComponent* owner) : TsCustomLabel(owner) {}

TsLabelFX::Effective TsLabelFX::ShadowValues() const {
  TColor color = shadow_.Color();
  int blur = shadow_.BlurCount(), distance = shadow_.Distance();
  if (shadow_.Mode() == smSkin1)
    if (TsSkinManager* manager = ActiveManager(); manager && manager->GlobalInfo().Shadow1Blur != -1) {
      color = manager->GlobalInfo().Shadow1Color;
      blur = manager->GlobalInfo().Shadow1Blur;
      distance = manager->GlobalInfo().Shadow1Offset;
    }
  return Effective{color == clNone ? clNone : PlainColor(color), ClampShadowExtent(blur, distance)};
}

TColor TsLabelFX::TextColor() const {
  switch (kind_.KindType()) {
    case ktStandard:
      return Color();
    case ktCustom:
      return kind_.Color();
    case ktSkin:
      if (TsSkinManager* manager = ActiveManager()) {
        const int global = manager->SectionIndex("GLOBALINFO");
        if (global >= 0) {
          const TColor left = manager->Tables().SectionTable[static_cast<size_t>(global)].FontColor[1];
          if (left != -1) return SkinColorToRGB(left);
        }
      }
      return kind_.Color();
  }
  return kind_.Color();
}

RECT TsLabelFX::TextRect(const RECT& rect) const {
  return RECT{rect.left - margins_.TopLeft, rect.top - margins_.TopLeft, rect.right - margins_.BottomRight,
              rect.bottom - margins_.BottomRight};
}

void TsLabelFX::DoDrawText(RECT& rect, UINT flags) {
  if (shadow_.Mode() == smNone) {
    TsCustomLabel::DoDrawText(rect, flags);
    return;
  }
  const Effective shadow = ShadowValues();
  const String text = DrawnText(flags);
  if (!ShowAccelChar()) flags |= DT_NOPREFIX;
  const bool measuring = (flags & DT_CALCRECT) != 0;
  TCanvas& canvas = Canvas();
  canvas.Font().Assign(Font());
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  RECT place = measuring ? rect : TextRect(rect);

  if (!Enabled()) {  // etched, without a shadow
    RECT raised = place;
    OffsetRect(&raised, 1, 1);
    canvas.Font().SetColor(clBtnHighlight);
    canvas.DrawText(text, raised, flags);
    canvas.Font().SetColor(clBtnShadow);
    canvas.DrawText(text, place, flags);
    if (measuring) rect = place;
    return;
  }
  const bool withShadow = shadow.Color != clNone && shadow.Extent.Blur != 0;
  if (withShadow && !measuring) DrawShadow(text, rect, flags, shadow);
  canvas.Font().SetColor(TextColor());
  canvas.DrawText(text, place, flags);
  if (!measuring) return;
  rect = place;
  if (withShadow) {  // an auto-sized label leaves room for the shadow
    margins_ = ShadowMargins(shadow.Extent);
    const int grow = margins_.BottomRight - margins_.TopLeft;
    rect.right += grow;
    rect.bottom += grow;
  }
}

void TsLabelFX::DrawShadow(const String& text, const RECT& rect, UINT flags, const Effective& shadow) {
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (w <= 0 || h <= 0) return;
  TCanvas& canvas = Canvas();
  shadowBitmap_.SetSize(w, h);
  const TSurfaceView view = shadowBitmap_.View();
  TCanvas& ink = shadowBitmap_.Canvas();
  GdiFlush();
  FillRectColor(view, TsRect{0, 0, w, h}, clBlack);
  TFont white;  // the label's font in white; assigned only when it differs, so its GDI font is kept
  white.Assign(canvas.Font());
  white.SetColor(clWhite);
  ink.Font().Assign(white);
  ink.Brush().SetStyle(TBrushStyle::bsClear);
  RECT moved = TextRect(rect);
  OffsetRect(&moved, shadow.Extent.Distance, shadow.Extent.Distance);
  ink.DrawText(text, moved, flags);
  GdiFlush();
  blur_.Blur(view, shadow.Extent.Blur);

  // What lies behind the label (the parent's picture on the canvas) or the label's colour.
  if (Transparent()) {
    BitBlt(ink.Handle(), 0, 0, w, h, canvas.Handle(), 0, 0, SRCCOPY);
    GdiFlush();
  } else {
    FillRectColor(view, TsRect{0, 0, w, h}, PlainColor(Color()));
  }
  blur_.Composite(view, shadow.Color);
  BitBlt(canvas.Handle(), 0, 0, w, h, ink.Handle(), 0, 0, SRCCOPY);
}
