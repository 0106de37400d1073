#include "book/Ydrunit.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
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
const char* const kSlotFormat = "BOOK_%03d";

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

constexpr unsigned kByteBits = 8;
constexpr unsigned kByteMask = 0xFF;
constexpr std::size_t kUnitBytes = 2;


bool IsLineBreak(char16_t unit) { return unit == u'\r' || unit == u'\n'; }

bool IsFileEntry(const std::string& line) { return !line.empty() && line.front() != '#'; }

bool EntryFound(const std::string& folder, const std::string& entry, platform::IFileSystem& files) {
    return platform::IsContainedEntry(entry) && files.Exists(platform::JoinPath(folder, platform::EntryToPath(entry)));
}

template <typename Unit>
Unit AsciiUpper(Unit unit) {
    return (unit >= Unit('a') && unit <= Unit('z')) ? static_cast<Unit>(unit - Unit('a') + Unit('A')) : unit;
}

// Replaces oldName by newName in every line of text (lines end at CR or LF units). Both names
// have the same length and differ, so a replacement never makes a new occurrence.
template <typename Unit>
void RenameInLines(std::basic_string<Unit>& text, const std::basic_string<Unit>& oldName,
                   const std::basic_string<Unit>& newName) {
    const std::size_t length = oldName.size();
    bool lineStart = true;
    bool entryLine = false;
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        const Unit unit = text[pos];
        if (unit == Unit('\r') || unit == Unit('\n')) {
            lineStart = true;
            continue;
        }
        if (lineStart) {
            entryLine = unit != Unit('#');
            lineStart = false;
        }
        if (pos + length > text.size()) continue;
        bool match = true;
        for (std::size_t i = 0; i < length && match; ++i) {
            const Unit a = text[pos + i];
            const Unit b = oldName[i];
            match = entryLine ? AsciiUpper(a) == AsciiUpper(b) : a == b;
        }
        if (!match) continue;
        text.replace(pos, length, newName);
        pos += length - 1;
    }
}

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

std::u16string Utf16Units(const std::string& bytes, std::size_t offset) {
    const std::size_t count = bytes.size() > offset ? (bytes.size() - offset) / kUnitBytes : 0;
    std::u16string units(count, u'\0');
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = offset + kUnitBytes * i;
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[at]) |
                                         (static_cast<unsigned char>(bytes[at + 1]) << kByteBits));
    }
    return units;
}

void AppendUtf16Units(std::string& bytes, const std::u16string& units) {
    for (const char16_t unit : units) {
        bytes += static_cast<char>(unit & kByteMask);
        bytes += static_cast<char>(unit >> kByteBits);
    }
}

bool IsBookDescriptorName(const std::string& fileName, int32_t& number) {
    if (fileName.size() != kDescriptorNameLength) return false;
    const std::string upper = AnsiUpperCase(fileName);
    if (upper.compare(0, kNumberStart, kBookPrefix) != 0) return false;
    if (!platform::HasExtension(fileName, kDescriptorExtension)) return false;
    const auto value = ParseDigits(fileName.substr(kNumberStart, kNumberLength), std::numeric_limits<int32_t>::max());
    if (!value) return false;
    number = static_cast<int32_t>(*value);
    return true;
}

std::string SlotName(int n) {
    constexpr std::size_t kBufferSize = 32;
    char buffer[kBufferSize] = {};
    std::snprintf(buffer, sizeof buffer, kSlotFormat, n);
    return buffer;
}

bool MatchesDescriptorPattern(const std::string& name) {
    const std::string upper = AnsiUpperCase(name);
    return upper.size() >= std::strlen(kBookPrefix) + std::strlen(kDescriptorExtension) &&
           upper.compare(0, std::strlen(kBookPrefix), kBookPrefix) == 0 && platform::HasExtension(name, kDescriptorExtension);
}

bool IsSlotFolderName(const std::string& name, int32_t& number) {
    return IsBookDescriptorName(name + kDescriptorExtension, number);
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
    const std::u16string units = Utf16Units(bytes, 0);
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

namespace {

bool DescriptorLines(std::vector<std::string>& lines, const std::string& data) {
    if (data.size() < kMinimumFileSize) return false;
    if (static_cast<unsigned char>(data[0]) == kBom0 && static_cast<unsigned char>(data[1]) == kBom1) {
        lines = SplitUtf16Lines(data.substr(kMinimumFileSize));
    } else {
        lines = SplitLines(data);
    }
    return true;
}

}  // namespace

bool LoadDescriptorLines(std::vector<std::string>& lines, const std::string& path, platform::IFileSystem& files) {
    std::string data;
    return files.ReadWholeFile(path, data) && DescriptorLines(lines, data);
}

bool LooksLikeOemText(const std::string& text) {
    constexpr unsigned char kCapitalFirst = 0xC0, kCapitalLast = 0xDF;  // А..Я in Windows-1251
    constexpr unsigned char kStrayFirst = 0x80, kStrayLast = 0xAF;      // А..п in code page 866
    // Windows-1251 characters of the stray range that ordinary Russian text uses: en dash,
    // em dash, no-break space and Ё.
    constexpr std::array<unsigned char, 4> kCommonIn1251 = {0x96, 0x97, 0xA0, 0xA8};
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
    return strays >= capitals;
}

void ChooseCodePage(std::vector<std::string>& lines, const std::string& folder, platform::IFileSystem& files) {
    const std::string text = JoinLines(lines);
    const std::string converted = platform::Oem866ToCp1251(text);
    if (converted == text) return;
    std::vector<std::string> oemLines = SplitLines(converted);
    // The first entry that reads differently and is found in one reading only decides.
    std::optional<bool> oem;
    for (std::size_t i = 0; i < lines.size() && i < oemLines.size() && !oem; ++i) {
        if (!IsFileEntry(lines[i]) || lines[i] == oemLines[i]) continue;
        const bool ansiFound = EntryFound(folder, lines[i], files);
        if (ansiFound != EntryFound(folder, oemLines[i], files)) oem = !ansiFound;
    }
    if (oem.value_or(LooksLikeOemText(text))) lines = std::move(oemLines);
}

std::string RenameSlotInDescriptor(const std::string& bytes, const std::string& oldName, const std::string& newName) {
    if (oldName.size() != newName.size() || oldName == newName) return bytes;
    const bool utf16 = bytes.size() >= kMinimumFileSize && static_cast<unsigned char>(bytes[0]) == kBom0 &&
                       static_cast<unsigned char>(bytes[1]) == kBom1;
    if (!utf16) {
        const std::size_t end = std::min(bytes.find('\0'), bytes.size());
        std::string text = bytes.substr(0, end);
        RenameInLines(text, oldName, newName);
        return text + bytes.substr(end);
    }
    // Code units as they stand, after the byte-order mark; an odd last byte stays behind them.
    std::u16string units = Utf16Units(bytes, kMinimumFileSize);
    RenameInLines(units, platform::Cp1251ToUtf16(oldName), platform::Cp1251ToUtf16(newName));
    std::string result = bytes.substr(0, kMinimumFileSize);
    AppendUtf16Units(result, units);
    return result + bytes.substr(kMinimumFileSize + kUnitBytes * units.size());
}

bool ReadBookDescriptor(TBookInfo& book, const std::string& path, platform::IFileSystem& files) {
    int32_t number = 0;
    if (!IsBookDescriptorName(platform::FileNameOf(path), number)) return false;
    std::string bytes;
    return files.ReadWholeFile(path, bytes) && ParseBookDescriptor(book, path, bytes, files);
}

bool ParseBookDescriptor(TBookInfo& book, const std::string& path, const std::string& bytes,
                         platform::IFileSystem& files) {
    const std::string fileName = platform::FileNameOf(path);
    int32_t number = 0;
    if (!IsBookDescriptorName(fileName, number)) return false;
    if (!DescriptorLines(book.Lines, bytes)) return false;
    // Only 8-bit text leaves its code page to guess: UTF-16 text reads as its characters say.
    const bool utf16 = static_cast<unsigned char>(bytes[0]) == kBom0 && static_cast<unsigned char>(bytes[1]) == kBom1;
    if (!utf16) ChooseCodePage(book.Lines, platform::FolderOf(path), files);

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
