#include "Rarwriter.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>
#include <stdexcept>
#include <string_view>

namespace testsupport {
namespace {

constexpr unsigned kBitsPerByte = 8;
constexpr uint32_t kByteMask = 0xFFu;

// The bit CorruptCopy flips: the lowest bit of a name byte.
constexpr unsigned char kCorruptionMask = 0x01;

// ----- Names -----

constexpr char32_t kAsciiLimit = 0x80;
constexpr char32_t kBmpLimit = 0x10000;
constexpr char32_t kUnicodeLimit = 0x110000;
constexpr char32_t kSurrogateFirst = 0xD800;
constexpr char32_t kSurrogateLast = 0xDFFF;
constexpr char32_t kLowSurrogateFirst = 0xDC00;
constexpr unsigned kSurrogateShift = 10;
constexpr char32_t kSurrogatePayloadMask = 0x3FF;
constexpr unsigned kUtf8ContinuationShift = 6;
constexpr unsigned char kUtf8ContinuationMask = 0xC0;
constexpr unsigned char kUtf8ContinuationMark = 0x80;
constexpr unsigned char kUtf8PayloadMask = 0x3F;
constexpr unsigned char kUtf8Lead2Mask = 0xE0;
constexpr unsigned char kUtf8Lead2Mark = 0xC0;
constexpr unsigned char kUtf8Lead3Mask = 0xF0;
constexpr unsigned char kUtf8Lead3Mark = 0xE0;
constexpr unsigned char kUtf8Lead4Mask = 0xF8;
constexpr unsigned char kUtf8Lead4Mark = 0xF0;
constexpr char32_t kUtf8Min2 = 0x80;
constexpr char32_t kUtf8Min3 = 0x800;
constexpr char32_t kUtf8Min4 = 0x10000;

// Strict UTF-8 decoding: overlong forms, surrogates and truncated sequences are refused.
std::u32string DecodeUtf8(std::string_view text) {
    std::u32string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        char32_t cp = 0;
        char32_t minimum = 0;
        if (lead < kAsciiLimit) {
            cp = lead;
        } else if ((lead & kUtf8Lead2Mask) == kUtf8Lead2Mark) {
            extra = 1;
            cp = lead & static_cast<unsigned char>(~kUtf8Lead2Mask);
            minimum = kUtf8Min2;
        } else if ((lead & kUtf8Lead3Mask) == kUtf8Lead3Mark) {
            extra = 2;
            cp = lead & static_cast<unsigned char>(~kUtf8Lead3Mask);
            minimum = kUtf8Min3;
        } else if ((lead & kUtf8Lead4Mask) == kUtf8Lead4Mark) {
            extra = 3;
            cp = lead & static_cast<unsigned char>(~kUtf8Lead4Mask);
            minimum = kUtf8Min4;
        } else {
            throw std::invalid_argument("entry name is not valid UTF-8");
        }
        if (i + extra >= text.size()) {
            throw std::invalid_argument("entry name ends inside a UTF-8 sequence");
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & kUtf8ContinuationMask) != kUtf8ContinuationMark) {
                throw std::invalid_argument("entry name is not valid UTF-8");
            }
            cp = (cp << kUtf8ContinuationShift) | (next & kUtf8PayloadMask);
        }
        if (extra != 0 && (cp < minimum || cp >= kUnicodeLimit ||
                           (cp >= kSurrogateFirst && cp <= kSurrogateLast))) {
            throw std::invalid_argument("entry name is not valid UTF-8");
        }
        out.push_back(cp);
        i += extra + 1;
    }
    return out;
}

std::u16string ToUtf16(const std::u32string& codePoints) {
    std::u16string out;
    for (const char32_t cp : codePoints) {
        if (cp < kBmpLimit) {
            out.push_back(static_cast<char16_t>(cp));
        } else {
            const char32_t v = cp - kBmpLimit;
            out.push_back(static_cast<char16_t>(kSurrogateFirst + (v >> kSurrogateShift)));
            out.push_back(static_cast<char16_t>(kLowSurrogateFirst + (v & kSurrogatePayloadMask)));
        }
    }
    return out;
}

// ----- Little-endian fields -----

void PutLe(std::string& out, uint64_t value, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>(value & kByteMask));
        value >>= kBitsPerByte;
    }
}

void Put8(std::string& out, uint32_t value) { PutLe(out, value, sizeof(uint8_t)); }
void Put16(std::string& out, uint32_t value) { PutLe(out, value, sizeof(uint16_t)); }
void Put32(std::string& out, uint32_t value) { PutLe(out, value, sizeof(uint32_t)); }

uint32_t GetLe(const std::string& bytes, std::size_t pos, std::size_t count) {
    if (pos + count > bytes.size()) throw std::invalid_argument("archive is truncated");
    uint32_t value = 0;
    for (std::size_t i = count; i > 0; --i) {
        value = (value << kBitsPerByte) | static_cast<unsigned char>(bytes[pos + i - 1]);
    }
    return value;
}

// ----- RAR 4 -----

constexpr std::string_view kRar4Marker{"Rar!\x1A\x07\x00", 7};
constexpr std::size_t kRar4BaseHeaderSize = 7;   // HEAD_CRC, HEAD_TYPE, HEAD_FLAGS, HEAD_SIZE
constexpr std::size_t kRar4TypeOffset = 2;
constexpr std::size_t kRar4FlagsOffset = 3;
constexpr std::size_t kRar4SizeOffset = 5;
constexpr std::size_t kRar4AddSizeOffset = 7;    // PACK_SIZE of a file header
constexpr std::size_t kRar4FileFixedSize = 32;   // file header without the name
constexpr uint32_t kRar4CrcMask = 0xFFFF;        // the header CRC is CRC-32's low half
constexpr uint32_t kRar4MaxHeaderSize = 0xFFFF;
constexpr uint32_t kRar4MainType = 0x73;
constexpr uint32_t kRar4FileType = 0x74;
constexpr uint32_t kRar4EndType = 0x7B;
constexpr uint32_t kRar4MainFlags = 0;
constexpr uint32_t kRar4MainReserved1 = 0;
constexpr uint32_t kRar4MainReserved2 = 0;
constexpr uint32_t kRar4LongBlock = 0x8000;      // an ADD_SIZE (the packed size) follows
constexpr uint32_t kRar4UnicodeName = 0x0200;
constexpr uint32_t kRar4DirectoryBits = 0x00E0;  // all dictionary bits set means a folder
constexpr uint32_t kRar4EndFlags = 0x4000;       // "skip if unknown", as RAR writes it
constexpr uint32_t kRar4HostWindows = 2;
constexpr uint32_t kRar4FileVersion = 29;        // RAR 2.9 can unpack it
constexpr uint32_t kRar4FolderVersion = 20;
constexpr uint32_t kRar4MethodStore = 0x30;
constexpr uint32_t kAttributeDirectory = 0x10;
constexpr uint32_t kAttributeArchive = 0x20;

// Entry times: 2020-01-01 12:00:00. DOS packs the date in the high half (years from 1980,
// month, day) and the time in the low half (hours, minutes, seconds / 2).
constexpr uint32_t kDosYearBase = 1980;
constexpr uint32_t kEntryYear = 2020;
constexpr uint32_t kEntryMonth = 1;
constexpr uint32_t kEntryDay = 1;
constexpr uint32_t kEntryHour = 12;
constexpr unsigned kDosYearShift = 9;
constexpr unsigned kDosMonthShift = 5;
constexpr unsigned kDosHourShift = 11;
constexpr unsigned kDosDateShift = 16;
constexpr uint32_t kDosDate =
    ((kEntryYear - kDosYearBase) << kDosYearShift) | (kEntryMonth << kDosMonthShift) | kEntryDay;
constexpr uint32_t kDosTime = kEntryHour << kDosHourShift;
constexpr uint32_t kEntryDosTime = (kDosDate << kDosDateShift) | kDosTime;
// The same moment as Unix time, in UTC, for RAR 5.
constexpr uint32_t kEntryUnixTime = 1577880000u;

// The Unicode name of RAR 4 follows the plain name and a zero byte: one "high byte", then
// groups of one flag byte and up to four characters. Each two-bit field of the flag byte,
// highest first, tells how one character is stored; mode 2 stores it whole, low byte first.
constexpr unsigned char kRar4NameHighByte = 0;
constexpr unsigned kRar4NameCharsPerFlagByte = 4;
constexpr unsigned kRar4NameModeBits = 2;
constexpr unsigned kRar4NameModeFull = 2;
// Stands in the plain name for each UTF-16 unit outside ASCII.
constexpr char kRar4PlainNameSubstitute = '_';

std::string Rar4Header(uint32_t type, uint32_t flags, const std::string& fields) {
    const std::size_t size = kRar4BaseHeaderSize + fields.size();
    if (size > kRar4MaxHeaderSize) throw std::invalid_argument("RAR 4 header too large");
    std::string checked;
    Put8(checked, type);
    Put16(checked, flags);
    Put16(checked, static_cast<uint32_t>(size));
    checked += fields;
    std::string header;
    Put16(header, Crc32(checked) & kRar4CrcMask);
    return header + checked;
}

// The name field of a RAR 4 file header, with '/' turned into '\'. Sets unicode when the
// name needs the Unicode form.
std::string Rar4Name(const std::string& utf8Name, bool& unicode) {
    std::u16string units = ToUtf16(DecodeUtf8(utf8Name));
    for (char16_t& unit : units) {
        if (unit == u'/') unit = u'\\';
    }
    std::string plain;
    unicode = false;
    for (const char16_t unit : units) {
        if (unit < kAsciiLimit) {
            plain.push_back(static_cast<char>(unit));
        } else {
            plain.push_back(kRar4PlainNameSubstitute);
            unicode = true;
        }
    }
    if (!unicode) return plain;

    std::string field = plain;
    field.push_back('\0');
    field.push_back(static_cast<char>(kRar4NameHighByte));
    for (std::size_t first = 0; first < units.size(); first += kRar4NameCharsPerFlagByte) {
        const std::size_t count =
            std::min<std::size_t>(kRar4NameCharsPerFlagByte, units.size() - first);
        unsigned flags = 0;
        for (std::size_t k = 0; k < count; ++k) {
            const unsigned shift =
                kBitsPerByte - kRar4NameModeBits * static_cast<unsigned>(k + 1);
            flags |= kRar4NameModeFull << shift;
        }
        Put8(field, flags);
        for (std::size_t k = 0; k < count; ++k) Put16(field, units[first + k]);
    }
    return field;
}

std::string Rar4FileHeader(const RarEntry& entry) {
    if (entry.name.empty()) throw std::invalid_argument("entry without a name");
    const std::string_view data =
        entry.isDirectory ? std::string_view{} : std::string_view{entry.data};
    if (data.size() > std::numeric_limits<uint32_t>::max()) {
        throw std::invalid_argument("entry too large for this writer");
    }
    bool unicode = false;
    const std::string name = Rar4Name(entry.name, unicode);

    uint32_t flags = kRar4LongBlock;
    if (unicode) flags |= kRar4UnicodeName;
    if (entry.isDirectory) flags |= kRar4DirectoryBits;

    const auto size = static_cast<uint32_t>(data.size());
    std::string fields;
    Put32(fields, size);  // packed size: stored, so the same
    Put32(fields, size);
    Put8(fields, kRar4HostWindows);
    Put32(fields, entry.isDirectory ? 0 : Crc32(std::string{data}));
    Put32(fields, kEntryDosTime);
    Put8(fields, entry.isDirectory ? kRar4FolderVersion : kRar4FileVersion);
    Put8(fields, kRar4MethodStore);
    if (name.size() > kRar4MaxHeaderSize) throw std::invalid_argument("entry name too long");
    Put16(fields, static_cast<uint32_t>(name.size()));
    Put32(fields, entry.isDirectory ? kAttributeDirectory : kAttributeArchive);
    fields += name;
    return Rar4Header(kRar4FileType, flags, fields) + std::string{data};
}

// ----- RAR 5 -----

constexpr std::string_view kRar5Signature{"Rar!\x1A\x07\x01\x00", 8};
constexpr std::size_t kRar5CrcSize = 4;
constexpr uint64_t kVintPayloadMask = 0x7F;
constexpr unsigned kVintPayloadBits = 7;
constexpr unsigned char kVintContinues = 0x80;
constexpr uint64_t kRar5MainType = 1;
constexpr uint64_t kRar5FileType = 2;
constexpr uint64_t kRar5EndType = 5;
constexpr uint64_t kRar5HeaderExtraArea = 0x0001;
constexpr uint64_t kRar5HeaderDataArea = 0x0002;
constexpr uint64_t kRar5NoFlags = 0;
constexpr uint64_t kRar5FileDirectory = 0x0001;
constexpr uint64_t kRar5FileUnixTime = 0x0002;
constexpr uint64_t kRar5FileCrc = 0x0004;
constexpr uint64_t kRar5StoredVersion0 = 0;  // compression version 0, method 0 (store)
constexpr uint64_t kRar5HostWindows = 0;

void PutVint(std::string& out, uint64_t value) {
    while (value > kVintPayloadMask) {
        out.push_back(static_cast<char>((value & kVintPayloadMask) | kVintContinues));
        value >>= kVintPayloadBits;
    }
    out.push_back(static_cast<char>(value));
}

// Reads a variable-length integer at pos, moving pos past it.
uint64_t GetVint(const std::string& bytes, std::size_t& pos) {
    uint64_t value = 0;
    unsigned shift = 0;
    constexpr unsigned kMaxShift = 63;
    while (true) {
        if (pos >= bytes.size() || shift > kMaxShift) {
            throw std::invalid_argument("archive is truncated");
        }
        const auto b = static_cast<unsigned char>(bytes[pos++]);
        value |= (b & kVintPayloadMask) << shift;
        if ((b & kVintContinues) == 0) return value;
        shift += kVintPayloadBits;
    }
}

// One RAR 5 header: CRC-32 of what follows it, the size of the rest as a vint, then the
// type, the header flags, the data size when there is a data area, and the fields.
std::string Rar5Header(uint64_t type, uint64_t headerFlags, uint64_t dataSize,
                       const std::string& fields) {
    std::string body;
    PutVint(body, type);
    PutVint(body, headerFlags);
    if ((headerFlags & kRar5HeaderDataArea) != 0) PutVint(body, dataSize);
    body += fields;
    std::string checked;
    PutVint(checked, body.size());
    checked += body;
    std::string header;
    Put32(header, Crc32(checked));
    return header + checked;
}

std::string Rar5FileHeader(const RarEntry& entry) {
    if (entry.name.empty()) throw std::invalid_argument("entry without a name");
    DecodeUtf8(entry.name);  // refuses invalid UTF-8
    const std::string data = entry.isDirectory ? std::string{} : entry.data;

    uint64_t fileFlags = kRar5FileUnixTime;
    fileFlags |= entry.isDirectory ? kRar5FileDirectory : kRar5FileCrc;
    std::string fields;
    PutVint(fields, fileFlags);
    PutVint(fields, data.size());
    PutVint(fields, entry.isDirectory ? kAttributeDirectory : kAttributeArchive);
    Put32(fields, kEntryUnixTime);
    if (!entry.isDirectory) Put32(fields, Crc32(data));
    PutVint(fields, kRar5StoredVersion0);
    PutVint(fields, kRar5HostWindows);
    PutVint(fields, entry.name.size());
    fields += entry.name;
    // Folders too carry a (empty) data area: readers expect one on every file header.
    return Rar5Header(kRar5FileType, kRar5HeaderDataArea, data.size(), fields) + data;
}

// ----- Corruption -----

void FlipBit(std::string& bytes, std::size_t pos) {
    if (pos >= bytes.size()) throw std::invalid_argument("archive is truncated");
    bytes[pos] = static_cast<char>(static_cast<unsigned char>(bytes[pos]) ^ kCorruptionMask);
}

std::string CorruptRar4(std::string archive) {
    std::size_t pos = kRar4Marker.size();
    const std::size_t mainHeader = pos;
    while (pos + kRar4BaseHeaderSize <= archive.size()) {
        const uint32_t type = GetLe(archive, pos + kRar4TypeOffset, sizeof(uint8_t));
        const uint32_t flags = GetLe(archive, pos + kRar4FlagsOffset, sizeof(uint16_t));
        const uint32_t size = GetLe(archive, pos + kRar4SizeOffset, sizeof(uint16_t));
        if (size < kRar4BaseHeaderSize) break;
        if (type == kRar4FileType) {
            // The header ends with the name.
            FlipBit(archive, pos + size - 1);
            return archive;
        }
        if (type == kRar4EndType) break;
        std::size_t next = pos + size;
        if ((flags & kRar4LongBlock) != 0) {
            next += GetLe(archive, pos + kRar4AddSizeOffset, sizeof(uint32_t));
        }
        pos = next;
    }
    const uint32_t mainSize = GetLe(archive, mainHeader + kRar4SizeOffset, sizeof(uint16_t));
    FlipBit(archive, mainHeader + mainSize - 1);
    return archive;
}

std::string CorruptRar5(std::string archive) {
    std::size_t pos = kRar5Signature.size();
    const std::size_t mainHeader = pos;
    while (pos + kRar5CrcSize < archive.size()) {
        std::size_t cursor = pos + kRar5CrcSize;
        const uint64_t size = GetVint(archive, cursor);
        const std::size_t bodyStart = cursor;
        const uint64_t type = GetVint(archive, cursor);
        const uint64_t flags = GetVint(archive, cursor);
        if ((flags & kRar5HeaderExtraArea) != 0) GetVint(archive, cursor);
        const uint64_t dataSize = (flags & kRar5HeaderDataArea) != 0 ? GetVint(archive, cursor) : 0;
        if (type == kRar5FileType) {
            // Without an extra area the header ends with the name.
            FlipBit(archive, bodyStart + size - 1);
            return archive;
        }
        if (type == kRar5EndType) break;
        pos = bodyStart + size + dataSize;
    }
    std::size_t cursor = mainHeader + kRar5CrcSize;
    const uint64_t size = GetVint(archive, cursor);
    FlipBit(archive, cursor + size - 1);
    return archive;
}

}  // namespace


std::string MakeRar4(const std::vector<RarEntry>& entries) {
    std::string archive{kRar4Marker};
    std::string mainFields;
    Put16(mainFields, kRar4MainReserved1);
    Put32(mainFields, kRar4MainReserved2);
    archive += Rar4Header(kRar4MainType, kRar4MainFlags, mainFields);
    for (const RarEntry& entry : entries) archive += Rar4FileHeader(entry);
    archive += Rar4Header(kRar4EndType, kRar4EndFlags, std::string{});
    return archive;
}

std::string MakeRar5(const std::vector<RarEntry>& entries) {
    std::string archive{kRar5Signature};
    std::string archiveFlags;
    PutVint(archiveFlags, kRar5NoFlags);
    archive += Rar5Header(kRar5MainType, kRar5NoFlags, 0, archiveFlags);
    for (const RarEntry& entry : entries) archive += Rar5FileHeader(entry);
    std::string endFlags;
    PutVint(endFlags, kRar5NoFlags);
    archive += Rar5Header(kRar5EndType, kRar5NoFlags, 0, endFlags);
    return archive;
}

std::string CorruptCopy(const std::string& archive) {
    if (archive.compare(0, kRar5Signature.size(), kRar5Signature) == 0) {
        return CorruptRar5(archive);
    }
    if (archive.compare(0, kRar4Marker.size(), kRar4Marker) == 0) {
        return CorruptRar4(archive);
    }
    throw std::invalid_argument("not a RAR archive");
}

}  // namespace testsupport
