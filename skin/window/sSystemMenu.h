// The system menu of a skinned form, and the rules of what a form's window may do.
//
// The frame provider removes WS_SYSMENU from a skinned form (so that the platform draws no
// caption buttons), and with it the platform's system menu: `TsSystemMenu` stands in for
// it, a pop-up menu the provider opens on Alt+Space, on a right click on the caption and
// on a press on the caption icon, with a submenu of the skins the manager can load.
//
// `WindowRulesOf` says once which items are shown and enabled after the form's border
// icons, border style and window state; the caption buttons follow the same rules.
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
  bool Help = false;  // a help button (biHelp with biSystemMenu)
  bool Iconic = false, Zoomed = false;
  // The caption buttons: close with Close, maximise and minimise with their items, help.
  TCaptionRules Caption() const;
};
TsWindowRules WindowRulesOf(uint32_t borderIcons, TBorderStyle style, bool mdiChild, TWindowState state);
TsWindowRules WindowRulesOf(const TCustomForm& form);

class TsSystemMenu : public TPopupMenu {
public:
  TsSystemMenu(TsSkinProvider* provider, TCustomForm* form);
  const wchar_t* ClassName() const override { return L"TsSystemMenu"; }

  // Visibility and enabled state of the items after the form's border and window state.
  void UpdateItems();
  // Rebuilds the skins submenu (when the provider wants one) and pops the menu up at the
  // screen point (x, y) with the form as the menu's window.
  void Popup(int x, int y) override;
  // The skins submenu as the next pop-up will show it (for callers that draw the menu).
  void MakeSkinItems();

  TMenuItem* ItemRestore = nullptr;
  TMenuItem* ItemMove = nullptr;
  TMenuItem* ItemSize = nullptr;
  TMenuItem* ItemMinimize = nullptr;
  TMenuItem* ItemMaximize = nullptr;
  TMenuItem* ItemClose = nullptr;
  // The skins submenu, or null while the menu has none.
  TMenuItem* SkinSelectItem() const;
  // The form is the menu's window: owner-drawn items of this menu are measured and drawn
  // here when the form passes their requests on. True when `message` was one of them.
  bool OwnerDrawMessage(TMessage& message);

private:
  void Command(WPARAM command, bool update);
  TsSkinProvider* provider_;
  TCustomForm* form_;
};
