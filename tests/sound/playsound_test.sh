#!/usr/bin/env bash
# The WAVE players under Wine with the waveform output captured: an ALSA "file" PCM in this
# test's own HOME gives Wine a waveform device whose output lands in a file. The device takes
# every format as it is (nothing is resampled), so the capture must be the samples sox reads from
# the WAVE file. Wine drops the last milliseconds when a device closes: each sound ends in 0.2 s
# of silence and the capture must hold everything before it.
#   playsound_test.sh PLAYSOUND_EXE SOUND_WINDOW_PROBE_EXE
set -u
playsound=$1 probe=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
home="$work/home" capture="$work/captured.raw"
mkdir -p "$home" "$work/bare"
printf 'pcm.!default { type file slave.pcm "nullpcm" file "%s" format "raw" }\npcm.nullpcm { type null }\nctl.!default { type hw card 0 }\n' \
    "$capture" >"$home/.asoundrc"
passed=0 failed=0
verdict() {  # NAME STATUS
    if [ "$2" -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $1"; fi
}
size() { stat -c %s "$1" 2>/dev/null || echo 0; }
run() {  # runs a Windows program with the capture device (HOME=$home unless given)
    rm -f "$capture"
    HOME=${with_home:-$home} timeout 60 wine "$@" >/dev/null 2>&1
}
play() { run "$playsound" "$@" "Z:${file//\//\\}"; }
patch() { printf "$2" | dd of="$file" bs=1 seek="$1" conv=notrunc 2>/dev/null; }  # OFFSET BYTES

# Played once: sox format, seconds, layout. sox writes RIFF (12 bytes), "fmt " (24), "data".
cases=("-r 8000 -b 8 -c 1|0.3" "-r 11025 -b 16 -c 2|0.3" "-r 22050 -b 8 -c 2|0.3" "-r 48000 -b 16 -c 1|0.3"
       "-r 44100 -b 16 -c 2|2.0|longer than 20 buffers" "-r 16000 -b 16 -c 1|0.3|data first"
       "-r 16000 -b 8 -c 2|0.3|odd LIST padded" "-r 8000 -b 16 -c 1|0.3|odd chunk unpadded"
       "-r 8000 -b 8 -c 1|0.3|data size past the end")
for row in "${cases[@]}"; do
    IFS='|' read -r format seconds layout <<<"$row"
    file="$work/sound.wav" w="$work/plain.wav"
    # shellcheck disable=SC2086
    sox -n $format "$work/tone.wav" synth "$seconds" sine 440 0 25 2>/dev/null
    sox "$work/tone.wav" "$w" pad 0 0.2 && sox "$w" -t raw "$work/expected.raw"
    case "$layout" in
        "data first") { head -c 12 "$w"; tail -c +37 "$w"; head -c 36 "$w" | tail -c 24; } >"$file" ;;
        "odd LIST padded") { head -c 36 "$w"; printf 'LIST\005\0\0\0INFOx\0'; tail -c +37 "$w"; } >"$file" ;;
        "odd chunk unpadded") { head -c 36 "$w"; printf 'junk\003\0\0\0abc'; tail -c +37 "$w"; } >"$file" ;;
        *) cp "$w" "$file"; [ "$layout" = "data size past the end" ] && patch 40 '\377\377\377\177' ;;
    esac
    play; status=$?
    got=$(size "$capture") sound=$(sox "$work/tone.wav" -t raw - | wc -c)
    cmp -s -n "$got" "$capture" "$work/expected.raw" && [ "$status" -eq 0 ] && [ "$got" -ge "$sound" ]
    verdict "once $row (status $status, $got of $sound bytes)" $?
done

# Looping: whole copies of the samples with only silence between them, then stopped.
file="$work/loop.wav"
sox -n -r 22050 -b 16 -c 2 "$file" synth 0.2 sine 440 0 25 2>/dev/null && sox "$file" -t raw "$work/expected.raw"
play --loop-ms 1000; status=$?
length=$(size "$work/expected.raw") got=$(size "$capture") at=0 copies=0 ok=0
while [ $((at + length)) -le "$got" ]; do
    cmp -s -n "$length" -i "$at:0" "$capture" "$work/expected.raw" || { ok=1; break; }
    copies=$((copies + 1)) at=$((at + length))
    skip=$(od -An -tx1 -v -j "$at" -N 65536 "$capture" | tr -s ' \n' '\n\n' | grep -v '^$' | grep -n -m1 -v '^00$' | cut -d: -f1)
    [ -z "$skip" ] && break
    at=$((at + skip - 1))
done
[ "$status" -eq 0 ] && [ "$ok" -eq 0 ] && [ "$copies" -ge 2 ]
verdict "looping ($copies whole copies, status $status)" $?

# Refused: 35 bytes, an empty "data" chunk, no "fmt ", a "fmt " too short, a chunk size past the
# end before "fmt ", a RIFF size that ends the walk before "data"; and any sound without a device.
w="$work/plain.wav"
head -c 35 "$w" >"$work/r1.wav"
{ head -c 36 "$w"; printf 'data\0\0\0\0'; } >"$work/r2.wav"
{ head -c 12 "$w"; tail -c +37 "$w"; } >"$work/r3.wav"
{ head -c 12 "$w"; printf 'fmt \016\0\0\0'; head -c 34 "$w" | tail -c 14; tail -c +37 "$w"; } >"$work/r4.wav"
{ head -c 12 "$w"; printf 'junk\360\377\377\377'; tail -c +13 "$w"; } >"$work/r5.wav"
cp "$w" "$work/r6.wav"; file="$work/r6.wav" patch 4 '\034\0\0\0'
for name in r1 r2 r3 r4 r5 r6; do
    file="$work/$name.wav"
    play; status=$?
    [ "$status" -eq 1 ]
    verdict "refused $name (status $status)" $?
done
file="$w" with_home="$work/bare" play; status=$?
[ "$status" -eq 1 ]
verdict "no waveform device (status $status)" $?
# A MIDI song: played to its end with a MIDI device (0), refused without one (1); never a hang.
file="$work/song.mid"
printf 'MThd\0\0\0\006\0\0\0\001\0\140MTrk\0\0\0\014\0\220\074\100\140\200\074\0\0\377\057\0' >"$file"
play; status=$?
[ "$status" -eq 0 ] || [ "$status" -eq 1 ]
verdict "MIDI song (status $status)" $?

# A window's background sound (the probe logs each step; see sound_window_probe.cpp).
log="$(dirname "$probe")/sound_window_probe.log"
sox "$(dirname "$probe")/forms/tone.wav" -t raw "$work/expected.raw"
rm -f "$log"
run "$probe" wave; status=$?
printf '%s\n' created "shown 1: players 1" "mode 2: players 0" "mode 1: players 1" "once ended" \
    "mode 0: players 1" "second: players 2" "stopped all: players 0" "mode 0: players 1" "loop returned" >"$work/wave.log"
cmp -s "$log" "$work/wave.log" && [ "$status" -eq 0 ] && [ "$(size "$capture")" -gt 0 ] \
    && cmp -s -n "$(size "$work/expected.raw")" "$capture" "$work/expected.raw"
verdict "window with a WAVE sound (status $status, log: $(tr '\n' '|' <"$log"))" $?
rm -f "$log"
run "$probe" midi; status=$?
printf '%s\n' created "shown 1: players 0" "loop returned" >"$work/midi.log"
cmp -s "$log" "$work/midi.log" && [ "$status" -eq 0 ]
verdict "window with a MIDI sound (status $status, log: $(tr '\n' '|' <"$log"))" $?

echo "playsound: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
