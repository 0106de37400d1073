#include "platform/Codepage.h"

#include <array>
#include <cstdint>

namespace platform {
namespace {

constexpr unsigned kAsciiLimit = 0x80;
constexpr unsigned kByteValues = 0x100;
constexpr std::size_t kBmpSize = 0x10000;
constexpr char16_t kReplacement = 0xFFFD;

// Unicode code points of the bytes 0x80..0xFF of Windows-1251. 0x98 has no character in the
// code page; it maps to U+0098 both ways, as Windows does.
constexpr std::array<char16_t, kAsciiLimit> kCp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

// Unicode code points of the bytes 0x80..0xFF of the OEM code page 866.
constexpr std::array<char16_t, kAsciiLimit> kCp866High = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,
};

char16_t Cp1251ToUnicode(unsigned char byte) {
    return byte < kAsciiLimit ? static_cast<char16_t>(byte) : kCp1251High[byte - kAsciiLimit];
}

// Reverse of kCp1251High for the whole Basic Multilingual Plane: 0 means "not in the code
// page" (U+0000 itself is handled before the lookup).
const std::array<unsigned char, kBmpSize>& UnicodeToCp1251Table() {
    static const std::array<unsigned char, kBmpSize> table = [] {
        std::array<unsigned char, kBmpSize> t{};
        for (unsigned b = 1; b < kByteValues; ++b) {
            t[Cp1251ToUnicode(static_cast<unsigned char>(b))] = static_cast<unsigned char>(b);
        }
        return t;
    }();
    return table;
}

char UnicodeToCp1251(char32_t cp) {
    if (cp == 0) return '\0';
    if (cp >= kBmpSize) return kDefaultChar;
    const unsigned char b = UnicodeToCp1251Table()[cp];
    return b == 0 ? kDefaultChar : static_cast<char>(b);
}

// Simple upper-case mapping of the letters that Windows-1251 holds.
char32_t UpperCaseLetter(char32_t cp) {
    constexpr char32_t kCyrillicSmallA = 0x0430, kCyrillicSmallYa = 0x044F, kCaseOffset = 0x20;
    constexpr char32_t kCyrillicSmallIe = 0x0450, kCyrillicSmallDzhe = 0x045F, kExtOffset = 0x50;
    constexpr char32_t kSmallGheUpturn = 0x0491;
    if (cp >= U'a' && cp <= U'z') return cp - kCaseOffset;
    if (cp >= kCyrillicSmallA && cp <= kCyrillicSmallYa) return cp - kCaseOffset;
    if (cp >= kCyrillicSmallIe && cp <= kCyrillicSmallDzhe) return cp - kExtOffset;
    if (cp == kSmallGheUpturn) return cp - 1;
    return cp;
}

const std::array<char, kByteValues>& UpperTable() {
    static const std::array<char, kByteValues> table = [] {
        std::array<char, kByteValues> t{};
        for (unsigned b = 0; b < kByteValues; ++b) {
            const char32_t upper = UpperCaseLetter(Cp1251ToUnicode(static_cast<unsigned char>(b)));
            const char mapped = UnicodeToCp1251(upper);
            // A capital that the code page lacks leaves the letter as it is.
            t[b] = (mapped == kDefaultChar && upper != U'?') ? static_cast<char>(b) : mapped;
        }
        return t;
    }();
    return table;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

constexpr char32_t kInvalid = 0xFFFFFFFF;

// Decodes one UTF-8 sequence at text[pos], advancing pos; kInvalid for a malformed one
// (overlong forms, surrogates and values above U+10FFFF included), which consumes one byte.
char32_t NextUtf8(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t extra = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1; cp = lead & 0x1F; minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2; cp = lead & 0x0F; minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3; cp = lead & 0x07; minimum = 0x10000;
    } else {
        ++pos;
        return kInvalid;
    }
    if (pos + extra >= text.size()) {
        ++pos;
        return kInvalid;
    }
    for (std::size_t i = 1; i <= extra; ++i) {
        const auto c = static_cast<unsigned char>(text[pos + i]);
        if ((c & 0xC0) != 0x80) {
            ++pos;
            return kInvalid;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return kInvalid;
    }
    pos += extra + 1;
    return cp;
}

// Decodes one UTF-16 code point at text[pos], advancing pos; kInvalid for an unpaired surrogate.
char32_t NextUtf16(std::u16string_view text, std::size_t& pos) {
    const char32_t unit = text[pos++];
    if (unit >= 0xD800 && unit <= 0xDBFF && pos < text.size()) {
        const char32_t low = text[pos];
        if (low >= 0xDC00 && low <= 0xDFFF) {
            ++pos;
            return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
    }
    if (unit >= 0xD800 && unit <= 0xDFFF) return kInvalid;
    return unit;
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
        out += static_cast<char16_t>(cp);
    }
}

}  // namespace

std::u16string Cp1251ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (const char c : text) out += Cp1251ToUnicode(static_cast<unsigned char>(c));
    return out;
}

std::string Utf16ToCp1251(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t cp = NextUtf16(text, pos);
        out += cp == kInvalid ? kDefaultChar : UnicodeToCp1251(cp);
    }
    return out;
}

std::string Cp1251ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (const char c : text) AppendUtf8(out, Cp1251ToUnicode(static_cast<unsigned char>(c)));
    return out;
}

std::string Utf8ToCp1251(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t cp = NextUtf8(text, pos);
        out += cp == kInvalid ? kDefaultChar : UnicodeToCp1251(cp);
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t cp = NextUtf16(text, pos);
        AppendUtf8(out, cp == kInvalid ? kReplacement : cp);
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t cp = NextUtf8(text, pos);
        AppendUtf16(out, cp == kInvalid ? kReplacement : cp);
    }
    return out;
}

std::string Oem866ToCp1251(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        out += b < kAsciiLimit ? c : UnicodeToCp1251(kCp866High[b - kAsciiLimit]);
    }
    return out;
}

char UpperCase1251(char c) {
    return UpperTable()[static_cast<unsigned char>(c)];
}

std::string UpperCase1251(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = UpperCase1251(c);
    return out;
}

}  // namespace platform
