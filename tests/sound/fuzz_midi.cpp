// libFuzzer target: the MIDI file reader and the stream buffer fill over any bytes, played once
// and then looping. Every buffer must hold whole 12-byte records within its 1024 bytes.
#include <cstdlib>

#include "runtime/sound/midi_fill.h"

namespace {

void Drain(MidiStreamFiller& filler, bool looping, int buffers) {
    uint8_t area[kMidiBufferSize];
    for (int i = 0; i < buffers; ++i) {
        uint32_t bytes = 0;
        const FillResult result = filler.Fill(area, &bytes, looping);
        if (bytes > kMidiBufferSize || bytes % kStreamRecordSize != 0)
            std::abort();
        if (result != FillResult::Data)
            return;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MidiStreamFiller filler;
    if (!filler.Open(data, size))
        return 0;
    Drain(filler, false, 4096);
    filler.Rewind();
    Drain(filler, true, 64);
    return 0;
}
