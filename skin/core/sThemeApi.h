// The platform's visual-style functions, looked up once where the platform has them.
#pragma once

#include <windows.h>

struct TThemeApi {
  using IsThemeActiveProc = BOOL(WINAPI*)();
  using SetWindowThemeProc = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
  IsThemeActiveProc isThemeActive = nullptr;
  SetWindowThemeProc setWindowTheme = nullptr;

  bool ThemesInUse() const { return isThemeActive && isThemeActive(); }
};

// Null functions where the platform has none.
inline const TThemeApi& ThemeApi() {
  static const TThemeApi api = [] {
    TThemeApi a;
    if (HMODULE module = LoadLibraryW(L"uxtheme.dll")) {
      a.isThemeActive =
          reinterpret_cast<TThemeApi::IsThemeActiveProc>(reinterpret_cast<void*>(GetProcAddress(module, "IsThemeActive")));
      a.setWindowTheme = reinterpret_cast<TThemeApi::SetWindowThemeProc>(
          reinterpret_cast<void*>(GetProcAddress(module, "SetWindowTheme")));
    }
    return a;
  }();
  return api;
}
