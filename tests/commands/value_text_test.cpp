// Tests of the value-to-text conversion. Real-number texts are what the Windows C runtime's
// _snprintf prints for the same double (observed under Wine: "1e+020", ties away from zero,
// "1.#INF"); the single-precision cases near a rounding step were worked through by hand in
// IEEE double arithmetic. This file is built as GBK, like the texts it compares.
#include "runtime/commands/value_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

namespace {

std::string Text(uint32_t tag, uint32_t value, uint32_t second = 0)
{
    char buffer[kValueTextSize];
    CmdArg arg{value, second, tag};
    size_t length = ValueToText(arg, buffer, sizeof(buffer));
    EXPECT_EQ(length, std::strlen(buffer));
    return buffer;
}

std::string SingleBits(uint32_t bits)
{
    return Text(kTagSingle, bits);
}

std::string Single(float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof(bits));
    return SingleBits(bits);
}

std::string DoubleBits(uint64_t bits)
{
    return Text(kTagDouble, static_cast<uint32_t>(bits), static_cast<uint32_t>(bits >> 32));
}

std::string Double(double d)
{
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof(bits));
    return DoubleBits(bits);
}

std::string Date(double days)
{
    char buffer[kValueTextSize];
    size_t length = DateTimeToText(days, buffer, sizeof(buffer));
    EXPECT_EQ(length, std::strlen(buffer));
    return buffer;
}

constexpr double kSecond = 1.0 / 86400;

TEST(TypeTags, CategoryComesFromTheTopTwoBits)
{
    EXPECT_EQ(TypeTagCategory(0), kCategoryNone);
    EXPECT_EQ(TypeTagCategory(kTagText), kCategoryBasic);
    EXPECT_EQ(TypeTagCategory(0xBFFFFFFF), kCategoryBasic);
    EXPECT_EQ(TypeTagCategory(0x40000000), kCategory01);
    EXPECT_EQ(TypeTagCategory(kTagWindowRef), kCategoryOther);
    EXPECT_EQ(TypeTagCategory(0xC0000101), kCategoryOther);
}

TEST(TypeTags, ExactlyTheSixNumberTypesAreNumeric)
{
    for (uint32_t tag : {kTagByte, kTagShort, kTagInteger, kTagLong, kTagSingle, kTagDouble})
        EXPECT_TRUE(IsNumericTag(tag)) << std::hex << tag;
    for (uint32_t tag : {kTagOmitted, kTagLogical, kTagDateTime, kTagText, kTagWindowRef,
                         0x80000701u, 0x80000001u, 0xC0000101u, 0x40000101u, 0x00000101u})
        EXPECT_FALSE(IsNumericTag(tag)) << std::hex << tag;
}

TEST(ValueToText, OtherTagsWriteNothing)
{
    for (uint32_t tag : {kTagOmitted, kTagLogical, kTagDateTime, kTagText, kTagWindowRef,
                         0x80000701u, 0xFFFFFFFFu}) {
        char buffer[kValueTextSize];
        std::memset(buffer, 'x', sizeof(buffer));
        EXPECT_EQ(ValueToText(CmdArg{1, 0, tag}, buffer, sizeof(buffer)), 0u);
        EXPECT_EQ(buffer[0], 'x') << std::hex << tag;
    }
}

TEST(ValueToText, IntegersUseOnlyTheirOwnBits)
{
    EXPECT_EQ(Text(kTagByte, 255), "255");
    EXPECT_EQ(Text(kTagByte, 0xFFFFFF07), "7");
    EXPECT_EQ(Text(kTagShort, 0xFFFF), "-1");
    EXPECT_EQ(Text(kTagShort, 0x12347FFF), "32767");
    EXPECT_EQ(Text(kTagShort, 0x8000), "-32768");
    EXPECT_EQ(Text(kTagInteger, 0x80000000), "-2147483648");
    EXPECT_EQ(Text(kTagInteger, 2147483647, 0xFFFFFFFF), "2147483647");
    EXPECT_EQ(Text(kTagInteger, 0), "0");
}

TEST(ValueToText, LongIntegersSpanBothWords)
{
    EXPECT_EQ(Text(kTagLong, 0xFFFFFFFF, 0xFFFFFFFF), "-1");
    EXPECT_EQ(Text(kTagLong, 0, 1), "4294967296");
    EXPECT_EQ(Text(kTagLong, 0xFFFFFFFF, 0x7FFFFFFF), "9223372036854775807");
    EXPECT_EQ(Text(kTagLong, 0, 0x80000000), "-9223372036854775808");
}

TEST(ValueToText, SinglesShowSixDigitsWithoutBinaryNoise)
{
    EXPECT_EQ(Single(0.1f), "0.1");
    EXPECT_EQ(Single(0.3f), "0.3");
    EXPECT_EQ(Single(-2.5f), "-2.5");
    EXPECT_EQ(Single(100000.0f), "100000");
    EXPECT_EQ(Single(1234567.0f), "1.23457e+006");
    EXPECT_EQ(Single(1e20f), "1e+020");
    EXPECT_EQ(Single(0.00001f), "1e-005");
    EXPECT_EQ(Single(16777216.0f), "1.67772e+007");
}

// The seventh digit is a 5 here, but the scaled value lands a hair below or exactly on the
// half in double arithmetic; a plain "%.6g" of the single would round all of them up.
TEST(ValueToText, SingleRoundingFollowsTheDoubleSteps)
{
    EXPECT_EQ(Single(1234565.0f), "1.23456e+006");
    EXPECT_EQ(Single(123456.5f), "123456");
    EXPECT_EQ(Single(1234575.0f), "1.23458e+006");
    EXPECT_EQ(Single(999999.5f), "1e+006");
    EXPECT_EQ(Single(9999995.0f), "1e+007");
}

TEST(ValueToText, SingleZeroAndExtremes)
{
    EXPECT_EQ(SingleBits(0x00000000), "0");
    EXPECT_EQ(SingleBits(0x80000000), "0");                // negative zero
    EXPECT_EQ(SingleBits(0x7F7FFFFF), "3.40282e+038");     // largest single
    EXPECT_EQ(SingleBits(0x00800000), "1.17549e-038");     // smallest normal
    EXPECT_EQ(SingleBits(0x007FFFFF), "1.17549e-038");     // largest denormal
    EXPECT_EQ(SingleBits(0x000116C2), "1e-040");           // denormal near 1e-40
    EXPECT_EQ(SingleBits(0x00000400), "1.43e-042");        // denormal, fewer digits
    EXPECT_EQ(SingleBits(0x00000001), "0");                // smallest denormal
    EXPECT_EQ(SingleBits(0x80000001), "0");                // and its negative: not "-0"
}

TEST(ValueToText, SingleInfinityAndNan)
{
    EXPECT_EQ(SingleBits(0x7F800000), "1.#INF");
    EXPECT_EQ(SingleBits(0xFF800000), "-1.#INF");
    EXPECT_EQ(SingleBits(0x7FC00000), "1.#QNAN");
    EXPECT_EQ(SingleBits(0xFFC00000), "1.#QNAN");  // the magnitude step drops a NaN's sign
}

// Thirteen digits; the exponent form from 10^13 and below 10^-4, always with three digits.
TEST(ValueToText, DoublesShowThirteenDigits)
{
    EXPECT_EQ(Double(1.0 / 3), "0.3333333333333");
    EXPECT_EQ(Double(2.0 / 3), "0.6666666666667");
    EXPECT_EQ(Double(0.30000000000000004), "0.3");
    EXPECT_EQ(Double(-1234567.125), "-1234567.125");
    EXPECT_EQ(Double(1e12), "1000000000000");
    EXPECT_EQ(Double(1e13), "1e+013");
    EXPECT_EQ(Double(0.0001), "0.0001");
    EXPECT_EQ(Double(-1.5e-7), "-1.5e-007");
    EXPECT_EQ(Double(1e20), "1e+020");
    EXPECT_EQ(Double(1e-100), "1e-100");
    EXPECT_EQ(Double(std::numeric_limits<double>::max()), "1.797693134862e+308");
    EXPECT_EQ(Double(std::numeric_limits<double>::min()), "2.225073858507e-308");
    EXPECT_EQ(DoubleBits(1), "4.940656458412e-324");
}

TEST(ValueToText, DoubleTiesRoundAwayFromZero)
{
    EXPECT_EQ(Double(9.5367431640625e-07), "9.536743164063e-007");  // 2^-20, exact tie
    EXPECT_EQ(Double(1234567890122.5), "1234567890123");
    EXPECT_EQ(Double(-1234567890122.5), "-1234567890123");
    EXPECT_EQ(Double(9999999999999.5), "1e+013");  // the carry changes the layout
    EXPECT_EQ(Double(9.9999999999995e-5), "0.0001");
}

TEST(ValueToText, DoubleZeroInfinityAndNan)
{
    EXPECT_EQ(Double(0.0), "0");
    EXPECT_EQ(Double(-0.0), "-0");
    EXPECT_EQ(DoubleBits(0x7FF0000000000000), "1.#INF");
    EXPECT_EQ(DoubleBits(0xFFF0000000000000), "-1.#INF");
    EXPECT_EQ(DoubleBits(0x7FF8000000000000), "1.#QNAN");
    EXPECT_EQ(DoubleBits(0xFFF8000000000000), "-1.#IND");
}

TEST(ValueToText, ShortBufferIsCutAndTerminated)
{
    char buffer[6];
    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(ValueToText(CmdArg{0x80000000, 0, kTagInteger}, buffer, 5), 4u);
    EXPECT_STREQ(buffer, "-214");
    EXPECT_EQ(buffer[5], 'x');
    EXPECT_EQ(ValueToText(CmdArg{7, 0, kTagInteger}, buffer, 0), 0u);
    EXPECT_EQ(buffer[0], '-');
}

TEST(LogicalToText, WritesGbkWordsAndCountsTheTerminator)
{
    char buffer[kValueTextSize];
    EXPECT_EQ(LogicalToText(1, buffer, sizeof(buffer)), 3u);
    EXPECT_STREQ(buffer, "\xD5\xE6");  // 真
    EXPECT_EQ(LogicalToText(0x80000000, buffer, sizeof(buffer)), 3u);
    EXPECT_STREQ(buffer, "真");
    EXPECT_EQ(LogicalToText(0, buffer, sizeof(buffer)), 3u);
    EXPECT_STREQ(buffer, "\xBC\xD9");  // 假
}

TEST(IntegerToText, PrintsSignedDecimal)
{
    char buffer[kValueTextSize];
    EXPECT_EQ(IntegerToText(-2147483647 - 1, buffer, sizeof(buffer)), 11u);
    EXPECT_STREQ(buffer, "-2147483648");
}

TEST(DateTimeToText, DatesOnTheGregorianCalendar)
{
    EXPECT_EQ(Date(0.0), "1899年12月30日");
    EXPECT_EQ(Date(36526.0), "2000年1月1日");
    EXPECT_EQ(Date(60.0), "1900年2月28日");  // 1900 has no 29 February
    EXPECT_EQ(Date(61.0), "1900年3月1日");
    EXPECT_EQ(Date(36585.0), "2000年2月29日");
    EXPECT_EQ(Date(2958465.0), "9999年12月31日");
    EXPECT_EQ(Date(-657434.0), "100年1月1日");
}

TEST(DateTimeToText, TimeIsWrittenDownToItsLastNonZeroPart)
{
    EXPECT_EQ(Date(36526.5), "2000年1月1日12时");
    EXPECT_EQ(Date(36526.75 + 90 * kSecond), "2000年1月1日18时1分30秒");
    EXPECT_EQ(Date(36526.0 + 750 * 60 * kSecond), "2000年1月1日12时30分");
    EXPECT_EQ(Date(36526.0 + 30 * kSecond), "2000年1月1日0时0分30秒");
}

TEST(DateTimeToText, RoundsToTheNearestSecond)
{
    EXPECT_EQ(Date(36526.0 + 0.4 * kSecond), "2000年1月1日");
    EXPECT_EQ(Date(36526.0 + 0.6 * kSecond), "2000年1月1日0时0分1秒");
    EXPECT_EQ(Date(36526.0 + 86399.6 * kSecond), "2000年1月2日");
}

// Before the epoch the whole part still counts days toward zero and the fraction's magnitude
// is the time, so -1.25 is 29 December 1899, 6 o'clock, not 28 December 18 o'clock.
TEST(DateTimeToText, DaysBeforeTheEpoch)
{
    EXPECT_EQ(Date(-1.0), "1899年12月29日");
    EXPECT_EQ(Date(-1.25), "1899年12月29日6时");
    EXPECT_EQ(Date(-0.5), "1899年12月30日12时");
    EXPECT_EQ(Date(-2.0 + 0.4 * kSecond), "1899年12月28日");  // rounds to -2.0 exactly
    EXPECT_EQ(Date(-36522.0), "1800年1月1日");
}

TEST(DateTimeToText, ClampsToTheYears100To9999)
{
    EXPECT_EQ(Date(5000000.0), "9999年12月31日");
    EXPECT_EQ(Date(2958465.5), "9999年12月31日");
    EXPECT_EQ(Date(-1000000.0), "100年1月1日");
    EXPECT_EQ(Date(std::numeric_limits<double>::infinity()), "9999年12月31日");
    EXPECT_EQ(Date(-std::numeric_limits<double>::infinity()), "100年1月1日");
    EXPECT_EQ(Date(std::numeric_limits<double>::quiet_NaN()), "1899年12月30日");
}

}  // namespace
