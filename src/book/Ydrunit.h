#pragma once
// The book record and its descriptor file (".ydr"): header lines "#KEY=value" and one line per
// file of the recording, in Windows-1251, OEM 866 or UTF-16 with byte-order mark.

#include <cstdint>
#include <cstddef>
#include <string>
#include <vector>

namespace platform {
class IFileSystem;
}

struct TBookInfo {
    std::string Title, Author, Announcer, DisplayName, FileName, Path;
    int32_t TotalLengthSec = -1;
    int32_t Number = 0;
    int32_t FileNum = -1;
    int64_t TotalSize = -1;
    std::vector<std::string> Files, Lines;
};

// Reads the descriptor at path into book; true when it is a valid book descriptor named
// BOOK_ + three digits + ".ydr" (any letter case). Uses the system's own files.
bool ReadBookDescriptor(TBookInfo& book, const std::string& path);
bool ReadBookDescriptor(TBookInfo& book, const std::string& path, platform::IFileSystem& files);
// The same for a descriptor whose bytes are already at hand (read or just written): the
// file itself is not read; its folder is looked into only to choose the code page of 8-bit text.
bool ParseBookDescriptor(TBookInfo& book, const std::string& path, const std::string& bytes,
                         platform::IFileSystem& files);

// Replaces lines by the decoded lines of the file; false when it cannot be read or is shorter
// than two bytes.
bool LoadDescriptorLines(std::vector<std::string>& lines, const std::string& path, platform::IFileSystem& files);
// Whether text is taken for OEM (code page 866) text by its bytes alone: it holds no more
// Windows-1251 capitals than bytes that Windows-1251 text seldom has.
bool LooksLikeOemText(const std::string& text);
// Decides between the Windows-1251 and the OEM reading of lines read from a descriptor in
// folder: the reading whose file entries are found there wins; when both or neither are
// found, LooksLikeOemText decides. The lines are converted when OEM wins.
void ChooseCodePage(std::vector<std::string>& lines, const std::string& folder, platform::IFileSystem& files);

// The descriptor's bytes with the slot name oldName ("BOOK_005") changed to newName in its own
// encoding (8-bit, or UTF-16 little-endian after its byte-order mark); nothing else changes,
// line ends included. In "#" lines only the exact spelling changes; in file entries the slot
// name in any letter case, since the card's file system finds the folder so. Bytes after the
// NUL that ends an 8-bit text are left as they are.
std::string RenameSlotInDescriptor(const std::string& bytes, const std::string& oldName, const std::string& newName);

// The whole little-endian UTF-16 code units of bytes from offset on (an odd last byte is no
// unit), and code units appended to bytes the same way.
std::u16string Utf16Units(const std::string& bytes, std::size_t offset);
void AppendUtf16Units(std::string& bytes, const std::u16string& units);

// Every line followed by CR LF, the last one too.
std::string JoinLines(const std::vector<std::string>& lines);
// Splits 8-bit text into lines at CR LF, CR or LF; the first NUL ends the text, and a final
// line break does not add an empty line.
std::vector<std::string> SplitLines(const std::string& text);
// Decodes UTF-16 little-endian text (without its byte-order mark) into Windows-1251 lines,
// leaving out empty ones.
std::vector<std::string> SplitUtf16Lines(const std::string& bytes);
// Saves lines as a Windows-1251 descriptor (CR LF after every line), replacing the file whole.
bool SaveDescriptorLines(const std::vector<std::string>& lines, const std::string& path, platform::IFileSystem& files);

// The descriptor's extension as the program writes it; it is read in any letter case.
inline constexpr const char* kDescriptorExtension = ".ydr";
// The highest book number on a card: the descriptor name rule has room for three digits only.
inline constexpr int kHighestBookNumber = 999;
// The descriptor of a ready book at the top of an archive or a folder.
inline constexpr const char* kReadyBookDescriptor = "BOOK_001.ydr";
// "BOOK_nnn" for book number n ("BOOK_%03d", more digits from 1000 on): the book's folder on the
// card; its descriptor is that name with kDescriptorExtension.
std::string SlotName(int n);
// "BOOK_*.ydr" as the card's FAT file system matches it: without regard to letter case.
bool MatchesDescriptorPattern(const std::string& name);
// The number of a folder name that follows the descriptor name rule without the extension.
bool IsSlotFolderName(const std::string& name, int32_t& number);

// Whether a file name follows the descriptor name rule: "BOOK_", three characters that pass
// IsDigits, ".ydr", in any letter case. number receives the book number.
bool IsBookDescriptorName(const std::string& fileName, int32_t& number);
