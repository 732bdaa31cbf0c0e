// Waiting for a condition with a deadline. Every wait in the driver goes through here:
// the condition is polled until it holds or the deadline passes, never a fixed sleep.
#pragma once

#include <windows.h>

#include <functional>

namespace e2e {

// Generous limits: Wine on a shared, loaded machine can be slow, and a wait that holds
// returns as soon as its condition does.
constexpr DWORD kShortWaitMs = 5000;
constexpr DWORD kWaitMs = 15000;
constexpr DWORD kLongWaitMs = 30000;

class Deadline {
public:
  explicit Deadline(DWORD ms) : end_(GetTickCount64() + ms) {}
  bool Passed() const { return GetTickCount64() >= end_; }

private:
  ULONGLONG end_;
};

// Polls `condition` every `pollMs` until it returns true (then true) or `ms` pass (then
// false). The condition is always evaluated at least once, also after the deadline.
bool WaitFor(const std::function<bool()>& condition, DWORD ms = kWaitMs, DWORD pollMs = 15);

}  // namespace e2e
