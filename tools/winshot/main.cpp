// equidiv-winshot: waits for a top-level window of a given class and saves what it shows
// as a 24-bit BMP. Used by the start script to show a screenshot on a headless display.
//
//   equidiv-winshot CLASS OUT.bmp [SECONDS]     exit 0 saved, 1 no such window in time

#include <windows.h>

#include <fstream>

#include "tools/common/ToolMain.h"

namespace {

HWND WaitForVisibleWindow(const String& className, DWORD deadlineMs) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < deadlineMs) {
    HWND window = FindWindowW(className.c_str(), nullptr);
    if (window && IsWindowVisible(window)) return window;
    Sleep(50);
  }
  return nullptr;
}

bool SaveWindowPicture(HWND window, const String& fileName) {
  RECT rect{};
  GetWindowRect(window, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = CreateCompatibleDC(screen);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  SelectObject(memory, previous);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);

  const DWORD stride = ((width * 24 + 31) / 32) * 4;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
  file.bfSize = file.bfOffBits + stride * height;
  std::ofstream out(fileName.c_str(), std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof(file));
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(info.bmiHeader));
  out.write(static_cast<const char*>(bits), static_cast<std::streamsize>(stride) * height);
  DeleteObject(bitmap);
  return static_cast<bool>(out);
}

int Run(const std::vector<String>& args) {
  if (args.size() < 2 || args.size() > 3) {
    WriteErr(L"usage: equidiv-winshot CLASS OUT.bmp [SECONDS]\n");
    return 2;
  }
  const DWORD seconds = args.size() == 3 ? static_cast<DWORD>(std::wcstoul(args[2].c_str(), nullptr, 10)) : 30;
  HWND window = WaitForVisibleWindow(args[0], seconds * 1000);
  if (!window) {
    WriteErr(L"equidiv-winshot: no visible window of class " + args[0] + L"\n");
    return 1;
  }
  // Let the window finish its first paint: wait until its thread has no pending input.
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (HANDLE handle = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, process)) {
    WaitForInputIdle(handle, 5000);
    CloseHandle(handle);
  }
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  return SaveWindowPicture(window, args[1]) ? 0 : 1;
}

}  // namespace

EQUIDIV_TOOL_MAIN(Run)
