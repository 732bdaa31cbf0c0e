#include "skin/controls/sSkinListBox.h"

#include <algorithm>

#include "framework/Handles.h"
#include "framework/Messages.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/paint/Compose.h"

namespace {

// Lends `dc` to `canvas` while alive; the canvas holds no DC again afterwards, also when
// drawing raises.
class TCanvasHandleScope {
public:
  TCanvasHandleScope(TCanvas& canvas, HDC dc) : canvas_(canvas) { canvas_.SetHandle(dc); }
  ~TCanvasHandleScope() { canvas_.SetHandle(nullptr); }
  TCanvasHandleScope(const TCanvasHandleScope&) = delete;
  TCanvasHandleScope& operator=(const TCanvasHandleScope&) = delete;

private:
  TCanvas& canvas_;
};

[[noreturn]] void IndexError(int index) {
  throw EListError(FormatMessageText(L"List index out of bounds (%d)", {std::to_wstring(index)}));
}

[[noreturn]] void InsertError() { throw EListError(L"Unable to insert a line"); }

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

// ---------------------------------------------------------------- TListBoxStrings

HWND TListBoxStrings::Window() const { return owner_.HandleAllocated() ? owner_.handle_ : nullptr; }

int TListBoxStrings::Count() const {
  if (HWND w = Window()) return static_cast<int>(SendMessageW(w, LB_GETCOUNT, 0, 0));
  return owner_.IsVirtual() ? owner_.virtualCount_ : static_cast<int>(saved_.size());
}

String TListBoxStrings::Get(int index) const {
  if (owner_.IsVirtual()) {
    if (index < 0 || index >= owner_.Count()) IndexError(index);
    String text;
    if (owner_.OnData) owner_.OnData(&owner_, index, text);
    return text;
  }
  HWND w = Window();
  if (!w) {
    if (index < 0 || index >= static_cast<int>(saved_.size())) IndexError(index);
    return saved_[static_cast<size_t>(index)].text;
  }
  const LRESULT length = SendMessageW(w, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == LB_ERR) IndexError(index);
  String text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT got = SendMessageW(w, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(std::max<LRESULT>(got, 0)));
  return text;
}

LONG_PTR TListBoxStrings::Objects(int index) const {
  if (owner_.IsVirtual()) {
    if (index < 0 || index >= owner_.Count()) IndexError(index);
    LONG_PTR object = 0;
    if (owner_.OnDataObject) owner_.OnDataObject(&owner_, index, object);
    return object;
  }
  HWND w = Window();
  if (!w) {
    if (index < 0 || index >= static_cast<int>(saved_.size())) IndexError(index);
    return saved_[static_cast<size_t>(index)].data;
  }
  const LRESULT data = SendMessageW(w, LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
  if (data == LB_ERR) IndexError(index);
  return data;
}

void TListBoxStrings::SetObject(int index, LONG_PTR object) {
  if (owner_.IsVirtual()) return;
  if (HWND w = Window()) {
    SendMessageW(w, LB_SETITEMDATA, static_cast<WPARAM>(index), object);
    return;
  }
  if (index < 0 || index >= static_cast<int>(saved_.size())) IndexError(index);
  saved_[static_cast<size_t>(index)].data = object;
}

int TListBoxStrings::Add(const String& text) {
  if (owner_.IsVirtual()) return -1;
  HWND w = Window();
  if (!w) {
    saved_.push_back(Saved{text, 0});
    return static_cast<int>(saved_.size()) - 1;
  }
  const LRESULT r = SendMessageW(w, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  if (r < 0) InsertError();
  return static_cast<int>(r);
}

void TListBoxStrings::AddStrings(const std::vector<String>& texts) {
  BeginUpdate();
  try {
    for (const String& t : texts) Add(t);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TListBoxStrings::Insert(int index, const String& text) {
  if (owner_.IsVirtual()) return;
  HWND w = Window();
  if (!w) {
    if (index < 0 || index > static_cast<int>(saved_.size())) IndexError(index);
    saved_.insert(saved_.begin() + index, Saved{text, 0});
    return;
  }
  const LRESULT r = SendMessageW(w, LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
  if (r < 0) InsertError();
}

void TListBoxStrings::Put(int index, const String& text) {
  if (owner_.IsVirtual()) return;
  const int current = owner_.ItemIndex();
  const LONG_PTR data = Objects(index);
  Delete(index);
  Insert(index, text);
  SetObject(index, data);
  owner_.SetItemIndex(current);
}

void TListBoxStrings::Delete(int index) {
  if (HWND w = Window()) {
    SendMessageW(w, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
    return;
  }
  if (index < 0 || index >= static_cast<int>(saved_.size())) IndexError(index);
  saved_.erase(saved_.begin() + index);
}

void TListBoxStrings::Clear() {
  if (owner_.IsVirtual()) return;
  saved_.clear();
  if (HWND w = Window()) SendMessageW(w, LB_RESETCONTENT, 0, 0);
}

int TListBoxStrings::IndexOf(const String& text) const {
  if (owner_.IsVirtual()) return owner_.OnDataFind ? owner_.OnDataFind(&owner_, text) : -1;
  if (HWND w = Window())
    return static_cast<int>(SendMessageW(w, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str())));
  for (size_t i = 0; i < saved_.size(); ++i)
    if (_wcsicmp(saved_[i].text.c_str(), text.c_str()) == 0) return static_cast<int>(i);
  return -1;
}

void TListBoxStrings::Exchange(int a, int b) {
  if (a == b) return;
  BeginUpdate();
  const int current = owner_.ItemIndex();
  const String textA = Get(a), textB = Get(b);
  const LONG_PTR dataA = Objects(a), dataB = Objects(b);
  Put(a, textB);
  SetObject(a, dataB);
  Put(b, textA);
  SetObject(b, dataA);
  // The item index goes with the item it was on.
  owner_.SetItemIndex(current == a ? b : current == b ? a : current);
  EndUpdate();
}

void TListBoxStrings::Move(int from, int to) {
  if (from == to) return;
  BeginUpdate();
  const String text = Get(from);
  const LONG_PTR data = Objects(from);
  Delete(from);
  Insert(to, text);
  SetObject(to, data);
  EndUpdate();
}

void TListBoxStrings::BeginUpdate() {
  if (updating_++ == 0) quiet_ = TRedrawOff(Window());
}

void TListBoxStrings::EndUpdate() {
  if (updating_ == 0 || --updating_ > 0) return;
  quiet_.Restore();
  if (HWND w = Window(); w && IsWindowVisible(w))
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

std::vector<String> TListBoxStrings::ToVector() const {
  std::vector<String> out;
  const int n = Count();
  out.reserve(static_cast<size_t>(std::max(n, 0)));
  for (int i = 0; i < n; ++i) out.push_back(Get(i));
  return out;
}

void TListBoxStrings::Assign(const std::vector<String>& texts) {
  if (owner_.style_ == lbVirtual) owner_.SetStyle(lbStandard);
  if (owner_.style_ == lbVirtualOwnerDraw) owner_.SetStyle(lbOwnerDrawFixed);
  BeginUpdate();
  Clear();
  for (const String& t : texts) Add(t);
  EndUpdate();
}

// ---------------------------------------------------------------- life

TsSkinListBox::TsSkinListBox(TComponent* owner)
    : TWinControl(owner),
      items_(*this),
      skinData_(std::make_unique<TsCommonData>(this, true)),
      boundLabel_(std::make_unique<TsBoundLabel>(*this)) {
  width_ = 121;
  height_ = 97;
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clWindow);
  SetDoubleBuffered(false);
  skinData_->ControlKind = COC_TsSkinListBox;
  if (skinData_->SkinSection().empty()) skinData_->SetSkinSection("EDIT");
  skinData_->Loaded();
}

TsSkinListBox::~TsSkinListBox() {
  FreeHandler();
  boundLabel_.reset();
}

void TsSkinListBox::Loaded() {
  TWinControl::Loaded();
  skinData_->Loaded();
  if (skinData_->Skinned()) SectionColors();
}

void TsSkinListBox::SetDisabledKind(TsDisabledKind kind) {
  if (kind == disabledKind_) return;
  disabledKind_ = kind;
  skinData_->Invalidate();
}

void TsSkinListBox::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, L"LISTBOX");
  params.style |= LBS_NOTIFY | WS_VSCROLL;
  params.style |= IsVirtual() ? LBS_NODATA : LBS_HASSTRINGS;
  if (style_ == lbOwnerDrawFixed || IsVirtual()) params.style |= LBS_OWNERDRAWFIXED;
  if (style_ == lbOwnerDrawVariable) params.style |= LBS_OWNERDRAWVARIABLE;
  if (sorted_ && !IsVirtual()) params.style |= LBS_SORT;
  if (multiSelect_) params.style |= extendedSelect_ ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
  if (!integralHeight_) params.style |= LBS_NOINTEGRALHEIGHT;
  if (columns_ != 0) params.style |= LBS_MULTICOLUMN | WS_HSCROLL;
  if (tabWidth_ != 0) params.style |= LBS_USETABSTOPS;
  if (!autoHideScroll_) params.style |= LBS_DISABLENOSCROLL;
  if (borderStyle_ == bsSingle) {
    if (ctl3D_)
      params.exStyle |= WS_EX_CLIENTEDGE;
    else
      params.style |= WS_BORDER;
  }
  params.classStyle &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TsSkinListBox::CreateWnd() {
  TWinControl::CreateWnd();
  SetWindowPos(handle_, nullptr, left_, top_, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE);
  if (tabWidth_ != 0) {
    INT stop = tabWidth_;
    SendMessageW(handle_, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&stop));
  }
  if (IsOwnerDraw()) SendMessageW(handle_, LB_SETITEMHEIGHT, 0, itemHeight_);
  ApplyColumnWidth();
  if (IsVirtual()) {
    SendMessageW(handle_, LB_SETCOUNT, static_cast<WPARAM>(virtualCount_), 0);
  } else {
    std::vector<TListBoxStrings::Saved> saved;
    saved.swap(items_.saved_);
    const TRedrawOff quiet(handle_);
    for (const auto& item : saved) {
      const LRESULT at = SendMessageW(handle_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.text.c_str()));
      if (at >= 0) SendMessageW(handle_, LB_SETITEMDATA, static_cast<WPARAM>(at), item.data);
    }
  }
  if (savedTop_) SetTopIndex(*savedTop_);
  if (savedIndex_) SetItemIndex(*savedIndex_);
  savedTop_.reset();
  savedIndex_.reset();
  UpdateHandler();
}

void TsSkinListBox::DestroyWnd() {
  if (handle_) {
    const int n = static_cast<int>(SendMessageW(handle_, LB_GETCOUNT, 0, 0));
    if (IsVirtual()) {
      virtualCount_ = n;
    } else {
      std::vector<TListBoxStrings::Saved> saved;
      saved.reserve(static_cast<size_t>(std::max(n, 0)));
      for (int i = 0; i < n; ++i) saved.push_back({items_.Get(i), items_.Objects(i)});
      items_.saved_ = std::move(saved);
    }
    savedTop_ = TopIndex();
    savedIndex_ = ItemIndex();
  }
  TWinControl::DestroyWnd();
}

void TsSkinListBox::Recreate() {
  if (IsLoading()) return;
  RecreateWnd();
}

// ---------------------------------------------------------------- properties

void TsSkinListBox::SetStyle(TListBoxStyle style) {
  if (style == style_) return;
  if (style == lbVirtual || style == lbVirtualOwnerDraw) {
    items_.Clear();
    sorted_ = false;
  }
  style_ = style;
  Recreate();
}

int TsSkinListBox::ItemHeight() const {
  if (style_ == lbStandard && handle_) {
    const LRESULT h = SendMessageW(handle_, LB_GETITEMHEIGHT, 0, 0);
    if (h > 0) return static_cast<int>(h);
  }
  return itemHeight_;
}

void TsSkinListBox::SetItemHeight(int height) {
  if (height <= 0 || height == itemHeight_) return;
  itemHeight_ = height;
  Recreate();
}

void TsSkinListBox::SetSorted(bool on) {
  if (on == sorted_ || IsVirtual()) return;
  sorted_ = on;
  Recreate();
}

void TsSkinListBox::SetColumns(int columns) {
  columns = std::max(columns, 0);
  if (columns == columns_) return;
  const bool switched = (columns == 0) != (columns_ == 0);
  columns_ = columns;
  if (switched)
    Recreate();
  else
    ApplyColumnWidth();
}

void TsSkinListBox::ApplyColumnWidth() {
  if (!handle_ || columns_ == 0) return;
  const int width = std::max(1, (width_ - 3 + columns_) / columns_);
  SendMessageW(handle_, LB_SETCOLUMNWIDTH, static_cast<WPARAM>(width), 0);
}

void TsSkinListBox::SetTabWidth(int width) {
  width = std::max(width, 0);
  if (width == tabWidth_) return;
  tabWidth_ = width;
  Recreate();
}

void TsSkinListBox::SetIntegralHeight(bool on) {
  if (on == integralHeight_) return;
  integralHeight_ = on;
  Recreate();
}

void TsSkinListBox::SetBorderStyle(TBorderStyle style) {
  if (style == borderStyle_) return;
  borderStyle_ = style;
  Recreate();
}

void TsSkinListBox::SetCtl3D(bool on) {
  if (on == ctl3D_) return;
  ctl3D_ = on;
  if (borderStyle_ == bsSingle) Recreate();
}

void TsSkinListBox::SetAutoHideScroll(bool on) {
  if (on == autoHideScroll_) return;
  autoHideScroll_ = on;
  Recreate();
}

void TsSkinListBox::SetMultiSelect(bool on) {
  if (on == multiSelect_) return;
  multiSelect_ = on;
  Recreate();
}

void TsSkinListBox::SetExtendedSelect(bool on) {
  if (on == extendedSelect_) return;
  extendedSelect_ = on;
  Recreate();
}

// ---------------------------------------------------------------- operations

void TsSkinListBox::Clear() { items_.Clear(); }

int TsSkinListBox::Count() const {
  if (IsVirtual()) return handle_ ? static_cast<int>(SendMessageW(handle_, LB_GETCOUNT, 0, 0)) : virtualCount_;
  return items_.Count();
}

void TsSkinListBox::SetCount(int count) {
  if (!IsVirtual())
    throw EListError(FormatMessageText(L"Listbox (%s) style must be virtual in order to set Count", {Name()}));
  if (handle_ && SendMessageW(handle_, LB_SETCOUNT, static_cast<WPARAM>(count), 0) < 0)
    throw EListError(FormatMessageText(L"Error setting %s.Count", {Name()}));
  virtualCount_ = count;
}

int TsSkinListBox::ItemIndex() const {
  if (!handle_) return savedIndex_.value_or(-1);
  return static_cast<int>(SendMessageW(handle_, multiSelect_ ? LB_GETCARETINDEX : LB_GETCURSEL, 0, 0));
}

void TsSkinListBox::SetItemIndex(int index) {
  if (!handle_) {
    savedIndex_ = index;
    return;
  }
  const int previous = ItemIndex();
  if (previous == index) return;
  if (multiSelect_)
    SendMessageW(handle_, LB_SETCARETINDEX, static_cast<WPARAM>(index), FALSE);
  else
    SendMessageW(handle_, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  if (previous >= 0 && IsOwnerDraw()) RedrawItem(previous);
}

bool TsSkinListBox::Selected(int index) const {
  if (!handle_) return !multiSelect_ && savedIndex_ == index;
  const LRESULT r = SendMessageW(handle_, LB_GETSEL, static_cast<WPARAM>(index), 0);
  if (r == LB_ERR) IndexError(index);
  return r != 0;
}

void TsSkinListBox::SetSelected(int index, bool on) {
  if (multiSelect_) {
    if (handle_ && SendMessageW(handle_, LB_SETSEL, on ? TRUE : FALSE, index) == LB_ERR) IndexError(index);
    return;
  }
  if (on) {
    SetItemIndex(index);
  } else if (ItemIndex() == index) {
    // Deselecting the selected item leaves no selection (not item `index` selected).
    SetItemIndex(-1);
  }
  if (handle_) InvalidateRect(handle_, nullptr, FALSE);
}

int TsSkinListBox::SelCount() const {
  if (!handle_) return 0;
  if (multiSelect_) return static_cast<int>(SendMessageW(handle_, LB_GETSELCOUNT, 0, 0));
  return ItemIndex() >= 0 ? 1 : 0;
}

void TsSkinListBox::ClearSelection() {
  if (!multiSelect_) {
    SetItemIndex(-1);
    return;
  }
  for (int i = 0, n = Count(); i < n; ++i) SetSelected(i, false);
}

void TsSkinListBox::SelectAll() {
  if (!multiSelect_ || !handle_ || Count() == 0) return;
  SendMessageW(handle_, LB_SETSEL, TRUE, -1);
}

void TsSkinListBox::DeleteSelected() {
  if (multiSelect_) {
    for (int i = Count() - 1; i >= 0; --i)
      if (Selected(i)) items_.Delete(i);
    return;
  }
  const int index = ItemIndex();
  if (index >= 0) items_.Delete(index);
}

int TsSkinListBox::TopIndex() const {
  return handle_ ? static_cast<int>(SendMessageW(handle_, LB_GETTOPINDEX, 0, 0)) : savedTop_.value_or(0);
}

void TsSkinListBox::SetTopIndex(int index) {
  if (TopIndex() != index && handle_) SendMessageW(handle_, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
}

int TsSkinListBox::ItemAtPos(POINT p, bool existing) const {
  if (!handle_) return -1;
  RECT client{};
  GetClientRect(handle_, &client);
  if (!PtInRect(&client, p)) return -1;
  const int count = Count();
  for (int i = TopIndex(); i < count; ++i) {
    RECT r{};
    if (SendMessageW(handle_, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r)) == LB_ERR) break;
    if (PtInRect(&r, p)) return i;
    if (r.top > client.bottom && columns_ == 0) break;
  }
  return existing ? -1 : count;
}

RECT TsSkinListBox::ItemRect(int index) const {
  RECT r{};
  const int count = Count();
  if (!handle_ || index < 0 || index > count) return r;
  if (index < count || count == 0) {
    SendMessageW(handle_, LB_GETITEMRECT, static_cast<WPARAM>(index < count ? index : 0), reinterpret_cast<LPARAM>(&r));
    return r;
  }
  SendMessageW(handle_, LB_GETITEMRECT, static_cast<WPARAM>(count - 1), reinterpret_cast<LPARAM>(&r));
  OffsetRect(&r, 0, r.bottom - r.top);
  return r;
}

void TsSkinListBox::RedrawItem(int index) {
  RECT r = ItemRect(index);
  if (IsRectEmpty(&r)) return;
  TClientDC dc = TClientDC::Of(handle_);
  if (!dc) return;
  UINT state = Selected(index) ? ODS_SELECTED : 0;
  if (Focused() && ItemIndex() == index) state |= ODS_FOCUS;
  const TCanvasHandleScope lent(canvas_, dc.Get());
  DrawItem(index, r, state);
}

// ---------------------------------------------------------------- the handler

bool TsSkinListBox::OwnManager(LPARAM manager) const {
  return reinterpret_cast<TsSkinManager*>(manager) == skinData_->SkinManager();
}

void TsSkinListBox::UpdateHandler() {
  if (frameHandler_ && !frameHandler_->Serves(handle_)) FreeHandler();
  const bool wanted = handle_ && skinData_->Skinned(true) && !IsDestroying();
  if (!wanted) {
    FreeHandler();
    return;
  }
  if (frameHandler_ || !WindowHandlerSeam().AttachFrame) return;
  frameHandler_ = WindowHandlerSeam().AttachFrame(handle_, "EDIT", skinData_->SkinManager(), skinData_.get());
}

// Emptied before the handler goes: detaching it sends the window messages that land here.
void TsSkinListBox::FreeHandler() { frameHandler_.reset(); }

void TsSkinListBox::SectionColors() {
  const TsGeneralData* section = skinData_->Section();
  if (!section) return;
  const TColor color = SkinColorToRGB(section->Color);
  const TColor font = SkinColorToRGB(section->FontColor[0]);
  if (!skinData_->CustomColor() && Color() != color) SetColor(color);
  if (!skinData_->CustomFont() && Font().Color() != font) Font().SetColor(font);
}

// ---------------------------------------------------------------- messages

void TsSkinListBox::WndProc(TMessage& message) {
  if (message.Msg == SM_SKINCMD && SkinCommand(message)) return;
  if (VirtualText(message)) return;
  if (!skinData_->Skinned() || !skinData_->ControlReady()) {
    if (SkinnedMessage(message)) return;
    CallFramework(message);
    if (message.Msg == CM_SHOWINGCHANGED) UpdateHandler();
    return;
  }
  if (SkinnedMessage(message)) return;
  skinData_->CommonWndProc(message);
  CallFramework(message);
  AfterSkinned(message);
}

void TsSkinListBox::CallFramework(TMessage& message) {
  TWinControl::WndProc(message);
  boundLabel_->ControlChanged(message);
}

bool TsSkinListBox::SkinCommand(TMessage& message) {
  switch (SkinCommandOf(message.WParam)) {
    case CMD_SKINLOADED:
      if (OwnManager(message.LParam)) skinData_->CommonWndProc(message);
      return true;
    case CMD_SKINREMOVED:
      if (!OwnManager(message.LParam)) return true;
      FreeHandler();
      skinData_->CommonWndProc(message);
      if (!skinData_->CustomColor()) SetColor(clWindow);
      if (!skinData_->CustomFont()) Font().SetColor(clWindowText);
      if (handle_) RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
      return true;
    case CMD_REPAINT:
      if (!OwnManager(message.LParam)) return true;
      skinData_->CommonWndProc(message);
      if (skinData_->Skinned()) SectionColors();
      UpdateHandler();
      if (handle_) {
        Invalidate();
        SendMessageW(handle_, WM_NCPAINT, 1, 0);
      }
      return true;
    case CMD_PARENTDONE:
      if (skinData_->UpdatingFlag) {
        skinData_->UpdatingFlag = false;
        if (handle_) {
          Repaint();
          SendMessageW(handle_, WM_NCPAINT, 1, 0);
        }
      }
      return true;
    case CMD_ISSKINNED:
    case CMD_GETAPPLICATION: return AnswerSkinnedQuery(message);
    default: return false;
  }
}

bool TsSkinListBox::SkinnedMessage(TMessage& message) {
  switch (message.Msg) {
    case WM_ERASEBKGND:
      if (!skinData_->Skinned() || !message.WParam || IsLoading() || IsDestroying() || !frameHandler_) return false;
      EraseSkinned(message);
      return true;
    case CN_DRAWITEM: DrawItemRequest(message); return true;
    case CN_MEASUREITEM: MeasureItemRequest(message); return true;
    case CN_COMMAND:
      if (HIWORD(message.WParam) == LBN_SELCHANGE) {
        if (OnChange) OnChange(this);
        Click();
      } else if (HIWORD(message.WParam) == LBN_DBLCLK && OnDblClick) {
        OnDblClick(this);
      }
      return true;
    case CN_CTLCOLORLISTBOX: ColorDC(message); return true;
    case WM_CHAR: return autoComplete_ && TypeAhead(message);
    case WM_VSCROLL:
      CallFramework(message);
      if (OnVScroll) OnVScroll(this);
      return true;
    case CM_COLORCHANGED:
      if (!skinData_->Skinned()) return false;
      CallFramework(message);
      SectionColors();
      return true;
    default: return false;
  }
}

void TsSkinListBox::AfterSkinned(const TMessage& message) {
  switch (message.Msg) {
    case LB_SETCURSEL:
      if (frameHandler_) frameHandler_->RefreshBars(true);
      break;
    case WM_SIZE:
      if (!IsLoading() && !(ControlState() & csCreating)) skinData_->BackgroundChangedFlag = true;
      ApplyColumnWidth();
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: skinData_->Invalidate(); break;
    case CM_ENABLEDCHANGED:
      skinData_->BackgroundChangedFlag = true;
      if (handle_) {
        RebuildPicture();
        RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
      }
      break;
    case CM_FONTCHANGED:
    case WM_SETFONT:
      skinData_->BackgroundChangedFlag = true;
      if (handle_) {
        if (style_ == lbStandard) itemHeight_ = ItemHeight();
        Invalidate();
      }
      break;
    case CM_SHOWINGCHANGED: UpdateHandler(); break;
    default: break;
  }
}

bool TsSkinListBox::VirtualText(TMessage& message) {
  if (!IsVirtual() || (message.Msg != LB_GETTEXT && message.Msg != LB_GETTEXTLEN)) return false;
  const int index = static_cast<int>(message.WParam);
  if (!OnData || index < 0 || index >= Count()) {
    message.Result = LB_ERR;
    return true;
  }
  String text;
  OnData(this, index, text);
  if (message.Msg == LB_GETTEXT && message.LParam)
    std::copy(text.c_str(), text.c_str() + text.size() + 1, reinterpret_cast<wchar_t*>(message.LParam));
  message.Result = static_cast<LRESULT>(text.size());
  return true;
}

// ---------------------------------------------------------------- painting

void TsSkinListBox::RebuildPicture() {
  TsSkinManager* manager = skinData_->SkinManager();
  if (!manager || !skinData_->Skinned()) return;
  skinData_->PrepareCache();
  TBitmap* cache = skinData_->Cache();
  if (!cache || cache->Empty()) return;
  const BgInfo bg = skinData_->GetParentBgInfo();
  TPaintItemSource item = ControlPaintSource(*skinData_, *manager, *this);
  const TSurfaceView view = cache->View();
  PaintItem(item, bg, true, true, view, TPoint{Left(), Top()}, TsRect{0, 0, Width(), Height()},
            skinData_->IsActive() ? 1 : 0);
  if (!Enabled())
    ApplyDisabledLook(view, disabledKind_, static_cast<TColor>(ColorToRGB(Color())), TPoint{Left(), Top()}, bg);
  GdiFlush();
  skinData_->BackgroundChangedFlag = false;
}

void TsSkinListBox::EraseSkinned(TMessage& message) {
  message.Result = 1;
  skinData_->UpdatingFlag = skinData_->RefreshUpdating();
  if (skinData_->UpdatingFlag) return;
  try {
    if (skinData_->BackgroundChangedFlag) RebuildPicture();
    const int e = frameHandler_->LeftEdge();
    const RECT target{0, 0, Width() - 2 * e, Height() - 2 * e};
    PaintToDCExcludingChildren(this, *skinData_, POINT{e, e}, 0, 0, true, reinterpret_cast<HDC>(message.WParam), target);
  } catch (...) {
    // The platform paints the items over whatever is there.
  }
}

void TsSkinListBox::DrawItemRequest(TMessage& message) {
  auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam);
  message.Result = 1;
  if (!draw) return;
  if (skinData_->Skinned()) {
    skinData_->UpdatingFlag = skinData_->RefreshUpdating();
    if (skinData_->UpdatingFlag) return;
  }
  if (Count() == 0 || static_cast<int>(draw->itemID) < 0) return;
  const TCanvasHandleScope lent(canvas_, draw->hDC);
  const TSavedDC state(draw->hDC);
  DrawItem(static_cast<int>(draw->itemID), draw->rcItem, draw->itemState);
}

void TsSkinListBox::DrawItem(int index, RECT rect, UINT state) {
  canvas_.Font().Assign(Font());
  canvas_.Brush().SetStyle(TBrushStyle::bsSolid);
  canvas_.Brush().SetColor(Color());
  const bool current = ItemIndex() == index && !Focused();
  if ((state & ODS_SELECTED) || current) {
    if (!OnDrawItem) {
      canvas_.Brush().SetColor(clHighlight);
      canvas_.Font().SetColor(clHighlightText);
    }
  } else if (!skinData_->CustomFont()) {
    canvas_.Font().SetColor(Enabled() ? Font().Color()
                                      : HalfMix(static_cast<TColor>(ColorToRGB(Font().Color())),
                                                static_cast<TColor>(ColorToRGB(Color()))));
  }
  canvas_.FillRect(rect);
  if (OnDrawItem) {
    OnDrawItem(this, index, rect, state);
  } else {
    String text = items_.Get(index);
    RECT r = rect;
    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    if (GetWindowLongW(handle_, GWL_EXSTYLE) & WS_EX_RTLREADING) {
      flags |= DT_RTLREADING | DT_RIGHT;
      r.right -= 2;
    } else {
      r.left += 2;
    }
    canvas_.Brush().SetStyle(TBrushStyle::bsClear);
    canvas_.DrawText(text, r, flags);
  }
  if (state & ODS_FOCUS) DrawFocusRect(canvas_.Handle(), &rect);
}

void TsSkinListBox::MeasureItemRequest(TMessage& message) {
  auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam);
  if (!measure) return;
  int height = itemHeight_;
  if (style_ == lbOwnerDrawVariable && OnMeasureItem) OnMeasureItem(this, static_cast<int>(measure->itemID), height);
  measure->itemHeight = static_cast<UINT>(std::max(height, 1));
  message.Result = 1;
}

// ---------------------------------------------------------------- type-ahead

bool TsSkinListBox::TypeAhead(TMessage& message) {
  const DWORD now = GetTickCount();
  if (static_cast<DWORD>(now - lastKey_) >= autoCompleteDelay_) prefix_.clear();
  lastKey_ = now;
  const auto ch = static_cast<wchar_t>(message.WParam);
  if (ch == 8) {
    if (!prefix_.empty()) prefix_.pop_back();
    if (!prefix_.empty() && IsHighSurrogate(prefix_.back())) prefix_.pop_back();
  } else if (IsHighSurrogate(ch)) {
    // The other half of the character follows in the queue.
    prefix_ += ch;
    MSG next{};
    if (PeekMessageW(&next, handle_, WM_CHAR, WM_CHAR, PM_NOREMOVE) && IsLowSurrogate(static_cast<wchar_t>(next.wParam))) {
      PeekMessageW(&next, handle_, WM_CHAR, WM_CHAR, PM_REMOVE);
      prefix_ += static_cast<wchar_t>(next.wParam);
    }
  } else {
    prefix_ += ch;
  }
  if (prefix_.empty()) {
    SetItemIndex(0);
    Click();
  } else {
    int found = -1;
    if (IsVirtual())
      found = OnDataFind ? OnDataFind(this, prefix_) : -1;
    else if (handle_)
      found = static_cast<int>(SendMessageW(handle_, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(prefix_.c_str())));
    if (found >= 0) {
      if (multiSelect_) {
        SendMessageW(handle_, LB_SETSEL, FALSE, -1);
        SendMessageW(handle_, LB_SELITEMRANGE, TRUE, MAKELPARAM(found, found));
      }
      SetItemIndex(found);
      Click();
    }
  }
  if (ch == 8 || ch == 13 || ch == 27) return false;
  message.Result = 0;
  return true;
}
