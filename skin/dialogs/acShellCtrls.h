// The shell folder tree: the framework tree view over the shell's folders, with a skin
// binding (section "EDIT") and a bound label. Each node stands for one shell item and owns
// its full identifier list; a node's child folders are read when it is first expanded.
//
// While a skin is active the tree's frame and scroll bars are painted by a tree view
// handler on its window, made with the tree's own binding (`AttachSkin`); the platform
// paints the items.
//
// Label editing renames the folder through the shell. The tree's items are never deleted
// inside the end of an edit: the parent's children are read again, and the renamed folder
// selected, once the platform's notification has returned. Names the file system cannot
// hold and folders the shell cannot rename leave the folder as it was; a failed rename is
// shown in the standard error box.
//
// Left out: files, change notification, context menus, the other shell controls.
#pragma once

#include <memory>
#include <vector>

#include "framework/ComCtrls.h"
#include "framework/Shell.h"
#include "skin/controls/sBoundLabel.h"
#include "skin/core/sCommonData.h"

class TacTreeViewWnd;

// Special folders a tree may be rooted at, with the platform's folder identifiers.
struct TacRootFolderName {
  const wchar_t* Name;
  int Csidl;
};
// The names (rfDesktop, rfMyComputer, ...) and their folders.
const std::vector<TacRootFolderName>& RootFolderNames();
// The folder identifier of a root name, or -1 when `name` is no member name.
int RootFolderCsidl(const String& name);

// The data of one node: the item it stands for.
class TacShellNodeData : public TTreeNodeData {
public:
  explicit TacShellNodeData(TItemIdList item) : Item(std::move(item)) {}
  TItemIdList Item;
  bool ChildrenRead = false;
};

class TsShellTreeView : public TCustomTreeView {
public:
  explicit TsShellTreeView(TComponent* owner);
  ~TsShellTreeView() override;
  const wchar_t* ClassName() const override { return L"TsShellTreeView"; }
  void BeforeDestruction() override;
  void Loaded() override;

  TsCommonData& SkinData() { return *skinData_; }
  TsBoundLabel& BoundLabel() { return *boundLabel_; }

  using TCustomTreeView::Root;
  // A member name of the root folders or a folder path ("C:" means "C:\").
  const String& Root() const { return root_; }
  void SetRoot(const String& root);

  // The item of `node` (borrowed), or null.
  static PCIDLIST_ABSOLUTE ItemOf(const TTreeNode* node);
  // The node's path: the parsing name of a file-system item (a folder without trailing
  // delimiter, a drive's root with it), the display name of one outside the file system;
  // empty for null.
  static String PathOf(const TTreeNode* node);
  // The node is a folder of the file system.
  static bool IsFileSystemFolder(const TTreeNode* node);
  String SelectedPath() const { return PathOf(Selected()); }
  // Selects the node of `path` (expanded to a full path), expanding the nodes above it;
  // raises "Error Setting Path" when the shell cannot parse the path.
  void SelectPath(const String& path);
  // Reads `node`'s child folders again.
  void RefreshNode(TTreeNode* node);
  // The child of `parent` (a root node for null) standing for `item`, or null.
  TTreeNode* FindChild(TTreeNode* parent, PCIDLIST_ABSOLUTE item);
  // Gives the window its skinned frame and scroll bars while a skin is active, or reads
  // the bars again when it has them.
  void AttachSkin();
  // The handler painting the window (borrowed), or null.
  TacTreeViewWnd* SkinHandler() const { return handler_.get(); }

protected:
  void CreateWnd() override;
  void DestroyWnd() override;
  void WndProc(TMessage& message) override;

private:
  void FillRoot();
  TItemIdList RootItem() const;
  TTreeNode* AddItemNode(TTreeNode* parent, TItemIdList item);
  void ReadChildren(TTreeNode* node);
  void Expanding(TTreeNode* node, bool& allow);
  void Editing(TTreeNode* node, bool& allow);
  void Edited(TTreeNode* node, String& text);
  void DoDeferredWork();
  TTreeNode* FindNode(PCIDLIST_ABSOLUTE item);
  void FreeHandler();
  bool SkinCommand(TMessage& message);

  std::unique_ptr<TsCommonData> skinData_;
  std::unique_ptr<TsBoundLabel> boundLabel_;
  std::unique_ptr<TacTreeViewWnd> handler_;
  String root_ = L"rfDesktop";
  // Work left for after a label edit's notification: the folder whose children are read
  // again, the item selected then, the error shown then.
  TItemIdList refreshAfterEdit_;
  TItemIdList selectAfterEdit_;
  String errorAfterEdit_;
  bool deferredPosted_ = false;
};
