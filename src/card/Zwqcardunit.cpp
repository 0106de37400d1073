#include "card/Zwqcardunit.h"

#include <cstdio>
#include <set>

#include "book/String_routines_unit.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "platform/Platform.h"

namespace {

using platform::Ansi;

const std::string kUndefinedError = Ansi("<неопределенная ошибка>");
const std::string kUnsupportedFormat = Ansi("Неподдерживаемый формат книги (");
const std::string kUnpackError = Ansi("Ошибка во время разархивирования");
const std::string kNoDescriptorInArchive = Ansi("Архив не содержит файл BOOK_001.ydr");
const std::string kNoBookInfo = Ansi("Не удалось получить информацию о книге");
const std::string kBookWord = Ansi("Книга ");
const std::string kAlreadyOnCard = Ansi(" уже присутствует на карте памяти");
const std::string kNoSlotName = Ansi("Не удалось получить имя для книги");
const std::string kFolderError = Ansi("Ошибка во время создания каталога ");
const std::string kOnCard = Ansi(" на карте памяти");
const std::string kCopyError = Ansi("Ошибка во время копирования файла ");
const std::string kSaveError = Ansi("Ошибка во время сохранения файла ");

const char* const kRarExtension = ".RAR";
const char* const kDescriptorExtension = ".YDR";
const char* const kDescriptorSuffix = ".ydr";
const char* const kArchiveDescriptor = "BOOK_001.YDR";
const char* const kTempFolderPrefix = "ZWQTMP";
const char* const kNoTempFolder = "<>";
const char* const kSlotFormat = "BOOK_%03d";
const char* const kCardEntrySeparator = "\\";
constexpr int kMaxTempFolders = 1000000;

// "BOOK_*.ydr" as the card's FAT file system matches it: without regard to letter case.
bool MatchesDescriptorPattern(const std::string& name) {
    const std::string upper = AnsiUpperCase(name);
    const std::string prefix = "BOOK_";
    const std::string suffix = kDescriptorExtension;
    return upper.size() >= prefix.size() + suffix.size() && upper.compare(0, prefix.size(), prefix) == 0 &&
           upper.compare(upper.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Removes a folder when the scope ends, whatever way it ends.
class FolderRemover {
public:
    FolderRemover(TMemoryCard& card, std::string folder) : card_(card), folder_(std::move(folder)) {}
    ~FolderRemover() { card_.RemoveFolderTree(folder_); }
    FolderRemover(const FolderRemover&) = delete;
    FolderRemover& operator=(const FolderRemover&) = delete;

private:
    TMemoryCard& card_;
    std::string folder_;
};

}  // namespace

// The names in the card's root, upper-cased, as the case-blind FAT file system compares them,
// each with its name as stored.
struct TMemoryCard::RootNames {
    std::set<std::string> files;
    std::set<std::string> folders;
    std::vector<platform::DirEntry> entries;

    std::string Stored(const std::string& name, bool folder) const {
        const std::string upper = AnsiUpperCase(name);
        for (const platform::DirEntry& e : entries) {
            if (e.isDirectory == folder && AnsiUpperCase(e.name) == upper) return e.name;
        }
        return name;
    }
};

TMemoryCard::TMemoryCard() : TMemoryCard(platform::NativePlatform()) {}

TMemoryCard::TMemoryCard(platform::Platform& platform) : TempFolder(kNoTempFolder), platform_(platform) {}

TMemoryCard::~TMemoryCard() { Clear(); }

void TMemoryCard::SetCardPath(const std::string& path) { CardPath = platform::StripTrailingSeparators(path); }

void TMemoryCard::Clear() { Books.clear(); }

void TMemoryCard::Scan() {
    Clear();
    std::vector<platform::DirEntry> entries;
    if (CardPath.empty() || !platform_.files.ListDirectory(CardPath, entries)) return;
    for (const platform::DirEntry& entry : entries) {
        if (!MatchesDescriptorPattern(entry.name)) continue;
        auto book = std::make_unique<TBookInfo>();
        if (ReadBookDescriptor(*book, platform::JoinPath(CardPath, entry.name), platform_.files)) {
            Books.push_back(std::move(book));
        }
    }
}

int64_t TMemoryCard::FreeSpace() {
    if (CardPath.empty()) return -1;
    return platform_.files.FreeBytes(CardPath);
}

TMemoryCard::RootNames TMemoryCard::ListRoot() {
    RootNames names;
    if (CardPath.empty()) return names;
    platform_.files.ListDirectory(CardPath, names.entries);
    for (const platform::DirEntry& e : names.entries) {
        (e.isDirectory ? names.folders : names.files).insert(AnsiUpperCase(e.name));
    }
    return names;
}

int TMemoryCard::FindFreeSlot() {
    // A slot stays taken while either its descriptor or its folder is on the card, listed as a
    // book or not. The root is listed once per call, so every call sees the disk as it is.
    const RootNames names = ListRoot();
    for (int n = 1; n <= kMaxSlot; ++n) {
        const std::string name = SlotName(n);
        if (names.files.count(AnsiUpperCase(name + kDescriptorSuffix)) == 0 && names.folders.count(AnsiUpperCase(name)) == 0) {
            return n;
        }
    }
    return 0;
}

std::string TMemoryCard::SlotName(int n) {
    constexpr std::size_t kBufferSize = 32;
    char buffer[kBufferSize] = {};
    std::snprintf(buffer, sizeof buffer, kSlotFormat, n);
    return buffer;
}

std::string TMemoryCard::FreeSlotName() {
    const int n = FindFreeSlot();
    return n == 0 ? std::string() : SlotName(n);
}

bool TMemoryCard::AddBook(const std::string& path) {
    ErrorText = kUndefinedError;
    const std::string extension = platform::ExtensionOf(path);
    const std::string upper = AnsiUpperCase(extension);
    if (upper != kRarExtension && upper != kDescriptorExtension) {
        ErrorText = kUnsupportedFormat + extension + ")";
        return false;
    }
    if (upper == kDescriptorExtension) return AddBookFromDescriptor(path);

    if (!CreateTempFolder()) {
        ErrorText = kUnpackError;
        return false;
    }
    const FolderRemover removeTempFolder(*this, TempFolder);
    if (!platform_.extractor.Extract(path, TempFolder)) {
        // What the extractor can tell the user (a missing program, a refused entry) follows on
        // a line of its own.
        const std::string advice = platform_.extractor.FailureAdvice();
        ErrorText = advice.empty() ? kUnpackError : kUnpackError + "\n" + advice;
        return false;
    }
    std::vector<platform::DirEntry> entries;
    platform_.files.ListDirectory(TempFolder, entries);
    for (const platform::DirEntry& entry : entries) {
        if (!entry.isDirectory && AnsiUpperCase(entry.name) == kArchiveDescriptor) {
            return AddBookFromDescriptor(platform::JoinPath(TempFolder, entry.name));
        }
    }
    ErrorText = kNoDescriptorInArchive;
    return false;
}

bool TMemoryCard::CreateTempFolder() {
    TempFolder = kNoTempFolder;
    const std::string base = platform_.folders.TempFolder();
    if (base.empty()) return false;
    // Never a folder that is already there: an earlier run's leftovers only push the number up.
    for (int n = 0; n < kMaxTempFolders; ++n) {
        const std::string folder = base + kTempFolderPrefix + std::to_string(n);
        if (platform_.files.Exists(folder)) continue;
        if (platform_.files.MakeDirectory(folder)) {
            TempFolder = folder;
            return true;
        }
        if (!platform_.files.Exists(folder)) return false;  // the temporary folder is unusable
    }
    return false;
}

void TMemoryCard::RemoveFolderTree(const std::string& folder) {
    if (!folder.empty() && folder != kNoTempFolder) platform_.files.RemoveTree(folder);
}

bool TMemoryCard::AddBookFromDescriptor(const std::string& descriptorPath) {
    TBookInfo book;
    if (!ReadBookDescriptor(book, descriptorPath, platform_.files)) {
        ErrorText = kNoBookInfo;
        return false;
    }
    return PlaceBook(book);
}

bool TMemoryCard::PlaceBook(TBookInfo& book) {
    for (const auto& listed : Books) {
        if (listed->DisplayName == book.DisplayName) {
            ErrorText = kBookWord + book.DisplayName + kAlreadyOnCard;
            return false;
        }
    }
    const std::string name = FreeSlotName();
    if (name.empty()) {
        ErrorText = kNoSlotName;
        return false;
    }
    const std::string folder = platform::JoinPath(CardPath, name);
    if (CardPath.empty() || !platform_.files.MakeDirectory(folder)) {
        ErrorText = kFolderError + folder + kOnCard;
        return false;
    }

    // The card copy keeps the "#" lines and the empty lines; the entries are written anew.
    std::vector<std::string> kept;
    for (std::string& line : book.Lines) {
        if (line.empty() || line.front() == '#') kept.push_back(std::move(line));
    }
    book.Lines = std::move(kept);

    // From here on a failure takes the new folder away again, so the card is left as it was.
    const std::string sourceFolder = platform::FolderOf(book.Path);
    for (const std::string& entry : book.Files) {
        const std::string fileName = platform::EntryFileName(entry);
        // A book only ever reads inside its own folder.
        const bool copied = platform::IsContainedEntry(entry) && !fileName.empty() &&
                            platform_.files.CopyNoReplace(
                                platform::JoinPath(sourceFolder, platform::EntryToPath(entry)),
                                platform::JoinPath(folder, fileName));
        if (!copied) {
            RemoveFolderTree(folder);
            ErrorText = kCopyError + platform::JoinPath(sourceFolder, entry);
            return false;
        }
        book.Lines.push_back(name + kCardEntrySeparator + fileName);
    }

    const std::string descriptor = platform::JoinPath(CardPath, name + kDescriptorSuffix);
    if (!SaveDescriptorLines(book.Lines, descriptor, platform_.files)) {
        RemoveFolderTree(folder);
        ErrorText = kSaveError + descriptor;
        return false;
    }
    LastTitle = book.DisplayName;
    return true;
}

void TMemoryCard::DeleteBook(std::size_t index) {
    if (index >= Books.size()) return;
    LastMoves.clear();
    const TBookInfo& book = *Books[index];
    platform::IFileSystem& files = platform_.files;

    // Entries that would lead outside the card's root are passed over.
    bool everythingRemoved = true;
    for (const std::string& entry : book.Files) {
        if (!platform::IsContainedEntry(entry)) continue;
        const std::string file = platform::JoinPath(CardPath, platform::EntryToPath(entry));
        if (files.Exists(file) && !files.RemoveFile(file) && files.Exists(file)) everythingRemoved = false;
    }
    const std::string folderPart = book.Files.empty() ? std::string() : platform::EntryFolder(book.Files.front());
    if (!folderPart.empty() && platform::IsContainedEntry(folderPart)) {
        const std::string folder = platform::JoinPath(CardPath, platform::EntryToPath(folderPart));
        files.RemoveEmptyDirectory(folder);
        if (files.Exists(folder)) everythingRemoved = false;
    }
    // What could not be removed keeps its descriptor, so the book stays listed and can be
    // removed again instead of leaving a folder that holds its number.
    if (everythingRemoved) files.RemoveFile(platform::JoinPath(CardPath, book.FileName));

    Scan();
    CloseGaps();
}

void TMemoryCard::CloseGaps() {
    for (const auto& book : Books) {
        const int free = FindFreeSlot();
        if (free > 0 && free < book->Number) MoveBook(book->Number, free);
    }
}

void TMemoryCard::MoveBook(int from, int to) {
    if (from == to) return;
    const std::string oldName = SlotName(from);
    const std::string newName = SlotName(to);
    const RootNames names = ListRoot();
    const std::string oldDescriptor = platform::JoinPath(CardPath, names.Stored(oldName + kDescriptorSuffix, false));
    const std::string oldFolder = platform::JoinPath(CardPath, names.Stored(oldName, true));
    const std::string newDescriptor = platform::JoinPath(CardPath, newName + kDescriptorSuffix);
    const std::string newFolder = platform::JoinPath(CardPath, newName);
    platform::IFileSystem& files = platform_.files;

    TBookInfo book;
    if (!ReadBookDescriptor(book, oldDescriptor, files)) return;
    if (!files.MoveNoReplace(oldFolder, newFolder)) return;
    const std::vector<std::string> lines = SplitLines(ReplaceAll(JoinLines(book.Lines), oldName, newName));
    // Each step that fails is undone, so the book stays whole under its old number.
    if (!SaveDescriptorLines(lines, newDescriptor, files)) {
        files.MoveNoReplace(newFolder, oldFolder);
        return;
    }
    if (!files.RemoveFile(oldDescriptor) && files.Exists(oldDescriptor)) {
        files.RemoveFile(newDescriptor);
        files.MoveNoReplace(newFolder, oldFolder);
        return;
    }
    LastMoves.emplace_back(from, to);
}
