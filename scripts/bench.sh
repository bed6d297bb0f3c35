#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine and prints their figures.
#   scripts/bench.sh [rounds]
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh" win32 --target startup_bench >/dev/null
# shellcheck source=wine-env.sh
. "$top/scripts/wine-env.sh"
unset DISPLAY
trap wine_stop EXIT
wine_start "$top/build/bench"
wine "$top/build/win32/tests/bench/startup_bench.exe" "${1:-20}"
