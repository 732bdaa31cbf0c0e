// Menu items and pop-up menus over platform menus.
//
// The platform menu is rebuilt from the items each time the menu pops up. With
// `OwnerDraw` on, every item is owner-drawn: the menu's window (a hidden window of the
// pop-up menu) receives the measure and draw requests and hands them to the item's
// `OnMeasureItem` and `OnAdvancedDrawItem`, or to the default look when they are unset.
// A caption of "-" makes a separator. An item may carry its own bitmap, an image of its
// menu's image list, a shortcut text (shown after a tab when the platform draws the item)
// and a radio check mark.
//
// Left out: main menus (menu bars), merging, shortcut keys (the text is shown only),
// actions.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <memory>
#include <vector>

#include "framework/Classes.h"
#include "framework/Graphics.h"
#include "framework/Handles.h"

class TMenu;

enum class TMenuBreak { mbNone, mbBreak, mbBarBreak };
using enum TMenuBreak;

class TMenuItem : public TComponent {
public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;
  const wchar_t* ClassName() const override { return L"TMenuItem"; }

  const String& Caption() const { return caption_; }
  void SetCaption(const String& caption) { caption_ = caption; }
  bool IsLine() const { return caption_ == L"-"; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on) { enabled_ = on; }
  bool Visible() const { return visible_; }
  void SetVisible(bool on) { visible_ = on; }
  bool Checked() const { return checked_; }
  void SetChecked(bool on) { checked_ = on; }
  bool Default() const { return default_; }
  void SetDefault(bool on) { default_ = on; }
  TMenuBreak Break() const { return break_; }
  void SetBreak(TMenuBreak value) { break_ = value; }
  const String& Hint() const { return hint_; }
  void SetHint(const String& hint) { hint_ = hint; }
  // The shortcut as shown ("Ctrl+A"), empty for none.
  const String& ShortCutText() const { return shortCutText_; }
  void SetShortCutText(const String& text) { shortCutText_ = text; }
  bool RadioItem() const { return radioItem_; }
  void SetRadioItem(bool on) { radioItem_ = on; }
  // The item's own glyph, or null; owned by the item (made on first use of Bitmap()).
  TBitmap* Bitmap();
  bool HasBitmap() const { return bitmap_ && !bitmap_->Empty(); }
  // Index into the menu's image list, -1 for none.
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int index) { imageIndex_ = index; }

  int Count() const { return static_cast<int>(items_.size()); }
  // Borrowed: the sub-item at `index`.
  TMenuItem* Items(int index) const { return items_.at(static_cast<size_t>(index)); }
  // Appends `item` as the last sub-item (the item keeps its component owner).
  void Add(TMenuItem* item);
  void Insert(int index, TMenuItem* item);
  void Remove(TMenuItem* item);
  int IndexOf(const TMenuItem* item) const;
  TMenuItem* Parent() const { return parent_; }
  int MenuIndex() const { return parent_ ? parent_->IndexOf(this) : -1; }
  // The menu this item belongs to, or null.
  TMenu* GetParentMenu() const;
  // The platform command identifier of the item.
  UINT Command() const { return command_; }

  virtual void Click();
  // Size of the item when owner-drawn: OnMeasureItem, or the caption's size.
  virtual void MeasureItem(TCanvas& canvas, int& width, int& height);
  // Paints the owner-drawn item: OnAdvancedDrawItem, or a plain default look.
  virtual void AdvancedDrawItem(TCanvas& canvas, RECT rect, UINT state, bool topLevel);

  TNotifyEvent OnClick;
  std::function<void(TMenuItem* sender, TCanvas& canvas, int& width, int& height)> OnMeasureItem;
  std::function<void(TMenuItem* sender, TCanvas& canvas, RECT rect, UINT state)> OnAdvancedDrawItem;

private:
  friend class TMenu;
  String caption_;
  String hint_;
  String shortCutText_;
  bool radioItem_ = false;
  std::unique_ptr<TBitmap> bitmap_;
  int imageIndex_ = -1;
  bool enabled_ = true;
  bool visible_ = true;
  bool checked_ = false;
  bool default_ = false;
  TMenuBreak break_ = mbNone;
  std::vector<TMenuItem*> items_;
  TMenuItem* parent_ = nullptr;
  TMenu* menu_ = nullptr;
  UINT command_ = 0;
};

enum TMenuAnimationFlag : uint32_t { maLeftToRight = 1, maRightToLeft = 2, maTopToBottom = 4, maBottomToTop = 8, maNone = 16 };

class TMenu : public TComponent {
public:
  explicit TMenu(TComponent* owner);
  ~TMenu() override;
  const wchar_t* ClassName() const override { return L"TMenu"; }

  // The root item; its sub-items are the menu's items.
  TMenuItem& Items() { return *items_; }
  bool OwnerDraw() const { return ownerDraw_; }
  void SetOwnerDraw(bool on) { ownerDraw_ = on; }
  // The images of the items' ImageIndex (borrowed), or null.
  HIMAGELIST Images() const { return images_; }
  void SetImages(HIMAGELIST images) { images_ = images; }
  // The platform menu as last built; owned by the menu.
  HMENU Handle() const { return handle_.Get(); }
  // The hidden window that owns the platform menu while it is shown.
  HWND WindowHandle();
  // The item with this command identifier, or null.
  TMenuItem* FindItem(UINT command) const;

protected:
  // Builds the platform menu from the items.
  void RebuildHandle();
  virtual LRESULT MenuWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam);

private:
  static LRESULT CALLBACK MenuWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
  TMenuHandle BuildMenu(TMenuItem& parent, bool popup);
  void FillMenu(HMENU menu, TMenuItem& parent);
  TMenuItem* items_ = nullptr;
  bool ownerDraw_ = false;
  HIMAGELIST images_ = nullptr;
  TMenuHandle handle_;
  HWND window_ = nullptr;
};

class TPopupMenu : public TMenu {
public:
  explicit TPopupMenu(TComponent* owner);
  const wchar_t* ClassName() const override { return L"TPopupMenu"; }

  // Shows the menu at screen point (x, y) and returns once it is closed; the chosen
  // item's Click runs before it returns.
  virtual void Popup(int x, int y);
  // The component the menu was last shown for (borrowed).
  TComponent* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(TComponent* component) { popupComponent_ = component; }
  uint32_t MenuAnimation() const { return menuAnimation_; }
  void SetMenuAnimation(uint32_t flags) { menuAnimation_ = flags; }
  bool AutoPopup() const { return autoPopup_; }
  void SetAutoPopup(bool on) { autoPopup_ = on; }

  TNotifyEvent OnPopup;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  TComponent* popupComponent_ = nullptr;
  uint32_t menuAnimation_ = 0;
  bool autoPopup_ = true;
};
