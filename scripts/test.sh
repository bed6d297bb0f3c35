#!/usr/bin/env bash
# Sets up what is missing, builds both builds and runs every test: the portable tests natively
# under AddressSanitizer and UBSan, then every test of the Windows build under Wine.
# The last line is the summary of both runs.
set -uo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
logs="$top/build/test-logs"

"$top/scripts/setup.sh" || exit 1
mkdir -p "$logs"

# Reads "N% tests passed, F tests failed out of T" from a CTest log: prints "passed failed".
counts() {
  sed -n 's/.*tests passed, \([0-9]*\) tests\{0,1\} failed out of \([0-9]*\).*/\1 \2/p' "$1" |
    tail -n 1 | awk '{ print $2 - $1, $1 }'
}

run() {
  local name=$1; shift
  echo "== $name =="
  "$@" 2>&1 | tee "$logs/$name.log"
  return "${PIPESTATUS[0]}"
}

status=0
echo "== building the native build =="
"$top/scripts/build.sh" native || { echo "native build failed"; exit 1; }
run native ctest --test-dir "$top/build/native" --output-on-failure --timeout 300 || status=1

echo "== building the Windows build =="
"$top/scripts/build.sh" win32 || { echo "Windows build failed"; exit 1; }
run windows "$top/scripts/wine-tests.sh" "$top/build/win32" || status=1

echo "== fuzzing the readers of untrusted data =="
"$top/scripts/fuzz.sh" 2>&1 | tee "$logs/fuzz.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || { echo "fuzzing failed"; status=1; }

read -r np nf < <(counts "$logs/native.log"; echo "0 0")
read -r wp wf < <(counts "$logs/windows.log"; echo "0 0")
echo "native (sanitizers): $np passed, $nf failed; Windows (Wine): $wp passed, $wf failed"
[ $((np + wp)) -gt 0 ] || status=1
echo "tests: $((np + wp)) passed, $((nf + wf)) failed"
exit $status
