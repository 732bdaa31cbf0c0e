// The thread hook: a CBT hook on the GUI thread, installed by the default skin manager
// while a skin is active, that gives framework forms a frame provider the first time they
// are activated: the framework's message forms ("TMessageForm") under `srStdDialogs`, any
// other form under `srStdForms` unless its Tag is -98. A `TacProvider` owned by the form
// records each one; the frame provider it makes belongs to the form as well.
//
// Pop-up menu windows ("#32768") get their menu-window handler as they are created.
//
// Left out so far: platform dialogs ("#32770") are passed on untouched.
#pragma once

#include <windows.h>

#include "framework/Forms.h"
#include "skin/window/sSkinProvider.h"

class TsSkinManager;

// Tag of forms the hook never skins.
constexpr intptr_t kNoSkinTag = -98;

// What the hook made for one window.
class TacProvider : public TComponent {
public:
  // `form`: the form served, which owns this record.
  explicit TacProvider(TCustomForm* form);
  ~TacProvider() override;
  const wchar_t* ClassName() const override { return L"TacProvider"; }

  // The frame provider made for the form (owned by the form), or null.
  TsSkinProvider* FormProvider() const { return formProvider_; }
  // The platform window served; none for framework forms.
  HWND DialogWindow() const { return nullptr; }

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  TsSkinProvider* formProvider_ = nullptr;
};

// Points the skin manager's hook seam at this hook. Call once at start-up, before the
// first skin is announced; calling it again changes nothing.
void UseDialogHook();
// True while the hook is installed.
bool DialogHookInstalled();
// The menu windows that got a handler from the hook and still exist.
std::vector<HWND> MenuHandlerList();
// The records the hook made that still exist, in order (borrowed).
std::vector<TacProvider*> DialogProviders();
