// libFuzzer target: the WAVE chunk walk over any bytes; what it finds lies inside the block.
#include <cstdlib>

#include "runtime/sound/wave_chunks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WaveChunks c;
    if (FindWaveChunks(data, size, &c) && (c.formatSize < kWaveMinFormatSize || c.samplesSize == 0 ||
                                           c.format + c.formatSize > data + size || c.samples + c.samplesSize > data + size))
        std::abort();
    return 0;
}
