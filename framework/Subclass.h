// Subclassing of windows the framework did not create (message boxes, dialogs and their
// children, menu windows): `TWindowSubclass` takes over one window's procedure and sees
// every message of it before the procedure it replaced.
//
// One subclass of ours per window. The handler is found through the window property
// "ACSBSC"; a second, private property holds the window's record: the procedure we
// replaced, how deeply the window's messages are nested, and the handler. The record
// outlives the handler when needed:
// - Detach while another subclass sits above ours leaves our procedure in the chain as a
//   pass-through (it cannot be unhooked without cutting the other one off); the record
//   stays until the window's WM_NCDESTROY.
// - At WM_NCDESTROY the message goes on to the replaced procedure, which is then put back
//   (if ours is still first) and both properties go. The record, and a handler that
//   frees itself with its window, are freed only when the outermost message of the window
//   has returned: DestroyWindow called inside one of the window's own messages delivers
//   WM_NCDESTROY nested, and the outer messages still run through the record.
//
// Handlers live on the thread of their window; nothing here is synchronised.
// Left out: more than one handler of ours per window (Attach refuses a second one), and
// windows of other threads or processes.
#pragma once

#include <windows.h>

class TWindowSubclass {
public:
  TWindowSubclass();
  TWindowSubclass(const TWindowSubclass&) = delete;
  TWindowSubclass& operator=(const TWindowSubclass&) = delete;
  // Detaches if still attached.
  virtual ~TWindowSubclass();

  // Takes over `window`'s procedure. False (nothing changed) when the window is gone,
  // belongs to another thread, already carries a subclass of ours, or this handler is
  // attached elsewhere.
  bool Attach(HWND window);
  // Gives the window back: restores the previous procedure only while ours is still
  // installed; otherwise the window keeps a pass-through that lives until WM_NCDESTROY.
  // The handler is no longer called either way. Safe inside the handler's own WindowProc,
  // which may then delete the handler.
  void Detach();
  // The window while attached, else null.
  HWND Window() const { return window_; }
  bool Attached() const { return record_ != nullptr; }
  // The previous procedure, through CallWindowProcW. Only while attached (0 otherwise):
  // a handler that detaches inside a message passes that message on first.
  LRESULT CallOld(UINT msg, WPARAM wParam, LPARAM lParam);
  // The procedure CallOld calls, while attached (null otherwise). A handler that must
  // detach before the previous procedure sees a message calls it directly.
  WNDPROC PreviousProcedure() const;

  // Handler of `window` (read from the window property "ACSBSC"), or null. Borrowed.
  static TWindowSubclass* Of(HWND window);

  // When set, the framework deletes this handler after its window's WM_NCDESTROY has
  // returned (handlers that free themselves with their window).
  void SetFreeWithWindow(bool on) { freeWithWindow_ = on; }
  bool FreeWithWindow() const { return freeWithWindow_; }

  // Handlers alive and per-window records alive in the process (for leak checks).
  static int LiveCount();
  static int LiveRecordCount();

protected:
  // Every message of the window; the default calls CallOld. An exception leaving it is
  // reported and the message goes on to the previous procedure (unless it already did).
  virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  // The window is gone (called once, after the outermost message of its WM_NCDESTROY has
  // returned, before a FreeWithWindow delete). The handler is already detached and may
  // delete itself here.
  virtual void WindowDestroyed() {}

private:
  struct Record;
  struct Frame;
  struct Hold;
  static LRESULT CALLBACK Trampoline(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT Deliver(Record* record, HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
  // Ends one hold on the record; the last hold after WM_NCDESTROY or an unhook frees it.
  static void Release(Record* record);

  HWND window_ = nullptr;
  Record* record_ = nullptr;
  bool freeWithWindow_ = false;
};
