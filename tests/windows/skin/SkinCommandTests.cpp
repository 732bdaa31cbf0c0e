// The skin command message between real windows: what the broadcasts deliver and in
// which order, the two ways of asking a control, the parent colour, commands of another
// manager, and the window under the pointer.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Helpers.h"
#include "MessageSequence.h"
#include "SkinFixtures.h"
#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"
#include "skin/controls/sPanel.h"
#include "skin/core/sSkinCommands.h"

namespace {

ExpectedMessage Command(WORD command, const char* who) {
  return ExpectedMessage{SM_SKINCMD, seq::wparam, SkinCommandWParam(command), 0, who};
}

// A manager holding a skin of a few sections, the default manager while it lives.
class SkinnedTest : public ::testing::Test {
protected:
  void SetUp() override {
    EnsureApplication();
    manager = NewTestManager(skins);
    ASSERT_TRUE(manager->IsDefault()) << "a manager of another test is still alive";
    TsStoredSkins stored;
    stored.Add(SectionSkin(L"Plain", {SectionOf("PANEL", 0x000000, panelTransparency), SectionOf("EDIT", 0x00F0F0F0)}));
    manager->SetInternalSkins(stored);
    manager->SetSkinName(L"Plain");
    ASSERT_TRUE(manager->SkinActive());
    form = new TForm(Application);
    form->SetColor(clWhite);
    form->SetBounds(100, 100, 300, 200);
  }
  void TearDown() override {
    delete form;
    manager.reset();
  }
  template <class T>
  T* Add(TWinControl* parent, int left = 0, int top = 0, int width = 60, int height = 30) {
    auto* control = new T(form);
    control->SetParent(parent);
    control->SetBounds(left, top, width, height);
    return control;
  }

  int panelTransparency = 0;
  TempSkinFolder skins;
  std::unique_ptr<TsSkinManager> manager;
  TForm* form = nullptr;
};

// A non-windowed control that cannot take one command.
class TFaultingGraphic : public TGraphicControl {
public:
  using TGraphicControl::TGraphicControl;

protected:
  void WndProc(TMessage& message) override {
    if (IsSkinCommand(message, CMD_STOPFADE)) throw Exception(L"cannot stop");
    TGraphicControl::WndProc(message);
  }
};

TEST_F(SkinnedTest, BroadcastsReachSkinnedChildrenBelowUnskinnedContainersInOrder) {
  auto* skinned = Add<TsPanel>(form);
  auto* inner = Add<TsPanel>(skinned);
  auto* plain = Add<TPanel>(form);
  auto* below = Add<TsPanel>(plain);
  auto* button = Add<TButton>(form);
  auto* faulting = Add<TFaultingGraphic>(form);
  auto* label = Add<TLabel>(form);
  form->HandleNeeded();

  MessageSequence sequence({SM_SKINCMD});
  MessageLog logs[] = {{*form, sequence, "form"},   {*skinned, sequence, "skinned"}, {*inner, sequence, "inner"},
                       {*plain, sequence, "plain"}, {*below, sequence, "below"},     {*button, sequence, "button"},
                       {*faulting, sequence, "faulting"}, {*label, sequence, "label"}};
  TMessage stop{SM_SKINCMD, SkinCommandWParam(CMD_STOPFADE), 0, 0};
  BroadcastToForms(stop);
  // The form is asked (7) whether a frame provider takes commands for it; skinned windows
  // are asked and then sent the command; unskinned ones are asked and passed through;
  // graphic children get it directly, and one that faults does not stop the siblings.
  EXPECT_TRUE(SequenceMatches(sequence.Messages(),
                              {Command(CMD_ISSKINNED, "form"), Command(CMD_STOPFADE, "form"), Command(CMD_ISSKINNED, "skinned"),
                               Command(CMD_STOPFADE, "skinned"), Command(CMD_ISSKINNED, "plain"),
                               Command(CMD_ISSKINNED, "plain"), Command(CMD_ISSKINNED, "below"),
                               Command(CMD_STOPFADE, "below"), Command(CMD_ISSKINNED, "button"),
                               Command(CMD_ISSKINNED, "button"), Command(CMD_STOPFADE, "faulting"),
                               Command(CMD_STOPFADE, "label")}));

  // A child being destroyed is skipped; the broadcast goes on with the next one.
  sequence.Clear();
  skinned->Destroying();
  BroadcastToChildren(form, stop);
  EXPECT_TRUE(SequenceMatches(sequence.Messages(),
                              {Command(CMD_ISSKINNED, "plain"), Command(CMD_ISSKINNED, "plain"),
                               Command(CMD_ISSKINNED, "below"), Command(CMD_STOPFADE, "below"),
                               Command(CMD_ISSKINNED, "button"), Command(CMD_ISSKINNED, "button"),
                               Command(CMD_STOPFADE, "faulting"), Command(CMD_STOPFADE, "label")}));
}

TEST_F(SkinnedTest, ASkinChangeReachesEveryBindingAndTheParentDoneWakesWaitingPanels) {
  auto* plain = Add<TPanel>(form);
  auto* below = Add<TsPanel>(plain);
  form->HandleNeeded();
  below->SkinData().UpdatingFlag = false;
  manager->AnnounceSkin();
  // CMD_REPAINT ends the announcement: the binding is no longer waiting and must rebuild.
  EXPECT_FALSE(below->SkinData().UpdatingFlag);
  EXPECT_TRUE(below->SkinData().BackgroundChangedFlag);

  TMessage loaded{SM_SKINCMD, SkinCommandWParam(CMD_SKINLOADED), reinterpret_cast<LPARAM>(manager.get()), 0};
  BroadcastToForms(loaded);
  EXPECT_TRUE(below->SkinData().UpdatingFlag);  // waits for its parent
  NotifyChildrenParentDone(plain);
  EXPECT_FALSE(below->SkinData().UpdatingFlag);
}

// Answers CMD_ISSKINNED in one way only.
class TAnswering : public TWinControl {
public:
  enum class Way { ByLParam, ByResult };
  TAnswering(TComponent* owner, Way way) : TWinControl(owner), way_(way) {}

protected:
  void WndProc(TMessage& message) override {
    if (IsSkinCommand(message, CMD_ISSKINNED)) {
      if (way_ == Way::ByLParam)
        message.LParam = 1;
      else
        message.Result = 1;
      return;
    }
    TWinControl::WndProc(message);
  }

private:
  Way way_;
};

TEST_F(SkinnedTest, AskControlReadsTheDirectAnswerThenThePlatformOne) {
  auto* byLParam = new TAnswering(form, TAnswering::Way::ByLParam);
  byLParam->SetParent(form);
  auto* byResult = new TAnswering(form, TAnswering::Way::ByResult);
  byResult->SetParent(form);
  auto* plain = Add<TButton>(form);
  auto* skinned = Add<TsPanel>(form);
  EXPECT_TRUE(AskControl(byLParam, CMD_ISSKINNED));
  EXPECT_FALSE(AskControl(byResult, CMD_ISSKINNED));  // no window yet: only the direct call
  form->HandleNeeded();
  EXPECT_TRUE(AskControl(byResult, CMD_ISSKINNED));
  EXPECT_FALSE(AskControl(plain, CMD_ISSKINNED));
  EXPECT_TRUE(AskControl(skinned, CMD_ISSKINNED));
  EXPECT_TRUE(AskWindow(skinned->Handle(), CMD_ISSKINNED));
  EXPECT_FALSE(AskWindow(plain->Handle(), CMD_ISSKINNED));
}

struct ColorCase {
  int transparency;
  TColor parent;
  TColor expected;
};

class ParentColorTest : public SkinnedTest, public ::testing::WithParamInterface<ColorCase> {
protected:
  void SetUp() override {
    panelTransparency = GetParam().transparency;
    SkinnedTest::SetUp();
  }
};

TEST_P(ParentColorTest, GetColorMixesTheSectionColourWithTheParentsOutOf256) {
  form->SetColor(GetParam().parent);
  auto* panel = Add<TsPanel>(form);
  form->HandleNeeded();
  EXPECT_EQ(QueryControlColor(panel), GetParam().expected);
  EXPECT_EQ(AskColor(panel->Handle()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Transparency, ParentColorTest,
    ::testing::Values(ColorCase{0, clWhite, 0x000000},             // the section's own colour
                      ColorCase{50, clWhite, MakeColor(49, 49, 49)},  // (50 * 255 + 0) >> 8
                      ColorCase{50, MakeColor(200, 100, 0), MakeColor(39, 19, 0)},
                      ColorCase{100, MakeColor(1, 2, 3), MakeColor(1, 2, 3)}));  // the parent's

TEST_F(SkinnedTest, AnUnskinnedControlAnswersItsOwnColour) {
  auto* panel = Add<TsPanel>(form);
  panel->SkinData().SetSkinSection("NOSUCHSECTION");
  panel->SetColor(MakeColor(10, 20, 30));
  form->HandleNeeded();
  EXPECT_FALSE(panel->SkinData().Skinned());
  EXPECT_EQ(QueryControlColor(panel), MakeColor(10, 20, 30));
  auto* button = Add<TButton>(form);  // knows nothing of skins: its Color
  EXPECT_EQ(QueryControlColor(button), static_cast<TColor>(ColorToRGB(button->Color())));
}

TEST_F(SkinnedTest, CommandsOfAnotherManagerChangeNothing) {
  auto* panel = Add<TsPanel>(form);
  form->HandleNeeded();
  TsSkinManager other(nullptr);
  ASSERT_FALSE(other.IsDefault());
  TsCommonData& binding = panel->SkinData();
  const int section = binding.SectionIndex;
  for (WORD command : {CMD_REPAINT, CMD_SKINREMOVED, CMD_SKINLOADED}) {
    binding.UpdatingFlag = true;
    binding.BackgroundChangedFlag = false;
    SendSkinCommand(panel->Handle(), command, reinterpret_cast<LPARAM>(&other));
    EXPECT_TRUE(binding.UpdatingFlag) << command;
    EXPECT_FALSE(binding.BackgroundChangedFlag) << command;
    EXPECT_EQ(binding.SectionIndex, section) << command;
  }
  SendSkinCommand(panel->Handle(), CMD_REPAINT, reinterpret_cast<LPARAM>(manager.get()));
  EXPECT_FALSE(binding.UpdatingFlag);
  EXPECT_TRUE(binding.BackgroundChangedFlag);
}

TEST_F(SkinnedTest, TheBackgroundAnswerIsTheAskersRecordFilledByTheAskedControl) {
  auto* panel = Add<TsPanel>(form);
  form->HandleNeeded();
  TBitmap* cache = panel->SkinData().Cache();
  ASSERT_NE(cache, nullptr);
  cache->SetSize(0, 0);
  EXPECT_FALSE(AskBackground(panel).Ready) << "a control without a cache has no picture to give";
  cache->SetSize(20, 10);
  const BgInfo bg = AskBackground(panel);
  EXPECT_TRUE(bg.Ready);
  EXPECT_EQ(bg.Bmp.Row(0), cache->View().Row(0)) << "its own cache";
  EXPECT_EQ(bg.X, 0);
  EXPECT_EQ(bg.Y, 0);
  EXPECT_FALSE(AskBackground(Add<TPanel>(form)).Ready) << "a window that knows nothing of skins";
  // Without a record the asked control has nowhere to write: it answers nothing.
  for (WORD command : {CMD_GETBGINFO, CMD_GETCOLOR}) {
    SendSkinCommand(panel->Handle(), command, 0);
    TMessage direct{SM_SKINCMD, SkinCommandWParam(command), 0, 0};
    panel->Deliver(direct);
  }
  EXPECT_TRUE(AskBackground(panel).Ready);
}

std::atomic<int> gForeignCommands{0};

LRESULT CALLBACK CountingProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == SM_SKINCMD) {
    ++gForeignCommands;
    return 0;
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

TEST_F(SkinnedTest, AnAnswerRecordIsNeverSentToAWindowOfAnotherThread) {
  gForeignCommands = 0;
  std::atomic<HWND> foreign{nullptr};
  std::thread other([&] {
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingProc));
    foreign = window;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    DestroyWindow(window);
  });
  ASSERT_TRUE(WaitUntil([&] { return foreign.load() != nullptr; }));
  const HWND window = foreign.load();
  EXPECT_FALSE(IsOwnThreadWindow(window));
  EXPECT_TRUE(IsOwnThreadWindow(form->Handle()));
  EXPECT_FALSE(AskBackground(window).Ready);
  EXPECT_EQ(AskColor(window), clFuchsia);
  SendSkinCommand(window, CMD_ISSKINNED, 0);  // it hears commands that carry no record
  EXPECT_EQ(gForeignCommands.load(), 1);
  PostMessageW(window, WM_QUIT, 0, 0);
  other.join();
}

// A form outside the application's components, counting the skin commands it gets.
class TCountingForm : public TForm {
public:
  using TForm::TForm;
  int commands = 0;

protected:
  void WndProc(TMessage& message) override {
    if (message.Msg == SM_SKINCMD) ++commands;
    TForm::WndProc(message);
  }
};

TEST_F(SkinnedTest, AFormFreedWhileRegisteredIsNotTakenForANewFormAtItsAddress) {
  // The block stays between the two forms, as an allocator that hands it out again would.
  void* block = ::operator new(sizeof(TCountingForm));
  auto* old = new (block) TCountingForm(nullptr);
  RegisterProviderForm(old);
  TMessage message{SM_SKINCMD, SkinCommandWParam(CMD_STOPFADE), 0, 0};
  BroadcastToForms(message);
  EXPECT_EQ(old->commands, 1);
  old->BeforeDestruction();  // freed without unregistering
  old->~TCountingForm();
  auto* fresh = new (block) TCountingForm(nullptr);
  ASSERT_EQ(static_cast<void*>(fresh), block);
  BroadcastToForms(message);
  EXPECT_EQ(fresh->commands, 0) << "a form nobody registered got the registered form's broadcast";
  UnregisterProviderForm(fresh);
  fresh->BeforeDestruction();
  fresh->~TCountingForm();
  ::operator delete(block);
}

TEST_F(SkinnedTest, TheWindowUnderThePointerHearsLeaveBeforeTheNextOneHearsEnter) {
  auto make = [] {
    return CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  };
  HWND a = make(), b = make(), gone = make();
  MessageSequence sequence({SM_SKINCMD});
  WindowRecorder recordA(sequence, "a"), recordB(sequence, "b");
  ASSERT_TRUE(recordA.Attach(a));
  ASSERT_TRUE(recordB.Attach(b));
  const LPARAM self = reinterpret_cast<LPARAM>(manager.get());
  manager->SetHotWindow(a);
  manager->SetHotWindow(b);
  manager->SetHotWindow(b);  // the same window again: nothing
  EXPECT_TRUE(SequenceMatches(
      sequence.Messages(),
      {{SM_SKINCMD, seq::wparam | seq::lparam, SkinCommandWParam(CMD_MOUSEENTER), self, "a"},
       {SM_SKINCMD, seq::wparam | seq::lparam, SkinCommandWParam(CMD_MOUSELEAVE), self, "a"},
       {SM_SKINCMD, seq::wparam | seq::lparam, SkinCommandWParam(CMD_MOUSEENTER), self, "b"}}));
  // A hot window that is gone before the pointer leaves it is not sent anything.
  manager->SetHotWindow(gone);
  DestroyWindow(gone);
  sequence.Clear();
  manager->SetHotWindow(a);
  EXPECT_TRUE(SequenceMatches(sequence.Messages(), {Command(CMD_MOUSEENTER, "a")}));
  manager->SetHotWindow(nullptr);
  recordA.Detach();
  recordB.Detach();
  DestroyWindow(a);
  DestroyWindow(b);
}

}  // namespace
