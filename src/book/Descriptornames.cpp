#include "book/Descriptornames.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "book/Ydrunit.h"
#include "platform/Codepage.h"

namespace {

constexpr unsigned char kBom0 = 0xFF, kBom1 = 0xFE;
constexpr std::size_t kBomBytes = 2;
constexpr std::size_t kUnitBytes = 2;
constexpr std::size_t kByteValues = 256;

// The keys in the order their missing lines are added; the announcer's line goes when emptied.
constexpr std::size_t kKeyCount = 3;
constexpr std::array<const char*, kKeyCount> kKeys = {"#TITLE=", "#AUTHOR=", "#ANNOUNCER="};
constexpr std::size_t kAnnouncer = 2;
constexpr int kNoKey = -1;

template <typename Unit>
using Values = std::array<std::basic_string<Unit>, kKeyCount>;

bool HasBom(const std::string& bytes) {
    return bytes.size() >= kBomBytes && static_cast<unsigned char>(bytes[0]) == kBom0 &&
           static_cast<unsigned char>(bytes[1]) == kBom1;
}


// Code page 866 bytes by their Windows-1251 character; -1 where 866 has no such character.
const std::array<int, kByteValues>& OemBytes() {
    static const std::array<int, kByteValues> table = [] {
        std::array<int, kByteValues> bytes{};
        bytes.fill(-1);
        for (std::size_t b = 0; b < kByteValues; ++b) {
            const char oem = static_cast<char>(b);
            const char ansi = platform::Oem866ToCp1251(std::string(1, oem))[0];
            if (ansi != platform::kDefaultChar || oem == platform::kDefaultChar) {
                bytes[static_cast<unsigned char>(ansi)] = static_cast<int>(b);
            }
        }
        return bytes;
    }();
    return table;
}

// The value in an 8-bit coding; nothing when one of its characters has no place there.
std::optional<std::string> Encoded(const std::string& utf8, TDescriptorCoding coding) {
    std::string text = platform::Utf8ToCp1251(utf8);
    if (platform::Cp1251ToUtf8(text) != utf8) return std::nullopt;
    if (coding != TDescriptorCoding::Oem866) return text;
    for (char& c : text) {
        const int oem = OemBytes()[static_cast<unsigned char>(c)];
        if (oem < 0) return std::nullopt;
        c = static_cast<char>(oem);
    }
    return text;
}

template <typename Unit>
Unit AsciiUpper(Unit unit) {
    return (unit >= Unit('a') && unit <= Unit('z')) ? static_cast<Unit>(unit - Unit('a') + Unit('A')) : unit;
}

// One line of a text: its first unit, the first unit of its text (leading NULs left out, as the
// UTF-16 reader skips them), where its line end begins and where the next line begins.
struct TLine {
    std::size_t begin = 0, text = 0, end = 0, next = 0;
};

template <typename Unit>
std::vector<TLine> LinesOf(const std::basic_string<Unit>& text) {
    std::vector<TLine> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        TLine line;
        line.begin = pos;
        while (pos < text.size() && text[pos] == Unit('\0')) ++pos;
        line.text = pos;
        while (pos < text.size() && text[pos] != Unit('\r') && text[pos] != Unit('\n')) ++pos;
        line.end = pos;
        if (pos < text.size() && text[pos] == Unit('\r')) ++pos;
        if (pos < text.size() && text[pos] == Unit('\n')) ++pos;  // CR LF is one line end
        line.next = pos;
        lines.push_back(line);
    }
    return lines;
}

// The key the line begins with (any letter case), or kNoKey.
template <typename Unit>
int KeyOf(const std::basic_string<Unit>& text, const TLine& line) {
    for (std::size_t k = 0; k < kKeyCount; ++k) {
        const std::size_t length = std::strlen(kKeys[k]);
        if (line.end - line.text < length) continue;
        bool match = true;
        for (std::size_t i = 0; i < length && match; ++i) match = AsciiUpper(text[line.text + i]) == Unit(kKeys[k][i]);
        if (match) return static_cast<int>(k);
    }
    return kNoKey;
}

template <typename Unit>
std::basic_string<Unit> Widened(const char* ascii) {
    return std::basic_string<Unit>(ascii, ascii + std::strlen(ascii));
}

// The text with every key line's value replaced, an emptied announcer's lines removed and the
// missing keys added (see the header for where).
template <typename Unit>
std::basic_string<Unit> SetNames(const std::basic_string<Unit>& text, const Values<Unit>& values) {
    using String = std::basic_string<Unit>;
    const std::vector<TLine> lines = LinesOf(text);
    std::array<bool, kKeyCount> present{};
    std::optional<std::size_t> anchor;  // the line the missing keys follow; none: the top
    bool entrySeen = false;
    String firstEnd = Widened<Unit>("\r\n");  // the first line end met; CR LF when there is none
    for (const TLine& line : lines) {
        if (line.next == line.end) continue;
        firstEnd = text.substr(line.end, line.next - line.end);
        break;
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const TLine& line = lines[i];
        const int key = KeyOf(text, line);
        if (key != kNoKey) present[static_cast<std::size_t>(key)] = true;
        if (line.text == line.end || entrySeen) continue;
        if (text[line.text] == Unit('#')) {
            anchor = i;
        } else {
            entrySeen = true;
        }
    }
    std::vector<String> added;
    for (std::size_t k = 0; k < kKeyCount; ++k) {
        if (!present[k] && !values[k].empty()) added.push_back(Widened<Unit>(kKeys[k]) + values[k]);
    }
    String result;
    const auto add = [&](const String& lineEnd, bool endFirst) {
        for (const String& line : added) result += endFirst ? lineEnd + line : line + lineEnd;
    };
    if (!anchor) add(firstEnd, false);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const TLine& line = lines[i];
        const int key = KeyOf(text, line);
        const String lineEnd = text.substr(line.end, line.next - line.end);
        if (key == kNoKey) {
            result += text.substr(line.begin, line.next - line.begin);
        } else if (static_cast<std::size_t>(key) != kAnnouncer || !values[kAnnouncer].empty()) {
            const std::size_t valueAt = line.text + std::strlen(kKeys[static_cast<std::size_t>(key)]);
            result += text.substr(line.begin, valueAt - line.begin) + values[static_cast<std::size_t>(key)] + lineEnd;
        }
        // After a last line without a line end, the added lines are each preceded by one.
        if (anchor == i) add(lineEnd.empty() ? firstEnd : lineEnd, lineEnd.empty());
    }
    return result;
}

}  // namespace

TDescriptorCoding DescriptorCoding(const std::string& bytes, const std::string& folder, platform::IFileSystem& files) {
    if (HasBom(bytes)) return TDescriptorCoding::Utf16;
    const std::vector<std::string> read = SplitLines(bytes);
    std::vector<std::string> chosen = read;
    ChooseCodePage(chosen, folder, files);
    return chosen == read ? TDescriptorCoding::Cp1251 : TDescriptorCoding::Oem866;
}

std::string DescriptorToUtf16(const std::string& bytes, TDescriptorCoding coding) {
    if (coding == TDescriptorCoding::Utf16) return bytes;
    const std::string text = bytes.substr(0, std::min(bytes.find('\0'), bytes.size()));
    std::string result{static_cast<char>(kBom0), static_cast<char>(kBom1)};
    AppendUtf16Units(result, platform::Cp1251ToUtf16(coding == TDescriptorCoding::Oem866 ? platform::Oem866ToCp1251(text)
                                                                                       : text));
    return result;
}

std::optional<std::string> CorrectDescriptorNames(const std::string& bytes, const TBookNames& names,
                                                  TDescriptorCoding coding) {
    const std::array<std::string, kKeyCount> clean = {CleanHeaderValue(names.title), CleanHeaderValue(names.author),
                                                      CleanHeaderValue(names.announcer)};
    if (clean[0].empty() && clean[1].empty()) return std::nullopt;
    if (coding != TDescriptorCoding::Utf16) {
        Values<char> values;
        for (std::size_t k = 0; k < kKeyCount; ++k) {
            const std::optional<std::string> value = Encoded(clean[k], coding);
            if (!value) return CorrectDescriptorNames(DescriptorToUtf16(bytes, coding), names, TDescriptorCoding::Utf16);
            values[k] = *value;
        }
        // The reader stops at the first NUL: the bytes after it stay behind the text.
        const std::size_t end = std::min(bytes.find('\0'), bytes.size());
        return SetNames(bytes.substr(0, end), values) + bytes.substr(end);
    }
    Values<char16_t> values;
    for (std::size_t k = 0; k < kKeyCount; ++k) values[k] = platform::Utf8ToUtf16(clean[k]);
    const std::u16string units = Utf16Units(bytes, kBomBytes);
    std::string result = bytes.substr(0, kBomBytes);
    AppendUtf16Units(result, SetNames(units, values));
    // An odd last byte stays behind the units.
    return result + bytes.substr(std::min(bytes.size(), kBomBytes + kUnitBytes * units.size()));
}

std::optional<std::string> CorrectDescriptorNames(const std::string& bytes, const TBookNames& names,
                                                  const std::string& folder, platform::IFileSystem& files) {
    const TDescriptorCoding coding = DescriptorCoding(bytes, folder, files);
    std::optional<std::string> corrected = CorrectDescriptorNames(bytes, names, coding);
    if (corrected && coding != TDescriptorCoding::Utf16 && !HasBom(*corrected) &&
        DescriptorCoding(*corrected, folder, files) != coding) {
        corrected = CorrectDescriptorNames(DescriptorToUtf16(bytes, coding), names, TDescriptorCoding::Utf16);
    }
    return corrected;
}
