#!/usr/bin/env bash
# CTest's emulator for the Windows build: runs one test executable in the Wine prefix that
# scripts/wine-tests.sh prepared (one Wine process per test executable).
if [ -z "${WINEPREFIX:-}" ]; then
  echo "wine-exec: no WINEPREFIX; run the Windows tests through scripts/wine-tests.sh" >&2
  exit 2
fi
exec wine "$@"
