// The colour type and the plain colour constants that every layer shares, free of
// platform headers so that the skin data and the pixel core use the same ones.
//
// A `TColor` is 0x00BBGGRR (COLORREF order) or, with the top byte 0xFF, a system colour
// whose index sits in the low byte (`SystemColor(index)`); the GUI framework's
// `ColorToRGB` and the skin's `SkinColorToRGB` turn those into plain RGB. `clNone` and
// `clDefault` are markers, not colours.
//
// The channel helpers have names of their own because the platform's GetRValue,
// GetGValue and GetBValue are macros that would capture any function so named.
//
// Left out: the named system colours (`clBtnFace` ...), which need the platform's
// indexes and live in framework/Graphics.h.
#pragma once

#include <cstdint>

using TColor = int32_t;

constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000u);
constexpr TColor SystemColor(int index) { return static_cast<TColor>(0xFF000000u | static_cast<uint32_t>(index)); }

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// The channels of a plain colour, 0..255.
constexpr int RedOf(TColor c) { return c & 0xFF; }
constexpr int GreenOf(TColor c) { return (c >> 8) & 0xFF; }
constexpr int BlueOf(TColor c) { return (c >> 16) & 0xFF; }
// A plain colour from its channels; each is cut to its low 8 bits.
constexpr TColor MakeColor(int r, int g, int b) {
  return static_cast<TColor>(static_cast<uint32_t>(r & 0xFF) | (static_cast<uint32_t>(g & 0xFF) << 8) |
                             (static_cast<uint32_t>(b & 0xFF) << 16));
}
