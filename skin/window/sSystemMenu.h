// The system menu of a skinned form, and the rules of what a form's window may do.
//
// The frame provider removes WS_SYSMENU from a skinned form (so that the platform draws no
// caption buttons), and with it the platform's system menu: `TsSystemMenu` stands in for
// it, a pop-up menu the provider opens on Alt+Space, on a right click on the caption and
// on a press on the caption icon, with a submenu of the skins the manager can load.
//
// `WindowRulesOf` says once which items are shown and enabled after the form's border
// icons, border style and window state; the caption buttons follow the same rules.
// `TacSystemMenuBase` holds what every skinned system menu shares (its items, their
// commands, the owner-drawn requests, the pop-up): the dialog frame's menu derives from it too.
#pragma once

#include <cstdint>

#include "framework/Forms.h"
#include "framework/Menus.h"
#include "skin/window/acCaptionButtons.h"

class TsSkinProvider;

// What a form's borders and window state allow now.
struct TsWindowRules {
  bool RestoreVisible = false, RestoreEnabled = false;
  bool MoveEnabled = false;
  bool SizeVisible = false, SizeEnabled = false;
  bool MinimizeVisible = false, MinimizeEnabled = false;
  bool MaximizeVisible = false, MaximizeEnabled = false;
  bool CloseVisible = false;
  bool CloseEnabled = true;  // a window whose system menu disables SC_CLOSE offers no close
  bool Help = false;  // a help button (biHelp with biSystemMenu)
  bool Iconic = false, Zoomed = false;
  // The caption buttons: close with Close, maximise and minimise with their items, help.
  TCaptionRules Caption() const;
};
TsWindowRules WindowRulesOf(uint32_t borderIcons, TBorderStyle style, bool mdiChild, TWindowState state);
TsWindowRules WindowRulesOf(const TCustomForm& form);

// The items every skinned system menu has, in this order: Restore, Move, Size, Minimize,
// Maximize, a separator and Close (Alt+F4). A click sends the window its WM_SYSCOMMAND.
// The menu pops up with TPM_RETURNCMD: its item identifiers start at 1 and must never reach
// the window as WM_COMMAND (a dialog would read them as IDOK, IDCANCEL).
class TacSystemMenuBase : public TPopupMenu {
public:
  explicit TacSystemMenuBase(TComponent* owner);

  // Visibility and enabled state of the items after the window's rules now.
  virtual void UpdateItems() = 0;
  // Shows the items as `rules` say.
  void ApplyRules(const TsWindowRules& rules);
  // The window is the menu's window: owner-drawn items of this menu are measured and drawn
  // here when the window passes their requests on. True when `message` was one of them.
  bool OwnerDrawMessage(TMessage& message);

  TMenuItem* ItemRestore = nullptr;
  TMenuItem* ItemMove = nullptr;
  TMenuItem* ItemSize = nullptr;
  TMenuItem* ItemMinimize = nullptr;
  TMenuItem* ItemMaximize = nullptr;
  TMenuItem* ItemClose = nullptr;

protected:
  // The window the commands go to (null: none now).
  virtual HWND CommandWindow() const = 0;
  // Sends `command`; with `update`, the items follow the new window state.
  void Command(WPARAM command, bool update);
  // Pops the menu up at the screen point (x, y) with CommandWindow as the menu's window,
  // and runs the chosen item's click once it is closed.
  void Track(int x, int y);
};

class TsSystemMenu : public TacSystemMenuBase {
public:
  TsSystemMenu(TsSkinProvider* provider, TCustomForm* form);
  const wchar_t* ClassName() const override { return L"TsSystemMenu"; }

  // Visibility and enabled state of the items after the form's border and window state.
  void UpdateItems() override;
  // Rebuilds the skins submenu (when the provider wants one) and pops the menu up at the
  // screen point (x, y) with the form as the menu's window.
  void Popup(int x, int y) override;
  // The skins submenu as the next pop-up will show it (for callers that draw the menu).
  void MakeSkinItems();
  // The skins submenu, or null while the menu has none.
  TMenuItem* SkinSelectItem() const;

protected:
  HWND CommandWindow() const override;

private:
  TsSkinProvider* provider_;
  TCustomForm* form_;
};
