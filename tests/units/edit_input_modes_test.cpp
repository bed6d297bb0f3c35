// The edit box's typing filter and normalisation on leaving, without a control.
#include "runtime/units/edit_input_modes.h"

#include <gtest/gtest.h>

#include "runtime/commands/value_text.h"

namespace {

// ---- Typing filter ----

TEST(InputFilter, NumberModesLetThroughTheirCharactersOnly) {
    const struct {
        int32_t mode;
        const char* accepted;
        const char* refused;
    } cases[] = {
        {kInputIntegerText, "0123456789-", ".+ae "},
        {kInputDecimalText, "0123456789-.", "+,e "},
        {kInputByte, "0123456789", "-.+ "},
        {kInputShort, "0123456789-", ".+"},
        {kInputInteger, "0123456789-", ".x"},
        {kInputLong, "0123456789-", ".x"},
        {kInputSingle, "0123456789-.", "e+"},
        {kInputDouble, "0123456789-.", "E,"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        for (const char* p = c.accepted; *p; ++p)
            EXPECT_TRUE(InputModeAccepts(c.mode, static_cast<unsigned char>(*p))) << *p;
        for (const char* p = c.refused; *p; ++p)
            EXPECT_FALSE(InputModeAccepts(c.mode, static_cast<unsigned char>(*p))) << *p;
        // Both bytes of a double-byte character are refused in a number mode.
        EXPECT_FALSE(InputModeAccepts(c.mode, 0xD7));
        EXPECT_FALSE(InputModeAccepts(c.mode, 0xD6));
    }
}

TEST(InputFilter, ControlCharactersAlwaysPassAndTextModesTakeEverything) {
    for (int32_t mode = 0; mode < kInputModeCount; ++mode) {
        EXPECT_TRUE(InputModeAccepts(mode, '\b')) << mode;
        EXPECT_TRUE(InputModeAccepts(mode, 0x16)) << mode;  // Ctrl+V
    }
    for (int32_t mode : {kInputPlain, kInputReadOnly, kInputPassword, kInputDateTime}) {
        for (uint32_t c : {uint32_t('a'), uint32_t('-'), uint32_t(' '), uint32_t(0xD7)})
            EXPECT_TRUE(InputModeAccepts(mode, c)) << mode;
    }
}

// ---- Reading numbers ----

TEST(InputNumbers, LeadingIntegerReadsBlanksSignAndDigitsOnly) {
    EXPECT_EQ(LeadingInteger("  -12x3"), -12);
    EXPECT_EQ(LeadingInteger("+7"), 7);
    EXPECT_EQ(LeadingInteger("abc"), 0);
    EXPECT_EQ(LeadingInteger(""), 0);
    EXPECT_EQ(LeadingInteger("-"), 0);
    EXPECT_EQ(LeadingInteger("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(LeadingInteger("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(LeadingInteger("99999999999999999999999"), INT64_MAX);
    EXPECT_EQ(LeadingInteger("-99999999999999999999999"), INT64_MIN);
}

TEST(InputNumbers, LeadingDecimalTakesNoHexadecimalOrInfinity) {
    EXPECT_DOUBLE_EQ(LeadingDecimal(" 1.5e3z"), 1500.0);
    EXPECT_DOUBLE_EQ(LeadingDecimal("-.25"), -0.25);
    EXPECT_DOUBLE_EQ(LeadingDecimal("3e"), 3.0);
    EXPECT_DOUBLE_EQ(LeadingDecimal("0x10"), 0.0);
    EXPECT_DOUBLE_EQ(LeadingDecimal("inf"), 0.0);
    EXPECT_DOUBLE_EQ(LeadingDecimal("."), 0.0);
}

// ---- Normalisation ----

TEST(InputNormalisation, IntegerModesLimitAndEmptyTheirZero) {
    const struct {
        int32_t mode;
        const char* text;
        const char* expected;
    } cases[] = {
        {kInputByte, "300", "255"},
        {kInputByte, "0", ""},
        {kInputByte, "-5", ""},
        {kInputByte, "12abc", "12"},
        {kInputShort, "40000", "32767"},
        {kInputShort, "-40000", "-32768"},
        {kInputShort, "x", ""},
        {kInputInteger, "99999999999", "2147483647"},
        {kInputInteger, "-99999999999", "-2147483648"},
        {kInputInteger, "--3", ""},
        {kInputLong, "-9000000000", "-9000000000"},
        {kInputLong, "0012", "12"},
        {kInputSingle, "0.1", "0.1"},
        {kInputSingle, "1234567", "1.23457e+006"},
        {kInputSingle, "-2.5.3", "-2.5"},
        {kInputSingle, "", ""},
        {kInputDouble, "0.333333333333333", "0.3333333333333"},
        {kInputDouble, "1e20", "1e+020"},
        {kInputDouble, "-0", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormaliseInput(c.mode, c.text), c.expected) << c.mode << " " << c.text;
}

TEST(InputNormalisation, SinglesBeyondTheirRangeStopAtTheLargestSingle) {
    // 3.4028234663852886e38 is the largest single exactly; beyond it the box shows that value,
    // never an infinity.
    const std::string largest = NormaliseInput(kInputSingle, "3.4028234663852886e38");
    EXPECT_EQ(NormaliseInput(kInputSingle, "1e39"), largest);
    EXPECT_EQ(NormaliseInput(kInputSingle, "1e300"), largest);
    EXPECT_EQ(NormaliseInput(kInputSingle, "-1e39"), "-" + largest);
    EXPECT_EQ(largest.find('#'), std::string::npos) << largest;
}

TEST(InputNormalisation, TextModesKeepTheText) {
    for (int32_t mode : {kInputPlain, kInputReadOnly, kInputPassword, kInputIntegerText, kInputDecimalText})
        EXPECT_EQ(NormaliseInput(mode, " -1.2.3 abc"), " -1.2.3 abc") << mode;
}

TEST(InputNormalisation, DateTimeTextsAreRewrittenOrEmptied) {
    EXPECT_EQ(NormaliseInput(kInputDateTime, "2000-1-1"), "2000年1月1日");
    EXPECT_EQ(NormaliseInput(kInputDateTime, "2000/01/01 18:01:30"), "2000年1月1日18时1分30秒");
    EXPECT_EQ(NormaliseInput(kInputDateTime, "2000年1月1日12时"), "2000年1月1日12时");
    EXPECT_EQ(NormaliseInput(kInputDateTime, "not a date"), "");
    EXPECT_EQ(NormaliseInput(kInputDateTime, "2001-2-29"), "");
    EXPECT_EQ(NormaliseInput(kInputDateTime, "2000-13-1"), "");
    EXPECT_EQ(NormaliseInput(kInputDateTime, "2000年1月1日25时"), "");
    // The day count 0 is no date at all.
    EXPECT_EQ(NormaliseInput(kInputDateTime, "1899年12月30日"), "");
}

// ---- Reading date-times ----

TEST(DateTimeText, ReadsWhatDateTimeToTextWrites) {
    // Day counts of every form of the shown text: date only, hours, minutes, seconds, before
    // and after the epoch, at both ends of the range.
    const double days[] = {36526.0, 36526.5, 36526.75 + 90.0 / 86400, 36526.0 + 30.0 / 86400, 1.0, -1.5,
                           -657434.0, 2958465.0, 45000.0 + 61.0 / 1440, 59.0, 60.0, 61.0};
    for (double d : days) {
        char text[kValueTextSize];
        DateTimeToText(d, text, sizeof text);
        double read = 0;
        ASSERT_TRUE(ParseDateTimeText(text, &read)) << text;
        EXPECT_NEAR(read, d, 0.5 / 86400) << text;
    }
}

TEST(DateTimeText, KnownDaysOfTheCalendar) {
    double read = 0;
    ASSERT_TRUE(ParseDateTimeText("2000-1-1", &read));
    EXPECT_EQ(read, 36526.0);
    ASSERT_TRUE(ParseDateTimeText("1900年3月1日", &read));
    EXPECT_EQ(read, 61.0);  // the proleptic calendar has no 29 February 1900
    EXPECT_FALSE(ParseDateTimeText("1900-2-29", &read));
    ASSERT_TRUE(ParseDateTimeText("  100年1月1日  ", &read));
    EXPECT_EQ(read, -657434.0);
    EXPECT_FALSE(ParseDateTimeText("99-1-1", &read));
    EXPECT_FALSE(ParseDateTimeText("2000年1月1日12时30", &read));
    EXPECT_FALSE(ParseDateTimeText("2000-1/1", &read));
    EXPECT_FALSE(ParseDateTimeText("", &read));
}

}  // namespace
