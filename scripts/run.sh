#!/usr/bin/env bash
# Builds Equidiv and starts it (under Wine on Linux). With no display set, it runs on a
# private Xvfb, saves a screenshot of the main window once it is up, and keeps running
# until the window is closed or Ctrl+C is pressed; everything it started is then ended.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$EQUIDIV_ROOT"

"$EQUIDIV_ROOT/scripts/setup.sh"
cmake --preset windows >/dev/null
cmake --build --preset windows --target equidiv equidiv-winshot
program="$EQUIDIV_BUILD/windows/bin/equidiv.exe"
[ -f "$program" ] || die "the build did not produce $program"

if [ -n "${DISPLAY:-}" ]; then
  exec "$WINE_BIN" "$program"
fi

trap equidiv_cleanup EXIT
trap 'log "stopping"; exit 0' INT TERM
equidiv_ensure_display
equidiv_start_wineserver
"$WINE_BIN" "$program" >/dev/null 2>&1 &
app=$!
EQUIDIV_STARTED_PIDS=("$app" "${EQUIDIV_STARTED_PIDS[@]}")

shots="$EQUIDIV_BUILD/screenshots"
mkdir -p "$shots"
bmp="$shots/run-main-window.bmp"
if "$WINE_BIN" "$EQUIDIV_BUILD/windows/bin/equidiv-winshot.exe" Tfrmmain "$(winepath_of "$bmp")" 30 >/dev/null 2>&1 &&
   convert "$bmp" "$shots/run-main-window.png" 2>/dev/null; then
  rm -f "$bmp"
  log "Equidiv is running on the private display $DISPLAY"
  log "screenshot of its window: $shots/run-main-window.png"
else
  log "Equidiv started on $DISPLAY, but no screenshot of its window could be taken"
fi
log "stop it with Ctrl+C (or: kill $$)"
wait "$app" || true
log "Equidiv has ended"
