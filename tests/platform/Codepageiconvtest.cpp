// Our code-page tables against the system's iconv, byte by byte.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <cwctype>
#include <clocale>
#include <optional>

#include "platform/Codepage.h"

namespace {

// Converts with iconv; nothing when iconv has no mapping.
std::optional<std::string> Iconv(const char* to, const char* from, const std::string& input) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string in = input;
    std::string out(input.size() * 8 + 8, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    size_t inLeft = in.size();
    size_t outLeft = out.size();
    const size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1)) return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace

TEST(CodePagesAgainstIconv, Windows1251ToUtf8AndUtf16) {
    for (int b = 1; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const auto expected = Iconv("UTF-8", "CP1251", byte);
        if (!expected) {
            // The one byte without a character: kept as U+0098, as Windows does.
            EXPECT_EQ(b, 0x98);
            EXPECT_EQ(platform::Cp1251ToUtf8(byte), "\xC2\x98");
            continue;
        }
        EXPECT_EQ(platform::Cp1251ToUtf8(byte), *expected) << b;
        EXPECT_EQ(platform::Utf16ToUtf8(platform::Cp1251ToUtf16(byte)), *expected) << b;
        EXPECT_EQ(platform::Utf8ToCp1251(*expected), byte) << b;
    }
}

TEST(CodePagesAgainstIconv, Oem866To1251) {
    for (int b = 1; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const auto utf8 = Iconv("UTF-8", "CP866", byte);
        ASSERT_TRUE(utf8.has_value()) << b;
        const auto expected = Iconv("CP1251", "UTF-8", *utf8);
        EXPECT_EQ(platform::Oem866ToCp1251(byte), expected.value_or("?")) << b;
    }
}

TEST(CodePagesAgainstIconv, UpperCaseMatchesTheUnicodeCapitals) {
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    for (int b = 1; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const auto utf8 = Iconv("WCHAR_T", "CP1251", byte);
        if (!utf8) continue;
        wchar_t wc = 0;
        std::memcpy(&wc, utf8->data(), sizeof wc);
        const wchar_t upper = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(wc)));
        std::string upperWide(reinterpret_cast<const char*>(&upper), sizeof upper);
        // A capital the code page lacks leaves the letter unchanged.
        const std::string expected = Iconv("CP1251", "WCHAR_T", upperWide).value_or(byte);
        EXPECT_EQ(platform::UpperCase1251(byte), expected) << b;
    }
    std::setlocale(LC_CTYPE, "C");
}
