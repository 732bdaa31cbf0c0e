#include "framework/Menus.h"

#include <algorithm>

#include "framework/WinControls.h"
#include "framework/UtilityWindow.h"

namespace {
UINT gNextCommand = 1;
}

// ---------------------------------------------------------------- TMenuItem

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(gNextCommand++) {}

TMenuItem::~TMenuItem() {
  Destroying();
  for (TMenuItem* item : items_) item->parent_ = nullptr;
  // Sub-items that nobody else owns go with their parent item.
  std::vector<TMenuItem*> orphans;
  for (TMenuItem* item : items_)
    if (!item->Owner()) orphans.push_back(item);
  items_.clear();
  for (TMenuItem* item : orphans) delete item;
  if (parent_) parent_->Remove(this);
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (!item || item == this) return;
  if (item->parent_) item->parent_->Remove(item);
  index = std::clamp(index, 0, Count());
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
}

void TMenuItem::Remove(TMenuItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return;
  items_.erase(it);
  item->parent_ = nullptr;
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* item = this;
  while (item->parent_) item = item->parent_;
  return item->menu_;
}

TBitmap* TMenuItem::Bitmap() {
  if (!bitmap_) bitmap_ = std::make_unique<TBitmap>();
  return bitmap_.get();
}

void TMenuItem::Click() {
  if (enabled_ && OnClick) OnClick(this);
}

void TMenuItem::MeasureItem(TCanvas& canvas, int& width, int& height) {
  if (OnMeasureItem) {
    OnMeasureItem(this, canvas, width, height);
    return;
  }
  if (IsLine()) {
    height = 8;
    width = 10;
    return;
  }
  const SIZE size = canvas.TextExtent(caption_);
  width = size.cx + 32;
  height = std::max<int>(size.cy + 6, GetSystemMetrics(SM_CYMENU));
}

void TMenuItem::AdvancedDrawItem(TCanvas& canvas, RECT rect, UINT state, bool) {
  if (OnAdvancedDrawItem) {
    OnAdvancedDrawItem(this, canvas, rect, state);
    return;
  }
  const bool selected = (state & ODS_SELECTED) != 0;
  canvas.Brush().SetColor(selected ? clHighlight : clMenu);
  canvas.FillRect(rect);
  if (IsLine()) {
    RECT line{rect.left + 2, (rect.top + rect.bottom) / 2 - 1, rect.right - 2, (rect.top + rect.bottom) / 2};
    canvas.Brush().SetColor(clBtnShadow);
    canvas.FillRect(line);
    return;
  }
  canvas.Font().SetColor((state & ODS_DISABLED) ? clGrayText : selected ? clHighlightText : clMenuText);
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  RECT text = rect;
  text.left += 20;
  canvas.DrawText(caption_, text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
}

// ---------------------------------------------------------------- TMenu

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(nullptr)) { items_->menu_ = this; }

TMenu::~TMenu() {
  Destroying();
  delete items_;
  handle_.Reset();
  if (window_) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
}

HWND TMenu::WindowHandle() {
  if (!window_) {
    window_ = CreateUtilityWindow(L"TPopupList", MenuWndProc, WS_POPUP, WS_EX_TOOLWINDOW, nullptr, L"", this);
    if (!window_) throw Exception(L"Error creating window");
  }
  return window_;
}

LRESULT CALLBACK TMenu::MenuWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* menu = reinterpret_cast<TMenu*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (menu) {
    try {
      return menu->MenuWindowMessage(msg, wParam, lParam);
    } catch (...) {
      HandleFrameworkException(menu);
      return 0;
    }
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

LRESULT TMenu::MenuWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_MEASUREITEM: {
      auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (mi->CtlType != ODT_MENU) break;
      auto* item = reinterpret_cast<TMenuItem*>(mi->itemData);
      if (!item) break;
      const TClientDC dc = TClientDC::Of(window_);
      TCanvas canvas;
      canvas.SetHandle(dc.Get());
      int width = static_cast<int>(mi->itemWidth), height = static_cast<int>(mi->itemHeight);
      item->MeasureItem(canvas, width, height);
      mi->itemWidth = static_cast<UINT>(std::max(width, 0));
      mi->itemHeight = static_cast<UINT>(std::max(height, 0));
      return TRUE;
    }
    case WM_DRAWITEM: {
      auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (di->CtlType != ODT_MENU) break;
      auto* item = reinterpret_cast<TMenuItem*>(di->itemData);
      if (!item) break;
      TCanvas canvas;
      canvas.SetHandle(di->hDC);  // lent by the menu for this message
      const TSavedDC saved(di->hDC);
      item->AdvancedDrawItem(canvas, di->rcItem, di->itemState, false);
      return TRUE;
    }
    default:
      break;
  }
  return DefWindowProcW(window_, msg, wParam, lParam);
}

TMenuHandle TMenu::BuildMenu(TMenuItem& parent, bool popup) {
  TMenuHandle menu = popup ? NewPopupMenu() : NewMenu();
  if (!menu) throw Exception(L"Out of system resources");
  // A sub-menu that cannot be made takes the levels above it with it.
  FillMenu(menu.Get(), parent);
  return menu;
}

void TMenu::FillMenu(HMENU menu, TMenuItem& parent) {
  int position = 0;
  for (TMenuItem* item : parent.items_) {
    if (!item->visible_) continue;
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_DATA;
    info.wID = item->command_;
    info.dwItemData = reinterpret_cast<ULONG_PTR>(item);
    info.fType = item->IsLine() ? MFT_SEPARATOR : MFT_STRING;
    if (ownerDraw_) info.fType |= MFT_OWNERDRAW;
    if (item->radioItem_) info.fType |= MFT_RADIOCHECK;
    if (item->break_ == mbBreak) info.fType |= MFT_MENUBREAK;
    if (item->break_ == mbBarBreak) info.fType |= MFT_MENUBARBREAK;
    info.fState = (item->enabled_ ? MFS_ENABLED : MFS_DISABLED) | (item->checked_ ? MFS_CHECKED : 0) |
                  (item->default_ ? MFS_DEFAULT : 0);
    String caption = item->caption_;
    if (!item->shortCutText_.empty()) caption += L"\t" + item->shortCutText_;
    if (!item->IsLine()) {
      info.fMask |= MIIM_STRING;
      info.dwTypeData = caption.data();
    }
    TMenuHandle subMenu;
    if (!item->items_.empty()) {
      subMenu = BuildMenu(*item, true);
      info.fMask |= MIIM_SUBMENU;
      info.hSubMenu = subMenu.Get();
    }
    if (!InsertMenuItemW(menu, static_cast<UINT>(position++), TRUE, &info))
      throw Exception(L"Out of system resources");
    // The menu now holds the sub-menu and destroys it with itself.
    static_cast<void>(subMenu.Release());
  }
}

void TMenu::RebuildHandle() {
  handle_.Reset();
  handle_ = BuildMenu(*items_, true);
}

TMenuItem* TMenu::FindItem(UINT command) const {
  std::vector<TMenuItem*> stack{items_};
  while (!stack.empty()) {
    TMenuItem* item = stack.back();
    stack.pop_back();
    if (item != items_ && item->command_ == command) return item;
    for (TMenuItem* child : item->items_) stack.push_back(child);
  }
  return nullptr;
}

// ---------------------------------------------------------------- TPopupMenu

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner) {}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
  TMenu::Notification(component, operation);
  if (operation == TOperation::opRemove && component == popupComponent_) popupComponent_ = nullptr;
}

void TPopupMenu::Popup(int x, int y) {
  if (OnPopup) OnPopup(this);
  RebuildHandle();
  HWND window = WindowHandle();
  UINT flags = TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD;
  if (MenuAnimation() & maNone) flags |= TPM_NOANIMATION;
  if (MenuAnimation() & maLeftToRight) flags |= TPM_HORPOSANIMATION;
  if (MenuAnimation() & maRightToLeft) flags |= TPM_HORNEGANIMATION;
  if (MenuAnimation() & maTopToBottom) flags |= TPM_VERPOSANIMATION;
  if (MenuAnimation() & maBottomToTop) flags |= TPM_VERNEGANIMATION;
  const UINT command = static_cast<UINT>(TrackPopupMenuEx(Handle(), flags, x, y, window, nullptr));
  if (command != 0)
    if (TMenuItem* item = FindItem(command)) item->Click();
}
