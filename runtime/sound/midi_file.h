// Standard MIDI File reading for the MIDI player: the header, one cursor per track and the
// reading of one event at a time. Portable: no platform header; every length is checked
// against the track it lies in, so bad data is a status, never a read past the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Where one track is read: 24 bytes, all offsets into the file block.
struct MidiTrackCursor {
    uint32_t flags = 0;          // kTrackEnded
    uint32_t size = 0;           // bytes of track data
    uint32_t start = 0;          // offset of the track data in the file
    uint32_t position = 0;       // offset of the next byte to read, relative to start
    uint32_t nextTick = 0;       // absolute tick of the next event
    uint32_t runningStatus = 0;  // last channel status byte, 0 when none
};
static_assert(sizeof(MidiTrackCursor) == 24, "a track cursor is six words");

constexpr uint32_t kTrackEnded = 1;

// One event as read from a track.
struct MidiEvent {
    enum Kind { Channel, SysEx, Meta };
    Kind kind = Channel;
    uint32_t tick = 0;     // absolute tick
    uint8_t status = 0;    // channel status, 0xF0/0xF7, or 0xFF
    uint8_t data1 = 0;     // first data byte, or the meta type
    uint8_t data2 = 0;     // second data byte of a two-byte channel message
    const uint8_t* payload = nullptr;  // sysex and meta data
    uint32_t payloadSize = 0;
};

constexpr uint8_t kMetaEndOfTrack = 0x2F;
constexpr uint8_t kMetaTempo = 0x51;

// True when `data` passes the quick MIDI test: more than 4 bytes beginning with "MThd".
bool LooksLikeMidi(const uint8_t* data, size_t size);

// The header and the tracks of a MIDI file (the bytes stay the caller's).
struct MidiFile {
    const uint8_t* data = nullptr;
    uint32_t size = 0;
    uint16_t format = 0;
    uint16_t trackCount = 0;
    uint16_t division = 0;  // ticks per quarter note, or SMPTE when the top bit is set
    std::vector<MidiTrackCursor> tracks;

    // Reads the header and places a cursor on every track, with its first delta time read.
    // False (and the file left empty) when the header or any track chunk is refused.
    bool Open(const uint8_t* bytes, size_t length);
    void Clear();

    // Every cursor back at the start of its track, running status cleared, first delta read.
    bool Rewind();
    // Reads the next event of a track that has not ended, then its following delta time.
    // False on a read error. An end-of-track event marks the cursor ended.
    bool ReadEvent(MidiTrackCursor& track, MidiEvent* event) const;
    // Index of the track whose next event comes first (the earliest track on a tie), or -1.
    int EarliestTrack() const;

private:
    bool StartTrack(MidiTrackCursor& track) const;
};
