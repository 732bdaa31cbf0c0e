// The caption painters and text helpers with plain parameters: which passes a caption is
// drawn in (recorded exactly through a metafile), what they leave on a DIB (ink counts),
// and cutting a text to a width.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TextProbes.h"
#include "framework/Handles.h"
#include "skin/paint/gdi/sTextPainting.h"

namespace {

constexpr UINT kFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
constexpr RECT kRect{10, 10, 170, 60};
const String kCaption = L"Caption";

constexpr TColor kText = 0x102030, kLeft = 0x0000A0, kTop = 0x00A000, kRight = 0xA00000, kBottom = 0x00A0A0;
constexpr TColor kHotText = 0x405060, kHotContour = 0x600060;
constexpr TColor kOwn = 0x336699;  // the control's font colour
constexpr TsFontColors kAllFour = {kText, kLeft, kTop, kRight, kBottom};
constexpr TsFontColors kTextOnly = {kText, -1, -1, -1, -1};

TsGeneralData Section(const std::string& name, TsFontColors normal, TsFontColors hot = kTextOnly,
                      TColor color = clWhite) {
  TsGeneralData section;
  section.ClassName = name;
  section.FontColor = normal;
  section.HotFontColor = hot;
  section.Color = color;
  return section;
}

// A control's font: a face and size of its own, so that the recording shows whose it is.
void MakeControlFont(TFont& font, TColor color = kOwn) {
  font.SetName(L"Tahoma");
  font.SetHeight(-17);
  font.SetColor(color);
}

// One expected text pass, its origin relative to the last pass (the text itself).
struct Pass {
  COLORREF color;
  int dx, dy;
  bool clipped;
};

void ExpectPasses(const TextRecording& recording, const std::vector<Pass>& expected, const std::string& what) {
  SCOPED_TRACE(what);
  ASSERT_EQ(recording.passes.size(), expected.size());
  const POINT text = recording.passes.back().origin;
  for (size_t i = 0; i < expected.size(); ++i) {
    const TextPass& got = recording.passes[i];
    SCOPED_TRACE("pass " + std::to_string(i));
    EXPECT_EQ(got.color, expected[i].color);
    EXPECT_EQ(got.origin.x - text.x, expected[i].dx);
    EXPECT_EQ(got.origin.y - text.y, expected[i].dy);
    EXPECT_EQ(got.clipped, expected[i].clipped);
    EXPECT_EQ(got.text, kCaption);
  }
}

TEST(SkinText, CaptionPassesComeInOrderWithTheirColoursOffsetsAndClipping) {
  struct Case {
    const char* what;
    TsGeneralData section;
    int index;
    bool enabled, hot, customFont;
    std::vector<Pass> passes;
  };
  // Passes are {colour, dx, dy, clipped}, offsets from the last pass (the text itself).
  const std::vector<Case> cases = {
      {"text only", Section("BUTTON", kTextOnly), 0, true, false, false,  //
       {{kText, 0, 0, false}}},
      {"four contours, then the text on top", Section("BUTTON", kAllFour), 0, true, false, false,
       {{kLeft, -1, 0, true}, {kTop, 0, -1, true}, {kRight, 1, 0, true}, {kBottom, 0, 1, true}, {kText, 0, 0, false}}},
      {"top and bottom only", Section("BUTTON", {kText, -1, kTop, -1, kBottom}), 0, true, false, false,
       {{kTop, 0, -1, true}, {kBottom, 0, 1, true}, {kText, 0, 0, false}}},
      {"hot colours", Section("BUTTON", kAllFour, {kHotText, kHotContour, -1, -1, -1}), 0, true, true, false,
       {{kHotContour, -1, 0, true}, {kHotText, 0, 0, false}}},
      {"custom font: the control's colour, no contours", Section("BUTTON", kAllFour), 0, true, false, true,
       {{kOwn, 0, 0, false}}},
      {"no section: the control's colour", Section("BUTTON", kAllFour), -1, true, false, false,  //
       {{kOwn, 0, 0, false}}},
      // 0.4 * (0 - 255) + 255 = 153 per channel; no contours.
      {"disabled: black on white", Section("BUTTON", {clBlack, kLeft, kTop, kRight, kBottom}), 0, false, false, false,
       {{0x999999, 0, 0, true}}},
      // 100 + 0.4 * (200 - 100) = 140 in red.
      {"disabled: red 200 on red 100",
       Section("BUTTON", {MakeColor(200, 0, 0), -1, -1, -1, -1}, kTextOnly, MakeColor(100, 0, 0)), 0, false, false,
       false, {{MakeColor(140, 0, 0), 0, 0, true}}},
      {"disabled without section", Section("BUTTON", kAllFour), -1, false, false, false,  //
       {{kOwn, 0, 0, true}}},
  };
  for (const Case& c : cases) {
    TsSkinTables tables;
    tables.SectionTable.push_back(c.section);
    TFont font;
    MakeControlFont(font);
    const TsTextSkin skin{&tables, c.index, "BUTTON", c.customFont, &font};
    const TextRecording recording = RecordText(
        [&](TCanvas& canvas) { DrawSkinText(canvas, kCaption, c.enabled, c.hot, skin, kFormat, kRect); });
    ExpectPasses(recording, c.passes, c.what);
    for (const TextPass& pass : recording.passes) {
      EXPECT_EQ(pass.font.lfHeight, -17) << c.what;
      EXPECT_STREQ(pass.font.lfFaceName, L"Tahoma") << c.what;
    }
  }
}

TEST(SkinText, AHotWebButtonCaptionIsUnderlined) {
  struct Case {
    const char* section;
    bool hot;
    bool underlined;
  };
  for (const Case& c : {Case{"WEBBUTTON", true, true}, Case{"WEBBUTTON", false, false}, Case{"BUTTON", true, false}}) {
    TsSkinTables tables;
    tables.SectionTable.push_back(Section(c.section, kTextOnly));
    TFont font;
    MakeControlFont(font);
    const TsTextSkin skin{&tables, 0, c.section, false, &font};
    const TextRecording recording =
        RecordText([&](TCanvas& canvas) { DrawSkinText(canvas, kCaption, true, c.hot, skin, kFormat, kRect); });
    ASSERT_EQ(recording.passes.size(), 1u);
    EXPECT_EQ(recording.passes[0].font.lfUnderline != 0, c.underlined) << c.section << " hot " << c.hot;
    EXPECT_EQ(font.Style() & fsUnderline, 0u) << "the control's own font is left alone";
  }
}

TEST(SkinText, ACaptionIsClippedToItsRectangleAndGivesTheContextBack) {
  TsSkinTables tables;
  tables.SectionTable.push_back(Section("BUTTON", kAllFour));
  TFont font;
  MakeControlFont(font);
  const TsTextSkin skin{&tables, 0, "BUTTON", false, &font};

  const TextRecording recording =
      RecordText([&](TCanvas& canvas) { DrawSkinText(canvas, kCaption, true, false, skin, kFormat, kRect); });
  ASSERT_EQ(recording.clipRects.size(), 1u);
  EXPECT_TRUE(EqualRect(&recording.clipRects[0], &kRect));
  EXPECT_EQ(recording.saves, recording.restores);

  // On a real context, with a rectangle narrower than the text: no ink outside it, the
  // modes, colours, font and clipping are back, and the canvas keeps the control's font in
  // the text colour with a clear brush.
  constexpr RECT narrow{60, 10, 90, 60};
  InkSurface surface(200, 80);
  TCanvas& canvas = surface.Canvas();
  HDC dc = canvas.Handle();
  SetTextColor(dc, 0x0000FF);
  SetBkMode(dc, OPAQUE);
  const HGDIOBJ fontBefore = GetCurrentObject(dc, OBJ_FONT);
  DrawSkinText(canvas, kCaption, true, false, skin, kFormat, narrow);
  const auto inked = [](TColor p) { return p != clWhite; };
  EXPECT_GT(surface.Count(narrow, inked), 0);
  EXPECT_EQ(surface.Count(surface.All(), inked), surface.Count(narrow, inked));
  EXPECT_EQ(GetTextColor(dc), 0x0000FFu);
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), fontBefore);
  RECT clip{};
  const RECT all = surface.All();
  EXPECT_EQ(GetClipBox(dc, &clip), SIMPLEREGION);
  EXPECT_TRUE(EqualRect(&clip, &all));
  EXPECT_EQ(canvas.Font().Color(), kText);
  EXPECT_EQ(canvas.Font().Height(), -17);
  EXPECT_EQ(canvas.Brush().Style(), TBrushStyle::bsClear);

  // Drawing again makes and frees its own objects only.
  const int fonts = LiveHandles(THandleKind::Font), brushes = LiveHandles(THandleKind::Brush);
  DrawSkinText(canvas, kCaption, true, false, skin, kFormat, narrow);
  EXPECT_EQ(LiveHandles(THandleKind::Font), fonts);
  EXPECT_EQ(LiveHandles(THandleKind::Brush), brushes);

  TCanvas unbound;  // no context: nothing happens
  DrawSkinText(unbound, kCaption, true, false, skin, kFormat, kRect);
}

// "HEL" in large bold type, so that every side has plenty of edge.
void PaintLarge(InkSurface& surface, const TsSkinTables& tables, int index, bool enabled) {
  TFont font;
  MakeControlFont(font);
  font.SetHeight(-36);
  font.SetStyle(fsBold);
  DrawSkinText(surface.Canvas(), L"HEL", enabled, false, TsTextSkin{&tables, index, "BUTTON", false, &font}, kFormat,
               RECT{0, 0, 160, 70});
}

TEST(SkinText, OnADibEachContourShowsOnePixelOutsideTheTextOnItsSideUnderTheText) {
  constexpr TColor red = 0x0000FF, green = 0x00FF00, blue = 0xFF0000, yellow = 0x00FFFF;
  TsSkinTables tables;
  tables.SectionTable.push_back(Section("BUTTON", {clBlack, -1, -1, -1, -1}));
  tables.SectionTable.push_back(Section("BUTTON", {clBlack, red, green, blue, yellow}));

  InkSurface alone(160, 70), outlined(160, 70);
  PaintLarge(alone, tables, 0, true);
  PaintLarge(outlined, tables, 1, true);
  const auto inked = [](TColor p) { return p != clWhite; };
  const RECT box = alone.Bounds(inked);
  ASSERT_GT(box.right - box.left, 20);
  EXPECT_EQ(alone.Count(alone.All(), [](TColor p) { return p != clWhite && !TintOf(p, clBlack); }), 0)
      << "a text without contours is drawn in its colour only";

  // The line just outside the text's box on each side holds ink of that side's contour
  // only; nothing lies further out.
  struct Side {
    const char* name;
    TColor color;
    RECT line;
  };
  const Side sides[] = {
      {"left", red, {box.left - 1, box.top, box.left, box.bottom}},
      {"top", green, {box.left, box.top - 1, box.right, box.top}},
      {"right", blue, {box.right, box.top, box.right + 1, box.bottom}},
      {"bottom", yellow, {box.left, box.bottom, box.right, box.bottom + 1}},
  };
  for (const Side& side : sides) {
    EXPECT_GT(outlined.Count(side.line, [&](TColor p) { return TintOf(p, side.color); }), 0) << side.name;
    EXPECT_EQ(outlined.Count(side.line, [&](TColor p) { return inked(p) && !TintOf(p, side.color); }), 0)
        << side.name;
  }
  RECT grown = box;
  InflateRect(&grown, 1, 1);
  EXPECT_EQ(outlined.Count(outlined.All(), inked), outlined.Count(grown, inked));

  // The text is drawn last: none of its solid pixels is covered by a contour.
  const auto solid = [](TColor p) { return p == clBlack; };
  EXPECT_GT(alone.Count(alone.All(), solid), 100);
  EXPECT_EQ(outlined.Count(outlined.All(), solid), alone.Count(alone.All(), solid));
}

TEST(SkinText, OnADibDisabledTextIsMixedFromTheFontAndSectionColoursWithoutContours) {
  TsSkinTables tables;
  tables.SectionTable.push_back(Section("BUTTON", {clBlack, 0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF}, kTextOnly, clWhite));
  InkSurface surface(160, 70);
  PaintLarge(surface, tables, 0, false);
  EXPECT_GT(surface.Count(surface.All(), [](TColor p) { return p == 0x999999; }), 50);
  EXPECT_EQ(surface.Count(surface.All(), [](TColor p) { return p != clWhite && !TintOf(p, 0x999999); }), 0);
}

TEST(SectionText, DrawsInTheSectionsColoursWithTheCallersFormatAndNothingWithoutASection) {
  TsSkinTables tables;
  tables.SectionTable.push_back(Section("EDIT", kAllFour, {kHotText, -1, -1, -1, kHotContour}));
  tables.SectionTable.push_back(Section("EDIT", {0x000000, kLeft, -1, -1, -1}));
  struct Case {
    const char* what;
    const TsSkinTables* skin;
    int index;
    bool enabled, hot;
    UINT format;
    std::vector<Pass> passes;
  };
  const std::vector<Case> cases = {
      {"contours, then the text as the caller asked", &tables, 0, true, false, kFormat,
       {{kLeft, -1, 0, true}, {kTop, 0, -1, true}, {kRight, 1, 0, true}, {kBottom, 0, 1, true}, {kText, 0, 0, true}}},
      {"no flag added or taken", &tables, 0, true, true, kFormat | DT_NOCLIP,
       {{kHotContour, 0, 1, false}, {kHotText, 0, 0, false}}},
      {"disabled", &tables, 1, false, false, kFormat, {{0x999999, 0, 0, true}}},
      {"no tables", nullptr, 0, true, false, kFormat, {}},
      {"invalid index", &tables, 2, true, false, kFormat, {}},
      {"no index", &tables, -1, true, false, kFormat, {}},
  };
  for (const Case& c : cases) {
    TextRecording recording = RecordText([&](TCanvas& canvas) {
      DrawSectionText(canvas, kCaption, c.enabled, c.skin, c.hot, c.index, c.format, kRect);
    });
    EXPECT_TRUE(recording.clipRects.empty()) << c.what;
    if (c.passes.empty())
      EXPECT_TRUE(recording.passes.empty()) << c.what;
    else
      ExpectPasses(recording, c.passes, c.what);
  }
}

TEST(CutText, KeepsTheLongestPrefixThatFitsWithAnEllipsis) {
  InkSurface surface(10, 10);
  TCanvas& canvas = surface.Canvas();
  MakeControlFont(canvas.Font());
  const auto w = [&](const wchar_t* s) { return TextWidthOf(canvas, s); };
  const wchar_t* text = L"abcdefghij";
  ASSERT_LT(w(L"abcd..."), w(text));
  struct Case {
    const wchar_t* text;
    int width;
    const wchar_t* result;
  };
  const Case cases[] = {
      {text, w(text), text},                 // fits: unchanged
      {text, w(L"abcd..."), L"abcd..."},     // the longest prefix that fits with the ellipsis
      {text, w(L"abc...") - 1, L"ab..."},    // one pixel short of the next character
      {text, w(L"a..."), L"a..."},           //
      {text, w(L"a...") - 1, L""},           // no character left: nothing, not "..." alone
      {text, w(L"...") - 1, L""},            // narrower than the ellipsis itself
      {text, 0, L""},                        //
      {text, -4, L""},                       //
      {L"", 50, L""},                        //
  };
  for (const Case& c : cases) EXPECT_EQ(CutText(canvas, c.text, c.width), c.result) << c.text << " in " << c.width;

  // A character outside the basic plane is kept or dropped whole, at any width.
  const String wide = L"ab\U00020000\U00020001cd";
  for (int width = 0; width <= TextWidthOf(canvas, wide); ++width) {
    const String cut = CutText(canvas, wide, width);
    for (size_t i = 0; i < cut.size(); ++i)
      if (IS_HIGH_SURROGATE(cut[i])) {
        ASSERT_LT(i + 1, cut.size()) << width;
        EXPECT_TRUE(IS_LOW_SURROGATE(cut[i + 1])) << "cut inside a pair at width " << width;
      }
  }
}

}  // namespace
