// MIDI stream buffer filling; see midi_fill.h.
#include "runtime/sound/midi_fill.h"

#include <cstring>

namespace {

constexpr uint8_t kControlChange = 0xB0;
constexpr uint8_t kMainVolume = 7;

// Ticks per second of an SMPTE division: frames per second (the negative high byte, 29 meaning
// 29.97 drop-frame, counted as 30) times ticks per frame.
uint64_t SmpteTicksPerSecond(uint16_t division) {
    uint32_t fps = 256u - (division >> 8);
    if (fps == 29)
        fps = 30;
    return static_cast<uint64_t>(fps) * (division & 0xFF);
}

// The event word of a tempo record; the tempo field has 24 bits.
uint32_t TempoWord(uint32_t tempo, uint32_t percent) {
    const uint64_t scaled = uint64_t{tempo} * 100 / percent;
    return kRecordTempo | static_cast<uint32_t>(scaled > 0xFFFFFF ? 0xFFFFFF : scaled);
}

void PutWord(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

// The records of one buffer being filled.
struct MidiStreamFiller::Output {
    uint8_t* area;
    uint32_t used = 0;
    bool cut = false;  // an event beyond the span was already let in

    bool Fits(uint32_t records) const { return used + records * kStreamRecordSize <= kMidiBufferSize; }
    void Put(uint32_t delta, uint32_t word) {
        PutWord(area + used, delta);
        PutWord(area + used + 4, 0);
        PutWord(area + used + 8, word);
        used += kStreamRecordSize;
    }
};

bool MidiStreamFiller::Open(const uint8_t* data, size_t size) {
    Reset();
    if (!file_.Open(data, size))
        return false;
    span_ = SpanFor(kDefaultTempo);
    return true;
}

void MidiStreamFiller::Reset() { *this = MidiStreamFiller{}; }

// Ticks one buffer may cover: those of 60 ms, division × 60000 / tempo, in 64 bits so that
// no division can overflow it.
uint32_t MidiStreamFiller::SpanFor(uint32_t tempo) const {
    const uint16_t division = file_.division;
    const uint64_t span = (division & 0x8000) ? SmpteTicksPerSecond(division) * 60 / 1000
                                              : static_cast<uint64_t>(division) * 60000 / tempo;
    return span > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(span);
}

void MidiStreamFiller::Rewind() {
    if (!file_.Rewind())
        fillState_ |= kFillReadError;
    lastTick_ = 0;
    fillState_ &= kFillReadError;
    tempo_ = 0;
    span_ = SpanFor(kDefaultTempo);
    resetTempo_ = false;
}

FillResult MidiStreamFiller::Fill(uint8_t* area, uint32_t* bytes, bool looping) {
    *bytes = 0;
    if (fillState_ & kFillReadError)
        return FillResult::Error;
    if (fillState_ & kFillSongEnded) {
        if (!looping)
            return FillResult::End;
        // The stream goes on at the tempo it has; the song starts at the default one.
        const bool tempoChanged = tempo_ != 0 && tempo_ != kDefaultTempo;
        Rewind();
        resetTempo_ = tempoChanged;
        if (fillState_ & kFillReadError)
            return FillResult::Error;
    }
    Output out{area};
    if (fillState_ & kFillEventWaiting) {
        fillState_ &= ~kFillEventWaiting;
        Convert(waiting_, out);
    }
    for (;;) {
        const int index = file_.EarliestTrack();
        if (index < 0) {
            fillState_ |= kFillSongEnded;
            break;
        }
        MidiEvent event;
        if (!file_.ReadEvent(file_.tracks[static_cast<size_t>(index)], &event)) {
            fillState_ |= kFillReadError;
            return FillResult::Error;
        }
        if (event.kind == MidiEvent::Meta && event.data1 == kMetaEndOfTrack)
            continue;
        if (!Convert(event, out)) {
            waiting_ = event;
            fillState_ |= kFillEventWaiting;
            break;
        }
    }
    *bytes = out.used;
    // A song with nothing to play cannot loop either: an empty buffer after a rewind is the end.
    if (out.used == 0 && (fillState_ & kFillSongEnded))
        return FillResult::End;
    return FillResult::Data;
}

// Writes one event's records; false when the event must wait for the next buffer.
bool MidiStreamFiller::Convert(const MidiEvent& event, Output& out) {
    const bool isTempo = event.kind == MidiEvent::Meta && event.data1 == kMetaTempo && event.payloadSize >= 3;
    const uint32_t newTempo =
        isTempo ? (uint32_t{event.payload[0]} << 16) | (uint32_t{event.payload[1]} << 8) | event.payload[2] : 0;
    // Everything else carries no sound, and a tempo of 0 would stop time: both take no time, and
    // take no part in cutting the buffer either (a cut by a dropped event could leave it empty).
    if (event.kind != MidiEvent::Channel && newTempo == 0)
        return true;
    if (out.used == 0)
        bufferStartTick_ = lastTick_;
    if (event.tick - bufferStartTick_ > span_) {
        if (out.cut)
            return false;
        out.cut = true;
    }
    if (resetTempo_ && isTempo && event.tick == lastTick_)
        resetTempo_ = false;  // the pass sets its own tempo before any time goes by
    const bool tempoFirst = resetTempo_ || (pendingTempo_ && tempo_ != 0);
    if (!out.Fits(tempoFirst ? 2 : 1))
        return false;
    if (resetTempo_) {
        tempo_ = kDefaultTempo;  // the span is that of the default tempo since the rewind
        resetTempo_ = false;
    }
    if (tempoFirst) {
        out.Put(0, TempoWord(tempo_, tempoPercent_));
        pendingTempo_ = false;
    }
    const uint32_t delta = event.tick - lastTick_;
    if (event.kind == MidiEvent::Channel) {
        uint32_t word = (uint32_t{event.data2} << 16) | (uint32_t{event.data1} << 8) | event.status;
        if ((event.status & 0xF0) == kControlChange && event.data1 == kMainVolume)
            word |= kRecordCallback;
        out.Put(delta, word);
    } else {
        out.Put(delta, TempoWord(newTempo, tempoPercent_));
        tempo_ = newTempo;
        span_ = SpanFor(newTempo);
        pendingTempo_ = false;  // the stream has the tempo now
    }
    lastTick_ = event.tick;
    return true;
}
