#include "skin/dialogs/acShellCtrls.h"

#include <shlobj.h>

#include "framework/Forms.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/window/acTreeViewWnd.h"

namespace {
// Posted to the tree: the work a label edit left for after its notification.
constexpr UINT kDeferredEditWork = WM_APP + 0x5A1;

bool ValidFolderName(const String& name) {
  if (name.empty() || name.find_first_not_of(L" .") == String::npos) return false;
  return name.find_first_of(L"\\/:*?\"<>|") == String::npos;
}
}  // namespace

const std::vector<TacRootFolderName>& RootFolderNames() {
  static const std::vector<TacRootFolderName> names = {
      {L"rfDesktop", 0},          {L"rfMyComputer", 17},
      {L"rfNetwork", 18},         {L"rfRecycleBin", 10},
      {L"rfAppData", 26},         {L"rfCommonDesktopDirectory", 25},
      {L"rfCommonPrograms", 23},  {L"rfCommonStartMenu", 22},
      {L"rfCommonStartup", 24},   {L"rfControlPanel", 3},
      {L"rfDesktopDirectory", 16}, {L"rfFavorites", 6},
      {L"rfFonts", 20},           {L"rfInternet", 1},
      {L"rfPersonal", 5},         {L"rfPrinters", 4},
      {L"rfPrintHood", 27},       {L"rfPrograms", 2},
      {L"rfRecent", 8},           {L"rfSendTo", 9},
      {L"rfStartMenu", 11},       {L"rfStartup", 7},
      {L"rfTemplates", 21},
  };
  return names;
}

int RootFolderCsidl(const String& name) {
  for (const TacRootFolderName& entry : RootFolderNames())
    if (name == entry.Name) return entry.Csidl;
  return -1;
}

TsShellTreeView::TsShellTreeView(TComponent* owner)
    : TCustomTreeView(owner),
      skinData_(std::make_unique<TsCommonData>(this, true)),
      boundLabel_(std::make_unique<TsBoundLabel>(*this)) {
  skinData_->ControlKind = COC_TsEdit;
  skinData_->SetSkinSection("EDIT");
  skinData_->Loaded();
  UseSystemImages();
  OnExpanding = [this](TComponent*, TTreeNode* node, bool& allow) { Expanding(node, allow); };
  OnEditing = [this](TComponent*, TTreeNode* node, bool& allow) { Editing(node, allow); };
  OnEdited = [this](TComponent*, TTreeNode* node, String& text) { Edited(node, text); };
}

TsShellTreeView::~TsShellTreeView() {
  FreeHandler();
  boundLabel_.reset();
}

void TsShellTreeView::BeforeDestruction() {
  FreeHandler();
  TCustomTreeView::BeforeDestruction();
}

void TsShellTreeView::Loaded() {
  TCustomTreeView::Loaded();
  skinData_->Loaded();
}

void TsShellTreeView::SetRoot(const String& root) {
  root_ = root;
  if (!HandleAllocated()) return;
  Clear();
  FillRoot();
}

PCIDLIST_ABSOLUTE TsShellTreeView::ItemOf(const TTreeNode* node) {
  auto* data = node ? dynamic_cast<TacShellNodeData*>(node->Data()) : nullptr;
  return data ? data->Item.Get() : nullptr;
}

String TsShellTreeView::PathOf(const TTreeNode* node) {
  PCIDLIST_ABSOLUTE item = ItemOf(node);
  if (!item) return String();
  String path = ShellDisplayName(item, SHGDN_FORPARSING);
  if (path.rfind(L"::{", 0) == 0) path = ShellDisplayName(item, SHGDN_NORMAL);
  return path;
}

bool TsShellTreeView::IsFileSystemFolder(const TTreeNode* node) {
  const ULONG wanted = SFGAO_FILESYSTEM | SFGAO_FOLDER;
  return ItemOf(node) && ShellAttributes(ItemOf(node), wanted) == wanted;
}

void TsShellTreeView::SelectPath(const String& path) {
  TItemIdList target = ParseShellPath(ExpandFileName(path), Handle());
  if (!target) throw Exception(L"Error Setting Path");
  TTreeNode* node = nullptr;
  for (int i = 0; i < RootCount() && !node; ++i)
    if (ShellItemContains(ItemOf(Root(i)), target.Get())) node = Root(i);
  while (node && !SameShellItem(ItemOf(node), target.Get())) {
    ReadChildren(node);
    TTreeNode* next = nullptr;
    for (int i = 0; i < node->Count() && !next; ++i)
      if (ShellItemContains(ItemOf(node->Item(i)), target.Get())) next = node->Item(i);
    if (!next) break;
    node->Expand();
    node = next;
  }
  if (node) SetSelected(node);
}

void TsShellTreeView::RefreshNode(TTreeNode* node) {
  if (!node) return;
  auto* data = dynamic_cast<TacShellNodeData*>(node->Data());
  if (!data) return;
  const bool wasExpanded = node->Expanded();
  node->DeleteChildren();
  data->ChildrenRead = false;
  ReadChildren(node);
  if (wasExpanded && node->Count() > 0) node->Expand();
}

TTreeNode* TsShellTreeView::FindChild(TTreeNode* parent, PCIDLIST_ABSOLUTE item) {
  const int count = parent ? parent->Count() : RootCount();
  for (int i = 0; i < count; ++i) {
    TTreeNode* child = parent ? parent->Item(i) : Root(i);
    if (SameShellItem(ItemOf(child), item)) return child;
  }
  return nullptr;
}

TTreeNode* TsShellTreeView::FindNode(PCIDLIST_ABSOLUTE item) {
  TTreeNode* node = nullptr;
  for (int i = 0; i < RootCount() && !node; ++i)
    if (ShellItemContains(ItemOf(Root(i)), item)) node = Root(i);
  while (node && !SameShellItem(ItemOf(node), item)) {
    TTreeNode* next = nullptr;
    for (int i = 0; i < node->Count() && !next; ++i)
      if (ShellItemContains(ItemOf(node->Item(i)), item)) next = node->Item(i);
    node = next;
  }
  return node;
}

void TsShellTreeView::AttachSkin() {
  if (handler_ && handler_->Destroyed()) FreeHandler();
  if (!HandleAllocated() || !Parent() || !skinData_->Skinned(true)) {
    FreeHandler();
    return;
  }
  if (handler_) {
    handler_->RefreshBars(true);
    return;
  }
  handler_ = TacMainWnd::Create<TacTreeViewWnd>(Handle(), true, std::string("EDIT"), skinData_->SkinManager(),
                                                skinData_.get());
}

void TsShellTreeView::FreeHandler() {
  if (!handler_) return;
  if (handler_->InMessage())
    handler_.release()->Detach(true);
  else
    handler_.reset();
}

void TsShellTreeView::CreateWnd() {
  TCustomTreeView::CreateWnd();
  // No lines at the root; the children's indent of the designed tree.
  SetWindowLongPtrW(handle_, GWL_STYLE, GetWindowLongPtrW(handle_, GWL_STYLE) & ~TVS_LINESATROOT);
  SendMessageW(handle_, TVM_SETINDENT, 19, 0);
  FillRoot();
}

void TsShellTreeView::DestroyWnd() {
  FreeHandler();
  TCustomTreeView::DestroyWnd();
}

TItemIdList TsShellTreeView::RootItem() const {
  const int csidl = RootFolderCsidl(root_);
  if (csidl == 0) return DesktopItem();
  if (csidl > 0) return SpecialFolderItem(csidl);
  String path = root_;
  if (path.size() == 2 && path[1] == L':') path += L'\\';
  return ParseShellPath(path);
}

void TsShellTreeView::FillRoot() {
  TItemIdList item = RootItem();
  if (!item) item = DesktopItem();
  if (!item) return;
  TTreeNode* root = AddItemNode(nullptr, std::move(item));
  if (!root) return;
  ReadChildren(root);
  root->Expand();
}

TTreeNode* TsShellTreeView::AddItemNode(TTreeNode* parent, TItemIdList item) {
  const String name = ShellDisplayName(item.Get(), SHGDN_INFOLDER);
  const bool hasFolders = ShellAttributes(item.Get(), SFGAO_HASSUBFOLDER) != 0;
  const int normal = ShellIconIndex(item.Get(), false);
  const int open = ShellIconIndex(item.Get(), true);
  TTreeNode* node = AddChild(parent, name);
  node->SetData(std::make_unique<TacShellNodeData>(std::move(item)));
  node->SetImageIndex(normal, open < 0 ? normal : open);
  node->SetHasChildren(hasFolders);
  return node;
}

void TsShellTreeView::ReadChildren(TTreeNode* node) {
  auto* data = node ? dynamic_cast<TacShellNodeData*>(node->Data()) : nullptr;
  if (!data || data->ChildrenRead) return;
  data->ChildrenRead = true;
  for (TItemIdList& child : ShellSubFolders(data->Item.Get(), Handle())) AddItemNode(node, std::move(child));
  node->SetHasChildren(node->Count() > 0);
}

void TsShellTreeView::Expanding(TTreeNode* node, bool& allow) {
  try {
    ReadChildren(node);
  } catch (...) {
    allow = false;
  }
}

void TsShellTreeView::Editing(TTreeNode* node, bool& allow) {
  allow = allow && node && node->Parent() && ShellAttributes(ItemOf(node), SFGAO_CANRENAME) != 0;
}

void TsShellTreeView::Edited(TTreeNode* node, String& text) {
  // Inside the platform's end-of-edit notification: nothing may delete items here, and
  // nothing may raise.
  try {
    const String old = node ? node->Text() : String();
    if (!node || text == old) return;
    if (!ValidFolderName(text)) {
      text = old;
      return;
    }
    TItemIdList renamed = RenameShellItem(ItemOf(node), text, Handle());
    if (!renamed) {
      errorAfterEdit_ = FormatMessageText(L"Rename to %s failed", {text});
      text = old;
    } else {
      refreshAfterEdit_ = TItemIdList::CloneOf(ItemOf(node->Parent()));
      selectAfterEdit_ = renamed.Clone();
      dynamic_cast<TacShellNodeData*>(node->Data())->Item = std::move(renamed);
    }
    if (!deferredPosted_ && HandleAllocated()) deferredPosted_ = PostMessageW(Handle(), kDeferredEditWork, 0, 0) != 0;
  } catch (...) {
    if (node) text = node->Text();
  }
}

void TsShellTreeView::DoDeferredWork() {
  deferredPosted_ = false;
  TItemIdList refresh = std::move(refreshAfterEdit_);
  TItemIdList select = std::move(selectAfterEdit_);
  const String error = std::move(errorAfterEdit_);
  errorAfterEdit_.clear();
  if (refresh) {
    if (TTreeNode* parent = FindNode(refresh.Get())) {
      RefreshNode(parent);
      if (TTreeNode* node = select ? FindChild(parent, select.Get()) : nullptr) SetSelected(node);
    }
    AttachSkin();
  }
  if (!error.empty() && Application) Application->ShowException(error);
}

bool TsShellTreeView::SkinCommand(TMessage& message) {
  switch (SkinCommandOf(message.WParam)) {
    case CMD_SKINLOADED:
    case CMD_REPAINT:
      skinData_->CommonWndProc(message);
      return true;
    case CMD_SKINREMOVED:
      FreeHandler();
      skinData_->CommonWndProc(message);
      return true;
    case CMD_ISSKINNED:
    case CMD_GETAPPLICATION: return AnswerSkinnedQuery(message);
    default: return false;
  }
}

void TsShellTreeView::WndProc(TMessage& message) {
  if (message.Msg == kDeferredEditWork) {
    try {
      DoDeferredWork();
    } catch (...) {
    }
    return;
  }
  if (message.Msg == SM_SKINCMD && SkinCommand(message)) return;
  TCustomTreeView::WndProc(message);
  boundLabel_->ControlChanged(message);
}
