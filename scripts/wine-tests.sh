#!/usr/bin/env bash
# Runs the Windows build's tests under Wine: one display, one fresh prefix and scratch HOME for
# the run, the wineserver kept alive in between and stopped afterwards.
#   scripts/wine-tests.sh BUILD_DIR [ctest arguments]
set -uo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$1; shift
# shellcheck source=wine-env.sh
. "$top/scripts/wine-env.sh"
unset DISPLAY
trap wine_stop EXIT
wine_start "$build/wine-run" || exit 1
ctest --test-dir "$build" --output-on-failure --timeout 300 "$@"
