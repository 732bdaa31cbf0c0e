// Controls that paint themselves on a canvas: `TGraphicControl` (no window of its own,
// painted by its parent on the parent's DC) and `TCustomControl` (a window with a canvas).
// The canvas holds the DC only while `Paint` runs.
#pragma once

#include "framework/WinControls.h"

class TGraphicControl : public TControl {
public:
  explicit TGraphicControl(TComponent* owner);
  const wchar_t* ClassName() const override { return L"TGraphicControl"; }
  TCanvas& Canvas() { return canvas_; }

protected:
  void WndProc(TMessage& message) override;
  virtual void Paint() {}

private:
  TCanvas canvas_;
};

class TCustomControl : public TWinControl {
public:
  explicit TCustomControl(TComponent* owner);
  const wchar_t* ClassName() const override { return L"TCustomControl"; }
  TCanvas& Canvas() { return canvas_; }

protected:
  void PaintWindow(HDC dc) override;
  virtual void Paint() {}

private:
  TCanvas canvas_;
};
