#!/usr/bin/env bash
# Fuzzes the readers of untrusted data with libFuzzer for a bounded time each. Every target is
# one line of the table below: its name, its source and the portable sources it reads through.
# Targets are built with clang into build/fuzz/NAME; each runs over its own corpus folder (kept
# between runs) and its seed folders. Exits non-zero when a fuzzer finds a crash, leak or broken
# promise (the input is kept as build/fuzz/NAME/crash-*).
#   scripts/fuzz.sh [seconds per target] [target ...]
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out="$top/build/fuzz"
seconds=${1:-10}; shift || true
cxx=${FUZZ_CXX:-clang++}
cd "$top"

reader="runtime/core/byte_reader.cpp runtime/core/byte_writer.cpp"
archive="runtime/framework/mem_file.cpp runtime/framework/archive.cpp"
forms="runtime/image/form_block.cpp runtime/image/shortcut_table.cpp runtime/units/stored_schema.cpp"
pictures="runtime/pictures/decoded_picture.cpp runtime/pictures/bmp_decoder.cpp runtime/pictures/gif_decoder.cpp"
pictures+=" runtime/pictures/pcx_decoder.cpp runtime/pictures/icon_directory.cpp runtime/pictures/picture_pixels.cpp"
pictures+=" -DTAVORI_PICTURE_LIMIT_BITS=22"  # 4 MiB pictures at most: fast runs, same checks
database="runtime/core/byte_buffer.cpp runtime/database/db_result.cpp runtime/database/db_file_io.cpp"
database+=" runtime/database/mem_file_io.cpp runtime/database/db_lock.cpp"
database+=" runtime/database/aux_block_file.cpp runtime/database/aux_check.cpp runtime/database/index_keys.cpp"
unit_data="runtime/units/unit_data.cpp"

# name | fuzz source | sources it reads through | extra flags
targets=(
  "form_block_fuzzer|tests/image/fuzz_form_block.cpp|$reader $archive $forms|"
  "bmp_fuzzer|tests/pictures/fuzz_picture.cpp|$reader $pictures|-DPICTURE_DECODER=DecodeBmp"
  "gif_fuzzer|tests/pictures/fuzz_picture.cpp|$reader $pictures|-DPICTURE_DECODER=DecodeGif"
  "pcx_fuzzer|tests/pictures/fuzz_picture.cpp|$reader $pictures|-DPICTURE_DECODER=DecodePcx"
  "png_fuzzer|tests/pictures/fuzz_picture.cpp|$reader $pictures runtime/pictures/png_decoder.cpp|-DPICTURE_DECODER=DecodePng -lpng"
  "jpeg_fuzzer|tests/pictures/fuzz_picture.cpp|$reader $pictures runtime/pictures/jpeg_decoder.cpp|-DPICTURE_DECODER=DecodeJpeg -ljpeg"
  "ico_fuzzer|tests/pictures/fuzz_picture.cpp|$reader $pictures|-DPICTURE_ICON"
  "aux_fuzzer|tests/database/fuzz_aux.cpp|$reader $database|"
  "wave_fuzzer|tests/sound/fuzz_wave.cpp|$reader runtime/sound/wave_chunks.cpp|"
  "midi_fuzzer|tests/sound/fuzz_midi.cpp|$reader runtime/sound/midi_file.cpp runtime/sound/midi_fill.cpp|"
  "window_data_fuzzer|tests/units/fuzz_unit_data.cpp|$reader $archive $unit_data runtime/units/window_data.cpp|-DFUZZ_WINDOW_DATA"
  "edit_box_data_fuzzer|tests/units/fuzz_unit_data.cpp|$reader $archive $unit_data runtime/units/edit_box_data.cpp|-DFUZZ_EDIT_BOX_DATA"
  "button_data_fuzzer|tests/units/fuzz_unit_data.cpp|$reader $archive $unit_data runtime/units/button_data.cpp|-DFUZZ_BUTTON_DATA"
  "trans_label_data_fuzzer|tests/units/fuzz_unit_data.cpp|$reader $archive $unit_data runtime/units/trans_label_data.cpp|-DFUZZ_TRANS_LABEL_DATA"
)

# Seeds: every compiled test form (the form compiler built plainly with the same compiler).
formc_sources=(tools/formc/formc.cpp tools/formc/form_compiler.cpp tools/formc/form_printer.cpp
               tools/formc/form_output.cpp tools/formc/gbk.cpp)
form_seeds() {
  mkdir -p "$out/form_seeds"
  # shellcheck disable=SC2086
  "$cxx" -std=c++17 -O1 -I"$top" "${formc_sources[@]}" $reader $archive $forms -o "$out/formc"
  local form
  for form in tests/tools/forms/*.form tests/*/forms/*.form app/*.form; do
    [ -e "$form" ] || continue
    # A form whose byte blocks come from files made at build time is no seed here.
    "$out/formc" compile "$form" --bin "$out/form_seeds/$(basename "$form" .form).bin" >/dev/null 2>&1 \
      || echo "fuzz: $form is not a seed (it does not compile on its own)"
  done
}
form_seeds

# The seed folders of a target: the compiled forms, plus tests/fuzz-seeds/NAME when present.
seed_dirs() {
  echo "$out/form_seeds"
  [ -d "$top/tests/fuzz-seeds/$1" ] && echo "$top/tests/fuzz-seeds/$1"
  return 0
}

wanted() {
  [ ${#selected[@]} -eq 0 ] && return 0
  local s; for s in "${selected[@]}"; do [ "$s" = "$1" ] && return 0; done
  return 1
}
selected=("$@")

status=0 total=0
for row in "${targets[@]}"; do
  IFS='|' read -r name source sources flags <<<"$row"
  wanted "$name" || continue
  dir="$out/$name"
  mkdir -p "$dir/corpus"
  echo "fuzz: building $name"
  # shellcheck disable=SC2086
  "$cxx" -std=c++17 -g -O1 -I"$top" -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    $flags "$source" $sources -o "$dir/$name"
  mapfile -t seeds < <(seed_dirs "$name")
  # New inputs go to the first folder; the seed folders are read only.
  if ! "$dir/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix="$dir/" -print_final_stats=1 "$dir/corpus" "${seeds[@]}" >"$dir/fuzz.log" 2>&1; then
    tail -n 40 "$dir/fuzz.log"
    echo "fuzz: $name FAILED (log: $dir/fuzz.log)"
    status=1
    continue
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/fuzz.log" | tail -n 1)
  total=$((total + ${runs:-0}))
  echo "fuzz: $name ran ${runs:-0} inputs in ${seconds}s, no crash"
done
echo "fuzz: $total inputs in total"
exit $status
