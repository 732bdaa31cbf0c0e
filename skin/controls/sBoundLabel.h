// The bound label of an edit-like control: a caption that belongs to the control and keeps
// itself placed beside it or above it. While active it owns a real `TsEditLabel` on the
// control's parent (component owner: the control; name: the control's name + "Label";
// its accelerator focuses the control); while inactive it only keeps the settings.
//
// The control owns its bound label and forwards its own changes to it after its window
// procedure has run (`ControlChanged`). The label may be destroyed on its own (with its
// parent, say); the bound label then becomes inactive.
//
// Left out: right-to-left reading (the framework has no bidirectional mode).
#pragma once

#include <memory>

#include "framework/StdCtrls.h"

class TsEditLabel;

enum class TsCaptionLayout { sclLeft, sclTopLeft, sclTopCenter, sclTopRight };
using enum TsCaptionLayout;

class TsBoundLabel {
public:
  // `control` owns this object and outlives it; borrowed.
  explicit TsBoundLabel(TWinControl& control);
  ~TsBoundLabel();
  TsBoundLabel(const TsBoundLabel&) = delete;
  TsBoundLabel& operator=(const TsBoundLabel&) = delete;

  // Whether the label exists. Activating gives an empty caption the control's name.
  bool Active() const { return label_ != nullptr; }
  void SetActive(bool on);
  const String& Caption() const { return caption_; }
  void SetCaption(const String& caption);
  // Gap in pixels between label and control.
  int Indent() const { return indent_; }
  void SetIndent(int indent);
  TsCaptionLayout Layout() const { return layout_; }
  void SetLayout(TsCaptionLayout layout);
  // 0: the label takes the size of its text; else a fixed width with word wrap.
  int MaxWidth() const { return maxWidth_; }
  void SetMaxWidth(int width);
  // The label's font while it exists, else the font kept here.
  TFont& Font();
  void SetFont(const TFont& font);
  // The label's UseSkinColor; true without a label, and setting it then changes nothing.
  bool UseSkinColor() const;
  void SetUseSkinColor(bool on);

  // The label while active (owned by the control), else null.
  TsEditLabel* Label() const { return label_; }
  // Places the label beside the control (when it exists and is visible).
  void AlignLabel();
  // Called by the control after its window procedure ran `message`: size and position
  // changes re-place the label, visibility and enabled changes are copied to it.
  void ControlChanged(const TMessage& message);

private:
  void ApplyAlignment();
  static void LabelGone(TsBoundLabel* bound);

  TWinControl& control_;
  TsEditLabel* label_ = nullptr;
  String caption_;
  int indent_ = 0;
  TsCaptionLayout layout_ = sclLeft;
  int maxWidth_ = 0;
  TFont font_;
};
