#include "skin/dialogs/acDials.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/dialogs/acDialogWnd.h"
#include "skin/window/sSkinMenus.h"

namespace {

struct THookState {
  THookHandle hook;
  // A freed record leaves its slot empty; slots are never reused while the hook lives.
  std::vector<TacProvider*> providers;
  // Menu windows given their handler at creation. The handlers free themselves with their
  // windows, so the list keeps windows, each dropped when its window is destroyed.
  std::vector<HWND> handlerList;
};

THookState& State() {
  static THookState state;
  return state;
}

std::wstring ClassNameOf(HWND window) {
  wchar_t name[129] = {};
  GetClassNameW(window, name, 128);
  return name;
}

void ActivateForm(TCustomForm* form, const std::wstring& className) {
  TsSkinManager* manager = DefaultManager();
  const bool messageForm = className == L"TMessageForm";
  if (messageForm ? !(manager->SkinningRules() & srStdDialogs)
                  : !(manager->SkinningRules() & srStdForms) || form->Tag() == kNoSkinTag)
    return;
  auto* record = new TacProvider(form);
  State().providers.push_back(record);
  if (messageForm && record->FormProvider()) record->FormProvider()->SetMakeSkinMenu(false);
}

void Activate(HWND window) {
  if (!window || !DefaultManager() || AskWindow(window, CMD_ISSKINNED)) return;
  const auto& providers = State().providers;
  if (std::any_of(providers.begin(), providers.end(),
                  [&](TacProvider* p) { return p && p->DialogWindow() == window; }))
    return;
  const std::wstring className = ClassNameOf(window);
  if (className == L"TApplication" || className == L"TQRStandardPreview") return;
  if (TCustomForm* form = Screen ? Screen->FormOfWindow(window) : nullptr) {
    if (!form->IsDestroying()) ActivateForm(form, className);
    return;
  }
  // Platform dialogs and menu windows: passed on untouched for now.
}

// A pop-up menu window being created gets its menu-window handler.
void CreateWindowSeen(HWND window) {
  if (!DefaultManager() || ClassNameOf(window) != L"#32768" || AskWindow(window, CMD_ISSKINNED)) return;
  if (AttachMenuWindow(window)) State().handlerList.push_back(window);
}

LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallNextHookEx(nullptr, code, wParam, lParam);
  if (code == HCBT_CREATEWND) {
    try {
      CreateWindowSeen(reinterpret_cast<HWND>(wParam));
    } catch (...) {
      // The menu keeps the platform's look.
    }
  }
  if (code == HCBT_DESTROYWND) std::erase(State().handlerList, reinterpret_cast<HWND>(wParam));
  if (code == HCBT_ACTIVATE) {
    try {
      Activate(reinterpret_cast<HWND>(wParam));
    } catch (...) {
      // A form that cannot be skinned keeps its platform frame; activation goes on.
    }
  }
  return result;
}

void Install(TsSkinManager* manager) {
  if (manager != DefaultManager() || State().hook) return;
  State().hook = SetHook(WH_CBT, HookProc, nullptr, GetCurrentThreadId());
}

void Remove(TsSkinManager*) {
  THookState& state = State();
  state.hook.Reset();
  state.handlerList.clear();
  // Frame providers stay with their forms; only the records go.
  const std::vector<TacProvider*> records = std::exchange(state.providers, {});
  for (TacProvider* record : records) delete record;
}

}  // namespace

TacProvider::TacProvider(TCustomForm* form) : TComponent(form) {
  formProvider_ = new TsSkinProvider(form);
  formProvider_->FreeNotification(this);
}

TacProvider::TacProvider(HWND dialogWindow) : TComponent(nullptr), dialogWindow_(dialogWindow) {}

TacProvider::~TacProvider() {
  if (formProvider_) formProvider_->RemoveFreeNotification(this);
  for (TacProvider*& slot : State().providers)
    if (slot == this) slot = nullptr;
}

void TacProvider::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component == formProvider_) formProvider_ = nullptr;
  TComponent::Notification(component, operation);
}

// Not built yet: platform dialogs are not skinned.
bool TacProvider::SetupDialog() { return true; }
bool TacProvider::WalkChildren() { return true; }

const RECT& PreviewRect() {
  static RECT rect{};
  return rect;
}

HRGN ColorAreasRegion() { return nullptr; }

void UseDialogHook() {
  DialogHookSeam().Install = Install;
  DialogHookSeam().Remove = Remove;
}

bool DialogHookInstalled() { return static_cast<bool>(State().hook); }

std::vector<HWND> MenuHandlerList() { return State().handlerList; }

std::vector<TacProvider*> DialogProviders() {
  std::vector<TacProvider*> live;
  for (TacProvider* p : State().providers)
    if (p) live.push_back(p);
  return live;
}
