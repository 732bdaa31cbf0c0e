#include "framework/Convert.h"

std::optional<int32_t> TryStrToInt(const String& text) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && text[i] == L' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
  bool hex = false;
  if (i < n && (text[i] == L'$' || text[i] == L'x' || text[i] == L'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < n && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X')) {
    hex = true;
    i += 2;
  }
  if (i >= n) return std::nullopt;  // no digits at all

  if (hex) {
    uint32_t value = 0;
    for (; i < n; ++i) {
      const wchar_t c = text[i];
      uint32_t digit;
      if (c >= L'0' && c <= L'9') digit = static_cast<uint32_t>(c - L'0');
      else if (c >= L'a' && c <= L'f') digit = static_cast<uint32_t>(c - L'a' + 10);
      else if (c >= L'A' && c <= L'F') digit = static_cast<uint32_t>(c - L'A' + 10);
      else return std::nullopt;
      if (value > 0x0FFFFFFFu) return std::nullopt;  // a fifth nibble would not fit
      value = (value << 4) | digit;
    }
    // Two's complement both ways; unsigned arithmetic keeps -INT32_MIN defined.
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
  }

  // Accumulate the magnitude; the negative range reaches one further than the positive.
  const uint64_t limit = negative ? 2147483648ull : 2147483647ull;
  uint64_t value = 0;
  for (; i < n; ++i) {
    const wchar_t c = text[i];
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - L'0');
    if (value > limit) return std::nullopt;
  }
  if (negative) return static_cast<int32_t>(-static_cast<int64_t>(value));
  return static_cast<int32_t>(value);
}

int32_t StrToIntDef(const String& text, int32_t fallback) {
  const auto value = TryStrToInt(text);
  return value ? *value : fallback;
}

int32_t StrToInt(const String& text) {
  const auto value = TryStrToInt(text);
  if (!value) throw EConvertError(FormatMessageText(L"'%s' is not a valid integer value", {text}));
  return *value;
}
