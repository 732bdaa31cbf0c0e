#!/usr/bin/env bash
# Runs the end-to-end driver under Wine and turns the screenshots it saved (BMP) into PNG.
#   run-e2e.sh WINE-RUN DRIVER.exe EQUIDIV.exe SCREENSHOT-FOLDER
set -uo pipefail
[ $# -eq 4 ] || { echo "usage: run-e2e.sh WINE-RUN DRIVER.exe EQUIDIV.exe SCREENSHOT-FOLDER" >&2; exit 2; }
wine_run=$1 driver=$2 program=$3 shots=$4

[ -f "$program" ] || { echo "the program to test is missing: $program" >&2; exit 1; }
mkdir -p "$shots"
rm -f "$shots"/e2e-*.bmp "$shots"/e2e-*.png

# Wine's console output is UTF-8 here; its notices about drive Z: are noise.
"$wine_run" "$driver" "$program" "$shots" 2> >(grep -v 'Read access denied for device' >&2)
status=$?

for bmp in "$shots"/e2e-*.bmp; do
  [ -e "$bmp" ] || continue
  if convert "$bmp" "${bmp%.bmp}.png"; then
    rm -f "$bmp"
    echo "screenshot: ${bmp%.bmp}.png"
  else
    echo "could not convert $bmp to PNG" >&2
    status=1
  fi
done
exit $status
