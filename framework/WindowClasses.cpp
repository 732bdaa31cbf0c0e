#include "framework/WindowClasses.h"

#include <algorithm>
#include <map>
#include <vector>

#include "framework/Handles.h"
#include "framework/WinControls.h"

const wchar_t kControlProperty[] = L"EquidivControl";

namespace {

// Registered class name -> the platform procedure it superclasses (null: DefWindowProc).
std::map<String, WNDPROC>& RegisteredClasses() {
  static std::map<String, WNDPROC> classes;
  return classes;
}

thread_local std::vector<TWinControl*> gCreating;

LRESULT PlatformDefault(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 255);
  const auto& classes = RegisteredClasses();
  auto it = classes.find(name);
  WNDPROC base = it != classes.end() ? it->second : nullptr;
  return base ? CallWindowProcW(base, window, msg, wParam, lParam) : DefWindowProcW(window, msg, wParam, lParam);
}

}  // namespace

// Binds windows to controls on behalf of the trampoline (a friend of TWinControl).
struct TWindowBinding {
  static TWinControl* Bind(HWND window, UINT msg, LPARAM lParam) {
    if (msg != WM_NCCREATE) return nullptr;
    auto* control = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    if (!control || !TCreatingScope::IsCreating(control) || control->handle_) return nullptr;
    control->handle_ = window;
    SetPropW(window, kControlProperty, control);
    // Released when the window's WM_NCDESTROY reaches the control.
    CountHandleCreated(THandleKind::Window);
    return control;
  }
};

WNDPROC RegisterControlClass(const TCreateParams& params) {
  auto& classes = RegisteredClasses();
  if (auto known = classes.find(params.winClassName); known != classes.end()) return known->second;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  WNDPROC base = nullptr;
  if (!params.baseClassName.empty()) {
    WNDCLASSEXW platform{};
    platform.cbSize = sizeof(platform);
    if (!GetClassInfoExW(nullptr, params.baseClassName.c_str(), &platform))
      throw Exception(FormatMessageText(L"Window class %s is not available", {params.baseClassName}));
    wc = platform;
    wc.cbSize = sizeof(wc);
    wc.style = platform.style & ~CS_GLOBALCLASS;
    if (!(params.classStyle & CS_DBLCLKS)) wc.style &= ~CS_DBLCLKS;
    base = platform.lpfnWndProc;
  } else {
    wc.style = params.classStyle;
    wc.hCursor = params.cursor;
    wc.hbrBackground = params.background;
  }
  wc.lpfnWndProc = FrameworkWndProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = params.winClassName.c_str();
  wc.lpszMenuName = nullptr;
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw Exception(FormatMessageText(L"Cannot register window class %s", {params.winClassName}));
  return classes.emplace(params.winClassName, base).first->second;
}

TCreatingScope::TCreatingScope(TWinControl* control) { gCreating.push_back(control); }

TCreatingScope::~TCreatingScope() { gCreating.pop_back(); }

bool TCreatingScope::IsCreating(const TWinControl* control) {
  return std::find(gCreating.begin(), gCreating.end(), control) != gCreating.end();
}

LRESULT CALLBACK FrameworkWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* control = static_cast<TWinControl*>(GetPropW(window, kControlProperty));
  if (!control) control = TWindowBinding::Bind(window, msg, lParam);
  if (control) return control->MainWndProc(msg, wParam, lParam);
  return PlatformDefault(window, msg, wParam, lParam);
}

bool IsFrameworkWindow(HWND window) {
  return window && reinterpret_cast<WNDPROC>(GetClassLongPtrW(window, GCLP_WNDPROC)) == FrameworkWndProc;
}
