#include "framework/UtilityWindow.h"

HWND CreateUtilityWindow(const wchar_t* className, WNDPROC proc, DWORD style, DWORD exStyle, HWND parent,
                         const wchar_t* caption, void* object) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = className;
  RegisterClassExW(&wc);  // fails harmlessly once registered
  HWND window = CreateWindowExW(exStyle, className, caption, style, 0, 0, 0, 0, parent, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  if (window && object) SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
  return window;
}
