// Texts of the code page (936 here) cut and searched by whole characters: "中" is D6 D0 and
// "乗" is 81 5C, whose trail byte is a backslash.
#include "runtime/core/dbcs_text.h"

#include <gtest/gtest.h>

TEST(DbcsText, PrefixesEndBetweenCharacters) {
    const char* text = "a\xD6\xD0" "b";
    EXPECT_EQ(WholeCharacterPrefix(text, 0), 0u);
    EXPECT_EQ(WholeCharacterPrefix(text, 2), 1u) << "half of the ideograph is left out";
    EXPECT_EQ(WholeCharacterPrefix(text, 3), 3u);
    EXPECT_EQ(WholeCharacterPrefix(text, 99), 4u);
    EXPECT_EQ(WholeCharacterPrefix("\xD6", 5), 1u) << "a lead byte at the end counts alone";
}

TEST(DbcsText, ATrailByteIsNeverTakenForACharacter) {
    EXPECT_EQ(LastCharacter("C:\\a\\\x81\x5C.hlp", '\\'), 4u);
    EXPECT_EQ(LastCharacter("x\x81\x5C", '\\'), std::string::npos);
    EXPECT_EQ(LastCharacter("a.b.c", '.'), 3u);
}
