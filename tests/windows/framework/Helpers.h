// Helpers for tests that drive real windows: waiting with a deadline while messages
// run, recording framework notifications, and answering modal windows.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "framework/WinControls.h"
#include "framework/Forms.h"

// Handles messages until `done` holds or `timeout` passes; returns `done()`.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(5));

// Makes sure the application object is initialised (idempotent).
void EnsureApplication();

// Records the messages of chosen numbers that pass a control's WindowProc, then hands
// them on. Restores the previous procedure when destroyed.
class MessageLog {
public:
  MessageLog(TControl& control, std::vector<UINT> watched);
  ~MessageLog();
  MessageLog(const MessageLog&) = delete;
  MessageLog& operator=(const MessageLog&) = delete;

  struct Entry {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
  };
  const std::vector<Entry>& Entries() const { return entries_; }
  int Count(UINT msg) const;
  void Clear() { entries_.clear(); }

private:
  TControl& control_;
  TWndMethod previous_;
  std::vector<UINT> watched_;
  std::vector<Entry> entries_;
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

private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void Check();

  std::wstring className_;
  std::wstring button_;
  std::wstring fileName_;
  UINT_PTR timer_ = 0;
  std::vector<Seen> answered_;
  std::vector<HWND> handled_;
  std::map<HWND, ULONGLONG> strayFirstSeen_;
};

std::wstring WindowClassOf(HWND window);
std::wstring WindowTextOf(HWND window);
// A fresh empty folder under the temporary folder, removed with its files at the end.
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
