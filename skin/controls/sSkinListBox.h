// The skinned list box: a framework control over the platform "LISTBOX" window whose items
// live in that window (reached through `TListBoxStrings`). While a skin is active a
// framed-window handler attached to the window (a `TacEditWnd`, through the seam of
// skin/core/sWindowHandlers.h; none while that seam is empty) paints the frame ring and the
// skinned scroll bars, the client background is copied from the binding's cached picture of the section
// ("EDIT" by default), the platform draws standard items in the section's colours, and
// owner-drawn items are drawn here. Typing selects the first item that starts with the
// characters typed within `AutoCompleteDelay` milliseconds. A bound label can sit beside it.
//
// Changing a property that the platform window takes at creation re-creates the window;
// the items, the top index and the item index survive it.
//
// `TsListBox` is the same control with `MultiSelect` and `ExtendedSelect` public.
//
// GUI thread only. Left out: drag and drop (the framework has none), design-time painting.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "framework/Redraw.h"
#include "framework/StdCtrls.h"
#include "skin/controls/sBoundLabel.h"
#include "skin/core/sCommonData.h"
#include "skin/core/sWindowHandlers.h"
#include "skin/paint/Pixels.h"

class TsSkinListBox;

using TLBGetDataEvent = std::function<void(TComponent* sender, int index, String& data)>;
using TLBGetDataObjectEvent = std::function<void(TComponent* sender, int index, LONG_PTR& object)>;
using TLBFindDataEvent = std::function<int(TComponent* sender, const String& text)>;
// `state`: the platform's ODS_* flags of the item.
using TDrawItemEvent = std::function<void(TComponent* sender, int index, RECT rect, UINT state)>;
using TMeasureItemEvent = std::function<void(TComponent* sender, int index, int& height)>;

// The items of a TsSkinListBox: every operation is a request to the platform window while
// it exists (a copy is kept while it does not); virtual styles ask the data events instead.
class TListBoxStrings {
public:
  explicit TListBoxStrings(TsSkinListBox& owner) : owner_(owner) {}

  int Count() const;
  String Get(int index) const;
  String operator[](int index) const { return Get(index); }
  LONG_PTR Objects(int index) const;
  void SetObject(int index, LONG_PTR object);
  int Add(const String& text);
  void AddStrings(const std::vector<String>& texts);
  void Insert(int index, const String& text);
  // Replaces the text of item `index`; its data and the item index stay.
  void Put(int index, const String& text);
  void Delete(int index);
  void Clear();
  int IndexOf(const String& text) const;
  void Exchange(int a, int b);
  void Move(int from, int to);
  // Redrawing off until the matching EndUpdate, which redraws the whole control.
  void BeginUpdate();
  void EndUpdate();
  std::vector<String> ToVector() const;
  // Replaces the items (a virtual list becomes a standard one first).
  void Assign(const std::vector<String>& texts);

private:
  friend class TsSkinListBox;
  struct Saved {
    String text;
    LONG_PTR data = 0;
  };
  HWND Window() const;
  TsSkinListBox& owner_;
  std::vector<Saved> saved_;  // while the window does not exist
  int updating_ = 0;
  TRedrawOff quiet_;  // while updating_ > 0
};

class TsSkinListBox : public TWinControl {
public:
  explicit TsSkinListBox(TComponent* owner);
  ~TsSkinListBox() override;
  const wchar_t* ClassName() const override { return L"TsSkinListBox"; }
  void Loaded() override;

  TListBoxStrings& Items() { return items_; }
  const TListBoxStrings& Items() const { return items_; }
  TListBoxStyle Style() const { return style_; }
  void SetStyle(TListBoxStyle style);
  int ItemHeight() const;
  void SetItemHeight(int height);
  bool Sorted() const { return sorted_; }
  void SetSorted(bool on);
  int Columns() const { return columns_; }
  void SetColumns(int columns);
  int TabWidth() const { return tabWidth_; }
  void SetTabWidth(int width);
  bool IntegralHeight() const { return integralHeight_; }
  void SetIntegralHeight(bool on);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle style);
  bool Ctl3D() const { return ctl3D_; }
  void SetCtl3D(bool on);
  bool AutoHideScroll() const { return autoHideScroll_; }
  void SetAutoHideScroll(bool on);
  bool AutoComplete() const { return autoComplete_; }
  void SetAutoComplete(bool on) { autoComplete_ = on; }
  WORD AutoCompleteDelay() const { return autoCompleteDelay_; }
  void SetAutoCompleteDelay(WORD ms) { autoCompleteDelay_ = ms; }
  TsCommonData& SkinData() { return *skinData_; }
  TsBoundLabel& BoundLabel() { return *boundLabel_; }
  TsDisabledKind DisabledKind() const { return disabledKind_; }
  void SetDisabledKind(TsDisabledKind kind);

  void Clear();
  // The virtual count for virtual styles, else the number of items.
  int Count() const;
  // Only for virtual styles (EListError otherwise, and when the window refuses it).
  void SetCount(int count);
  int ItemIndex() const;
  void SetItemIndex(int index);
  bool Selected(int index) const;
  // Multi-select: selects or deselects item `index`. Single-select: true makes it the
  // current item; false deselects it when it is the selected one.
  void SetSelected(int index, bool on);
  int SelCount() const;
  void ClearSelection();
  // Marks every item selected (multi-select lists only).
  void SelectAll();
  void DeleteSelected();
  int TopIndex() const;
  void SetTopIndex(int index);
  // The item at `p` (client coordinates): -1 outside the client area; past the last item
  // -1 with `existing`, else the count.
  int ItemAtPos(POINT p, bool existing) const;
  RECT ItemRect(int index) const;

  // The frame and scroll-bar handler while skinned, else null. Borrowed.
  TsFrameHandler* FrameHandler() const { return frameHandler_.get(); }
  // Rebuilds the cached picture now.
  void RebuildPicture();

  TNotifyEvent OnChange;
  TNotifyEvent OnVScroll;
  TLBGetDataEvent OnData;
  TLBGetDataObjectEvent OnDataObject;
  TLBFindDataEvent OnDataFind;
  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

protected:
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool on);
  bool ExtendedSelect() const { return extendedSelect_; }
  void SetExtendedSelect(bool on);

  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void WndProc(TMessage& message) override;
  // Draws item `index` into `rect` of the canvas (text two pixels in, or OnDrawItem).
  virtual void DrawItem(int index, RECT rect, UINT state);

private:
  friend class TListBoxStrings;
  bool IsVirtual() const { return style_ == lbVirtual || style_ == lbVirtualOwnerDraw; }
  bool IsOwnerDraw() const { return style_ != lbStandard; }
  void Recreate();
  void ApplyColumnWidth();
  bool OwnManager(LPARAM manager) const;
  bool SkinCommand(TMessage& message);
  bool SkinnedMessage(TMessage& message);
  void AfterSkinned(const TMessage& message);
  void CallFramework(TMessage& message);
  void UpdateHandler();
  void FreeHandler();
  void SectionColors();
  void EraseSkinned(TMessage& message);
  void DrawItemRequest(TMessage& message);
  void MeasureItemRequest(TMessage& message);
  bool VirtualText(TMessage& message);
  bool TypeAhead(TMessage& message);
  void RedrawItem(int index);

  TListBoxStrings items_;
  std::unique_ptr<TsCommonData> skinData_;
  std::unique_ptr<TsBoundLabel> boundLabel_;
  std::unique_ptr<TsFrameHandler> frameHandler_;
  TCanvas canvas_;
  TListBoxStyle style_ = lbStandard;
  int itemHeight_ = 16;
  bool sorted_ = false;
  int columns_ = 0;
  int tabWidth_ = 0;
  bool integralHeight_ = false;
  TBorderStyle borderStyle_ = bsSingle;
  bool ctl3D_ = true;
  bool autoHideScroll_ = true;
  bool autoComplete_ = true;
  WORD autoCompleteDelay_ = 500;
  bool multiSelect_ = false;
  bool extendedSelect_ = true;
  TsDisabledKind disabledKind_ = dkBlended;
  int virtualCount_ = 0;
  String prefix_;
  DWORD lastKey_ = 0;
  // Kept while the window is re-created.
  std::optional<int> savedTop_;
  std::optional<int> savedIndex_;
};

class TsListBox : public TsSkinListBox {
public:
  explicit TsListBox(TComponent* owner) : TsSkinListBox(owner) {}
  const wchar_t* ClassName() const override { return L"TsListBox"; }
  using TsSkinListBox::ExtendedSelect;
  using TsSkinListBox::MultiSelect;
  using TsSkinListBox::SetExtendedSelect;
  using TsSkinListBox::SetMultiSelect;
};
