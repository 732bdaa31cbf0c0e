#include "skin/window/sSystemMenu.h"

#include "skin/core/sSkinManager.h"
#include "skin/window/sSkinProvider.h"

TsWindowRules WindowRulesOf(uint32_t bi, TBorderStyle bs, bool mdiChild, TWindowState ws) {
  const bool sys = (bi & biSystemMenu) != 0, min = (bi & biMinimize) != 0, max = (bi & biMaximize) != 0;
  const bool framed = bs == bsSingle || bs == bsSizeable;
  const bool iconic = ws == wsMinimized;
  TsWindowRules r;
  r.Iconic = iconic;
  r.Zoomed = ws == wsMaximized;
  r.RestoreVisible = sys && (mdiChild || framed);
  r.RestoreEnabled = (max && ws != wsNormal) || iconic;
  r.MoveEnabled = ws != wsMaximized;
  r.SizeVisible = mdiChild || (bs != bsNone && bs != bsDialog && bs != bsToolWindow);
  r.SizeEnabled = bs != bsSingle && !iconic;
  r.MinimizeVisible = sys && (iconic || mdiChild || bs == bsSizeable || (bs == bsSingle && min));
  r.MinimizeEnabled = min && !iconic;
  r.MaximizeVisible = sys && (iconic || mdiChild || (framed && max));
  r.MaximizeEnabled = max && (mdiChild || (ws != wsMaximized && framed));
  r.CloseVisible = sys;
  r.Help = sys && (bi & biHelp) != 0;
  return r;
}

TsWindowRules WindowRulesOf(const TCustomForm& form) {
  return WindowRulesOf(form.BorderIcons(), form.BorderStyle(), form.FormStyle() == fsMDIChild, form.WindowState());
}

TCaptionRules TsWindowRules::Caption() const {
  TCaptionRules c;
  c.Close = CloseVisible;
  c.CloseEnabled = CloseEnabled;
  c.Maximize = MaximizeVisible;
  c.Minimize = MinimizeVisible;
  c.Help = Help;
  c.MaxEnabled = MaximizeEnabled;
  c.MinEnabled = MinimizeEnabled;
  c.RestoreEnabled = RestoreEnabled;
  c.Iconic = Iconic;
  c.Zoomed = Zoomed;
  return c;
}

TacSystemMenuBase::TacSystemMenuBase(TComponent* owner) : TPopupMenu(owner) {
  auto add = [&](const wchar_t* caption, WPARAM command, bool update) {
    auto* item = new TMenuItem(this);
    item->SetCaption(caption);
    if (command) item->OnClick = [this, command, update](TComponent*) { Command(command, update); };
    Items().Add(item);
    return item;
  };
  ItemRestore = add(L"Restore", SC_RESTORE, true);
  ItemMove = add(L"Move", SC_MOVE, false);
  ItemSize = add(L"Size", SC_SIZE, false);
  ItemMinimize = add(L"Minimize", SC_MINIMIZE, true);
  ItemMaximize = add(L"Maximize", SC_MAXIMIZE, true);
  add(L"-", 0, false);
  ItemClose = add(L"Close\tAlt+F4", SC_CLOSE, false);
}

// Closing may free the window's owner, which must not happen inside its own procedure:
// posted. The others act at once, so the items can follow the new window state.
void TacSystemMenuBase::Command(WPARAM command, bool update) {
  HWND window = CommandWindow();
  if (!window) return;
  if (command == SC_CLOSE) {
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    return;
  }
  SendMessageW(window, WM_SYSCOMMAND, command, 0);
  if (update) UpdateItems();
}

void TacSystemMenuBase::ApplyRules(const TsWindowRules& r) {
  ItemRestore->SetVisible(r.RestoreVisible);
  ItemRestore->SetEnabled(r.RestoreEnabled);
  ItemMove->SetEnabled(r.MoveEnabled);
  ItemSize->SetVisible(r.SizeVisible);
  ItemSize->SetEnabled(r.SizeEnabled);
  ItemMinimize->SetVisible(r.MinimizeVisible);
  ItemMinimize->SetEnabled(r.MinimizeEnabled);
  ItemMaximize->SetVisible(r.MaximizeVisible);
  ItemMaximize->SetEnabled(r.MaximizeEnabled);
  ItemClose->SetVisible(r.CloseVisible);
  ItemClose->SetEnabled(r.CloseEnabled);
  // The separator goes with Close.
  Items().Items(ItemClose->MenuIndex() - 1)->SetVisible(r.CloseVisible);
}

bool TacSystemMenuBase::OwnerDrawMessage(TMessage& message) {
  UINT type = 0, id = 0;
  ULONG_PTR data = 0;
  if (message.Msg == WM_MEASUREITEM && message.LParam) {
    const auto* mi = reinterpret_cast<const MEASUREITEMSTRUCT*>(message.LParam);
    type = mi->CtlType, id = mi->itemID, data = mi->itemData;
  } else if (message.Msg == WM_DRAWITEM && message.LParam) {
    const auto* di = reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam);
    type = di->CtlType, id = di->itemID, data = di->itemData;
  } else {
    return false;
  }
  TMenuItem* item = type == ODT_MENU ? FindItem(id) : nullptr;
  if (!item || reinterpret_cast<ULONG_PTR>(item) != data) return false;
  message.Result = MenuWindowMessage(message.Msg, message.WParam, message.LParam);
  return true;
}

void TacSystemMenuBase::Track(int x, int y) {
  HWND window = CommandWindow();
  if (!window) return;
  if (OnPopup) OnPopup(this);
  RebuildHandle();
  // The window is the menu's window: it sees the menu open as its system menu would.
  const UINT command = static_cast<UINT>(TrackPopupMenuEx(
      Handle(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, x, y, window, nullptr));
  if (command != 0)
    if (TMenuItem* item = FindItem(command)) item->Click();
}

TsSystemMenu::TsSystemMenu(TsSkinProvider* provider, TCustomForm* form)
    : TacSystemMenuBase(provider), provider_(provider), form_(form) {}

HWND TsSystemMenu::CommandWindow() const {
  return form_ && form_->HandleAllocated() ? form_->Handle() : nullptr;
}

void TsSystemMenu::UpdateItems() {
  if (form_) ApplyRules(WindowRulesOf(*form_));
}

TMenuItem* TsSystemMenu::SkinSelectItem() const {
  TMenuItem& root = const_cast<TsSystemMenu*>(this)->Items();
  return root.Count() > 0 && root.Items(0)->Name() == L"SkinSelectItem" ? root.Items(0) : nullptr;
}

void TsSystemMenu::MakeSkinItems() {
  if (TMenuItem* old = SkinSelectItem()) {
    TMenuItem* separator = Items().Count() > 1 ? Items().Items(1) : nullptr;
    delete old;
    if (separator && separator->IsLine()) delete separator;
  }
  if (!provider_->MakeSkinMenu()) return;
  TsSkinManager* manager = provider_->SkinData().SkinManager();
  if (!manager) return;
  const std::vector<String> names = manager->SkinNames(TacSkinListKind::Both);
  if (names.empty()) return;
  auto* select = new TMenuItem(this);
  select->SetName(L"SkinSelectItem");
  select->SetCaption(L"Available skins");
  Items().Insert(0, select);
  auto* separator = new TMenuItem(this);
  separator->SetCaption(L"-");
  Items().Insert(1, separator);
  for (size_t i = 0; i < names.size(); ++i) {
    auto* item = new TMenuItem(nullptr);  // goes with the submenu item
    item->SetName(L"SkinSelectItem" + std::to_wstring(i));
    // "&" marks a mnemonic in a menu caption: doubled, it shows as itself. The name passed
    // on is the skin's own, ampersands included.
    String caption;
    for (wchar_t c : names[i]) caption += c == L'&' ? String(L"&&") : String(1, c);
    item->SetCaption(caption);
    item->SetChecked(names[i] == manager->SkinName());
    if (i > 0 && i % 20 == 0) item->SetBreak(mbBreak);
    item->OnClick = [manager, name = names[i]](TComponent*) { manager->SetSkinName(name); };
    select->Add(item);
  }
}

void TsSystemMenu::Popup(int x, int y) {
  if (!form_ || !form_->HandleAllocated()) return;
  MakeSkinItems();
  UpdateItems();
  TsSkinManager* manager = provider_->SkinData().SkinManager();
  if (manager && manager->SkinnedPopups() && FrameHooks().PopupMenu) FrameHooks().PopupMenu(*provider_, *this);
  Track(x, y);
}
