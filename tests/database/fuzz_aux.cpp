// libFuzzer target over damaged auxiliary files: the first 8 bytes choose the operations (the old
// chain and length of a put, the chain of a get), the rest is the file. Nothing may crash, hang
// or keep a lock; and a file that passes the check must still pass it after a successful put
// that replaces a whole value, which must then read back as written; a failed put changes nothing.
// Control byte 4 counts key parts whose type codes are the file's first words, then two keys
// follow: their order must be a total one.
#include "runtime/core/byte_reader.h"
#include "runtime/database/aux_block_file.h"
#include "runtime/database/aux_check.h"
#include "runtime/database/index_keys.h"
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

// Keys of exactly their size, so that a read past one is seen.
void CompareKeys(const uint8_t* data, size_t size, size_t parts)
{
    ByteReader reader(data, size);
    std::vector<int32_t> types(parts);
    for (int32_t& type : types)
        type = reader.i32();
    const uint64_t n = KeySize(types.data(), parts);
    if (!reader.ok() || n == 0 || size - reader.position() < 2 * n)
        return;
    const std::vector<uint8_t> a(data + reader.position(), data + reader.position() + n);
    const std::vector<uint8_t> b(data + reader.position() + n, data + reader.position() + 2 * n);
    Require(CompareIndexKeys(a.data(), b.data(), types.data(), parts) ==
            -CompareIndexKeys(b.data(), a.data(), types.data(), parts));
    Require(CompareIndexKeys(a.data(), a.data(), types.data(), parts) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ByteReader controls(data, size);
    const uint32_t oldFirst = controls.u8() % 16;
    const uint32_t length = controls.u16() % 3000;
    const uint32_t getFirst = controls.u8() % 16;
    const size_t keyParts = controls.u8() % 8;
    controls.skip(3);
    if (!controls.ok())
        return 0;
    CompareKeys(data + 8, size - 8, keyParts);
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
    const std::vector<uint8_t> before = io.bytes();
    const int32_t code = WriteAuxValue(aux, bytes.data(), length, oldFirst, &slot);
    Require(io.held().empty());
    Require(code == 0 || io.bytes() == before);
    if (code == 0 && wholeValue) {
        Require(CheckAuxFile(io, &report) == 0);
        Require(ReadAuxValue(aux, slot, &value) == 0 && value == bytes);
    } else {
        CheckAuxFile(io, &report);
    }
    return 0;
}
