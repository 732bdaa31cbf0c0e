// The page control over the platform tab control, and its tab sheets; the tree view over
// the platform tree view.
//
// Each `TTabSheet` is a child window of the page control, aligned to the tab control's
// display area; only the active sheet is visible. The tabs are the visible sheets in page
// order.
//
// Redraw switched off on the page control freezes its sheets too: the platform tab control
// of some systems only notes the flag, so the page control also hands it to the default
// window procedure, which hides the window's contents from painting.
//
// Left out: tab scrolling beyond what the platform control does itself, docking.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <vector>

#include "framework/WinControls.h"

class TPageControl;

class TTabSheet : public TWinControl {
public:
  explicit TTabSheet(TComponent* owner);
  ~TTabSheet() override;
  const wchar_t* ClassName() const override { return L"TTabSheet"; }

  TPageControl* PageControl() const { return pageControl_; }
  // Moves the sheet into `control` (last page), or out of any page control with null.
  void SetPageControl(TPageControl* control);
  int PageIndex() const;
  void SetPageIndex(int index);
  // The position among the visible tabs, or -1 when the tab is hidden.
  int TabIndex() const;
  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool on);
  // The tab's picture in the page control's Images; -1 for none.
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int index);

protected:
  void WndProc(TMessage& message) override;

private:
  friend class TPageControl;
  TPageControl* pageControl_ = nullptr;
  bool tabVisible_ = true;
  int imageIndex_ = -1;
};

enum TTabPosition { tpTop, tpBottom, tpLeft, tpRight };
enum TTabStyle { tsTabs, tsButtons, tsFlatButtons };

// Asked for each tab when OwnerDraw is set: the tab's index among the visible tabs, its
// rectangle in the canvas and whether it is the selected one.
using TDrawTabEvent = std::function<void(TComponent* control, int tabIndex, const RECT& rect, bool active)>;

class TPageControl : public TWinControl {
public:
  explicit TPageControl(TComponent* owner);
  ~TPageControl() override;
  const wchar_t* ClassName() const override { return L"TPageControl"; }

  int PageCount() const { return static_cast<int>(pages_.size()); }
  // Borrowed: the page at `index` in page order.
  TTabSheet* Pages(int index) const { return pages_.at(static_cast<size_t>(index)); }
  TTabSheet* ActivePage() const { return activePage_; }
  void SetActivePage(TTabSheet* page);
  int ActivePageIndex() const;
  void SetActivePageIndex(int index);
  // The page whose tab is at visible position `tabIndex`, or null.
  TTabSheet* PageForTab(int tabIndex) const;
  // The tab control's display area in client coordinates.
  RECT DisplayRect() const;
  bool MultiLine() const { return multiLine_; }
  void SetMultiLine(bool on);
  bool HotTrack() const { return hotTrack_; }
  void SetHotTrack(bool on);
  TTabPosition TabPosition() const { return tabPosition_; }
  void SetTabPosition(TTabPosition position);
  TTabStyle Style() const { return style_; }
  void SetStyle(TTabStyle style);
  // Borrowed: the image list of the tab pictures (the caller keeps it alive), or null.
  HIMAGELIST Images() const { return images_; }
  void SetImages(HIMAGELIST images);
  bool OwnerDraw() const { return ownerDraw_; }
  void SetOwnerDraw(bool on);
  // Fixed tab size; 0 keeps the platform's own.
  int TabHeight() const { return tabHeight_; }
  void SetTabHeight(int height);
  int TabWidth() const { return tabWidth_; }
  void SetTabWidth(int width);
  // The canvas owner-drawn tabs draw on (pointed at the target of each drawing).
  TCanvas& Canvas() { return canvas_; }

  TDrawTabEvent OnDrawTab;
  TNotifyEvent OnChange;
  std::function<void(TComponent*, bool& allowChange)> OnChanging;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void WndProc(TMessage& message) override;
  void AdjustClientRect(RECT& rect) const override;
  // Makes the page of the selected tab the active page (after a tab click).
  virtual void UpdateActivePage();
  virtual void Change();
  virtual bool CanChange();
  // Rebuilds the platform tabs from the visible pages.
  void UpdateTabs();

private:
  friend class TTabSheet;
  void InsertPage(TTabSheet* page);
  void RemovePage(TTabSheet* page);
  void ShowActivePage();
  void ApplyTabSize();
  void DrawItem(const DRAWITEMSTRUCT& item);

  std::vector<TTabSheet*> pages_;
  TTabSheet* activePage_ = nullptr;
  bool multiLine_ = false;
  bool hotTrack_ = false;
  TTabPosition tabPosition_ = tpTop;
  TTabStyle style_ = tsTabs;
  HIMAGELIST images_ = nullptr;
  bool ownerDraw_ = false;
  int tabHeight_ = 0;
  int tabWidth_ = 0;
  TCanvas canvas_;
};

// ---------------------------------------------------------------- tree view

class TCustomTreeView;

// What an application hangs on a node; the node owns it and frees it with itself.
class TTreeNodeData {
public:
  virtual ~TTreeNodeData() = default;
};

// One item of a tree view. Nodes are made and freed by their tree view: a node goes when
// the platform deletes its item (deleted by the program, with its parent, or with the
// window), and its data goes with it.
class TTreeNode {
public:
  TTreeNode(const TTreeNode&) = delete;
  TTreeNode& operator=(const TTreeNode&) = delete;
  ~TTreeNode();

  TCustomTreeView& TreeView() const { return tree_; }
  HTREEITEM ItemId() const { return item_; }
  TTreeNode* Parent() const { return parent_; }
  int Count() const { return static_cast<int>(children_.size()); }
  TTreeNode* Item(int index) const { return children_.at(static_cast<size_t>(index)); }
  String Text() const;
  void SetText(const String& text);
  // Shows the expand button before the children are read (they come at the first expansion).
  bool HasChildren() const { return hasChildren_; }
  void SetHasChildren(bool on);
  bool Expanded() const;
  void Expand();
  void Collapse();
  bool Selected() const;
  // The node's data (owned), or null.
  TTreeNodeData* Data() const { return data_.get(); }
  void SetData(std::unique_ptr<TTreeNodeData> data) { data_ = std::move(data); }
  // Pictures in the tree's image list; -1 for none.
  void SetImageIndex(int normal, int selected);
  // Deletes the item (and its children) from the platform tree: the nodes go with it.
  void Delete();
  void DeleteChildren();

private:
  friend class TCustomTreeView;
  TTreeNode(TCustomTreeView& tree, TTreeNode* parent) : tree_(tree), parent_(parent) {}
  TCustomTreeView& tree_;
  TTreeNode* parent_;
  HTREEITEM item_ = nullptr;
  std::vector<TTreeNode*> children_;
  bool hasChildren_ = false;
  std::unique_ptr<TTreeNodeData> data_;
};

using TTVChangedEvent = std::function<void(TComponent* sender, TTreeNode* node)>;
using TTVExpandingEvent = std::function<void(TComponent* sender, TTreeNode* node, bool& allowExpansion)>;
using TTVEditingEvent = std::function<void(TComponent* sender, TTreeNode* node, bool& allowEdit)>;
using TTVEditedEvent = std::function<void(TComponent* sender, TTreeNode* node, String& text)>;

// The platform tree view. Its items live in the window: nodes are made with the window's
// items and go with them, so the tree is empty again when its window is made anew.
class TCustomTreeView : public TWinControl {
public:
  explicit TCustomTreeView(TComponent* owner);
  ~TCustomTreeView() override;
  const wchar_t* ClassName() const override { return L"TCustomTreeView"; }

  // A new last child of `parent` (null: a root item); borrowed, the tree owns it.
  TTreeNode* AddChild(TTreeNode* parent, const String& text);
  int RootCount() const { return static_cast<int>(roots_.size()); }
  TTreeNode* Root(int index) const { return roots_.at(static_cast<size_t>(index)); }
  // Every node alive (for counting).
  int NodeCount() const { return static_cast<int>(nodes_.size()); }
  void Clear();
  TTreeNode* Selected() const;
  void SetSelected(TTreeNode* node);
  // The node of a platform item, or null.
  TTreeNode* NodeOf(HTREEITEM item) const;

  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool on);
  // The label of a node is being edited now.
  bool IsEditing() const;
  // Starts editing `node`'s label; false when the tree refused.
  bool EditText(TTreeNode* node);
  // Ends the edit: accepted, or with `cancel` the label keeps its text.
  void EndEditing(bool cancel);
  // The shell's small icons as the tree's images (the list belongs to the system).
  void UseSystemImages();
  HIMAGELIST Images() const { return images_; }

  TTVChangedEvent OnChange;
  TTVExpandingEvent OnExpanding;
  TTVChangedEvent OnExpanded;
  TTVEditingEvent OnEditing;
  TTVEditedEvent OnEdited;
  TTVChangedEvent OnDeletion;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void WndProc(TMessage& message) override;

private:
  friend class TTreeNode;
  bool Notify(TMessage& message);
  void ItemDeleted(TTreeNode* node);
  void InsertItem(TTreeNode* node, const String& text);

  std::vector<std::unique_ptr<TTreeNode>> nodes_;
  std::vector<TTreeNode*> roots_;
  bool readOnly_ = false;
  HIMAGELIST images_ = nullptr;
  // An edit is running (begun and not yet ended); EndEditing asked to cancel it.
  bool editing_ = false;
  bool cancelEdit_ = false;
};

class TTreeView : public TCustomTreeView {
public:
  explicit TTreeView(TComponent* owner) : TCustomTreeView(owner) {}
  const wchar_t* ClassName() const override { return L"TTreeView"; }
};
