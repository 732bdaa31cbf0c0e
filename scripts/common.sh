# Shared paths and helpers for the set-up, run and test scripts. Sourced, not run.
# shellcheck shell=bash

EQUIDIV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
EQUIDIV_BUILD="$EQUIDIV_ROOT/build"
EQUIDIV_DEPS="$EQUIDIV_BUILD/deps"
WINE_BIN=/usr/lib/wine/wine64
WINESERVER_BIN=/usr/lib/wine/wineserver
export WINEPREFIX="${EQUIDIV_WINEPREFIX:-$EQUIDIV_BUILD/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64

log() { printf '[equidiv] %s\n' "$*" >&2; }
die() { printf '[equidiv] error: %s\n' "$*" >&2; exit 1; }

# A Linux path as the Windows program sees it (Wine maps the root to drive Z:).
winepath_of() { printf 'Z:%s' "${1//\//\\}"; }

# Processes this script started, ended by id on exit (never by name).
EQUIDIV_STARTED_PIDS=()
EQUIDIV_STARTED_WINESERVER=0

equidiv_cleanup() {
  if [ "$EQUIDIV_STARTED_WINESERVER" = 1 ]; then
    "$WINESERVER_BIN" -k >/dev/null 2>&1 || true
    "$WINESERVER_BIN" -w >/dev/null 2>&1 || true
    EQUIDIV_STARTED_WINESERVER=0
  fi
  local pid
  for pid in "${EQUIDIV_STARTED_PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  EQUIDIV_STARTED_PIDS=()
}

# Starts a private Xvfb when no display is set and exports DISPLAY for it.
equidiv_ensure_display() {
  if [ -n "${DISPLAY:-}" ]; then return 0; fi
  command -v Xvfb >/dev/null || die "Xvfb is missing; run scripts/setup.sh"
  local fifo
  fifo=$(mktemp -u "${TMPDIR:-/tmp}/equidiv-xvfb.XXXXXX")
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
  EQUIDIV_STARTED_PIDS+=($!)
  local display=""
  read -r -t 20 display <"$fifo" || true
  rm -f "$fifo"
  [ -n "$display" ] || die "Xvfb did not start"
  export DISPLAY=":$display"
}

# One persistent wineserver for this prefix, for as long as the calling script runs.
# A server that was already running for the prefix is left alone.
# Wine's own services are started here, with their output detached: started later by a
# test, they would inherit the test's output pipe and keep CTest waiting for its end.
equidiv_start_wineserver() {
  if "$WINESERVER_BIN" -p >/dev/null 2>&1; then
    EQUIDIV_STARTED_WINESERVER=1
  fi
  "$WINE_BIN" cmd.exe /c exit >/dev/null 2>&1 </dev/null || true
}
