// Forms, the screen's list of forms and the application object.
//
// `TCustomForm` is a top-level window of a class named after the C++ class (a form of
// class Tfrmmain registers "Tfrmmain"). It keeps the active control and sends the enter
// and exit notifications when the focus moves, handles Tab, Return and Escape as the
// keyboard interface of a dialog, shows itself modally with `ShowModal`, and closes the
// application when it is the main form.
//
// `TApplication` owns the forms made with `CreateForm`, has a hidden window of class
// "TApplication", runs the message loop and shows errors that reach it with the standard
// error box. `Application` and `Screen` exist from program start to exit.
//
// Left out: MDI, docking, main menus, scrolling, hint windows, form streaming.
#pragma once

#include <windows.h>

#include <functional>
#include <utility>
#include <vector>

#include "framework/WinControls.h"

enum TBorderIcon : uint32_t { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
using enum TWindowState;
enum class TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
using enum TFormStyle;
enum class TPosition { poDesigned, poDefault, poScreenCenter, poMainFormCenter };
using enum TPosition;
enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using enum TCloseAction;

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;
constexpr TModalResult mrAbort = IDABORT;
constexpr TModalResult mrRetry = IDRETRY;
constexpr TModalResult mrIgnore = IDIGNORE;
constexpr TModalResult mrYes = IDYES;
constexpr TModalResult mrNo = IDNO;

class TCustomForm : public TWinControl {
public:
  // `owner` (usually Application) owns the form. Forms start hidden.
  explicit TCustomForm(TComponent* owner);
  ~TCustomForm() override;
  const wchar_t* ClassName() const override { return L"TCustomForm"; }

  // Runs OnCreate; `TApplication::CreateForm` calls it once the form is built.
  virtual void AfterConstruction();
  // Runs OnDestroy, then destroys the window, while the whole form exists.
  void BeforeDestruction() override;

  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle style);
  uint32_t BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(uint32_t icons);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int width) { borderWidth_ = width; }
  TWindowState WindowState() const;
  void SetWindowState(TWindowState state);
  TFormStyle FormStyle() const { return formStyle_; }
  void SetFormStyle(TFormStyle style) { formStyle_ = style; }
  TPosition Position() const { return position_; }
  void SetPosition(TPosition position) { position_ = position; }
  bool ScreenSnap() const { return screenSnap_; }
  void SetScreenSnap(bool on) { screenSnap_ = on; }
  int SnapBuffer() const { return snapBuffer_; }
  void SetSnapBuffer(int pixels) { snapBuffer_ = pixels; }
  bool AutoScroll() const { return autoScroll_; }
  void SetAutoScroll(bool on) { autoScroll_ = on; }
  bool AlphaBlend() const { return alphaBlend_; }
  void SetAlphaBlend(bool on) { alphaBlend_ = on; }
  // The form's icon; set images before the window exists (or call IconChanged).
  TIcon& Icon() { return icon_; }
  void IconChanged();
  // Main menus are left out: always null.
  void* Menu() const { return nullptr; }

  bool Active() const { return active_; }
  // The control that has (or gets, when the form is activated) the focus; borrowed.
  TWinControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TWinControl* control);
  // Called by a control that received the focus: sends CM_EXIT and CM_ENTER along the
  // parents between the old and the new control, then CM_FOCUSCHANGED to the form.
  void SetFocusedControl(TWinControl* control);
  // Gives `control` the focus now if the form is active, else when it becomes active.
  void FocusControl(TWinControl* control);
  // A windowed control under this form is losing its window or parent.
  void ControlRemoving(TWinControl* control);

  void Show();
  void Close();
  // Shows the form, runs messages until ModalResult is set, hides it and returns the result.
  TModalResult ShowModal();
  bool Modal() const { return modal_; }
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult result) { modalResult_ = result; }
  // Frees the form once the messages now queued have been handled.
  void Release();

  void SetClientSize(int width, int height) override;
  RECT ClientRect() const override;
  void SetFocus() override;
  bool CanFocus() const override;

  // Tab, Return and Escape for the control that has the focus; true when used.
  bool DialogKey(const MSG& msg);

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  std::function<void(TComponent*, TCloseAction&)> OnClose;
  std::function<void(TComponent*, bool&)> OnCloseQuery;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void WndProc(TMessage& message) override;
  void AdjustClientRect(RECT& rect) const override;
  void DoCreate();
  // OnDestroy, once, for a form whose OnCreate ran.
  void DoDestroy();

private:
  void Activated(bool active);
  static void NotifyFocusChanged(TWinControl* container, TWinControl* focused);
  void SnapToScreen(WINDOWPOS& pos) const;
  DWORD FrameStyle() const;
  DWORD FrameExStyle() const;

  TBorderStyle borderStyle_ = bsSizeable;
  uint32_t borderIcons_ = biSystemMenu | biMinimize | biMaximize;
  int borderWidth_ = 0;
  TWindowState windowState_ = wsNormal;
  TFormStyle formStyle_ = fsNormal;
  TPosition position_ = poDesigned;
  bool screenSnap_ = false;
  int snapBuffer_ = 10;
  bool autoScroll_ = false;
  bool alphaBlend_ = false;
  TIcon icon_;
  bool active_ = false;
  bool modal_ = false;
  bool created_ = false;
  bool destroyDone_ = false;
  TModalResult modalResult_ = mrNone;
  TWinControl* activeControl_ = nullptr;
  TWinControl* focusedControl_ = nullptr;
  int clientWidth_ = -1, clientHeight_ = -1;
};

class TForm : public TCustomForm {
public:
  explicit TForm(TComponent* owner) : TCustomForm(owner) {}
  const wchar_t* ClassName() const override { return L"TForm"; }
};

class TScreen {
public:
  int FormCount() const { return static_cast<int>(forms_.size()); }
  // Borrowed: every form that exists, in creation order.
  TCustomForm* Forms(int index) const { return forms_.at(static_cast<size_t>(index)); }
  int CustomFormCount() const { return FormCount(); }
  TCustomForm* CustomForms(int index) const { return Forms(index); }
  // The form of `window` (its own window), or null.
  TCustomForm* FormOfWindow(HWND window) const;
  TCustomForm* ActiveForm() const { return activeForm_; }
  int Width() const { return GetSystemMetrics(SM_CXSCREEN); }
  int Height() const { return GetSystemMetrics(SM_CYSCREEN); }
  int PixelsPerInch() const;

private:
  friend class TCustomForm;
  std::vector<TCustomForm*> forms_;
  TCustomForm* activeForm_ = nullptr;
};

// A hook on the application window's messages: sees each one before the framework does;
// returning true means handled (the message's Result is the answer).
using TApplicationHook = std::function<bool(TMessage& message)>;

// The text the standard error box shows: a full stop is added when the last character
// comes after "." in character order (so texts ending in ".", "!" or ")" get none).
String ErrorBoxText(const String& message);

// The visible, enabled top-level windows of this thread other than `activeWindow`, disabled
// for a modal window of the platform's; EnableTaskWindows gives them back their input.
using TTaskWindowList = std::vector<HWND>;
TTaskWindowList DisableTaskWindows(HWND activeWindow);
void EnableTaskWindows(const TTaskWindowList& windows);

class TApplication : public TComponent {
public:
  TApplication();
  ~TApplication() override;
  const wchar_t* ClassName() const override { return L"TApplication"; }

  // Common controls, COM for the shell dialogs, DIB-section surfaces, the hidden window.
  void Initialize();
  // The hidden application window (class "TApplication"), made on first use.
  HWND Handle();

  const String& Title() const { return title_; }
  void SetTitle(const String& title);
  // The program's icon (forms without an icon of their own show it); set its images
  // before the application window exists or call IconChanged.
  TIcon& Icon() { return icon_; }
  void IconChanged();

  // Makes a form owned by the application; the first one becomes the main form. `args`
  // follow the owner in the form's constructor.
  template <class T, class... Args>
  T* CreateForm(Args&&... args) {
    T* form = new T(this, std::forward<Args>(args)...);
    if (!mainForm_) mainForm_ = form;
    form->AfterConstruction();
    return form;
  }
  TCustomForm* MainForm() const { return mainForm_; }
  // The window that owns dialogs and message boxes: the active form, else the main form.
  HWND DialogOwner();

  // Hooks are known by their owner: one hook per owner, removed by that owner.
  void HookMainWindow(const void* owner, TApplicationHook hook);
  void UnhookMainWindow(const void* owner);

  // Whether hints are shown at all (controls' ShowHint applies below it).
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool on) { showHint_ = on; }

  // Shows the main form and handles messages until Terminate, then frees the forms and
  // drops the hooks while everything else still exists.
  void Run();
  // Frees every form and component the application owns and drops the window hooks.
  void Teardown();
  // Handles every message waiting now.
  void ProcessMessages();
  // Handles one message, or waits for one when none is waiting. An error raised while
  // the message is handled goes to HandleException and the loop goes on.
  void HandleMessage();
  void Terminate();
  bool Terminated() const { return terminated_; }

  // Call inside a catch block: the error goes to OnException or to the standard error box.
  void HandleException(TComponent* sender);
  // The standard error box: ErrorBoxText, the title as caption, an error icon, OK.
  void ShowException(const String& message);
  int MessageBox(const String& text, const String& caption, UINT flags);

  std::function<void(TComponent* sender, const String& message)> OnException;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  friend LRESULT CALLBACK ApplicationWndProc(HWND, UINT, WPARAM, LPARAM);
  bool ProcessMessage(MSG& msg);
  bool IsKeyMsg(MSG& msg);
  void DispatchOne(MSG& msg);
  bool RunHooks(TMessage& message);
  void ReleaseForm(TCustomForm* form);

  HWND handle_ = nullptr;
  String title_;
  TIcon icon_;
  TCustomForm* mainForm_ = nullptr;
  bool terminated_ = false;
  bool initialized_ = false;
  bool showHint_ = true;
  std::vector<std::pair<const void*, TApplicationHook>> hooks_;
};

extern TApplication* Application;
extern TScreen* Screen;
