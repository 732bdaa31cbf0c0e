// The page control over the platform tab control, and its tab sheets.
//
// Each `TTabSheet` is a child window of the page control, aligned to the tab control's
// display area; only the active sheet is visible. The tabs are the visible sheets in page
// order.
//
// Left out: images on tabs, owner-drawn tabs, tab positions other than the top, tab
// scrolling beyond what the platform control does itself, docking.
#pragma once

#include <functional>
#include <vector>

#include "framework/WinControls.h"

class TPageControl;

class TTabSheet : public TWinControl {
public:
  explicit TTabSheet(TComponent* owner);
  ~TTabSheet() override;
  const wchar_t* ClassName() const override { return L"TTabSheet"; }

  TPageControl* PageControl() const { return pageControl_; }
  // Moves the sheet into `control` (last page), or out of any page control with null.
  void SetPageControl(TPageControl* control);
  int PageIndex() const;
  void SetPageIndex(int index);
  // The position among the visible tabs, or -1 when the tab is hidden.
  int TabIndex() const;
  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool on);

protected:
  void WndProc(TMessage& message) override;

private:
  friend class TPageControl;
  TPageControl* pageControl_ = nullptr;
  bool tabVisible_ = true;
};

class TPageControl : public TWinControl {
public:
  explicit TPageControl(TComponent* owner);
  ~TPageControl() override;
  const wchar_t* ClassName() const override { return L"TPageControl"; }

  int PageCount() const { return static_cast<int>(pages_.size()); }
  // Borrowed: the page at `index` in page order.
  TTabSheet* Pages(int index) const { return pages_.at(static_cast<size_t>(index)); }
  TTabSheet* ActivePage() const { return activePage_; }
  void SetActivePage(TTabSheet* page);
  int ActivePageIndex() const;
  void SetActivePageIndex(int index);
  // The page whose tab is at visible position `tabIndex`, or null.
  TTabSheet* PageForTab(int tabIndex) const;
  // The tab control's display area in client coordinates.
  RECT DisplayRect() const;
  bool MultiLine() const { return multiLine_; }
  void SetMultiLine(bool on);
  bool HotTrack() const { return hotTrack_; }
  void SetHotTrack(bool on);

  TNotifyEvent OnChange;
  std::function<void(TComponent*, bool& allowChange)> OnChanging;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void WndProc(TMessage& message) override;
  void AdjustClientRect(RECT& rect) const override;
  // Makes the page of the selected tab the active page (after a tab click).
  virtual void UpdateActivePage();
  virtual void Change();
  virtual bool CanChange();
  // Rebuilds the platform tabs from the visible pages.
  void UpdateTabs();

private:
  friend class TTabSheet;
  void InsertPage(TTabSheet* page);
  void RemovePage(TTabSheet* page);
  void ShowActivePage();

  std::vector<TTabSheet*> pages_;
  TTabSheet* activePage_ = nullptr;
  bool multiLine_ = false;
  bool hotTrack_ = false;
};
