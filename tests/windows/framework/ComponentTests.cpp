// Ownership, removal notifications and the loading phase.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Helpers.h"
#include "framework/Classes.h"
#include "framework/ExtCtrls.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"

namespace {

std::vector<std::wstring>* gJournal = nullptr;

// Writes its name to the journal when loaded and when freed.
class Probe : public TComponent {
public:
  Probe(TComponent* owner, const wchar_t* name) : TComponent(owner) { SetName(name); }
  ~Probe() override {
    if (gJournal) gJournal->push_back(L"free " + Name());
  }
  void Loaded() override {
    wasLoadingWhenLoaded = IsLoading();
    TComponent::Loaded();
    if (gJournal) gJournal->push_back(L"loaded " + Name());
  }
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && gJournal) gJournal->push_back(Name() + L" hears " + component->Name());
  }
  bool wasLoadingWhenLoaded = false;
};

class ComponentTest : public ::testing::Test {
protected:
  void SetUp() override { gJournal = &journal; }
  void TearDown() override { gJournal = nullptr; }
  std::vector<std::wstring> journal;
};

TEST_F(ComponentTest, OwnerFreesOwnedComponentsLastFirstAndSiblingsHearOfIt) {
  auto* root = new Probe(nullptr, L"root");
  new Probe(root, L"a");
  auto* b = new Probe(root, L"b");
  new Probe(root, L"c");
  ASSERT_EQ(root->ComponentCount(), 3);
  EXPECT_EQ(root->FindComponent(L"B"), b);  // designer names compare case-insensitively

  delete b;  // freed alone: the owner passes the news to the other owned components
  EXPECT_EQ(root->ComponentCount(), 2);
  EXPECT_EQ((std::vector<std::wstring>{L"free b", L"a hears b", L"c hears b", L"root hears b"}), journal);

  journal.clear();
  delete root;  // the owner going: nobody is told about each owned one
  EXPECT_EQ((std::vector<std::wstring>{L"free root", L"free c", L"free a"}), journal);
}

TEST_F(ComponentTest, FreeNotificationClearsReferencesAcrossOwners) {
  EnsureApplication();
  TComponent holder(nullptr);
  auto* list = new TListBox(&holder);
  {
    TComponent otherOwner(nullptr);
    auto* menu = new TPopupMenu(&otherOwner);
    list->SetPopupMenu(menu);
    ASSERT_EQ(list->PopupMenu(), menu);
  }  // the menu goes with its owner
  EXPECT_EQ(list->PopupMenu(), nullptr);
}

TEST_F(ComponentTest, LoadingPhaseCallsLoadedRootFirstThenInCreationOrder) {
  Probe root(nullptr, L"root");
  {
    TLoadingPhase phase(&root);
    auto* first = phase.Add(new Probe(&root, L"first"));
    auto* second = phase.Add(new Probe(&root, L"second"));
    EXPECT_TRUE(root.IsLoading());
    EXPECT_TRUE(first->IsLoading());
    EXPECT_TRUE(second->IsLoading());
    EXPECT_TRUE(journal.empty());
    phase.Finish();
    EXPECT_FALSE(first->IsLoading());
    EXPECT_TRUE(first->wasLoadingWhenLoaded);  // Loaded runs while the flag is still set
  }
  EXPECT_EQ((std::vector<std::wstring>{L"loaded root", L"loaded first", L"loaded second"}), journal);
}

TEST_F(ComponentTest, AlignmentWaitsForTheEndOfLoading) {
  EnsureApplication();
  TComponent owner(nullptr);
  auto* panel = new TPanel(&owner);
  panel->SetBevelOuter(bvNone);
  panel->SetBounds(0, 0, 200, 100);
  TPanel* child = nullptr;
  {
    TLoadingPhase phase(panel);
    child = phase.Add(new TPanel(&owner));
    child->SetParent(panel);
    child->SetBounds(5, 5, 10, 10);
    child->SetAlign(alClient);
    EXPECT_EQ(child->Width(), 10) << "aligned while the parent was loading";
    phase.Finish();
  }
  EXPECT_EQ(child->Left(), 0);
  EXPECT_EQ(child->Width(), 200);
  EXPECT_EQ(child->Height(), 100);
}

}  // namespace
