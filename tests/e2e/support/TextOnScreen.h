// Finding a text on the screen: for texts that no window holds (labels painted by their
// parent, the message form's text), the driver renders the expected text itself with the
// same font, through the same system, and looks for that ink pattern in a captured area.
//
// Pixels are compared as ink or background, split halfway between the text colour and the
// area's background colour, so that anti-aliasing over another background still matches.
#pragma once

#include <windows.h>

#include <string>

#include "tests/e2e/support/Screenshot.h"

namespace e2e {

struct TextFont {
  std::wstring face;
  int height = -11;  // as in LOGFONT: negative is the character height in pixels
  bool underline = false;
};

// The fonts the system uses for message boxes and menus.
TextFont MessageFont();
TextFont MenuFont();

struct TextMatch {
  bool found = false;     // the text matched somewhere in the area
  POINT at{};             // the top-left corner of its ink, in picture coordinates
  double mismatch = 1.0;  // the best position's differing pixels per ink pixel of the text
  int inkPixels = 0;      // ink pixels of the rendered text
};

// Looks for `text` drawn in `font` and `colour` inside `area` of `picture`. A match
// allows `tolerance` differing pixels per ink pixel (edges of anti-aliased strokes over
// another background); the same text through the same system matches exactly, while one
// different character of a short CJK text already differs in about 15%.
TextMatch FindText(const Picture& picture, const RECT& area, const std::wstring& text, const TextFont& font,
                   COLORREF colour, double tolerance = 0.04);

}  // namespace e2e
