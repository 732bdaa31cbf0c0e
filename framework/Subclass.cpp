#include "framework/Subclass.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "framework/Controls.h"

namespace {

constexpr wchar_t kHandlerProperty[] = L"ACSBSC";
constexpr wchar_t kRecordProperty[] = L"EquidivSubclassRecord";

std::atomic<int> gLiveHandlers{0};
std::atomic<int> gLiveRecords{0};

// Handlers whose WindowDestroyed is running on this thread. A handler deleted meanwhile
// takes itself off the list, so it is not deleted a second time for FreeWithWindow.
thread_local std::vector<TWindowSubclass*> gNotifying;

// Called inside a catch block. Nothing may leave a window procedure, so a report that
// fails itself (an OnException handler that throws) is dropped.
void ReportHandlerError() noexcept {
  try {
    HandleFrameworkException(nullptr);
  } catch (...) {
  }
}

}  // namespace

// One message running through the trampoline: whether the previous procedure has had it.
struct TWindowSubclass::Frame {
  UINT msg = 0;
  bool passed = false;
  LRESULT result = 0;
  Frame* outer = nullptr;
};

struct TWindowSubclass::Record {
  explicit Record(HWND w) : window(w) { ++gLiveRecords; }
  ~Record() { --gLiveRecords; }
  Record(const Record&) = delete;
  Record& operator=(const Record&) = delete;

  HWND window;
  WNDPROC previous = nullptr;
  TWindowSubclass* handler = nullptr;  // null: a pass-through
  int holds = 0;                       // messages and CallOld calls running through the record
  Frame* frame = nullptr;              // the innermost message
  bool destroyed = false;              // WM_NCDESTROY has arrived
  bool unhooked = false;               // the previous procedure is back in place
};

// Keeps a record alive across a call that may destroy the window.
struct TWindowSubclass::Hold {
  explicit Hold(Record* r) : record(r) { ++record->holds; }
  ~Hold() { Release(record); }
  Hold(const Hold&) = delete;
  Hold& operator=(const Hold&) = delete;
  Record* record;
};

TWindowSubclass::TWindowSubclass() { ++gLiveHandlers; }

TWindowSubclass::~TWindowSubclass() {
  Detach();
  std::replace(gNotifying.begin(), gNotifying.end(), this, static_cast<TWindowSubclass*>(nullptr));
  --gLiveHandlers;
}

int TWindowSubclass::LiveCount() { return gLiveHandlers; }
int TWindowSubclass::LiveRecordCount() { return gLiveRecords; }

TWindowSubclass* TWindowSubclass::Of(HWND window) {
  return static_cast<TWindowSubclass*>(GetPropW(window, kHandlerProperty));
}

bool TWindowSubclass::Attach(HWND window) {
  if (record_ || !window || !IsWindow(window)) return false;
  if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) return false;
  if (GetPropW(window, kHandlerProperty)) return false;
  auto* record = static_cast<Record*>(GetPropW(window, kRecordProperty));
  if (!record) {
    record = new Record(window);
    if (!SetPropW(window, kRecordProperty, record)) {
      delete record;
      return false;
    }
    record->previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
    SetLastError(0);
    const LONG_PTR replaced = SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Trampoline));
    if (!replaced && GetLastError() != 0) {
      RemovePropW(window, kRecordProperty);
      delete record;
      return false;
    }
    record->previous = reinterpret_cast<WNDPROC>(replaced);
  }
  // else: a pass-through of ours is still in the chain (left by a handler detached under
  // another subclass); the new handler takes its place there.
  record->handler = this;
  record_ = record;
  window_ = window;
  if (!SetPropW(window, kHandlerProperty, this)) {
    Detach();
    return false;
  }
  return true;
}

void TWindowSubclass::Detach() {
  Record* record = record_;
  if (!record) return;
  record_ = nullptr;
  window_ = nullptr;
  record->handler = nullptr;
  // After WM_NCDESTROY the properties are gone and the outermost message frees the record.
  if (record->destroyed) return;
  const HWND window = record->window;
  if (!IsWindow(window)) {
    // Destroyed without our WM_NCDESTROY (a subclass above ours kept it): nothing of the
    // window is left to restore.
    record->destroyed = true;
  } else {
    RemovePropW(window, kHandlerProperty);
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)) != &Trampoline) return;  // pass-through
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(record->previous));
    RemovePropW(window, kRecordProperty);
    record->unhooked = true;
  }
  ++record->holds;
  Release(record);  // now, unless messages of the window still run through it
}

LRESULT TWindowSubclass::CallOld(UINT msg, WPARAM wParam, LPARAM lParam) {
  Record* record = record_;
  if (!record) return 0;
  // The call may destroy the window and free this handler: only the record is used after it.
  Hold hold(record);
  Frame* frame = record->frame;
  const bool current = frame && !frame->passed && frame->msg == msg;
  if (current) frame->passed = true;
  const LRESULT result = CallWindowProcW(record->previous, record->window, msg, wParam, lParam);
  if (current) frame->result = result;
  return result;
}

WNDPROC TWindowSubclass::PreviousProcedure() const { return record_ ? record_->previous : nullptr; }

LRESULT TWindowSubclass::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) { return CallOld(msg, wParam, lParam); }

LRESULT CALLBACK TWindowSubclass::Trampoline(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* record = static_cast<Record*>(GetPropW(window, kRecordProperty));
  // Only a procedure pointer kept by someone after ours was removed leads here without a
  // record; the previous procedure is unknown then.
  if (!record) return DefWindowProcW(window, msg, wParam, lParam);
  return Deliver(record, window, msg, wParam, lParam);
}

LRESULT TWindowSubclass::Deliver(Record* record, HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  Hold hold(record);
  Frame frame{msg, false, 0, record->frame};
  record->frame = &frame;
  if (msg == WM_NCDESTROY) record->destroyed = true;

  // The previous procedure's result for this message, asking it now if nobody did.
  auto passOn = [&]() -> LRESULT {
    if (frame.passed) return frame.result;
    frame.passed = true;
    frame.result = CallWindowProcW(record->previous, window, msg, wParam, lParam);
    return frame.result;
  };

  LRESULT result = 0;
  try {
    // The handler may detach and delete itself inside: it is not touched afterwards.
    if (TWindowSubclass* handler = record->handler)
      result = handler->WindowProc(msg, wParam, lParam);
    else
      result = passOn();
  } catch (...) {
    ReportHandlerError();
    try {
      result = passOn();
    } catch (...) {
      ReportHandlerError();
    }
  }

  if (msg == WM_NCDESTROY) {
    // The procedure below frees its own state here: it gets the message even from a
    // handler that kept it.
    try {
      passOn();
    } catch (...) {
      ReportHandlerError();
    }
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)) == &Trampoline)
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(record->previous));
    RemovePropW(window, kHandlerProperty);
    RemovePropW(window, kRecordProperty);
  }
  record->frame = frame.outer;
  return result;
}

void TWindowSubclass::Release(Record* record) {
  if (--record->holds > 0 || !(record->destroyed || record->unhooked)) return;
  TWindowSubclass* handler = record->handler;
  delete record;
  if (!handler) return;
  handler->record_ = nullptr;
  handler->window_ = nullptr;
  const bool free = handler->freeWithWindow_;
  gNotifying.push_back(handler);
  const size_t slot = gNotifying.size() - 1;
  try {
    handler->WindowDestroyed();
  } catch (...) {
    ReportHandlerError();
  }
  const bool alive = gNotifying[slot] == handler;
  gNotifying.pop_back();
  if (alive && free) delete handler;
}
