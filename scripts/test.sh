#!/usr/bin/env bash
# Sets up what is missing, builds both builds and runs every test: the portable tests natively
# under AddressSanitizer and UBSan, then every test of the Windows build under Wine, then the
# bounded fuzz runs. On a host that cannot run 32-bit programs the Windows build is still made
# and its tests are counted as skipped, with the reason. The last lines are each step's time and
# the summary of all runs.
set -uo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
logs="$top/build/test-logs"

"$top/scripts/setup.sh" || exit 1
mkdir -p "$logs"
# shellcheck source=host32.sh
. "$top/scripts/host32.sh"

# Reads "N% tests passed, F tests failed out of T" from a CTest log: prints "passed failed".
counts() {
  sed -n 's/.*tests passed, \([0-9]*\) tests\{0,1\} failed out of \([0-9]*\).*/\1 \2/p' "$1" |
    tail -n 1 | awk '{ print $2 - $1, $1 }'
}

times=()
step() {
  local name=$1 start=$SECONDS rc; shift
  echo "== $name =="
  "$@" 2>&1 | tee "$logs/$name.log"
  rc=${PIPESTATUS[0]}
  times+=("$(printf '%-16s %4d s' "$name" $((SECONDS - start)))")
  return "$rc"
}

status=0 skipped=0
step native-build "$top/scripts/build.sh" native || { echo "native build failed"; exit 1; }
step native ctest --test-dir "$top/build/native" --output-on-failure --timeout 300 || status=1

step windows-build "$top/scripts/build.sh" win32 || { echo "Windows build failed"; exit 1; }
if host32_check "$top/build/host32"; then
  step windows "$top/scripts/wine-tests.sh" "$top/build/win32" || status=1
else
  skipped=$(ctest --test-dir "$top/build/win32" -N | sed -n 's/^Total Tests: *//p')
  : >"$logs/windows.log"
  echo "== windows: $skipped tests skipped: $HOST32_REASON =="
fi

step fuzz "$top/scripts/fuzz.sh" || { echo "fuzzing failed"; status=1; }

read -r np nf < <(counts "$logs/native.log"; echo "0 0")
read -r wp wf < <(counts "$logs/windows.log"; echo "0 0")
echo "== step times =="
printf '%s\n' "${times[@]}"
printf '%-16s %4d s\n' total "$SECONDS"
if [ "$skipped" -gt 0 ]; then
  echo "native (sanitizers): $np passed, $nf failed; Windows (Wine): $skipped skipped ($HOST32_REASON)"
else
  echo "native (sanitizers): $np passed, $nf failed; Windows (Wine): $wp passed, $wf failed"
fi
[ $((np + wp)) -gt 0 ] || status=1
echo "tests: $((np + wp)) passed, $((nf + wf)) failed, ${skipped:-0} skipped"
exit $status
