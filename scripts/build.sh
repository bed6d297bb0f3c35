#!/usr/bin/env bash
# Configures and builds one of the two builds: "win32" (the Windows programs and their tests) or
# "native" (the portable code and its tests under sanitizers).
#   scripts/build.sh win32|native [cmake --build arguments]
# TAVORI_BUILD_ROOT puts the build folders elsewhere (default: build/), e.g. for a second checkout
# of work in progress that must not disturb the main build.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
kind=$1; shift
case "$kind" in
  win32)  args=(-DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake") ;;
  native) args=() ;;
  *) echo "build: unknown build '$kind'" >&2; exit 2 ;;
esac
dir="${TAVORI_BUILD_ROOT:-$top/build}/$kind"
# Configured every time: folders that appear later are picked up without a stale cache.
cmake -S "$top" -B "$dir" "${args[@]}" -DTAVORI_WERROR=ON >/dev/null
cmake --build "$dir" -j2 "$@"
