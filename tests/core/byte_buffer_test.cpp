// Tests of ByteBuffer: capacities after each growth step follow the rule "allocate size + 128,
// keep the block while at most 256 bytes of it lie unused", checked through the block requests a
// recording allocator sees; that allocator can also be told to refuse, to show that a buffer
// which cannot grow keeps its content.
#include "runtime/core/byte_buffer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

namespace {

struct Recorder {
    int allocations = 0;
    int reallocations = 0;
    int frees = 0;
    size_t last_request = 0;
    bool refuse = false;
};
Recorder g_rec;

void* TestAllocate(size_t size)
{
    g_rec.last_request = size;
    if (g_rec.refuse)
        return nullptr;
    ++g_rec.allocations;
    return std::malloc(size);
}

void* TestReallocate(void* block, size_t size)
{
    g_rec.last_request = size;
    if (g_rec.refuse)
        return nullptr;
    ++g_rec.reallocations;
    return std::realloc(block, size);
}

void TestFree(void* block)
{
    ++g_rec.frees;
    std::free(block);
}

class ByteBufferTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = ByteBufferAllocator();
        g_rec = Recorder{};
        SetByteBufferAllocator({TestAllocate, TestReallocate, TestFree});
    }
    void TearDown() override
    {
        buf.Clear();
        EXPECT_EQ(g_rec.allocations, g_rec.frees) << "every block is given back";
        SetByteBufferAllocator(saved_);
    }

    void Fill(const char* text) { ASSERT_TRUE(buf.Append(text, static_cast<int32_t>(std::strlen(text)))); }
    std::string Content() const
    {
        return std::string(reinterpret_cast<const char*>(buf.data()), static_cast<size_t>(buf.size()));
    }

    ByteBuffer buf;
    BlockAllocator saved_{};
};

// --- Growth and slack --------------------------------------------------------------------------

TEST_F(ByteBufferTest, ResizeKeepsTheBlockWhileAtMost256BytesLieUnused)
{
    ASSERT_TRUE(buf.Resize(10));
    EXPECT_EQ(g_rec.last_request, 138u);
    EXPECT_EQ(buf.capacity(), 138);
    EXPECT_EQ(buf.size(), 10);
    std::memcpy(buf.data(), "0123456789", 10);

    ASSERT_TRUE(buf.Resize(138));  // exactly full: no new block
    EXPECT_EQ(buf.capacity(), 138);
    EXPECT_EQ(g_rec.reallocations, 0);

    ASSERT_TRUE(buf.Resize(139));  // one past: 139 + 128
    EXPECT_EQ(buf.capacity(), 267);
    EXPECT_EQ(g_rec.reallocations, 1);

    ASSERT_TRUE(buf.Resize(11));  // 256 unused: kept
    EXPECT_EQ(buf.capacity(), 267);
    EXPECT_EQ(g_rec.reallocations, 1);

    ASSERT_TRUE(buf.Resize(10));  // 257 unused: shrunk to 10 + 128
    EXPECT_EQ(buf.capacity(), 138);
    EXPECT_EQ(g_rec.reallocations, 2);
    EXPECT_EQ(Content(), "0123456789");

    ASSERT_TRUE(buf.Resize(0));
    EXPECT_EQ(buf.data(), nullptr);
    EXPECT_EQ(buf.capacity(), 0);
    EXPECT_EQ(buf.size(), 0);
    EXPECT_EQ(g_rec.frees, 1);
}

TEST_F(ByteBufferTest, ResizeRejectsNegativeAndOversizedSizes)
{
    Fill("abc");
    const uint8_t* block = buf.data();
    EXPECT_FALSE(buf.Resize(-1));
    EXPECT_FALSE(buf.Resize(ByteBuffer::kMaxSize + 1));
    EXPECT_EQ(g_rec.reallocations, 0);
    EXPECT_EQ(buf.data(), block);
    EXPECT_EQ(Content(), "abc");
}

TEST_F(ByteBufferTest, AppendingValuesUsesTheSlackBeforeGrowing)
{
    ASSERT_TRUE(buf.Resize(136));  // a first block: 136 + 128
    ASSERT_EQ(buf.capacity(), 264);
    ASSERT_TRUE(buf.Resize(134));  // 130 unused, block kept
    ASSERT_EQ(buf.capacity(), 264);

    const int requests = g_rec.allocations + g_rec.reallocations;
    for (int i = 0; i < 130 / 4; ++i)  // 32 words fill 262 of 264 bytes in place
        ASSERT_TRUE(buf.AppendU32(0x11223344u));
    ASSERT_TRUE(buf.AppendU16(0xBEEF));
    EXPECT_EQ(buf.size(), 264);
    EXPECT_EQ(buf.capacity(), 264);
    EXPECT_EQ(g_rec.allocations + g_rec.reallocations, requests);

    ASSERT_TRUE(buf.AppendU8(0x7A));  // no room left: grows by the rule, 265 + 128
    EXPECT_EQ(buf.size(), 265);
    EXPECT_EQ(buf.capacity(), 393);

    const uint8_t* tail = buf.data() + 258;
    const uint8_t expected[] = {0x44, 0x33, 0x22, 0x11, 0xEF, 0xBE, 0x7A};  // little-endian
    EXPECT_EQ(std::memcmp(tail, expected, sizeof(expected)), 0);
}

TEST_F(ByteBufferTest, FirstValueOnAnEmptyBufferAllocatesItsBlock)
{
    ASSERT_TRUE(buf.AppendU32(0xCAFEF00Du));
    EXPECT_EQ(buf.size(), 4);
    EXPECT_EQ(buf.capacity(), 132);
    EXPECT_EQ(buf.WordAt(0), 0xCAFEF00Du);
}

// --- Append ------------------------------------------------------------------------------------

TEST_F(ByteBufferTest, AppendCopiesOrZeroFillsAndIgnoresEmptyLengths)
{
    EXPECT_TRUE(buf.Append("xyz", 0));
    EXPECT_TRUE(buf.Append("xyz", -5));
    EXPECT_EQ(buf.data(), nullptr);
    EXPECT_EQ(g_rec.allocations, 0);

    Fill("ab");
    ASSERT_TRUE(buf.Append(nullptr, 3));
    EXPECT_EQ(Content(), std::string("ab\0\0\0", 5));
}

TEST_F(ByteBufferTest, LengthsThatWouldOverflowFailBeforeAskingTheHeap)
{
    Fill("abcd");
    const int requests = g_rec.allocations + g_rec.reallocations;
    EXPECT_FALSE(buf.Append("x", INT32_MAX));
    EXPECT_FALSE(buf.Append(nullptr, ByteBuffer::kMaxSize - 3));
    EXPECT_FALSE(buf.Insert(INT32_MAX - 1, "xy", 2));
    EXPECT_FALSE(buf.Insert(1, nullptr, INT32_MAX - 2));
    EXPECT_FALSE(buf.Replace(0, 1, nullptr, INT32_MAX));
    EXPECT_EQ(g_rec.allocations + g_rec.reallocations, requests);
    EXPECT_EQ(Content(), "abcd");
}

TEST_F(ByteBufferTest, AppendingItsOwnContentSurvivesTheBlockMoving)
{
    ASSERT_TRUE(buf.Resize(138));  // a 266-byte block: 276 bytes need a new one
    for (int i = 0; i < 138; ++i)
        buf.data()[i] = static_cast<uint8_t>(i);
    ASSERT_TRUE(buf.Append(buf.data(), 138));
    ASSERT_EQ(buf.size(), 276);
    for (int i = 0; i < 276; ++i)
        ASSERT_EQ(buf.data()[i], static_cast<uint8_t>(i % 138)) << i;
}

// --- Insert ------------------------------------------------------------------------------------

TEST_F(ByteBufferTest, InsertAtInsideAndPastTheSize)
{
    Fill("abcdef");
    ASSERT_TRUE(buf.Insert(6, "gh", 2));  // at the size: an append
    EXPECT_EQ(Content(), "abcdefgh");
    ASSERT_TRUE(buf.Insert(2, "XY", 2));  // tail moves up
    EXPECT_EQ(Content(), "abXYcdefgh");
    ASSERT_TRUE(buf.Insert(0, nullptr, 1));
    EXPECT_EQ(Content(), std::string("\0abXYcdefgh", 11));

    ASSERT_TRUE(buf.Insert(15, "Z", 1));  // past the size: grows to 16, gap left as it was
    ASSERT_EQ(buf.size(), 16);
    EXPECT_EQ(Content().substr(0, 11), std::string("\0abXYcdefgh", 11));
    EXPECT_EQ(buf.data()[15], 'Z');

    EXPECT_FALSE(buf.Insert(-1, "Q", 1));
    EXPECT_TRUE(buf.Insert(3, "Q", 0));
    EXPECT_EQ(buf.size(), 16);
}

TEST_F(ByteBufferTest, InsertingPartOfItselfUsesTheBytesBeforeTheMove)
{
    Fill("abcd");
    ASSERT_TRUE(buf.Insert(0, buf.data() + 2, 2));
    EXPECT_EQ(Content(), "cdabcd");
    ASSERT_TRUE(buf.Insert(1, buf.data(), 6));
    EXPECT_EQ(Content(), "ccdabcddabcd");
}

// --- Replace -----------------------------------------------------------------------------------

TEST_F(ByteBufferTest, ReplaceWithCountZeroOrAtTheSizeInserts)
{
    Fill("abcdef");
    ASSERT_TRUE(buf.Replace(2, 0, "XY", 2));
    EXPECT_EQ(Content(), "abXYcdef");
    ASSERT_TRUE(buf.Replace(8, 3, "gh", 2));  // at the size, the count is not used
    EXPECT_EQ(Content(), "abXYcdefgh");
    ASSERT_TRUE(buf.Replace(12, 5, "Z", 1));  // past it: grows to 13
    ASSERT_EQ(buf.size(), 13);
    EXPECT_EQ(Content().substr(0, 10), "abXYcdefgh");
    EXPECT_EQ(buf.data()[12], 'Z');
}

TEST_F(ByteBufferTest, ReplaceSameLongerShorterAndCutAtTheSize)
{
    Fill("abcdef");
    ASSERT_TRUE(buf.Replace(1, 2, "XY", 2));
    EXPECT_EQ(Content(), "aXYdef");
    ASSERT_TRUE(buf.Replace(1, 2, "WXYZ", 4));
    EXPECT_EQ(Content(), "aWXYZdef");
    ASSERT_TRUE(buf.Replace(1, 5, "Q", 1));
    EXPECT_EQ(Content(), "aQef");
    ASSERT_TRUE(buf.Replace(2, 100, "RST", 3));  // the range stops at the size
    EXPECT_EQ(Content(), "aQRST");
    ASSERT_TRUE(buf.Replace(1, 1, nullptr, 2));
    EXPECT_EQ(Content(), std::string("a\0\0RST", 6));
    EXPECT_FALSE(buf.Replace(-1, 1, "x", 1));
    EXPECT_FALSE(buf.Replace(0, -1, "x", 1));
}

TEST_F(ByteBufferTest, ReplacingEverythingWithNothingFreesTheBlock)
{
    Fill("abcdef");
    ASSERT_TRUE(buf.Replace(0, 6, nullptr, 0));
    EXPECT_EQ(buf.data(), nullptr);
    EXPECT_EQ(buf.capacity(), 0);
    EXPECT_EQ(g_rec.frees, 1);
}

TEST_F(ByteBufferTest, ReplaceWithPartOfItself)
{
    Fill("abcdef");
    ASSERT_TRUE(buf.Replace(0, 1, buf.data() + 3, 3));  // grows
    EXPECT_EQ(Content(), "defbcdef");
    ASSERT_TRUE(buf.Replace(0, 4, buf.data() + 6, 2));  // shrinks
    EXPECT_EQ(Content(), "efcdef");
}

// --- Remove and clear --------------------------------------------------------------------------

TEST_F(ByteBufferTest, RemoveRangesFromInsideAndFromTheEnd)
{
    Fill("abcdefgh");
    ASSERT_TRUE(buf.Remove(1, 2));
    EXPECT_EQ(Content(), "adefgh");
    ASSERT_TRUE(buf.Remove(-1, 2));
    EXPECT_EQ(Content(), "adef");
    ASSERT_TRUE(buf.Remove(2, 100));
    EXPECT_EQ(Content(), "ad");
    EXPECT_TRUE(buf.Remove(0, 0));
    EXPECT_EQ(Content(), "ad");
}

TEST_F(ByteBufferTest, RemoveFailsAtOrPastTheSize)
{
    EXPECT_FALSE(buf.Remove(-1, 1));  // nothing at the end of an empty buffer
    EXPECT_FALSE(buf.Remove(0, 1));
    Fill("abc");
    EXPECT_FALSE(buf.Remove(3, 1));
    EXPECT_FALSE(buf.Remove(4, 1));
    EXPECT_FALSE(buf.Remove(-2, 1));
    EXPECT_FALSE(buf.Remove(0, -1));
    EXPECT_EQ(Content(), "abc");
}

TEST_F(ByteBufferTest, RemovingEverythingFreesTheBlock)
{
    Fill("abc");
    ASSERT_TRUE(buf.Remove(-1, 10));
    EXPECT_EQ(buf.data(), nullptr);
    EXPECT_EQ(buf.size(), 0);
    EXPECT_EQ(g_rec.frees, 1);

    Fill("abc");
    ASSERT_TRUE(buf.Remove(0, 3));
    EXPECT_EQ(buf.data(), nullptr);
    EXPECT_EQ(g_rec.frees, 2);

    Fill("abc");
    buf.Clear();
    EXPECT_EQ(buf.data(), nullptr);
    EXPECT_EQ(buf.capacity(), 0);
    EXPECT_EQ(g_rec.frees, 3);
}

TEST_F(ByteBufferTest, RemoveShrinksOnlyPastTheUnusedLimit)
{
    ASSERT_TRUE(buf.Resize(400));
    for (int i = 0; i < 400; ++i)
        buf.data()[i] = static_cast<uint8_t>(i);
    ASSERT_EQ(buf.capacity(), 528);
    ASSERT_TRUE(buf.Remove(0, 100));  // 228 unused
    EXPECT_EQ(buf.capacity(), 528);
    ASSERT_TRUE(buf.Remove(0, 28));   // 256 unused
    EXPECT_EQ(buf.capacity(), 528);
    ASSERT_TRUE(buf.Remove(0, 1));    // 257 unused: 271 + 128
    EXPECT_EQ(buf.capacity(), 399);
    ASSERT_EQ(buf.size(), 271);
    for (int i = 0; i < 271; ++i)
        ASSERT_EQ(buf.data()[i], static_cast<uint8_t>(i + 129)) << i;
}

// --- A heap that refuses -----------------------------------------------------------------------

TEST_F(ByteBufferTest, FailedGrowthKeepsTheBufferAsItWas)
{
    g_rec.refuse = true;
    EXPECT_FALSE(buf.Append("abc", 3));
    EXPECT_FALSE(buf.AppendU32(1));
    EXPECT_EQ(buf.data(), nullptr);
    EXPECT_EQ(buf.size(), 0);
    g_rec.refuse = false;

    ASSERT_TRUE(buf.Resize(10));
    ASSERT_TRUE(buf.Resize(138));  // the 138-byte block is now full
    ASSERT_EQ(buf.capacity(), 138);
    std::memset(buf.data(), 'a', 138);
    const uint8_t* block = buf.data();
    const std::string before = Content();

    g_rec.refuse = true;
    EXPECT_FALSE(buf.Append("x", 1));
    EXPECT_FALSE(buf.AppendU8(1));
    EXPECT_FALSE(buf.Insert(5, "xy", 2));
    EXPECT_FALSE(buf.Insert(200, "xy", 2));
    EXPECT_FALSE(buf.Replace(0, 1, "xy", 2));
    EXPECT_EQ(buf.data(), block);
    EXPECT_EQ(buf.capacity(), 138);
    EXPECT_EQ(Content(), before);
}

TEST_F(ByteBufferTest, RemovingStillWorksWhenTheHeapRefusesToShrink)
{
    ASSERT_TRUE(buf.Resize(300));
    std::memset(buf.data(), 'a', 300);
    std::memcpy(buf.data() + 290, "0123456789", 10);
    g_rec.refuse = true;
    EXPECT_FALSE(buf.Resize(10));  // a shrink asked for directly fails like a growth
    EXPECT_EQ(buf.size(), 300);
    ASSERT_TRUE(buf.Remove(0, 290));
    EXPECT_EQ(buf.capacity(), 428);
    EXPECT_EQ(Content(), "0123456789");
    ASSERT_TRUE(buf.Replace(0, 5, "x", 1));
    EXPECT_EQ(Content(), "x56789");

    // A value goes into the spare room however much of it there is; bytes take the resize rule.
    g_rec.refuse = false;
    ASSERT_TRUE(buf.AppendU32(0x39383736u));
    EXPECT_EQ(buf.capacity(), 428);
    ASSERT_TRUE(buf.Append("!", 1));
    EXPECT_EQ(buf.capacity(), 139);
    EXPECT_EQ(Content(), "x567896789!");
}

TEST_F(ByteBufferTest, SelfReferenceNeedingACopyFailsCleanlyWhenRefused)
{
    Fill("abcd");
    g_rec.refuse = true;
    EXPECT_FALSE(buf.Insert(0, buf.data(), 2));
    EXPECT_EQ(Content(), "abcd");
}

// --- Word lists --------------------------------------------------------------------------------

TEST_F(ByteBufferTest, WordListsAppendFindAndRemove)
{
    for (uint32_t w : {10u, 20u, 30u, 20u})
        ASSERT_TRUE(buf.AppendWord(w));
    EXPECT_EQ(buf.WordCount(), 4);
    EXPECT_EQ(buf.WordAt(2), 30u);
    EXPECT_EQ(buf.WordAt(4), 0u);
    EXPECT_EQ(buf.WordAt(-1), 0u);
    EXPECT_EQ(buf.FindWord(20), 1);  // the first of two
    EXPECT_EQ(buf.FindWord(99), -1);

    ASSERT_TRUE(buf.RemoveWordAt(1));
    EXPECT_EQ(buf.WordCount(), 3);
    EXPECT_EQ(buf.FindWord(20), 2);
    EXPECT_EQ(buf.WordAt(1), 30u);
    EXPECT_FALSE(buf.RemoveWordAt(3));
    EXPECT_FALSE(buf.RemoveWordAt(-1));

    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(buf.RemoveWordAt(0));
    EXPECT_EQ(buf.data(), nullptr);
    EXPECT_EQ(buf.FindWord(0), -1);
}

TEST(FindWordIn, SearchesOnlyTheGivenCount)
{
    const uint32_t words[] = {5, 6, 7, 0xFFFFFFFFu};
    EXPECT_EQ(ByteBuffer::FindWordIn(words, 4, 0xFFFFFFFFu), 3);
    EXPECT_EQ(ByteBuffer::FindWordIn(words, 3, 0xFFFFFFFFu), -1);
    EXPECT_EQ(ByteBuffer::FindWordIn(words, 0, 5), -1);
    EXPECT_EQ(ByteBuffer::FindWordIn(nullptr, 0, 5), -1);
}

TEST_F(ByteBufferTest, MovingHandsTheBlockOver)
{
    Fill("abc");
    const uint8_t* block = buf.data();
    ByteBuffer other(std::move(buf));
    EXPECT_EQ(other.data(), block);
    EXPECT_EQ(other.size(), 3);
    EXPECT_EQ(buf.data(), nullptr);
    buf = std::move(other);
    EXPECT_EQ(buf.data(), block);
    EXPECT_EQ(other.data(), nullptr);
}

}  // namespace
