#!/usr/bin/env bash
# Builds the skin data fuzz targets (tests/fuzz) with clang and libFuzzer and runs each one
# for a bounded time over a copy of its seed corpus. Exits non-zero when a target finds a
# crash, a leak, a timeout or runs out of memory; the input is kept under build/fuzz.
# EQUIDIV_FUZZ_SECONDS sets the time per target (default 30).
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$EQUIDIV_ROOT"

seconds=${EQUIDIV_FUZZ_SECONDS:-30}
build="$EQUIDIV_BUILD/fuzz"
mkdir -p "$EQUIDIV_BUILD"
command -v clang++-14 >/dev/null ||
  die "clang++-14 is missing (Debian packages clang-14 and libclang-rt-14-dev)"
cmake -S tests/fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >"$build.configure.log" 2>&1 ||
  { cat "$build.configure.log"; die "configuring the fuzz targets failed"; }
cmake --build "$build" -j2 >"$build.build.log" 2>&1 || { tail -40 "$build.build.log"; die "building the fuzz targets failed"; }

status=0
for target in package options images paint; do
  work="$build/corpus-$target"
  rm -rf "$work"
  mkdir -p "$work"
  cp tests/fuzz/corpus/$target/* "$work/"
  log "fuzzing $target for ${seconds}s"
  if "$build/fuzz_$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=3072 \
      -artifact_prefix="$build/$target-" -print_final_stats=1 "$work" >"$build/$target.log" 2>&1; then
    grep -E '^stat::number_of_executed_units' "$build/$target.log" | sed "s/^/[equidiv]   $target /" >&2 || true
  else
    status=1
    tail -60 "$build/$target.log"
    log "fuzz target $target failed; see $build/$target.log"
  fi
done
exit "$status"
