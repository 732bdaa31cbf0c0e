// The frame provider's control adapter on real forms with the built-in skin: which controls
// get an item and which handler (by class, OnSkinItem and the skinning rules), labels in the
// skin's font colour, scans that meet controls made, freed or announced meanwhile, dead items,
// and everything given back when the skin goes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Helpers.h"
#include "ProviderFixture.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Handles.h"
#include "skin/controls/sButton.h"
#include "skin/core/sSkinCommands.h"
#include "skin/window/acBtnWnd.h"
#include "skin/window/acEditWnd.h"
#include "skin/window/acPanelWnd.h"
#include "skin/window/acTreeViewWnd.h"
#include "skin/window/sSkinProvider.h"

namespace {

class AdapterTest : public ProviderTest {
protected:
  template <class T>
  T* Add(TWinControl* parent, int left, int top, const wchar_t* name) {
    auto* control = new T(form);
    control->SetName(name);
    control->SetParent(parent);
    control->SetBounds(left, top, 80, 24);
    return control;
  }
  TLabel* AddLabel(const wchar_t* name) {
    auto* label = new TLabel(form);
    label->SetName(name);
    label->SetParent(form);
    label->SetBounds(10, 130, 100, 16);
    label->SetCaption(L"text");
    return label;
  }
  TacCtrlAdapter& Adapter() {
    EXPECT_NE(provider->Adapter(), nullptr);
    return *provider->Adapter();
  }
  TacAdapterItem* ItemOf(TControl* control) { return provider->Adapter() ? provider->Adapter()->ItemOf(control) : nullptr; }
  static bool Hooked(TWinControl* control) { return AskControl(control, CMD_ISSKINNED); }
};

// Which controls are taken in, with which section and handler.
TEST_F(AdapterTest, ControlsGetTheHandlerOfTheirClass) {
  auto* skinned = Add<TsButton>(form, 10, 10, L"Skinned");
  auto* button = Add<TButton>(form, 100, 10, L"Button");
  auto* edit = Add<TEdit>(form, 190, 10, L"Edit");
  auto* refused = Add<TEdit>(form, 190, 40, L"Refused");
  auto* panel = Add<TPanel>(form, 10, 60, L"Panel");
  panel->SetBounds(10, 60, 200, 60);
  auto* inner = Add<TButton>(panel, 10, 10, L"Inner");
  auto* tree = Add<TTreeView>(form, 220, 60, L"Tree");
  std::vector<std::wstring> asked;
  ShowWithProvider();
  // OnSkinItem set after the first scan: only a scan from now on sees it. Everything is
  // freed and taken in again by removing and reloading the skin.
  provider->OnSkinItem = [&](TComponent* item, bool& canBeAdded, std::string& section) {
    asked.push_back(item->Name());
    section = "CHECKBOX";
    if (item == refused) canBeAdded = false;
  };
  manager->SetActive(false);
  manager->SetActive(true);
  Settle();
  ASSERT_TRUE(provider->Skinned());

  struct Case {
    TWinControl* control;
    bool item;
    const char* section;
    const char* handler;
  } cases[] = {
      {skinned, false, nullptr, "none: a skinned control answers for itself"},
      {button, true, "BUTTON", "button"},
      {edit, true, "CHECKBOX", "edit"},
      {refused, false, nullptr, "none: OnSkinItem refused it"},
      {panel, true, "PANEL", "panel"},
      {inner, true, "BUTTON", "button"},
      {tree, true, "CHECKBOX", "tree"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.control->Name());
    TacAdapterItem* item = ItemOf(c.control);
    ASSERT_EQ(item != nullptr, c.item) << c.handler;
    if (!item) continue;
    EXPECT_EQ(item->Control(), c.control);
    EXPECT_EQ(item->SkinData().SkinSection(), c.section);
    EXPECT_EQ(item->SkinData().ControlKind, COC_TacAdapterItem);
    ASSERT_NE(item->Handler(), nullptr);
    EXPECT_FALSE(item->Handler()->Destroyed());
    const std::string kind = c.handler;
    TacMainWnd* h = item->Handler();
    EXPECT_TRUE(kind == "tree"    ? dynamic_cast<TacTreeViewWnd*>(h) != nullptr
                : kind == "button"  ? dynamic_cast<TacBtnWnd*>(h) != nullptr
                : kind == "edit"  ? dynamic_cast<TacEditWnd*>(h) != nullptr
                : kind == "panel" ? dynamic_cast<TacPanelWnd*>(h) != nullptr
                                  : false)
        << kind;
    EXPECT_EQ(TacMainWnd::HandlerOf(c.control->Handle()), h);
  }
  EXPECT_FALSE(Hooked(refused)) << "the refused edit keeps the platform look";
  EXPECT_TRUE(std::find(asked.begin(), asked.end(), L"Inner") != asked.end()) << "the panel's child was not found";
  EXPECT_TRUE(std::find(asked.begin(), asked.end(), L"Skinned") == asked.end()) << "a skinned control was offered";

  // Scanning again adds nothing.
  const size_t count = Adapter().Items().size();
  EXPECT_EQ(count, 5u);
  Adapter().AddAllItems();
  Adapter().AddAllItems(panel);
  EXPECT_EQ(Adapter().Items().size(), count);
}

TEST_F(AdapterTest, WithoutThirdPartyRuleNothingIsHooked) {
  manager->SetSkinningRules(srStdForms | srStdDialogs);
  auto* button = Add<TButton>(form, 10, 10, L"Button");
  auto* label = AddLabel(L"Label");
  const TColor color = label->Font().Color();
  ShowWithProvider();
  ASSERT_TRUE(provider->Skinned());
  EXPECT_TRUE(provider->Adapter() == nullptr || provider->Adapter()->Items().empty());
  EXPECT_FALSE(Hooked(button));
  EXPECT_FALSE(label->Transparent());
  EXPECT_EQ(label->Font().Color(), color);
}

// The skin's font colour on plain labels, and their own look back when the skin goes,
// with every handler and platform object of the adapter gone.
TEST_F(AdapterTest, SkinRemovalGivesEverythingBack) {
  const int handlers = TacMainWnd::LiveCount();
  auto* button = Add<TButton>(form, 10, 10, L"Button");
  auto* edit = Add<TEdit>(form, 100, 10, L"Edit");
  auto* label = AddLabel(L"Label");
  label->Font().SetColor(clNavy);
  form->Show();
  Settle();
  const LONG_PTR editExStyle = GetWindowLongPtrW(edit->Handle(), GWL_EXSTYLE);
  provider = new TsSkinProvider(form);
  Settle();
  // What the form and its provider hold without a skin is the baseline of the counts.
  manager->SetActive(false);
  Settle();
  const int brushes = LiveHandles(THandleKind::Brush), bitmaps = LiveHandles(THandleKind::Bitmap);
  const int dcs = LiveHandles(THandleKind::DC), regions = LiveHandles(THandleKind::Region);
  manager->SetActive(true);
  Settle();
  ASSERT_TRUE(provider->Skinned());
  ASSERT_NE(manager->GlobalFontColor(), static_cast<TColor>(kSkinKeyColor));
  EXPECT_TRUE(label->Transparent());
  EXPECT_EQ(label->Font().Color(), manager->GlobalFontColor());
  EXPECT_TRUE(Hooked(button));
  EXPECT_TRUE(Hooked(edit));
  EXPECT_EQ(TacMainWnd::LiveCount(), handlers + 2);

  manager->SetActive(false);
  Settle();
  EXPECT_EQ(provider->Adapter(), nullptr);
  EXPECT_EQ(TacMainWnd::LiveCount(), handlers);
  EXPECT_FALSE(label->Transparent());
  EXPECT_EQ(label->Font().Color(), clNavy);
  EXPECT_FALSE(Hooked(button));
  EXPECT_FALSE(Hooked(edit));
  EXPECT_EQ(GetPropW(button->Handle(), L"ACSBSC"), nullptr);
  EXPECT_EQ(GetWindowLongPtrW(edit->Handle(), GWL_EXSTYLE), editExStyle);
  EXPECT_EQ(LiveHandles(THandleKind::Brush), brushes);
  EXPECT_EQ(LiveHandles(THandleKind::Bitmap), bitmaps);
  EXPECT_EQ(LiveHandles(THandleKind::DC), dcs);
  EXPECT_EQ(LiveHandles(THandleKind::Region), regions);

  // And in again with the skin.
  manager->SetActive(true);
  Settle();
  EXPECT_TRUE(Hooked(button));
  EXPECT_TRUE(label->Transparent());
}

// A skin without a global font colour leaves labels as they are.
TEST_F(AdapterTest, LabelsKeepTheirLookWithoutGlobalFontColour) {
  TsStoredSkins stored;
  stored.Add(SectionSkin(L"Bare", {SectionOf("FORM", clSilver), SectionOf("BUTTON", clGray)}));
  manager->SetInternalSkins(stored);
  manager->SetSkinName(L"Bare");
  ASSERT_TRUE(manager->SkinActive());
  ASSERT_EQ(manager->GlobalFontColor(), static_cast<TColor>(kSkinKeyColor));
  auto* label = AddLabel(L"Label");
  label->Font().SetColor(clNavy);
  ShowWithProvider();
  ASSERT_TRUE(provider->Skinned());
  EXPECT_FALSE(label->Transparent());
  EXPECT_EQ(label->Font().Color(), clNavy);
}

// Controls made or freed by OnSkinItem while a scan runs: the scan goes on over what was
// there when it started, skips what is gone, and a scan asked for meanwhile (the new
// window's parent notification) runs once it has ended and takes the new control in.
TEST_F(AdapterTest, ScanMeetsControlsMadeAndFreedMeanwhile) {
  auto* first = Add<TButton>(form, 10, 10, L"First");
  auto* trigger = Add<TEdit>(form, 100, 10, L"Trigger");
  auto* doomed = Add<TButton>(form, 190, 10, L"Doomed");
  ShowWithProvider();
  manager->SetActive(false);
  TButton* made = nullptr;
  int depth = 0, deepest = 0;
  provider->OnSkinItem = [&](TComponent* item, bool&, std::string&) {
    deepest = std::max(deepest, ++depth);
    if (item == trigger && !made) {
      delete doomed;
      doomed = nullptr;
      made = Add<TButton>(form, 10, 40, L"Made");  // its window is made now: WM_PARENTNOTIFY
    }
    --depth;
  };
  manager->SetActive(true);
  Settle();
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(deepest, 1) << "a scan ran inside another one";
  std::vector<TControl*> seen;
  for (const auto& item : Adapter().Items()) seen.push_back(item->Control());
  EXPECT_EQ(seen, (std::vector<TControl*>{first, trigger, made}));
  for (TWinControl* c : {static_cast<TWinControl*>(first), static_cast<TWinControl*>(trigger), static_cast<TWinControl*>(made)})
    EXPECT_TRUE(Hooked(c)) << std::string(c->Name().begin(), c->Name().end());
}

// A freed control takes its item with it at once; controls whose windows went are dropped
// by the next scan, also when their items are next to each other.
TEST_F(AdapterTest, ItemsGoWithTheirControlsAndWindows) {
  auto* a = Add<TEdit>(form, 10, 10, L"A");
  auto* b = Add<TEdit>(form, 100, 10, L"B");
  auto* c = Add<TEdit>(form, 190, 10, L"C");
  auto* d = Add<TButton>(form, 10, 40, L"D");
  const int handlers = TacMainWnd::LiveCount();
  ShowWithProvider();
  ASSERT_EQ(Adapter().Items().size(), 4u);
  ASSERT_EQ(TacMainWnd::LiveCount(), handlers + 4);

  delete d;
  EXPECT_EQ(Adapter().Items().size(), 3u);
  EXPECT_EQ(ItemOf(d), nullptr) << "an item kept the freed control";
  EXPECT_EQ(TacMainWnd::LiveCount(), handlers + 3);
  Adapter().Broadcast(SM_SKINCMD, SkinCommandWParam(CMD_REPAINT), reinterpret_cast<LPARAM>(manager.get()));

  a->DestroyHandle();
  b->DestroyHandle();
  ASSERT_TRUE(ItemOf(a)->Dead());
  ASSERT_TRUE(ItemOf(b)->Dead());
  Adapter().AddAllItems();
  EXPECT_EQ(ItemOf(a), nullptr);
  EXPECT_EQ(ItemOf(b), nullptr) << "the second of two dead items next to each other stayed";
  ASSERT_NE(ItemOf(c), nullptr);
  EXPECT_FALSE(ItemOf(c)->Dead());
  EXPECT_EQ(TacMainWnd::LiveCount(), handlers + 1);

  // A window made anew is taken over again.
  a->HandleNeeded();
  Settle();
  ASSERT_NE(ItemOf(a), nullptr);
  EXPECT_TRUE(Hooked(a));
  c->RecreateWnd();
  Settle();
  ASSERT_NE(ItemOf(c), nullptr);
  EXPECT_FALSE(ItemOf(c)->Dead());
  EXPECT_TRUE(Hooked(c));
}

// The provider freed with its form: the adapter goes with it, leaving no handler behind.
TEST_F(AdapterTest, AdapterGoesWithItsForm) {
  const int handlers = TacMainWnd::LiveCount();
  Add<TButton>(form, 10, 10, L"Button");
  Add<TEdit>(form, 100, 10, L"Edit");
  ShowWithProvider();
  EXPECT_EQ(TacMainWnd::LiveCount(), handlers + 2);
  delete form;
  form = nullptr;
  EXPECT_EQ(TacMainWnd::LiveCount(), handlers);
}

}  // namespace
