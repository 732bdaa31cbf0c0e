#!/usr/bin/env bash
# Runs an end-to-end driver under Wine and turns the screenshots it saved (BMP files whose
# names start with PREFIX) into PNG.
#   run-e2e.sh WINE-RUN DRIVER.exe EQUIDIV.exe SCREENSHOT-FOLDER PREFIX
set -uo pipefail
[ $# -eq 5 ] || { echo "usage: run-e2e.sh WINE-RUN DRIVER.exe EQUIDIV.exe SCREENSHOT-FOLDER PREFIX" >&2; exit 2; }
wine_run=$1 driver=$2 program=$3 shots=$4 prefix=$5

[ -f "$program" ] || { echo "the program to test is missing: $program" >&2; exit 1; }
mkdir -p "$shots"
rm -f "$shots/$prefix"*.bmp "$shots/$prefix"*.png

# Wine's console output is UTF-8 here; its notices about drive Z: are noise.
"$wine_run" "$driver" "$program" "$shots" 2> >(grep -v 'Read access denied for device' >&2)
status=$?

for bmp in "$shots/$prefix"*.bmp; do
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
