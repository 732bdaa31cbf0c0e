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
#include "skin/window/acMnuWnd.h"
#include "skin/window/acPanelWnd.h"
#include "skin/window/acSpinWnd.h"
#include "skin/window/acStaticWnd.h"
#include "skin/window/acToolBarWnd.h"

namespace {

WNDPROC ProcedureOf(HWND w) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(w, GWLP_WNDPROC)); }

// Counts the WM_SETTEXT messages that reach the procedure below a handler.
struct TextProbe {
  static inline WNDPROC previous = nullptr;
  static inline int texts = 0;
  static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SETTEXT) ++texts;
    return CallWindowProcW(previous, w, msg, wp, lp);
  }
  explicit TextProbe(HWND w) {
    texts = 0;
    previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
  }
};

// Counts the WM_PAINT messages that reach a window (put on top of its handler), for as
// long as it lives.
struct PaintProbe {
  static inline WNDPROC previous = nullptr;
  static inline int paints = 0;
  static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) ++paints;
    return CallWindowProcW(previous, w, msg, wp, lp);
  }
  explicit PaintProbe(HWND w) : window(w) {
    paints = 0;
    previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
  }
  ~PaintProbe() { SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous)); }
  HWND window;
};

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
  // The platform keeps drawing the window (link windows): it looks as it did.
  bool ownLook = false;
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
      {"Link", WC_LINK, L"see <a>the link</a>", 0, RECT{220, 215, 380, 235}, MakeOf<TacLinkWnd>("CHECKBOX"),
       [](StandardWindowTest&, HWND, const TSurfaceView&) { return RECT{}; }, false, true},
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
    if (l.c->ownLook) {
      EXPECT_EQ(Differing(shown->View(), l.before->View(), RECT{}, false), 0) << "the platform's look is not kept";
      EXPECT_EQ(l.handler->Caption(), l.c->text);
      continue;
    }
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

  SaveBmp(ClientPixels(host)->View(), L"Z:\\tmp\\handler-form.bmp");

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

// ---------------------------------------------------------------- printing

// WM_PRINT paints the skinned picture into the DC it brings, exactly as the screen shows
// it, and leaves the screen alone.
TEST_F(ClassTableTest, PrintingPaintsTheGivenDCAndNotTheScreen) {
  const COLORREF screenMark = RGB(255, 0, 255), printMark = RGB(0, 255, 0);
  for (const ClassCase& c : Cases()) {
    // The platform draws a link window and the erase step paints a nested dialog: both
    // print the platform's way.
    if (c.ownLook || std::string(c.name) == "NestedDialog") continue;
    SCOPED_TRACE(c.name);
    HWND w = Child(c.className, c.text, c.style, c.bounds);
    Prepare(c, w);
    auto handler = c.make(w);
    const auto shown = ClientPixels(w);
    const RECT client{0, 0, shown->Width(), shown->Height()};
    {
      TClientDC screen = TClientDC::Of(w);
      TBrushHandle mark = NewSolidBrush(screenMark);
      FillRect(screen.Get(), &client, mark.Get());
    }
    TBitmap printed(shown->Width(), shown->Height(), TPixelFormat::pf24bit);
    {
      TBrushHandle mark = NewSolidBrush(printMark);
      FillRect(printed.Canvas().Handle(), &client, mark.Get());
    }
    GdiFlush();
    SendMessageW(w, WM_PRINT, reinterpret_cast<WPARAM>(printed.Canvas().Handle()),
                 PRF_CLIENT | PRF_NONCLIENT | PRF_ERASEBKGND);
    GdiFlush();
    const auto after = ScreenPixels(w);
    int repainted = 0;
    for (int y = 0; y < after->Height(); ++y)
      for (int x = 0; x < after->Width(); ++x) repainted += PixelOf(after->View(), x, y) != 0xFF00FFu;
    EXPECT_EQ(repainted, 0) << "printing painted the screen";
    EXPECT_EQ(Differing(printed.View(), shown->View(), RECT{}, false), 0) << "the print is not the skinned picture";
    handler.reset();
    DestroyWindow(w);
  }
}

// ---------------------------------------------------------------- objects over repeated paints

TEST_F(ClassTableTest, RepeatedPaintsMakeNoObjects) {
  const std::vector<ClassCase> cases = Cases();
  std::vector<std::unique_ptr<TacMainWnd>> handlers;
  std::vector<HWND> windows;
  for (const ClassCase& c : cases) {
    HWND w = Child(c.className, c.text, c.style, c.bounds);
    Prepare(c, w);
    handlers.push_back(c.make(w));
    windows.push_back(w);
  }
  const auto paintAll = [&] {
    for (HWND w : windows) {
      RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
      SendMessageW(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"again"));
      SendMessageW(w, WM_ENABLE, TRUE, 0);
    }
    Application->ProcessMessages();
  };
  paintAll();  // first paints make the caches and the static's font
  const THandleKind kinds[] = {THandleKind::Font, THandleKind::Brush, THandleKind::Pen,
                               THandleKind::Region, THandleKind::Bitmap, THandleKind::DC};
  std::vector<int> before;
  for (THandleKind kind : kinds) before.push_back(LiveHandles(kind));
  for (int round = 0; round < 25; ++round) paintAll();
  for (size_t k = 0; k < std::size(kinds); ++k)
    EXPECT_EQ(LiveHandles(kinds[k]), before[k]) << "handle kind " << static_cast<int>(kinds[k]);
  const int handlers0 = TacMainWnd::LiveCount() - static_cast<int>(handlers.size());
  handlers.clear();
  EXPECT_EQ(TacMainWnd::LiveCount(), handlers0);
}

TEST_F(ClassTableTest, DestroyingEachWindowFirstLeavesItsHandlerInertAndNoRecord) {
  const int records = TWindowSubclass::LiveRecordCount();
  const int handlers = TacMainWnd::LiveCount();
  for (const ClassCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    HWND w = Child(c.className, c.text, c.style, c.bounds);
    Prepare(c, w);
    auto handler = c.make(w);
    ClientPixels(w);
    DestroyWindow(w);
    EXPECT_TRUE(handler->Destroyed());
    EXPECT_EQ(TacMainWnd::HandlerOf(w), nullptr);
    handler.reset();  // touches nothing of the gone window
  }
  Application->ProcessMessages();
  EXPECT_EQ(TWindowSubclass::LiveRecordCount(), records);
  EXPECT_EQ(TacMainWnd::LiveCount(), handlers);
}

// ---------------------------------------------------------------- the handlers' own rules

TEST(HandlerRules, CaptionBandOfAGroupBox) {
  struct Case {
    SIZE caption;
    int width;
    RECT band;
  } const cases[] = {
      {{38, 13}, 100, {6, 0, 52, 15}},  // the band grows with the caption
      {{38, 13}, 40, {6, 0, 39, 15}},   // but ends inside a narrow box
      {{20, 2}, 100, {6, 0, 34, 6}},    // at least 4 pixels of text height
  };
  for (const Case& c : cases) {
    const RECT r = TacGroupBoxWnd::BandRect(c.caption, c.width);
    EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right, r.bottom}),
              (std::vector<LONG>{c.band.left, c.band.top, c.band.right, c.band.bottom}))
        << c.caption.cx << "x" << c.caption.cy << " in " << c.width;
  }
}

TEST(HandlerRules, CheckGlyphByStyleAndState) {
  struct Case {
    LONG style;
    int state;
    const char* glyph;
  } const cases[] = {
      {BS_AUTORADIOBUTTON, 1, "RADIOCHECKED"}, {BS_RADIOBUTTON, 0, "RADIOUNCHECKED"},
      {BS_AUTORADIOBUTTON, 2, "BOXGRAYED"},    {BS_3STATE, 1, "BOXCHECKED"},
      {BS_AUTOCHECKBOX, 0, "BOXUNCHECKED"},    {BS_AUTO3STATE | BS_LEFTTEXT, 2, "BOXGRAYED"},
      {BS_CHECKBOX | BS_MULTILINE, 1, "BOXCHECKED"},
  };
  for (const Case& c : cases)
    EXPECT_STREQ(TacCheckBoxWnd::GlyphName(c.style, c.state), c.glyph) << "style " << c.style << " state " << c.state;
}

TEST(HandlerRules, ToolButtonCaptionSplitsAtTheLastWordThatFits) {
  TBitmap bitmap(10, 10);
  TCanvas& canvas = bitmap.Canvas();
  const int open = canvas.TextWidth(L"Open");
  const int openThe = canvas.TextWidth(L"Open the");
  struct Case {
    const wchar_t* text;
    int width;
    const wchar_t* first;
    const wchar_t* rest;
  } const cases[] = {
      {L"Open the file", openThe + 1, L"Open the", L"file"},
      {L"Open the file", open + 1, L"Open", L"the file"},
      {L"Open", open, L"Open", L""},                    // fits whole
      {L"Openthefile", open, L"Openthefile", L""},      // no word fits: one ellipsised line
  };
  for (const Case& c : cases) {
    String first, rest;
    TacToolBarWnd::SplitCaption(canvas, c.text, c.width, first, rest);
    EXPECT_EQ(first, c.first) << c.width;
    EXPECT_EQ(rest, c.rest) << c.width;
  }
}

TEST_F(StandardWindowTest, UpDownHalvesSizeGripCornerAndCaptionHeight) {
  HWND spin = Child(L"msctls_updown32", L"", 0, RECT{10, 10, 26, 33});
  auto spinHandler = TacMainWnd::Create<TacSpinWnd>(spin, false, std::string("SPEEDBUTTON_SMALL"), nullptr, nullptr);
  spinHandler->UpdateGeometry();
  const RECT up = spinHandler->UpperRect(), down = spinHandler->LowerRect();
  EXPECT_EQ((std::vector<LONG>{up.left, up.top, up.right, up.bottom}), (std::vector<LONG>{0, 0, 16, 12}));
  EXPECT_EQ((std::vector<LONG>{down.left, down.top, down.right, down.bottom}), (std::vector<LONG>{0, 11, 16, 23}));

  HWND grip = Child(L"ScrollBar", L"", SBS_SIZEGRIP | SBS_SIZEBOX, RECT{40, 10, 56, 26});
  auto gripHandler = TacMainWnd::Create<TacSizerWnd>(grip, false, std::string("CHECKBOX"), nullptr, nullptr);
  const LPARAM centre = MAKELPARAM(40 + 40 + 8, 40 + 10 + 8);
  EXPECT_EQ(SendMessageW(grip, WM_NCHITTEST, 0, centre), HTBOTTOMRIGHT);
  EnableWindow(grip, FALSE);
  EXPECT_EQ(SendMessageW(grip, WM_NCHITTEST, 0, centre), HTBOTTOMRIGHT);

  HWND group = Child(L"BUTTON", L"Options", BS_GROUPBOX, RECT{10, 40, 200, 120});
  auto groupHandler = TacMainWnd::Create<TacGroupBoxWnd>(group, false, std::string("GROUPBOX"), nullptr, nullptr);
  groupHandler->UpdateGeometry();
  const RECT band = groupHandler->CaptionBand();
  EXPECT_GT(band.right, 6 + 14);
  EXPECT_EQ(SendMessageW(group, SM_SKINCMD, SkinCommandWParam(CMD_GETCAPTIONHEIGHT), 0), band.bottom - band.top);
}

TEST_F(StandardWindowTest, CheckStateChangesShowTheirGlyphAndTextChangesTheirCaption) {
  HWND box = Child(L"BUTTON", L"Check", BS_AUTOCHECKBOX, RECT{10, 10, 130, 30});
  SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
  auto handler = TacMainWnd::Create<TacCheckBoxWnd>(box, false, std::string("CHECKBOX"), nullptr, nullptr);
  const auto glyphArea = [&](const char* name) {
    auto s = NewSurface(120, 20, 24);
    Render(s->View(), "CHECKBOX", TPoint{10, 10}, TsRect{0, 0, 120, 20}, true);
    const SIZE g = handler->GlyphSize(name);
    Glyph(s->View(), name, TPoint{0, (20 - g.cy) / 2});
    return s;
  };
  const RECT glyph{0, 0, handler->TextRect().left - 2, 20};
  const auto checked = glyphArea("BOXCHECKED"), unchecked = glyphArea("BOXUNCHECKED");
  ASSERT_GT(Differing(checked->View(), unchecked->View(), glyph, true), 5) << "the skin's two glyphs look alike";
  EXPECT_EQ(Differing(ClientPixels(box)->View(), checked->View(), glyph, true), 0);
  SendMessageW(box, BM_SETCHECK, BST_UNCHECKED, 0);  // no invalidation needed: the handler repaints
  EXPECT_EQ(Differing(ClientPixels(box)->View(), unchecked->View(), glyph, true), 0);

  HWND label = Child(L"Static", L"one", SS_LEFT, RECT{10, 40, 110, 60});
  TextProbe below(label);
  auto text = TacMainWnd::Create<TacStaticWnd>(label, false, std::string("CHECKBOX"), nullptr, nullptr);
  const auto first = ClientPixels(label);
  SetWindowTextW(label, L"another text");
  EXPECT_EQ(text->Caption(), L"another text");
  EXPECT_EQ(TextProbe::texts, 1);
  EXPECT_EQ(WindowTextOf(label), L"another text");
  EXPECT_GT(Differing(ClientPixels(label)->View(), first->View(), RECT{}, false), 10) << "the new text is not shown";

  // A hidden window stays hidden through the changes that repaint a shown one.
  ShowWindow(label, SW_HIDE);
  SetWindowTextW(label, L"hidden");
  SendMessageW(label, WM_ENABLE, TRUE, 0);
  SendMessageW(label, WM_CANCELMODE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(label));
  EXPECT_EQ(text->Caption(), L"hidden");
}

TEST_F(StandardWindowTest, StaticOfTheAnimationSizeKeepsThePlatformsPaintingInside) {
  // A rectangle static fills itself all over: inside the kept area its own look stays.
  HWND w = Child(L"Static", L"", SS_BLACKRECT, RECT{10, 10, 162, 59});
  const auto own = ClientPixels(w);
  auto handler = TacMainWnd::Create<TacStaticWnd>(w, false, std::string("CHECKBOX"), nullptr, nullptr);
  const auto shown = ClientPixels(w);
  auto expected = NewSurface(152, 49, 24);
  Render(expected->View(), "CHECKBOX", TPoint{10, 10}, TsRect{0, 0, 152, 49}, false);
  const RECT kept{30, 6, 120, 41};
  ASSERT_GT(Differing(own->View(), expected->View(), kept, true), 1000) << "the static looks like the skin already";
  EXPECT_EQ(Differing(shown->View(), own->View(), kept, true), 0);
  EXPECT_EQ(Differing(shown->View(), expected->View(), kept, false), 0);
}

TEST_F(StandardWindowTest, UpDownButtonUnderThePointerLightsUpAndShowsItsPress) {
  HWND spin = Child(L"msctls_updown32", L"", 0, RECT{10, 10, 26, 33});
  auto handler = TacMainWnd::Create<TacSpinWnd>(spin, false, std::string("SPEEDBUTTON_SMALL"), nullptr, nullptr);
  const auto upperAs = [&](int state) {
    auto s = NewSurface(16, 23, 24);
    Render(s->View(), "SPEEDBUTTON_SMALL", TPoint{10, 10}, TsRect{0, 0, 16, 12}, true, state);
    return s;
  };
  // Row 11 belongs to the lower button, painted after the upper one.
  const RECT upper{0, 0, 16, 11}, ring{2, 2, 14, 9};  // the glyph lies inside the ring
  const auto upperDiffers = [&](const TSurfaceView& shown, int state) {
    const auto expected = upperAs(state);
    int n = 0;
    for (int y = upper.top; y < upper.bottom; ++y)
      for (int x = upper.left; x < upper.right; ++x)
        if (!PtInRect(&ring, POINT{x, y})) n += PixelOf(shown, x, y) != PixelOf(expected->View(), x, y);
    return n;
  };
  ASSERT_GT(upperDiffers(upperAs(1)->View(), 0), 0) << "the skin's hot and normal buttons look alike";
  EXPECT_EQ(upperDiffers(ClientPixels(spin)->View(), 0), 0);

  // The pointer's new place reaches the thread with its input: move until the handler sees it.
  const auto pointTo = [&](int x, int y, int upState) {
    SetCursorPos(x, y);
    return WaitUntil([&] {
      Application->ProcessMessages();
      SendMessageW(spin, WM_MOUSEMOVE, 0, MAKELPARAM(x - 50, y - 50));
      return handler->UpState == upState;
    });
  };
  ASSERT_TRUE(pointTo(40 + 10 + 8, 40 + 10 + 3, 1));
  EXPECT_EQ(handler->DownState, 0);
  EXPECT_EQ(upperDiffers(ClientPixels(spin)->View(), 1), 0) << "hot";
  {
    // Moves that change no button's look repaint nothing.
    PaintProbe above(spin);
    for (int i = 0; i < 20; ++i) SendMessageW(spin, WM_MOUSEMOVE, 0, MAKELPARAM(8, 3));
    EXPECT_EQ(PaintProbe::paints, 0) << "repaints while the pointer rests on the hot button";
  }

  SendMessageW(spin, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(8, 3));
  EXPECT_EQ(handler->UpState, 2);
  EXPECT_EQ(upperDiffers(ClientPixels(spin)->View(), 2), 0) << "pressed";
  SendMessageW(spin, WM_LBUTTONUP, 0, MAKELPARAM(8, 3));
  EXPECT_EQ(handler->UpState, 1);

  // A late pointer event from the old place may light the button once more: the look
  // must settle to normal while the pointer stays away.
  EXPECT_TRUE(WaitUntil([&] {
    if (!pointTo(300, 300, 0)) return false;
    ClientPixels(spin);
    return handler->UpState == 0 && DefaultManager()->HotWindow() != spin;
  })) << "up state " << handler->UpState;
}

TEST_F(StandardWindowTest, ToolButtonsShowTheirStateImageAndText) {
  HWND bar = Child(TOOLBARCLASSNAMEW, L"", CCS_NORESIZE | CCS_NODIVIDER | CCS_NOPARENTALIGN | TBSTYLE_FLAT,
                   RECT{10, 10, 310, 60});
  SendMessageW(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR24, 1, 0);
  {
    TBitmap red(16, 16);
    FillRectColor(red.View(), TsRect{0, 0, 16, 16}, MakeColor(255, 0, 0));
    TBitmapHandle copy = NewBitmap(16, 16, 1, 32, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, copy.Get());
    BitBlt(dc, 0, 0, 16, 16, red.Canvas().Handle(), 0, 0, SRCCOPY);
    SelectObject(dc, old);
    DeleteDC(dc);
    ImageList_Add(images, copy.Get(), nullptr);
  }
  SendMessageW(bar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
  const BYTE enabled = TBSTATE_ENABLED;
  TBBUTTON buttons[3] = {};
  const wchar_t* texts[3] = {L"Open", L"Off", L"Down"};
  const BYTE states[3] = {enabled, 0, static_cast<BYTE>(enabled | TBSTATE_PRESSED)};
  for (int i = 0; i < 3; ++i) {
    buttons[i].iBitmap = i == 0 ? 0 : I_IMAGENONE;  // the list's first image is image 0
    buttons[i].idCommand = 100 + i;
    buttons[i].fsState = states[i];
    buttons[i].fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
    buttons[i].iString = reinterpret_cast<INT_PTR>(texts[i]);
  }
  SendMessageW(bar, TB_ADDBUTTONSW, 3, reinterpret_cast<LPARAM>(buttons));
  auto handler = TacMainWnd::Create<TacToolBarWnd>(bar, false, std::string("BAR"), nullptr, nullptr);

  auto background = NewSurface(300, 50, 24);
  Render(background->View(), "BAR", TPoint{10, 10}, TsRect{0, 0, 300, 50}, false);
  const int section = manager->SectionIndex("TOOLBUTTON");
  // The ring of two pixels around button i as the painting core renders it in `state`,
  // blended into the bar for a disabled button, against the screen.
  const auto ringDiffers = [&](const TSurfaceView& shown, int i, int state, bool disabled) {
    RECT b{};
    SendMessageW(bar, TB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&b));
    const int w = b.right - b.left, h = b.bottom - b.top;
    auto button = NewSurface(w, h, 24);
    PaintSection(section, "TOOLBUTTON", BgInfo{background->View(), 0, 0, true}, -1, -1, &manager->Tables(),
                 button->View(), TPoint{b.left, b.top}, TsRect{0, 0, w, h}, state, true);
    if (disabled)
      BlendKeyedRect(button->View(), 0, 0, static_cast<TColor>(0xFF000000u), 0.4,
                     TsRect{b.left, b.top, b.right - 1, b.bottom - 1}, background->View());
    int n = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (x < 2 || y < 2 || x >= w - 2 || y >= h - 2)
          n += PixelOf(shown, b.left + x, b.top + y) != PixelOf(button->View(), x, y);
    return n;
  };
  auto shown = ClientPixels(bar);
  SaveBmp(shown->View(), L"Z:\\tmp\\handler-ToolButtons.bmp");
  EXPECT_EQ(ringDiffers(shown->View(), 0, 0, false), 0) << "normal";
  EXPECT_EQ(ringDiffers(shown->View(), 1, 0, true), 0) << "disabled";
  EXPECT_EQ(ringDiffers(shown->View(), 2, 2, false), 0) << "pressed";
  ASSERT_GT(ringDiffers(shown->View(), 2, 0, false), 0) << "the skin's pressed and normal buttons look alike";
  RECT first{};
  SendMessageW(bar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
  int red = 0;
  for (int y = first.top; y < first.bottom; ++y)
    for (int x = first.left; x < first.right; ++x) red += PixelOf(shown->View(), x, y) == 0xFF0000;
  EXPECT_EQ(red, 16 * 16) << "the first image of the list is not drawn";

  // Hot under the pointer.
  SetCursorPos(40 + 10 + (first.left + first.right) / 2, 40 + 10 + (first.top + first.bottom) / 2);
  shown = ClientPixels(bar);
  EXPECT_EQ(ringDiffers(shown->View(), 0, 1, false), 0) << "hot";
  ASSERT_GT(ringDiffers(shown->View(), 0, 0, false), 0) << "the skin's hot and normal buttons look alike";
  handler.reset();
  DestroyWindow(bar);
  ImageList_Destroy(images);
}

// ---------------------------------------------------------------- a framework panel

TEST_F(StandardWindowTest, FrameworkPanelShowsItsSectionAndCaption) {
  auto* form = new TForm(Application);
  form->SetClientSize(240, 140);
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  panel->SetBounds(20, 30, 160, 60);
  panel->SetCaption(L"Panel");
  form->Show();
  Application->ProcessMessages();
  const HWND w = panel->Handle();
  const WNDPROC own = ProcedureOf(w);
  const auto before = ClientPixels(w);
  auto binding = std::make_unique<TsCommonData>(panel, true);
  auto handler = TacMainWnd::Create<TacPanelWnd>(w, false, std::string("PANEL"), nullptr, binding.get());
  EXPECT_TRUE(handler->InChain());
  EXPECT_EQ(binding->SectionIndex, manager->SectionIndex("PANEL"));
  EXPECT_EQ(SendMessageW(w, SM_SKINCMD, SkinCommandWParam(CMD_ISSKINNED), 0), 1);

  const auto shown = ClientPixels(w);
  auto expected = NewSurface(160, 60, 24);
  TPaintItemSource item = Source("PANEL");
  item.ParentColor = static_cast<TColor>(ColorToRGB(form->Color()));
  PaintItem(item, BgInfo{}, false, false, expected->View(), TPoint{20, 30}, TsRect{0, 0, 160, 60}, 0);
  // The corners show the form through the section's rounded border.
  const COLORREF face = static_cast<COLORREF>(ColorToRGB(form->Color()));
  const uint32_t formColor = GetRValue(face) << 16 | GetGValue(face) << 8 | GetBValue(face);
  for (const POINT corner : {POINT{0, 0}, POINT{159, 0}, POINT{0, 59}, POINT{159, 59}}) {
    EXPECT_EQ(PixelOf(shown->View(), corner.x, corner.y), formColor) << corner.x << "," << corner.y;
    PutRGB(expected->View().Pixel(corner.x, corner.y), static_cast<TColor>(face));
  }
  const RECT caption{50, 15, 110, 45};
  EXPECT_EQ(Differing(shown->View(), expected->View(), caption, false), 0);
  EXPECT_GT(Differing(shown->View(), expected->View(), caption, true), 5) << "the caption is gone";
  SaveBmp(shown->View(), L"Z:\\tmp\\handler-Panel.bmp");

  manager->RemoveSkin();
  handler.reset();
  EXPECT_EQ(ProcedureOf(w), own);
  EXPECT_EQ(GetPropW(w, L"ACSBSC"), nullptr);
  EXPECT_EQ(Differing(ClientPixels(w)->View(), before->View(), RECT{}, false), 0);
  binding.reset();
  delete form;
}

// ---------------------------------------------------------------- menu windows

class MenuWindowTest : public StandardWindowTest {
protected:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
      auto* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam);
      const LPCWSTR cls = create->lpcs->lpszClass;
      const bool menu = IS_INTRESOURCE(cls) ? reinterpret_cast<ULONG_PTR>(cls) == 32768
                                            : std::wstring(cls) == L"#32768";
      if (menu) created = reinterpret_cast<HWND>(wParam);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static inline HWND created = nullptr;
  static inline std::function<void()> whileOpen;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
    if (!created || !IsWindowVisible(created)) return;
    KillTimer(nullptr, id);
    if (whileOpen) whileOpen();
    EndMenu();
  }
};

TEST_F(MenuWindowTest, OneHandlerPerMenuWindowPaintsItsBackgroundAndFreesItselfAfterTheWindow) {
  const int handlers = TacMainWnd::LiveCount();
  const int records = TWindowSubclass::LiveRecordCount();
  created = nullptr;
  THookHandle hook = SetHook(WH_CBT, &Hook, nullptr, GetCurrentThreadId());
  ASSERT_TRUE(hook);
  TMenuHandle menu = NewPopupMenu();
  AppendMenuW(menu.Get(), MF_STRING, 1, L"First");
  AppendMenuW(menu.Get(), MF_STRING, 2, L"Second");

  bool ran = false;
  whileOpen = [&] {
    ran = true;
    HWND w = created;
    // The thread hook, when installed, gave the window its handler at creation.
    auto* handler = dynamic_cast<TacMnuWnd*>(TacMainWnd::HandlerOf(w));
    if (!handler) handler = TacMnuWnd::AttachTo(w, manager.get());
    ASSERT_NE(handler, nullptr);
    EXPECT_EQ(TacMnuWnd::AttachTo(w, manager.get()), nullptr) << "a second subclass of ours";
    EXPECT_EQ(TacMnuWnd::HandlerList(), std::vector<TacMnuWnd*>{handler});
    EXPECT_EQ(TacMainWnd::HandlerOf(w), handler);
    EXPECT_EQ(SendMessageW(w, SM_SKINCMD, SkinCommandWParam(CMD_ISSKINNED), 0), 1);
    SendMessageW(w, SM_SKINCMD, SkinCommandWParam(CMD_DRAWMENUBORDER), 0);
    EXPECT_TRUE(handler->BorderFlag);

    // Once a skinned item was drawn, erasing paints the section picture.
    MenuPaintState().ItemDrawn = true;
    RECT r{};
    GetWindowRect(w, &r);
    POINT origin{0, 0};
    ClientToScreen(w, &origin);
    RECT client{};
    GetClientRect(w, &client);
    TBitmap shown(client.right, client.bottom);
    EXPECT_EQ(SendMessageW(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(shown.Canvas().Handle()), 0), 1);
    GdiFlush();
    EXPECT_FALSE(handler->BorderFlag);
    auto expected = NewSurface(r.right - r.left, r.bottom - r.top, 24);
    TPaintItemSource item = Source("MAINMENU");
    item.HasParent = false;
    PaintItem(item, BgInfo{}, true, false, expected->View(), TPoint{r.left, r.top},
              TsRect{0, 0, expected->Width(), expected->Height()}, 0);
    int differing = 0;
    const int ox = origin.x - r.left, oy = origin.y - r.top;
    // The corners may be repaired from the (missing) parent: compare inside them.
    for (int y = 4; y < client.bottom - 4; ++y)
      for (int x = 4; x < client.right - 4; ++x)
        differing += PixelOf(shown.View(), x, y) != PixelOf(expected->View(), x + ox, y + oy);
    EXPECT_EQ(differing, 0);
    MenuPaintState().ItemDrawn = false;
  };
  SetTimer(nullptr, 0, 20, &Tick);
  SetForegroundWindow(host);
  TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_NONOTIFY, 60, 60, 0, host, nullptr);
  whileOpen = nullptr;
  Application->ProcessMessages();
  EXPECT_TRUE(ran) << "the menu never showed";
  EXPECT_FALSE(IsWindow(created) && IsWindowVisible(created));
  EXPECT_TRUE(TacMnuWnd::HandlerList().empty());
  EXPECT_EQ(TacMainWnd::LiveCount(), handlers);
  EXPECT_EQ(TWindowSubclass::LiveRecordCount(), records);
}

}  // namespace
