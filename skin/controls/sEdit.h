// The skinned single-line edit: the platform edit keeps the text editing and paints its
// client area; while a skin is active the edit paints the frame around it (the non-client
// ring) from its binding's cached picture of its section ("EDIT" by default) and, before
// each platform paint, gives the client the section's colours: "HOTCOLOR" and
// "HOTFONTCOLOR" while focused or under the pointer, "COLOR" and "FONTCOLOR" otherwise.
// A bound label can sit beside it. Without an active skin it is the framework edit.
//
// The cached picture holds the whole edit, text included (password characters for a
// password edit), for printing and for fades of a parent.
//
// Left out: design-time painting, alignment of the text other than left.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/StdCtrls.h"
#include "skin/controls/sBoundLabel.h"
#include "skin/core/sCommonData.h"
#include "skin/paint/Pixels.h"

class TsEdit : public TEdit {
public:
  explicit TsEdit(TComponent* owner);
  ~TsEdit() override;
  const wchar_t* ClassName() const override { return L"TsEdit"; }
  void Loaded() override;

  TsCommonData& SkinData() { return *skinData_; }
  TsBoundLabel& BoundLabel() { return *boundLabel_; }
  TsDisabledKind DisabledKind() const { return disabledKind_; }
  void SetDisabledKind(TsDisabledKind kind);

  // Width of the skinned ring around the client area, from the border style and bevels.
  int BorderWidth() const;
  // Rebuilds the cached picture now (the state follows focus and pointer).
  void RebuildPicture();

protected:
  void WndProc(TMessage& message) override;
  // Draws the text (or its password characters) into the cached picture; `hot` while
  // the edit shows its hot look.
  virtual void PaintText(TCanvas& canvas, bool hot);

private:
  bool AnyStateCommand(TMessage& message);
  bool SkinnedMessage(TMessage& message);
  void DefaultHandling(TMessage& message);
  void AfterDefault(const TMessage& message);
  void CallFramework(TMessage& message);
  bool OwnManager(LPARAM manager) const;
  int TextInset() const;
  void PickColors();
  void PaintClient(TMessage& message);
  void PaintRing();
  void Print(TMessage& message);
  void LookChanged();

  std::unique_ptr<TsCommonData> skinData_;
  std::unique_ptr<TsBoundLabel> boundLabel_;
  TsDisabledKind disabledKind_ = dkBlended;
};
