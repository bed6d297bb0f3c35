#!/usr/bin/env bash
# Fuzzes the readers of untrusted image data (form block, unit tables and records, stored data)
# with libFuzzer for a bounded time, seeded with the compiled test forms. Builds the target with
# clang into build/fuzz; exits non-zero when the fuzzer finds a crash, leak or broken promise
# (the input is kept in build/fuzz as crash-*).
#   scripts/fuzz.sh [seconds]
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out="$top/build/fuzz"
seconds=${1:-20}
cxx=${FUZZ_CXX:-clang++}

readers=(
  runtime/core/byte_reader.cpp runtime/core/byte_writer.cpp
  runtime/framework/mem_file.cpp runtime/framework/archive.cpp
  runtime/image/form_block.cpp runtime/units/stored_schema.cpp
)
formc_sources=(tools/formc/formc.cpp tools/formc/form_compiler.cpp tools/formc/form_printer.cpp
               tools/formc/form_output.cpp tools/formc/gbk.cpp)

mkdir -p "$out/corpus" "$out/seeds"
cd "$top"
echo "fuzz: building the target with $cxx"
"$cxx" -std=c++17 -g -O1 -I"$top" -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  tests/image/fuzz_form_block.cpp "${readers[@]}" -o "$out/fuzz_form_block"
# The seeds come from the form compiler itself, built plainly with the same compiler.
"$cxx" -std=c++17 -O1 -I"$top" "${formc_sources[@]}" "${readers[@]}" -o "$out/formc"
for form in tests/tools/forms/*.form; do
  "$out/formc" compile "$form" --bin "$out/seeds/$(basename "$form" .form).bin"
done

echo "fuzz: running for ${seconds}s"
# New inputs go to the first folder (kept between runs); the seeds are read only.
if ! "$out/fuzz_form_block" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
     -artifact_prefix="$out/" -print_final_stats=1 "$out/corpus" "$out/seeds" >"$out/fuzz.log" 2>&1; then
  tail -n 40 "$out/fuzz.log"
  echo "fuzz: FAILED (log: $out/fuzz.log)"
  exit 1
fi
grep -E '^stat::number_of_executed_units' "$out/fuzz.log" || true
echo "fuzz: no crash"
