// The colour effects a skin manager applies at the end of every load: a hue rotation and a
// saturation change over the skin's pixels and colour values.
//
// What changes: every pixel of the master bitmap and of each mask's own bitmap (32-bit
// mask bitmaps are first replaced by 24-bit copies); each section's Color and HotColor,
// the entries of FontColor and HotFontColor that are not -1, Color1 and Color2 of every
// step of both gradients; and the skin-wide Shadow1Color and BorderColor. Values are made
// plain RGB as they are shifted (system colours resolved through SkinColorToRGB).
//
// What does not: pattern pictures; fuchsia (the key colour, "no pixel" in images and
// "none" in values such as BorderColor) and grey pixels; and anything at all when both
// amounts are 0.
#pragma once

#include "skin/data/sSkinTables.h"

// The amount ShiftSaturation is given for a manager's Saturation: -(saturation rem 101)
// with C++'s truncating remainder, so 50 gives -50, 150 gives -49 and -150 gives 49.
constexpr int SaturationShiftAmount(int saturation) { return -(saturation % 101); }

// First the hue by `hueOffset` degrees (ShiftHue), then the saturation by
// SaturationShiftAmount(`saturation`) (ShiftSaturation); each is skipped when its value is 0.
void ApplyColorEffects(TsSkinTables& tables, int hueOffset, int saturation);
