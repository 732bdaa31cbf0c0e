// Pictures the painting core composes from a skin, the way the skinned controls of the
// main window compose theirs, for comparison with what the real program shows on the
// screen; and the comparison itself.
//
// Every picture is composed in the control's state 0 over its parent's picture (or colour),
// from the same tables the program loads, so a difference means the program painted
// something else than the skin says.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Surface.h"
#include "skin/data/sSkinTables.h"
#include "tests/e2e/support/Screenshot.h"

namespace e2e {

// A loaded skin, or null when it cannot be loaded (the reason is printed).
std::unique_ptr<TsSkinTables> LoadPackageTables(const std::wstring& path);
std::unique_ptr<TsSkinTables> LoadFolderTables(const std::wstring& folder);

Picture PictureOf(const TSurfaceView& view);

// A skinned form's frame as its frame provider paints it, less its icon, caption text and
// caption buttons: the "FORM" section over the whole window (`width` x `height`) and
// "FORMTITLE" over the top `band` rows on top of it, in `state` (1 active, 0 inactive).
Picture ComposeFrame(const TsSkinTables& skin, int width, int height, int band, int state);

// The main window's background as its frame provider composes it: the "FORM" section
// over the whole window (`width` x `height`) in the active look.
std::unique_ptr<TSurface> ComposeFormBackground(const TsSkinTables& skin, int width, int height);

// A pop-up menu's picture before any item is painted onto it: "MAINMENU" over the whole
// menu window, the icon column of "ICOLINE" (a 16-pixel glyph with a margin of 3 before
// and a spacing of 6 after it) inside the border.
std::unique_ptr<TSurface> ComposeMenuPicture(const TsSkinTables& skin, int width, int height);
// A section's font colour (normal or hot), black when the skin has no such section.
COLORREF SectionFontColour(const TsSkinTables& skin, const std::string& section, bool hot);

// The panel's picture as TsPanel shows it: the skin's "PANEL" section composed at the
// panel's size and position, state 0, over a parent whose colour is `formColour` (RGB);
// then, as every painter does before it shows its picture, the key pixels of the border
// mask's corners take the parent's background: `formPicture` at the panel's place
// (`panelInWindow`) when the parent has one, else the parent's colour.
Picture ComposePanel(const TsSkinTables& skin, const RECT& panelInForm, COLORREF formColour,
                     const TSurfaceView* formPicture = nullptr, POINT panelInWindow = {});

// A parent's picture as its children see it: `view`, with the child's parent-relative
// position moved by (x, y) into it.
struct ParentPicture {
  TSurfaceView view;
  int x = 0;
  int y = 0;
};

// `section` composed for `state` over the parent's picture at `bounds` (parent
// coordinates): background, border mask with the parent in its key pixels, corner images.
Picture ComposeControl(const TsSkinTables& skin, const std::string& section, int state, const ParentPicture& parent,
                       const RECT& bounds, bool disabled = false);

// The page control's cached picture, tabs on top in one row: the band shows the parent,
// every tab is "TABTOP" in state 0 (captions left out: compare outside them), the page
// area "PAGECONTROL" from four pixels above the display rectangle down. `tabs` are the
// platform's tab rectangles in page order.
std::unique_ptr<TSurface> ComposePageControl(const TsSkinTables& skin, SIZE size, const RECT& display,
                                             const std::vector<RECT>& tabs, const ParentPicture& parent,
                                             COLORREF parentColour);
// The active tab as it shows on the screen: "TABTOP" in state 2 over the parent, two
// pixels larger than the platform's rectangle on the left, top and right and two below.
Picture ComposeActiveTab(const TsSkinTables& skin, const RECT& platform, const ParentPicture& parent);
// The skin rectangle of a tab on top: the active look and the normal look.
RECT ActiveTabRect(const RECT& platform);
RECT NormalTabRect(const RECT& platform);

struct Difference {
  int pixels = 0;  // differing pixels outside the left-out rectangles
  POINT first{};
  COLORREF seen = 0, expected = 0;
};

// Compares two pictures of the same size, leaving out the given rectangles.
Difference Compare(const Picture& seen, const Picture& expected, const std::vector<RECT>& leftOut);
// Compares only the ring of `ring` pixels along the picture's edges, leaving out squares
// of `corner` pixels at its corners (the painters refresh those against the parent).
Difference CompareRing(const Picture& seen, const Picture& expected, int ring, int corner);
// `part` (picture coordinates of `whole`) as a picture of its own.
Picture Crop(const Picture& whole, const RECT& part);
std::wstring ColourText(COLORREF c);
std::wstring DifferenceText(const Difference& d);

}  // namespace e2e
