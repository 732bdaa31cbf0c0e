// The program's icon, drawn in code: a blue tile with a white sheet cut into pieces.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/Graphics.h"

// The sizes the icon holds, largest first.
constexpr int kIconSizes[] = {128, 64, 48, 32, 24, 16};

// 32-bit BGRA pixels (premultiplied alpha not used), top row first, of the icon at `size`.
std::vector<uint32_t> DrawApplicationIcon(int size);
// Adds every size of the icon to `icon`.
void FillApplicationIcon(TIcon& icon);
