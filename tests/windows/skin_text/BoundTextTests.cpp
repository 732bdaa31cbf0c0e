// Captions of bound controls: what the binding hands to the text painter, the default
// manager behind DrawSectionText, and the skinned panel's caption in its cached picture.
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

  // Repaints the panel with `caption` and gives a copy of its cached picture.
  std::unique_ptr<InkSurface> PaintCaption(const String& caption) {
    panel->SetCaption(caption);
    panel->SkinData().BackgroundChangedFlag = true;
    panel->Repaint();
    TBitmap* cache = panel->SkinData().Cache();
    if (!cache || cache->Width() != panel->Width() || cache->Height() != panel->Height()) return nullptr;
    auto copy = std::make_unique<InkSurface>(cache->Width(), cache->Height());
    BitBlt(copy->Canvas().Handle(), 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
    return copy;
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

TEST_F(BoundText, ThePanelCaptionIsInTheSectionsFontColourWithTheAmpersandDrawn) {
  form->Show();
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(panel->Handle()) != 0; }));

  // Red ink only: the section's colour, solid or anti-aliased over the white panel, none
  // in the panel font's own colour.
  const auto red = [](TColor p) { return TintOf(p, kText, kPanelColor); };
  const auto inked = [](TColor p) { return p != kPanelColor; };
  const std::unique_ptr<InkSurface> withAmpersand = PaintCaption(L"A&B");
  ASSERT_NE(withAmpersand, nullptr);
  const RECT area = panel->CaptionRect();
  EXPECT_GT(withAmpersand->Count(area, [](TColor p) { return p == kText; }), 40);
  EXPECT_EQ(withAmpersand->Count(withAmpersand->All(), inked), withAmpersand->Count(area, red));

  // "&" is a character of its own, not a mnemonic prefix: it widens the ink by its width.
  const std::unique_ptr<InkSurface> without = PaintCaption(L"AB");
  ASSERT_NE(without, nullptr);
  TCanvas& canvas = panel->SkinData().Cache()->Canvas();
  canvas.Font().Assign(panel->Font());
  const int ampersand = TextWidthOf(canvas, L"A&B") - TextWidthOf(canvas, L"AB");
  ASSERT_GT(ampersand, 5);
  const auto inkWidth = [&](InkSurface& s) {
    const RECT box = s.Bounds(inked);
    return box.right - box.left;
  };
  EXPECT_GE(inkWidth(*withAmpersand) - inkWidth(*without), ampersand - 2);

  // Disabled: 40 % red text, 60 % white panel, that is 0x9999FF, and nothing redder.
  panel->SetEnabled(false);
  const std::unique_ptr<InkSurface> disabled = PaintCaption(L"A&B");
  ASSERT_NE(disabled, nullptr);
  constexpr TColor mixed = 0x9999FF;
  EXPECT_GT(disabled->Count(area, [](TColor p) { return p == mixed; }), 40);
  EXPECT_EQ(disabled->Count(disabled->All(), inked),
            disabled->Count(area, [](TColor p) { return TintOf(p, mixed, kPanelColor); }));
}

}  // namespace
