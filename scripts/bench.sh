#!/usr/bin/env bash
# Builds and runs the start-up benchmarks under Wine and prints their figures. Each pair of
# programs is started alternately; times and peaks are medians, from start to a shown, idle window.
#   1. Tavori.exe against the same window and eleven controls made directly with Win32 calls,
#      with OleInitialize and Tavori's import list (the floor a user would write by hand), and
#      against the plain direct program (no OLE, no extra DLLs);
#   2. generated forms of 10, 50 and 200 units (edit box, button, label in turn) against direct
#      programs with the same controls, and the cost of one more unit on both sides;
#   3. the runtime's smallest program (no window: start, empty loop, end) against an empty
#      Windows program: what the runtime costs on its own, not what a real window costs.
#   scripts/bench.sh [rounds]      (TAVORI_BUILD_ROOT as for scripts/build.sh)
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
rounds=${1:-20}
root=${TAVORI_BUILD_ROOT:-$top/build}
"$top/scripts/setup.sh"
"$top/scripts/build.sh" win32 --target startup_bench Tavori >/dev/null
# shellcheck source=wine-env.sh
. "$top/scripts/wine-env.sh"
unset DISPLAY
trap wine_stop EXIT
wine_start "$root/bench"
bench="$root/win32/tests/bench"
tavori="$root/win32/app/Tavori.exe"

# compare LABEL MODE PROGRAM BASELINE: prints the benchmark's report; leaves its figures in $figures.
compare() {
  local label=$1 mode=$2 program=$3 baseline=$4 out
  echo "== $label =="
  out=$(wine "$bench/startup_bench.exe" "$rounds" "$mode" "$(winepath -w "$program")" \
        "$(winepath -w "$baseline")" | tr -d '\r')
  grep -v '^figures:' <<<"$out"
  figures=$(sed -n 's/^figures: //p' <<<"$out")
}

compare "Tavori against its window made directly, with OleInitialize and Tavori's import list" \
  idle "$tavori" "$bench/bare_window_floor.exe"
compare "Tavori against its window made directly, without OLE and without the extra DLLs" \
  idle "$tavori" "$bench/bare_window.exe"

declare -A ms
for units in 10 50 200; do
  compare "form of $units units against the same controls made directly (with OLE and imports)" \
    idle "$bench/bench_form_$units.exe" "$bench/bare_grid_$units.exe"
  read -r p b _ _ <<<"$figures"
  ms[form$units]=$p ms[direct$units]=$b
done
echo "== one more unit (from the 10- and 200-unit forms) =="
awk -v f10="${ms[form10]}" -v f200="${ms[form200]}" -v d10="${ms[direct10]}" -v d200="${ms[direct200]}" \
  'BEGIN { f = (f200 - f10) / 190; d = (d200 - d10) / 190;
           printf "runtime: %.3f ms per unit; direct: %.3f ms per unit; ratio %.2f\n", f, d, (d > 0 ? f / d : 0) }'

compare "smallest program (no window: start, empty loop, end) against an empty Windows program" \
  exit "$bench/smallest_program.exe" "$bench/bare_program.exe"

echo "== executable size =="
size=$(stat -c %s "$tavori")
echo "Tavori.exe: $size bytes ($(awk -v s="$size" 'BEGIN { printf "%.2f", s / 1048576 }') MiB)"
echo "DLLs loaded at start: $(i686-w64-mingw32-objdump -p "$tavori" | sed -n 's/^\tDLL Name: //p' | tr '\n' ' ')"
