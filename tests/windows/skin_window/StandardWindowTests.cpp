// The painting handlers of standard windows on real windows with the built-in skin: one
// window of each class on a form, each subclassed by its handler, shows what the painting
// core renders for its section (content such as text left aside) and gives the window its
// own procedure and look back when the skin goes; repeated paints make no objects; and
// the handlers' own rules (check glyphs, caption band, up-down halves, size grip,
// tool-button captions, the platform's area in a static window).
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "HandlerFixture.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Handles.h"
#include "skin/core/sSkinCommands.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"
#include "skin/paint/Pixels.h"
#include "skin/window/acCheckBoxWnd.h"
#include "skin/window/acGroupBoxWnd.h"
#include "skin/window/acPanelWnd.h"
#include "skin/window/acSpinWnd.h"
#include "skin/window/acStaticWnd.h"
#include "skin/window/acToolBarWnd.h"

namespace {

WNDPROC ProcedureOf(HWND w) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(w, GWLP_WNDPROC)); }

using Make = std::function<std::unique_ptr<TacMainWnd>(HWND)>;

template <class T>
Make MakeOf(const char* section) {
  return [section](HWND w) -> std::unique_ptr<TacMainWnd> {
    return TacMainWnd::Create<T>(w, false, std::string(section), nullptr, nullptr);
  };
}

class StandardWindowTest : public HandlerTest {
protected:
  void SetUp() override {
    HandlerTest::SetUp();
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_LINK_CLASS};
    InitCommonControlsEx(&icc);
    SetCursorPos(1000, 740);  // nowhere near the windows: no hot look
  }

  TPaintItemSource Source(const char* section) const {
    const int index = manager->SectionIndex(section);
    TPaintItemSource item;
    item.Skin = &manager->Tables();
    item.SkinIndex = index;
    item.SkinSection = section;
    item.BorderIndex = manager->MaskIndex(index, section, "BORDERSMASK");
    item.Texture = manager->TextureIndex(index, section, "PATTERN");
    item.HotTexture = manager->TextureIndex(index, section, "HOTPATTERN");
    item.HasParent = true;
    return item;
  }
  // `section` as the painting core renders it into `rect` of `surface`, for a window at
  // `offset` of a parent without a picture.
  void Render(const TSurfaceView& surface, const char* section, TPoint offset, TsRect rect, bool fillCentre,
              int state = 0) const {
    PaintItem(Source(section), BgInfo{}, fillCentre, false, surface, offset, rect, state);
  }
  void Glyph(const TSurfaceView& surface, const char* name, TPoint at, int state = 0) const {
    const int index = manager->MaskIndex(manager->StandardIndexes().GlobalSection, "GLOBALINFO", name);
    PaintGlyphMask(surface, at, state, MaskRef(manager->Tables(), index), true);
  }
  TPoint At(HWND w) const {
    RECT r{}, h{};
    GetWindowRect(w, &r);
    GetWindowRect(host, &h);
    return TPoint{r.left - h.left, r.top - h.top};
  }
};

// ---------------------------------------------------------------- one window of each class

struct ClassCase {
  const char* name;
  const wchar_t* className;
  const wchar_t* text;
  DWORD style;
  RECT bounds;
  Make make;
  // Paints the expected picture and returns the part left aside (content the handler
  // draws over the section: text, icons); an empty part when everything is compared.
  std::function<RECT(StandardWindowTest&, HWND, const TSurfaceView&)> expect;
  // The handler draws something of its own inside the part left aside.
  bool contentInside;
};

class ClassTableTest : public StandardWindowTest {
public:
  // The parts of the test fixture the table's renderers use.
  using StandardWindowTest::At;
  using StandardWindowTest::Glyph;
  using StandardWindowTest::manager;
  using StandardWindowTest::Render;
};

RECT Whole(const char* section, bool fillCentre, ClassTableTest& t, HWND w, const TSurfaceView& s) {
  t.Render(s, section, t.At(w), TsRect{0, 0, s.width, s.height}, fillCentre);
  return RECT{};
}

std::vector<ClassCase> Cases() {
  return {
      {"Static", L"Static", L"Hi", SS_LEFT, RECT{10, 10, 110, 40}, MakeOf<TacStaticWnd>("CHECKBOX"),
       [](StandardWindowTest& t, HWND w, const TSurfaceView& s) {
         Whole("CHECKBOX", false, static_cast<ClassTableTest&>(t), w, s);
         return RECT{0, 0, 40, 20};
       },
       true},
      {"Icon", L"Static", L"", SS_ICON | SS_CENTERIMAGE, RECT{120, 10, 168, 50}, MakeOf<TacIconWnd>("CHECKBOX"),
       [](StandardWindowTest& t, HWND w, const TSurfaceView& s) {
         Whole("CHECKBOX", false, static_cast<ClassTableTest&>(t), w, s);
         return RECT{0, 0, 32, 32};
       },
       true},
      {"CheckBox", L"BUTTON", L"Check", BS_AUTOCHECKBOX, RECT{10, 50, 130, 70}, MakeOf<TacCheckBoxWnd>("CHECKBOX"),
       [](StandardWindowTest& t, HWND w, const TSurfaceView& s) {
         auto& c = static_cast<ClassTableTest&>(t);
         c.Render(s, "CHECKBOX", c.At(w), TsRect{0, 0, s.width, s.height}, true);
         auto* h = static_cast<TacCheckBoxWnd*>(TacMainWnd::HandlerOf(w));
         const SIZE g = h->GlyphSize("BOXCHECKED");
         c.Glyph(s, "BOXCHECKED", TPoint{0, (s.height - g.cy) / 2});
         return h->TextRect();
       },
       true},
      {"Radio", L"BUTTON", L"Radio", BS_AUTORADIOBUTTON, RECT{10, 75, 130, 95}, MakeOf<TacCheckBoxWnd>("CHECKBOX"),
       [](StandardWindowTest& t, HWND w, const TSurfaceView& s) {
         auto& c = static_cast<ClassTableTest&>(t);
         c.Render(s, "CHECKBOX", c.At(w), TsRect{0, 0, s.width, s.height}, true);
         auto* h = static_cast<TacCheckBoxWnd*>(TacMainWnd::HandlerOf(w));
         const SIZE g = h->GlyphSize("RADIOCHECKED");
         c.Glyph(s, "RADIOCHECKED", TPoint{0, (s.height - g.cy) / 2});
         return h->TextRect();
       },
       true},
      {"GroupBox", L"BUTTON", L"Group", BS_GROUPBOX, RECT{140, 60, 290, 140}, MakeOf<TacGroupBoxWnd>("GROUPBOX"),
       [](StandardWindowTest& t, HWND w, const TSurfaceView& s) {
         auto& c = static_cast<ClassTableTest&>(t);
         auto* h = static_cast<TacGroupBoxWnd*>(TacMainWnd::HandlerOf(w));
         const RECT band = h->CaptionBand();
         const int half = (band.bottom - band.top) / 2;
         const TPoint at = c.At(w);
         c.Render(s, "GROUPBOX", TPoint{at.x, at.y + half}, TsRect{0, half, s.width, s.height}, false);
         return RECT{0, 0, s.width, band.bottom};
       },
       true},
      {"SizeGrip", L"ScrollBar", L"", SBS_SIZEGRIP | SBS_SIZEBOX, RECT{300, 10, 316, 26},
       MakeOf<TacSizerWnd>("CHECKBOX"),
       [](StandardWindowTest& t, HWND w, const TSurfaceView& s) {
         return Whole("CHECKBOX", false, static_cast<ClassTableTest&>(t), w, s);
       },
       false},
      {"UpDown", L"msctls_updown32", L"", 0, RECT{330, 10, 346, 33}, MakeOf<TacSpinWnd>("SPEEDBUTTON_SMALL"),
       [](StandardWindowTest& t, HWND w, const TSurfaceView& s) {
         auto& c = static_cast<ClassTableTest&>(t);
         const TPoint at = c.At(w);
         const auto& standard = c.manager->StandardIndexes();
         const RECT halves[2] = {RECT{0, 0, s.width, (s.height + 1) / 2}, RECT{0, s.height / 2, s.width, s.height}};
         for (int i = 0; i < 2; ++i) {
           const RECT& r = halves[i];
           c.Render(s, "SPEEDBUTTON_SMALL", TPoint{at.x + r.left, at.y + r.top},
                    TsRect{r.left, r.top, r.right, r.bottom}, true);
           const TMaskRef glyph = MaskRef(c.manager->Tables(), standard.ScrollButtonGlyphs[i]);
           PaintGlyphMask(s,
                          TPoint{r.left + (r.right - r.left - glyph.FrameWidth()) / 2,
                                 r.top + (r.bottom - r.top - glyph.FrameHeight()) / 2},
                          0, glyph, true);
         }
         return RECT{};
       },
       false},
      {"ToolBar", TOOLBARCLASSNAMEW, L"", CCS_NORESIZE | CCS_NODIVIDER | CCS_NOPARENTALIGN | TBSTYLE_FLAT,
       RECT{10, 150, 210, 190}, MakeOf<TacToolBarWnd>("BAR"),
       [](StandardWindowTest& t, HWND w, const TSurfaceView& s) {
         auto& c = static_cast<ClassTableTest&>(t);
         c.Render(s, "BAR", c.At(w), TsRect{0, 0, s.width, s.height}, false);
         RECT b{};
         SendMessageW(w, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&b));
         auto button = NewSurface(b.right - b.left, b.bottom - b.top, 24);
         const int index = c.manager->SectionIndex("TOOLBUTTON");
         PaintSection(index, "TOOLBUTTON", BgInfo{s, 0, 0, true}, -1, -1, &c.manager->Tables(), button->View(),
                      TPoint{b.left, b.top}, TsRect{0, 0, button->Width(), button->Height()}, 0, true);
         for (int y = 0; y < button->Height(); ++y)
           for (int x = 0; x < button->Width(); ++x)
             PutRGB(s.Pixel(b.left + x, b.top + y), GetRGB(button->View().Pixel(x, y)));
         return RECT{b.left + 4, b.top + 3, b.right - 4, b.bottom - 3};  // the caption
       },
       true},
      {"NestedDialog", L"#32770", L"", WS_CHILD, RECT{220, 150, 320, 210}, MakeOf<TacTransPanelWnd>("CHECKBOX"),
       [](StandardWindowTest& t, HWND w, const TSurfaceView& s) {
         return Whole("CHECKBOX", false, static_cast<ClassTableTest&>(t), w, s);
       },
       false},
  };
}

void Prepare(const ClassCase& c, HWND w) {
  const std::string name = c.name;
  if (name == "Icon") SendMessageW(w, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_APPLICATION)), 0);
  if (name == "CheckBox" || name == "Radio") SendMessageW(w, BM_SETCHECK, BST_CHECKED, 0);
  if (name == "ToolBar") {
    SendMessageW(w, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    TBBUTTON button{};
    button.iBitmap = I_IMAGENONE;
    button.idCommand = 1;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
    button.iString = reinterpret_cast<INT_PTR>(L"Go");
    SendMessageW(w, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
  }
}

int Differing(const TSurfaceView& a, const TSurfaceView& b, const RECT& inside, bool in) {
  int n = 0;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x)
      if ((PtInRect(&inside, POINT{x, y}) != 0) == in) n += PixelOf(a, x, y) != PixelOf(b, x, y);
  return n;
}

TEST_F(ClassTableTest, EachClassShowsItsSectionAndGetsItsOwnLookBackWhenTheSkinGoes) {
  struct Live {
    const ClassCase* c;
    HWND window;
    WNDPROC own;
    std::unique_ptr<TBitmap> before;
    std::unique_ptr<TacMainWnd> handler;
  };
  // A group box leaves its inside and the edges of its caption to the parent: the parent
  // paints under its children, as dialogs do.
  SetWindowLongPtrW(host, GWL_STYLE, GetWindowLongPtrW(host, GWL_STYLE) & ~WS_CLIPCHILDREN);
  const auto shot = [&](HWND w) {
    Settle(host);
    return ClientPixels(w);
  };
  const std::vector<ClassCase> cases = Cases();
  std::vector<Live> live;
  for (const ClassCase& c : cases) {
    HWND w = Child(c.className, c.text, c.style, c.bounds);
    ASSERT_NE(w, nullptr) << c.name;
    Prepare(c, w);
    live.push_back(Live{&c, w, ProcedureOf(w), nullptr, nullptr});
  }
  for (Live& l : live) l.before = shot(l.window);
  for (Live& l : live) {
    l.handler = l.c->make(l.window);
    EXPECT_EQ(TacMainWnd::HandlerOf(l.window), l.handler.get()) << l.c->name;
    EXPECT_NE(GetPropW(l.window, L"ACSBSC"), nullptr) << l.c->name;
  }
  for (Live& l : live) {
    SCOPED_TRACE(l.c->name);
    const auto shown = ClientPixels(l.window);
    auto expected = NewSurface(shown->Width(), shown->Height(), 24);
    const RECT content = l.c->expect(*this, l.window, expected->View());
    EXPECT_EQ(Differing(shown->View(), expected->View(), content, false), 0)
        << "pixels outside the content that differ from the section's render";
    if (l.c->contentInside) {
      EXPECT_GT(Differing(shown->View(), expected->View(), content, true), 3) << "no content drawn";
    }
    EXPECT_GT(Differing(shown->View(), l.before->View(), RECT{}, false), shown->Width() * shown->Height() / 8)
        << "the platform's look is still on the screen";
    SaveBmp(shown->View(), L"Z:\\tmp\\handler-" + std::wstring(l.c->name, l.c->name + strlen(l.c->name)) + L".bmp");
  }

  manager->RemoveSkin();
  for (Live& l : live) {
    SCOPED_TRACE(l.c->name);
    l.handler.reset();
    EXPECT_EQ(ProcedureOf(l.window), l.own);
    EXPECT_EQ(GetPropW(l.window, L"ACSBSC"), nullptr);
    const auto after = shot(l.window);
    EXPECT_EQ(Differing(after->View(), l.before->View(), RECT{}, false), 0) << "the platform's own look is not back";
  }
}

}  // namespace
