// The skin engine's labels (unit sLabel): `TsCustomLabel` and its three kinds.
//
// - `TsLabel`: a label whose font colour follows the skin's global font colour.
// - `TsEditLabel`: the `TsLabel` a bound label (the caption of an edit-like control) makes.
// - `TsLabelFX`: a label with a soft, blurred shadow under its text.
//
// Labels have no skin binding of their own: they use the default skin manager (its global
// font colour, a section named in `SkinSection`, its global shadow). They are transparent
// from creation, so on a skinned parent, which paints them into an off-screen copy of its
// picture, the skin shows around their text.
//
// Painting never raises, and a process-wide flag marks that a label is painting (the font
// changes a paint makes do not start another paint); it is cleared on every way out.
// Shadow values are limited before use (skin/paint/LabelShadow.h), so a skin cannot make
// a paint unboundedly expensive.
//
// The framework control's `OnMouseEnter` and `OnMouseLeave` serve as the label's.
//
// Left out: design-time painting, right-to-left reading.
#pragma once

#include <functional>
#include <string>

#include "framework/StdCtrls.h"
#include "skin/paint/LabelShadow.h"

class TsLabelFX;
class TsBoundLabel;
class TsSkinManager;

enum class TsShadowMode { smNone, smCustom, smSkin1 };
using enum TsShadowMode;

// The shadow of an effect label; owned by it. Every setter that changes a value
// invalidates the label.
class TsShadow {
public:
  explicit TsShadow(TsLabelFX& owner) : owner_(owner) {}
  TsShadow(const TsShadow&) = delete;
  TsShadow& operator=(const TsShadow&) = delete;

  // smNone: no shadow; smCustom: the values below; smSkin1: the skin's global shadow
  // (these values when the skin has none).
  TsShadowMode Mode() const { return mode_; }
  void SetMode(TsShadowMode mode);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  // Blur passes.
  int BlurCount() const { return blurCount_; }
  void SetBlurCount(int count);
  // Offset to the right and down, in pixels.
  int Distance() const { return distance_; }
  void SetDistance(int distance);

private:
  TsLabelFX& owner_;
  TsShadowMode mode_ = smSkin1;
  TColor color_ = clBlack;
  int blurCount_ = 4;
  int distance_ = 1;
};

enum class TsKindType { ktStandard, ktCustom, ktSkin };
using enum TsKindType;

// Where an enabled effect label's text colour comes from; owned by the label. Every setter
// that changes a value invalidates the label.
class TsKind {
public:
  explicit TsKind(TsLabelFX& owner) : owner_(owner) {}
  TsKind(const TsKind&) = delete;
  TsKind& operator=(const TsKind&) = delete;

  // ktStandard: the label's Color; ktCustom: Color below; ktSkin: the skin's first
  // contour colour of "GLOBALINFO" (Color below when the skin has none).
  TsKindType KindType() const { return kindType_; }
  void SetKindType(TsKindType type);
  TColor Color() const { return color_; }
  void SetColor(TColor color);

private:
  TsLabelFX& owner_;
  TsKindType kindType_ = ktSkin;
  TColor color_ = clWhite;
};

class TsCustomLabel : public TCustomLabel {
public:
  explicit TsCustomLabel(TComponent* owner);
  const wchar_t* ClassName() const override { return L"TsCustomLabel"; }

  // A section whose background is painted behind the label and whose font colour colours
  // its text; looked up exactly as written.
  const std::string& SkinSection() const { return skinSection_; }
  void SetSkinSection(const std::string& name);

  // True while any label is painting (process-wide).
  static bool PaintingAny();

protected:
  void WndProc(TMessage& message) override;
  void Paint() override;
  void DoDrawText(RECT& rect, UINT flags) override;
  // The font a paint takes into Font: Font, with the skin's global font colour when the
  // default manager's skin is active and has one that differs.
  virtual void CurrentFont(TFont& font) const;
  // A skin command for the label; true when it goes no further.
  virtual bool SkinCommand(TMessage& message);
  // The caption as drawn with `flags`: a space is added when measuring an empty caption
  // or a lone accelerator mark.
  String DrawnText(UINT flags) const;

private:
  void PaintSectionBackground(TsSkinManager& manager, int section);

  std::string skinSection_;
};

class TsLabel : public TsCustomLabel {
public:
  explicit TsLabel(TComponent* owner) : TsCustomLabel(owner) {}
  const wchar_t* ClassName() const override { return L"TsLabel"; }

  // The font colour follows the skin (default on).
  bool UseSkinColor() const { return useSkinColor_; }
  void SetUseSkinColor(bool on);

protected:
  void CurrentFont(TFont& font) const override;
  bool SkinCommand(TMessage& message) override;

private:
  bool useSkinColor_ = true;
};

// The label of a bound label. The bound label (skin/core) is borrowed and opaque here: it
// learns through `gone` that its label is being destroyed, and marks itself inactive.
class TsEditLabel : public TsLabel {
public:
  explicit TsEditLabel(TComponent* owner) : TsLabel(owner) {}
  ~TsEditLabel() override;
  const wchar_t* ClassName() const override { return L"TsEditLabel"; }

  // `bound` (borrowed) owns this label's caption settings; `gone` is called once, with
  // `bound`, when this label is destroyed.
  void Bind(TsBoundLabel* bound, std::function<void(TsBoundLabel*)> gone);
  TsBoundLabel* BoundLabel() const { return bound_; }

private:
  TsBoundLabel* bound_ = nullptr;
  std::function<void(TsBoundLabel*)> gone_;
};

class TsLabelFX : public TsCustomLabel {
public:
  explicit TsLabelFX(TComponent* owner);
  const wchar_t* ClassName() const override { return L"TsLabelFX"; }

  TsShadow& Shadow() { return shadow_; }
  TsKind& Kind() { return kind_; }

  // The room the last measurement left for the shadow: top-left (<= 0) and bottom-right
  // (>= 0); both 0 until a label with a shadow has been measured.
  TsShadowMargins Margins() const { return margins_; }

protected:
  void DoDrawText(RECT& rect, UINT flags) override;

private:
  struct Effective {
    TColor Color;  // plain RGB, or clNone
    TsShadowExtent Extent;
  };
  Effective ShadowValues() const;
  TColor TextColor() const;
  RECT TextRect(const RECT& rect) const;
  void DrawShadow(const String& text, const RECT& rect, UINT flags, const Effective& shadow);

  TsShadow shadow_{*this};
  TsKind kind_{*this};
  TBitmap shadowBitmap_{0, 0, TPixelFormat::pf32bit};
  TsShadowBlur blur_;
  TsShadowMargins margins_;
};
