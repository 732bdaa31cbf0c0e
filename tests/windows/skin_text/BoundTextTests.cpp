// Captions of bound controls: what the binding hands to the text painter and the default
// manager behind DrawSectionText.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Helpers.h"
#include "TextProbes.h"
#include "framework/Forms.h"
#include "skin/controls/sPanel.h"
#include "skin/core/sSkinManager.h"
#include "skin/core/sSkinText.h"

namespace {

constexpr TColor kText = 0x0000FF, kContour = 0x00FF00, kPanelColor = clWhite, kOwn = 0x336699;
constexpr UINT kFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
constexpr RECT kRect{0, 0, 120, 30};

TsSkinGeneral Section(const std::string& name, const std::string& fontColor) {
  TsSkinGeneral section;
  section.SectionName = name;
  section.Color = kPanelColor;
  section.FontColor = fontColor;
  section.HotFontColor = fontColor;
  return section;
}

// A manager holding one skin, the default manager while it lives: "PANEL" draws red text,
// "OUTLINED" red text with a green left contour. A panel with a font of its own on a form.
class BoundText : public ::testing::Test {
protected:
  void SetUp() override {
    EnsureApplication();
    ASSERT_EQ(DefaultManager(), nullptr) << "a manager of another test is still alive";
    manager = std::make_unique<TsSkinManager>(nullptr);
    manager->SetSkinDirectory(folder.Path());
    TsStoredSkin skin;
    skin.Name = L"Lettered";
    skin.Version = 1.0;
    skin.GeneralData = {Section("PANEL", std::to_string(kText) + " -1 -1 -1 -1"),
                        Section("OUTLINED", std::to_string(kText) + " " + std::to_string(kContour) + " -1 -1 -1")};
    TsStoredSkins stored;
    stored.Add(skin);
    manager->SetInternalSkins(stored);
    manager->SetSkinName(L"Lettered");
    ASSERT_TRUE(manager->SkinActive());
    form = new TForm(Application);
    form->SetBounds(80, 80, 320, 140);
    form->SetColor(clWhite);
    panel = new TsPanel(form);
    panel->SetParent(form);
    panel->SetBounds(0, 0, 300, 60);
    panel->Font().SetName(L"Tahoma");
    panel->Font().SetHeight(-20);
    panel->Font().SetStyle(fsBold);
    panel->Font().SetColor(kOwn);
  }
  void TearDown() override {
    delete form;
    manager.reset();
  }

  TempFolder folder;
  std::unique_ptr<TsSkinManager> manager;
  TForm* form = nullptr;
  TsPanel* panel = nullptr;
};

TEST_F(BoundText, TheBindingGivesItsSectionItsCustomFontAndItsControlsFont) {
  const auto draw = [&] {
    return RecordText([&](TCanvas& canvas) {
      DrawSkinText(canvas, L"Caption", true, false, panel->SkinData(), kFormat, kRect);
    });
  };
  panel->SkinData().SetSkinSection("OUTLINED");
  TextRecording recording = draw();
  ASSERT_EQ(recording.passes.size(), 2u);
  EXPECT_EQ(recording.passes[0].color, static_cast<COLORREF>(kContour));
  EXPECT_EQ(recording.passes[0].origin.x, recording.passes[1].origin.x - 1);
  EXPECT_EQ(recording.passes[1].color, static_cast<COLORREF>(kText));
  EXPECT_EQ(recording.passes[1].font.lfHeight, -20);
  EXPECT_EQ(recording.passes[1].font.lfWeight, FW_BOLD);

  panel->SkinData().SetCustomFont(true);
  recording = draw();
  ASSERT_EQ(recording.passes.size(), 1u);
  EXPECT_EQ(recording.passes[0].color, static_cast<COLORREF>(kOwn));

  panel->SkinData().SetCustomFont(false);
  panel->SkinData().SetSkinSection("NOSUCHSECTION");
  recording = draw();
  ASSERT_EQ(recording.passes.size(), 1u) << "an unresolved section draws plain text";
  EXPECT_EQ(recording.passes[0].color, static_cast<COLORREF>(kOwn));
}

TEST_F(BoundText, SectionTextTakesTheDefaultManagerAndNeedsOne) {
  const int outlined = manager->SectionIndex("OUTLINED");
  const auto draw = [&](const TsSkinManager* given) {
    return RecordText([&](TCanvas& canvas) {
      DrawSectionText(canvas, L"Caption", true, given, false, outlined, kFormat, kRect);
    });
  };
  EXPECT_EQ(draw(nullptr).passes.size(), 2u);
  EXPECT_EQ(draw(manager.get()).passes.size(), 2u);
  delete form;
  form = nullptr;
  manager.reset();
  EXPECT_TRUE(draw(nullptr).passes.empty());
}

}  // namespace
