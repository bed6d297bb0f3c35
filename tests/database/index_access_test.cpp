// Index access scopes over the in-memory file layer (which counts locks and writes), and the key
// order of every field type code against values whose order is known from their meaning.
#include "runtime/database/index_access.h"
#include "runtime/database/index_keys.h"
#include "runtime/database/mem_file_io.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr uint32_t kNode = 256;

// An index file of 40 nodes; node n is filled with n, the header with "KBNX" and the version.
std::vector<uint8_t> IndexBytes()
{
    std::vector<uint8_t> bytes(kNode * 40);
    for (uint32_t n = 1; n < 40; ++n)
        std::memset(&bytes[n * kNode], static_cast<int>(n), kNode);
    std::memset(bytes.data(), 0, kIndexHeaderSize);
    const uint8_t start[8] = {'K', 'B', 'N', 'X', 0, 0, 1, 0};
    std::memcpy(bytes.data(), start, sizeof start);
    return bytes;
}

TEST(IndexAccessScope, NestedScopesLockOnceAndWriteTheHeaderOnlyWhenChanged)
{
    MemFileIo io(IndexBytes());
    IndexAccessScope index(&io, kNode);
    ASSERT_EQ(index.Begin(), 0);
    ASSERT_EQ(index.Begin(), 0);
    EXPECT_EQ(io.lockCalls, 1);
    EXPECT_TRUE(io.IsLocked(0, 0x7FFFFFFF));
    uint8_t node[kNode];
    ASSERT_EQ(index.ReadNode(5, node), 0);
    EXPECT_EQ(node[0], 5);
    EXPECT_EQ(index.End(), 0);
    EXPECT_EQ(index.End(), 0);
    EXPECT_EQ(io.unlockCalls, 1);
    EXPECT_TRUE(io.writes.empty());

    ASSERT_EQ(index.Begin(), 0);
    index.SetHeaderWords(40, 1, 7);
    ASSERT_EQ(index.End(), 0);
    ASSERT_EQ(io.writes.size(), 1u);
    EXPECT_TRUE(io.writes[0].offset == 0 && io.writes[0].length == kIndexHeaderSize);
    EXPECT_TRUE(io.bytes()[28] == 1 && io.bytes()[32] == 7);
    EXPECT_EQ(index.End(), -52);  // no scope open
}

TEST(IndexAccessScope, CacheHoldsEighteenNodesAndWritesBackDirtyOnes)
{
    MemFileIo io(IndexBytes());
    IndexAccessScope index(&io, kNode);
    ASSERT_EQ(index.Begin(), 0);
    uint8_t node[kNode];
    for (uint32_t n = 1; n <= 19; ++n) {
        std::memset(node, static_cast<int>(100 + n), kNode);
        ASSERT_EQ(index.WriteNode(n, node), 0);
        EXPECT_LE(index.cachedNodes(), 18u);
    }
    EXPECT_EQ(io.writes.size(), 3u);  // the 3 oldest left the cache
    EXPECT_EQ(io.bytes()[3 * kNode], 103);
    EXPECT_EQ(io.bytes()[4 * kNode], 4);  // still cached only
    EXPECT_TRUE(index.ReadNode(1, node) == 0 && node[0] == 101);  // evicted: back from the file
    EXPECT_TRUE(index.ReadNode(4, node) == 0 && node[0] == 104);  // cached: the written bytes
    ASSERT_EQ(index.End(), 0);
    for (uint32_t n = 1; n <= 19; ++n)
        EXPECT_EQ(io.bytes()[n * kNode + kNode - 1], 100 + n) << n;
    EXPECT_EQ(index.cachedNodes(), 0u);
    EXPECT_EQ(index.ReadNode(1, node), -52);  // outside a scope
}

TEST(IndexAccessScope, BadFilesAndNodes)
{
    MemFileIo shortFile(std::vector<uint8_t>(100));
    EXPECT_EQ(IndexAccessScope(&shortFile, kNode).Begin(), -52);
    EXPECT_TRUE(shortFile.held().empty());
    MemFileIo notIndex(std::vector<uint8_t>(kNode * 2, 'X'));
    EXPECT_EQ(IndexAccessScope(&notIndex, kNode).Begin(), -31);
    MemFileIo good(IndexBytes());
    IndexAccessScope index(&good, kNode);
    ASSERT_EQ(index.Begin(), 0);
    uint8_t node[kNode];
    EXPECT_EQ(index.ReadNode(45, node), -52);          // past the end
    EXPECT_EQ(index.ReadNode(0x7FFFFFFF, node), -52);  // its offset overflows
    EXPECT_EQ(index.End(), 0);
}

// Failed write-backs (a node leaving the cache, an inner scope's header, the outermost end's
// nodes) stay changed, are reported, and a later end, here a guard's, writes them.
TEST(IndexAccessScope, FailedWriteBacksAreKeptAndRetried)
{
    MemFileIo io(IndexBytes());
    IndexAccessScope index(&io, kNode);
    uint8_t node[kNode];
    ASSERT_EQ(index.Begin(), 0);
    for (uint32_t n = 1; n <= 18; ++n) {
        std::memset(node, static_cast<int>(100 + n), kNode);
        ASSERT_EQ(index.WriteNode(n, node), 0);
    }
    io.failWrite = io.writeCalls + 1;  // node 1, the oldest
    EXPECT_EQ(index.WriteNode(19, node), -11);
    EXPECT_EQ(index.cachedNodes(), 16u);  // nodes 2 and 3 went
    EXPECT_EQ(index.WriteNode(19, node), 0);

    ASSERT_EQ(index.Begin(), 0);
    index.header()[kIndexHeaderSize - 1] = 9;  // past the half a torn write stores
    io.failWrite = io.writeCalls + 1;
    EXPECT_EQ(index.End(), -11);  // the inner scope's header
    io.failWrite = io.writeCalls + 2;
    EXPECT_EQ(index.End(), -11);  // the header is written, the first dirty node is not
    EXPECT_EQ(io.bytes()[kIndexHeaderSize - 1], 9);
    EXPECT_TRUE(io.IsLocked(0, 0x7FFFFFFF));
    [&] {
        IndexScopeGuard next(index);  // goes on with what the failed end kept
        ASSERT_EQ(next.begun(), 0);
    }();
    EXPECT_TRUE(io.held().empty());
    for (uint32_t n = 1; n <= 18; ++n)
        EXPECT_EQ(io.bytes()[n * kNode], 100 + n) << n;
}

// One key part of `type` on each side.
template <typename T>
int ComparePart(int32_t type, T left, T right)
{
    uint8_t a[sizeof(T)], b[sizeof(T)];
    std::memcpy(a, &left, sizeof(T));  // the hosts are little-endian, as the files are
    std::memcpy(b, &right, sizeof(T));
    return CompareIndexKeys(a, b, &type, 1);
}

int CompareText(int32_t size, const char* left, const char* right)
{
    const int32_t type = -size;
    std::vector<uint8_t> a(static_cast<size_t>(size)), b(static_cast<size_t>(size));
    std::memcpy(a.data(), left, std::min(a.size(), std::strlen(left)));
    std::memcpy(b.data(), right, std::min(b.size(), std::strlen(right)));
    return CompareIndexKeys(a.data(), b.data(), &type, 1);
}

TEST(CompareIndexKeys, EveryTypeCode)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(ComparePart<uint8_t>(1, 0x80, 0x7F), 1);
    EXPECT_EQ(ComparePart<int16_t>(2, -1, 1), -1);
    EXPECT_EQ(ComparePart<int16_t>(2, 1, 256), -1);      // low byte first
    EXPECT_EQ(ComparePart<int32_t>(3, INT32_MIN, 0), -1);
    EXPECT_EQ(ComparePart<int64_t>(4, -1, 0xFFFFFFFFll), -1);
    EXPECT_EQ(ComparePart<int64_t>(4, 0x100000000ll, 0xFFFFFFFFll), 1);
    EXPECT_EQ(ComparePart<int64_t>(4, INT64_MIN, -1), -1);
    EXPECT_EQ(ComparePart<float>(5, std::nanf(""), -HUGE_VALF), -1);
    EXPECT_EQ(ComparePart<float>(5, 1.5f, std::nanf("")), 1);
    EXPECT_EQ(ComparePart<float>(5, -2.0f, -1.0f), -1);
    EXPECT_EQ(ComparePart<double>(6, nan, -inf), -1);
    EXPECT_EQ(ComparePart<double>(6, -inf, nan), 1);
    EXPECT_EQ(ComparePart<double>(6, nan, nan), 0);
    EXPECT_EQ(ComparePart<double>(6, 0.0, -0.0), 0);
    EXPECT_EQ(ComparePart<uint8_t>(7, 0, 5), -1);
    EXPECT_EQ(ComparePart<uint8_t>(7, 1, 200), 0);
    EXPECT_EQ(ComparePart<double>(8, -1.25, -1.0), 1);   // 29 Dec 1899 06:00 after 00:00
    EXPECT_EQ(ComparePart<double>(8, -0.5, 0.5), 0);     // both 30 Dec 1899 12:00
    EXPECT_EQ(ComparePart<double>(8, -2.5, -1.0), -1);
    EXPECT_EQ(ComparePart<uint32_t>(9, 0xFFFFFFFFu, 1), 1);
}

TEST(CompareIndexKeys, TextParts)
{
    EXPECT_EQ(CompareText(8, "ab", "abc"), -1);
    EXPECT_EQ(CompareText(8, "abc", "abc"), 0);
    EXPECT_EQ(CompareText(3, "abcd", "abce"), 0);            // at most n bytes
    EXPECT_EQ(CompareText(8, "\xB0\xA1", "z"), 1);           // GBK 啊 after any ASCII
    EXPECT_EQ(CompareText(8, "\xB0\xA1", "\xB0\xA2"), -1);   // 啊 before 阿
    EXPECT_EQ(CompareText(8, "\xB0\xA1", "\xB0\xA1" "a"), -1);
    EXPECT_EQ(CompareText(8, "\xC0\x41", "\xC0\x7A"), -1);   // trail bytes below 0x80 stay in the unit
}

TEST(CompareIndexKeys, FirstUnequalPartDecides)
{
    const int32_t types[] = {3, -4, 1};
    uint8_t a[9] = {7, 0, 0, 0, 'a', 'b', 0, 0, 1};
    uint8_t b[9] = {7, 0, 0, 0, 'a', 'b', 0, 0, 2};
    EXPECT_EQ(CompareIndexKeys(a, b, types, 3), -1);
    EXPECT_EQ(CompareIndexKeys(b, a, types, 3), 1);
    b[8] = 1;
    EXPECT_EQ(CompareIndexKeys(a, b, types, 3), 0);
    a[0] = 8;
    EXPECT_EQ(CompareIndexKeys(a, b, types, 3), 1);
    EXPECT_EQ(KeySize(types, 3), 9u);
    const int32_t bad[] = {3, 10, 1};
    EXPECT_EQ(KeySize(bad, 3), 0u);
    const int32_t corrupt[] = {-3, INT32_MIN, 0, -1};  // codes as a damaged file may hold them
    EXPECT_EQ(KeySize(corrupt, 2), 0u);
    EXPECT_EQ(KeyPartSize(INT32_MIN), 0u);
    EXPECT_EQ(CompareIndexKeys(a, b, corrupt, 4), 1);  // the first part only: 8 against 7
    const int32_t textThenShort[] = {-2, 2};  // a text part ending on a lead byte, then 255 against 257
    const uint8_t left[4] = {'a', 0x81, 0xFF, 0x00}, right[4] = {'a', 0x81, 0x01, 0x01};
    EXPECT_EQ(CompareIndexKeys(left, right, textThenShort, 2), -1);
}

}  // namespace
