// The thread hook: a CBT hook on the GUI thread, installed by the default skin manager
// while a skin is active, that gives framework forms a frame provider the first time they
// are activated: the framework's message forms ("TMessageForm") under `srStdDialogs`, any
// other form under `srStdForms` unless its Tag is -98. A `TacProvider` owned by the form
// records each one; the frame provider it makes belongs to the form as well.
//
// Pop-up menu windows ("#32768") get their menu-window handler as they are created.
//
// Platform windows that are not framework forms (dialogs and message boxes, "#32770")
// get a `TacProvider` without owner, under `srStdDialogs`: the dialog handler
// `TacDialogWnd` (acDialogWnd.h) on the dialog window and a handler of its class for each
// child window. A window activated while a skinned dialog is visible (a question over a
// file dialog) keeps the platform look, unless it holds a tool bar; it gets a record that
// skins nothing, so that it is not looked at again. Children made after the set-up (the
// file list of a file dialog, made again at every change of folder) get their handlers
// once they are complete; a child's handler goes when its window goes.
//
// Records and handlers are freed only when nothing of theirs is on the stack: a dialog's
// record once its window is gone and the outermost message of the window that ran through
// the dialog handler has returned (a dialog may destroy children inside its own
// WM_DESTROY, which reaches the hook while the dialog's procedure runs). The hook keeps a
// message-only window of its own for that deferred work.
//
// Also here: the engine's message box (`SkinMessageBox`), a platform message box shown
// through the application, skinned by the hook like every platform dialog.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
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
  // (the record has left the hook's list; the caller frees it).
  bool SetupDialog();
  // Gives handlers to the child windows of the dialog that have none yet (a snapshot of
  // the children at each level, each checked to still exist before it is looked at);
  // false when the dialog must stay unskinned. A walk inside a walk does nothing.
  bool WalkChildren();
  // The platform window is gone and nothing of this record runs: it may be freed.
  bool Finished() const;
  // Frees the handlers of child windows that are gone.
  void DropGoneChildren();

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  TsSkinProvider* formProvider_ = nullptr;
  HWND dialogWindow_ = nullptr;
  bool Classify(HWND child);
  bool WalkFrom(HWND parent);

  int specialMode_ = 0;
  int busy_ = 0;  // set-up or walk running
  bool walking_ = false;
  std::unique_ptr<TacDialogWnd> dialog_;
  std::vector<std::unique_ptr<TacMainWnd>> childHandlers_;
};

// The preview area of the last dialog set up with three drop-down lists (client
// coordinates); empty before.
const RECT& PreviewRect();
// "combolbox" windows met since the last dialog set-up began.
int ComboListCount();
// The colour areas of a colour dialog (client coordinates), made on first use and
// released at exit. Borrowed.
HRGN ColorAreasRegion();

// ---- the engine's message box
enum class TMsgBoxKind { Warning, Error, Information, Confirm, Custom };
enum TMsgBoxButton : uint32_t {
  mbYes = 1 << 0,
  mbNo = 1 << 1,
  mbOK = 1 << 2,
  mbCancel = 1 << 3,
  mbAbort = 1 << 4,
  mbRetry = 1 << 5,
  mbIgnore = 1 << 6,
  mbAll = 1 << 7,
  mbNoToAll = 1 << 8,
  mbYesToAll = 1 << 9,
  mbHelp = 1 << 10,
};
using TMsgBoxButtons = uint32_t;

// The platform flags of a box of `kind` offering `buttons`: the kind's icon, the button
// code, MB_HELP when Help is offered.
UINT SkinMessageBoxFlags(TMsgBoxKind kind, TMsgBoxButtons buttons);
// The caption a box of `kind` shows when none is given ("Warning", ..., empty).
const wchar_t* SkinMessageBoxCaption(TMsgBoxKind kind);
// Shows the platform message box through the application; the pressed button's
// identifier (0 when no box could be shown).
int SkinMessageBox(const std::optional<String>& caption, const String& text, TMsgBoxKind kind,
                   TMsgBoxButtons buttons);
// A warning (error) with OK; without a caption the kind's own.
int SkinWarning(const String& text, const std::optional<String>& caption = std::nullopt);
int SkinError(const String& text, const std::optional<String>& caption = std::nullopt);

// Points the skin manager's hook seam at this hook. Call once at start-up, before the
// first skin is announced; calling it again changes nothing.
void UseDialogHook();
// True while the hook is installed.
bool DialogHookInstalled();
// The menu windows that got a handler from the hook and still exist.
std::vector<HWND> MenuHandlerList();
// The records the hook made that still exist, in order (borrowed).
std::vector<TacProvider*> DialogProviders();
