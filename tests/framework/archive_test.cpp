// CArchive over CMemFile: loading in the stored-data encoding (words, blocks, texts), the sticky
// failure status for blocks that end early, and storing back.
#include "runtime/framework/archive.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// An exact-size heap copy, so that the sanitizers see any access past the end.
struct Block {
    explicit Block(const Bytes& bytes) : size(bytes.size()), data(new uint8_t[bytes.size() + !bytes.size()]) {
        if (size)
            std::memcpy(data.get(), bytes.data(), size);
    }
    size_t size;
    std::unique_ptr<uint8_t[]> data;
};

TEST(ArchiveLoading, WordsBlocksAndTexts) {
    Block b({0x02, 0x00, 0x00, 0x00,                    // version 2
             0xFE, 0xFF, 0xFF, 0xFF,                    // -2
             0x34, 0x12, 0xAB,                          // word, byte
             0x03, 0x00, 0x00, 0x00, 'Q', 'Q', '9',     // text "QQ9"
             0x02, 0x00, 0x00, 0x00, 0xDE, 0xAD,        // block of two bytes
             'a', 'b', 0x00});                          // zero-terminated text
    CMemFile file(b.data.get(), b.size);
    CArchive ar(file, CArchive::load);
    EXPECT_TRUE(ar.IsLoading());
    EXPECT_FALSE(ar.IsStoring());
    EXPECT_EQ(ar.ReadDWord(), 2u);
    EXPECT_EQ(ar.ReadInt(), -2);
    EXPECT_EQ(ar.ReadWord(), 0x1234);
    EXPECT_EQ(ar.ReadByte(), 0xAB);
    std::string text;
    EXPECT_TRUE(ar.ReadText(text));
    EXPECT_EQ(text, "QQ9");
    Bytes block;
    EXPECT_TRUE(ar.ReadBlock(block));
    EXPECT_EQ(block, (Bytes{0xDE, 0xAD}));
    EXPECT_TRUE(ar.ReadZText(text));
    EXPECT_EQ(text, "ab");
    EXPECT_TRUE(ar.IsOk());
    EXPECT_EQ(file.GetPosition(), b.size) << "the file follows the archive's reads";
}

TEST(ArchiveLoading, StartsAtTheFilePosition) {
    Block b({0xFF, 0xFF, 0x05, 0x00, 0x00, 0x00});
    CMemFile file(b.data.get(), b.size);
    file.Seek(2, CMemFile::begin);
    CArchive ar(file, CArchive::load);
    EXPECT_EQ(ar.ReadDWord(), 5u);
    EXPECT_TRUE(ar.IsOk());
}

TEST(ArchiveLoading, ZeroOrNegativeLengthIsEmpty) {
    Block b({0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x07, 0x00, 0x00, 0x00});
    CMemFile file(b.data.get(), b.size);
    CArchive ar(file, CArchive::load);
    std::string text = "stale";
    EXPECT_TRUE(ar.ReadText(text));
    EXPECT_EQ(text, "");
    Bytes block{1};
    EXPECT_TRUE(ar.ReadBlock(block));
    EXPECT_TRUE(block.empty());
    EXPECT_EQ(ar.ReadDWord(), 7u) << "an empty field consumes only its length";
}

TEST(ArchiveFailure, BlockLongerThanTheFileFailsAndStaysFailed) {
    Block b({0x10, 0x00, 0x00, 0x00, 'a', 'b', 'c', 0x01, 0x00, 0x00, 0x00});
    CMemFile file(b.data.get(), b.size);
    CArchive ar(file, CArchive::load);
    Bytes block{9, 9};
    EXPECT_FALSE(ar.ReadBlock(block));
    EXPECT_TRUE(block.empty());
    EXPECT_TRUE(ar.Failed());
    EXPECT_EQ(ar.ReadDWord(), 0u);
    EXPECT_LE(file.GetPosition(), b.size);
}

TEST(ArchiveFailure, CorruptHugeLengthIsRefusedBeforeAllocating) {
    Block b({0xFF, 0xFF, 0xFF, 0x7F, 'x'});
    CMemFile file(b.data.get(), b.size);
    CArchive ar(file, CArchive::load);
    std::string text;
    EXPECT_FALSE(ar.ReadText(text));
    EXPECT_TRUE(text.empty());
    EXPECT_TRUE(ar.Failed());
}

TEST(ArchiveFailure, TruncatedWordAndUnterminatedText) {
    Block word({0x01, 0x02});
    CMemFile f1(word.data.get(), word.size);
    CArchive a1(f1, CArchive::load);
    EXPECT_EQ(a1.ReadDWord(), 0u);
    EXPECT_TRUE(a1.Failed());

    Block text({'a', 'b', 'c'});
    CMemFile f2(text.data.get(), text.size);
    CArchive a2(f2, CArchive::load);
    std::string out;
    EXPECT_FALSE(a2.ReadZText(out));
    EXPECT_TRUE(a2.Failed());

    CMemFile f3(nullptr, 0);
    CArchive a3(f3, CArchive::load);
    EXPECT_FALSE(a3.Skip(1));
    EXPECT_TRUE(a3.Failed());
}

TEST(ArchiveStoring, WritesTheEncodingOnFlushAndClose) {
    CMemFile file;
    {
        CArchive ar(file, CArchive::store);
        EXPECT_TRUE(ar.IsStoring());
        ar.WriteDWord(3);
        ar.WriteInt(-1);
        ar.WriteWord(0x2A2A);
        ar.WriteText("ok");
        EXPECT_EQ(file.GetLength(), 0u) << "nothing reaches the file before a flush";
        EXPECT_TRUE(ar.Flush());
        EXPECT_EQ(file.GetLength(), 16u);
        ar.WriteBlock("\x01\x02\x03", 3);
        ar.WriteZText("z");
    }  // the destructor flushes the rest
    EXPECT_EQ(file.Detach(), (Bytes{3, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x2A, 0x2A, 2, 0, 0, 0,
                                    'o', 'k', 3, 0, 0, 0, 1, 2, 3, 'z', 0}));
}

TEST(ArchiveStoring, ReadOnlyFileMakesTheArchiveFail) {
    const uint8_t block[4] = {};
    CMemFile file(block, sizeof block);
    CArchive ar(file, CArchive::store);
    ar.WriteDWord(1);
    EXPECT_FALSE(ar.Flush());
    EXPECT_TRUE(ar.Failed());
}

TEST(ArchiveRoundTrip, StoredRecordLoadsBack) {
    CMemFile file;
    {
        CArchive out(file, CArchive::store);
        out.WriteDWord(1);
        out.WriteText("\xD0\xDE\xB8\xC4");  // GBK bytes pass through untouched
        out.WriteDouble(0.1);
        out.WriteBlock(nullptr, 0);
        out.Close();
    }
    Bytes stored = file.Detach();
    CMemFile in(stored.data(), stored.size());
    CArchive ar(in, CArchive::load);
    EXPECT_EQ(ar.ReadDWord(), 1u);
    std::string text;
    ar.ReadText(text);
    EXPECT_EQ(text, "\xD0\xDE\xB8\xC4");
    EXPECT_EQ(ar.ReadDouble(), 0.1);
    Bytes block{1};
    ar.ReadBlock(block);
    EXPECT_TRUE(block.empty());
    EXPECT_TRUE(ar.IsOk());
    EXPECT_EQ(in.GetPosition(), stored.size());
}

}  // namespace
