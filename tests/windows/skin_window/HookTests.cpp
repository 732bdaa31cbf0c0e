// The thread hook: framework forms get a frame provider at their first activation by the
// skinning rules (message forms under srStdDialogs, other forms under srStdForms unless
// their Tag is -98), never a second one, and nothing without an active skin; removing the
// skin unhooks and frees the hook's records while the forms keep their providers.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "Helpers.h"
#include "SkinFixtures.h"
#include "framework/Dialogs.h"
#include "framework/Handles.h"
#include "skin/core/sSkinCommands.h"
#include "skin/dialogs/acDials.h"

namespace {

class HookTest : public ::testing::Test {
protected:
  void SetUp() override {
    EnsureApplication();
    ASSERT_EQ(DefaultManager(), nullptr) << "a manager of another test is still alive";
    hooksBefore = LiveHandles(THandleKind::Hook);
    UseDialogHook();
  }
  void TearDown() override {
    for (TCustomForm* form : forms) delete form;
    manager.reset();
    EXPECT_FALSE(DialogHookInstalled());
    EXPECT_EQ(LiveHandles(THandleKind::Hook), hooksBefore);
    DialogHookSeam() = {};
  }
  void StartSkin(uint32_t rules) {
    manager = std::make_unique<TsSkinManager>(nullptr);
    manager->SetSkinningRules(rules);
    manager->SetSkinDirectory(skins.Resolved());
    TsStoredSkins stored;
    stored.Add(PackagedSkin(L"Frost"));
    manager->SetInternalSkins(stored);
    manager->SetSkinName(L"Frost");
    ASSERT_TRUE(manager->SkinActive());
  }
  // Shows `form` and waits until it is the active window.
  template <class Form>
  Form* Shown(Form* form, intptr_t tag = 0) {
    forms.push_back(form);
    form->SetTag(tag);
    form->SetBorderStyle(bsSingle);
    form->SetCaption(L"hooked");
    form->SetClientSize(200, 80);
    form->Show();
    EXPECT_TRUE(WaitUntil([&] { return GetActiveWindow() == form->Handle(); }));
    Application->ProcessMessages();
    return form;
  }

  TempSkinFolder skins;
  std::unique_ptr<TsSkinManager> manager;
  std::vector<TCustomForm*> forms;
  int hooksBefore = 0;
};

TEST_F(HookTest, FormsGetAProviderByTheRulesAtTheirFirstActivation) {
  struct Case {
    const char* what;
    uint32_t rules;
    bool messageForm;
    intptr_t tag;
    bool skinned;
  } cases[] = {
      {"a form under srStdForms", srStdForms, false, 0, true},
      {"a form tagged -98", srStdForms | srStdDialogs, false, kNoSkinTag, false},
      {"a form without srStdForms", srStdDialogs, false, 0, false},
      {"a message form under srStdDialogs alone", srStdDialogs, true, 0, true},
      {"a message form without srStdDialogs", srStdForms, true, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StartSkin(c.rules);
    ASSERT_TRUE(DialogHookInstalled());
    TCustomForm* form = c.messageForm ? static_cast<TCustomForm*>(Shown(CreateMessageForm(L"done"), c.tag))
                                      : static_cast<TCustomForm*>(Shown(new TForm(Application), c.tag));
    TsSkinProvider* provider = FindProvider(form);
    EXPECT_EQ(provider != nullptr, c.skinned);
    if (provider) {
      EXPECT_EQ(provider->Form(), form);
      EXPECT_TRUE(provider->Skinned());
      EXPECT_EQ(provider->MakeSkinMenu(), !c.messageForm);
      // Activated again: still the one provider.
      SendMessageW(form->Handle(), WM_ACTIVATE, WA_INACTIVE, 0);
      SetActiveWindow(nullptr);
      form->SetFocus();
      EXPECT_TRUE(WaitUntil([&] { return GetActiveWindow() == form->Handle(); }));
      EXPECT_EQ(FindProvider(form), provider);
      EXPECT_EQ(DialogProviders().size(), 1u);
    } else {
      EXPECT_TRUE(DialogProviders().empty());
    }
    for (TCustomForm* f : forms) delete f;
    forms.clear();
    EXPECT_TRUE(DialogProviders().empty()) << "a freed form's record stayed";
    manager.reset();
  }
}

TEST_F(HookTest, RemovingTheSkinUnhooksAndTheFormKeepsItsProvider) {
  StartSkin(srStdForms | srStdDialogs);
  TForm* form = Shown(new TForm(Application));
  TsSkinProvider* provider = FindProvider(form);
  ASSERT_NE(provider, nullptr);
  manager.reset();
  EXPECT_FALSE(DialogHookInstalled());
  EXPECT_TRUE(DialogProviders().empty());
  EXPECT_EQ(FindProvider(form), provider) << "the provider belongs to the form";
  EXPECT_FALSE(provider->Skinned());
  // No skin, no hook: a new form keeps the platform frame.
  TForm* plain = Shown(new TForm(Application));
  EXPECT_EQ(FindProvider(plain), nullptr);
}

}  // namespace
