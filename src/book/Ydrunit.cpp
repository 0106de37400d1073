#include "book/Ydrunit.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>

#include "book/String_routines_unit.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "platform/Platform.h"

namespace {

constexpr std::size_t kDescriptorNameLength = 12;  // BOOK_nnn.ydr
constexpr std::size_t kNumberStart = 5;           // after "BOOK_"
constexpr std::size_t kNumberLength = 3;
constexpr std::size_t kMinimumFileSize = 2;
constexpr unsigned char kBom0 = 0xFF, kBom1 = 0xFE;
constexpr int64_t kKilobyte = 1024;

const char* const kBookPrefix = "BOOK_";
const char* const kDescriptorExtension = ".YDR";

enum class Key { Title, Author, Announcer, TotalSizeKb, TotalLengthSec, FileNum };
struct KeyText {
    Key key;
    const char* text;
};
constexpr std::array<KeyText, 6> kKeys = {{
    {Key::Title, "#TITLE="},
    {Key::Author, "#AUTHOR="},
    {Key::Announcer, "#ANNOUNCER="},
    {Key::TotalSizeKb, "#TOTAL_SIZE_KB="},
    {Key::TotalLengthSec, "#TOTAL_LENGTH_SEC="},
    {Key::FileNum, "#FILE_NUM="},
}};

bool IsLineBreak(char16_t unit) { return unit == u'\r' || unit == u'\n'; }

void ApplyInt32(int32_t& field, const std::string& value) {
    if (const auto number = ParseDigits(value, std::numeric_limits<int32_t>::max())) {
        field = static_cast<int32_t>(*number);
    }
}

void ParseLine(TBookInfo& book, const std::string& line) {
    const std::string upper = AnsiUpperCase(line);
    for (const KeyText& key : kKeys) {
        if (upper.find(key.text) == std::string::npos) continue;
        const std::string value = TextAfter(line, "=");
        switch (key.key) {
            case Key::Title: book.Title = value; break;
            case Key::Author: book.Author = value; break;
            case Key::Announcer: book.Announcer = value; break;
            case Key::TotalSizeKb:
                // A size whose byte count does not fit 64 bits is not a number.
                if (const auto kb = ParseDigits(value, std::numeric_limits<int64_t>::max() / kKilobyte)) {
                    book.TotalSize = *kb * kKilobyte;
                }
                break;
            case Key::TotalLengthSec: ApplyInt32(book.TotalLengthSec, value); break;
            case Key::FileNum: ApplyInt32(book.FileNum, value); break;
        }
    }
    if (!line.empty() && line.front() != '#') book.Files.push_back(line);
}

}  // namespace

bool IsBookDescriptorName(const std::string& fileName, int32_t& number) {
    if (fileName.size() != kDescriptorNameLength) return false;
    const std::string upper = AnsiUpperCase(fileName);
    if (upper.compare(0, kNumberStart, kBookPrefix) != 0) return false;
    if (AnsiUpperCase(platform::ExtensionOf(fileName)) != kDescriptorExtension) return false;
    const auto value = ParseDigits(fileName.substr(kNumberStart, kNumberLength), std::numeric_limits<int32_t>::max());
    if (!value) return false;
    number = static_cast<int32_t>(*value);
    return true;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    std::size_t size = 0;
    for (const std::string& line : lines) size += line.size() + 2;
    text.reserve(size);
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    const std::size_t end = std::min(text.find('\0'), text.size());
    std::size_t start = 0;
    while (start < end) {
        std::size_t pos = start;
        while (pos < end && text[pos] != '\r' && text[pos] != '\n') ++pos;
        lines.push_back(text.substr(start, pos - start));
        if (pos < end && text[pos] == '\r') {
            ++pos;
            if (pos < end && text[pos] == '\n') ++pos;
        } else if (pos < end) {
            ++pos;
        }
        start = pos;
    }
    return lines;
}

std::vector<std::string> SplitUtf16Lines(const std::string& bytes) {
    // Code units little-endian; an odd trailing byte is not part of any unit.
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                         (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    }
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < units.size()) {
        const std::size_t start = pos;
        while (pos < units.size() && !IsLineBreak(units[pos])) ++pos;
        // A NUL inside the line ends its text.
        std::u16string_view line(units.data() + start, pos - start);
        line = line.substr(0, std::min(line.find(u'\0'), line.size()));
        if (!line.empty()) lines.push_back(platform::Utf16ToCp1251(line));
        while (pos < units.size() && (IsLineBreak(units[pos]) || units[pos] == u'\0')) ++pos;
    }
    return lines;
}

bool LoadDescriptorLines(std::vector<std::string>& lines, const std::string& path, platform::IFileSystem& files) {
    std::string data;
    if (!files.ReadWholeFile(path, data) || data.size() < kMinimumFileSize) return false;
    if (static_cast<unsigned char>(data[0]) == kBom0 && static_cast<unsigned char>(data[1]) == kBom1) {
        lines = SplitUtf16Lines(data.substr(kMinimumFileSize));
    } else {
        lines = SplitLines(data);
    }
    return true;
}

void FixOemText(TBookInfo& book) {
    constexpr unsigned char kCapitalFirst = 0xC0, kCapitalLast = 0xDF;  // А..Я in Windows-1251
    constexpr unsigned char kStrayFirst = 0x80, kStrayLast = 0xAF;      // А..п in code page 866
    // Windows-1251 characters of the stray range that ordinary Russian text uses: en dash,
    // em dash, no-break space and Ё.
    constexpr std::array<unsigned char, 4> kCommonIn1251 = {0x96, 0x97, 0xA0, 0xA8};
    const std::string text = JoinLines(book.Lines);
    std::size_t capitals = 0;
    std::size_t strays = 0;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= kCapitalFirst && b <= kCapitalLast) ++capitals;
        if (b >= kStrayFirst && b <= kStrayLast &&
            std::find(kCommonIn1251.begin(), kCommonIn1251.end(), b) == kCommonIn1251.end()) {
            ++strays;
        }
    }
    if (strays < capitals) return;
    book.Lines = SplitLines(platform::Oem866ToCp1251(text));
}

bool ReadBookDescriptor(TBookInfo& book, const std::string& path, platform::IFileSystem& files) {
    const std::string fileName = platform::FileNameOf(path);
    int32_t number = 0;
    if (!IsBookDescriptorName(fileName, number)) return false;
    if (!LoadDescriptorLines(book.Lines, path, files)) return false;
    FixOemText(book);

    book.Title.clear();
    book.Author.clear();
    book.FileName.clear();
    book.TotalSize = -1;
    book.TotalLengthSec = -1;
    book.FileNum = -1;
    book.Files.clear();
    for (const std::string& line : book.Lines) ParseLine(book, line);

    if ((book.Title.empty() && book.Author.empty()) || book.TotalSize < 0 || book.Files.empty()) return false;

    const char* const separator = (!book.Title.empty() && !book.Author.empty()) ? " - " : "";
    book.DisplayName = book.Author + separator + book.Title;
    book.FileName = fileName;
    book.Path = path;
    book.Number = number;
    return true;
}

bool ReadBookDescriptor(TBookInfo& book, const std::string& path) {
    return ReadBookDescriptor(book, path, platform::NativePlatform().files);
}

bool SaveDescriptorLines(const std::vector<std::string>& lines, const std::string& path, platform::IFileSystem& files) {
    return files.WriteReplacing(path, JoinLines(lines));
}
