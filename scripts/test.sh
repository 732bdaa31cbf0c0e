#!/usr/bin/env bash
# Builds everything and runs every test: native unit tests (also under ASan/UBSan), the
# Windows tests and end-to-end tests under Wine, and short fuzzing runs. Exits non-zero
# on any failure.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$EQUIDIV_ROOT"

"$EQUIDIV_ROOT/scripts/setup.sh"

jobs=$(nproc)
for preset in native native-asan windows; do
  log "building $preset"
  cmake --preset "$preset" -DEQUIDIV_WERROR=ON >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

status=0
log "native tests"
ctest --preset native -j "$jobs" || status=1
log "native tests under AddressSanitizer and UBSan"
ctest --preset native-asan -j "$jobs" || status=1
log "Windows and end-to-end tests under Wine"
"$EQUIDIV_ROOT/scripts/with-wine.sh" ctest --preset windows -j "$jobs" || status=1
if [ -x "$EQUIDIV_ROOT/scripts/fuzz.sh" ]; then
  log "fuzzing"
  "$EQUIDIV_ROOT/scripts/fuzz.sh" || status=1
fi

if [ "$status" = 0 ]; then log "all tests passed"; else log "TESTS FAILED"; fi
exit "$status"
