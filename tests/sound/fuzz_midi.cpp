// libFuzzer target: the MIDI reader and the buffer fill over any bytes, once and then looping;
// every buffer holds whole 12-byte records within its 1024 bytes, and one to send holds some.
#include <cstdlib>

#include "runtime/sound/midi_fill.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MidiStreamFiller filler;
    uint8_t area[kMidiBufferSize];
    for (int looping = 0; looping < 2 && filler.Open(data, size); ++looping)
        for (int i = 0; i < (looping ? 64 : 4096); ++i) {
            uint32_t bytes = 0;
            const FillResult result = filler.Fill(area, &bytes, looping);
            if (bytes > kMidiBufferSize || bytes % kStreamRecordSize != 0 || (result == FillResult::Data && !bytes))
                std::abort();
            if (result != FillResult::Data)
                break;
        }
    return 0;
}
