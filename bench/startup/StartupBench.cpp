// bench-startup: process start to the main window's first complete skinned paint, against
// process start to the first complete paint of the same window whose skin manager is off
// from the start (the framework's plain painting), measured in one run.
//
// Each figure comes from a fresh child process (this program started again with
// "--child skinned" or "--child plain"). The child builds the window as the program does,
// shows it, handles messages until it is shown with no update region left in it or any
// visible window below it, and prints the time since its own creation (from the process
// times). The variants alternate over the rounds; the medians and their ratio are printed.
//
// Goal: skinned at most 1.5 times the plain start (stretch: 1.2 times).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "app/AppIcon.h"
#include "app/umain.h"
#include "bench/WindowPaint.h"
#include "skin/data/acSkinReport.h"
#include "skin/window/acEditWnd.h"

namespace {

// Skin warnings go to the standard error: a message box would stop the child.
class TStderrSkinReporter : public TacSkinReporter {
public:
  void Warning(const String& caption, const String& text) override {
    std::fwprintf(stderr, L"skin warning: %ls: %ls\n", caption.c_str(), text.c_str());
  }
};

double MillisecondsSinceProcessStart() {
  FILETIME creation, exitTime, kernel, user, now;
  GetProcessTimes(GetCurrentProcess(), &creation, &exitTime, &kernel, &user);
  GetSystemTimePreciseAsFileTime(&now);
  const auto ticks = [](const FILETIME& t) {
    return static_cast<long long>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
  };
  return static_cast<double>(ticks(now) - ticks(creation)) / 1e4;
}

// The child: prints "<milliseconds> <skin active 0|1> <milliseconds before wmain>" once the
// window is fully painted.
int RunChild(bool skinned) {
  const double atEntry = MillisecondsSinceProcessStart();
  TStderrSkinReporter warnings;
  SetSkinReporter(&warnings);
  FillApplicationIcon(Application->Icon());
  Application->Initialize();
  UseWindowHandlers();  // the list's frame, as the program has it
  Application->SetTitle(L"Equidiv");
  Tfrmmain* form = Application->CreateForm<Tfrmmain>(skinned);
  form->Show();
  if (!WaitForCompletePaint(form->Handle())) {
    std::fprintf(stderr, "the window was not painted in time\n");
    return 2;
  }
  const double elapsed = MillisecondsSinceProcessStart();
  std::printf("%.3f %d %.3f\n", elapsed, form->sSkinManager1->SkinActive() ? 1 : 0, atEntry);
  std::fflush(stdout);
  SetSkinReporter(nullptr);
  return 0;
}

struct ChildResult {
  double milliseconds = -1;
  int skinActive = -1;
  double beforeEntry = -1;
};

// Starts this program again as a child of the given variant and reads its one line.
ChildResult RunVariant(const std::wstring& self, bool skinned) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return {};
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  std::wstring command = L"\"" + self + L"\" --child " + (skinned ? L"skinned" : L"plain");
  PROCESS_INFORMATION process{};
  const BOOL started =
      CreateProcessW(self.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
  CloseHandle(writeEnd);
  if (!started) {
    CloseHandle(readEnd);
    return {};
  }
  std::string output;
  char buffer[256];
  DWORD got = 0;
  while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) output.append(buffer, got);
  CloseHandle(readEnd);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  ChildResult result;
  if (code != 0 || std::sscanf(output.c_str(), "%lf %d %lf", &result.milliseconds, &result.skinActive,
                                   &result.beforeEntry) != 3) return {};
  return result;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 3 && std::wcscmp(argv[1], L"--child") == 0) return RunChild(std::wcscmp(argv[2], L"plain") != 0);
  const int rounds = argc >= 2 ? std::max(1, _wtoi(argv[1])) : 9;

  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring self(path, length);

  // One start of each first, not counted: it fills the file cache for both.
  for (bool skinned : {true, false})
    if (RunVariant(self, skinned).milliseconds < 0) {
      std::printf("the %s child failed\n", skinned ? "skinned" : "plain");
      return 1;
    }
  std::vector<double> skinnedTimes, plainTimes, entryTimes;
  for (int round = 0; round < rounds; ++round) {
    // The order alternates, so neither variant always runs right after the other.
    const bool skinnedFirst = round % 2 == 0;
    for (bool skinned : {skinnedFirst, !skinnedFirst}) {
      const ChildResult result = RunVariant(self, skinned);
      if (result.milliseconds < 0 || result.skinActive != (skinned ? 1 : 0)) {
        std::printf("the %s child failed or ran with the wrong skin state (%d)\n", skinned ? "skinned" : "plain",
                    result.skinActive);
        return 1;
      }
      (skinned ? skinnedTimes : plainTimes).push_back(result.milliseconds);
      entryTimes.push_back(result.beforeEntry);
    }
  }
  const double skinned = Median(skinnedTimes), plain = Median(plainTimes);
  std::printf("%-34s %12s %12s %8s\n", "start to first complete paint", "skinned", "skin off", "ratio");
  std::printf("%-34s %9.1f ms %9.1f ms %8.2f\n", "median of rounds", skinned, plain, skinned / plain);
  std::printf("rounds %d; skinned %.1f..%.1f ms, skin off %.1f..%.1f ms\n", rounds,
              *std::min_element(skinnedTimes.begin(), skinnedTimes.end()),
              *std::max_element(skinnedTimes.begin(), skinnedTimes.end()),
              *std::min_element(plainTimes.begin(), plainTimes.end()),
              *std::max_element(plainTimes.begin(), plainTimes.end()));
  // The part both variants share before any of the program's code runs.
  std::printf("process start to wmain (both variants): median %.1f ms\n", Median(entryTimes));
  return 0;
}
