// Helpers for tests that drive real windows: waiting with a deadline while messages
// run, recording framework notifications, and answering modal windows.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/WinControls.h"
#include "framework/Forms.h"
#include "MessageSequence.h"

// Handles messages until `done` holds or `timeout` passes; returns `done()`.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(5));

// Makes sure the application object is initialised (idempotent).
void EnsureApplication();

// Learns through a free notification when a component is freed.
class FreeWatch : public TComponent {
public:
  explicit FreeWatch(TComponent* watched);
  bool Freed() const { return freed_; }

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  TComponent* watched_;
  bool freed_ = false;
};

// Records the messages of chosen numbers that pass a control's WindowProc, in order, then
// hands them on. The control may be freed before the log: the log hears of it (through a
// free notification) and leaves it alone from then on. A log destroyed first takes its
// wrapper out of WindowProc while the wrapper is still the current one, and otherwise
// leaves a pass-through there (a later wrapper keeps calling it).
class MessageLog {
public:
  // Into a sequence of its own.
  MessageLog(TControl& control, std::vector<UINT> watched);
  // Into `into` (shared with other recorders, so the order between controls shows), with
  // entries received by `who`. `into` must outlive the log.
  MessageLog(TControl& control, MessageSequence& into, std::string who);
  ~MessageLog();
  MessageLog(const MessageLog&) = delete;
  MessageLog& operator=(const MessageLog&) = delete;

  using Entry = RecordedMessage;
  // The whole sequence written to (with a shared one, the other recorders' entries too).
  const std::vector<Entry>& Entries() const { return into_->Messages(); }
  // This log's entries of `msg`.
  int Count(UINT msg) const;
  void Clear() { into_->Clear(); }
  // False once the control has been freed.
  bool Watching() const { return control_ != nullptr; }

private:
  class Recorder;
  void Install();
  void Record(const TMessage& message);

  TControl* control_;
  std::unique_ptr<MessageSequence> own_;
  MessageSequence* into_;
  std::string who_;
  std::unique_ptr<Recorder> recorder_;
};

// While it exists, answers every top-level window of the thread whose class is
// `className` (a modal box or form) as soon as it appears: records its caption and its
// texts (the window's static and framework label texts), then presses the button whose
// text is `button` (by BM_CLICK) or, without one, sends IDOK. A message box or message
// form of another class that nobody answers within a few seconds is closed and reported
// as a test failure, so an unexpected box ends the test instead of blocking it.
class ModalAnswerer {
public:
  ModalAnswerer(std::wstring className, std::wstring button = L"OK");
  ~ModalAnswerer();
  ModalAnswerer(const ModalAnswerer&) = delete;
  ModalAnswerer& operator=(const ModalAnswerer&) = delete;

  struct Seen {
    std::wstring caption;
    std::vector<std::wstring> texts;
    bool hasIcon = false;
  };
  const std::vector<Seen>& Answered() const { return answered_; }
  // For file dialogs: the file name typed into the dialog before it is confirmed.
  void SetFileName(std::wstring name) { fileName_ = std::move(name); }
  // A window of the class is answered only once `ready` holds for it (a dialog that
  // settles after it is shown, such as a browser selecting its initial folder).
  void SetReady(std::function<bool(HWND)> ready) { ready_ = std::move(ready); }

private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void Check();

  std::wstring className_;
  std::wstring button_;
  std::wstring fileName_;
  std::function<bool(HWND)> ready_;
  UINT_PTR timer_ = 0;
  std::vector<Seen> answered_;
  std::vector<HWND> handled_;
  std::map<HWND, ULONGLONG> strayFirstSeen_;
};

std::wstring WindowClassOf(HWND window);
std::wstring WindowTextOf(HWND window);
// A fresh empty folder under the temporary folder, removed with everything in it at the end.
class TempFolder {
public:
  TempFolder();
  ~TempFolder();
  const std::wstring& Path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
  std::wstring path_;
};
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::wstring& path);
