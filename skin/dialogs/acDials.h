// The thread hook: a CBT hook on the GUI thread, installed by the default skin manager
// while a skin is active, that gives framework forms a frame provider the first time they
// are activated: the framework's message forms ("TMessageForm") under `srStdDialogs`, any
// other form under `srStdForms` unless its Tag is -98. A `TacProvider` owned by the form
// records each one; the frame provider it makes belongs to the form as well.
//
// Pop-up menu windows ("#32768") get their menu-window handler as they are created.
//
// Platform windows that are not framework forms (dialogs and message boxes, "#32770")
// get a `TacProvider` without owner: the dialog handler `TacDialogWnd` (acDialogWnd.h) on
// the dialog window and a handler of its class for each child window.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "framework/Forms.h"
#include "skin/window/acMainWnd.h"
#include "skin/window/sSkinProvider.h"

class TsSkinManager;
class TacDialogWnd;

// Tag of forms the hook never skins.
constexpr intptr_t kNoSkinTag = -98;

// What the hook made for one window.
class TacProvider : public TComponent {
public:
  // `form`: the form served, which owns this record.
  explicit TacProvider(TCustomForm* form);
  // A platform window: a record without owner (the hook frees it).
  explicit TacProvider(HWND dialogWindow);
  ~TacProvider() override;
  const wchar_t* ClassName() const override { return L"TacProvider"; }

  // The frame provider made for the form (owned by the form), or null.
  TsSkinProvider* FormProvider() const { return formProvider_; }
  // The platform window served; none for framework forms.
  HWND DialogWindow() const { return dialogWindow_; }
  // 0 none, 1 preview area, 2 as 0, 3 colour areas (platform dialogs only).
  int SpecialMode() const { return specialMode_; }
  void SetSpecialMode(int mode) { specialMode_ = mode; }
  // The dialog handler of the platform window (owned), or null.
  TacDialogWnd* Dialog() const { return dialog_.get(); }
  // The handlers made for the dialog's child windows (owned).
  const std::vector<std::unique_ptr<TacMainWnd>>& ChildHandlers() const { return childHandlers_; }

  // The dialog set-up for the platform window: false when the dialog must stay unskinned
  // (the caller frees the record).
  bool SetupDialog();
  // Gives handlers to the child windows of the dialog that have none yet; false when the
  // dialog must stay unskinned.
  bool WalkChildren();

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  TsSkinProvider* formProvider_ = nullptr;
  HWND dialogWindow_ = nullptr;
  int specialMode_ = 0;
  std::unique_ptr<TacDialogWnd> dialog_;
  std::vector<std::unique_ptr<TacMainWnd>> childHandlers_;
};

// The preview area of the last dialog set up with three drop-down lists (client
// coordinates); empty before.
const RECT& PreviewRect();
// The colour areas of a colour dialog (client coordinates), made once.
HRGN ColorAreasRegion();

// Points the skin manager's hook seam at this hook. Call once at start-up, before the
// first skin is announced; calling it again changes nothing.
void UseDialogHook();
// True while the hook is installed.
bool DialogHookInstalled();
// The menu windows that got a handler from the hook and still exist.
std::vector<HWND> MenuHandlerList();
// The records the hook made that still exist, in order (borrowed).
std::vector<TacProvider*> DialogProviders();
