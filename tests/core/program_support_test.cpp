// Tests of the routines compiled into programs: joins through an installed allocator that records
// every block (so a test sees that each join hands out a new block of the right size), the
// null/empty rules of comparison, and omitted-argument padding.
#include "runtime/core/program_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<int32_t> g_requests;

void* RecordingAlloc(int32_t size)
{
    g_requests.push_back(size);
    return std::malloc(static_cast<size_t>(size));
}

class TextJoinTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_requests.clear();
        SetProgramAllocator(RecordingAlloc);
    }
    // Takes ownership of a joined text and answers its content.
    std::string Take(char* text)
    {
        EXPECT_NE(text, nullptr);
        std::string s = text ? text : "";
        std::free(text);
        return s;
    }
};

TEST(TextLength, CountsBytesAndNullIsEmpty)
{
    EXPECT_EQ(TextLength(nullptr), 0u);
    EXPECT_EQ(TextLength(""), 0u);
    EXPECT_EQ(TextLength("abc"), 3u);
    EXPECT_EQ(TextLength("\xC6\xB5\xCA\xFD"), 4u);  // two GBK characters
}

TEST_F(TextJoinTest, JoinsInOrderAndAllocatesTotalPlusOne)
{
    EXPECT_EQ(Take(TextJoin(3, "C:\\Users\\", "QQ", "\\config.ini")), "C:\\Users\\QQ\\config.ini");
    ASSERT_EQ(g_requests.size(), 1u);
    EXPECT_EQ(g_requests[0], 23);
    EXPECT_EQ(Take(TextJoin(1, "one")), "one");
    EXPECT_EQ(g_requests.back(), 4);
}

TEST_F(TextJoinTest, NullCountsAsEmpty)
{
    EXPECT_EQ(Take(TextJoin(3, "ab", static_cast<const char*>(nullptr), "cd")), "abcd");
    EXPECT_EQ(g_requests.back(), 5);
    EXPECT_EQ(Take(TextJoin(2, static_cast<const char*>(nullptr), "x")), "x");
}

TEST_F(TextJoinTest, AllEmptyStillYieldsANewOneByteText)
{
    const char empty[] = "";
    char* a = TextJoin(2, static_cast<const char*>(nullptr), empty);
    char* b = TextJoin(1, empty);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_NE(a, empty);
    EXPECT_EQ(a[0], '\0');
    EXPECT_EQ(b[0], '\0');
    EXPECT_EQ(g_requests, (std::vector<int32_t>{1, 1}));
    std::free(a);
    std::free(b);
}

#if GTEST_HAS_DEATH_TEST && !defined(_WIN32)
[[noreturn]] void AllocationReached(int32_t)
{
    std::_Exit(3);
}

TEST_F(TextJoinTest, LengthBeyondA32BitSizeAbortsBeforeAllocating)
{
    // Nine 256 MiB texts add up to more than 2^31 bytes. A wrapped size would reach the heap and
    // the copies would overrun the block; the join must abort without asking for memory.
    const std::string text(size_t{256} << 20, 'x');
    const char* t = text.c_str();
    SetProgramAllocator([](int32_t size) -> void* { AllocationReached(size); });
    EXPECT_EXIT(TextJoin(9, t, t, t, t, t, t, t, t, t), ::testing::KilledBySignal(SIGABRT), "");
}
#endif

TEST(TextCompare, NullAndEmptyAreEqualInEitherPosition)
{
    EXPECT_EQ(TextCompare(nullptr, nullptr), 0);
    EXPECT_EQ(TextCompare(nullptr, ""), 0);
    EXPECT_EQ(TextCompare("", nullptr), 0);
    EXPECT_EQ(TextCompare("", ""), 0);
    EXPECT_EQ(TextCompare(nullptr, "a"), -1);
    EXPECT_EQ(TextCompare("a", nullptr), 1);
    EXPECT_EQ(TextCompare("", "a"), -1);
    EXPECT_EQ(TextCompare("a", ""), 1);
}

TEST(TextCompare, BytesCompareUnsignedAndResultsAreUnitSteps)
{
    EXPECT_EQ(TextCompare("\x80", "\x7F"), 1);
    EXPECT_EQ(TextCompare("\x7F", "\x80"), -1);
    EXPECT_EQ(TextCompare("a\xFF", "a\x01"), 1);
    EXPECT_EQ(TextCompare("abc", "abd"), -1);
    EXPECT_EQ(TextCompare("abz", "aba"), 1);  // 'z' - 'a' = 25, still 1
    EXPECT_EQ(TextCompare("ab", "abc"), -1);
    EXPECT_EQ(TextCompare("abc", "ab"), 1);
    const char a[] = "same", b[] = "same";
    EXPECT_EQ(TextCompare(a, b), 0);
}

TEST(PushOmittedArgs, ZeroFillsWholeRecordsAndAnswersTheNext)
{
    CmdArg args[5];
    std::memset(args, 0xAB, sizeof(args));
    CmdArg* next = args;
    *next++ = {7, 0, kTagInteger};
    next = PushOmittedArgs(next, 2 * kWordsPerArg);
    ASSERT_EQ(next, args + 3);
    *next++ = {1, 0, kTagLogical};
    EXPECT_EQ(PushOmittedArgs(next, 0), next);

    EXPECT_EQ(args[0].value, 7u);
    for (int i : {1, 2}) {
        EXPECT_EQ(args[i].value, 0u) << i;
        EXPECT_EQ(args[i].second, 0u) << i;
        EXPECT_EQ(args[i].tag, kTagOmitted) << i;
    }
    EXPECT_EQ(args[3].tag, kTagLogical);
    EXPECT_EQ(args[4].value, 0xABABABABu) << "nothing past the padded words is touched";
}

}  // namespace
