#include <gtest/gtest.h>

#include "platform/Codepage.h"

using platform::Cp1251ToUtf16;
using platform::Cp1251ToUtf8;
using platform::Oem866ToCp1251;
using platform::UpperCase1251;
using platform::Utf16ToCp1251;
using platform::Utf8ToCp1251;

TEST(CodePages, EveryByteOf1251SurvivesTheRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(Utf16ToCp1251(Cp1251ToUtf16(all)), all);
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
}

TEST(CodePages, KnownCharacters) {
    EXPECT_EQ(Cp1251ToUtf8("\xC0\xFF\xA8\xB8\xB9"), "АяЁё№");
    EXPECT_EQ(Utf8ToCp1251("Книга – «ZWQ»"), "\xCA\xED\xE8\xE3\xE0 \x96 \xABZWQ\xBB");
    EXPECT_EQ(Cp1251ToUtf16("\x88"), u"\u20AC");
}

TEST(CodePages, CharactersThe1251CodePageLacksBecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToCp1251("a€b"), "a\x88" "b");
    EXPECT_EQ(Utf8ToCp1251("日本"), "??");
    EXPECT_EQ(Utf8ToCp1251("é"), "?");
    EXPECT_EQ(Utf8ToCp1251("\xF0\x9F\x98\x80"), "?");  // outside the BMP: one character
    EXPECT_EQ(Utf16ToCp1251(u"x\xD800y"), "x?y");     // unpaired surrogate
    // Malformed UTF-8: every bad byte is one replacement, the rest is decoded.
    EXPECT_EQ(Utf8ToCp1251("a\xC3" "b\xFF"), "a?b?");
    EXPECT_EQ(Utf8ToCp1251("\xC0\xAF"), "??");  // overlong form of '/'
    EXPECT_EQ(Utf8ToCp1251("\xE2\x82"), "??");  // cut short at the end
}

TEST(CodePages, Utf8AndUtf16) {
    EXPECT_EQ(platform::Utf16ToUtf8(platform::Utf8ToUtf16("Ключ \xF0\x9F\x98\x80")), "Ключ \xF0\x9F\x98\x80");
}

TEST(CodePages, OemTextBecomesAnsi) {
    // "Привет" in code page 866, and the letters of its upper half.
    EXPECT_EQ(Oem866ToCp1251("\x8F\xE0\xA8\xA2\xA5\xE2"), Utf8ToCp1251("Привет"));
    EXPECT_EQ(Oem866ToCp1251("\xF0\xF1\xFC"), Utf8ToCp1251("Ёё№"));
    EXPECT_EQ(Oem866ToCp1251("plain ASCII 123"), "plain ASCII 123");
    // Box-drawing characters have no place in 1251.
    EXPECT_EQ(Oem866ToCp1251("\xC4\xB3"), "??");
}

TEST(CodePages, UpperCasing) {
    EXPECT_EQ(UpperCase1251(Utf8ToCp1251("абвгдеёжзийклмнопрстуфхцчшщъыьэюя")),
              Utf8ToCp1251("АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"));
    EXPECT_EQ(UpperCase1251(Utf8ToCp1251("ђѓєѕіїјљњћќўџґ")), Utf8ToCp1251("ЂЃЄЅІЇЈЉЊЋЌЎЏҐ"));
    EXPECT_EQ(UpperCase1251("az AZ 09 _\\:"), "AZ AZ 09 _\\:");
    // µ has no capital in the code page and stays.
    EXPECT_EQ(UpperCase1251("\xB5"), "\xB5");
}
