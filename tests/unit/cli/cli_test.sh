#!/usr/bin/env bash
# equidiv-cli exit statuses and messages. Usage: cli_test.sh CLI [RUNNER...]
# (RUNNER runs the Windows build under Wine; paths are then given as Z:\... names).
set -uo pipefail
cli=$1; shift
runner=("$@")
dir=$(mktemp -d "${TMPDIR:-/tmp}/equidiv-cli.XXXXXX")
trap 'rm -rf "$dir"' EXIT
failures=0

path() { if [ ${#runner[@]} -gt 0 ]; then printf 'Z:%s' "${1//\//\\}"; else printf '%s' "$1"; fi; }
run() { "${runner[@]}" "$cli" "$@" >"$dir/stdout" 2>"$dir/stderr"; echo $? >"$dir/rc"; }
expect() {  # expect RC [stdout-text] [stderr-substring]
  local rc; rc=$(cat "$dir/rc")
  [ "$rc" = "$1" ] || { echo "FAIL: ${label}: exit $rc, expected $1; stderr: $(cat "$dir/stderr")"; failures=$((failures+1)); }
  if [ -n "${2-}" ] && [ "$(tr -d '\r' <"$dir/stdout")" != "$2" ]; then
    echo "FAIL: ${label}: stdout '$(cat "$dir/stdout")', expected '$2'"; failures=$((failures+1)); fi
  if [ -n "${3-}" ] && ! grep -qF -- "$3" "$dir/stderr"; then
    echo "FAIL: ${label}: stderr lacks '$3': $(cat "$dir/stderr")"; failures=$((failures+1)); fi
}

printf '0123456789' >"$dir/clip.avi"
label="split into the file's folder"; run split "$(path "$dir/clip.avi")" 3; expect 0
for k in 1 2 3; do [ -f "$dir/clip.avi.sprt$k" ] || { echo "FAIL: piece $k missing"; failures=$((failures+1)); }; done
label="merge"; run merge "$(path "$dir/joined")" "$(path "$dir/clip.avi.sprt1")" "$(path "$dir/clip.avi.sprt2")" "$(path "$dir/clip.avi.sprt3")"; expect 0
cmp -s "$dir/clip.avi" "$dir/joined" || { echo "FAIL: merged file differs"; failures=$((failures+1)); }
mkdir "$dir/pieces"
label="split into a folder"; run split "$(path "$dir/clip.avi")" 2 "$(path "$dir/pieces")"; expect 0
[ "$(wc -c <"$dir/pieces/clip.avi.sprt2")" = 5 ] || { echo "FAIL: folder piece"; failures=$((failures+1)); }
label="count not below the size"; run split "$(path "$dir/clip.avi")" 10; expect 0 "" "nothing written"
for bad in abc 3x "" 0x3 99999999999; do
  label="count '$bad'"; run split "$(path "$dir/clip.avi")" "$bad"; expect 2
done
label="missing source"; run split "$(path "$dir/none")" 2; expect 1 "" "Cannot open file \""
label="merge into an input"; run merge "$(path "$dir/joined")" "$(path "$dir/joined")"; expect 1 "" "Cannot open file \""
cmp -s "$dir/clip.avi" "$dir/joined" || { echo "FAIL: the input of a refused merge changed"; failures=$((failures+1)); }
printf 'old' >"$dir/kept"
label="merge with a missing piece"
run merge "$(path "$dir/kept")" "$(path "$dir/clip.avi")" "$(path "$dir/none")"; expect 1 "" "Cannot open file \""
[ "$(cat "$dir/kept")" = old ] || { echo "FAIL: a failed merge changed its existing output"; failures=$((failures+1)); }
if [ ${#runner[@]} -eq 0 ]; then
  # A real refusal of the file system: a file size limit of 1 KiB (SIGXFSZ ignored, write() fails).
  head -c 4096 /dev/zero >"$dir/big"
  label="merge past the file size limit"
  ( trap '' XFSZ; ulimit -f 1; run merge "$dir/kept" "$dir/big" ); expect 1 "" "Cannot write file \"$dir/kept\". "
  [ "$(cat "$dir/kept")" = old ] ||
    { echo "FAIL: a merge that could not write changed its output"; failures=$((failures+1)); }
fi
leftovers=$(find "$dir" -name '*.tmp' | wc -l)
[ "$leftovers" = 0 ] || { echo "FAIL: temporary files left: $(find "$dir" -name '*.tmp')"; failures=$((failures+1)); }
label="target"; run target "  $(path "$dir/clip.avi.sprt1") "; expect 0 "$(path "$dir/clip.avi")"
label="target without marker"; run target "$(path "$dir/clip.avi")"; expect 1 ""
label="no command"; run; expect 2
label="merge without pieces"; run merge "$(path "$dir/x")"; expect 2

[ "$failures" = 0 ] && echo "all equidiv-cli checks passed"
exit $((failures > 0))
