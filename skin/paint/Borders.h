// Painting of a skin's image references: nine-piece border masks, the same while collecting
// the key pixels of the corners for a window region, glyph frames, and the per-pixel rules
// for key (transparent) pixels.
//
// A reference is painted from its own bitmap or from the master bitmap of the tables that
// own it; `TMaskRef` carries both, so painting needs no skin manager. A reference without
// a source (no tables, an empty master bitmap) paints nothing.
//
// Left out: repainting the corners of a control's cached picture from its parent; that
// needs the control binding and lives with it.
#pragma once

#include <utility>
#include <vector>

#include "skin/paint/PaintTypes.h"

struct TMaskRef {
  const TsMaskData* Data = nullptr;  // not owned
  TSurfaceView Source;               // Data->Bmp, or the master bitmap

  bool Valid() const { return Data != nullptr && !Source.Empty(); }
  // Width of one state frame (R per ImageCount) and height of the image row.
  int FrameWidth() const;
  int FrameHeight() const;
  // X offset inside R of a state's frame; states beyond the last frame use the last one.
  int FrameOffset(int state) const;
};

// The reference at `maskIndex` of `skin`; an invalid index gives an invalid reference.
TMaskRef MaskRef(const TsSkinTables& skin, int maskIndex);
// A reference to a record that is not in a table (tests, tools): its own Bmp or `master`.
TMaskRef MaskRef(const TsMaskData& data, const TSurfaceView& master);

// Shrinks two opposite border widths so that they fit into n pixels.
std::pair<int, int> FitBorders(int n, int a, int b);

// Copies the overlap of destRect and srcRect of `source` onto the surface through the mask
// rows of the reference (height(R) div 2 lower), with the key-pixel rules for a parent
// picture, the process-wide fill colour or the key itself.
void MaskedCopy(TsRect destRect, TsRect srcRect, const TSurfaceView& surface, const TMaskRef& mask,
                bool useParent, const BgInfo& bg, const TSurfaceView& source);

// Nine-piece border of one state frame into `rect`. `bg` is the parent's picture already
// shifted to the rectangle's position.
void PaintBorderMask(const TSurfaceView& surface, TsRect rect, bool fillCentre, bool useParent, int state,
                     const TMaskRef& mask, const BgInfo& bg);

// The border over the whole surface; the key pixels of its corners are not painted and
// are appended to `removed` as one-row runs (right and bottom exclusive), to be cut out of
// the window's region.
void PaintBorderRegion(const TSurfaceView& surface, std::vector<TsRect>& removed, bool fillCentre, int state,
                       const TMaskRef& mask);

// One state frame of a glyph at `point`; without `normal` the glyph is drawn half
// transparent.
void PaintGlyphMask(const TSurfaceView& surface, TPoint point, int state, const TMaskRef& mask, bool normal);

// Appends the key-pixel runs of the top (or bottom) corners of frame 0, the left corner at
// x 0 and the right one at the window's right side, rows starting at y0.
void CornerKeyRuns(std::vector<TsRect>& list, int windowWidth, const TMaskRef& mask, bool bottom, int y0);
