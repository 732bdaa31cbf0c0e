// bench-repaint: a full repaint of the main window (frame, client area and every child)
// with every cached picture invalid, against the same window with the skin manager
// inactive (the platform's look) repainted in the same way, timed in the same run. The
// two windows take turns over a few rounds (one window at a time: both would share the
// default manager); each figure is the quickest of many calls and of its rounds, so a
// busy machine weighs on both alike.
//
// For the skinned window it also prints the same repaint with valid caches (which must
// copy them only: no picture composed) and a breakdown per picture: each control's
// picture made stale alone, its cost over the repaint with valid caches and the part of
// that spent in text work.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/umain.h"
#include "bench/WindowPaint.h"
#include "skin/core/sSkinCommands.h"
#include "skin/paint/Compose.h"
#include "skin/dialogs/acDials.h"
#include "skin/window/acEditWnd.h"

namespace {

constexpr int kRounds = 3;
constexpr UINT kFullRepaint = RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW;

// Command 17 (background changed) to `control` and everything below it.
void MarkBackgroundsChanged(TControl* control) {
  PerformSkinCommand(control, CMD_SETBGCHANGED, 0);
  if (!control->IsWindowed()) return;
  auto* windowed = static_cast<TWinControl*>(control);
  for (int i = 0; i < windowed->ControlCount(); ++i) MarkBackgroundsChanged(windowed->Controls(i));
}

// The controls below `control` that are visible and whose picture waits for a rebuild.
int CountStale(TWinControl* control) {
  int stale = 0;
  for (int i = 0; i < control->ControlCount(); ++i) {
    TControl* child = control->Controls(i);
    if (!child->Visible()) continue;
    if (AskControl(child, CMD_ISBGBUSY)) ++stale;
    if (child->IsWindowed()) stale += CountStale(static_cast<TWinControl*>(child));
  }
  return stale;
}

// The visible controls below `control`, parents before their children.
void VisibleControls(TWinControl* control, std::vector<TControl*>& out) {
  for (int i = 0; i < control->ControlCount(); ++i) {
    TControl* child = control->Controls(i);
    if (!child->Visible()) continue;
    out.push_back(child);
    if (child->IsWindowed()) VisibleControls(static_cast<TWinControl*>(child), out);
  }
}

// One call of an operation: seconds, pictures composed, seconds of text work.
struct TCost {
  double seconds = 0;
  long rebuilds = 0;
  double text = 0;
};

// The quickest of the calls made in about 0.3 s (at least 20, after one warm-up call):
// on a shared machine the quickest call is the one least disturbed by other work.
TCost Measure(const std::function<void()>& call) {
  using Clock = std::chrono::steady_clock;
  call();
  TCost best{1e9, 0, 0};
  const auto end = Clock::now() + std::chrono::milliseconds(300);
  for (int calls = 0; calls < 20 || Clock::now() < end; ++calls) {
    const long composedBefore = PictureCompositions();
    const double textBefore = TextWorkSeconds();
    const auto start = Clock::now();
    call();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (seconds < best.seconds)
      best = TCost{seconds, PictureCompositions() - composedBefore, TextWorkSeconds() - textBefore};
  }
  return best;
}

void Repaint(HWND window) { RedrawWindow(window, nullptr, nullptr, kFullRepaint); }

// The program's main window, shown and completely painted, in the steady state a person
// sees (the timer has found no file chosen); deleted with the object.
class TShownWindow {
public:
  explicit TShownWindow(bool skinned) : form_(new Tfrmmain(Application, skinned)) {
    form_->AfterConstruction();
    form_->tmr1->SetEnabled(false);
    form_->tmr1Timer(form_->tmr1);
    form_->Show();
    ready_ = WaitForCompletePaint(form_->Handle()) && form_->sSkinManager1->SkinActive() == skinned;
  }
  ~TShownWindow() { delete form_; }
  TShownWindow(const TShownWindow&) = delete;
  TShownWindow& operator=(const TShownWindow&) = delete;

  bool Ready() const { return ready_; }
  Tfrmmain* Form() const { return form_; }

private:
  Tfrmmain* form_;
  bool ready_ = false;
};

struct TRound {
  double plain = 0;
  double skinned = 0;
  RECT client{};
};

// The full repaint of the plain window: false when it did not come up.
bool MeasurePlain(TRound& round) {
  const TShownWindow shown(false);
  if (!shown.Ready()) return false;
  round.plain = Measure([&] { Repaint(shown.Form()->Handle()); }).seconds;
  return true;
}

// The frame providers' pictures (the form's frame and client background) marked stale:
// they take the frame's repaint, not command 17.
void MarkFramesChanged() {
  for (TacProvider* record : DialogProviders())
    if (TsSkinProvider* provider = record->FormProvider()) provider->SkinData().BackgroundChangedFlag = true;
}

// Each window's own picture made stale alone and its window repainted alone (children
// left out), against the same repaint with its cache valid: short calls, so that their
// quickest run is seldom disturbed by other work.
void PrintBreakdown(Tfrmmain* form, const TCost& full, const TCost& valid) {
  std::printf("\nskinned window, per repaint             time       text   pictures composed\n");
  std::printf("%-32s %8.3f ms %7.3f ms %6ld\n", "every picture stale", full.seconds * 1e3, full.text * 1e3,
              full.rebuilds);
  std::printf("%-32s %8.3f ms %7.3f ms %6ld\n", "caches valid (copies only)", valid.seconds * 1e3,
              valid.text * 1e3, valid.rebuilds);
  std::printf("\none window stale, repainted alone: its cost over the same repaint with a valid cache\n");
  std::printf("  %-30s %8s    %7s    %6s %12s\n", "", "rebuild", "text", "pictures", "copy only");
  std::vector<TControl*> controls{form};
  VisibleControls(form, controls);
  double sum = 0, textSum = 0;
  for (TControl* control : controls) {
    if (!control->IsWindowed()) continue;  // labels have no picture: they paint with their parent
    const HWND window = static_cast<TWinControl*>(control)->Handle();
    const auto repaint = [window] { RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW); };
    const TCost copy = Measure(repaint);
    const TCost stale = Measure([&] {
      if (control == form)
        MarkFramesChanged();
      else
        PerformSkinCommand(control, CMD_SETBGCHANGED, 0);
      repaint();
    });
    const double cost = stale.seconds - copy.seconds, text = stale.text - copy.text;
    sum += cost;
    textSum += text;
    const std::wstring name = control == form ? L"frmmain (frame, client)" : control->Name();
    std::printf("  %-30ls %8.3f ms %7.3f ms %6ld %9.3f ms\n", name.c_str(), cost * 1e3, text * 1e3, stale.rebuilds,
                copy.seconds * 1e3);
  }
  std::printf("  %-30s %8.3f ms %7.3f ms\n", "sum", sum * 1e3, textSum * 1e3);
}

// The full repaint of the skinned window, with the checks and, when `breakdown`, the
// breakdown; false when something did not hold (said on standard output).
bool MeasureSkinned(TRound& round, bool breakdown) {
  const TShownWindow shown(true);
  if (!shown.Ready()) {
    std::printf("the skinned window did not come up\n");
    return false;
  }
  Tfrmmain* form = shown.Form();
  const HWND window = form->Handle();
  GetClientRect(window, &round.client);
  // Once: the marking reaches the pictures and the repaint rebuilds them all.
  if (DialogProviders().empty()) {
    std::printf("the skinned window has no frame provider\n");
    return false;
  }
  MarkBackgroundsChanged(form);
  const int marked = CountStale(form);
  Repaint(window);
  const int left = CountStale(form);
  if (marked == 0 || left != 0) {
    std::printf("marked %d visible pictures stale, %d still stale after the repaint\n", marked, left);
    return false;
  }
  const TCost full = Measure([&] {
    MarkFramesChanged();
    MarkBackgroundsChanged(form);
    Repaint(window);
  });
  round.skinned = full.seconds;
  if (!breakdown) return true;
  const TCost valid = Measure([&] { Repaint(window); });
  PrintBreakdown(form, full, valid);
  if (valid.rebuilds != 0) std::printf("(a repaint with valid caches still composes %ld pictures)\n", valid.rebuilds);
  return true;
}

}  // namespace

int wmain() {
  Application->Initialize();
  // The frame and the list's frame, as the program has them.
  UseDialogHook();
  UseWindowHandlers();

  std::vector<TRound> rounds(kRounds);
  for (int i = 0; i < kRounds; ++i) {
    if (!MeasurePlain(rounds[static_cast<size_t>(i)])) {
      std::printf("the plain window did not come up\n");
      return 1;
    }
    if (!MeasureSkinned(rounds[static_cast<size_t>(i)], i == 0)) return 1;
  }

  const RECT client = rounds.front().client;
  std::printf("\nmain window %ld x %ld, full repaint, every picture stale\n", client.right, client.bottom);
  std::printf("%-8s %12s %12s\n", "round", "skinned", "plain");
  double skinned = 1e9, plain = 1e9;
  for (size_t i = 0; i < rounds.size(); ++i) {
    std::printf("%-8zu %9.3f ms %9.3f ms\n", i + 1, rounds[i].skinned * 1e3, rounds[i].plain * 1e3);
    skinned = std::min(skinned, rounds[i].skinned);
    plain = std::min(plain, rounds[i].plain);
  }
  std::printf("%-8s %9.3f ms %9.3f ms\n", "best", skinned * 1e3, plain * 1e3);
  std::printf("ratio skinned/plain %.2f\n", skinned / plain);
  return 0;
}
