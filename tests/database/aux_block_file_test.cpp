// The auxiliary block store: the documented 1200 -> 600 -> 0 byte sequence on a real file of the
// platform's file layer, block by block; damaged files (looping chains, links past the file or
// to block 0, counts that disagree) end with a result code instead of a hang; the free chain
// stays linked both ways when a free block is taken; a put that fails at any write or size change
// is undone.
#include "runtime/database/aux_block_file.h"
#include "runtime/database/aux_check.h"
#include "runtime/database/mem_file_io.h"

#include "runtime/core/byte_reader.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<uint8_t> Pattern(size_t n, uint8_t seed)
{
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<uint8_t>(seed + i * 7 + i / 251);
    return bytes;
}

uint32_t Word(DbFileIo& io, uint32_t offset)
{
    uint8_t bytes[4] = {};
    ReadAt(io, offset, bytes, 4);
    ByteReader reader(bytes, 4);
    return reader.u32();
}

void SetWord(DbFileIo& io, uint32_t offset, uint32_t value)
{
    const uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
    WriteAt(io, offset, bytes, 4);
}

// (previous, next, used) of block n.
std::vector<uint32_t> Head(DbFileIo& io, uint32_t n)
{
    return {Word(io, n * 512), Word(io, n * 512 + 4), Word(io, n * 512 + 8)};
}

uint32_t Length(DbFileIo& io)
{
    uint32_t length = 0;
    io.GetLength(&length);
    return length;
}

TEST(AuxBlockFile, ByteSetWrittenShortenedAndEmptied)
{
    int cause = 0;
    std::unique_ptr<DbFileIo> io = OpenDbFileIo("aux_sequence.aux", DbOpenMode::kCreate, &cause);
    ASSERT_TRUE(io);
    ASSERT_EQ(CreateAuxFile(*io), 0);
    AuxBlockFile aux(io.get());
    uint32_t slot = 99;
    const std::vector<uint8_t> first = Pattern(1200, 1);
    ASSERT_EQ(WriteAuxValue(aux, first.data(), 1200, 0, &slot), 0);
    EXPECT_EQ(slot, 1u);
    EXPECT_EQ(Head(*io, 1), (std::vector<uint32_t>{0, 2, 500}));
    EXPECT_EQ(Head(*io, 2), (std::vector<uint32_t>{1, 3, 500}));
    EXPECT_EQ(Head(*io, 3), (std::vector<uint32_t>{2, 0, 200}));
    EXPECT_EQ(Word(*io, 16), 4u);  // block count
    EXPECT_EQ(Length(*io), 2048u);
    std::vector<uint8_t> value;
    ASSERT_EQ(ReadAuxValue(aux, 1, &value), 0);
    EXPECT_EQ(value, first);

    const std::vector<uint8_t> second = Pattern(600, 2);
    ASSERT_EQ(WriteAuxValue(aux, second.data(), 600, slot, &slot), 0);
    EXPECT_EQ(slot, 1u);
    EXPECT_EQ(Head(*io, 1), (std::vector<uint32_t>{0, 2, 500}));
    EXPECT_EQ(Head(*io, 2), (std::vector<uint32_t>{1, 0, 100}));
    EXPECT_EQ(Word(*io, 16), 3u);
    EXPECT_EQ(Word(*io, 20) + Word(*io, 24), 0u);  // no free blocks, no first free block
    EXPECT_EQ(Length(*io), 1536u);
    ASSERT_EQ(ReadAuxValue(aux, 1, &value), 0);
    EXPECT_EQ(value, second);

    ASSERT_EQ(WriteAuxValue(aux, nullptr, 0, slot, &slot), 0);
    EXPECT_EQ(slot, 0u);
    EXPECT_EQ(Word(*io, 16), 1u);
    EXPECT_EQ(Word(*io, 20), 0u);
    EXPECT_EQ(Length(*io), 512u);
    AuxCheckReport report;
    EXPECT_EQ(CheckAuxFile(*io, &report), 0) << report.problem;
}

TEST(AuxBlockFile, TakingAFreeBlockLeavesTheNextOneWithoutPredecessor)
{
    MemFileIo io;
    ASSERT_EQ(CreateAuxFile(io), 0);
    AuxBlockFile aux(&io);
    uint32_t a = 0, b = 0, c = 0;
    const std::vector<uint8_t> data = Pattern(1500, 3);
    ASSERT_EQ(WriteAuxValue(aux, data.data(), 1500, 0, &a), 0);  // blocks 1 to 3
    ASSERT_EQ(WriteAuxValue(aux, data.data(), 700, 0, &b), 0);   // blocks 4 and 5
    ASSERT_EQ(WriteAuxValue(aux, nullptr, 0, a, &a), 0);         // frees 1 to 3
    EXPECT_EQ(Word(io, 20), 3u);
    ASSERT_EQ(WriteAuxValue(aux, data.data(), 10, 0, &c), 0);    // takes block 1
    EXPECT_EQ(c, 1u);
    EXPECT_EQ(Word(io, 24), 2u);
    EXPECT_EQ(Head(io, 2), (std::vector<uint32_t>{0, 3, 0}));
    AuxCheckReport report;
    EXPECT_EQ(CheckAuxFile(io, &report), 0) << report.problem;
    EXPECT_EQ(report.values, 2u);
    EXPECT_EQ(report.freeBlocks, 2u);
    EXPECT_TRUE(io.held().empty());
    // Freeing value b (the last blocks) shrinks the file through the free chain.
    ASSERT_EQ(WriteAuxValue(aux, nullptr, 0, b, &b), 0);
    EXPECT_EQ(CheckAuxFile(io, &report), 0) << report.problem;
    EXPECT_EQ(Length(io), 1024u);
}

// A file with one value in blocks 1 to 3, one word changed: the codes of reading the value and
// of rewriting it with 1600 bytes.
TEST(AuxBlockFile, DamagedFilesEndWithACode)
{
    const struct { uint32_t offset, value; int32_t readCode, writeCode; } cases[] = {
        {512 * 3 + 4, 3, -59, -59},          // block 3 links to itself
        {512 * 3 + 4, 1, -59, -59},          // block 3 links back to block 1
        {512 * 2 + 4, 99, -59, -59},         // a link past the file
        {512 * 2 + 8, 0, -59, -59},          // a data block in the chain is marked free
        {16, 0x7FFFFFFF, -59, -59},          // a block count whose blocks overflow the offset
        {16, 9, -59, -59},                   // a block count past the end of the file
        {20, 2, -59, -59},                   // free count without a first free block
        {24, 2, -59, -59},                   // first free block without free count
        {0, 0x4B424458, -37, -37},           // magic "XDBK"
        {4, 0x00020000, -37, -37},           // another version
    };
    const std::vector<uint8_t> data = Pattern(1600, 4);
    for (const auto& damage : cases) {
        MemFileIo io;
        ASSERT_EQ(CreateAuxFile(io), 0);
        AuxBlockFile aux(&io);
        uint32_t slot = 0;
        ASSERT_EQ(WriteAuxValue(aux, data.data(), 1200, 0, &slot), 0);
        SetWord(io, damage.offset, damage.value);
        std::vector<uint8_t> value;
        EXPECT_EQ(ReadAuxValue(aux, 1, &value), damage.readCode) << damage.offset;
        EXPECT_EQ(WriteAuxValue(aux, data.data(), 1600, 1, &slot), damage.writeCode) << damage.offset;
        EXPECT_LE(Length(io), 2048u + 512u) << damage.offset;
        EXPECT_TRUE(io.held().empty()) << damage.offset;
        AuxCheckReport report;
        EXPECT_NE(CheckAuxFile(io, &report), 0) << damage.offset;
    }
}

TEST(AuxBlockFile, FileErrorsAndNoFile)
{
    MemFileIo io;
    ASSERT_EQ(CreateAuxFile(io), 0);
    AuxBlockFile aux(&io), none;
    uint32_t slot = 0;
    io.maxLength = 1024;  // room for one more block only
    const std::vector<uint8_t> data = Pattern(900, 5);
    EXPECT_EQ(WriteAuxValue(aux, data.data(), 900, 0, &slot), -14);
    EXPECT_EQ(WriteAuxValue(none, data.data(), 900, 0, &slot), -59);
    EXPECT_EQ(slot, 0u);
    ASSERT_EQ(io.Lock(0, 1), kFileOk);  // a put elsewhere holds the header
    std::vector<uint8_t> value;
    EXPECT_EQ(ReadAuxValue(aux, 1, &value), -28);
    ASSERT_EQ(io.Unlock(0, 1), kFileOk);
    io.bytes().resize(20);  // a header cut short
    EXPECT_EQ(WriteAuxValue(aux, data.data(), 10, 0, &slot), -59);
}

// Puts of three values: new, grown over free and new blocks, shrunk in the middle and at the end.
const struct { size_t value; uint32_t length; } kScript[] = {
    {0, 1200}, {1, 700}, {2, 300}, {0, 400}, {1, 2600}, {2, 0},
    {0, 1100}, {1, 1}, {0, 0}, {2, 1500}, {1, 3000}, {0, 500},
};

enum class Fault { kWrite, kSizeChange, kSpace };

// The script with the n-th write or size change failing, or room for n blocks: a failed put leaves
// the file as it was (and writes nothing for lack of space), every value reads back after each put.
int RunScript(Fault fault, int n)
{
    MemFileIo io;
    CreateAuxFile(io);
    io.failWrite = fault == Fault::kWrite ? io.writeCalls + n : 0;
    io.failSetLength = fault == Fault::kSizeChange ? io.setLengthCalls + n : 0;
    io.maxLength = fault == Fault::kSpace ? 512u * static_cast<uint32_t>(n) : kMaxFileOffset;
    AuxBlockFile aux(&io);
    std::vector<std::vector<uint8_t>> values(3);
    std::vector<uint32_t> slots(3, 0);
    int failed = 0;
    for (size_t step = 0; step < sizeof kScript / sizeof kScript[0]; ++step) {
        SCOPED_TRACE(::testing::Message() << "fault " << static_cast<int>(fault) << " n " << n << " step " << step);
        const size_t which = kScript[step].value;
        const std::vector<uint8_t> data = Pattern(kScript[step].length, static_cast<uint8_t>(step));
        const std::vector<uint8_t> before = io.bytes();
        const size_t writes = io.writes.size();
        uint32_t slot = 0;
        const int32_t code = WriteAuxValue(aux, data.data(), kScript[step].length, slots[which], &slot);
        failed += code != 0;
        if (code == 0)
            values[which] = data;
        EXPECT_TRUE(code == 0 || (code == (fault == Fault::kSpace ? -14 : -11) && io.bytes() == before &&
                                  (fault != Fault::kSpace || io.writes.size() == writes))) << code;
        EXPECT_TRUE(io.held().empty());
        slots[which] = slot;  // the old first block after a failure
        AuxCheckReport report;
        EXPECT_EQ(CheckAuxFile(io, &report), 0) << report.problem;
        for (size_t i = 0; i < values.size(); ++i) {
            std::vector<uint8_t> value;
            EXPECT_TRUE(ReadAuxValue(aux, slots[i], &value) == 0 && value == values[i]) << i;
        }
    }
    return failed;
}

TEST(AuxBlockFile, EveryFailedPutIsUndone)
{
    for (const Fault fault : {Fault::kWrite, Fault::kSizeChange, Fault::kSpace}) {
        int n = 1;
        while (n < 500 && RunScript(fault, n) > 0 && !::testing::Test::HasFailure())
            ++n;
        EXPECT_GT(n, fault == Fault::kWrite ? 40 : 5) << static_cast<int>(fault);  // faults were met
        EXPECT_LT(n, 500);
    }
}

}  // namespace
