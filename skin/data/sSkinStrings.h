// 8-bit text helpers of the skin data layer: skin files, section and key names are ANSI
// bytes and stay in std::string; only messages and paths become String.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "framework/SysUtils.h"

char UpperAscii(char c);
std::string UpperCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);
// Strips leading and trailing blanks and control characters (bytes up to 32).
std::string_view TrimText(std::string_view text);

// Integers as skin options files write them: decimal with an optional sign, "$" + hex
// digits, or "0x"/"0X" + hex digits (hex up to 32 bits, wrapping to negative like a
// COLORREF with the top bit set, and never signed); nothing else, no blanks. This is not
// the framework's StrToInt (framework/Convert.h), which skips leading blanks, takes a sign
// before hex and also reads a bare "x" prefix. Nothing when `text` is not such an integer
// or is out of range.
std::optional<int32_t> TrySkinStrToInt(std::string_view text);
// TrySkinStrToInt or EConvertError "'%s' is not a valid integer value".
int32_t SkinStrToInt(std::string_view text);
// TrySkinStrToInt or `fallback`.
int32_t SkinStrToIntDef(std::string_view text, int32_t fallback);

// Bytes in the ANSI code page to String and back (Latin-1 off Windows).
String AnsiToString(std::string_view text);
std::string StringToAnsi(const String& text);
