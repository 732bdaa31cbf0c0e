// Block copies between surfaces: a plain clipped copy and a smooth stretched copy.
//
// The stretch resamples with a tent filter as wide as the scale factor (at least one source
// pixel), in fixed point, separably: shrinking averages every source pixel it covers and
// enlarging interpolates linearly, so edges and textures keep no blocky steps. It works on
// 24- and 32-bit surfaces (three channels; a 32-bit fourth byte is left alone).
#pragma once

#include "skin/paint/PaintTypes.h"

// Copies srcRect (right and bottom exclusive) of src to dst at (x, y), clipped on both sides;
// between a 24- and a 32-bit surface only the colour bytes are copied.
void CopyBlock(const TSurfaceView& dst, int x, int y, const TSurfaceView& src, TsRect srcRect);

// Resamples srcRect of src to fill dstRect of dst (both right and bottom exclusive). The
// destination is clipped to dst; the source rectangle must lie inside src (it is clipped
// to it otherwise, which changes the scale).
void StretchCopy(const TSurfaceView& dst, TsRect dstRect, const TSurfaceView& src, TsRect srcRect);

// Fills dstRect of dst with src's pixels by nearest pixel (destination pixel (x, y) of the
// rectangle takes source pixel (x * src width / rectangle width, y * src height / rectangle
// height)), leaving out the source pixels of colour `key`; clipped to dst.
void StretchKeyedNearest(const TSurfaceView& dst, TsRect dstRect, const TSurfaceView& src, TColor key);
