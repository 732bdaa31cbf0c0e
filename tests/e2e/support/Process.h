// A program started by the driver, ended by its own handle when the driver is done with it.
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

class ChildProcess {
public:
  ChildProcess() = default;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  // Terminates the process if it still runs, and waits for it to go.
  ~ChildProcess();

  // Starts `exe` with no arguments in `folder`. Returns false (with `error` set) when
  // the process could not be created.
  bool Start(const std::wstring& exe, const std::wstring& folder, std::wstring& error);
  bool Running() const;
  DWORD Id() const { return info_.dwProcessId; }
  HANDLE Handle() const { return info_.hProcess; }
  // Waits up to `ms` for the process to end by itself; true when it has.
  bool WaitForExit(DWORD ms) const;
  DWORD ExitCode() const;
  // Ends the process (if it runs) and waits for it.
  void Terminate();

private:
  PROCESS_INFORMATION info_{};
};

}  // namespace e2e
