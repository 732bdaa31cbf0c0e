// The skin engine's labels on a skinned panel under Wine: font colours from the skin, the
// section behind a label, the disabled mix, the effect label's shadow against a literal
// model of the blur, painting off screen over the panel's picture without the platform
// face ever showing, handle counts over repeated paints, and a paint that raises.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Helpers.h"
#include "ShadowModel.h"
#include "SkinFixtures.h"
#include "framework/Handles.h"
#include "skin/controls/sLabel.h"
#include "skin/controls/sPanel.h"
#include "skin/core/sSkinCommands.h"
#include "skin/paint/Pixels.h"

namespace {

constexpr TColor kPanelColour = MakeColor(64, 128, 192);
constexpr TColor kGlobalFont = MakeColor(20, 90, 30);
constexpr TColor kGlobalContour = MakeColor(150, 20, 160);
constexpr TColor kBadgeColour = MakeColor(230, 200, 40);
constexpr TColor kBadgeFont = MakeColor(120, 0, 0);
constexpr TColor kSkinShadow = MakeColor(10, 40, 90);
constexpr int kSkinBlur = 3;
constexpr int kSkinOffset = 2;

// Pixels copied out of a device context (or painted straight into the bitmap).
class Picture {
public:
  Picture(int width, int height) : bitmap_(std::make_unique<TBitmap>(width, height)) {}
  HDC DC() { return bitmap_->Canvas().Handle(); }
  void CopyFrom(HDC dc, int x, int y) {
    BitBlt(DC(), 0, 0, bitmap_->Width(), bitmap_->Height(), dc, x, y, SRCCOPY);
    GdiFlush();
  }
  TColor At(int x, int y) const { return GetRGB(bitmap_->View().Pixel(x, y)); }
  int Count(const RECT& r, const std::function<bool(TColor)>& match) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += match(At(x, y)) ? 1 : 0;
    return n;
  }
  int CountOf(const RECT& r, TColor colour) const {
    return Count(r, [&](TColor c) { return c == colour; });
  }

private:
  std::unique_ptr<TBitmap> bitmap_;
};

bool Near(TColor a, TColor b, int tolerance = 2) {
  return std::abs(RedOf(a) - RedOf(b)) <= tolerance && std::abs(GreenOf(a) - GreenOf(b)) <= tolerance &&
         std::abs(BlueOf(a) - BlueOf(b)) <= tolerance;
}

// Large bold letters with thick stems: their inner pixels are not anti-aliased.
void UseBigFont(TFont& font) {
  font.SetName(L"Tahoma");
  font.SetHeight(-24);
  font.SetStyle(fsBold);
  font.SetCharset(DEFAULT_CHARSET);
}

TsSkinGeneral Section(const std::string& name, TColor colour, TColor font, TColor left = -1) {
  TsSkinGeneral section = SectionOf(name, colour);
  section.FontColor = std::to_string(font) + " " + std::to_string(left) + " -1 -1 -1";
  return section;
}

// A manager whose skin has GLOBALINFO (index 0), PANEL and BADGE sections and a shadow;
// a form with a skinned panel on it.
class LabelTest : public ::testing::Test {
protected:
  void SetUp() override {
    EnsureApplication();
    manager = NewTestManager(skins);
    ASSERT_TRUE(manager->IsDefault()) << "a manager of another test is still alive";
    TsStoredSkin skin = SectionSkin(L"Labels", {Section("GLOBALINFO", clWhite, kGlobalFont, kGlobalContour),
                                                Section("PANEL", kPanelColour, clBlack),
                                                Section("BADGE", kBadgeColour, kBadgeFont)});
    skin.Shadow1Color = kSkinShadow;
    skin.Shadow1Blur = kSkinBlur;
    skin.Shadow1Offset = kSkinOffset;
    TsStoredSkins stored;
    stored.Add(std::move(skin));
    manager->SetInternalSkins(stored);
    manager->SetSkinName(L"Labels");
    ASSERT_TRUE(manager->SkinActive());
    form = new TForm(Application);
    form->SetBounds(120, 120, 420, 240);
    panel = new TsPanel(form);
    panel->SetParent(form);
    panel->SetBounds(10, 10, 380, 180);
    panel->SkinData().SetSkinSection("PANEL");
    form->Show();  // a hidden window keeps no update region: repaints could not be seen
    ASSERT_TRUE(panel->SkinData().Skinned());
  }
  void TearDown() override {
    delete form;
    manager.reset();
  }

  template <class T>
  T* AddLabel(RECT bounds, const wchar_t* caption = L"HIM") {
    auto* label = new T(form);
    label->SetAutoSize(false);
    label->SetParentFont(false);
    UseBigFont(label->Font());
    label->Font().SetColor(clBlack);
    label->SetParent(panel);
    label->SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
    label->SetCaption(caption);
    return label;
  }

  // The panel with its labels as its print request paints it, off screen.
  Picture Print() {
    Picture picture(panel->Width(), panel->Height());
    panel->Perform(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(picture.DC()), PRF_CLIENT);
    GdiFlush();
    return picture;
  }
  // What reached the panel's window.
  Picture Capture() {
    Picture picture(panel->Width(), panel->Height());
    const TClientDC dc = TClientDC::Of(panel->Handle());
    picture.CopyFrom(dc.Get(), 0, 0);
    return picture;
  }
  bool RepaintPending() { return GetUpdateRect(panel->Handle(), nullptr, FALSE) != FALSE; }

  TempSkinFolder skins;
  std::unique_ptr<TsSkinManager> manager;
  TForm* form = nullptr;
  TsPanel* panel = nullptr;
};

// ---------------------------------------------------------------- font colours

TEST_F(LabelTest, TheFontColourFollowsTheSkinWhileUseSkinColorIsOnAndGoesBackWhenTheSkinGoes) {
  const struct {
    const char* name;
    TsCustomLabel* label;
    TColor painted;  // Font.Color after a paint, and the text's colour
    TColor removed;  // Font.Color once the skin is removed
  } cases[] = {
      {"TsLabel", AddLabel<TsLabel>({10, 10, 110, 50}), kGlobalFont, clWindowText},
      {"TsLabel without UseSkinColor", AddLabel<TsLabel>({10, 60, 110, 100}), clBlack, clBlack},
      {"TsEditLabel", AddLabel<TsEditLabel>({10, 110, 110, 150}), kGlobalFont, clWindowText},
      {"TsLabelFX", AddLabel<TsLabelFX>({200, 10, 300, 50}), kGlobalFont, clWindowText},
  };
  static_cast<TsLabel*>(cases[1].label)->SetUseSkinColor(false);

  ValidateRect(panel->Handle(), nullptr);
  const Picture picture = Print();
  // The colour a paint takes into Font starts no further paint.
  EXPECT_FALSE(RepaintPending());
  EXPECT_FALSE(TsCustomLabel::PaintingAny());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.label->Font().Color(), c.painted);
    if (std::string(c.name) != "TsLabelFX") {  // its text takes the Kind colour
      EXPECT_GT(picture.CountOf(c.label->BoundsRect(), c.painted), 20);
    }
  }

  // Another manager's removal is not ours.
  TsSkinManager other(nullptr);
  TMessage foreign{SM_SKINCMD, SkinCommandWParam(CMD_SKINREMOVED), reinterpret_cast<LPARAM>(&other), 0};
  BroadcastToChildren(panel, foreign);
  for (const auto& c : cases) EXPECT_EQ(c.label->Font().Color(), c.painted) << c.name;

  manager->RemoveSkin();
  for (const auto& c : cases) EXPECT_EQ(c.label->Font().Color(), c.removed) << c.name;
}

TEST_F(LabelTest, ASectionOtherThanTheFirstPaintsItsBackgroundAndColoursTheText) {
  const struct {
    const char* section;
    TColor background;
    TColor text;
  } cases[] = {
      {"BADGE", kBadgeColour, kBadgeFont},
      {"GLOBALINFO", kPanelColour, kGlobalFont},  // index 0: nothing of its own
      {"NOSUCH", kPanelColour, kGlobalFont},
      {"badge", kPanelColour, kGlobalFont},  // names are compared as written
  };
  std::vector<TsLabel*> labels;
  for (size_t i = 0; i < std::size(cases); ++i) {
    const int top = 5 + static_cast<int>(i) * 42;
    labels.push_back(AddLabel<TsLabel>({20, top, 160, top + 40}));
    labels.back()->SetSkinSection(cases[i].section);
  }
  const Picture picture = Print();
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].section);
    const RECT r = labels[i]->BoundsRect();
    EXPECT_EQ(picture.At(r.right - 2, r.bottom - 2), cases[i].background);  // right of the text
    EXPECT_EQ(labels[i]->Font().Color(), cases[i].text);
    EXPECT_GT(picture.CountOf(r, cases[i].text), 20);
  }
}

TEST_F(LabelTest, ADisabledLabelOnASkinnedParentMixesFortyPercentFontWithSixtyPercentParent) {
  auto* label = AddLabel<TsLabel>({20, 20, 200, 70});
  label->SetUseSkinColor(false);
  label->Font().SetColor(MakeColor(250, 10, 100));
  label->SetEnabled(false);
  const Picture picture = Print();
  const TColor mixed = MixColor(MakeColor(250, 10, 100), kPanelColour, 0.4);
  const RECT r = label->BoundsRect();
  EXPECT_GT(picture.CountOf(r, mixed), 20);
  EXPECT_EQ(picture.CountOf(r, MakeColor(250, 10, 100)), 0);
  EXPECT_EQ(picture.CountOf(r, static_cast<TColor>(ColorToRGB(clBtnShadow))), 0);  // not the framework's etching
}

// ---------------------------------------------------------------- the effect label

// The shadow's ink as the label draws it: the text white on black in a 32-bit bitmap.
shadow_model::Ink RenderInk(const TsLabelFX& label, int w, int h, int dx, int dy) {
  TBitmap bitmap(w, h, TPixelFormat::pf32bit);
  TCanvas& canvas = bitmap.Canvas();
  canvas.Font().Assign(label.Font());
  canvas.Font().SetColor(clWhite);
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  RECT r{dx, dy, w + dx, h + dy};
  canvas.DrawText(label.Caption(), r, DT_EXPANDTABS);
  GdiFlush();
  shadow_model::Ink ink(static_cast<size_t>(h), std::vector<bool>(static_cast<size_t>(w)));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) ink[y][x] = bitmap.View().Pixel(x, y)[0] != 0;
  return ink;
}

struct ShadowCase {
  const char* name;
  std::function<void(TsLabelFX&, TsSkinManager&)> setUp;
  TColor shadow;
  int passes;
  int distance;
  TColor behind;  // the parent's picture or the label's own colour
};

class FxShadowTest : public LabelTest, public ::testing::WithParamInterface<ShadowCase> {};

TEST_P(FxShadowTest, TheShadowAroundTheTextIsTheModelsBlurBlendedOverWhatIsBehind) {
  const ShadowCase& c = GetParam();
  auto* label = AddLabel<TsLabelFX>({30, 40, 230, 90});
  label->Kind().SetKindType(ktCustom);
  label->Kind().SetColor(MakeColor(200, 0, 0));
  c.setUp(*label, *manager);
  const Picture picture = Print();

  const int w = label->Width(), h = label->Height();
  const auto weight = shadow_model::Blur(RenderInk(*label, w, h, c.distance, c.distance), c.passes);
  const auto text = RenderInk(*label, w, h, 0, 0);
  int compared = 0, differing = 0, shaded = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (text[y][x]) continue;  // under the text drawn over the shadow
      const int k = weight[y][x];
      const TColor expected = MakeColor(shadow_model::Channel(RedOf(c.behind), RedOf(c.shadow), k),
                                        shadow_model::Channel(GreenOf(c.behind), GreenOf(c.shadow), k),
                                        shadow_model::Channel(BlueOf(c.behind), BlueOf(c.shadow), k));
      ++compared;
      shaded += k > 64 ? 1 : 0;
      differing += picture.At(label->Left() + x, label->Top() + y) != expected ? 1 : 0;
    }
  EXPECT_GT(shaded, 50) << "the shadow shows beside the text";
  EXPECT_EQ(differing, 0) << "of " << compared << " pixels around the text";
  EXPECT_GT(picture.CountOf(label->BoundsRect(), MakeColor(200, 0, 0)), 20) << "the text is drawn over the shadow";
  EXPECT_EQ(picture.At(label->Left() - 1, label->Top()), kPanelColour) << "nothing outside the label";
}

INSTANTIATE_TEST_SUITE_P(
    Shadows, FxShadowTest,
    ::testing::Values(
        ShadowCase{"SkinShadow", [](TsLabelFX&, TsSkinManager&) {}, kSkinShadow, kSkinBlur, kSkinOffset, kPanelColour},
        ShadowCase{"Custom",
                   [](TsLabelFX& l, TsSkinManager&) {
                     l.Shadow().SetMode(smCustom);
                     l.Shadow().SetColor(clBlack);
                     l.Shadow().SetBlurCount(4);
                     l.Shadow().SetDistance(1);
                   },
                   clBlack, 4, 1, kPanelColour},
        ShadowCase{"OwnValuesWhenTheSkinHasNone",
                   [](TsLabelFX& l, TsSkinManager& m) {
                     m.Tables().GlobalInfo.Shadow1Blur = -1;
                     l.Shadow().SetColor(MakeColor(0, 100, 0));
                     l.Shadow().SetBlurCount(2);
                     l.Shadow().SetDistance(3);
                   },
                   MakeColor(0, 100, 0), 2, 3, kPanelColour},
        ShadowCase{"AHugeSkinBlurIsCut",
                   [](TsLabelFX&, TsSkinManager& m) {
                     m.Tables().GlobalInfo.Shadow1Blur = 1000000;
                     m.Tables().GlobalInfo.Shadow1Offset = -2000000000;
                   },
                   kSkinShadow, kMaxShadowBlur, -kMaxShadowDistance, kPanelColour},
        ShadowCase{"Opaque",
                   [](TsLabelFX& l, TsSkinManager&) {
                     l.SetTransparent(false);
                     l.SetColor(MakeColor(250, 240, 200));
                   },
                   kSkinShadow, kSkinBlur, kSkinOffset, MakeColor(250, 240, 200)}),
    [](const auto& shadowCase) { return std::string(shadowCase.param.name); });

TEST_F(LabelTest, TheEffectLabelsTextColourComesFromItsKind) {
  const struct {
    TsKindType kind;
    TColor expected;
  } cases[] = {{ktStandard, MakeColor(0, 0, 230)}, {ktCustom, MakeColor(200, 0, 0)}, {ktSkin, kGlobalContour}};
  std::vector<TsLabelFX*> labels;
  for (size_t i = 0; i < std::size(cases); ++i) {
    const int top = 5 + static_cast<int>(i) * 50;
    auto* label = AddLabel<TsLabelFX>({20, top, 200, top + 45});
    label->SetColor(MakeColor(0, 0, 230));
    label->SetTransparent(true);
    label->Kind().SetColor(MakeColor(200, 0, 0));
    label->Kind().SetKindType(cases[i].kind);
    labels.push_back(label);
  }
  const Picture picture = Print();
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_GT(picture.CountOf(labels[i]->BoundsRect(), cases[i].expected), 20) << static_cast<int>(cases[i].kind);
}

TEST_F(LabelTest, WithoutBlurOrWhenDisabledTheEffectLabelDrawsNoShadow) {
  auto* unblurred = AddLabel<TsLabelFX>({20, 10, 200, 60});
  unblurred->Shadow().SetMode(smCustom);
  unblurred->Shadow().SetColor(MakeColor(220, 0, 220));
  unblurred->Shadow().SetBlurCount(0);
  unblurred->Kind().SetKindType(ktCustom);
  unblurred->Kind().SetColor(clBlack);
  auto* disabled = AddLabel<TsLabelFX>({20, 90, 200, 140});
  disabled->SetEnabled(false);
  const Picture picture = Print();
  // A shadow's blend would change every pixel of the label, down to the panel's colour
  // beside the text; a magenta one would also leave pixels off the line from the panel's
  // colour to black.
  const auto betweenPanelAndBlack = [](TColor c) {
    return std::abs(RedOf(c) * 2 - GreenOf(c)) <= 3 && std::abs(GreenOf(c) * 3 - BlueOf(c) * 2) <= 4;
  };
  const RECT plain = unblurred->BoundsRect(), etched = disabled->BoundsRect();
  EXPECT_EQ(picture.Count(plain, [&](TColor c) { return !betweenPanelAndBlack(c); }), 0);
  EXPECT_GT(picture.CountOf(plain, kPanelColour), 6000);
  EXPECT_GT(picture.CountOf(plain, clBlack), 20);
  // Etched: the platform's highlight one pixel down and right, its shadow in place.
  EXPECT_GT(picture.CountOf(etched, static_cast<TColor>(ColorToRGB(clBtnHighlight))), 10);
  EXPECT_GT(picture.CountOf(etched, static_cast<TColor>(ColorToRGB(clBtnShadow))), 10);
  EXPECT_GT(picture.CountOf(etched, kPanelColour), 6000);
}

TEST_F(LabelTest, AnAutoSizedEffectLabelLeavesRoomForItsShadow) {
  auto* plain = AddLabel<TsLabelFX>({0, 100, 10, 110}, L"Credit");
  plain->Shadow().SetMode(smNone);
  auto* shadowed = AddLabel<TsLabelFX>({0, 0, 10, 10}, L"Credit");
  shadowed->Shadow().SetMode(smCustom);  // distance 1, blur 4
  for (TsLabelFX* label : {plain, shadowed}) label->SetAutoSize(true);
  ASSERT_GT(plain->Width(), 10);
  EXPECT_EQ(shadowed->Width(), plain->Width() + 8);
  EXPECT_EQ(shadowed->Height(), plain->Height() + 8);
  EXPECT_EQ(shadowed->Margins().TopLeft, -3);
  EXPECT_EQ(shadowed->Margins().BottomRight, 5);

  // The text sits inside the margins: nothing of it in the three columns at the left.
  shadowed->Shadow().SetBlurCount(0);  // the text alone
  shadowed->Kind().SetKindType(ktCustom);
  shadowed->Kind().SetColor(clBlack);
  const Picture picture = Print();
  const RECT r = shadowed->BoundsRect();
  EXPECT_EQ(picture.Count(RECT{r.left, r.top, r.left + 3, r.bottom}, [](TColor c) { return c != kPanelColour; }), 0);
  EXPECT_GT(picture.Count(r, [](TColor c) { return c != kPanelColour; }), 20);
}

TEST_F(LabelTest, ShadowAndKindSettersRepaintTheLabelOnlyWhenAValueChanges) {
  auto* label = AddLabel<TsLabelFX>({20, 20, 200, 70});
  const std::pair<const char*, std::function<void()>> setters[] = {
      {"Shadow.Mode", [&] { label->Shadow().SetMode(smCustom); }},
      {"Shadow.Color", [&] { label->Shadow().SetColor(clRed); }},
      {"Shadow.BlurCount", [&] { label->Shadow().SetBlurCount(7); }},
      {"Shadow.Distance", [&] { label->Shadow().SetDistance(3); }},
      {"Kind.KindType", [&] { label->Kind().SetKindType(ktCustom); }},
      {"Kind.Color", [&] { label->Kind().SetColor(clBlue); }},
  };
  for (const auto& [name, set] : setters) {
    ValidateRect(panel->Handle(), nullptr);
    set();
    RECT update{};
    EXPECT_TRUE(GetUpdateRect(panel->Handle(), &update, FALSE)) << name;
    const RECT bounds = label->BoundsRect();
    EXPECT_TRUE(EqualRect(&update, &bounds)) << name;
    ValidateRect(panel->Handle(), nullptr);
    set();  // the same value again
    EXPECT_FALSE(RepaintPending()) << name;
  }
}

// ---------------------------------------------------------------- painting over the panel

// Records the kind of device context each paint of a control is given.
class PaintRecorder : public TControlHandler {
public:
  explicit PaintRecorder(TControl& control) { Install(control); }
  std::vector<DWORD> kinds;

protected:
  void HandleMessage(TMessage& message) override {
    if (message.Msg == WM_PAINT) kinds.push_back(GetObjectType(reinterpret_cast<HDC>(message.WParam)));
    CallPrevious(message);
  }
};

// Runs `after` once the panel has handled its erase request.
class EraseWatcher : public TControlHandler {
public:
  EraseWatcher(TControl& control, std::function<void()> after) : after_(std::move(after)) { Install(control); }
  int erases = 0;

protected:
  void HandleMessage(TMessage& message) override {
    CallPrevious(message);
    if (message.Msg != WM_ERASEBKGND) return;
    ++erases;
    after_();
  }

private:
  std::function<void()> after_;
};

TEST_F(LabelTest, LabelsArePaintedOffScreenOverThePanelsPictureAndTheFaceNeverShows) {
  const TColor face = static_cast<TColor>(ColorToRGB(clBtnFace));
  ASSERT_FALSE(Near(face, kPanelColour, 20));
  auto* label = AddLabel<TsLabel>({20, 20, 200, 60});
  label->SetUseSkinColor(false);
  auto* fx = AddLabel<TsLabelFX>({20, 90, 200, 140});
  const RECT labelRect = label->BoundsRect(), fxRect = fx->BoundsRect();
  SetWindowPos(form->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  const auto faceIn = [&](const Picture& p, const RECT& r) { return p.Count(r, [&](TColor c) { return Near(c, face); }); };
  ASSERT_TRUE(WaitUntil([&] { return Capture().CountOf(labelRect, kPanelColour) > 1000; }));

  int faceWhileErasing = 0;
  EraseWatcher watcher(*panel, [&] {
    const Picture now = Capture();
    faceWhileErasing += faceIn(now, labelRect) + faceIn(now, fxRect);
  });
  PaintRecorder labelPaints(*label), fxPaints(*fx);
  RedrawWindow(panel->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  label->Invalidate();
  fx->Invalidate();
  UpdateWindow(panel->Handle());

  EXPECT_GE(watcher.erases, 1);
  EXPECT_EQ(faceWhileErasing, 0);
  for (const auto* paints : {&labelPaints.kinds, &fxPaints.kinds}) {
    EXPECT_GE(paints->size(), 2u);
    for (DWORD kind : *paints) EXPECT_EQ(kind, static_cast<DWORD>(OBJ_MEMDC)) << "painted straight onto the window";
  }
  const Picture shown = Capture();
  EXPECT_EQ(faceIn(shown, labelRect) + faceIn(shown, fxRect), 0);
  // The plain label: the panel's colour around black text, and blends of the two.
  EXPECT_GT(shown.CountOf(labelRect, kPanelColour), 3000);
  EXPECT_GT(shown.Count(labelRect, [](TColor c) { return Near(c, clBlack, 40); }), 20);
  EXPECT_GT(shown.Count(fxRect, [](TColor c) { return c != kPanelColour; }), 100);
  watcher.Remove();
  labelPaints.Remove();
  fxPaints.Remove();
}

TEST_F(LabelTest, RepeatedPaintsLeaveEveryHandleCountWhereItWas) {
  AddLabel<TsLabel>({10, 10, 150, 50});
  AddLabel<TsLabel>({10, 60, 150, 100})->SetSkinSection("BADGE");
  AddLabel<TsLabelFX>({160, 10, 360, 60});
  auto* opaque = AddLabel<TsLabelFX>({160, 70, 360, 120});
  opaque->SetTransparent(false);
  const auto paintBoth = [&] {
    (void)Print();
    RedrawWindow(panel->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  };
  paintBoth();  // caches, fonts and the shadow bitmap are made once
  const THandleKind kinds[] = {THandleKind::Brush, THandleKind::Pen, THandleKind::Font,
                               THandleKind::Region, THandleKind::Bitmap, THandleKind::DC};
  std::vector<int> before;
  for (THandleKind kind : kinds) before.push_back(LiveHandles(kind));
  for (int i = 0; i < 10; ++i) paintBoth();
  for (size_t i = 0; i < std::size(kinds); ++i) EXPECT_EQ(LiveHandles(kinds[i]), before[i]) << static_cast<int>(kinds[i]);
}

// A label whose text drawing fails.
class TFailingLabel : public TsLabel {
public:
  using TsLabel::TsLabel;

protected:
  void DoDrawText(RECT&, UINT flags) override {
    if (!(flags & DT_CALCRECT)) throw Exception(L"cannot draw");
  }
};

TEST_F(LabelTest, APaintThatRaisesEndsThePaintingMarkAndTheNextLabelStillPaints) {
  AddLabel<TFailingLabel>({10, 10, 150, 50});
  auto* next = AddLabel<TsLabel>({10, 60, 150, 100});
  next->SetUseSkinColor(false);
  const Picture picture = Print();
  EXPECT_FALSE(TsCustomLabel::PaintingAny());
  EXPECT_GT(picture.CountOf(next->BoundsRect(), clBlack), 20);
  // A font change outside painting is heard again: the label repaints.
  ValidateRect(panel->Handle(), nullptr);
  next->Font().SetColor(clRed);
  EXPECT_TRUE(RepaintPending());
}

TEST_F(LabelTest, AnEditLabelTellsItsBoundLabelOnceWhenItGoes) {
  auto* label = new TsEditLabel(form);
  auto* bound = reinterpret_cast<TsBoundLabel*>(&label);  // opaque here: only passed back
  std::vector<TsBoundLabel*> told;
  label->Bind(bound, [&](TsBoundLabel* b) { told.push_back(b); });
  EXPECT_EQ(label->BoundLabel(), bound);
  EXPECT_TRUE(told.empty());
  delete label;
  EXPECT_EQ(told, std::vector<TsBoundLabel*>{bound});
}

}  // namespace
