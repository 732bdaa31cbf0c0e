// Text to integer conversion by the framework's rule.
//
// Leading blanks (space characters only) are skipped; an optional "-" or "+" follows;
// then decimal digits, or hexadecimal digits after one of the prefixes "$", "x", "X",
// "0x", "0X". Nothing else may follow, not even a blank. A decimal value must fit in a
// 32-bit signed integer; a hexadecimal one must fit in 32 bits and is read as a
// two's-complement number ("$FFFFFFFF" is -1), then negated when a "-" came first.
#pragma once

#include <cstdint>
#include <optional>

#include "framework/SysUtils.h"

std::optional<int32_t> TryStrToInt(const String& text);
// The converted value, or `fallback` when the text does not follow the rule.
int32_t StrToIntDef(const String& text, int32_t fallback);
// The converted value; raises EConvertError "'<text>' is not a valid integer value".
int32_t StrToInt(const String& text);
