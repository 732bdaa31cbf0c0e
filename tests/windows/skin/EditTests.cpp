// The skinned edit on a real form: the client colours of its looks as focus and pointer
// come and go, its ring against "EDIT" as the painting core composes it (on screen and
// printed), the disabled look, painting held back while its parent is busy and resumed by
// the parent's done command, password characters in its cached picture, its bound label's
// placement and lifetime, and no handle left behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "Helpers.h"
#include "SkinFixtures.h"
#include "framework/ExtCtrls.h"
#include "framework/Handles.h"
#include "skin/controls/sEdit.h"
#include "skin/controls/sLabel.h"
#include "skin/core/sSkinCommands.h"
#include "skin/paint/Compose.h"

namespace {

constexpr TColor kColor = 0x00E0F0F0, kHotColor = 0x00C0FFFF, kFontColor = 0x00202080, kHotFontColor = 0x00800000;

// A form with two skinned edits; the manager's skin is made by the fixture.
class EditFixture : public ::testing::Test {
protected:
  void Start(TsStoredSkin skin, const String& name) {
    EnsureApplication();
    ASSERT_EQ(DefaultManager(), nullptr) << "a manager of another test is still alive";
    manager = std::make_unique<TsSkinManager>(nullptr);
    manager->SetSkinDirectory(skins.Resolved());
    TsStoredSkins stored;
    stored.Add(std::move(skin));
    manager->SetInternalSkins(stored);
    manager->SetSkinName(name);
    ASSERT_TRUE(manager->SkinActive());
    form = new TForm(Application);
    form->SetBorderStyle(bsSingle);
    form->SetClientSize(320, 140);
    form->SetPosition(poScreenCenter);
    edit = AddEdit(L"edit", 90, 20);
    other = AddEdit(L"other", 90, 60);
    form->Show();
    ASSERT_TRUE(WaitUntil([&] { return GetActiveWindow() == form->Handle(); }));
    other->SetFocus();
    Settle();
  }
  void TearDown() override {
    delete form;
    manager.reset();
  }
  TsEdit* AddEdit(const wchar_t* name, int left, int top) {
    auto* e = new TsEdit(form);
    e->SetName(name);
    e->SetParent(form);
    e->SetBounds(left, top, 121, 21);
    return e;
  }
  void Settle() {
    RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Application->ProcessMessages();
  }

  TempSkinFolder skins;
  std::unique_ptr<TsSkinManager> manager;
  TForm* form = nullptr;
  TsEdit* edit = nullptr;
  TsEdit* other = nullptr;
};

// ---------------------------------------------------------------- colours

class EditColorTest : public EditFixture {
protected:
  void SetUp() override {
    TsSkinGeneral section = SectionOf("EDIT", kColor);
    section.HotColor = kHotColor;
    section.FontColor = std::to_string(kFontColor) + " -1 -1 -1 -1";
    section.HotFontColor = std::to_string(kHotFontColor) + " -1 -1 -1 -1";
    Start(SectionSkin(L"Sections", {SectionOf("FORM", clSilver), section}), L"Sections");
  }
  // The client pixel right of any text, as it is on screen now.
  COLORREF ClientPixel() {
    TClientDC screen = TClientDC::Of(edit->Handle());
    return GetPixel(screen.Get(), edit->ClientWidth() - 3, edit->ClientHeight() / 2);
  }
};

TEST_F(EditColorTest, FocusAndPointerShowTheHotColoursAndLeavingReturnsAtOnce) {
  ASSERT_EQ(edit->SkinData().SkinSection(), "EDIT");
  const LPARAM self = reinterpret_cast<LPARAM>(edit);
  struct Case {
    const char* name;
    std::function<void()> enter, leave;
  };
  const Case cases[] = {
      {"focus", [&] { edit->SetFocus(); }, [&] { other->SetFocus(); }},
      {"pointer", [&] { edit->Perform(CM_MOUSEENTER, 0, self); }, [&] { edit->Perform(CM_MOUSELEAVE, 0, self); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(edit->Color(), kColor);
    EXPECT_EQ(edit->Font().Color(), kFontColor);
    EXPECT_EQ(ClientPixel(), kColor);
    c.enter();  // no messages run before the checks: the change is made at once
    EXPECT_EQ(edit->Color(), kHotColor);
    EXPECT_EQ(edit->Font().Color(), kHotFontColor);
    EXPECT_EQ(ClientPixel(), kHotColor);
    c.leave();
    EXPECT_EQ(edit->Color(), kColor);
    EXPECT_EQ(edit->Font().Color(), kFontColor);
    EXPECT_EQ(ClientPixel(), kColor);
  }
}

TEST_F(EditColorTest, CustomColorKeepsTheEditsOwnColour) {
  edit->SkinData().SetCustomColor(true);
  edit->SetColor(clYellow);
  EXPECT_TRUE(edit->SkinData().BackgroundChangedFlag);
  edit->SetFocus();
  EXPECT_EQ(edit->Color(), clYellow);
  EXPECT_EQ(edit->Font().Color(), kHotFontColor);
  EXPECT_EQ(ClientPixel(), static_cast<COLORREF>(clYellow));
}

TEST_F(EditColorTest, FocusAndHoverCyclesLeaveNoHandleBehind) {
  constexpr THandleKind kinds[] = {THandleKind::Brush,  THandleKind::Pen,    THandleKind::Font,
                                   THandleKind::Region, THandleKind::Bitmap, THandleKind::DC,
                                   THandleKind::Window, THandleKind::Timer};
  const LPARAM self = reinterpret_cast<LPARAM>(edit);
  edit->SetText(L"some text");
  auto cycle = [&] {
    edit->SetFocus();
    Settle();
    other->SetFocus();
    edit->Perform(CM_MOUSEENTER, 0, self);
    Settle();
    edit->Perform(CM_MOUSELEAVE, 0, self);
    Settle();
  };
  cycle();
  std::vector<int> before;
  for (THandleKind kind : kinds) before.push_back(LiveHandles(kind));
  for (int i = 0; i < 100; ++i) cycle();
  for (size_t k = 0; k < std::size(kinds); ++k)
    EXPECT_EQ(LiveHandles(kinds[k]), before[k]) << "handle kind " << static_cast<int>(kinds[k]);
}

// ---------------------------------------------------------------- the ring

class EditRingTest : public EditFixture {
protected:
  void SetUp() override { Start(PackagedSkin(L"Frost"), L"Frost"); }

  // "EDIT" as the painting core composes it for `state` over the form's colour.
  std::unique_ptr<TSurface> Expected(int state) {
    auto surface = NewSurface(edit->Width(), edit->Height(), 24);
    const TsCommonData& binding = edit->SkinData();
    TPaintItemSource item;
    item.Skin = &manager->Tables();
    item.SkinIndex = binding.SectionIndex;
    item.SkinSection = binding.SkinSection();
    item.BorderIndex = binding.BorderMaskIndex;
    item.Texture = binding.PatternIndex;
    item.HotTexture = binding.HotPatternIndex;
    item.HasParent = true;
    item.ParentColor = static_cast<TColor>(ColorToRGB(form->Color()));
    PaintItem(item, BgInfo{}, true, true, surface->View(), TPoint{edit->Left(), edit->Top()},
              TsRect{0, 0, edit->Width(), edit->Height()}, state);
    return surface;
  }
  // Ring pixels (outside the corner areas of the mask) read by `pixel` that differ from `expected`.
  int RingDifferences(const TSurface& expected, const std::function<COLORREF(int, int)>& pixel) {
    const TsMaskData& mask = manager->Tables().MaskTable[static_cast<size_t>(edit->SkinData().BorderMaskIndex)];
    const int w = edit->Width(), h = edit->Height(), ring = edit->BorderWidth();
    int differing = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const bool inRing = x < ring || y < ring || x >= w - ring || y >= h - ring;
        const bool corner = (x < mask.WL || x >= w - mask.WR) && (y < mask.WT || y >= h - mask.WB);
        if (!inRing || corner) continue;
        const uint8_t* b = expected.View().Pixel(x, y);
        if (pixel(x, y) != RGB(b[2], b[1], b[0])) ++differing;
      }
    return differing;
  }
};

TEST_F(EditRingTest, TheRingIsTheSectionOnScreenPrintedAndInEachLook) {
  ASSERT_TRUE(edit->SkinData().Skinned(true));
  ASSERT_GE(edit->SkinData().BorderMaskIndex, 0);
  ASSERT_EQ(edit->BorderWidth(), 2);
  const LPARAM self = reinterpret_cast<LPARAM>(edit);
  struct Case {
    const char* name;
    std::function<void()> enter, leave;
    int state;
  };
  const Case cases[] = {
      {"normal", [] {}, [] {}, 0},
      {"hot", [&] { edit->Perform(CM_MOUSEENTER, 0, self); }, [&] { edit->Perform(CM_MOUSELEAVE, 0, self); }, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.enter();
    Settle();
    const auto expected = Expected(c.state);
    const TSurfaceView cache = edit->SkinData().Cache()->View();
    EXPECT_EQ(RingDifferences(*expected, [&](int x, int y) {
                const uint8_t* p = cache.Pixel(x, y);
                return RGB(p[2], p[1], p[0]);
              }), 0) << "cached picture";
    {
      TWindowDC screen = TWindowDC::Of(edit->Handle());
      EXPECT_EQ(RingDifferences(*expected, [&](int x, int y) { return GetPixel(screen.Get(), x, y); }), 0)
          << "on screen";
    }
    TBitmap printed(edit->Width(), edit->Height(), TPixelFormat::pf24bit);
    SendMessageW(edit->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(printed.Canvas().Handle()),
                 PRF_CLIENT | PRF_NONCLIENT | PRF_ERASEBKGND);
    GdiFlush();
    const TSurfaceView print = printed.View();
    EXPECT_EQ(RingDifferences(*expected, [&](int x, int y) {
                const uint8_t* p = print.Pixel(x, y);
                return RGB(p[2], p[1], p[0]);
              }), 0) << "printed";
    c.leave();
    Settle();
  }
}

TEST_F(EditRingTest, APasswordEditShowsItsCharacterInTheCachedPicture) {
  struct Case {
    const wchar_t* text;
    wchar_t password;
  };
  const Case masked{L"secret", L'*'}, shown{L"******", 0}, plain{L"secret", 0}, empty{L"", 0};
  auto pictureOf = [&](const Case& c) {
    edit->SetText(c.text);
    edit->SetPasswordChar(c.password);
    edit->RebuildPicture();
    const TSurfaceView v = edit->SkinData().Cache()->View();
    std::vector<uint8_t> pixels;
    for (int y = 0; y < v.height; ++y) pixels.insert(pixels.end(), v.Pixel(0, y), v.Pixel(0, y) + 3 * v.width);
    return pixels;
  };
  const auto withPassword = pictureOf(masked);
  EXPECT_EQ(withPassword, pictureOf(shown));
  EXPECT_NE(withPassword, pictureOf(plain));
  EXPECT_NE(withPassword, pictureOf(empty));  // there is ink at all
}

// The disabled look over the ring: the picture of its state blended with the parent's
// background as the painting core does it; an empty DisabledKind leaves the enabled look.
TEST_F(EditRingTest, ADisabledEditShowsTheDisabledLookOfItsKind) {
  struct Case {
    const char* name;
    TsDisabledKind kind;
  };
  const Case cases[] = {{"blended", dkBlended}, {"grayed", dkGrayed}, {"grayed and blended", static_cast<TsDisabledKind>(dkGrayed | dkBlended)},
                        {"no kind", 0}};
  const BgInfo parent = edit->SkinData().GetParentBgInfo();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    edit->SetDisabledKind(c.kind);
    edit->SetEnabled(false);
    Settle();
    auto expected = Expected(0);
    ApplyDisabledLook(expected->View(), c.kind, static_cast<TColor>(ColorToRGB(edit->Color())),
                      TPoint{edit->Left(), edit->Top()}, parent);
    const TSurfaceView cache = edit->SkinData().Cache()->View();
    auto cached = [&](int x, int y) {
      const uint8_t* p = cache.Pixel(x, y);
      return RGB(p[2], p[1], p[0]);
    };
    EXPECT_EQ(RingDifferences(*expected, cached), 0) << "cached picture";
    {
      TWindowDC screen = TWindowDC::Of(edit->Handle());
      EXPECT_EQ(RingDifferences(*expected, [&](int x, int y) { return GetPixel(screen.Get(), x, y); }), 0)
          << "on screen";
    }
    if (c.kind != 0) {
      EXPECT_GT(RingDifferences(*Expected(0), cached), 0) << "differs from the enabled look";
    }
    edit->SetEnabled(true);
    Settle();
    EXPECT_EQ(RingDifferences(*Expected(0), cached), 0) << "enabled again";
  }
}

// A parent whose background is busy while `busy` is set, as a page control is while it
// rebuilds its picture.
class BusyPanel : public TPanel {
public:
  using TPanel::TPanel;
  bool busy = false;

protected:
  void WndProc(TMessage& message) override {
    if (message.Msg == SM_SKINCMD && SkinCommandOf(message.WParam) == CMD_ISBGBUSY) {
      message.LParam = message.Result = busy ? 1 : 0;
      return;
    }
    TPanel::WndProc(message);
  }
};

// While the parent is busy the edit validates its paints without drawing and leaves its
// ring alone; the parent's done command ends that and paints ring and client at once.
// Without a held-back paint the done command changes nothing.
TEST_F(EditRingTest, ABusyParentHoldsThePaintUntilItIsDone) {
  auto* panel = new BusyPanel(form);
  panel->SetParent(form);
  panel->SetBounds(0, 0, 320, 140);
  panel->SetColor(form->Color());
  panel->SetBevelOuter(bvNone);
  edit->SetParent(panel);
  other->SetParent(panel);
  Settle();
  HWND window = edit->Handle();
  const auto expected = Expected(0);
  auto blacken = [&] {
    TWindowDC screen = TWindowDC::Of(window);
    RECT all{0, 0, edit->Width(), edit->Height()};
    FillRect(screen.Get(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  };
  auto ringOnScreen = [&] {
    TWindowDC screen = TWindowDC::Of(window);
    return RingDifferences(*expected, [&](int x, int y) { return GetPixel(screen.Get(), x, y); });
  };
  auto clientPixel = [&] {
    TClientDC screen = TClientDC::Of(window);
    return GetPixel(screen.Get(), edit->ClientWidth() - 3, edit->ClientHeight() / 2);
  };
  ASSERT_EQ(ringOnScreen(), 0);

  panel->busy = true;
  blacken();
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
  RECT pending;
  EXPECT_FALSE(GetUpdateRect(window, &pending, FALSE)) << "the paint is validated";
  EXPECT_TRUE(edit->SkinData().UpdatingFlag);
  EXPECT_GT(ringOnScreen(), 0) << "the ring is not painted";
  EXPECT_EQ(clientPixel(), RGB(0, 0, 0)) << "the client is not painted";

  panel->busy = false;
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
  EXPECT_GT(ringOnScreen(), 0) << "still held until the parent is done";
  SendSkinCommand(window, CMD_PARENTDONE, 0);
  EXPECT_FALSE(edit->SkinData().UpdatingFlag);
  EXPECT_EQ(ringOnScreen(), 0);
  EXPECT_NE(clientPixel(), RGB(0, 0, 0));

  blacken();
  SendSkinCommand(window, CMD_PARENTDONE, 0);
  EXPECT_GT(ringOnScreen(), 0) << "nothing was held back";
}

// ---------------------------------------------------------------- the bound label

class BoundLabelTest : public EditFixture {
protected:
  void SetUp() override { Start(PackagedSkin(L"Frost"), L"Frost"); }
};

TEST_F(BoundLabelTest, EachLayoutPlacesTheLabelBesideOrAboveTheEdit) {
  TsBoundLabel& bound = edit->BoundLabel();
  bound.SetCaption(L"Pieces");
  bound.SetActive(true);
  TsEditLabel* label = bound.Label();
  ASSERT_NE(label, nullptr);
  const int lw = label->Width(), lh = label->Height();
  ASSERT_GT(lw, 0);
  struct Case {
    TsCaptionLayout layout;
    int indent;
    TAlignment alignment;
    // Expected left and top from the control's rectangle.
    std::function<POINT(const RECT&)> place;
  };
  const Case cases[] = {
      {sclLeft, 0, taRightJustify, [&](const RECT& c) { return POINT{c.left - 4 - lw, c.top + (21 - lh) / 2 - 1}; }},
      {sclLeft, 7, taRightJustify, [&](const RECT& c) { return POINT{c.left - 11 - lw, c.top + (21 - lh) / 2 - 1}; }},
      {sclTopLeft, 3, taLeftJustify, [&](const RECT& c) { return POINT{c.left, c.top - 3 - lh}; }},
      {sclTopCenter, 0, taCenter, [&](const RECT& c) { return POINT{c.left + (121 - lw) / 2, c.top - lh}; }},
      {sclTopRight, 2, taRightJustify, [&](const RECT& c) { return POINT{c.right - lw, c.top - 2 - lh}; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.layout) * 100 + c.indent);
    bound.SetLayout(c.layout);
    bound.SetIndent(c.indent);
    for (const POINT at : {POINT{90, 60}, POINT{150, 80}}) {  // moving the edit takes the label along
      edit->SetBounds(at.x, at.y, 121, 21);
      const POINT expected = c.place(edit->BoundsRect());
      EXPECT_EQ(label->Left(), expected.x);
      EXPECT_EQ(label->Top(), expected.y);
      EXPECT_EQ(label->Width(), lw);
      EXPECT_EQ(label->Height(), lh);
      EXPECT_EQ(label->Alignment(), c.alignment);
    }
  }
}

TEST_F(BoundLabelTest, MaxWidthWrapsAFixedWidthLabelAtLeastAsTallAsTheEdit) {
  TsBoundLabel& bound = edit->BoundLabel();
  bound.SetLayout(sclTopLeft);
  bound.SetCaption(L"a caption far longer than one hundred pixels of text");
  bound.SetActive(true);
  TsEditLabel* label = bound.Label();
  const int textWidth = label->Width(), textHeight = label->Height();
  ASSERT_GT(textWidth, 100);
  bound.SetMaxWidth(100);
  EXPECT_EQ(label->Width(), 100);
  EXPECT_TRUE(label->WordWrap());
  EXPECT_FALSE(label->AutoSize());
  EXPECT_EQ(label->Height(), std::max(textHeight, edit->Height()));
  EXPECT_EQ(label->Left(), edit->Left());  // placed with the text-sized width
  EXPECT_EQ(label->Top(), edit->Top() - textHeight);
}

TEST_F(BoundLabelTest, TheLabelFollowsTheEditsLifeAndState) {
  TsBoundLabel& bound = edit->BoundLabel();
  EXPECT_FALSE(bound.Active());
  EXPECT_TRUE(bound.UseSkinColor());
  bound.SetUseSkinColor(false);  // no label: no effect
  EXPECT_TRUE(bound.UseSkinColor());

  edit->SetVisible(false);
  bound.SetActive(true);  // an empty caption becomes the edit's name
  TsEditLabel* label = bound.Label();
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->Caption(), L"edit");
  EXPECT_EQ(label->Name(), L"editLabel");
  EXPECT_EQ(label->Owner(), edit);
  EXPECT_EQ(label->Parent(), form);
  EXPECT_EQ(label->FocusControl(), edit);
  EXPECT_FALSE(label->Visible());
  edit->SetVisible(true);
  EXPECT_TRUE(label->Visible());
  EXPECT_EQ(label->Left() + label->Width(), edit->Left() - 4);
  edit->SetEnabled(false);
  EXPECT_FALSE(label->Enabled());
  edit->SetEnabled(true);
  EXPECT_TRUE(label->Enabled());
  bound.SetUseSkinColor(false);
  EXPECT_FALSE(label->UseSkinColor());

  // Freed on its own, the label leaves its bound label inactive; freed with the edit otherwise.
  delete label;
  EXPECT_FALSE(bound.Active());
  bound.SetActive(true);
  FreeWatch watch(bound.Label());
  delete edit;
  edit = nullptr;
  EXPECT_TRUE(watch.Freed());
}

}  // namespace
