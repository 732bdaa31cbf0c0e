// Check results of an end-to-end run, printed as they happen.
//
// A failed `Check` is recorded and the run goes on, so one run shows every fault it can
// reach; a failed `Require` throws `StepFailed`, which ends the current scenario (later
// steps would only act on a window that is not where they expect it).
#pragma once

#include <stdexcept>
#include <string>

namespace e2e {

class StepFailed : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class Report {
public:
  // Prints "ok" or "FAIL" with `what` (and `detail` on failure); returns `passed`.
  bool Check(bool passed, const std::wstring& what, const std::wstring& detail = {});
  // Compares two texts and prints both when they differ.
  bool CheckEqual(const std::wstring& actual, const std::wstring& expected, const std::wstring& what);
  bool CheckEqual(long long actual, long long expected, const std::wstring& what);
  // As Check, but throws StepFailed when `passed` is false.
  void Require(bool passed, const std::wstring& what, const std::wstring& detail = {});
  // A heading for the following checks.
  void Step(const std::wstring& title);
  // A line of information that is not a check.
  void Note(const std::wstring& text);

  int Passed() const { return passed_; }
  int Failed() const { return failed_; }
  // Prints the closing "N passed, N failed" line.
  void PrintSummary() const;

private:
  int passed_ = 0;
  int failed_ = 0;
};

// Narrow console output of wide text (UTF-8), so CTest logs show the Chinese captions.
void Print(const std::wstring& text);
std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

}  // namespace e2e
