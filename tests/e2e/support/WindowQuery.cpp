#include "tests/e2e/support/WindowQuery.h"

#include <cstdio>

#include "tests/e2e/support/Wait.h"

namespace e2e {

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  int length = GetClassNameW(window, name, 256);
  return std::wstring(name, length > 0 ? static_cast<size_t>(length) : 0);
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 10000, &result)) return 0;
  return static_cast<LRESULT>(result);
}

std::wstring TextOf(HWND window) {
  LRESULT length = Send(window, WM_GETTEXTLENGTH);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  LRESULT copied = Send(window, WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}

DWORD ProcessOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

std::vector<HWND> TopLevelWindows(DWORD pid) {
  std::vector<HWND> out;
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT))
    if (IsWindowVisible(w) && ProcessOf(w) == pid) out.push_back(w);
  return out;
}

HWND FindTopLevel(DWORD pid, const std::wstring& className, const wchar_t* caption,
                  const std::function<bool(HWND)>& accept) {
  for (HWND w : TopLevelWindows(pid)) {
    if (ClassOf(w) != className) continue;
    if (caption && TextOf(w) != caption) continue;
    if (accept && !accept(w)) continue;
    return w;
  }
  return nullptr;
}

HWND WaitForTopLevel(DWORD pid, const std::wstring& className, const wchar_t* caption, DWORD ms,
                     const std::function<bool(HWND)>& accept) {
  HWND found = nullptr;
  WaitFor([&] { return (found = FindTopLevel(pid, className, caption, accept)) != nullptr; }, ms);
  return found;
}

std::vector<HWND> ChildrenOf(HWND parent) {
  std::vector<HWND> out;
  for (HWND w = GetWindow(parent, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) out.push_back(w);
  return out;
}

std::vector<HWND> DescendantsOf(HWND parent) {
  std::vector<HWND> out;
  for (HWND child : ChildrenOf(parent)) {
    out.push_back(child);
    for (HWND below : DescendantsOf(child)) out.push_back(below);
  }
  return out;
}

HWND FindDescendant(HWND parent, const std::function<bool(HWND)>& match) {
  for (HWND w : DescendantsOf(parent))
    if (match(w)) return w;
  return nullptr;
}

HWND FindDescendantByClass(HWND parent, const std::wstring& className, int nth) {
  for (HWND w : DescendantsOf(parent))
    if (ClassOf(w) == className && nth-- == 0) return w;
  return nullptr;
}

RECT RectInParent(HWND child, HWND parent) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

SIZE ClientSizeOf(HWND window) {
  RECT rect{};
  GetClientRect(window, &rect);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

RECT ScreenRectOf(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

RECT ClientScreenRect(HWND window) {
  RECT rect{};
  GetClientRect(window, &rect);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool Sync(HWND window, DWORD ms) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, ms, &result) != 0;
}

bool WaitUntilPainted(HWND top, DWORD ms) {
  auto painted = [](HWND w) { return !IsWindowVisible(w) || !GetUpdateRect(w, nullptr, FALSE); };
  return WaitFor([&] {
    if (!painted(top)) return false;
    for (HWND w : DescendantsOf(top))
      if (!painted(w)) return false;
    return true;
  }, ms);
}

HWND FocusOf(HWND anyWindowOfThread) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(anyWindowOfThread, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

std::wstring Describe(HWND window) {
  if (!window) return L"(no window)";
  wchar_t handle[32];
  swprintf(handle, 32, L"%p", static_cast<void*>(window));
  return ClassOf(window) + L" \"" + TextOf(window) + L"\" [" + handle + L"]";
}

std::wstring RectText(const RECT& rect) {
  return std::to_wstring(rect.left) + L", " + std::to_wstring(rect.top) + L", " +
         std::to_wstring(rect.right - rect.left) + L", " + std::to_wstring(rect.bottom - rect.top);
}

}  // namespace e2e
