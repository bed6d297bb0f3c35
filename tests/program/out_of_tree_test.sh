#!/usr/bin/env bash
# The README's "Writing a program" example as a project outside the tree: its files are the
# README's indented blocks headed "# hello/NAME" or "// hello/NAME", with /path/to/tavori
# standing for this checkout. It must configure, build and run (hello_driver drives it).
#   out_of_tree_test.sh TAVORI_SOURCE_DIR WORK_DIR HELLO_DRIVER_EXE
set -euo pipefail
top=$1 work=$2 driver=$3
mkdir -p "$work/hello"
awk -v dir="$work/hello" -v top="$top" '
  /^    (#|\/\/) hello\/[A-Za-z0-9_.]+$/ { out = dir "/" substr($2, 7); printf "" > out; next }
  out && /^    / { line = substr($0, 5); gsub("/path/to/tavori", top, line); print line >> out; next }
  out && /^$/ { print "" >> out; next }
  { if (out) close(out); out = "" }
' "$top/README.md"
[ -s "$work/hello/CMakeLists.txt" ] && [ -s "$work/hello/hello.form" ] && [ -s "$work/hello/hello.cpp" ] ||
  { echo "README: a block of the example is missing" >&2; exit 1; }
start=$(date +%s)
cmake -S "$work/hello" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" >"$work/configure.log"
cmake --build "$work/build" -j2 >"$work/build.log" || { tail -n 30 "$work/build.log" >&2; exit 1; }
echo "out-of-tree configure and build: $(( $(date +%s) - start )) s"
exe=$(winepath -w "$work/build/Hello.exe" 2>/dev/null)
wine "$driver" "$exe"
