#include "framework/StdCtrls.h"

#include <algorithm>
#include <cwctype>

#include "framework/Forms.h"
#include "framework/Handles.h"

namespace {
[[noreturn]] void ListIndexError(int index) {
  throw EListError(FormatMessageText(L"List index out of bounds (%d)", {std::to_wstring(index)}));
}

// True when `caption` marks `ch` as its accelerator ("&x").
bool IsAccel(WPARAM ch, const String& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != L'&') continue;
    if (caption[i + 1] == L'&') {
      ++i;
      continue;
    }
    return std::towupper(caption[i + 1]) == std::towupper(static_cast<wint_t>(ch));
  }
  return false;
}
}  // namespace

// ---------------------------------------------------------------- TButton

TButton::TButton(TComponent* owner) : TWinControl(owner) {
  controlStyle_ = csSetCaption | csDoubleClicks;
  SetColor(clBtnFace);
  SetTabStop(true);
  width_ = 75;
  height_ = 25;
}

void TButton::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, L"BUTTON");
  params.style |= default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  // Two fast clicks are two presses, not a press and a double click.
  params.classStyle &= ~CS_DBLCLKS;
}

void TButton::SetDefault(bool on) {
  if (on == default_) return;
  default_ = on;
  if (handle_) SendMessageW(handle_, BM_SETSTYLE, on ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::SetButtonStyle(bool defaultLook) {
  if (!HandleAllocated()) return;
  const LONG_PTR style = GetWindowLongPtrW(handle_, GWL_STYLE);
  const bool has = (style & 0x0F) == BS_DEFPUSHBUTTON;
  if (has != defaultLook) SendMessageW(handle_, BM_SETSTYLE, defaultLook ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click() {
  if (modalResult_ != 0)
    if (TCustomForm* form = ParentForm()) form->SetModalResult(modalResult_);
  TWinControl::Click();
}

void TButton::WndProc(TMessage& message) {
  switch (message.Msg) {
    case CN_COMMAND:
      if (HIWORD(message.WParam) == BN_CLICKED) Click();
      return;
    case CN_CTLCOLORBTN:
      ColorDC(message);
      return;
    case CM_FOCUSCHANGED: {
      auto* focused = reinterpret_cast<TControl*>(message.LParam);
      SetButtonStyle(dynamic_cast<TButton*>(focused) ? focused == this : default_);
      return;
    }
    case CM_DIALOGKEY: {
      if (!Visible() || !Enabled()) return;
      TButton* focused = dynamic_cast<TButton*>(FromHandle(GetFocus()));
      if ((message.WParam == VK_RETURN && (focused == this || (!focused && default_))) ||
          (message.WParam == VK_ESCAPE && cancel_)) {
        Click();
        message.Result = 1;
      }
      return;
    }
    case CM_DIALOGCHAR:
      if (Visible() && Enabled() && IsAccel(message.WParam, Caption())) {
        Click();
        message.Result = 1;
      }
      return;
    default:
      TWinControl::WndProc(message);
  }
}

// ---------------------------------------------------------------- TCustomEdit

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
  SetColor(clWindow);
  SetTabStop(true);
  width_ = 121;
  height_ = 21;
}

void TCustomEdit::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, L"EDIT");
  params.style |= ES_AUTOHSCROLL | ES_LEFT;
  if (readOnly_) params.style |= ES_READONLY;
  if (passwordChar_ != 0) params.style |= ES_PASSWORD;
  if (borderStyle_ != bsNone) {
    if (ctl3D_)
      params.exStyle |= WS_EX_CLIENTEDGE;
    else
      params.style |= WS_BORDER;
  }
}

void TCustomEdit::CreateWnd() {
  TWinControl::CreateWnd();
  if (maxLength_ > 0) SendMessageW(handle_, EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
  if (passwordChar_ != 0) SendMessageW(handle_, EM_SETPASSWORDCHAR, passwordChar_, 0);
}

void TCustomEdit::SetReadOnly(bool on) {
  if (on == readOnly_) return;
  readOnly_ = on;
  if (handle_) SendMessageW(handle_, EM_SETREADONLY, on ? TRUE : FALSE, 0);
}

void TCustomEdit::SetMaxLength(int length) {
  maxLength_ = std::max(length, 0);
  if (handle_) SendMessageW(handle_, EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

void TCustomEdit::SetPasswordChar(wchar_t ch) {
  if (ch == passwordChar_) return;
  passwordChar_ = ch;
  if (!handle_) return;
  SendMessageW(handle_, EM_SETPASSWORDCHAR, ch, 0);
  InvalidateRect(handle_, nullptr, TRUE);
}

void TCustomEdit::SetBorderStyle(TBorderStyle style) {
  if (style == borderStyle_) return;
  borderStyle_ = style;
  if (handle_) RecreateWnd();
}

void TCustomEdit::SetCtl3D(bool on) {
  if (on == ctl3D_) return;
  ctl3D_ = on;
  if (handle_) RecreateWnd();
}

void TCustomEdit::SelectAll() {
  if (handle_) SendMessageW(handle_, EM_SETSEL, 0, -1);
}

void TCustomEdit::WndProc(TMessage& message) {
  switch (message.Msg) {
    case CN_COMMAND:
      if (HIWORD(message.WParam) == EN_CHANGE && OnChange) OnChange(this);
      return;
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORSTATIC:
      ColorDC(message);
      return;
    default:
      TWinControl::WndProc(message);
  }
}

// ---------------------------------------------------------------- TListBoxItems

int TListBoxItems::Count() const {
  if (owner_.HandleAllocated())
    return static_cast<int>(SendMessageW(owner_.Handle(), LB_GETCOUNT, 0, 0));
  return static_cast<int>(stored_.size());
}

String TListBoxItems::Strings(int index) const {
  if (index < 0 || index >= Count()) ListIndexError(index);
  if (!owner_.HandleAllocated()) return stored_[static_cast<size_t>(index)];
  HWND window = owner_.Handle();
  const LRESULT length = SendMessageW(window, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length < 0) ListIndexError(index);
  String text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT got = SendMessageW(window, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(std::max<LRESULT>(got, 0)));
  return text;
}

int TListBoxItems::Add(const String& text) {
  const int index = Count();
  Insert(index, text);
  return index;
}

void TListBoxItems::AddStrings(const std::vector<String>& texts) {
  for (const String& t : texts) Add(t);
}

void TListBoxItems::Insert(int index, const String& text) {
  if (index < 0 || index > Count()) ListIndexError(index);
  if (!owner_.HandleAllocated()) {
    stored_.insert(stored_.begin() + index, text);
    return;
  }
  const LRESULT r = SendMessageW(owner_.Handle(), LB_INSERTSTRING, static_cast<WPARAM>(index),
                                 reinterpret_cast<LPARAM>(text.c_str()));
  if (r == LB_ERR || r == LB_ERRSPACE) throw EOutOfMemory(L"Out of system resources");
}

void TListBoxItems::Delete(int index) {
  if (index < 0 || index >= Count()) ListIndexError(index);
  if (!owner_.HandleAllocated()) {
    stored_.erase(stored_.begin() + index);
    auto& sel = owner_.storedSelection_;
    sel.erase(std::remove(sel.begin(), sel.end(), index), sel.end());
    for (int& s : sel)
      if (s > index) --s;
    return;
  }
  SendMessageW(owner_.Handle(), LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void TListBoxItems::Clear() {
  stored_.clear();
  owner_.storedSelection_.clear();
  if (owner_.HandleAllocated()) SendMessageW(owner_.Handle(), LB_RESETCONTENT, 0, 0);
}

int TListBoxItems::IndexOf(const String& text) const {
  const int n = Count();
  for (int i = 0; i < n; ++i)
    if (Strings(i) == text) return i;
  return -1;
}

std::vector<String> TListBoxItems::ToVector() const {
  std::vector<String> out;
  const int n = Count();
  out.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) out.push_back(Strings(i));
  return out;
}

// ---------------------------------------------------------------- TListBox

TListBox::TListBox(TComponent* owner) : TWinControl(owner), items_(*this) {
  SetColor(clWindow);
  SetTabStop(true);
  width_ = 121;
  height_ = 97;
}

void TListBox::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, L"LISTBOX");
  params.style |= WS_HSCROLL | WS_VSCROLL | LBS_HASSTRINGS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
  if (multiSelect_) params.style |= extendedSelect_ ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
  if (style_ == lbOwnerDrawFixed) params.style |= LBS_OWNERDRAWFIXED;
  if (style_ == lbOwnerDrawVariable) params.style |= LBS_OWNERDRAWVARIABLE;
  params.exStyle |= WS_EX_CLIENTEDGE;
}

void TListBox::CreateWnd() {
  TWinControl::CreateWnd();
  if (style_ != lbStandard) SendMessageW(handle_, LB_SETITEMHEIGHT, 0, itemHeight_);
  std::vector<String> items;
  items.swap(items_.stored_);
  std::vector<int> selection;
  selection.swap(storedSelection_);
  for (const String& t : items) items_.Add(t);
  for (int index : selection) SetSelected(index, true);
}

void TListBox::DestroyWnd() {
  if (handle_) {
    std::vector<String> items = items_.ToVector();
    std::vector<int> selection;
    for (int i = 0; i < static_cast<int>(items.size()); ++i)
      if (Selected(i)) selection.push_back(i);
    items_.stored_ = std::move(items);
    storedSelection_ = std::move(selection);
  }
  TWinControl::DestroyWnd();
}

void TListBox::SetMultiSelect(bool on) {
  if (on == multiSelect_) return;
  multiSelect_ = on;
  RecreateWnd();
}

void TListBox::SetExtendedSelect(bool on) {
  if (on == extendedSelect_) return;
  extendedSelect_ = on;
  RecreateWnd();
}

void TListBox::SetItemHeight(int height) {
  if (height <= 0 || height == itemHeight_) return;
  itemHeight_ = height;
  if (handle_ && style_ != lbStandard) SendMessageW(handle_, LB_SETITEMHEIGHT, 0, height);
}

void TListBox::SetStyle(TListBoxStyle style) {
  if (style == style_) return;
  style_ = style;
  RecreateWnd();
}

bool TListBox::Selected(int index) const {
  if (index < 0 || index >= Count()) ListIndexError(index);
  if (!handle_) return std::find(storedSelection_.begin(), storedSelection_.end(), index) != storedSelection_.end();
  if (multiSelect_) return SendMessageW(handle_, LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
  return SendMessageW(handle_, LB_GETCURSEL, 0, 0) == index;
}

void TListBox::SetSelected(int index, bool on) {
  if (index < 0 || index >= Count()) ListIndexError(index);
  if (!handle_) {
    auto& sel = storedSelection_;
    sel.erase(std::remove(sel.begin(), sel.end(), index), sel.end());
    if (!multiSelect_) sel.clear();
    if (on) sel.push_back(index);
    return;
  }
  if (multiSelect_)
    SendMessageW(handle_, LB_SETSEL, on ? TRUE : FALSE, index);
  else if (on)
    SendMessageW(handle_, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  else if (ItemIndex() == index)
    SendMessageW(handle_, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

int TListBox::SelCount() const {
  if (!handle_) return static_cast<int>(storedSelection_.size());
  if (multiSelect_) return static_cast<int>(SendMessageW(handle_, LB_GETSELCOUNT, 0, 0));
  return SendMessageW(handle_, LB_GETCURSEL, 0, 0) >= 0 ? 1 : 0;
}

int TListBox::ItemIndex() const {
  if (!handle_) return storedSelection_.empty() ? -1 : storedSelection_.back();
  if (multiSelect_) return static_cast<int>(SendMessageW(handle_, LB_GETCARETINDEX, 0, 0));
  return static_cast<int>(SendMessageW(handle_, LB_GETCURSEL, 0, 0));
}

void TListBox::SetItemIndex(int index) {
  if (index < 0) {
    if (handle_ && !multiSelect_) SendMessageW(handle_, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    return;
  }
  if (multiSelect_ && handle_) {
    SendMessageW(handle_, LB_SETCARETINDEX, static_cast<WPARAM>(index), FALSE);
    return;
  }
  SetSelected(index, true);
}

void TListBox::SelectAll() {
  if (!multiSelect_) return;
  const int n = Count();
  if (handle_) {
    if (n > 0) SendMessageW(handle_, LB_SETSEL, TRUE, -1);
    return;
  }
  storedSelection_.clear();
  for (int i = 0; i < n; ++i) storedSelection_.push_back(i);
}

void TListBox::DeleteSelected() {
  for (int i = Count() - 1; i >= 0; --i)
    if (Selected(i)) items_.Delete(i);
}

void TListBox::WndProc(TMessage& message) {
  switch (message.Msg) {
    case CN_COMMAND:
      if (HIWORD(message.WParam) == LBN_SELCHANGE) {
        if (OnChange) OnChange(this);
        Click();
      } else if (HIWORD(message.WParam) == LBN_DBLCLK && OnDblClick) {
        OnDblClick(this);
      }
      return;
    case CN_CTLCOLORLISTBOX:
      ColorDC(message);
      return;
    default:
      TWinControl::WndProc(message);
  }
}

// ---------------------------------------------------------------- TCustomLabel

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
  controlStyle_ |= csOpaque;
  width_ = 65;
  height_ = 17;
}

void TCustomLabel::SetAutoSize(bool on) {
  if (on == autoSize_) return;
  autoSize_ = on;
  AdjustBounds();
}

void TCustomLabel::SetAlignment(TAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout layout) {
  if (layout == layout_) return;
  layout_ = layout;
  Invalidate();
}

void TCustomLabel::SetTransparent(bool on) {
  if (on == transparent_) return;
  transparent_ = on;
  if (on)
    controlStyle_ &= ~csOpaque;
  else
    controlStyle_ |= csOpaque;
  Invalidate();
}

void TCustomLabel::SetWordWrap(bool on) {
  if (on == wordWrap_) return;
  wordWrap_ = on;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool on) {
  if (on == showAccelChar_) return;
  showAccelChar_ = on;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

UINT TCustomLabel::TextFlags() const {
  UINT flags = DT_EXPANDTABS;
  if (wordWrap_) flags |= DT_WORDBREAK;
  if (!showAccelChar_) flags |= DT_NOPREFIX;
  if (alignment_ == taRightJustify) flags |= DT_RIGHT;
  if (alignment_ == taCenter) flags |= DT_CENTER;
  return flags;
}

void TCustomLabel::DoDrawText(RECT& rect, UINT flags) {
  String text = Caption();
  if ((flags & DT_CALCRECT) && (text.empty() || (showAccelChar_ && text[0] == L'&' && text.size() == 1))) text += L" ";
  TCanvas& canvas = Canvas();
  canvas.Font().Assign(font_);
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  if (!Enabled()) {
    RECT shifted = rect;
    OffsetRect(&shifted, 1, 1);
    canvas.Font().SetColor(clBtnHighlight);
    canvas.DrawText(text, shifted, flags);
    canvas.Font().SetColor(clBtnShadow);
  }
  canvas.DrawText(text, rect, flags);
}

void TCustomLabel::Paint() {
  TCanvas& canvas = Canvas();
  RECT r = ClientRect();
  if (!transparent_) {
    canvas.Brush().SetColor(Color());
    canvas.FillRect(r);
  }
  UINT flags = TextFlags();
  if (layout_ != tlTop) {
    RECT calc = r;
    DoDrawText(calc, flags | DT_CALCRECT);
    const int textHeight = calc.bottom - calc.top;
    const int offset = layout_ == tlBottom ? (r.bottom - r.top) - textHeight : ((r.bottom - r.top) - textHeight) / 2;
    OffsetRect(&r, 0, offset);
  }
  DoDrawText(r, flags);
}

void TCustomLabel::AdjustBounds() {
  if (IsLoading() || !autoSize_) return;
  const TClientDC screen = TClientDC::Screen();
  TCanvas& canvas = Canvas();
  canvas.SetHandle(screen.Get());
  RECT r = ClientRect();
  try {
    DoDrawText(r, TextFlags() | DT_CALCRECT);
  } catch (...) {
    canvas.SetHandle(nullptr);
    throw;
  }
  canvas.SetHandle(nullptr);
  int left = left_;
  if (alignment_ == taRightJustify) left += width_ - (r.right - r.left);
  else if (alignment_ == taCenter) left += (width_ - (r.right - r.left)) / 2;
  SetBounds(left, top_, r.right - r.left, r.bottom - r.top);
}

void TCustomLabel::WndProc(TMessage& message) {
  switch (message.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
      AdjustBounds();
      Invalidate();
      return;
    default:
      TGraphicControl::WndProc(message);
  }
}
