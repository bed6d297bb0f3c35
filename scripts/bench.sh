#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine and prints their figures:
#   1. the runtime's smallest program against a bare Windows program, start to end;
#   2. Tavori.exe against the same window built directly with Win32 calls, start to shown and idle.
#   scripts/bench.sh [rounds]
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
rounds=${1:-20}
"$top/scripts/setup.sh"
"$top/scripts/build.sh" win32 --target startup_bench Tavori >/dev/null
# shellcheck source=wine-env.sh
. "$top/scripts/wine-env.sh"
unset DISPLAY
trap wine_stop EXIT
wine_start "$top/build/bench"
bench="$top/build/win32/tests/bench"
echo "== the runtime's smallest program against a bare program =="
wine "$bench/startup_bench.exe" "$rounds" exit "$(winepath -w "$bench/smallest_program.exe")" \
  "$(winepath -w "$bench/bare_program.exe")"
echo "== Tavori against its window built directly =="
wine "$bench/startup_bench.exe" "$rounds" idle "$(winepath -w "$top/build/win32/app/Tavori.exe")" \
  "$(winepath -w "$bench/bare_window.exe")"
