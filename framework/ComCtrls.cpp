#include "framework/ComCtrls.h"

#include <commctrl.h>

#include <shellapi.h>

#include <algorithm>
#include <iterator>
#include <utility>

#include "framework/Handles.h"

// ---------------------------------------------------------------- TTabSheet

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
  controlStyle_ |= csAcceptsControls;
  SetColor(clBtnFace);
  SetVisibleFlag(false);
  SetAlign(alClient);
}

TTabSheet::~TTabSheet() {
  Destroying();
  if (pageControl_) pageControl_->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* control) {
  if (control == pageControl_) return;
  if (pageControl_) pageControl_->RemovePage(this);
  SetParent(control);
  if (control) control->InsertPage(this);
}

int TTabSheet::PageIndex() const {
  if (!pageControl_) return -1;
  const auto& pages = pageControl_->pages_;
  return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int index) {
  if (!pageControl_) return;
  auto& pages = pageControl_->pages_;
  pages.erase(std::remove(pages.begin(), pages.end(), this), pages.end());
  index = std::clamp(index, 0, static_cast<int>(pages.size()));
  pages.insert(pages.begin() + index, this);
  pageControl_->UpdateTabs();
}

void TTabSheet::SetImageIndex(int index) {
  if (index == imageIndex_) return;
  imageIndex_ = index;
  if (pageControl_) pageControl_->UpdateTabs();
}

int TTabSheet::TabIndex() const {
  if (!pageControl_ || !tabVisible_) return -1;
  int tab = 0;
  for (TTabSheet* page : pageControl_->pages_) {
    if (page == this) return tab;
    if (page->tabVisible_) ++tab;
  }
  return -1;
}

void TTabSheet::SetTabVisible(bool on) {
  if (on == tabVisible_) return;
  tabVisible_ = on;
  if (pageControl_) pageControl_->UpdateTabs();
}

void TTabSheet::WndProc(TMessage& message) {
  if (message.Msg == CM_TEXTCHANGED) {
    if (pageControl_) pageControl_->UpdateTabs();
    return;
  }
  TWinControl::WndProc(message);
}

// ---------------------------------------------------------------- TPageControl

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
  controlStyle_ = csAcceptsControls | csCaptureMouse | csClickEvents | csDoubleClicks;
  SetColor(clBtnFace);
  SetTabStop(true);
  width_ = 289;
  height_ = 193;
}

TPageControl::~TPageControl() {
  Destroying();
  // Sheets are children: the TWinControl destructor frees them; forget them first.
  for (TTabSheet* page : pages_) page->pageControl_ = nullptr;
  pages_.clear();
  activePage_ = nullptr;
}

void TPageControl::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, WC_TABCONTROLW);
  params.style |= WS_CLIPCHILDREN;
  params.style |= style_ == tsTabs ? TCS_TABS : style_ == tsButtons ? TCS_BUTTONS : TCS_BUTTONS | TCS_FLATBUTTONS;
  // Tabs on the sides are laid out in rows only.
  if (multiLine_ || tabPosition_ == tpLeft || tabPosition_ == tpRight) params.style |= TCS_MULTILINE;
  if (tabPosition_ == tpBottom) params.style |= TCS_BOTTOM;
  if (tabPosition_ == tpLeft) params.style |= TCS_VERTICAL;
  if (tabPosition_ == tpRight) params.style |= TCS_VERTICAL | TCS_RIGHT;
  if (hotTrack_) params.style |= TCS_HOTTRACK;
  if (ownerDraw_) params.style |= TCS_OWNERDRAWFIXED;
  if (tabWidth_ > 0) params.style |= TCS_FIXEDWIDTH;
}

void TPageControl::CreateWnd() {
  TWinControl::CreateWnd();
  if (images_) SendMessageW(handle_, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
  ApplyTabSize();
  UpdateTabs();
  Realign();
}

void TPageControl::SetTabPosition(TTabPosition position) {
  if (position == tabPosition_) return;
  tabPosition_ = position;
  RecreateWnd();
}

void TPageControl::SetStyle(TTabStyle style) {
  if (style == style_) return;
  style_ = style;
  RecreateWnd();
}

void TPageControl::SetImages(HIMAGELIST images) {
  if (images == images_) return;
  images_ = images;
  if (!handle_) return;
  SendMessageW(handle_, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
  UpdateTabs();
}

void TPageControl::SetOwnerDraw(bool on) {
  if (on == ownerDraw_) return;
  ownerDraw_ = on;
  RecreateWnd();
}

void TPageControl::SetTabHeight(int height) {
  if (height == tabHeight_ || height < 0) return;
  tabHeight_ = height;
  ApplyTabSize();
}

void TPageControl::SetTabWidth(int width) {
  if (width == tabWidth_ || width < 0) return;
  const bool styleChanges = (width > 0) != (tabWidth_ > 0);
  tabWidth_ = width;
  if (styleChanges)
    RecreateWnd();
  else
    ApplyTabSize();
}

void TPageControl::ApplyTabSize() {
  if (!handle_ || (tabWidth_ == 0 && tabHeight_ == 0)) return;
  SendMessageW(handle_, TCM_SETITEMSIZE, 0, MAKELPARAM(tabWidth_, tabHeight_));
  Realign();
}

void TPageControl::DrawItem(const DRAWITEMSTRUCT& item) {
  if (!OnDrawTab) return;
  const TSavedDC state(item.hDC);
  canvas_.SetHandle(item.hDC);
  canvas_.Font().Assign(Font());
  try {
    OnDrawTab(this, static_cast<int>(item.itemID), item.rcItem, (item.itemState & ODS_SELECTED) != 0);
  } catch (...) {
    // Nothing raises out of drawing.
  }
  canvas_.SetHandle(nullptr);
}

void TPageControl::SetMultiLine(bool on) {
  if (on == multiLine_) return;
  multiLine_ = on;
  RecreateWnd();
}

void TPageControl::SetHotTrack(bool on) {
  if (on == hotTrack_) return;
  hotTrack_ = on;
  RecreateWnd();
}

void TPageControl::InsertPage(TTabSheet* page) {
  pages_.push_back(page);
  page->pageControl_ = this;
  UpdateTabs();
  if (!activePage_) SetActivePage(page);
}

void TPageControl::RemovePage(TTabSheet* page) {
  auto it = std::find(pages_.begin(), pages_.end(), page);
  if (it == pages_.end()) return;
  TTabSheet* next = nullptr;
  if (page == activePage_) {
    // The neighbour takes over, as closing a tab would.
    auto idx = it - pages_.begin();
    if (idx + 1 < static_cast<std::ptrdiff_t>(pages_.size())) next = pages_[static_cast<size_t>(idx + 1)];
    else if (idx > 0) next = pages_[static_cast<size_t>(idx - 1)];
    activePage_ = nullptr;
  }
  pages_.erase(it);
  page->pageControl_ = nullptr;
  if (!IsDestroying()) {
    UpdateTabs();
    if (next) SetActivePage(next);
  }
}

TTabSheet* TPageControl::PageForTab(int tabIndex) const {
  for (TTabSheet* page : pages_)
    if (page->TabIndex() == tabIndex && tabIndex >= 0) return page;
  return nullptr;
}

void TPageControl::UpdateTabs() {
  if (!handle_) return;
  SendMessageW(handle_, TCM_DELETEALLITEMS, 0, 0);
  int tab = 0;
  for (TTabSheet* page : pages_) {
    if (!page->tabVisible_) continue;
    String caption = page->Caption();
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_PARAM | TCIF_IMAGE;
    item.pszText = caption.data();
    item.iImage = images_ ? page->imageIndex_ : -1;
    item.lParam = reinterpret_cast<LPARAM>(page);
    SendMessageW(handle_, TCM_INSERTITEMW, static_cast<WPARAM>(tab++), reinterpret_cast<LPARAM>(&item));
  }
  if (activePage_ && activePage_->TabIndex() >= 0)
    SendMessageW(handle_, TCM_SETCURSEL, static_cast<WPARAM>(activePage_->TabIndex()), 0);
  Realign();
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page && page->pageControl_ != this) return;
  if (page == activePage_) {
    ShowActivePage();
    return;
  }
  TTabSheet* old = activePage_;
  activePage_ = page;
  if (handle_ && page && page->TabIndex() >= 0)
    SendMessageW(handle_, TCM_SETCURSEL, static_cast<WPARAM>(page->TabIndex()), 0);
  ShowActivePage();
  if (old && old != page) old->SetVisible(false);
}

void TPageControl::ShowActivePage() {
  if (!activePage_) return;
  activePage_->BringToFront();
  activePage_->SetVisible(true);
}

int TPageControl::ActivePageIndex() const { return activePage_ ? activePage_->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(int index) {
  if (index < 0 || index >= PageCount()) {
    SetActivePage(nullptr);
    return;
  }
  SetActivePage(pages_[static_cast<size_t>(index)]);
}

RECT TPageControl::DisplayRect() const {
  RECT r = ClientRect();
  AdjustClientRect(r);
  return r;
}

void TPageControl::AdjustClientRect(RECT& rect) const {
  if (handle_) {
    SendMessageW(handle_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rect));
  } else {
    // Until the tab control exists: its usual frame around a single row of tabs.
    rect.left += 4;
    rect.top += 24;
    rect.right -= 4;
    rect.bottom -= 4;
  }
}

void TPageControl::UpdateActivePage() {
  if (!handle_) return;
  const int tab = static_cast<int>(SendMessageW(handle_, TCM_GETCURSEL, 0, 0));
  SetActivePage(PageForTab(tab));
}

void TPageControl::Change() {
  if (OnChange) OnChange(this);
}

bool TPageControl::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TPageControl::WndProc(TMessage& message) {
  if (message.Msg == CN_NOTIFY) {
    auto* header = reinterpret_cast<NMHDR*>(message.LParam);
    if (header->code == static_cast<UINT>(TCN_SELCHANGING)) {
      message.Result = CanChange() ? FALSE : TRUE;
      return;
    }
    if (header->code == static_cast<UINT>(TCN_SELCHANGE)) {
      UpdateActivePage();
      Change();
      return;
    }
    return;
  }
  if (message.Msg == CN_DRAWITEM) {
    DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam));
    message.Result = TRUE;
    return;
  }
  TWinControl::WndProc(message);
  if (message.Msg == WM_SETREDRAW && handle_) {
    // Some platform tab controls keep the flag to themselves; the default procedure is
    // what keeps the sheets from painting meanwhile (and it does no harm twice).
    DefWindowProcW(handle_, WM_SETREDRAW, message.WParam, 0);
  }
}

// ---------------------------------------------------------------- tree view

TTreeNode::~TTreeNode() = default;

String TTreeNode::Text() const {
  wchar_t buffer[1024] = {};
  TVITEMW item{};
  item.mask = TVIF_TEXT | TVIF_HANDLE;
  item.hItem = item_;
  item.pszText = buffer;
  item.cchTextMax = static_cast<int>(std::size(buffer));
  if (!tree_.HandleAllocated() || !SendMessageW(tree_.Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
    return String();
  return buffer;
}

void TTreeNode::SetText(const String& text) {
  TVITEMW item{};
  item.mask = TVIF_TEXT | TVIF_HANDLE;
  item.hItem = item_;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(tree_.Handle(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void TTreeNode::SetHasChildren(bool on) {
  hasChildren_ = on;
  TVITEMW item{};
  item.mask = TVIF_CHILDREN | TVIF_HANDLE;
  item.hItem = item_;
  item.cChildren = on ? 1 : 0;
  SendMessageW(tree_.Handle(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

bool TTreeNode::Expanded() const {
  return (SendMessageW(tree_.Handle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item_), TVIS_EXPANDED) &
          TVIS_EXPANDED) != 0;
}

void TTreeNode::Expand() { SendMessageW(tree_.Handle(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item_)); }
void TTreeNode::Collapse() { SendMessageW(tree_.Handle(), TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(item_)); }
bool TTreeNode::Selected() const { return tree_.Selected() == this; }

void TTreeNode::SetImageIndex(int normal, int selected) {
  TVITEMW item{};
  item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
  item.hItem = item_;
  item.iImage = normal;
  item.iSelectedImage = selected;
  SendMessageW(tree_.Handle(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void TTreeNode::Delete() {
  // The platform's deletion notice frees this node (and each child's frees the child).
  SendMessageW(tree_.Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item_));
}

void TTreeNode::DeleteChildren() {
  for (TTreeNode* child : std::vector<TTreeNode*>(children_)) child->Delete();
}

TCustomTreeView::TCustomTreeView(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 121, 97);
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clWindow);
}

TCustomTreeView::~TCustomTreeView() {
  Destroying();
  // Nodes the platform never reported deleted (a window that went without its items).
  roots_.clear();
  nodes_.clear();
}

void TCustomTreeView::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, WC_TREEVIEWW);
  params.style |= TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS;
  if (!readOnly_) params.style |= TVS_EDITLABELS;
  params.exStyle |= WS_EX_CLIENTEDGE;
}

void TCustomTreeView::CreateWnd() {
  TWinControl::CreateWnd();
  if (images_) SendMessageW(handle_, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images_));
}

void TCustomTreeView::DestroyWnd() {
  TWinControl::DestroyWnd();
  // The items went with the window; nodes whose notices did not arrive go now.
  roots_.clear();
  nodes_.clear();
}

TTreeNode* TCustomTreeView::AddChild(TTreeNode* parent, const String& text) {
  HandleNeeded();
  auto node = std::unique_ptr<TTreeNode>(new TTreeNode(*this, parent));
  TTreeNode* made = node.get();
  nodes_.push_back(std::move(node));
  InsertItem(made, text);
  if (!made->item_) {
    ItemDeleted(made);
    throw Exception(L"The tree view refused an item");
  }
  if (parent) {
    parent->children_.push_back(made);
  } else {
    roots_.push_back(made);
  }
  return made;
}

void TCustomTreeView::InsertItem(TTreeNode* node, const String& text) {
  TVINSERTSTRUCTW insert{};
  insert.hParent = node->parent_ ? node->parent_->item_ : TVI_ROOT;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  insert.item.pszText = const_cast<wchar_t*>(text.c_str());
  insert.item.lParam = reinterpret_cast<LPARAM>(node);
  insert.item.iImage = insert.item.iSelectedImage = images_ ? 0 : -1;
  node->item_ = reinterpret_cast<HTREEITEM>(SendMessageW(handle_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

void TCustomTreeView::Clear() {
  if (handle_) SendMessageW(handle_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
}

TTreeNode* TCustomTreeView::NodeOf(HTREEITEM item) const {
  if (!handle_ || !item) return nullptr;
  TVITEMW query{};
  query.mask = TVIF_PARAM | TVIF_HANDLE;
  query.hItem = item;
  if (!SendMessageW(handle_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&query))) return nullptr;
  return reinterpret_cast<TTreeNode*>(query.lParam);
}

TTreeNode* TCustomTreeView::Selected() const {
  if (!handle_) return nullptr;
  return NodeOf(reinterpret_cast<HTREEITEM>(SendMessageW(handle_, TVM_GETNEXTITEM, TVGN_CARET, 0)));
}

void TCustomTreeView::SetSelected(TTreeNode* node) {
  SendMessageW(Handle(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node ? node->item_ : nullptr));
}

void TCustomTreeView::SetReadOnly(bool on) {
  if (on == readOnly_) return;
  readOnly_ = on;
  if (handle_) {
    const LONG_PTR style = GetWindowLongPtrW(handle_, GWL_STYLE);
    SetWindowLongPtrW(handle_, GWL_STYLE, on ? style & ~static_cast<LONG_PTR>(TVS_EDITLABELS) : style | TVS_EDITLABELS);
  }
}

bool TCustomTreeView::IsEditing() const {
  return handle_ && SendMessageW(handle_, TVM_GETEDITCONTROL, 0, 0) != 0;
}

bool TCustomTreeView::EditText(TTreeNode* node) {
  if (!node || readOnly_) return false;
  SetFocus();
  return SendMessageW(Handle(), TVM_EDITLABELW, 0, reinterpret_cast<LPARAM>(node->item_)) != 0;
}

void TCustomTreeView::EndEditing(bool cancel) {
  if (!IsEditing()) return;
  cancelEdit_ = cancel;
  SendMessageW(handle_, TVM_ENDEDITLABELNOW, cancel ? TRUE : FALSE, 0);
  cancelEdit_ = false;
}

void TCustomTreeView::UseSystemImages() {
  SHFILEINFOW info{};
  // The system's list: shared by the process, never destroyed by it.
  images_ = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoW(L"C:\\", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  if (handle_ && images_) SendMessageW(handle_, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images_));
}

void TCustomTreeView::ItemDeleted(TTreeNode* node) {
  if (!node) return;
  auto it = std::find_if(nodes_.begin(), nodes_.end(), [&](const auto& own) { return own.get() == node; });
  if (it == nodes_.end()) return;
  if (OnDeletion && !IsDestroying()) OnDeletion(this, node);
  auto& siblings = node->parent_ ? node->parent_->children_ : roots_;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), node), siblings.end());
  // Children whose notices have not come yet are reported on their own.
  for (TTreeNode* child : node->children_) child->parent_ = nullptr;
  std::unique_ptr<TTreeNode> gone = std::move(*it);
  nodes_.erase(it);
}

// The window is a wide-character one: its notices come in their wide forms.
bool TCustomTreeView::Notify(TMessage& message) {
  auto* header = reinterpret_cast<NMHDR*>(message.LParam);
  switch (header->code) {
    case TVN_SELCHANGEDW:
    case TVN_SELCHANGEDA: {
      auto* tv = reinterpret_cast<NMTREEVIEWW*>(header);
      if (OnChange) OnChange(this, reinterpret_cast<TTreeNode*>(tv->itemNew.lParam));
      return true;
    }
    case TVN_ITEMEXPANDINGW:
    case TVN_ITEMEXPANDINGA: {
      auto* tv = reinterpret_cast<NMTREEVIEWW*>(header);
      auto* node = reinterpret_cast<TTreeNode*>(tv->itemNew.lParam);
      bool allow = true;
      if ((tv->action & TVE_EXPAND) && node && OnExpanding) OnExpanding(this, node, allow);
      // A node that was said to have children and got none loses its button.
      if (allow && node && node->hasChildren_ && node->children_.empty()) node->SetHasChildren(false);
      message.Result = allow ? FALSE : TRUE;
      return true;
    }
    case TVN_ITEMEXPANDEDW:
    case TVN_ITEMEXPANDEDA: {
      auto* tv = reinterpret_cast<NMTREEVIEWW*>(header);
      if ((tv->action & TVE_EXPAND) && OnExpanded) OnExpanded(this, reinterpret_cast<TTreeNode*>(tv->itemNew.lParam));
      return true;
    }
    case TVN_BEGINLABELEDITW:
    case TVN_BEGINLABELEDITA: {
      auto* info = reinterpret_cast<NMTVDISPINFOW*>(header);
      bool allow = !readOnly_;
      if (allow && OnEditing) OnEditing(this, reinterpret_cast<TTreeNode*>(info->item.lParam), allow);
      editing_ = allow;
      message.Result = allow ? FALSE : TRUE;
      return true;
    }
    case TVN_ENDLABELEDITW:
    case TVN_ENDLABELEDITA: {
      auto* info = reinterpret_cast<NMTVDISPINFOW*>(header);
      // One end for each edit (some platforms report the end again as the edit box goes);
      // cancelled: no text, or a cancel asked for through EndEditing.
      const bool running = std::exchange(editing_, false);
      if (!running || !info->item.pszText || cancelEdit_) {
        message.Result = FALSE;
        return true;
      }
      String text = info->item.pszText;
      if (OnEdited) OnEdited(this, reinterpret_cast<TTreeNode*>(info->item.lParam), text);
      if (auto* node = reinterpret_cast<TTreeNode*>(info->item.lParam)) node->SetText(text);
      message.Result = FALSE;  // the text is set above, as the handler left it
      return true;
    }
    case TVN_DELETEITEMW:
    case TVN_DELETEITEMA: {
      auto* tv = reinterpret_cast<NMTREEVIEWW*>(header);
      ItemDeleted(reinterpret_cast<TTreeNode*>(tv->itemOld.lParam));
      return true;
    }
    default:
      return false;
  }
}

void TCustomTreeView::WndProc(TMessage& message) {
  if (message.Msg == CN_NOTIFY && Notify(message)) return;
  TWinControl::WndProc(message);
}
