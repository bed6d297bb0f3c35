// libFuzzer target over damaged auxiliary files: the first 8 bytes choose the operations (the old
// chain and length of a put, the chain of a get), the rest is the file. Nothing may crash, hang
// or keep a lock; and a file that passes the check must still pass it after a successful put
// that replaces a whole value, which must then read back as written.
#include "runtime/core/byte_reader.h"
#include "runtime/database/aux_block_file.h"
#include "runtime/database/aux_check.h"
#include "runtime/database/mem_file_io.h"

#include <cstdlib>
#include <vector>

#define Require(condition) ((condition) ? (void)0 : std::abort())

namespace {

// Whether `block` starts a value in a file that passed the check.
bool StartsValue(MemFileIo& io, uint32_t block)
{
    if (block == 0)
        return true;
    uint8_t head[kAuxBlockHeadSize];
    if (ReadAt(io, block * kAuxBlockSize, head, sizeof head) != kFileOk)
        return false;
    const AuxBlockHead parsed = AuxBlockHead::Parse(head);
    return parsed.used != 0 && parsed.previous == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ByteReader controls(data, size);
    const uint32_t oldFirst = controls.u8() % 16;
    const uint32_t length = controls.u16() % 3000;
    const uint32_t getFirst = controls.u8() % 16;
    controls.skip(4);
    if (!controls.ok())
        return 0;
    MemFileIo io(std::vector<uint8_t>(data + 8, data + size));
    AuxBlockFile aux(&io);

    AuxCheckReport report;
    const bool consistent = CheckAuxFile(io, &report) == 0;
    std::vector<uint8_t> value;
    ReadAuxValue(aux, getFirst, &value);
    Require(value.size() <= io.bytes().size());
    const bool wholeValue = consistent && StartsValue(io, oldFirst);

    std::vector<uint8_t> bytes(length);
    for (uint32_t i = 0; i < length; ++i)
        bytes[i] = static_cast<uint8_t>(i * 13 + 1);
    uint32_t slot = 0;
    const int32_t code = WriteAuxValue(aux, bytes.data(), length, oldFirst, &slot);
    Require(io.held().empty());
    if (code == 0 && wholeValue) {
        Require(CheckAuxFile(io, &report) == 0);
        Require(ReadAuxValue(aux, slot, &value) == 0 && value == bytes);
    } else {
        CheckAuxFile(io, &report);
    }
    return 0;
}
