#!/usr/bin/env bash
# CTest's runner for gallery_test: an ALSA "file" PCM in the test's own HOME gives Wine a
# waveform device writing to a file (as in tests/sound/playsound_test.sh), and sox reads the
# samples of the build's WAVE file, for the test to compare the two.
#   gallery_test.sh TONE_WAV GALLERY_TEST_EXE
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home"
printf 'pcm.!default { type file slave.pcm "null" file "%s" format "raw" }\npcm.null { type null }\nctl.!default { type hw card 0 }\n' \
    "$work/captured.raw" >"$work/home/.asoundrc"
sox "$1" -t raw "$work/samples.raw" || exit 1
windows() { printf 'Z:%s' "${1//\//\\}"; }
GALLERY_CAPTURE=$(windows "$work/captured.raw") GALLERY_SAMPLES=$(windows "$work/samples.raw") HOME="$work/home" \
    "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-exec.sh" "$2"
