#include "card/Zwqcardunit.h"

#include <algorithm>
#include <chrono>
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
const std::string kFlushError = Ansi("Ошибка во время записи файлов книги на карту памяти");
const std::string kCancelledText = Ansi("Запись книги отменена");
const std::string kNoRoomHead = Ansi("Книга не помещается на карту памяти: нужно ");
const std::string kNoRoomFree = Ansi(" МБ, свободно ");
const std::string kNoRoomTail = Ansi(" МБ");

const char* const kRarExtension = ".RAR";
const char* const kDescriptorExtension = ".YDR";
const char* const kDescriptorSuffix = ".ydr";
const char* const kArchiveDescriptor = "BOOK_001.YDR";
const char* const kTempFolderPrefix = "ZWQTMP";
const char* const kNoTempFolder = "<>";
const char* const kSlotFormat = "BOOK_%03d";
const char* const kCardEntrySeparator = "\\";
constexpr int kMaxTempFolders = 1000000;

constexpr int64_t kBytesPerMegabyte = 1048576;
constexpr int kFullPercent = 100;
// Room a FAT or exFAT folder gives its entries: 32 bytes each; "." and ".." (FAT) take two;
// a file takes two and one more per 13 characters of its long name (FAT's long-name pieces are
// 13 characters, exFAT's 15).
constexpr int64_t kFolderEntryBytes = 32;
constexpr int64_t kFolderOwnEntries = 2;
constexpr int64_t kEntriesPerFile = 2;
constexpr int64_t kLongNameCharsPerEntry = 13;

// Progress goes to the caller on every change of phase or file and at the end of a phase; in
// between after at least kProgressStepsPerPhase-th of the phase (kMinProgressStep at least) or
// after kProgressInterval, whichever comes first.
constexpr int64_t kProgressStepsPerPhase = 200;
constexpr int64_t kMinProgressStep = int64_t{256} << 10;
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

int64_t RoundUp(int64_t bytes, int64_t unit) { return (bytes + unit - 1) / unit * unit; }

// Passes the progress of one operation on to the caller's callback, thinned out as above, and
// remembers a stop request: once the callback has returned false, every later report does too.
class ProgressGate {
public:
    explicit ProgressGate(const TProgressCallback& callback) : callback_(callback) {}

    // False once a stop has been asked for. force passes the report on whatever changed.
    bool Report(const TCardProgress& progress, bool force = false) {
        if (stopped_) return false;
        if (!callback_) return true;
        const auto now = std::chrono::steady_clock::now();
        if (!force && sent_ && !Due(progress, now)) return true;
        sent_ = true;
        last_ = progress;
        lastTime_ = now;
        stopped_ = !callback_(progress);
        return !stopped_;
    }
    bool stopped() const { return stopped_; }

private:
    bool Due(const TCardProgress& progress, std::chrono::steady_clock::time_point now) const {
        if (progress.phase != last_.phase || progress.itemIndex != last_.itemIndex) return true;
        if (progress.bytesDone == last_.bytesDone) return false;
        const int64_t step = std::max(kMinProgressStep, progress.bytesTotal / kProgressStepsPerPhase);
        const bool end = progress.bytesTotal > 0 && progress.bytesDone >= progress.bytesTotal;
        return end || progress.bytesDone - last_.bytesDone >= step || now - lastTime_ >= kProgressInterval;
    }

    const TProgressCallback& callback_;
    bool stopped_ = false;
    bool sent_ = false;
    TCardProgress last_;
    std::chrono::steady_clock::time_point lastTime_;
};

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

// Empties a text when the scope ends, whatever way it ends.
class ClearOnExit {
public:
    explicit ClearOnExit(std::string& text) : text_(text) {}
    ~ClearOnExit() { text_.clear(); }
    ClearOnExit(const ClearOnExit&) = delete;
    ClearOnExit& operator=(const ClearOnExit&) = delete;

private:
    std::string& text_;
};

}  // namespace

int TCardProgress::Percent() const {
    if (bytesTotal <= 0) return 0;
    return static_cast<int>(std::clamp<int64_t>(bytesDone * kFullPercent / bytesTotal, 0, kFullPercent));
}

// One file of a book on its way to the card.
struct TMemoryCard::PlannedFile {
    std::string entry;   // as the source descriptor names it
    std::string source;  // full path
    std::string name;    // its name in the book's folder on the card
    int64_t size = 0;
};

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

bool TMemoryCard::AddBook(const std::string& path, const TProgressCallback& progress) {
    ErrorText = kUndefinedError;
    Cancelled = false;
    const std::string extension = platform::ExtensionOf(path);
    const std::string upper = AnsiUpperCase(extension);
    if (upper != kRarExtension && upper != kDescriptorExtension) {
        ErrorText = kUnsupportedFormat + extension + ")";
        return false;
    }
    if (upper == kDescriptorExtension) return AddBookFromDescriptor(path, progress);

    if (!CreateTempFolder()) {
        ErrorText = kUnpackError;
        return false;
    }
    const FolderRemover removeTempFolder(*this, TempFolder);
    ProgressGate gate(progress);
    TCardProgress unpacking;
    unpacking.phase = TCardProgress::Phase::Unpacking;
    unpacking.currentName = platform::FileNameOf(path);
    const bool unpacked = platform_.extractor.Extract(path, TempFolder, [&](int64_t done, int64_t total) {
        unpacking.bytesDone = done;
        unpacking.bytesTotal = total;
        return gate.Report(unpacking);
    });
    if (gate.stopped()) return MarkCancelled();
    if (!unpacked) {
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
            extractionToDrop_ = TempFolder;
            const ClearOnExit forgetExtraction(extractionToDrop_);
            return AddBookFromDescriptor(platform::JoinPath(TempFolder, entry.name), progress);
        }
    }
    ErrorText = kNoDescriptorInArchive;
    return false;
}

bool TMemoryCard::MarkCancelled() {
    Cancelled = true;
    ErrorText = kCancelledText;
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

bool TMemoryCard::AddBookFromDescriptor(const std::string& descriptorPath, const TProgressCallback& progress) {
    TBookInfo book;
    if (!ReadBookDescriptor(book, descriptorPath, platform_.files)) {
        ErrorText = kNoBookInfo;
        return false;
    }
    return PlaceBook(book, progress);
}

bool TMemoryCard::PlanFiles(const TBookInfo& book, std::vector<PlannedFile>& plan) {
    const std::string sourceFolder = platform::FolderOf(book.Path);
    std::set<std::string> names;
    for (const std::string& entry : book.Files) {
        PlannedFile file;
        file.entry = entry;
        file.name = platform::EntryFileName(entry);
        // A book only ever reads inside its own folder, and its files land side by side in one
        // folder of the card, whose names ignore letter case.
        const bool usable = platform::IsContainedEntry(entry) && !file.name.empty() &&
                            names.insert(AnsiUpperCase(file.name)).second;
        file.source = platform::JoinPath(sourceFolder, platform::EntryToPath(entry));
        file.size = usable ? platform_.files.FileSize(file.source) : -1;
        if (file.size < 0) {
            ErrorText = kCopyError + platform::JoinPath(sourceFolder, entry);
            return false;
        }
        plan.push_back(std::move(file));
    }
    return true;
}

bool TMemoryCard::CheckFits(const std::vector<PlannedFile>& plan, const std::vector<std::string>& lines) {
    const int64_t freeBytes = platform_.files.FreeBytes(CardPath);
    if (freeBytes < 0) return true;  // the system cannot tell: the copy finds out
    const int64_t reported = platform_.files.ClusterSize(CardPath);
    const int64_t cluster = reported > 0 ? reported : 1;
    int64_t folderBytes = kFolderOwnEntries * kFolderEntryBytes;
    int64_t needed = RoundUp(static_cast<int64_t>(JoinLines(lines).size()), cluster);
    for (const PlannedFile& file : plan) {
        needed += RoundUp(file.size, cluster);
        const int64_t nameLength = static_cast<int64_t>(file.name.size());
        folderBytes += (kEntriesPerFile + RoundUp(nameLength, kLongNameCharsPerEntry) / kLongNameCharsPerEntry) *
                       kFolderEntryBytes;
    }
    needed += RoundUp(folderBytes, cluster);
    if (needed <= freeBytes) return true;
    ErrorText = kNoRoomHead + std::to_string(RoundUp(needed, kBytesPerMegabyte) / kBytesPerMegabyte) + kNoRoomFree +
                std::to_string(freeBytes / kBytesPerMegabyte) + kNoRoomTail;
    return false;
}

bool TMemoryCard::PlaceBook(TBookInfo& book, const TProgressCallback& progress) {
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

    // Everything is checked before the first byte is written: the files, and the room on the
    // card for them and for the descriptor that will name them.
    std::vector<PlannedFile> plan;
    if (!PlanFiles(book, plan)) return false;
    // The card copy keeps the "#" lines and the empty lines; the entries are written anew.
    std::vector<std::string> lines;
    for (std::string& line : book.Lines) {
        if (line.empty() || line.front() == '#') lines.push_back(std::move(line));
    }
    for (const PlannedFile& file : plan) lines.push_back(name + kCardEntrySeparator + file.name);
    book.Lines = lines;
    if (!CheckFits(plan, lines)) return false;

    const std::string folder = platform::JoinPath(CardPath, name);
    if (CardPath.empty() || !platform_.files.MakeDirectory(folder)) {
        ErrorText = kFolderError + folder + kOnCard;
        return false;
    }

    // From here on a failure or a stop takes the new folder away again, so the card is left
    // as it was.
    ProgressGate gate(progress);
    TCardProgress state;
    state.phase = TCardProgress::Phase::Copying;
    state.bookName = book.DisplayName;
    state.itemCount = static_cast<int>(plan.size());
    for (const PlannedFile& file : plan) state.bytesTotal += file.size;
    std::vector<std::string> targets;
    int64_t before = 0;
    for (const PlannedFile& file : plan) {
        ++state.itemIndex;
        state.currentName = file.name;
        state.bytesDone = before;
        targets.push_back(platform::JoinPath(folder, file.name));
        const bool copied =
            gate.Report(state) && platform_.files.CopyWithProgress(file.source, targets.back(), [&](int64_t done) {
                state.bytesDone = std::min(before + done, state.bytesTotal);
                return gate.Report(state);
            });
        if (!copied) {
            RemoveFolderTree(folder);
            if (gate.stopped()) return MarkCancelled();
            ErrorText = kCopyError + platform::JoinPath(platform::FolderOf(book.Path), file.entry);
            return false;
        }
        before += file.size;
    }
    state.bytesDone = state.bytesTotal;
    gate.Report(state);

    // The unpacked copy is no longer needed: gone before the flush, it is never written out.
    if (!extractionToDrop_.empty()) RemoveFolderTree(extractionToDrop_);

    // The descriptor makes the book visible to the player, so it is written only once every
    // file is on the medium. A stop is still heard before the flush and after it.
    state.phase = TCardProgress::Phase::Flushing;
    const bool flushed = gate.Report(state, true) && platform_.files.FlushFiles(targets) && gate.Report(state, true);
    if (!flushed) {
        RemoveFolderTree(folder);
        if (gate.stopped()) return MarkCancelled();
        ErrorText = kFlushError;
        return false;
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
