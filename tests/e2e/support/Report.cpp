#include "tests/e2e/support/Report.h"

#include <windows.h>

#include <cstdio>

namespace e2e {

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                      nullptr);
  return out;
}

std::wstring FromUtf8(const std::string& text) {
  if (text.empty()) return {};
  int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
  return out;
}

void Print(const std::wstring& text) {
  std::string bytes = ToUtf8(text);
  bytes += '\n';
  fwrite(bytes.data(), 1, bytes.size(), stdout);
  fflush(stdout);
}

// Control characters are shown escaped so that a stray CR/LF in a text is visible.
static std::wstring Visible(const std::wstring& text) {
  std::wstring out = L"\"";
  for (wchar_t c : text) {
    if (c == L'\r') out += L"\\r";
    else if (c == L'\n') out += L"\\n";
    else if (c == L'\t') out += L"\\t";
    else out += c;
  }
  return out + L"\"";
}

bool Report::Check(bool passed, const std::wstring& what, const std::wstring& detail) {
  if (passed) {
    ++passed_;
    Print(L"  ok    " + what);
  } else {
    ++failed_;
    Print(L"  FAIL  " + what + (detail.empty() ? L"" : L"\n        " + detail));
  }
  return passed;
}

bool Report::CheckEqual(const std::wstring& actual, const std::wstring& expected, const std::wstring& what) {
  return Check(actual == expected, what, L"got " + Visible(actual) + L", expected " + Visible(expected));
}

bool Report::CheckEqual(long long actual, long long expected, const std::wstring& what) {
  return Check(actual == expected, what,
               L"got " + std::to_wstring(actual) + L", expected " + std::to_wstring(expected));
}

void Report::Require(bool passed, const std::wstring& what, const std::wstring& detail) {
  if (!Check(passed, what, detail)) throw StepFailed(ToUtf8(what));
}

void Report::Step(const std::wstring& title) { Print(L"\n== " + title); }

void Report::Note(const std::wstring& text) { Print(L"  ..    " + text); }

void Report::PrintSummary() const {
  Print(L"\n" + std::to_wstring(passed_) + L" passed, " + std::to_wstring(failed_) + L" failed");
}

}  // namespace e2e
