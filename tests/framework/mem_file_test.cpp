// CMemFile: a read-only view never grows or reads past its block; an owned file grows, can be
// overwritten, truncated and handed over.
#include "runtime/framework/mem_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

TEST(MemFileAttached, ReadsShortAtTheEnd) {
    std::unique_ptr<uint8_t[]> block(new uint8_t[5]{1, 2, 3, 4, 5});
    CMemFile f(block.get(), 5);
    EXPECT_TRUE(f.IsReadOnly());
    EXPECT_EQ(f.GetLength(), 5u);
    uint8_t out[8] = {};
    EXPECT_EQ(f.Read(out, 3), 3u);
    EXPECT_EQ(f.GetPosition(), 3u);
    EXPECT_EQ(f.Read(out, 8), 2u);
    EXPECT_EQ(out[0], 4);
    EXPECT_EQ(out[1], 5);
    EXPECT_EQ(f.Read(out, 1), 0u);
    EXPECT_EQ(f.GetPosition(), 5u);
}

TEST(MemFileAttached, RefusesWritesAndLengthChanges) {
    const uint8_t block[3] = {7, 8, 9};
    CMemFile f(block, sizeof block);
    EXPECT_FALSE(f.Write("x", 1));
    EXPECT_FALSE(f.SetLength(1));
    EXPECT_EQ(f.GetLength(), 3u);
    EXPECT_EQ(f.GetData(), block) << "attaching must not copy the block";
}

TEST(MemFileSeek, StaysWithinZeroAndLength) {
    const uint8_t block[10] = {};
    CMemFile f(block, sizeof block);
    EXPECT_TRUE(f.Seek(4, CMemFile::begin));
    EXPECT_TRUE(f.Seek(3, CMemFile::current));
    EXPECT_EQ(f.GetPosition(), 7u);
    EXPECT_TRUE(f.Seek(-10, CMemFile::end));
    EXPECT_EQ(f.GetPosition(), 0u);
    EXPECT_TRUE(f.Seek(0, CMemFile::end));
    EXPECT_EQ(f.GetPosition(), 10u);

    EXPECT_FALSE(f.Seek(1, CMemFile::end));
    EXPECT_FALSE(f.Seek(-11, CMemFile::end));
    EXPECT_FALSE(f.Seek(-1, CMemFile::begin));
    EXPECT_FALSE(f.Seek(0x7FFFFFFFFFFFFFFFll, CMemFile::current));
    EXPECT_EQ(f.GetPosition(), 10u) << "a refused seek leaves the position alone";
}

TEST(MemFileOwned, GrowsOverwritesAndExtends) {
    CMemFile f(4);
    EXPECT_FALSE(f.IsReadOnly());
    EXPECT_TRUE(f.Write("abcdef", 6));
    EXPECT_EQ(f.GetLength(), 6u);
    EXPECT_TRUE(f.Seek(2, CMemFile::begin));
    EXPECT_TRUE(f.Write("XY", 2));
    EXPECT_EQ(f.GetLength(), 6u) << "overwriting inside keeps the length";
    EXPECT_TRUE(f.Seek(5, CMemFile::begin));
    EXPECT_TRUE(f.Write("123", 3));
    EXPECT_EQ(f.GetLength(), 8u);
    EXPECT_EQ(std::memcmp(f.GetData(), "abXYe123", 8), 0);
}

TEST(MemFileOwned, SetLengthTruncatesAndClampsThePosition) {
    CMemFile f;
    f.Write("abcdef", 6);
    EXPECT_TRUE(f.SetLength(2));
    EXPECT_EQ(f.GetPosition(), 2u);
    EXPECT_TRUE(f.SetLength(4));
    EXPECT_EQ(std::memcmp(f.GetData(), "ab\0\0", 4), 0);
}

TEST(MemFileOwned, DetachHandsOverTheBytes) {
    CMemFile f;
    f.Write("hi", 2);
    Bytes out = f.Detach();
    EXPECT_EQ(out, (Bytes{'h', 'i'}));
    EXPECT_EQ(f.GetLength(), 0u);
    EXPECT_EQ(f.GetPosition(), 0u);
    EXPECT_TRUE(f.Write("z", 1));
    EXPECT_EQ(f.GetLength(), 1u);
}

TEST(MemFileOwned, AttachDropsOwnedContents) {
    CMemFile f;
    f.Write("owned", 5);
    const uint8_t block[2] = {1, 2};
    f.Attach(block, 2);
    EXPECT_TRUE(f.IsReadOnly());
    EXPECT_EQ(f.GetLength(), 2u);
    EXPECT_EQ(f.GetPosition(), 0u);
    EXPECT_TRUE(f.Detach().empty()) << "a view has nothing to hand over";
}

}  // namespace
