#include "skin/data/sSkinStrings.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#endif

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperCase(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = UpperAscii(c);
  return result;
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return UpperAscii(x) == UpperAscii(y); });
}

std::string_view TrimText(std::string_view text) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

namespace {
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
} // namespace

std::optional<int32_t> TrySkinStrToInt(std::string_view text) {
  std::string_view digits = text;
  bool hex = false;
  if (!digits.empty() && digits[0] == '$') {
    hex = true;
    digits.remove_prefix(1);
  } else if (digits.size() >= 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    hex = true;
    digits.remove_prefix(2);
  }
  if (hex) {
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    uint32_t value = 0;
    for (char c : digits) {
      const int d = HexDigit(c);
      if (d < 0) return std::nullopt;
      value = value << 4 | static_cast<uint32_t>(d);
    }
    return static_cast<int32_t>(value);
  }
  bool negative = false;
  if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) {
    negative = digits[0] == '-';
    digits.remove_prefix(1);
  }
  if (digits.empty()) return std::nullopt;
  int64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > int64_t{1} << 31) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
  return static_cast<int32_t>(value);
}

int32_t SkinStrToInt(std::string_view text) {
  if (auto value = TrySkinStrToInt(text)) return *value;
  throw EConvertError(FormatMessageText(L"'%s' is not a valid integer value", {AnsiToString(text)}));
}

int32_t SkinStrToIntDef(std::string_view text, int32_t fallback) { return TrySkinStrToInt(text).value_or(fallback); }

String AnsiToString(std::string_view text) {
#ifdef _WIN32
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  String result(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result.data(), n);
  return result;
#else
  String result;
  result.reserve(text.size());
  for (char c : text) result.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return result;
#endif
}

std::string StringToAnsi(const String& text) {
#ifdef _WIN32
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result.data(), n, nullptr, nullptr);
  return result;
#else
  std::string result;
  for (wchar_t c : text) result.push_back(c < 256 ? static_cast<char>(c) : '?');
  return result;
#endif
}
