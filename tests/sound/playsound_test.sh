#!/usr/bin/env bash
# The WAVE players under Wine with the waveform output captured: an ALSA "file" PCM in this
# test's own HOME gives Wine a waveform device writing to a file. It takes every format as it is
# (nothing is resampled), so the capture must be the samples sox reads from the WAVE file. Wine
# drops the last milliseconds when a device closes: sounds end in 0.2 s of silence.
#   playsound_test.sh PLAYSOUND_EXE SOUND_WINDOW_PROBE_EXE
set -u
playsound=$1 probe=$2 work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
home="$work/home" capture="$work/captured.raw" expected="$work/expected.raw" w="$work/plain.wav"
mkdir -p "$home" "$work/bare"
printf 'pcm.!default { type file slave.pcm "null" file "%s" format "raw" }\npcm.null { type null }\nctl.!default { type hw card 0 }\n' \
    "$capture" >"$home/.asoundrc"
passed=0 failed=0
verdict() {  # NAME, then the status of the check just made
    local ok=$?
    if [ $ok -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $1"; fi
}
size() { stat -c %s "$1" 2>/dev/null || echo 0; }
run() { rm -f "$capture"; HOME=${with_home:-$home} timeout 60 wine "$@" >/dev/null 2>&1; }
play() { run "$playsound" "$@" "Z:${file//\//\\}"; }

# Played once: sox format, seconds, layout. sox writes RIFF (12 bytes), "fmt " (24), "data".
for row in "-r 8000 -b 8 -c 1|0.3" "-r 11025 -b 16 -c 2|0.3" "-r 22050 -b 8 -c 2|0.3" "-r 48000 -b 16 -c 1|0.3" \
           "-r 44100 -b 16 -c 2|2.0|longer than 20 buffers" "-r 16000 -b 16 -c 1|0.3|data first" \
           "-r 16000 -b 8 -c 2|0.3|odd LIST padded" "-r 8000 -b 16 -c 1|0.3|odd chunk unpadded" \
           "-r 8000 -b 8 -c 1|0.3|data size past the end"; do
    IFS='|' read -r format seconds layout <<<"$row"
    file="$work/sound.wav"
    # shellcheck disable=SC2086
    sox -n $format "$work/tone.wav" synth "$seconds" sine 440 0 25 && sox "$work/tone.wav" "$w" pad 0 0.2
    sox "$w" -t raw "$expected" 2>/dev/null
    case "$layout" in
        "data first") { head -c 12 "$w"; tail -c +37 "$w"; head -c 36 "$w" | tail -c 24; } >"$file" ;;
        "odd LIST padded") { head -c 36 "$w"; printf 'LIST\005\0\0\0INFOx\0'; tail -c +37 "$w"; } >"$file" ;;
        "odd chunk unpadded") { head -c 36 "$w"; printf 'junk\003\0\0\0abc'; tail -c +37 "$w"; } >"$file" ;;
        "data size past the end") { head -c 40 "$w"; printf '\377\377\377\177'; tail -c +45 "$w"; } >"$file" ;;
        *) cp "$w" "$file" ;;
    esac
    play; status=$? got=$(size "$capture") sound=$(sox "$work/tone.wav" -t raw - | wc -c) all=$(size "$expected")
    # Wine may pad the end with silence of its own.
    [ $status -eq 0 ] && [ "$got" -ge "$sound" ] && cmp -s -n $((got < all ? got : all)) "$capture" "$expected"
    verdict "once $row (status $status, $got of $sound bytes)"
done 2>/dev/null

# Looping: whole copies of the samples with only silence between them, then stopped.
file="$work/loop.wav"
sox -n -r 22050 -b 16 -c 2 "$file" synth 0.2 sine 440 0 25 && sox "$file" -t raw "$expected"
play --loop-ms 1000; status=$?
length=$(size "$expected") got=$(size "$capture") at=0 copies=0
while [ $((at + length)) -le "$got" ] && cmp -s -n "$length" -i "$at:0" "$capture" "$expected"; do
    copies=$((copies + 1)) at=$((at + length))
    skip=$(od -An -tx1 -v -j "$at" -N 65536 "$capture" | tr -s ' \n' '\n\n' | grep -v '^$' | grep -n -m1 -v '^00$')
    at=$((at + ${skip%%:*} - 1))
done
[ $status -eq 0 ] && [ $copies -ge 2 ] && [ $((at + length)) -gt "$got" ]
verdict "looping ($copies whole copies, status $status)"

# Refused: 35 bytes, an empty "data", no "fmt ", a 14-byte "fmt ", a chunk size past the end
# before "fmt ", a RIFF size ending the walk before "data"; any sound without a device.
head -c 35 "$w" >"$work/r1.wav"
{ head -c 36 "$w"; printf 'data\0\0\0\0'; } >"$work/r2.wav"
{ head -c 12 "$w"; tail -c +37 "$w"; } >"$work/r3.wav"
{ head -c 12 "$w"; printf 'fmt \016\0\0\0'; head -c 34 "$w" | tail -c 14; tail -c +37 "$w"; } >"$work/r4.wav"
{ head -c 12 "$w"; printf 'junk\360\377\377\377'; tail -c +13 "$w"; } >"$work/r5.wav"
{ head -c 4 "$w"; printf '\034\0\0\0'; tail -c +9 "$w"; } >"$work/r6.wav"
for file in "$work"/r?.wav; do play; [ $? -eq 1 ]; verdict "refused $file"; done
file="$w" with_home="$work/bare" play; [ $? -eq 1 ]; verdict "no waveform device"
# A MIDI song: played to its end (0) when the platform has a MIDI output device, refused (1) when
# it has none (as in a container without an ALSA sequencer); never a hang.
file="$work/song.mid"
printf 'MThd\0\0\0\006\0\0\0\001\0\140MTrk\0\0\0\014\0\220\074\100\140\200\074\0\0\377\057\0' >"$file"
devices=$(HOME=$home timeout 60 wine "$playsound" --devices 2>/dev/null | tr -d '\r')
midi=$(sed -n 's/^wave [0-9]* midi \([0-9]*\)$/\1/p' <<<"$devices")
[ -n "$midi" ]; verdict "device count ($devices)"
right=$([ "${midi:-0}" -gt 0 ] && echo 0 || echo 1)
play; status=$?; [ $status -eq "$right" ]; verdict "MIDI song (status $status, $right with ${midi:-no} MIDI devices)"

# A window's background sound: each step of the probe logs the live WAVE players.
log="$(dirname "$probe")/sound_window_probe.log"
sox "$(dirname "$probe")/forms/tone.wav" -t raw "$expected"
rm -f "$log"; run "$probe" wave; status=$?
printf '%s: players %s\n' created 1 "shown 1" 1 "mode 2" 0 "mode 1" 1 "once ended" 0 "mode 0" 1 second 2 \
    "stopped all" 0 "mode 0" 1 | cmp -s - "$log" && [ $status -eq 0 ] && cmp -s -n "$(size "$expected")" "$capture" "$expected"
verdict "window with a WAVE sound (status $status, log: $(tr '\n' '|' <"$log"))"
rm -f "$log"; run "$probe" midi; status=$?
printf '%s: players 0\n' created "shown 1" | cmp -s - "$log" && [ $status -eq 0 ]
verdict "window with a MIDI sound (status $status, log: $(tr '\n' '|' <"$log"))"

echo "playsound: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
