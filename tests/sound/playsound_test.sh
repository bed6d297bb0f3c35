#!/usr/bin/env bash
# playsound.exe and the WAVE players under Wine, with the waveform output captured: an ALSA
# "file" PCM in this test's own HOME gives Wine one waveform device whose output lands in a
# file. This device takes every format as it is (no resampling), so the captured bytes must be
# the WAVE file's samples exactly, as sox reads them: several rates, 8/16-bit, mono/stereo, a
# file longer than 20 buffers, "data" before "fmt ", an odd LIST chunk. Wine drops the last few
# milliseconds when a device closes, so every sound ends in 0.2 s of silence and the capture
# must hold at least everything before it. Looping repeats whole copies with only silence in
# between; the refused files exit 1 and a MIDI file ends without hanging (no MIDI device here:
# refused); the
# players' own test (wave_players_test.exe) runs with the device too.
#   playsound_test.sh PLAYSOUND_EXE WAVE_PLAYERS_TEST_EXE SOUND_WINDOW_PROBE_EXE
set -u
playsound=$1 players=$2 probe=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
home="$work/home"
capture="$work/captured.raw"
mkdir -p "$home"
cat >"$home/.asoundrc" <<ASOUND
pcm.!default { type file slave.pcm "nullpcm" file "$capture" format "raw" }
pcm.nullpcm { type null }
ctl.!default { type hw card 0 }
ASOUND
passed=0 failed=0
verdict() {  # verdict NAME CONDITION-STATUS
    if [ "$2" -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $1"; fi
}
winpath() { echo "Z:${1//\//\\}"; }
# Plays a file with the capture device (or with HOME=$2 when given); answers playsound's status.
play() {
    rm -f "$capture"
    HOME=${home_for:-$home} timeout 60 wine "$playsound" "$@" "$(winpath "$file")" >/dev/null 2>&1
}
size() { stat -c %s "$1" 2>/dev/null || echo 0; }

# Once: sox format, sound length in seconds; the last two have their chunks rearranged.
cases=(
    "-r 8000 -b 8 -c 1|0.3"
    "-r 11025 -b 16 -c 2|0.3"
    "-r 22050 -b 8 -c 2|0.3"
    "-r 48000 -b 16 -c 1|0.3"
    "-r 44100 -b 16 -c 2|2.0"
    "-r 16000 -b 16 -c 1|0.3|data-first"
    "-r 16000 -b 8 -c 2|0.3|odd-list"
)
for row in "${cases[@]}"; do
    IFS='|' read -r format seconds layout <<<"$row"
    file="$work/sound.wav"
    # shellcheck disable=SC2086
    sox -n $format "$work/tone.wav" synth "$seconds" sine 440 0 25 2>/dev/null
    sox "$work/tone.wav" "$work/plain.wav" pad 0 0.2
    sox "$work/plain.wav" -t raw "$work/expected.raw"
    sound=$(sox "$work/tone.wav" -t raw - | wc -c)
    # sox writes RIFF (12 bytes), a 24-byte "fmt " chunk, then "data".
    case "$layout" in
        data-first) { head -c 12 "$work/plain.wav"; tail -c +37 "$work/plain.wav"
                      head -c 36 "$work/plain.wav" | tail -c 24; } >"$file" ;;
        odd-list)   { head -c 36 "$work/plain.wav"; printf 'LIST\005\000\000\000INFOx\000'
                      tail -c +37 "$work/plain.wav"; } >"$file" ;;
        *)          cp "$work/plain.wav" "$file" ;;
    esac
    play; status=$?
    got=$(size "$capture")
    cmp -s -n "$got" "$capture" "$work/expected.raw" && [ "$status" -eq 0 ] && [ "$got" -ge "$sound" ]
    verdict "once $row (status $status, $got bytes captured, $sound wanted)" $?
done

# Looping for a while: whole copies of the samples, separated by silence only.
file="$work/loop.wav"
sox -n -r 22050 -b 16 -c 2 "$file" synth 0.2 sine 440 0 25 2>/dev/null
sox "$file" -t raw "$work/expected.raw"
play --loop-ms 1000; status=$?
length=$(size "$work/expected.raw") got=$(size "$capture") at=0 copies=0 ok=0
while [ $((at + length)) -le "$got" ]; do
    cmp -s -n "$length" -i "$at:0" "$capture" "$work/expected.raw" || { ok=1; break; }
    copies=$((copies + 1)) at=$((at + length))
    # The first byte that is not silence starts the next copy.
    skip=$(od -An -tx1 -v -j "$at" -N 65536 "$capture" | tr -s ' \n' '\n\n' | grep -v '^$' | grep -n -m1 -v '^00$' | cut -d: -f1)
    [ -z "$skip" ] && break
    at=$((at + skip - 1))
done
[ "$status" -eq 0 ] && [ "$ok" -eq 0 ] && [ "$copies" -ge 2 ]
verdict "looping ($copies whole copies, status $status)" $?

# Refused data, and a MIDI file with no MIDI device: exit 1, promptly.
printf 'RIFF\034\000\000\000WAVEfmt \020\000\000\000\001\000\001\000\100\037\000\000\100\037\000\000\001\000\010\000data' >"$work/short.wav"
{ head -c 36 "$work/plain.wav"; printf 'data\000\000\000\000'; } >"$work/empty.wav"
{ head -c 12 "$work/plain.wav"; tail -c +37 "$work/plain.wav"; } >"$work/nofmt.wav"
printf 'MThd\000\000\000\006\000\000\000\001\000\140MTrk\000\000\000\014\000\220\074\100\140\200\074\000\000\377\057\000' >"$work/song.mid"
for name in short.wav empty.wav nofmt.wav; do
    file="$work/$name"
    play; status=$?
    [ "$status" -eq 1 ]
    verdict "refused $name (status $status)" $?
done
# With a MIDI device the song plays to its end (0), without one it is refused (1); never a hang.
file="$work/song.mid"
play; status=$?
[ "$status" -eq 0 ] || [ "$status" -eq 1 ]
verdict "MIDI song (status $status)" $?
# No waveform device at all (no ALSA device in an empty HOME): refused, nothing waits.
mkdir -p "$work/bare"
file="$work/plain.wav" home_for="$work/bare" play; status=$?
[ "$status" -eq 1 ]
verdict "no device (status $status)" $?

# The players' own test, with the device.
HOME=$home timeout 120 wine "$players" >"$work/players.log" 2>&1
status=$?
[ "$status" -eq 0 ] || tail -n 30 "$work/players.log"
verdict "wave_players_test" "$status"

# A window's background sound. The tone is the one the build put into the form.
log="$(dirname "$probe")/sound_window_probe.log"
tone="$(dirname "$probe")/forms/tone.wav"
expected_log=("created" "shown 1: players 1" "mode 2: players 0" "mode 1: players 1" "once ended"
              "mode 0: players 1" "loop returned")
rm -f "$log" "$capture"
HOME=$home timeout 60 wine "$probe" wave >/dev/null 2>&1; status=$?
sox "$tone" -t raw "$work/expected.raw"
got=$(size "$capture")
[ "$status" -eq 0 ] && [ "$(cat "$log" 2>/dev/null)" = "$(printf '%s\n' "${expected_log[@]}")" ] \
    && [ "$got" -gt 0 ] && cmp -s -n "$(size "$work/expected.raw")" "$capture" "$work/expected.raw"
verdict "window with a WAVE sound (status $status, log: $(tr '\n' '|' <"$log" 2>/dev/null))" $?
rm -f "$log"
HOME=$home timeout 60 wine "$probe" midi >/dev/null 2>&1; status=$?
[ "$status" -eq 0 ] && [ "$(cat "$log" 2>/dev/null)" = "$(printf '%s\n' created "shown 1: players 0" "loop returned")" ]
verdict "window with a MIDI sound and no MIDI device (status $status, log: $(tr '\n' '|' <"$log" 2>/dev/null))" $?

echo "playsound: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
