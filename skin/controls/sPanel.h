// The skinned panel: while a skin is active it draws itself entirely from its binding's
// cached picture (the section's background, border mask and corner images instead of
// the framework's bevels), serves that picture to its children as their background, and
// paints its non-windowed children (labels) over it, double-buffered. Without an active
// skin it is the framework panel, with `OnPaint` as an option.
//
// Left out: design-time painting.
#pragma once

#include <functional>
#include <memory>

#include "framework/ExtCtrls.h"
#include "skin/core/sCommonData.h"

using TPaintEvent = std::function<void(TComponent* sender, TCanvas& canvas)>;

class TsPanel : public TPanel {
public:
  explicit TsPanel(TComponent* owner);
  ~TsPanel() override;
  const wchar_t* ClassName() const override { return L"TsPanel"; }
  void Loaded() override;

  TsCommonData& SkinData() { return *skinData_; }
  // Skinned: draws into the cached picture after the panel has drawn it. Unskinned:
  // replaces the framework's panel painting.
  TPaintEvent OnPaint;

  // The caption's rectangle in client coordinates (one text line, inside the bevels).
  RECT CaptionRect();

protected:
  void WndProc(TMessage& message) override;
  void Paint() override;
  void PaintWindow(HDC dc) override;

private:
  bool ManagerCommand(TMessage& message);
  void SkinnedMessage(TMessage& message);
  void UnskinnedMessage(TMessage& message);
  void PaintMessage(TMessage& message);
  void PrintMessage(TMessage& message);
  void RebuildPicture();
  void PaintWhole(HDC dc, bool notifyChildren);
  bool OwnManager(LPARAM manager) const;

  std::unique_ptr<TsCommonData> skinData_;
  // The buffer the panel's non-windowed children are painted in.
  TBitmap childBuffer_;
};
