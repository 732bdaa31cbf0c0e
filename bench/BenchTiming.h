// Timing shared by the benchmarks: seconds per call of an operation, measured in the run
// that compares it with its baseline.
#pragma once

#include <chrono>
#include <functional>

// Seconds per call, from enough calls to fill about 0.2 s (after one warm-up call, which
// fills caches and lazily built state).
inline double TimePerCall(const std::function<void()>& call) {
  using Clock = std::chrono::steady_clock;
  call();
  long n = 1;
  for (;;) {
    const auto start = Clock::now();
    for (long i = 0; i < n; ++i) call();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    if (elapsed > 0.2) return elapsed / static_cast<double>(n);
    n *= 2;
  }
}
