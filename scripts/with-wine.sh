#!/usr/bin/env bash
# Runs a command with a display (a private Xvfb when none is set) and one persistent
# wineserver for the project's prefix, and ends both afterwards, by id.
#   scripts/with-wine.sh ctest --preset windows
set -euo pipefail
source "$(dirname "$0")/common.sh"
[ -f "$WINEPREFIX/.equidiv-ready" ] || die "the Wine prefix is not prepared; run scripts/setup.sh"
trap equidiv_cleanup EXIT
trap 'exit 130' INT TERM
equidiv_ensure_display
equidiv_start_wineserver
"$@"
