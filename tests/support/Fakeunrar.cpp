// Stand-in for unrar.exe in the Windows tests. The program hands RAR archives to the console
// unrar; the tests put this program in its place and check what it was asked to do.
//
//   unrar x [switches] <archive> <destination\>
//
// - Every run first appends its command line, exactly as GetCommandLineW() returns it, in
//   UTF-8 and ended by "\r\n", to unrar-log.txt in the folder of this executable.
// - When unrar-exit.txt lies beside the executable, the run ends at once with the decimal
//   exit code it holds (2 when it holds no number), extracting nothing.
// - Otherwise the archive is read whole: RAR 4 or RAR 5 with stored (uncompressed) entries,
//   the only kind the tests make. Header and data checksums are verified. Entries are written
//   one by one under the destination, folders created as needed; both '\' and '/' separate
//   folders in names. An entry whose name is absolute, has a drive or stream colon, or has a
//   ".." component is refused: the run stops there with exit code 3.
// - As with unrar, the destination is the last argument when it ends in a path separator or
//   names an existing folder; anything else would be a file mask, which matches nothing
//   here (exit code 10). Switches ("-y", "-o+", ...) are accepted and ignored.
//
// Exit codes are unrar's: 0 success, 2 fatal (an archive this stand-in cannot unpack, such
// as a compressed or encrypted one), 3 damaged archive (bad signature, checksum, truncation,
// refused name), 5 write error, 6 archive cannot be opened, 7 bad command line, 9 cannot
// create a file or folder, 10 no files to extract.
//
// Built a second time as the stand-in for the system's tar.exe (STAND_IN_TAR defined), with
// bsdtar's three calls that the program makes:
//
//   tar -tf <archive>             the entries' names, one a line (in the ANSI code page, "/"
//                                 between folders)
//   tar -tvf <archive>            one "ls -l"-like line per entry: kind and rights, links,
//                                 owner, group, size, date, then the name
//   tar -xf <archive> -C <folder> the entries unpacked under the existing folder
//
// - Every run logs its command line to tar-log.txt beside the executable, as above.
// - tar-exit-t.txt (listing runs) and tar-exit-x.txt (extracting runs) force an exit code as
//   unrar-exit.txt does.
// - tar-tvf.txt, when present, is printed by a -tvf run instead of its own listing: the tests
//   show a link entry this way, which their archives cannot hold.
// - tar-wait.txt makes every run wait a minute before it does anything: a run its caller stops.
// - Exit codes are bsdtar's: 0 success, 1 any failure.
//
// Windows only: built with -municode, and every file operation uses the wide functions.

#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "Crc32.h"

namespace {

using testsupport::Crc32;

constexpr int kExitSuccess = 0;
constexpr int kExitFatal = 2;
constexpr int kExitDamaged = 3;
constexpr int kExitWrite = 5;
constexpr int kExitOpen = 6;
constexpr int kExitUsage = 7;
constexpr int kExitCreate = 9;
constexpr int kExitNoFiles = 10;

#ifdef STAND_IN_TAR
constexpr bool kIsTar = true;
#else
constexpr bool kIsTar = false;
#endif
constexpr wchar_t kLogFileName[] = L"unrar-log.txt";
constexpr wchar_t kExitFileName[] = L"unrar-exit.txt";
constexpr wchar_t kTarLogFileName[] = L"tar-log.txt";
constexpr wchar_t kTarListExitFileName[] = L"tar-exit-t.txt";
constexpr wchar_t kTarExtractExitFileName[] = L"tar-exit-x.txt";
constexpr wchar_t kTarDetailsFileName[] = L"tar-tvf.txt";
constexpr wchar_t kTarWaitFileName[] = L"tar-wait.txt";
constexpr DWORD kTarWaitMilliseconds = 60000;
constexpr int kTarFailure = 1;
constexpr std::string_view kLineEnd = "\r\n";

constexpr unsigned kBitsPerByte = 8;
constexpr uint32_t kByteMask = 0xFF;
constexpr DWORD kIoChunk = 1u << 20;
constexpr DWORD kInitialPathBuffer = MAX_PATH;
constexpr std::size_t kPathBufferGrowth = 2;
constexpr int kDecimalBase = 10;

// ----- Text -----

std::string ToUtf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                        length, nullptr, nullptr);
    return out;
}

// Empty when the bytes are not valid in the code page (or are empty).
std::wstring ToWide(std::string_view text, UINT codePage, DWORD flags) {
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(codePage, flags, text.data(),
                                           static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) return {};
    std::wstring out(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), out.data(),
                        length);
    return out;
}

std::wstring FromUtf8(std::string_view text) { return ToWide(text, CP_UTF8, MB_ERR_INVALID_CHARS); }

void Report(const std::string& message) {
    const std::string line = std::string(kIsTar ? "tar" : "unrar") + " stand-in: " + message + "\n";
    std::fputs(line.c_str(), stderr);
}

// ----- Files -----

std::wstring ExecutableFolder() {
    std::wstring buffer(kInitialPathBuffer, L'\0');
    while (true) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        buffer.resize(buffer.size() * kPathBufferGrowth);
    }
    const std::size_t slash = buffer.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring{} : buffer.substr(0, slash + 1);
}

bool WriteAll(HANDLE file, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, kIoChunk));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

bool AppendToFile(const std::wstring& path, std::string_view bytes) {
    const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = WriteAll(file, bytes);
    CloseHandle(file);
    return ok;
}

// The whole file, or nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::optional<std::string> result;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart >= 0) {
        std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
        std::size_t done = 0;
        bool ok = true;
        while (ok && done < bytes.size()) {
            const DWORD chunk =
                static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, kIoChunk));
            DWORD read = 0;
            ok = ReadFile(file, bytes.data() + done, chunk, &read, nullptr) && read != 0;
            done += read;
        }
        if (ok) result = std::move(bytes);
    }
    CloseHandle(file);
    return result;
}

bool IsExistingFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The exit code that the file (unrar-exit.txt) asks for, if it exists.
std::optional<int> ForcedExitCode(const std::wstring& folder, const wchar_t* fileName = kExitFileName) {
    const std::optional<std::string> text = ReadWholeFile(folder + fileName);
    if (!text) return std::nullopt;
    const std::size_t first = text->find_first_not_of(" \t\r\n");
    const std::size_t last = text->find_last_not_of(" \t\r\n");
    if (first == std::string::npos) return kExitFatal;
    const std::string number = text->substr(first, last - first + 1);
    constexpr std::size_t kMaxDigits = 9;  // stays within int
    if (number.size() > kMaxDigits) return kExitFatal;
    int value = 0;
    for (const char c : number) {
        if (c < '0' || c > '9') return kExitFatal;
        value = value * kDecimalBase + (c - '0');
    }
    return value;
}

// ----- Checksums -----


// ----- Reading the archive -----

struct Entry {
    std::wstring name;
    std::string_view data;
    bool isDirectory = false;
};

// What reading the next entry gave: an entry, the end of the archive, or an exit code.
struct Step {
    std::optional<Entry> entry;
    int exitCode = kExitSuccess;
    bool finished = false;
};

Step Fail(int exitCode, const std::string& message) {
    Report(message);
    Step step;
    step.exitCode = exitCode;
    step.finished = true;
    return step;
}

Step Finished() {
    Step step;
    step.finished = true;
    return step;
}

Step Found(Entry entry) {
    Step step;
    step.entry = std::move(entry);
    return step;
}

// Bounds-checked little-endian and variable-length integer reading.
class Cursor {
public:
    Cursor(std::string_view bytes, std::size_t pos) : bytes_(bytes), pos_(pos) {}

    std::size_t Position() const { return pos_; }
    bool Failed() const { return failed_; }

    uint64_t Le(std::size_t count) {
        if (failed_ || bytes_.size() - pos_ < count || pos_ > bytes_.size()) {
            failed_ = true;
            return 0;
        }
        uint64_t value = 0;
        for (std::size_t i = count; i > 0; --i) {
            value = (value << kBitsPerByte) | static_cast<unsigned char>(bytes_[pos_ + i - 1]);
        }
        pos_ += count;
        return value;
    }

    uint64_t Vint() {
        constexpr uint64_t kPayloadMask = 0x7F;
        constexpr unsigned kPayloadBits = 7;
        constexpr unsigned kMaxShift = 63;
        constexpr unsigned char kContinues = 0x80;
        uint64_t value = 0;
        unsigned shift = 0;
        while (!failed_) {
            if (pos_ >= bytes_.size() || shift > kMaxShift) {
                failed_ = true;
                break;
            }
            const auto b = static_cast<unsigned char>(bytes_[pos_++]);
            value |= (b & kPayloadMask) << shift;
            if ((b & kContinues) == 0) return value;
            shift += kPayloadBits;
        }
        return 0;
    }

    std::string_view Take(uint64_t count) {
        if (failed_ || pos_ > bytes_.size() || bytes_.size() - pos_ < count) {
            failed_ = true;
            return {};
        }
        const std::string_view out = bytes_.substr(pos_, static_cast<std::size_t>(count));
        pos_ += static_cast<std::size_t>(count);
        return out;
    }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

// RAR 4 (the format of RAR 2.9 to 4.x).
class Rar4Reader {
public:
    static constexpr std::string_view kMarker{"Rar!\x1A\x07\x00", 7};

    explicit Rar4Reader(std::string_view bytes) : bytes_(bytes), pos_(kMarker.size()) {}

    Step Next() {
        while (true) {
            if (pos_ == bytes_.size()) return Finished();
            Cursor header(bytes_, pos_);
            const auto storedCrc = static_cast<uint32_t>(header.Le(sizeof(uint16_t)));
            const auto type = static_cast<uint32_t>(header.Le(sizeof(uint8_t)));
            const auto flags = static_cast<uint32_t>(header.Le(sizeof(uint16_t)));
            const auto size = static_cast<std::size_t>(header.Le(sizeof(uint16_t)));
            if (header.Failed() || size < kBaseHeaderSize || bytes_.size() - pos_ < size) {
                return Fail(kExitDamaged, "archive is truncated or damaged");
            }
            const std::string_view checked = bytes_.substr(pos_ + kCrcSize, size - kCrcSize);
            if ((Crc32(checked) & kHeaderCrcMask) != storedCrc) {
                return Fail(kExitDamaged, "header checksum error");
            }
            uint64_t addSize = 0;
            if ((flags & kLongBlock) != 0) {
                Cursor add(bytes_, pos_ + kBaseHeaderSize);
                addSize = add.Le(sizeof(uint32_t));
                if (add.Failed()) return Fail(kExitDamaged, "archive is truncated or damaged");
            }
            if (type == kEndType) return Finished();
            if (type == kFileType) return ReadFileHeader(flags, size);
            if (type == kMainType && (flags & kMainEncryptedHeaders) != 0) {
                return Fail(kExitFatal, "encrypted archives are not supported");
            }
            // Main header, comments, recovery records, service headers: nothing to unpack.
            if (bytes_.size() - pos_ - size < addSize) {
                return Fail(kExitDamaged, "archive is truncated");
            }
            pos_ += size + static_cast<std::size_t>(addSize);
        }
    }

private:
    static constexpr std::size_t kCrcSize = 2;
    static constexpr std::size_t kBaseHeaderSize = 7;
    static constexpr uint32_t kHeaderCrcMask = 0xFFFF;
    static constexpr uint32_t kMainType = 0x73;
    static constexpr uint32_t kFileType = 0x74;
    static constexpr uint32_t kEndType = 0x7B;
    static constexpr uint32_t kMainEncryptedHeaders = 0x0080;
    static constexpr uint32_t kLongBlock = 0x8000;
    static constexpr uint32_t kSplitFlags = 0x0003;
    static constexpr uint32_t kEncrypted = 0x0004;
    static constexpr uint32_t kLargeSizes = 0x0100;
    static constexpr uint32_t kUnicodeName = 0x0200;
    static constexpr uint32_t kDictionaryBits = 0x00E0;
    static constexpr uint32_t kDirectoryBits = 0x00E0;
    static constexpr uint32_t kMethodStore = 0x30;
    static constexpr unsigned kHighSizeShift = 32;

    Step ReadFileHeader(uint32_t flags, std::size_t size) {
        Cursor field(bytes_, pos_ + kBaseHeaderSize);
        uint64_t packedSize = field.Le(sizeof(uint32_t));
        uint64_t unpackedSize = field.Le(sizeof(uint32_t));
        field.Le(sizeof(uint8_t));  // host system
        const auto fileCrc = static_cast<uint32_t>(field.Le(sizeof(uint32_t)));
        field.Le(sizeof(uint32_t));  // DOS time
        field.Le(sizeof(uint8_t));   // version needed
        const auto method = static_cast<uint32_t>(field.Le(sizeof(uint8_t)));
        const auto nameSize = static_cast<std::size_t>(field.Le(sizeof(uint16_t)));
        field.Le(sizeof(uint32_t));  // attributes
        if ((flags & kLargeSizes) != 0) {
            packedSize |= field.Le(sizeof(uint32_t)) << kHighSizeShift;
            unpackedSize |= field.Le(sizeof(uint32_t)) << kHighSizeShift;
        }
        const std::string_view rawName = field.Take(nameSize);
        if (field.Failed() || field.Position() > pos_ + size) {
            return Fail(kExitDamaged, "file header is damaged");
        }
        const std::size_t dataStart = pos_ + size;
        if (bytes_.size() - dataStart < packedSize) return Fail(kExitDamaged, "archive is truncated");
        const std::string_view data = bytes_.substr(dataStart, static_cast<std::size_t>(packedSize));
        pos_ = dataStart + static_cast<std::size_t>(packedSize);

        if ((flags & kEncrypted) != 0) return Fail(kExitFatal, "encrypted entries are not supported");
        if ((flags & kSplitFlags) != 0) return Fail(kExitFatal, "multi-volume archives are not supported");

        Entry entry;
        entry.name = DecodeName(rawName, (flags & kUnicodeName) != 0);
        if (entry.name.empty()) return Fail(kExitDamaged, "entry name cannot be decoded");
        entry.isDirectory = (flags & kDictionaryBits) == kDirectoryBits;
        if (entry.isDirectory) return Found(std::move(entry));

        if (method != kMethodStore) {
            return Fail(kExitFatal, "compressed entries are not supported: " + ToUtf8(entry.name));
        }
        if (packedSize != unpackedSize) return Fail(kExitDamaged, "stored entry sizes differ");
        if (Crc32(data) != fileCrc) {
            return Fail(kExitDamaged, "checksum error in " + ToUtf8(entry.name));
        }
        entry.data = data;
        return Found(std::move(entry));
    }

    // A plain name is in the OEM code page. A Unicode name is the plain name, a zero byte and
    // the Unicode form; with the flag but without the zero byte, the name is UTF-8.
    static std::wstring DecodeName(std::string_view raw, bool unicode) {
        if (!unicode) return ToWide(raw, CP_OEMCP, 0);
        const std::size_t zero = raw.find('\0');
        if (zero == std::string_view::npos) return FromUtf8(raw);
        const std::string_view plain = raw.substr(0, zero);
        const std::wstring decoded = DecodeUnicodeForm(plain, raw.substr(zero + 1));
        return decoded.empty() ? ToWide(plain, CP_OEMCP, 0) : decoded;
    }

    // The Unicode form: one high byte, then groups of a flag byte followed by the characters
    // that its four two-bit fields (highest first) describe:
    //   0: one byte, the low byte of a character whose high byte is 0;
    //   1: one byte, the low byte of a character whose high byte is the high byte;
    //   2: two bytes, a whole character, low byte first;
    //   3: a run copied from the plain name: a length byte (run = low 7 bits + 2) and, when
    //      its top bit is set, a correction byte added to each plain byte, with the high byte.
    static std::wstring DecodeUnicodeForm(std::string_view plain, std::string_view encoded) {
        constexpr unsigned kModeBits = 2;
        constexpr unsigned kModeMask = 3;
        constexpr unsigned kModeLowByte = 0;
        constexpr unsigned kModeHighByte = 1;
        constexpr unsigned kModeFull = 2;
        constexpr unsigned kRunCorrected = 0x80;
        constexpr unsigned kRunLengthMask = 0x7F;
        constexpr unsigned kRunMinimum = 2;
        constexpr std::size_t kMaxNameLength = 0x10000;
        constexpr std::size_t kFullCharBytes = 2;

        std::wstring out;
        if (encoded.empty()) return out;
        std::size_t pos = 0;
        const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(encoded[i]); };
        const unsigned highByte = byteAt(pos++);
        unsigned flags = 0;
        unsigned flagBits = 0;
        while (pos < encoded.size() && out.size() < kMaxNameLength) {
            if (flagBits == 0) {
                flags = byteAt(pos++);
                flagBits = kBitsPerByte;
                if (pos >= encoded.size()) break;
            }
            flagBits -= kModeBits;
            const unsigned mode = (flags >> flagBits) & kModeMask;
            if (mode == kModeLowByte) {
                out.push_back(static_cast<wchar_t>(byteAt(pos++)));
            } else if (mode == kModeHighByte) {
                out.push_back(static_cast<wchar_t>(byteAt(pos++) | (highByte << kBitsPerByte)));
            } else if (mode == kModeFull) {
                if (encoded.size() - pos < kFullCharBytes) return {};
                out.push_back(static_cast<wchar_t>(byteAt(pos) | (byteAt(pos + 1) << kBitsPerByte)));
                pos += kFullCharBytes;
            } else {
                const unsigned length = byteAt(pos++);
                unsigned correction = 0;
                unsigned high = 0;
                if ((length & kRunCorrected) != 0) {
                    if (pos >= encoded.size()) return {};
                    correction = byteAt(pos++);
                    high = highByte << kBitsPerByte;
                }
                for (unsigned n = (length & kRunLengthMask) + kRunMinimum; n > 0; --n) {
                    if (out.size() >= plain.size()) return {};
                    const unsigned low =
                        (static_cast<unsigned char>(plain[out.size()]) + correction) & kByteMask;
                    out.push_back(static_cast<wchar_t>(low | high));
                }
            }
        }
        return out;
    }

    std::string_view bytes_;
    std::size_t pos_ = 0;
};

// RAR 5.
class Rar5Reader {
public:
    static constexpr std::string_view kSignature{"Rar!\x1A\x07\x01\x00", 8};

    explicit Rar5Reader(std::string_view bytes) : bytes_(bytes), pos_(kSignature.size()) {}

    Step Next() {
        while (true) {
            if (pos_ == bytes_.size()) return Finished();
            Cursor header(bytes_, pos_);
            const auto storedCrc = static_cast<uint32_t>(header.Le(sizeof(uint32_t)));
            const uint64_t size = header.Vint();
            const std::size_t bodyStart = header.Position();
            if (header.Failed() || bytes_.size() - bodyStart < size) {
                return Fail(kExitDamaged, "archive is truncated or damaged");
            }
            const std::size_t bodyEnd = bodyStart + static_cast<std::size_t>(size);
            const std::size_t checkedStart = pos_ + sizeof(uint32_t);
            if (Crc32(bytes_.substr(checkedStart, bodyEnd - checkedStart)) != storedCrc) {
                return Fail(kExitDamaged, "header checksum error");
            }
            Cursor body(bytes_.substr(0, bodyEnd), bodyStart);
            const uint64_t type = body.Vint();
            const uint64_t flags = body.Vint();
            const uint64_t extraSize = (flags & kHeaderExtraArea) != 0 ? body.Vint() : 0;
            const uint64_t dataSize = (flags & kHeaderDataArea) != 0 ? body.Vint() : 0;
            if (body.Failed() || extraSize > bodyEnd - body.Position() ||
                bytes_.size() - bodyEnd < dataSize) {
                return Fail(kExitDamaged, "archive is truncated or damaged");
            }
            const std::string_view data = bytes_.substr(bodyEnd, static_cast<std::size_t>(dataSize));
            pos_ = bodyEnd + static_cast<std::size_t>(dataSize);
            const std::size_t extraStart = bodyEnd - static_cast<std::size_t>(extraSize);

            if (type == kEndType) return Finished();
            if (type == kEncryptionType) return Fail(kExitFatal, "encrypted archives are not supported");
            if (type == kFileType) {
                if ((flags & kHeaderSplit) != 0) {
                    return Fail(kExitFatal, "multi-volume archives are not supported");
                }
                return ReadFileHeader(Cursor(bytes_.substr(0, extraStart), body.Position()),
                                bytes_.substr(extraStart, bodyEnd - extraStart), data);
            }
            // Main header, service headers (comments, quick open, recovery): nothing to unpack.
        }
    }

private:
    static constexpr uint64_t kFileType = 2;
    static constexpr uint64_t kEncryptionType = 4;
    static constexpr uint64_t kEndType = 5;
    static constexpr uint64_t kHeaderExtraArea = 0x0001;
    static constexpr uint64_t kHeaderDataArea = 0x0002;
    static constexpr uint64_t kHeaderSplit = 0x0018;  // continued from or in another volume
    static constexpr uint64_t kFileDirectory = 0x0001;
    static constexpr uint64_t kFileUnixTime = 0x0002;
    static constexpr uint64_t kFileCrc = 0x0004;
    static constexpr uint64_t kFileUnknownSize = 0x0008;
    static constexpr unsigned kMethodShift = 7;
    static constexpr uint64_t kMethodMask = 7;
    static constexpr uint64_t kMethodStore = 0;
    static constexpr uint64_t kExtraEncryption = 0x01;

    static Step ReadFileHeader(Cursor fields, std::string_view extra, std::string_view data) {
        const uint64_t fileFlags = fields.Vint();
        const uint64_t unpackedSize = fields.Vint();
        fields.Vint();  // attributes
        if ((fileFlags & kFileUnixTime) != 0) fields.Le(sizeof(uint32_t));
        const bool hasCrc = (fileFlags & kFileCrc) != 0;
        const auto fileCrc = hasCrc ? static_cast<uint32_t>(fields.Le(sizeof(uint32_t))) : 0u;
        const uint64_t compression = fields.Vint();
        fields.Vint();  // host system
        const uint64_t nameSize = fields.Vint();
        const std::string_view rawName = fields.Take(nameSize);
        if (fields.Failed()) return Fail(kExitDamaged, "file header is damaged");

        Cursor records(extra, 0);
        while (records.Position() < extra.size()) {
            const uint64_t recordSize = records.Vint();
            const std::size_t recordStart = records.Position();
            const uint64_t recordType = records.Vint();
            if (records.Failed()) return Fail(kExitDamaged, "file header is damaged");
            if (recordType == kExtraEncryption) {
                return Fail(kExitFatal, "encrypted entries are not supported");
            }
            Cursor skip(extra, recordStart);
            skip.Take(recordSize);
            if (skip.Failed()) return Fail(kExitDamaged, "file header is damaged");
            records = skip;
        }

        Entry entry;
        entry.name = FromUtf8(rawName);
        if (entry.name.empty()) return Fail(kExitDamaged, "entry name is not valid UTF-8");
        entry.isDirectory = (fileFlags & kFileDirectory) != 0;
        if (entry.isDirectory) return Found(std::move(entry));

        if (((compression >> kMethodShift) & kMethodMask) != kMethodStore) {
            return Fail(kExitFatal, "compressed entries are not supported: " + ToUtf8(entry.name));
        }
        if ((fileFlags & kFileUnknownSize) == 0 && unpackedSize != data.size()) {
            return Fail(kExitDamaged, "stored entry sizes differ");
        }
        if (hasCrc && Crc32(data) != fileCrc) {
            return Fail(kExitDamaged, "checksum error in " + ToUtf8(entry.name));
        }
        entry.data = data;
        return Found(std::move(entry));
    }

    std::string_view bytes_;
    std::size_t pos_ = 0;
};

// ----- Writing the entries -----

// The entry's path below the destination, or nothing when the name would leave it.
std::optional<std::filesystem::path> SafeRelativePath(const std::wstring& name) {
    if (name.empty()) return std::nullopt;
    if (name.find(L':') != std::wstring::npos) return std::nullopt;  // drive or stream
    if (name.front() == L'\\' || name.front() == L'/') return std::nullopt;
    std::filesystem::path relative;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of(L"\\/", start);
        if (end == std::wstring::npos) end = name.size();
        const std::wstring part = name.substr(start, end - start);
        if (part == L"..") return std::nullopt;
        if (!part.empty() && part != L".") relative /= part;
        start = end + 1;
    }
    if (relative.empty()) return std::nullopt;
    return relative;
}

int WriteEntry(const std::filesystem::path& destination, const Entry& entry) {
    const std::optional<std::filesystem::path> relative = SafeRelativePath(entry.name);
    if (!relative) {
        Report("refusing an entry that would land outside the destination: " + ToUtf8(entry.name));
        return kExitDamaged;
    }
    const std::filesystem::path target = destination / *relative;
    std::error_code error;
    if (entry.isDirectory) {
        std::filesystem::create_directories(target, error);
        if (error || !IsExistingFolder(target.wstring())) {
            Report("cannot create folder " + ToUtf8(target.wstring()));
            return kExitCreate;
        }
        return kExitSuccess;
    }
    std::filesystem::create_directories(target.parent_path(), error);
    const HANDLE file = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        Report("cannot create " + ToUtf8(target.wstring()));
        return kExitCreate;
    }
    const bool written = WriteAll(file, entry.data);
    const bool closed = CloseHandle(file) != 0;
    if (!written || !closed) {
        Report("cannot write " + ToUtf8(target.wstring()));
        return kExitWrite;
    }
    return kExitSuccess;
}

template <typename Reader>
int ExtractAll(Reader reader, const std::filesystem::path& destination) {
    while (true) {
        const Step step = reader.Next();
        if (step.finished) return step.exitCode;
        const int written = WriteEntry(destination, *step.entry);
        if (written != kExitSuccess) return written;
    }
}

int Extract(const std::wstring& archivePath, const std::wstring& destination) {
    const std::optional<std::string> bytes = ReadWholeFile(archivePath);
    if (!bytes) {
        Report("cannot open " + ToUtf8(archivePath));
        return kExitOpen;
    }
    std::error_code error;
    std::filesystem::create_directories(destination, error);
    if (!IsExistingFolder(destination)) {
        Report("cannot create the destination " + ToUtf8(destination));
        return kExitCreate;
    }
    const std::string_view view = *bytes;
    if (view.substr(0, Rar5Reader::kSignature.size()) == Rar5Reader::kSignature) {
        return ExtractAll(Rar5Reader(view), destination);
    }
    if (view.substr(0, Rar4Reader::kMarker.size()) == Rar4Reader::kMarker) {
        return ExtractAll(Rar4Reader(view), destination);
    }
    Report(ToUtf8(archivePath) + " is not a RAR archive");
    return kExitDamaged;
}

bool EndsInSeparator(const std::wstring& path) {
    return !path.empty() && (path.back() == L'\\' || path.back() == L'/' || path.back() == L':');
}

// ----- tar -----

// A name as bsdtar lists it: in the ANSI code page, "/" between folders.
std::string ListedName(const std::wstring& name) {
    std::wstring slashed = name;
    std::replace(slashed.begin(), slashed.end(), L'\\', L'/');
    if (slashed.empty()) return {};
    const int length = WideCharToMultiByte(CP_ACP, 0, slashed.data(), static_cast<int>(slashed.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, slashed.data(), static_cast<int>(slashed.size()), out.data(), length, nullptr,
                        nullptr);
    return out;
}

template <typename Reader>
int ListAll(Reader reader, bool details, std::string& listing) {
    while (true) {
        const Step step = reader.Next();
        if (step.finished) return step.exitCode;
        const Entry& entry = *step.entry;
        if (details) {
            listing += entry.isDirectory ? "drwxr-xr-x" : "-rw-r--r--";
            listing += "  0 user   group  " + std::to_string(entry.data.size()) + " Jan  1  2025 ";
        }
        listing += ListedName(entry.name) + "\r\n";
    }
}

int ListTar(const std::wstring& archivePath, bool details, const std::wstring& folder) {
    std::string listing;
    int code = kExitSuccess;
    const std::optional<std::string> forced = details ? ReadWholeFile(folder + kTarDetailsFileName) : std::nullopt;
    if (forced) {
        listing = *forced;
    } else {
        const std::optional<std::string> bytes = ReadWholeFile(archivePath);
        if (!bytes) {
            Report("cannot open " + ToUtf8(archivePath));
            return kTarFailure;
        }
        const std::string_view view = *bytes;
        if (view.substr(0, Rar5Reader::kSignature.size()) == Rar5Reader::kSignature) {
            code = ListAll(Rar5Reader(view), details, listing);
        } else if (view.substr(0, Rar4Reader::kMarker.size()) == Rar4Reader::kMarker) {
            code = ListAll(Rar4Reader(view), details, listing);
        } else {
            Report("unrecognized archive format");
            code = kTarFailure;
        }
    }
    if (!WriteAll(GetStdHandle(STD_OUTPUT_HANDLE), listing)) Report("cannot write the listing");
    return code == kExitSuccess ? kExitSuccess : kTarFailure;
}

int RunTar(int argc, wchar_t** argv, const std::wstring& folder) {
    if (GetFileAttributesW((folder + kTarWaitFileName).c_str()) != INVALID_FILE_ATTRIBUTES) {
        Sleep(kTarWaitMilliseconds);
    }
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    constexpr std::size_t kListArguments = 2;
    constexpr std::size_t kExtractArguments = 4;
    if (args.size() == kListArguments && (args[0] == L"-tf" || args[0] == L"-tvf")) {
        if (const std::optional<int> forced = ForcedExitCode(folder, kTarListExitFileName)) return *forced;
        return ListTar(args[1], args[0] == L"-tvf", folder);
    }
    if (args.size() == kExtractArguments && args[0] == L"-xf" && args[2] == L"-C") {
        if (const std::optional<int> forced = ForcedExitCode(folder, kTarExtractExitFileName)) return *forced;
        if (!IsExistingFolder(args[3])) {
            Report("could not chdir to " + ToUtf8(args[3]));
            return kTarFailure;
        }
        return Extract(args[1], args[3]) == kExitSuccess ? kExitSuccess : kTarFailure;
    }
    Report("usage: tar -tf <archive> | tar -tvf <archive> | tar -xf <archive> -C <folder>");
    return kTarFailure;
}

int Run(int argc, wchar_t** argv) {
    const std::wstring folder = ExecutableFolder();
    const std::string commandLine = ToUtf8(GetCommandLineW()) + std::string{kLineEnd};
    if (!AppendToFile(folder + (kIsTar ? kTarLogFileName : kLogFileName), commandLine)) Report("cannot write the log");
    if (kIsTar) return RunTar(argc, argv, folder);

    if (const std::optional<int> forced = ForcedExitCode(folder)) return *forced;

    std::vector<std::wstring> positional;
    bool switchesEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (!switchesEnded && arg == L"--") {
            switchesEnded = true;
        } else if (!switchesEnded && arg.size() > 1 && arg.front() == L'-') {
            // A switch: accepted and ignored.
        } else {
            positional.push_back(arg);
        }
    }
    constexpr std::size_t kCommandIndex = 0;
    constexpr std::size_t kArchiveIndex = 1;
    constexpr std::size_t kDestinationIndex = 2;
    constexpr std::size_t kExpectedArguments = 3;
    if (positional.size() != kExpectedArguments ||
        (positional[kCommandIndex] != L"x" && positional[kCommandIndex] != L"X")) {
        Report("usage: unrar x [switches] <archive> <destination\\>");
        return kExitUsage;
    }
    const std::wstring& destination = positional[kDestinationIndex];
    if (!EndsInSeparator(destination) && !IsExistingFolder(destination)) {
        // unrar would take it for a file mask, which matches nothing here.
        Report("no files to extract (the destination does not end in a separator)");
        return kExitNoFiles;
    }
    return Extract(positional[kArchiveIndex], destination);
}

}  // namespace

int wmain(int argc, wchar_t** argv) { return Run(argc, argv); }
