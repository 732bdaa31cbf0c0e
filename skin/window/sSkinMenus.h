// Skinned menus: the items of pop-up menus (and of a main menu's bar) are owner-drawn from
// the skin. A menu gets one prepared picture the size of its menu window ("MAINMENU" with
// its border, an optional extra line at the left and the icon column); each item is painted
// onto that picture ("MENUITEM" for the background, section colours for the text, the
// skin's check marks, a divider mask for separators), and the menu window gets the border
// back after the platform's own paint and a region that cuts the border's key corners away.
//
// Geometry comes from the menu window itself: the item rectangles are client coordinates,
// and the client area's place inside the window (a non-client border on Windows, none
// under Wine, which draws its frame inside the client area) gives the offset between an
// item and the picture. The per-menu state is process-wide (one menu is painted at a time)
// and is keyed by the menu's first item: a parent menu that repaints after a submenu
// prepares its own picture again, and the key goes with the item, so an item made later
// at a freed one's address (the system menu's items are made again on every pop-up)
// starts a new state.
//
// Each skin manager owns one `TsSkinableMenus` (made through the manager's seam once
// `UseSkinableMenus` has run). Menu windows get one handler (`TacMnuWnd`): the thread hook
// attaches it at creation, and `ApplyMenuFrame` attaches one only to a window that has none
// yet; the handler paints the border from the picture and resets the menu state when its
// window goes.
//
// Left out: the extra line's picture (the manager's event has no picture argument), the
// framework has no main menus (the menu-bar handlers paint on the canvas they are given,
// without a frame provider's cache), and the skinned speed buttons that drop menus down.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "framework/ComponentLink.h"
#include "framework/Graphics.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "skin/core/sSkinManager.h"
#include "skin/paint/PaintTypes.h"

enum class TsMenuItemType { smCaption, smDivider, smNormal, smTopLine };
using enum TsMenuItemType;

// Called with the canvas of an item's finished picture (before it reaches the screen).
using TsMenuManagerDrawItemEvent =
    std::function<void(TMenuItem* item, TCanvas& canvas, TsMenuItemType type, UINT state, RECT rect)>;

// The kind of an item by its caption: "-" a separator, "-Word-" a caption item.
TsMenuItemType MenuItemTypeOf(const TMenuItem& item);

class TsSkinableMenus : public TacSkinableMenusBase {
public:
  explicit TsSkinableMenus(TsSkinManager* manager);
  ~TsSkinableMenus() override;
  TsSkinableMenus(const TsSkinableMenus&) = delete;
  TsSkinableMenus& operator=(const TsSkinableMenus&) = delete;

  // Published settings.
  TAlignment Alignment = taLeftJustify;
  int BevelWidth = 0;
  int BorderWidth = 3;
  int Margin = 3;
  int Spacing = 6;
  TFont& CaptionFont() { return captionFont_; }
  // The border width of the skin's menu frame (cached until the next skin).
  int SkinBorderWidth();
  void SetSkinBorderWidth(int value) { skinBorderWidth_ = value; }
  TsMenuManagerDrawItemEvent OnDrawItem;

  bool Active() const { return active_; }
  TsSkinManager* Manager() const { return manager_; }

  void HookMenus(bool on) override;
  // The same for the menus owned, directly or further down, by `root`.
  void HookComponentMenus(TComponent& root, bool on);
  // `menu` is taken for a main menu: its top-level items get the menu-bar handlers.
  void HookMainMenu(TMenu& menu, bool on);
  void HookPopupMenu(TPopupMenu& menu, bool on);
  void HookMenuItems(TMenuItem& item, bool on);
  void SetItemOwnerDraw(TMenuItem& item, bool on);
  // Gives the menu window its border and region from the prepared picture.
  void ApplyMenuFrame(HWND window);
  // The prepared picture alone goes; the next painted item builds it again.
  void ReleaseMenuPicture();
  void SkinChanged() override;
  void HandleMenuMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

  // The handlers the items get.
  void MeasureItem(TMenuItem* item, TCanvas& canvas, int& width, int& height);
  void DrawItem(TMenuItem* item, TCanvas& canvas, RECT rect, UINT state);
  void MeasureMenuBarItem(TMenuItem* item, TCanvas& canvas, int& width, int& height);
  void DrawMenuBarItem(TMenuItem* item, TCanvas& canvas, RECT rect, UINT state);

  // Sizes.
  int ItemHeight(const TMenuItem& item);
  // The menu's size computed from its items (when its window is unknown).
  SIZE MenuSize(const TMenuItem& anyItem);
  // Glyph size of an item: its bitmap, its menu's image size, else 16 x 16.
  static SIZE GlyphSize(const TMenuItem& item);
  // The extra line's width for the menu being painted, 0 when it shows none.
  int ActiveExtraLineWidth() const;
  // The rectangles cut out of the last prepared menu window's region (window coordinates).
  const std::vector<TsRect>& CutOuts() const { return cutOuts_; }
  // Builds the picture of the menu of `item` at width x height (when not already built).
  void PrepareMenuPicture(const TMenuItem& item, int width, int height, HWND window);

private:
  bool SkinReady() const;
  void AskExtraLine(const TMenuItem& first);
  void PaintExtraLine(TBitmap& picture, int height);
  void DrawSeparator(TCanvas& canvas, RECT rect, POINT offset);
  void DrawCaptionItem(TMenuItem* item, TCanvas& canvas, RECT rect, POINT offset, UINT state);
  void DrawItemText(TMenuItem* item, TBitmap& picture, UINT state, bool hot);
  void CopyFrameStrips(HDC dc, const TMenuItem& item, RECT rect, POINT offset);

  TComponentLink<TsSkinManager> manager_;  // null once the manager is freed
  TFont captionFont_;
  int skinBorderWidth_ = -1;
  bool active_ = false;
  bool applying_ = false;
  std::vector<TsRect> cutOuts_;
};

// The process-wide menu state.
// Forgets the remembered menu, frees the picture and the extra line's marks.
void DiscardMenuState();
// The prepared picture of the menu being shown (borrowed), or null.
TBitmap* MenuPicture();
// The menu window the picture was prepared for, or null.
HWND MenuPictureWindow();
// Set while a skinned menu is open (by measuring, and by a frame provider about to open its
// system menu); cleared when a hooked menu window goes.
bool SkinnedMenuOpen();
void SetSkinnedMenuOpen(bool on);

// Gives a menu window ("#32768") its `TacMnuWnd` unless it already carries a handler of
// ours. The handler frees itself with its window. False when nothing was done.
bool AttachMenuWindow(HWND window);
// Live menu-window handlers (for leak checks).
int LiveMenuWindowCount();

// The menu skinning of `manager` (null without manager or before `UseSkinableMenus`).
TsSkinableMenus* SkinableMenusOf(TsSkinManager* manager);
// Points the managers' menu seam at `TsSkinableMenus`, and the frame providers' menu hooks
// at it. Call once at start-up.
void UseSkinableMenus();
