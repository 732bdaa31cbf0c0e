// The skinned page control and its tab sheets.
//
// While a skin is active, `TsPageControl` paints everything itself: the tab band over the
// parent's background, each tab from its tab section ("TABTOP" and its siblings, or the
// page's own TabSkin), the page area from the page section ("PAGECONTROL" and its
// siblings), the active tab last and larger so that it joins the page frame, hot tabs under
// the pointer, and close buttons on the tabs. The platform tab control keeps the tab logic
// (rectangles, rows, selection, keyboard). Each `TsTabSheet` paints its background by
// copying the page control's cached picture and serves that picture to its children.
// A page change may be animated by the manager's page-change effect.
//
// Hot tabs are tracked without letting other messages run inside a mouse move: the tab
// under the pointer and the hot tab are page indexes checked against the pages at every
// use, so a page that went meanwhile is never drawn.
//
// When the tabs of a single row on top or at the bottom do not fit, the platform's own
// scroller is destroyed and a skinned `TsUpDown` takes its place at the band's right end;
// without a skin the platform's scroller is back (the tab window is made again when the
// skin goes, since the platform builds its scroller only once). Without a skin, close
// buttons are small `TsTabBtn` children on the tabs, and tabs in a row are padded so that
// the buttons leave their captions clear.
//
// The control is written in units of its own: its life and messages (sPageControl.cpp),
// painting (sPageControlPaint.cpp), the tab scroller and close buttons (sTabButtons.cpp),
// the tab sheet (sTabSheet.cpp) and the tab geometry (sTabGeometry.h).
//
// Left out: design-time behaviour, tab hints.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/ComCtrls.h"
#include "framework/CustomControls.h"
#include "skin/controls/sTabGeometry.h"
#include "skin/core/sCommonData.h"
#include "skin/core/sFade.h"
#include "skin/paint/Pixels.h"

class TsTabSheet;
class TsUpDown;
class TsTabBtn;

enum TacCloseAction { acaHide, acaFree };
// Asked before a tab is closed by its close button.
using TacCloseBtnClick =
    std::function<void(TComponent* sender, int tabIndex, bool& canClose, TacCloseAction& action)>;

class TsPageControl : public TPageControl {
public:
  explicit TsPageControl(TComponent* owner);
  ~TsPageControl() override;
  const wchar_t* ClassName() const override { return L"TsPageControl"; }
  void Loaded() override;

  TsCommonData& SkinData() { return *skinData_; }
  bool ShowCloseBtns() const { return showCloseBtns_; }
  void SetShowCloseBtns(bool on);
  // Section of the close buttons; empty: the skin's close glyph.
  const std::string& CloseBtnSkin() const { return closeBtnSkin_; }
  void SetCloseBtnSkin(const std::string& section);
  TacAnimatEvents AnimatEvents() const { return animatEvents_; }
  void SetAnimatEvents(TacAnimatEvents events) { animatEvents_ = events; }
  TacCloseBtnClick OnCloseBtnClick;

  // Geometry, client coordinates. Page indexes are in page order.
  RECT TabBand() const;
  RECT PageArea() const;
  // The platform rectangle of a page's tab; empty when the page has no visible tab.
  RECT PlatformTabRect(int pageIndex) const;
  // Empty when the index is outside the pages or there is no active page.
  RECT SkinTabRect(int pageIndex, bool active) const;
  int TabRow(int pageIndex) const;
  // The first page whose tab (normal look) holds `point`; -1 for none.
  int TabAtPoint(POINT point) const;
  // The close button's rectangle on a page's tab (active look for the active page); empty
  // when the tab gets none.
  RECT CloseButtonRect(int pageIndex) const;
  SIZE CloseButtonSize() const { return closeSize_; }

  // The page section in use ("PAGECONTROL" turns by tab position) and a page's tab section.
  std::string PageSection() const;
  std::string TabSection(int pageIndex) const;

  int HotTab() const { return hotTab_; }
  bool PaintingSuppressed() const { return suppressed_; }

  // The skinned tab scroller; null when the tabs fit or without a skin. Borrowed.
  TsUpDown* TabScroller() const { return scroller_; }
  // Tabs that do not show whole: beyond the right end (left of the scroller when there is
  // one) or scrolled away to the left.
  int HiddenTabCount() const;
  // The unskinned close button of a page; null when it has none. Borrowed.
  TsTabBtn* TabButtonOf(int pageIndex) const;

protected:
  void CreateWnd() override;
  void WndProc(TMessage& message) override;
  void UpdateActivePage() override;

private:
  friend class TsTabSheet;
  bool ManagerCommand(TMessage& message);
  bool SkinnedBefore(TMessage& message);
  void AfterFramework(const TMessage& message);
  void Notification(TMessage& message);
  void PaintMessage(TMessage& message, bool print);
  void PaintTo(HDC dc, bool print);
  // What the cached picture (band and page area) and the active tab are made from, but
  // the parent's pixels and what the control hears of itself (captions, tabs added or
  // taken away, size, skin): while the record and those pixels stay, the pictures do.
  struct TPictureInputs {
    std::vector<int64_t> numbers;
    std::vector<String> names;
    std::vector<std::string> sections;
    bool operator==(const TPictureInputs& other) const {
      return numbers == other.numbers && names == other.names && sections == other.sections;
    }
  };
  TPictureInputs PictureInputs(const BgInfo& bg);
  // The parent's pixels under the control (the whole of them when `keep`, else compared
  // with the kept ones): true when they are the ones kept.
  bool SameParentPixels(const BgInfo& bg, bool keep);
  void PaintBand(const BgInfo& bg);
  void PaintPageArea(const BgInfo& bg);
  void FillParentBackground(TBitmap& target, const RECT& area, POINT at, const BgInfo& bg);
  // Draws one tab into `target` (control coordinates moved by `offset`).
  void DrawTab(int pageIndex, int state, TBitmap& target, POINT offset);
  void DrawCaption(int pageIndex, int state, TBitmap& target, const RECT& rect, int sectionIndex);
  void DrawTabOnWindow(int pageIndex, int state);
  void DrawCloseButton(int pageIndex, int state, TBitmap& target, POINT offset);
  void DrawCloseButtonOnWindow(int pageIndex, int state);
  void RepaintBand();
  void MouseMoved(POINT point);
  void MouseLeft();
  bool MousePressed(POINT point);
  bool MouseReleased(POINT point);
  void CloseTab(int pageIndex);
  void UpdateCloseMetrics();
  bool HotDrawingApplies() const;
  bool SkinnedTabBackgrounds(int sectionIndex, int borderIndex) const;
  int VisibleTabCount() const;
  bool ValidPage(int pageIndex) const;
  bool HasCloseButton(int pageIndex) const;
  bool OwnManager(LPARAM manager) const;
  void UnskinnedAfter(const TMessage& message);
  // Re-evaluates the tab scroller and the close buttons.
  void UpdateScrollerAndButtons();
  void UpdateScroller();
  void FreeScroller();
  void PlaceScroller();
  int FirstShownTab() const;
  void ScrollerMoved(int position);
  void UpdateTabButtons();
  void PlaceTabButtons();
  void TabButtonClicked(TsTabBtn& button);
  void PadTabsForButtons(bool buttons);

  std::unique_ptr<TsCommonData> skinData_;
  bool showCloseBtns_ = false;
  std::string closeBtnSkin_;
  TacAnimatEvents animatEvents_ = AnimatEventBit(aeGlobalDef);
  int hotTab_ = -1;
  int hotClose_ = -1;
  int pressedClose_ = -1;
  bool suppressed_ = false;
  int lastTabCount_ = -1;
  int closeSection_ = -1;
  int closeGlyph_ = -1;
  SIZE closeSize_{0, 0};
  bool tracking_ = false;
  bool transition_ = false;
  // Owned through the component tree; freed here.
  TsUpDown* scroller_ = nullptr;
  // The platform's own scroller was destroyed: it comes back only with a new tab window.
  bool platformScrollerGone_ = false;
  std::vector<TsTabBtn*> tabButtons_;
  bool updatingChildren_ = false;
  // The tabs are padded for unskinned close buttons.
  bool paddedTabs_ = false;
  // What the cached picture was last built from, and the parent's pixels under it then.
  TPictureInputs builtFrom_;
  // The page area is painted here and copied into the picture.
  std::unique_ptr<TSurface> areaScratch_;
  TPixelSnapshot parentPixels_;
  // The active tab as last drawn (state 2), and what it was drawn from.
  std::unique_ptr<TBitmap> activeTab_;
  TPictureInputs activeTabFrom_;
};

// An unskinned tab's close button: a flat 15 x 15 button with a bold red "X" that shows
// an edge under the pointer and sinks while pressed.
class TsTabBtn : public TGraphicControl {
public:
  TsTabBtn(TComponent* owner, TTabSheet* page);
  const wchar_t* ClassName() const override { return L"TsTabBtn"; }
  // Borrowed; the page control checks it against its pages before every use.
  TTabSheet* Page() const { return page_; }

protected:
  void WndProc(TMessage& message) override;
  void Paint() override;

private:
  TTabSheet* page_;
  bool hot_ = false;
};

// What a tab sheet stores of its own binding; it paints with the page control's.
struct TsTabSkinData {
  bool CustomColor = false;
  bool CustomFont = false;
  std::string SkinSection;
};

class TsTabSheet : public TTabSheet {
public:
  explicit TsTabSheet(TComponent* owner);
  const wchar_t* ClassName() const override { return L"TsTabSheet"; }

  TsTabSkinData& SkinData() { return skinData_; }
  const std::string& TabSkin() const { return tabSkin_; }
  void SetTabSkin(const std::string& section);
  const std::string& ButtonSkin() const { return buttonSkin_; }
  void SetButtonSkin(const std::string& section);
  bool UseCloseBtn() const { return useCloseBtn_; }
  void SetUseCloseBtn(bool on);

protected:
  void CreateParams(TCreateParams& params) override;
  void WndProc(TMessage& message) override;

private:
  TsPageControl* SkinnedOwner() const;
  bool SkinCommand(TMessage& message, TsPageControl* owner);
  void PaintMessage(TMessage& message, TsPageControl* owner);
  void InvalidateOwner();

  TsTabSkinData skinData_;
  std::string tabSkin_;
  std::string buttonSkin_;
  bool useCloseBtn_ = true;
  // A paint was skipped while the page control's picture was being rebuilt.
  bool missedPaint_ = false;
  // The buffer the sheet's non-windowed children are painted in.
  TBitmap childBuffer_;
};
