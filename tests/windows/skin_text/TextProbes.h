// What the text tests look at: the text passes a painter makes, recorded exactly through
// an enhanced metafile (colour, origin, clipping and font of every text output, free of
// anti-aliasing), and ink in a DIB (pixels of a colour in an area).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Graphics.h"

// One text output: the text colour in force, the reference point, whether it was clipped
// to its rectangle (DrawText without DT_NOCLIP) and the font selected.
struct TextPass {
  COLORREF color = 0;
  POINT origin{};
  bool clipped = false;
  std::wstring text;
  LOGFONTW font{};
};

struct TextRecording {
  std::vector<TextPass> passes;
  std::vector<RECT> clipRects;  // IntersectClipRect calls, in order
  int saves = 0;
  int restores = 0;
};

// Runs `draw` on a fresh canvas over a metafile DC and returns what it drew.
TextRecording RecordText(const std::function<void(TCanvas&)>& draw);

// A white DIB of the given size with its canvas; pixels read after GdiFlush.
class InkSurface {
public:
  InkSurface(int width, int height, TColor background = clWhite);
  TCanvas& Canvas() { return bitmap_.Canvas(); }
  TSurfaceView View();
  TColor At(int x, int y);
  // Pixels in `area` (clipped to the surface) for which `ink` holds.
  int Count(const RECT& area, const std::function<bool(TColor)>& ink);
  // The bounding box of the pixels for which `ink` holds (empty when none).
  RECT Bounds(const std::function<bool(TColor)>& ink);
  RECT All() const { return RECT{0, 0, bitmap_.Width(), bitmap_.Height()}; }

private:
  TBitmap bitmap_;
};

// A pixel drawn by anti-aliased text of colour `color` over `background` and nothing
// else: every channel lies between the two and the channels where both differ moved by
// the same share (within rounding). The background itself is not ink.
bool TintOf(TColor pixel, TColor color, TColor background = clWhite);
