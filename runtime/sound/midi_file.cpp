// MIDI file reading; see midi_file.h.
#include "runtime/sound/midi_file.h"

#include <cstring>
#include <new>

#include "runtime/core/byte_reader.h"

namespace {

constexpr size_t kHeaderSize = 14;     // "MThd", length 6, format, tracks, division
constexpr uint32_t kHeaderLength = 6;
constexpr size_t kChunkHeaderSize = 8;
// A variable-length number has at most four bytes in a MIDI file (values up to 0x0FFFFFFF);
// a longer one is refused rather than overflowing the tick count.
constexpr int kMaxNumberBytes = 4;

bool ReadNumber(ByteReader& reader, uint32_t* value) {
    uint32_t v = 0;
    for (int i = 0; i < kMaxNumberBytes; ++i) {
        const uint8_t b = reader.u8();
        if (reader.failed())
            return false;
        v = (v << 7) | (b & 0x7F);
        if (!(b & 0x80)) {
            *value = v;
            return true;
        }
    }
    return false;
}

// A reader over one track's data, at the cursor's position.
ByteReader TrackReader(const uint8_t* file, const MidiTrackCursor& track) {
    ByteReader reader(file + track.start, track.size);
    reader.seek(track.position);
    return reader;
}

// Adds a delta time to the cursor's tick; a sum past 32 bits is a read error.
bool AdvanceTick(MidiTrackCursor& track, uint32_t delta) {
    if (delta > UINT32_MAX - track.nextTick)
        return false;
    track.nextTick += delta;
    return true;
}

}  // namespace

bool LooksLikeMidi(const uint8_t* data, size_t size) {
    return data && size > 4 && std::memcmp(data, "MThd", 4) == 0;
}

void MidiFile::Clear() { *this = MidiFile{}; }

bool MidiFile::Open(const uint8_t* bytes, size_t length) {
    Clear();
    // The whole header must be there before any of its fields is read.
    if (!LooksLikeMidi(bytes, length) || length < kHeaderSize || length > UINT32_MAX)
        return false;
    ByteReader reader(bytes, length);
    reader.seek(4);
    if (reader.u32be() != kHeaderLength)
        return false;
    format = reader.u16be();
    trackCount = reader.u16be();
    division = reader.u16be();
    data = bytes;
    size = static_cast<uint32_t>(length);
    try {
        tracks.resize(trackCount);
    } catch (const std::bad_alloc&) {
        Clear();  // out of memory: not played
        return false;
    }
    for (MidiTrackCursor& track : tracks) {
        const uint8_t* tag = reader.view(4);
        const uint32_t trackSize = reader.u32be();
        if (reader.failed() || std::memcmp(tag, "MTrk", 4) != 0 || trackSize > reader.remaining()) {
            Clear();
            return false;
        }
        track.start = static_cast<uint32_t>(reader.position());
        track.size = trackSize;
        reader.skip(trackSize);
        if (!StartTrack(track)) {
            Clear();
            return false;
        }
    }
    return true;
}

bool MidiFile::StartTrack(MidiTrackCursor& track) const {
    track.flags = 0;
    track.position = 0;
    track.nextTick = 0;
    track.runningStatus = 0;
    if (track.size == 0) {
        track.flags = kTrackEnded;
        return true;
    }
    ByteReader reader = TrackReader(data, track);
    if (!ReadNumber(reader, &track.nextTick))
        return false;
    track.position = static_cast<uint32_t>(reader.position());
    return true;
}

bool MidiFile::Rewind() {
    for (MidiTrackCursor& track : tracks)
        if (!StartTrack(track))
            return false;
    return true;
}

bool MidiFile::ReadEvent(MidiTrackCursor& track, MidiEvent* event) const {
    *event = MidiEvent{};
    event->tick = track.nextTick;
    ByteReader reader = TrackReader(data, track);
    const uint8_t lead = reader.u8();
    if (reader.failed())
        return false;
    uint8_t status = lead;
    bool leadIsData = false;
    if (!(lead & 0x80)) {
        if (!track.runningStatus)
            return false;  // a data byte with no running status
        status = static_cast<uint8_t>(track.runningStatus);
        leadIsData = true;
    }
    event->status = status;
    if (status <= 0xEF) {
        event->kind = MidiEvent::Channel;
        track.runningStatus = status;
        event->data1 = leadIsData ? lead : reader.u8();
        if (status < 0xC0 || status > 0xDF)
            event->data2 = reader.u8();
    } else if (status == 0xF0 || status == 0xF7 || status == 0xFF) {
        event->kind = status == 0xFF ? MidiEvent::Meta : MidiEvent::SysEx;
        if (status == 0xFF)
            event->data1 = reader.u8();
        uint32_t length = 0;
        if (!ReadNumber(reader, &length) || length > reader.remaining())
            return false;
        event->payloadSize = length;
        event->payload = reader.view(length);
        if (status == 0xFF && event->data1 == kMetaEndOfTrack)
            track.flags |= kTrackEnded;
    } else {
        return false;  // 0xF1-0xF6, 0xF8-0xFE have no place in a file
    }
    if (reader.failed())
        return false;
    if (!(track.flags & kTrackEnded)) {
        uint32_t delta = 0;
        if (!ReadNumber(reader, &delta) || !AdvanceTick(track, delta))
            return false;
    }
    track.position = static_cast<uint32_t>(reader.position());
    return true;
}

int MidiFile::EarliestTrack() const {
    int best = -1;
    for (size_t i = 0; i < tracks.size(); ++i) {
        if (tracks[i].flags & kTrackEnded)
            continue;
        if (best < 0 || tracks[i].nextTick < tracks[static_cast<size_t>(best)].nextTick)
            best = static_cast<int>(i);
    }
    return best;
}
