#include "tools/common/ToolMain.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

void WriteTo(FILE* stream, std::wstring_view text) {
#ifdef _WIN32
  HANDLE handle = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
    fflush(stream);
    DWORD written = 0;
    WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
#endif
  const std::string bytes = StringToUtf8(text);
  fwrite(bytes.data(), 1, bytes.size(), stream);
  fflush(stream);
}

}  // namespace

void WriteOut(std::wstring_view text) { WriteTo(stdout, text); }
void WriteErr(std::wstring_view text) { WriteTo(stderr, text); }

void WriteOutBytes(std::string_view bytes) {
  fwrite(bytes.data(), 1, bytes.size(), stdout);
  fflush(stdout);
}
