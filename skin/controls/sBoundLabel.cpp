#include "skin/controls/sBoundLabel.h"

#include "skin/controls/sLabel.h"

TsBoundLabel::TsBoundLabel(TWinControl& control) : control_(control) {}

TsBoundLabel::~TsBoundLabel() { SetActive(false); }

void TsBoundLabel::LabelGone(TsBoundLabel* bound) {
  if (bound) bound->label_ = nullptr;
}

void TsBoundLabel::SetActive(bool on) {
  if (on == Active()) return;
  if (!on) {
    TsEditLabel* label = label_;
    label_ = nullptr;
    label->Bind(nullptr, {});
    delete label;
    return;
  }
  auto* label = new TsEditLabel(&control_);
  label->Bind(this, &TsBoundLabel::LabelGone);
  label->Font().Assign(font_);
  label->SetVisible(false);
  label->SetParent(control_.Parent());
  label->SetFocusControl(&control_);
  label_ = label;
  ApplyAlignment();
  label->SetName(control_.Name() + L"Label");
  if (caption_.empty()) caption_ = control_.Name();
  label->SetCaption(caption_);
  label->SetVisible(control_.Visible() || label->IsDesigning());
  label->SetEnabled(control_.Enabled());
  AlignLabel();
}

void TsBoundLabel::SetCaption(const String& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  if (!label_) return;
  label_->SetCaption(caption_);
  AlignLabel();
}

void TsBoundLabel::SetIndent(int indent) {
  if (indent == indent_) return;
  indent_ = indent;
  AlignLabel();
}

void TsBoundLabel::SetMaxWidth(int width) {
  if (width == maxWidth_) return;
  maxWidth_ = width;
  AlignLabel();
}

void TsBoundLabel::SetLayout(TsCaptionLayout layout) {
  if (layout == layout_) return;
  layout_ = layout;
  ApplyAlignment();
  AlignLabel();
}

TFont& TsBoundLabel::Font() { return label_ ? label_->Font() : font_; }

void TsBoundLabel::SetFont(const TFont& font) {
  if (!label_) {
    font_.Assign(font);
    return;
  }
  label_->Font().Assign(font);
  label_->SetParentFont(false);
  AlignLabel();
}

bool TsBoundLabel::UseSkinColor() const { return label_ ? label_->UseSkinColor() : true; }

void TsBoundLabel::SetUseSkinColor(bool on) {
  if (label_) label_->SetUseSkinColor(on);
}

void TsBoundLabel::ApplyAlignment() {
  if (!label_) return;
  static constexpr TAlignment kByLayout[] = {taRightJustify, taLeftJustify, taCenter, taRightJustify};
  label_->SetAlignment(kByLayout[static_cast<int>(layout_)]);
}

void TsBoundLabel::AlignLabel() {
  if (!label_ || !label_->Visible()) return;
  label_->SetAutoSize(true);
  const RECT c = control_.BoundsRect();
  const int cw = c.right - c.left, ch = c.bottom - c.top;
  const int lw = label_->Width(), lh = label_->Height();
  int left = c.left;
  int top = c.top - lh - indent_;
  switch (layout_) {
    case sclLeft:
      left = c.left - lw - indent_ - 4;
      top = c.top + (ch - lh) / 2 - 1;
      break;
    case sclTopLeft:
      break;
    case sclTopCenter:
      left = c.left + (cw - lw) / 2;
      break;
    case sclTopRight:
      left = c.left + cw - lw;
      break;
  }
  label_->SetBounds(left, top, lw, lh);
  if (maxWidth_ == 0) return;
  label_->SetAutoSize(false);
  label_->SetWordWrap(true);
  label_->SetBounds(left, top, maxWidth_, std::max(label_->Height(), ch));
}

void TsBoundLabel::ControlChanged(const TMessage& message) {
  if (!label_) return;
  switch (message.Msg) {
    case WM_SIZE:
    case WM_WINDOWPOSCHANGED:
      AlignLabel();
      break;
    case CM_VISIBLECHANGED:
      label_->SetVisible(control_.Visible());
      AlignLabel();
      break;
    case CM_ENABLEDCHANGED:
      label_->SetEnabled(control_.Enabled());
      AlignLabel();
      break;
    default:
      break;
  }
}
