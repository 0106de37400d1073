#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "book/String_routines_unit.h"
#include "support/Testsupport.h"

using testsupport::A;

TEST(TextRoutines, BeforeAndAfterTheFirstDelimiter) {
    EXPECT_EQ(TextBefore("#TITLE=a=b", "="), "#TITLE");
    EXPECT_EQ(TextAfter("#TITLE=a=b", "="), "a=b");
    EXPECT_EQ(TextAfter("KEY=", "="), "");
    // A missing or empty delimiter gives the empty text, not the whole text.
    EXPECT_EQ(TextBefore("abc", "="), "");
    EXPECT_EQ(TextAfter("abc", "="), "");
    EXPECT_EQ(TextBefore("abc", ""), "");
    EXPECT_EQ(TextAfter("abc", ""), "");
    // Matching is exact and case-sensitive.
    EXPECT_EQ(TextAfter("aXbxc", "x"), "c");
}

TEST(TextRoutines, IsDigitsIgnoresBlanksAndControlCharactersAtTheEnds) {
    EXPECT_TRUE(IsDigits("0"));
    EXPECT_TRUE(IsDigits(" 100 "));
    EXPECT_TRUE(IsDigits("\t12\r"));
    EXPECT_FALSE(IsDigits(""));
    EXPECT_FALSE(IsDigits("   "));
    EXPECT_FALSE(IsDigits("1 2"));
    EXPECT_FALSE(IsDigits("-1"));
    EXPECT_FALSE(IsDigits("1.5"));
    EXPECT_FALSE(IsDigits("+1"));
    // Bytes above 127 are not blanks, whatever a signed char makes of them.
    EXPECT_FALSE(IsDigits("\xA0" "1"));
}

TEST(TextRoutines, ParseDigitsRefusesValuesThatDoNotFit) {
    EXPECT_EQ(ParseDigits(" 2147483647 ", std::numeric_limits<int32_t>::max()), 2147483647);
    EXPECT_FALSE(ParseDigits("2147483648", std::numeric_limits<int32_t>::max()).has_value());
    EXPECT_FALSE(ParseDigits("99999999999999999999999", std::numeric_limits<int64_t>::max()).has_value());
    EXPECT_EQ(ParseDigits("007", 999), 7);
    EXPECT_FALSE(ParseDigits("x", 999).has_value());
}

TEST(TextRoutines, UpperCaseFollowsTheRussianLocale) {
    EXPECT_EQ(AnsiUpperCase(A("книга ёлка abc")), A("КНИГА ЁЛКА ABC"));
    EXPECT_EQ(AnsiUpperCase("e:\\book_001.ydr"), "E:\\BOOK_001.YDR");
}
