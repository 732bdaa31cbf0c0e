// Standard controls over the platform's windows: push button, edit box, list box, and the
// non-windowed label.
//
// Each keeps what the platform window holds (edit text, list items, selection) in the
// window while it exists and in the control while it does not, so a window can be made
// late or remade without losing state.
//
// Left out: check boxes, radio buttons, combo boxes, memos, owner-drawn list styles
// beyond storing the style.
#pragma once

#include <vector>

#include "framework/CustomControls.h"

using TModalResultValue = int;

// A list index out of range, or a list request the platform refused.
class EListError : public Exception {
public:
  using Exception::Exception;
};

class TButton : public TWinControl {
public:
  explicit TButton(TComponent* owner);
  const wchar_t* ClassName() const override { return L"TButton"; }

  bool Default() const { return default_; }
  void SetDefault(bool on);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool on) { cancel_ = on; }
  // Set on the form when the button is clicked (closing a modal form).
  TModalResultValue ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResultValue result) { modalResult_ = result; }

  void Click() override;

protected:
  void CreateParams(TCreateParams& params) override;
  void WndProc(TMessage& message) override;
  // Gives the platform button the default-push look or takes it away. The default button
  // has it while no other button has the focus; a focused button has it.
  virtual void SetButtonStyle(bool defaultLook);

private:
  bool default_ = false;
  bool cancel_ = false;
  TModalResultValue modalResult_ = 0;
};

class TCustomEdit : public TWinControl {
public:
  explicit TCustomEdit(TComponent* owner);
  const wchar_t* ClassName() const override { return L"TCustomEdit"; }

  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool on);
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int length);
  void SelectAll();
  // The character shown for each character of the text; 0 shows the text.
  wchar_t PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(wchar_t ch);
  // bsSingle: a frame in the non-client area, a sunken edge (Ctl3D) or a thin line.
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle style);
  bool Ctl3D() const { return ctl3D_; }
  void SetCtl3D(bool on);
  // Stored for painters that draw bevels; the platform edit draws none.
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut cut) { bevelInner_ = cut; }
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut cut) { bevelOuter_ = cut; }
  TBevelKind BevelKind() const { return bevelKind_; }
  void SetBevelKind(TBevelKind kind) { bevelKind_ = kind; }

  TNotifyEvent OnChange;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void WndProc(TMessage& message) override;

private:
  bool readOnly_ = false;
  int maxLength_ = 0;
  wchar_t passwordChar_ = 0;
  TBorderStyle borderStyle_ = bsSingle;
  bool ctl3D_ = true;
  TBevelCut bevelInner_ = bvRaised;
  TBevelCut bevelOuter_ = bvLowered;
  TBevelKind bevelKind_ = bkNone;
};

class TEdit : public TCustomEdit {
public:
  explicit TEdit(TComponent* owner) : TCustomEdit(owner) {}
  const wchar_t* ClassName() const override { return L"TEdit"; }
};

class TListBox;

// The items of a list box: in the window while it exists, else kept here.
class TListBoxItems {
public:
  explicit TListBoxItems(TListBox& owner) : owner_(owner) {}
  int Count() const;
  String Strings(int index) const;
  String operator[](int index) const { return Strings(index); }
  int Add(const String& text);
  void AddStrings(const std::vector<String>& texts);
  void Insert(int index, const String& text);
  void Delete(int index);
  void Clear();
  int IndexOf(const String& text) const;
  std::vector<String> ToVector() const;

private:
  friend class TListBox;
  TListBox& owner_;
  std::vector<String> stored_;
};

enum class TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbVirtual, lbVirtualOwnerDraw };
using enum TListBoxStyle;

class TListBox : public TWinControl {
public:
  explicit TListBox(TComponent* owner);
  const wchar_t* ClassName() const override { return L"TListBox"; }

  TListBoxItems& Items() { return items_; }
  const TListBoxItems& Items() const { return items_; }
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool on);
  bool ExtendedSelect() const { return extendedSelect_; }
  void SetExtendedSelect(bool on);
  int ItemHeight() const { return itemHeight_; }
  void SetItemHeight(int height);
  TListBoxStyle Style() const { return style_; }
  void SetStyle(TListBoxStyle style);

  int Count() const { return items_.Count(); }
  bool Selected(int index) const;
  void SetSelected(int index, bool on);
  int SelCount() const;
  int ItemIndex() const;
  void SetItemIndex(int index);
  // Marks every item selected (multi-select lists only).
  void SelectAll();
  // Removes every selected item.
  void DeleteSelected();
  void Clear() { items_.Clear(); }

  TNotifyEvent OnChange;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void WndProc(TMessage& message) override;

private:
  friend class TListBoxItems;
  TListBoxItems items_;
  std::vector<int> storedSelection_;
  bool multiSelect_ = false;
  bool extendedSelect_ = true;
  int itemHeight_ = 16;
  TListBoxStyle style_ = lbStandard;
};

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
using enum TAlignment;
enum class TTextLayout { tlTop, tlCenter, tlBottom };
using enum TTextLayout;

class TCustomLabel : public TGraphicControl {
public:
  explicit TCustomLabel(TComponent* owner);
  const wchar_t* ClassName() const override { return L"TCustomLabel"; }

  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool on);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout layout);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool on);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool on);
  TWinControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(TWinControl* control) { focusControl_ = control; }

  void Loaded() override;

protected:
  void WndProc(TMessage& message) override;
  void Paint() override;
  // Draws the caption into `rect` with DrawText `flags` on the canvas (grey when disabled).
  virtual void DoDrawText(RECT& rect, UINT flags);
  UINT TextFlags() const;
  virtual void AdjustBounds();

private:
  bool autoSize_ = true;
  TAlignment alignment_ = taLeftJustify;
  TTextLayout layout_ = tlTop;
  bool transparent_ = false;
  bool wordWrap_ = false;
  bool showAccelChar_ = true;
  TWinControl* focusControl_ = nullptr;
};

class TLabel : public TCustomLabel {
public:
  explicit TLabel(TComponent* owner) : TCustomLabel(owner) {}
  const wchar_t* ClassName() const override { return L"TLabel"; }
};
