// The skin manager with real skin files: which skin a name finds, what the settings
// reload, how a bad skin falls back, and that reloading and repainting leak nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Helpers.h"
#include "MessageSequence.h"
#include "SkinFixtures.h"
#include "framework/Handles.h"
#include "skin/controls/sPanel.h"
#include "skin/core/sSkinCommands.h"

namespace {

// A skin folder's options: a version of its own and a red panel.
constexpr char kFolderOptions[] = "[GLOBALINFO]\r\nVERSION=1.5\r\n[PANEL]\r\nCOLOR=255\r\n";

ExpectedMessage Command(WORD command) { return {SM_SKINCMD, seq::wparam, SkinCommandWParam(command)}; }
// Every form is first asked whether a frame provider takes skin commands for it.
ExpectedMessage Asked() { return Command(CMD_ISSKINNED); }

class ManagerTest : public ::testing::Test {
protected:
  void SetUp() override {
    EnsureApplication();
    manager = NewTestManager(skins);
    ASSERT_TRUE(manager->IsDefault()) << "a manager of another test is still alive";
  }
  void TearDown() override {
    manager.reset();
    EXPECT_FALSE(SkinLoading());
  }
  void Store(std::initializer_list<TsStoredSkin> list) {
    TsStoredSkins stored;
    for (const TsStoredSkin& s : list) stored.Add(s);
    manager->SetInternalSkins(stored);
  }
  std::filesystem::path Folder(const std::wstring& name) const { return skins.Path() / name; }
  int PanelColor() const {
    const int i = manager->SectionIndex("PANEL");
    return i < 0 ? -1 : manager->Tables().SectionTable[static_cast<size_t>(i)].Color;
  }

  TempSkinFolder skins;
  std::unique_ptr<TsSkinManager> manager;
};

TEST_F(ManagerTest, APackageBeatsAFolderWhichBeatsTheStoredSkin) {
  Store({PackagedSkin(L"Frost")});
  struct Step {
    const char* what;
    std::function<void()> prepare;
    String skinPath;
    const wchar_t* info;
  };
  const Step steps[] = {
      {"stored", [] {}, L"", L"5.4"},
      {"folder", [&] { WriteTextFile(Folder(L"Frost") / "Options.dat", kFolderOptions); },
       skins.Resolved() + L"Frost\\", L"1.5"},
      {"package", [&] { WriteBinaryFile(Folder(L"Frost.asz"), BuiltinPackageBytes()); }, skins.Resolved(), L"5.4"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.prepare();
    manager->SetSkinName(L"Frost");
    EXPECT_TRUE(manager->SkinActive());
    EXPECT_EQ(manager->GlobalInfo().SkinPath, step.skinPath);
    EXPECT_EQ(manager->SkinInfo(), step.info);
    EXPECT_EQ(manager->IsPacked(), std::string(step.what) != "folder");
  }
  EXPECT_EQ(TsSkinManager::Version(), L"5.40");
  EXPECT_EQ(manager->SkinNames(TacSkinListKind::Both), (std::vector<String>{L"Frost", L"Frost", L"Frost"}));
}

TEST_F(ManagerTest, AnUnknownNameTakesTheFirstStoredSkinAndNoStoredSkinMeansNoSkin) {
  Store({SectionSkin(L"First", {SectionOf("PANEL", 1)}), SectionSkin(L"Second", {SectionOf("PANEL", 2)})});
  manager->SetSkinName(L"Nowhere");
  EXPECT_EQ(manager->SkinName(), L"First");
  EXPECT_TRUE(manager->SkinActive());
  EXPECT_EQ(PanelColor(), 1);

  Store({});
  manager->SetSkinName(L"Nowhere");
  EXPECT_FALSE(manager->Active());
  EXPECT_FALSE(manager->SkinActive());
  EXPECT_EQ(manager->SkinInfo(), L"N/A");
  EXPECT_EQ(manager->StandardIndexes().GlobalSection, -1);
}

TEST_F(ManagerTest, SettingsThatDoNotReload) {
  Store({SectionSkin(L"Plain", {SectionOf("PANEL", MakeColor(200, 40, 40))})});
  manager->SetSkinName(L"Plain");
  int changes = 0;
  manager->OnAfterChange = [&](TComponent*) { ++changes; };
  auto* form = new TForm(Application);
  form->HandleNeeded();
  MessageSequence sequence({SM_SKINCMD});
  MessageLog log(*form, sequence, "form");

  manager->SetSkinDirectory((skins.Path() / L"elsewhere").wstring());  // stores and resolves only
  EXPECT_EQ(manager->GlobalInfo().SkinPath, skins.Resolved() + L"elsewhere\\");
  manager->SetActive(false);
  manager->SetHueOffset(120);  // inactive: stored for the next load
  EXPECT_EQ(manager->HueOffset(), 120);
  EXPECT_EQ(changes, 0);
  EXPECT_TRUE(SequenceMatches(sequence.Messages(), {Asked(), Command(CMD_SKINREMOVED)}));

  manager->SetActive(true);
  EXPECT_EQ(changes, 1);
  EXPECT_NE(PanelColor(), MakeColor(200, 40, 40));  // the hue applied at this load
  delete form;
}

TEST_F(ManagerTest, HueAndSaturationReloadWithoutAnnouncingANewSkin) {
  Store({SectionSkin(L"Plain", {SectionOf("PANEL", MakeColor(200, 40, 40))})});
  manager->SetSkinName(L"Plain");
  auto* form = new TForm(Application);
  form->HandleNeeded();
  MessageSequence sequence({SM_SKINCMD});
  MessageLog log(*form, sequence, "form");
  manager->SetSaturation(-100);
  const TColor grey = PanelColor();
  EXPECT_EQ(RedOf(grey), GreenOf(grey));
  EXPECT_EQ(GreenOf(grey), BlueOf(grey));
  EXPECT_TRUE(SequenceMatches(sequence.Messages(),
                              {Asked(), Command(CMD_STOPFADE), Asked(), Command(CMD_REPAINT)}));
  delete form;
}

struct BrokenCase {
  const char* name;
  std::function<void(const std::filesystem::path&)> make;
  int warnings;
};

TEST_F(ManagerTest, ABrokenSkinIsReportedOnceAndTheStoredSkinTakesItsPlace) {
  Store({SectionSkin(L"Frost", {SectionOf("PANEL", 7)})});
  const BrokenCase cases[] = {
      {"damaged package", [](const auto& dir) { WriteTextFile(dir / "Frost.asz", "ASzf this is not a package"); }, 1},
      {"malformed number",
       [](const auto& dir) { WriteTextFile(dir / "Frost" / "Options.dat", "[PANEL]\r\nGRADIENTDATA=1;2;3x;0;0\r\n"); }, 1},
  };
  for (const BrokenCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(skins.Path() / "Frost");
    std::filesystem::remove(skins.Path() / "Frost.asz");
    c.make(skins.Path());
    CountingReporter reporter;
    manager->SetSkinName(L"Frost");
    EXPECT_EQ(reporter.count, c.warnings) << StringToUtf8(reporter.last);
    EXPECT_TRUE(manager->Active());
    EXPECT_TRUE(manager->SkinActive());
    EXPECT_FALSE(SkinLoading());
    EXPECT_EQ(manager->GlobalInfo().SkinPath, L"");
    EXPECT_EQ(PanelColor(), 7);
  }
}

TEST_F(ManagerTest, AMissingBitmapLeavesItsImagesEmpty) {
  WriteTextFile(Folder(L"Sparse") / "Options.dat",
                "[GLOBALINFO]\r\nMASTERBITMAP=NOSUCH.BMP\r\n[PANEL]\r\nCOLOR=255\r\n"
                "BORDERSMASK=^0072^0042^0090^0060^0000^0000^0000^0000^1^0^1^2\r\n");
  CountingReporter reporter;
  manager->SetSkinName(L"Sparse");
  EXPECT_TRUE(manager->SkinActive());
  EXPECT_EQ(reporter.count, 0);
  EXPECT_EQ(manager->Tables().MasterBitmap, nullptr);
  // A panel over a border mask without a picture still paints its colour.
  auto* form = new TForm(Application);
  form->SetBounds(50, 50, 200, 120);
  auto* panel = new TsPanel(form);
  panel->SetParent(form);
  panel->SetBounds(0, 0, 100, 40);
  form->Show();
  panel->Repaint();
  ASSERT_NE(panel->SkinData().Cache(), nullptr);
  ASSERT_EQ(panel->SkinData().Cache()->Width(), 100);
  const uint8_t* centre = panel->SkinData().Cache()->View().Pixel(50, 20);
  EXPECT_EQ(MakeColor(centre[2], centre[1], centre[0]), 255);
  delete form;
}

TEST_F(ManagerTest, RepaintsAndReloadsLeaveNoHandleBehind) {
  Store({PackagedSkin(L"Frost"), SectionSkin(L"Plain", {SectionOf("PANEL", 255)})});
  manager->SetSkinName(L"Frost");
  auto* form = new TForm(Application);
  form->SetBounds(50, 50, 520, 120);
  auto* panel = new TsPanel(form);
  panel->SetParent(form);
  panel->SetBounds(0, 60, 508, 31);
  panel->SetCaption(L"Caption & text");
  auto* label = new TLabel(form);
  label->SetParent(panel);
  label->SetBounds(10, 8, 100, 15);
  label->SetTransparent(true);
  label->SetCaption(L"label");
  form->Show();
  RedrawWindow(panel->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  manager->SetSkinName(L"Plain");
  manager->SetSkinName(L"Frost");  // every kind of object made once before counting

  constexpr THandleKind kinds[] = {THandleKind::Brush, THandleKind::Pen,   THandleKind::Font,
                                   THandleKind::Region, THandleKind::Bitmap, THandleKind::DC,
                                   THandleKind::Window, THandleKind::Hook,  THandleKind::Timer};
  std::vector<int> before;
  for (THandleKind kind : kinds) before.push_back(LiveHandles(kind));
  for (int i = 0; i < 1000; ++i) {
    panel->SkinData().BackgroundChangedFlag = (i % 10 == 0);
    RedrawWindow(panel->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  }
  for (int i = 0; i < 20; ++i) manager->SetSkinName(i % 2 ? L"Frost" : L"Plain");
  RedrawWindow(panel->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  for (size_t k = 0; k < std::size(kinds); ++k)
    EXPECT_EQ(LiveHandles(kinds[k]), before[k]) << "handle kind " << static_cast<int>(kinds[k]);
  EXPECT_TRUE(panel->SkinData().Skinned(true));
  delete form;
}

TEST_F(ManagerTest, TheDefaultManagerIsTheFirstAndGoesWithIt) {
  EXPECT_TRUE(manager->IsDefault());
  {
    TsSkinManager second(nullptr);
    EXPECT_FALSE(second.IsDefault());
    second.SetIsDefault(false);
    EXPECT_EQ(DefaultManager(), manager.get());
  }
  manager.reset();
  EXPECT_EQ(DefaultManager(), nullptr);
}

}  // namespace

namespace {

TEST_F(ManagerTest, AStoredSkinThatCannotBeUnpackedIsReportedOnceAndLeavesNoSkin) {
  TsStoredSkin damaged = PackagedSkin(L"Frost");
  // Keep the header, spoil the compressed entries behind it.
  for (size_t i = damaged.Data.size() / 2; i < damaged.Data.size(); ++i) damaged.Data[i] ^= 0x5A;
  Store({damaged});
  CountingReporter reporter;
  manager->SetSkinName(L"Frost");
  EXPECT_EQ(reporter.count, 1) << StringToUtf8(reporter.last);
  EXPECT_FALSE(manager->SkinActive());
  EXPECT_FALSE(SkinLoading());
  EXPECT_EQ(manager->SkinInfo(), L"N/A");
}

TEST_F(ManagerTest, BindingsForgetAManagerThatIsGoneAndTheWindowThatWasUnderThePointer) {
  Store({SectionSkin(L"Plain", {SectionOf("PANEL", 255)})});
  manager->SetSkinName(L"Plain");
  auto* form = new TForm(Application);
  form->SetBounds(50, 50, 200, 120);
  auto* panel = new TsPanel(form);
  panel->SetParent(form);
  panel->SetBounds(0, 0, 100, 40);
  form->Show();

  const HWND window = panel->Handle();
  panel->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(panel));
  EXPECT_EQ(manager->HotWindow(), window);

  // A manager named by a binding: when it goes, the binding falls back to the default,
  // whether it heard of the removal (on a form) or not (no parent, no broadcast).
  auto* orphan = new TsPanel(nullptr);
  auto* other = new TsSkinManager(nullptr);
  TsStoredSkins stored;
  stored.Add(SectionSkin(L"Other", {SectionOf("PANEL", 1)}));
  other->SetInternalSkins(stored);
  other->SetSkinName(L"Other");
  panel->SkinData().SetSkinManager(other);
  orphan->SkinData().SetSkinManager(other);
  EXPECT_EQ(panel->SkinData().SkinManager(), other);
  EXPECT_TRUE(panel->SkinData().Skinned(true));
  delete other;
  for (TsPanel* p : {panel, orphan}) {
    EXPECT_EQ(p->SkinData().SkinManager(), manager.get());
    EXPECT_EQ(p->SkinData().ExplicitManager(), nullptr) << "no binding keeps the freed manager's address";
  }
  panel->Repaint();  // touches nothing freed
  delete orphan;

  delete panel;
  EXPECT_EQ(manager->HotWindow(), nullptr);
  delete form;
}

TEST_F(ManagerTest, ANewManagerAtTheAddressOfAFreedOneIsNotTheOneABindingNamed) {
  // The block stays between the two managers, as an allocator that hands it out again would.
  void* block = ::operator new(sizeof(TsSkinManager));
  auto* named = new (block) TsSkinManager(nullptr);
  auto* orphan = new TsPanel(nullptr);  // hears no broadcast
  orphan->SkinData().SetSkinManager(named);
  ASSERT_EQ(orphan->SkinData().SkinManager(), named);
  named->BeforeDestruction();
  named->~TsSkinManager();
  auto* next = new (block) TsSkinManager(nullptr);
  ASSERT_EQ(static_cast<void*>(next), block);
  EXPECT_EQ(orphan->SkinData().SkinManager(), manager.get());
  delete orphan;
  next->BeforeDestruction();
  next->~TsSkinManager();
  ::operator delete(block);
}

}  // namespace
