// The framework tree view on a real form: children read when a node first expands, the
// selection reported as it moves (by the keyboard), label edits accepted and cancelled, the
// system's images, and node data freed whenever the platform deletes an item.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Helpers.h"
#include "framework/ComCtrls.h"

namespace {

int gLiveData = 0;

struct CountedData : TTreeNodeData {
  explicit CountedData(int v) : value(v) { ++gLiveData; }
  ~CountedData() override { --gLiveData; }
  int value;
};

class TreeViewTest : public ::testing::Test {
protected:
  void SetUp() override {
    EnsureApplication();
    gLiveData = 0;
    form = std::make_unique<TForm>(nullptr);
    form->SetBorderStyle(bsSingle);
    form->SetClientSize(300, 240);
    form->SetPosition(poScreenCenter);
    tree = new TTreeView(form.get());
    tree->SetParent(form.get());
    tree->SetBounds(10, 10, 280, 220);
    form->Show();
    ASSERT_TRUE(WaitUntil([&] { return GetActiveWindow() == form->Handle(); }));
    tree->SetFocus();
  }
  TTreeNode* Add(TTreeNode* parent, const wchar_t* text, int value) {
    TTreeNode* node = tree->AddChild(parent, text);
    node->SetData(std::make_unique<CountedData>(value));
    return node;
  }
  void Key(WORD key, HWND window = nullptr) {
    HWND to = window ? window : tree->Handle();
    SendMessageW(to, WM_KEYDOWN, key, 1);
    SendMessageW(to, WM_KEYUP, key, 0xC0000001);
  }
  std::unique_ptr<TForm> form;
  TTreeView* tree = nullptr;
};

TEST_F(TreeViewTest, ChildrenAreReadWhenANodeFirstExpands) {
  TTreeNode* root = Add(nullptr, L"root", 1);
  root->SetHasChildren(true);
  TTreeNode* empty = Add(nullptr, L"empty", 2);
  empty->SetHasChildren(true);
  int reads = 0;
  tree->OnExpanding = [&](TComponent*, TTreeNode* node, bool& allow) {
    if (node == root && node->Count() == 0) {
      ++reads;
      for (int i = 0; i < 3; ++i) Add(node, L"child", 10 + i);
    }
    allow = true;
  };
  EXPECT_EQ(root->Count(), 0);
  tree->SetSelected(root);
  Key(VK_RIGHT);  // the keyboard expands the selected node
  EXPECT_TRUE(root->Expanded());
  ASSERT_EQ(root->Count(), 3);
  EXPECT_EQ(root->Item(1)->Text(), L"child");
  EXPECT_EQ(root->Item(2)->Parent(), root);
  root->Collapse();
  root->Expand();
  EXPECT_EQ(reads, 1) << "children read twice";
  EXPECT_EQ(root->Count(), 3);
  // A node said to have children that gets none loses its button.
  empty->Expand();
  TVITEMW item{};
  item.mask = TVIF_CHILDREN | TVIF_HANDLE;
  item.hItem = empty->ItemId();
  SendMessageW(tree->Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(item.cChildren, 0);
  // A refused expansion stays collapsed.
  TTreeNode* locked = Add(nullptr, L"locked", 3);
  Add(locked, L"inner", 4);
  tree->OnExpanding = [&](TComponent*, TTreeNode*, bool& allow) { allow = false; };
  locked->Expand();
  EXPECT_FALSE(locked->Expanded());
}

TEST_F(TreeViewTest, SelectionMovesReportTheNewNode) {
  std::vector<TTreeNode*> nodes;
  for (int i = 0; i < 4; ++i) nodes.push_back(Add(nullptr, L"n", i));
  std::vector<TTreeNode*> changes;
  tree->OnChange = [&](TComponent* sender, TTreeNode* node) {
    EXPECT_EQ(sender, tree);
    changes.push_back(node);
  };
  tree->SetSelected(nodes[0]);
  Key(VK_DOWN);
  Key(VK_DOWN);
  Key(VK_END);
  Key(VK_HOME);
  EXPECT_EQ(changes, (std::vector<TTreeNode*>{nodes[0], nodes[1], nodes[2], nodes[3], nodes[0]}));
  EXPECT_EQ(tree->Selected(), nodes[0]);
  EXPECT_TRUE(nodes[0]->Selected());
  EXPECT_EQ(static_cast<CountedData*>(tree->Selected()->Data())->value, 0);
}

TEST_F(TreeViewTest, LabelEditsAreAcceptedOrCancelled) {
  TTreeNode* node = Add(nullptr, L"old", 1);
  std::vector<String> edited;
  tree->OnEdited = [&](TComponent*, TTreeNode* n, String& text) {
    EXPECT_EQ(n, node);
    edited.push_back(text);
    if (text == L"lower") text = L"LOWER";  // the handler may change what is kept
  };
  struct Case {
    const wchar_t* typed;
    bool cancel;
    bool byKey;
    const wchar_t* after;
  } cases[] = {
      {L"new", false, false, L"new"},     {L"dropped", true, false, L"new"},  {L"typed", false, true, L"typed"},
      {L"escaped", true, true, L"typed"}, {L"lower", false, false, L"LOWER"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    ASSERT_FALSE(tree->IsEditing());
    ASSERT_TRUE(tree->EditText(node));
    ASSERT_TRUE(tree->IsEditing());
    HWND edit = reinterpret_cast<HWND>(SendMessageW(tree->Handle(), TVM_GETEDITCONTROL, 0, 0));
    ASSERT_NE(edit, nullptr);
    SetWindowTextW(edit, c.typed);
    if (c.byKey) {
      SendMessageW(edit, WM_KEYDOWN, c.cancel ? VK_ESCAPE : VK_RETURN, 1);
      SendMessageW(edit, WM_CHAR, c.cancel ? VK_ESCAPE : VK_RETURN, 1);
      Application->ProcessMessages();
    } else {
      tree->EndEditing(c.cancel);
    }
    EXPECT_TRUE(WaitUntil([&] { return !tree->IsEditing(); }));
    EXPECT_EQ(node->Text(), c.after);
  }
  EXPECT_EQ(edited, (std::vector<String>{L"new", L"typed", L"lower"}));
  // A read-only tree, or a handler's refusal, starts no edit.
  tree->OnEditing = [](TComponent*, TTreeNode*, bool& allow) { allow = false; };
  EXPECT_FALSE(tree->EditText(node) && tree->IsEditing());
  tree->OnEditing = nullptr;
  tree->SetReadOnly(true);
  EXPECT_FALSE(tree->EditText(node));
  EXPECT_FALSE(tree->IsEditing());
}

TEST_F(TreeViewTest, NodeDataGoesWhenThePlatformDeletesTheItem) {
  TTreeNode* a = Add(nullptr, L"a", 1);
  TTreeNode* b = Add(a, L"b", 2);
  Add(b, L"c", 3);
  Add(a, L"d", 4);
  TTreeNode* e = Add(nullptr, L"e", 5);
  Add(e, L"f", 6);
  std::vector<String> told;
  tree->OnDeletion = [&](TComponent*, TTreeNode* node) { told.push_back(node->Text()); };
  EXPECT_EQ(gLiveData, 6);
  b->Delete();  // with its child
  EXPECT_EQ(gLiveData, 4);
  EXPECT_EQ(a->Count(), 1);
  EXPECT_EQ(tree->NodeCount(), 4);
  EXPECT_EQ(told.size(), 2u);
  // Deleted by the platform directly, not through the node.
  SendMessageW(tree->Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(e->ItemId()));
  EXPECT_EQ(gLiveData, 2);
  EXPECT_EQ(tree->RootCount(), 1);
  // Every item with the window.
  tree->DestroyHandle();
  EXPECT_EQ(gLiveData, 0);
  EXPECT_EQ(tree->NodeCount(), 0);
  tree->HandleNeeded();
  Add(nullptr, L"g", 7);
  Add(nullptr, L"h", 8);
  tree->Clear();
  EXPECT_EQ(gLiveData, 0);
  Add(nullptr, L"i", 9);
  form.reset();  // and with the control
  EXPECT_EQ(gLiveData, 0);
}

TEST_F(TreeViewTest, SystemImagesAreTheShellsList) {
  tree->UseSystemImages();
  ASSERT_NE(tree->Images(), nullptr);
  EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(tree->Handle(), TVM_GETIMAGELIST, TVSIL_NORMAL, 0)), tree->Images());
  int cx = 0, cy = 0;
  ASSERT_TRUE(ImageList_GetIconSize(tree->Images(), &cx, &cy));
  EXPECT_EQ(cx, GetSystemMetrics(SM_CXSMICON));
  tree->RecreateWnd();
  EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(tree->Handle(), TVM_GETIMAGELIST, TVSIL_NORMAL, 0)), tree->Images());
}

}  // namespace
