// libFuzzer target: the WAVE chunk walk over any bytes. The views it finds must lie inside the
// block and the format must be long enough for a device.
#include <cstdlib>

#include "runtime/sound/wave_chunks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WaveChunks chunks;
    if (!FindWaveChunks(data, size, &chunks))
        return 0;
    const uint8_t* end = data + size;
    if (chunks.formatSize < kWaveMinFormatSize || chunks.samplesSize == 0 || chunks.format < data ||
        chunks.format + chunks.formatSize > end || chunks.samples < data || chunks.samples + chunks.samplesSize > end)
        std::abort();
    return 0;
}
