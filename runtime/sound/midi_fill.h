// The filling of MIDI stream buffers from a MIDI file: the tracks merged by time into 12-byte
// stream records (delta ticks, stream id 0, event word), at most one buffer span of time and
// kMidiBufferSize bytes per buffer. Portable: the platform stream only receives the bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/sound/midi_file.h"

constexpr uint32_t kMidiBufferSize = 1024;
constexpr uint32_t kStreamRecordSize = 12;
constexpr uint32_t kRecordTempo = 0x01000000;     // event word of a tempo record
constexpr uint32_t kRecordCallback = 0x40000000;  // ask for a callback when the record plays
// Microseconds per quarter note until the file gives a tempo (the MIDI file default).
constexpr uint32_t kDefaultTempo = 500000;

// Fill state bits.
constexpr uint32_t kFillSongEnded = 1;
constexpr uint32_t kFillReadError = 2;
constexpr uint32_t kFillEventWaiting = 4;

enum class FillResult {
    Data,   // records were written (the buffer may still be empty when looping cannot help)
    End,    // nothing more to play: the buffer is empty and must not be sent
    Error,  // the file could not be read
};

class MidiStreamFiller {
public:
    // Reads the file's header and tracks; false when refused. The bytes stay the caller's.
    bool Open(const uint8_t* data, size_t size);
    void Reset();

    // Fills `area` (kMidiBufferSize bytes) and sets *bytes to the length of the records.
    FillResult Fill(uint8_t* area, uint32_t* bytes, bool looping);
    // Every track back to its start, last tick 0, fill state cleared, no tempo seen yet (the
    // span that of the default tempo).
    void Rewind();
    // Write the current tempo before the next event (a new stream starts at its default).
    void RequestTempo() { pendingTempo_ = true; }

    const MidiFile& File() const { return file_; }
    uint32_t FillState() const { return fillState_; }
    uint32_t Tempo() const { return tempo_; }
    uint32_t BufferSpan() const { return span_; }
    void SetTempoPercent(uint32_t percent) { tempoPercent_ = percent ? percent : 100; }

private:
    struct Output;
    bool Convert(const MidiEvent& event, Output& out);
    uint32_t SpanFor(uint32_t tempo) const;

    MidiFile file_;
    uint32_t fillState_ = 0;
    uint32_t lastTick_ = 0;
    uint32_t bufferStartTick_ = 0;
    uint32_t span_ = 0;
    uint32_t tempo_ = 0;  // 0 until a tempo event is seen
    uint32_t tempoPercent_ = 100;
    bool pendingTempo_ = false;
    // A looping song wrapped while the stream had a tempo of its own: the new pass starts with a
    // record of the default tempo, unless its first event is a tempo event right at the start.
    bool resetTempo_ = false;
    MidiEvent waiting_;  // the event left for the next buffer (fill state bit 2)
};
