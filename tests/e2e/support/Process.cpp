#include "tests/e2e/support/Process.h"

namespace e2e {

ChildProcess::~ChildProcess() { Terminate(); }

bool ChildProcess::Start(const std::wstring& exe, const std::wstring& folder, std::wstring& error) {
  std::wstring commandLine = L"\"" + exe + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &info_)) {
    error = L"CreateProcess failed with error " + std::to_wstring(GetLastError());
    info_ = {};
    return false;
  }
  return true;
}

bool ChildProcess::Running() const {
  return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

bool ChildProcess::WaitForExit(DWORD ms) const {
  return info_.hProcess && WaitForSingleObject(info_.hProcess, ms) == WAIT_OBJECT_0;
}

DWORD ChildProcess::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (info_.hProcess) GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

void ChildProcess::Terminate() {
  if (!info_.hProcess) return;
  if (Running()) {
    TerminateProcess(info_.hProcess, 1);
    WaitForSingleObject(info_.hProcess, 10000);
  }
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
  info_ = {};
}

}  // namespace e2e
