#include "tests/e2e/support/Wait.h"

namespace e2e {

bool WaitFor(const std::function<bool()>& condition, DWORD ms, DWORD pollMs) {
  Deadline deadline(ms);
  for (;;) {
    if (condition()) return true;
    if (deadline.Passed()) return condition();
    Sleep(pollMs);
  }
}

}  // namespace e2e
