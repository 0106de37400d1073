#include "card/Zwqcardunit.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <unordered_map>

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
const std::string kNoRoomFree = Ansi(" Мб, свободно ");
const std::string kNoRoomTail = Ansi(" Мб");

const char* const kRarExtension = ".RAR";
const char* const kDescriptorExtension = ".YDR";
const char* const kDescriptorSuffix = ".ydr";
const char* const kArchiveDescriptor = "BOOK_001.YDR";
const char* const kTempFolderPrefix = "ZWQTMP";
const char* const kNoTempFolder = "<>";
const char* const kSlotFormat = "BOOK_%03d";
const char* const kCardEntrySeparator = "\\";
const char* const kTempLockSuffix = ".lck";
constexpr int kMaxTempFolders = 1000000;

// The journal: while a removal runs it names the book (slot and a hash of its descriptor), so
// that a check after a pulled card knows the removal was asked for.
const char* const kJournalName = "ZWQJOURN.TMP";
const char* const kJournalHeader = "ZWQ JOURNAL";
const char* const kJournalRemove = "REMOVE";
constexpr uint64_t kFnvOffset = 14695981039346656037ULL;
constexpr uint64_t kFnvPrime = 1099511628211ULL;
constexpr int kHashDigits = 16;

// Texts of the card check.
const std::string kFoundHead = Ansi("На карте памяти найдено:");
const std::string kNothingFound = Ansi("Неполадок на карте памяти не найдено.");
const std::string kMendedHead = Ansi("Исправлено:");
const std::string kLeftHead = Ansi("Оставлено без изменений:");
const std::string kAllWell = Ansi("Карта памяти в порядке.");
const std::string kItem = "- ";
const std::string kRemovalBroken = Ansi("прервано удаление книги ");
const std::string kRemovalNotBegun = Ansi(" до удаления её файлов: книга останется на карте");
const std::string kMoveBroken = Ansi("прерван перенос книги ");
const std::string kFromNumber = Ansi(" с номера ");
const std::string kToNumber = Ansi(" на номер ");
const std::string kNumberOpen = Ansi(" (номер ");
const std::string kFolderWord = Ansi("папка ");
const std::string kPartialWrite = Ansi(" без описания книги: запись книги не была закончена");
const std::string kBookLower = Ansi("книга ");
const std::string kMissingFiles = Ansi(" ссылается на отсутствующие файлы: ");
const std::string kAndMore = Ansi(" и ещё ");
const std::string kMissingReason =
    Ansi(". Такую книгу программа сама не удаляет: удалите её или запишите заново");
const std::string kFileWord = Ansi("файл ");
const std::string kUnreadable =
    Ansi(" не читается как описание книги. Программа не трогает файлы, которых не создавала");
const std::string kScratch = Ansi("служебный файл программы ");
const std::string kGaps = Ansi("пропуски в нумерации книг: ");
const std::string kRenumbered = Ansi("книги перенумерованы по порядку, перенесено книг: ");
const std::string kNotMended = Ansi(". Исправить это не удалось");
constexpr std::size_t kListedFiles = 3;

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
// between after at least kProgressStepsPerPhase-th of the phase (kMinProgressStep at least).
constexpr int64_t kProgressStepsPerPhase = 200;
constexpr int64_t kMinProgressStep = int64_t{256} << 10;

int64_t RoundUp(int64_t bytes, int64_t unit) { return (bytes + unit - 1) / unit * unit; }

// Passes the progress of one operation on to the caller's callback, thinned out as above; no
// report goes out once a stop has been asked for.
class ProgressGate {
public:
    ProgressGate(const TProgressCallback& callback, const platform::StopToken& stop)
        : callback_(callback), stop_(stop) {}

    // False once a stop has been asked for. force passes the report on whatever changed.
    bool Report(const TCardProgress& progress, bool force = false) {
        if (stop_.Requested()) return false;
        if (callback_ && (force || !sent_ || Due(progress))) {
            sent_ = true;
            last_ = progress;
            callback_(progress);
        }
        return !stop_.Requested();
    }
    bool stopped() const { return stop_.Requested(); }

private:
    bool Due(const TCardProgress& progress) const {
        if (progress.phase != last_.phase || progress.itemIndex != last_.itemIndex) return true;
        if (progress.bytesDone == last_.bytesDone) return false;
        const int64_t step = std::max(kMinProgressStep, progress.bytesTotal / kProgressStepsPerPhase);
        const bool end = progress.bytesTotal > 0 && progress.bytesDone >= progress.bytesTotal;
        return end || progress.bytesDone - last_.bytesDone >= step;
    }

    const TProgressCallback& callback_;
    const platform::StopToken& stop_;
    bool sent_ = false;
    TCardProgress last_;
};

// "BOOK_*.ydr" as the card's FAT file system matches it: without regard to letter case.
bool MatchesDescriptorPattern(const std::string& name) {
    const std::string upper = AnsiUpperCase(name);
    const std::string prefix = "BOOK_";
    const std::string suffix = kDescriptorExtension;
    return upper.size() >= prefix.size() + suffix.size() && upper.compare(0, prefix.size(), prefix) == 0 &&
           upper.compare(upper.size() - suffix.size(), suffix.size(), suffix) == 0;
}

uint64_t Fnv1a(const std::string& bytes) {
    uint64_t hash = kFnvOffset;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= kFnvPrime;
    }
    return hash;
}

std::string HashText(const std::string& bytes) {
    char buffer[kHashDigits + 1] = {};
    std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(Fnv1a(bytes)));
    return buffer;
}

// The slot number of a folder name in the descriptor's rule (BOOK_ and three digits).
bool IsSlotFolderName(const std::string& name, int32_t& number) {
    return IsBookDescriptorName(name + kDescriptorSuffix, number);
}

// Whether a file entry lies in the folder slotName: its first part names it (in any letter
// case, as the card's file system finds it) and it does not climb out.
bool InSlotFolder(const std::string& entry, const std::string& slotName) {
    const std::size_t end = entry.find_first_of("\\/");
    return end != std::string::npos && platform::IsContainedEntry(entry) &&
           AnsiUpperCase(entry.substr(0, end)) == AnsiUpperCase(slotName);
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

// The names in the card's root as the last listing found them, kept up to date by the moves:
// upper-cased (the card's FAT file system compares names without letter case) to the name as
// stored.
struct TMemoryCard::RootNames {
    bool listed = false;
    std::unordered_map<std::string, std::string> files;
    std::unordered_map<std::string, std::string> folders;

    static std::string Find(const std::unordered_map<std::string, std::string>& names, const std::string& name) {
        const auto it = names.find(AnsiUpperCase(name));
        return it == names.end() ? std::string() : it->second;
    }
    bool HasFile(const std::string& name) const { return files.count(AnsiUpperCase(name)) != 0; }
    bool HasFolder(const std::string& name) const { return folders.count(AnsiUpperCase(name)) != 0; }
    // The name as stored, or the name itself when the listing does not hold it.
    std::string File(const std::string& name) const {
        const std::string stored = Find(files, name);
        return stored.empty() ? name : stored;
    }
    std::string Folder(const std::string& name) const {
        const std::string stored = Find(folders, name);
        return stored.empty() ? name : stored;
    }
    void Note(const std::string& name, bool folder, bool present) {
        auto& names = folder ? folders : files;
        if (present) {
            names[AnsiUpperCase(name)] = name;
        } else {
            names.erase(AnsiUpperCase(name));
        }
    }
};

// One slot of the card as the check sees it.
struct TMemoryCard::SlotState {
    std::string descriptor;  // the descriptor's name as stored; empty when there is none
    std::string folder;      // the folder's name as stored; empty when there is none
    std::string bytes;       // the descriptor's bytes
    bool valid = false;      // the reader accepted the descriptor
    TBookInfo book;
    std::vector<std::string> missing;  // entries whose files are not on the card
};

struct TMemoryCard::CardState {
    std::map<int, SlotState> slots;
    std::string scratch;  // the scratch file's name as stored, empty when there is none
    std::string journal;  // the journal's name as stored, empty when there is none
    std::string journalBytes;
};

TMemoryCard::TMemoryCard() : TMemoryCard(platform::NativePlatform()) {}

TMemoryCard::TMemoryCard(platform::Platform& platform)
    : TempFolder(kNoTempFolder), platform_(platform), names_(std::make_unique<RootNames>()) {}

TMemoryCard::~TMemoryCard() { Clear(); }

void TMemoryCard::SetCardPath(const std::string& path) { CardPath = platform::StripTrailingSeparators(path); }

void TMemoryCard::Clear() { Books.clear(); }

void TMemoryCard::Scan() {
    Clear();
    ListRoot();
    NoteTrouble();
    for (const auto& [upper, name] : names_->files) {
        if (!MatchesDescriptorPattern(name)) continue;
        auto book = std::make_unique<TBookInfo>();
        if (ReadBookDescriptor(*book, platform::JoinPath(CardPath, name), platform_.files)) {
            Books.push_back(std::move(book));
        }
    }
    // The player's order, whatever order the file system lists the names in.
    std::sort(Books.begin(), Books.end(), [](const auto& a, const auto& b) {
        return a->Number != b->Number ? a->Number < b->Number : a->FileName < b->FileName;
    });
}

int64_t TMemoryCard::FreeSpace() {
    if (CardPath.empty()) return -1;
    return platform_.files.FreeBytes(CardPath);
}

void TMemoryCard::ListRoot() {
    *names_ = RootNames();
    std::vector<platform::DirEntry> entries;
    if (CardPath.empty() || !platform_.files.ListDirectory(CardPath, entries)) return;
    names_->listed = true;
    for (const platform::DirEntry& e : entries) names_->Note(e.name, e.isDirectory, true);
}

bool TMemoryCard::SlotTaken(int n) const {
    // A slot stays taken while either its descriptor or its folder is on the card, listed as a
    // book or not.
    const std::string name = SlotName(n);
    return names_->HasFile(name + kDescriptorSuffix) || names_->HasFolder(name);
}

int TMemoryCard::FreeSlotFrom(int first) const {
    for (int n = std::max(first, 1); n <= kMaxSlot; ++n) {
        if (!SlotTaken(n)) return n;
    }
    return 0;
}

int TMemoryCard::FindFreeSlot() {
    // The root is listed once per call, so every call sees the disk as it is.
    ListRoot();
    return FreeSlotFrom(1);
}

void TMemoryCard::NoteTrouble() {
    const RootNames& names = *names_;
    bool trouble = names.HasFile(platform::kReplaceScratchName) || names.HasFile(kJournalName);
    std::vector<int> descriptors;
    std::vector<int> folders;
    int32_t n = 0;
    for (const auto& [upper, name] : names.files) {
        if (IsBookDescriptorName(name, n) && n > 0) descriptors.push_back(n);
    }
    for (const auto& [upper, name] : names.folders) {
        if (IsSlotFolderName(name, n) && n > 0) folders.push_back(n);
    }
    std::sort(descriptors.begin(), descriptors.end());
    std::sort(folders.begin(), folders.end());
    // Every descriptor with its folder, and no number missing below the highest.
    trouble = trouble || descriptors != folders;
    for (std::size_t i = 0; i < folders.size() && !trouble; ++i) trouble = folders[i] != static_cast<int>(i) + 1;
    needsCheck_ = trouble;
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

bool TMemoryCard::AddBook(const std::string& path, const TProgressCallback& progress,
                          const platform::StopToken& stop) {
    ErrorText = kUndefinedError;
    Cancelled = false;
    const std::string extension = platform::ExtensionOf(path);
    const std::string upper = AnsiUpperCase(extension);
    if (upper != kRarExtension && upper != kDescriptorExtension) {
        ErrorText = kUnsupportedFormat + extension + ")";
        return false;
    }
    if (upper == kDescriptorExtension) return AddBookFromDescriptor(path, progress, stop);

    if (!CreateTempFolder()) {
        ErrorText = kUnpackError;
        return false;
    }
    const FolderRemover removeTempFolder(*this, TempFolder);
    ProgressGate gate(progress, stop);
    TCardProgress unpacking;
    unpacking.phase = TCardProgress::Phase::Unpacking;
    unpacking.currentName = platform::FileNameOf(path);
    const bool unpacked = platform_.extractor.Extract(
        path, TempFolder,
        [&](int64_t done, int64_t total) {
            unpacking.bytesDone = done;
            unpacking.bytesTotal = total;
            gate.Report(unpacking);
        },
        stop);
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
            return AddBookFromDescriptor(platform::JoinPath(TempFolder, entry.name), progress, stop);
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
    tempLock_.reset();
    const std::string base = platform_.folders.TempFolder();
    if (base.empty()) return false;
    // Never a folder that is already there: an earlier run's leftovers only push the number up.
    // The lock beside the folder tells other instances that a running one owns it.
    for (int n = 0; n < kMaxTempFolders; ++n) {
        const std::string folder = base + kTempFolderPrefix + std::to_string(n);
        if (platform_.files.Exists(folder)) continue;
        std::unique_ptr<platform::IFileLock> lock = platform_.files.TryLock(folder + kTempLockSuffix);
        if (!lock) continue;
        if (platform_.files.MakeDirectory(folder)) {
            TempFolder = folder;
            tempLock_ = std::move(lock);
            return true;
        }
        if (!platform_.files.Exists(folder)) return false;  // the temporary folder is unusable
    }
    return false;
}

void TMemoryCard::RemoveFolderTree(const std::string& folder) {
    if (!folder.empty() && folder != kNoTempFolder) platform_.files.RemoveTree(folder);
    if (folder == TempFolder) tempLock_.reset();
}

void TMemoryCard::RemoveStaleTempFolders() {
    const std::string base = platform_.folders.TempFolder();
    std::vector<platform::DirEntry> entries;
    if (base.empty() || !platform_.files.ListDirectory(platform::StripTrailingSeparators(base), entries)) return;
    const std::string prefix = kTempFolderPrefix;
    for (const platform::DirEntry& entry : entries) {
        const std::string upper = AnsiUpperCase(entry.name);
        if (upper.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string number = entry.name.substr(prefix.size());
        const std::string suffix = AnsiUpperCase(kTempLockSuffix);
        const bool lockFile = !entry.isDirectory && upper.size() > suffix.size() &&
                              upper.compare(upper.size() - suffix.size(), suffix.size(), suffix) == 0;
        const std::string digits = lockFile ? number.substr(0, number.size() - suffix.size()) : number;
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) continue;
        if (!entry.isDirectory && !lockFile) continue;
        // A folder whose lock can be taken belongs to no running instance; a lock file left
        // without a holder goes when its lock is given up again.
        const std::string folder = base + prefix + digits;
        const std::unique_ptr<platform::IFileLock> lock = platform_.files.TryLock(folder + kTempLockSuffix);
        if (lock && entry.isDirectory) platform_.files.RemoveTree(folder);
    }
}

bool TMemoryCard::AddBookFromDescriptor(const std::string& descriptorPath, const TProgressCallback& progress,
                                        const platform::StopToken& stop) {
    TBookInfo book;
    if (!ReadBookDescriptor(book, descriptorPath, platform_.files)) {
        ErrorText = kNoBookInfo;
        return false;
    }
    return PlaceBook(book, progress, stop);
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

bool TMemoryCard::PlaceBook(TBookInfo& book, const TProgressCallback& progress, const platform::StopToken& stop) {
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
    ProgressGate gate(progress, stop);
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
        const bool copied = gate.Report(state) && platform_.files.CopyWithProgress(
                                                      file.source, targets.back(),
                                                      [&](int64_t done) {
                                                          state.bytesDone = std::min(before + done, state.bytesTotal);
                                                          gate.Report(state);
                                                      },
                                                      stop);
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

bool TMemoryCard::DeleteBook(std::size_t index, const TProgressCallback& progress) {
    LastMoves.clear();
    LastRemoval = TRemovalReport();
    if (index >= Books.size()) return false;
    platform::IFileSystem& files = platform_.files;
    const TBookInfo& book = *Books[index];
    const int slot = book.Number;
    const std::string slotName = SlotName(slot);
    const std::string descriptor = platform::JoinPath(CardPath, book.FileName);

    // Files named outside the book's own folder belong to another book or to someone else.
    for (const std::string& entry : book.Files) {
        if (InSlotFolder(entry, slotName) || !platform::IsContainedEntry(entry)) continue;
        const std::string file = platform::JoinPath(CardPath, platform::EntryToPath(entry));
        if (files.Exists(file)) LastRemoval.leftAlone.push_back(file);
    }

    std::string bytes;
    files.ReadWholeFile(descriptor, bytes);
    const bool journaled = WriteJournal(slot, bytes);
    RemoveSlotFolder(slot, LastRemoval.stayed);
    // The descriptor goes last: while anything of the book stays, the book stays listed.
    if (LastRemoval.stayed.empty()) {
        LastRemoval.removed = files.RemoveFile(descriptor) || !files.Exists(descriptor);
        if (!LastRemoval.removed) LastRemoval.stayed.push_back(descriptor);
    }
    // The journal goes only once what it explains is on the medium.
    if (journaled && files.FlushFiles({CardPath})) files.RemoveFile(platform::JoinPath(CardPath, kJournalName));

    Scan();
    if (LastRemoval.removed) CloseListedGaps(progress);
    NoteTrouble();  // on the listing as the moves left it
    return LastRemoval.removed;
}

void TMemoryCard::RemoveSlotFolder(int slot, std::vector<std::string>& stayed) {
    platform::IFileSystem& files = platform_.files;
    const std::string folder = platform::JoinPath(CardPath, names_->Folder(SlotName(slot)));
    // Everything in the book's own folder goes, named by the descriptor or not (Thumbs.db,
    // desktop.ini and the like, which other systems leave); a link goes as a link, and what it
    // points to is not the book's.
    if (!files.IsLink(folder) && !files.IsDirectory(folder)) return;
    if (files.RemoveTree(folder) || !files.Exists(folder)) return;
    std::vector<platform::DirEntry> entries;
    files.ListDirectory(folder, entries);
    for (const platform::DirEntry& entry : entries) stayed.push_back(platform::JoinPath(folder, entry.name));
    if (stayed.empty()) stayed.push_back(folder);
}

bool TMemoryCard::WriteJournal(int slot, const std::string& descriptorBytes) {
    const std::string text = JoinLines({kJournalHeader, std::string(kJournalRemove) + " " + SlotName(slot) + " " +
                                                            HashText(descriptorBytes)});
    return platform_.files.WriteReplacing(platform::JoinPath(CardPath, kJournalName), text);
}

void TMemoryCard::CloseGaps(const TProgressCallback& progress) {
    ListRoot();
    CloseListedGaps(progress);
}

void TMemoryCard::CloseListedGaps(const TProgressCallback& progress) {
    // In number order, whatever order the catalogue is in, so the books keep their order.
    std::vector<std::pair<int, std::string>> books;
    for (const auto& book : Books) books.emplace_back(book->Number, book->DisplayName);
    std::sort(books.begin(), books.end());
    int free = FreeSlotFrom(1);
    TCardProgress step;
    step.phase = TCardProgress::Phase::Renumbering;
    step.itemCount = static_cast<int>(
        std::count_if(books.begin(), books.end(), [free](const auto& book) { return free > 0 && book.first > free; }));
    for (const auto& [number, title] : books) {
        if (free == 0) break;
        if (number <= free) continue;
        ++step.itemIndex;
        step.currentName = title;
        if (progress) progress(step);
        // A book that cannot move keeps its number, and the books above it stay above it.
        free = FreeSlotFrom(MoveBook(number, free) ? free + 1 : number + 1);
    }
}

bool TMemoryCard::MoveBook(int from, int to) {
    if (from == to) return false;
    if (!names_->listed) ListRoot();
    const std::string oldName = SlotName(from);
    const std::string newName = SlotName(to);
    const std::string oldDescriptor = platform::JoinPath(CardPath, names_->File(oldName + kDescriptorSuffix));
    const std::string oldFolder = platform::JoinPath(CardPath, names_->Folder(oldName));
    const std::string newDescriptor = platform::JoinPath(CardPath, newName + kDescriptorSuffix);
    const std::string newFolder = platform::JoinPath(CardPath, newName);
    platform::IFileSystem& files = platform_.files;

    TBookInfo book;
    std::string bytes;
    if (!ReadBookDescriptor(book, oldDescriptor, files) || !files.ReadWholeFile(oldDescriptor, bytes)) return false;
    if (files.Exists(newDescriptor)) return false;
    // The new descriptor first, then the folder, then the old descriptor: at every moment the
    // card holds one whole book under one of its numbers. A failed step is undone.
    if (!files.WriteReplacing(newDescriptor, RenameSlotInDescriptor(bytes, oldName, newName))) return false;
    if (!files.MoveNoReplace(oldFolder, newFolder)) {
        files.RemoveFile(newDescriptor);
        return false;
    }
    // The folder's new name is on the medium before the old descriptor goes, whatever order
    // the system would write them out in; a card pulled meanwhile holds both descriptors.
    if (!files.FlushFiles({newFolder})) return false;
    if (!files.RemoveFile(oldDescriptor) && files.Exists(oldDescriptor)) {
        files.MoveNoReplace(newFolder, oldFolder);
        files.RemoveFile(newDescriptor);
        return false;
    }
    names_->Note(names_->File(oldName + kDescriptorSuffix), false, false);
    names_->Note(names_->Folder(oldName), true, false);
    names_->Note(newName + kDescriptorSuffix, false, true);
    names_->Note(newName, true, true);
    LastMoves.emplace_back(from, to);
    return true;
}

// ---- the card check ----

TMemoryCard::CardState TMemoryCard::ReadCardState() {
    CardState state;
    ListRoot();
    platform::IFileSystem& files = platform_.files;
    int32_t n = 0;
    for (const auto& [upper, name] : names_->files) {
        const std::string path = platform::JoinPath(CardPath, name);
        if (upper == AnsiUpperCase(platform::kReplaceScratchName)) state.scratch = name;
        if (upper == AnsiUpperCase(kJournalName)) {
            state.journal = name;
            files.ReadWholeFile(path, state.journalBytes);
        }
        if (!IsBookDescriptorName(name, n)) continue;
        SlotState& slot = state.slots[n];
        slot.descriptor = name;
        files.ReadWholeFile(path, slot.bytes);
        slot.valid = ReadBookDescriptor(slot.book, path, files);
        if (!slot.valid) continue;
        for (const std::string& entry : slot.book.Files) {
            if (platform::IsContainedEntry(entry) && !files.Exists(platform::JoinPath(CardPath, platform::EntryToPath(entry)))) {
                slot.missing.push_back(entry);
            }
        }
    }
    for (const auto& [upper, name] : names_->folders) {
        if (IsSlotFolderName(name, n)) state.slots[n].folder = name;
    }
    return state;
}

std::vector<TCardFinding> TMemoryCard::Analyse(const CardState& state) {
    using Kind = TCardFinding::Kind;
    std::vector<TCardFinding> findings;
    std::vector<int> explained;
    const auto isExplained = [&explained](int n) {
        return std::find(explained.begin(), explained.end(), n) != explained.end();
    };
    const auto finding = [](Kind kind, int slot, std::string name, bool repairable) {
        TCardFinding f;
        f.kind = kind;
        f.slot = slot;
        f.name = std::move(name);
        f.repairable = repairable;
        return f;
    };

    // A removal cut short: the journal names the slot and its descriptor's bytes. Once files
    // are gone the book is broken, and the removal that was asked for is finished; before that
    // the book is whole and stays.
    if (!state.journal.empty()) {
        const std::vector<std::string> lines = SplitLines(state.journalBytes);
        std::string slotName;
        std::string hash;
        for (const std::string& line : lines) {
            if (TextBefore(line, " ") != kJournalRemove) continue;
            const std::string rest = TextAfter(line, " ");
            slotName = TextBefore(rest, " ");
            hash = TextAfter(rest, " ");
        }
        int32_t n = 0;
        const auto it = IsSlotFolderName(slotName, n) ? state.slots.find(n) : state.slots.end();
        if (it != state.slots.end() && !it->second.descriptor.empty() && HashText(it->second.bytes) == hash) {
            const SlotState& slot = it->second;
            TCardFinding f = finding(Kind::InterruptedRemoval, n,
                                     slot.valid ? slot.book.DisplayName : slot.descriptor, true);
            f.completes = !slot.missing.empty() || slot.folder.empty();
            findings.push_back(f);
            explained.push_back(n);
        } else {
            findings.push_back(finding(Kind::Scratch, 0, state.journal, true));
        }
    }

    // A move cut short leaves two descriptors of one book, one of them without its folder: the
    // new one written before the folder was renamed, or the old one not yet removed after.
    for (const auto& [lone, loneSlot] : state.slots) {
        if (loneSlot.descriptor.empty() || !loneSlot.folder.empty() || !loneSlot.valid || isExplained(lone)) continue;
        for (const auto& [other, otherSlot] : state.slots) {
            if (other == lone || otherSlot.descriptor.empty() || otherSlot.folder.empty() || !otherSlot.valid ||
                isExplained(other) || otherSlot.bytes == loneSlot.bytes) {
                continue;
            }
            // Books only ever move down.
            const bool folderNotMoved =
                other > lone && RenameSlotInDescriptor(otherSlot.bytes, SlotName(other), SlotName(lone)) == loneSlot.bytes;
            const bool descriptorLeft =
                lone > other && RenameSlotInDescriptor(loneSlot.bytes, SlotName(lone), SlotName(other)) == otherSlot.bytes;
            if (!folderNotMoved && !descriptorLeft) continue;
            TCardFinding f = finding(Kind::InterruptedMove, folderNotMoved ? other : lone, loneSlot.book.DisplayName, true);
            f.toSlot = folderNotMoved ? lone : other;
            findings.push_back(f);
            explained.push_back(lone);
            explained.push_back(other);
            break;
        }
    }

    // The same move with its steps written out of order (the old descriptor's removal reached
    // the card, the folder's new name did not): the new descriptor names a folder that is not
    // there, and the book's folder stays under the higher number without a descriptor. When
    // that folder holds every file the descriptor names, the move is finished; the folder is
    // never taken for an unfinished write.
    const auto holdsFilesOf = [this](const std::string& folder, const SlotState& slot, int number) {
        return std::all_of(slot.book.Files.begin(), slot.book.Files.end(), [&](const std::string& entry) {
            return InSlotFolder(entry, SlotName(number)) &&
                   platform_.files.IsFile(platform::JoinPath(platform::JoinPath(CardPath, folder),
                                                             platform::EntryFileName(entry)));
        });
    };
    for (const auto& [to, toSlot] : state.slots) {
        if (toSlot.descriptor.empty() || !toSlot.folder.empty() || !toSlot.valid || isExplained(to)) continue;
        for (const auto& [from, fromSlot] : state.slots) {
            if (from <= to || !fromSlot.descriptor.empty() || fromSlot.folder.empty() || isExplained(from) ||
                !holdsFilesOf(fromSlot.folder, toSlot, to)) {
                continue;
            }
            TCardFinding f = finding(Kind::InterruptedMove, from, toSlot.book.DisplayName, true);
            f.toSlot = to;
            findings.push_back(f);
            explained.push_back(from);
            explained.push_back(to);
            break;
        }
    }

    for (const auto& [n, slot] : state.slots) {
        if (isExplained(n)) continue;
        if (slot.descriptor.empty()) {
            findings.push_back(finding(Kind::PartialWrite, n, slot.folder, true));
        } else if (!slot.valid) {
            findings.push_back(finding(Kind::Unreadable, n, slot.descriptor, false));
        } else if (!slot.missing.empty()) {
            TCardFinding f = finding(Kind::MissingFiles, n, slot.book.DisplayName, false);
            f.files = slot.missing;
            findings.push_back(f);
        }
    }
    if (!state.scratch.empty()) findings.push_back(finding(Kind::Scratch, 0, state.scratch, true));

    // Gaps below the highest book; numbers above it hold nothing the player lists.
    int highest = 0;
    for (const auto& [n, slot] : state.slots) {
        if (slot.valid) highest = n;
    }
    for (int n = 1; n < highest && n <= kMaxSlot; ++n) {
        if (state.slots.count(n) == 0) findings.push_back(finding(Kind::Gap, n, std::string(), true));
    }
    return findings;
}

std::vector<TCardFinding> TMemoryCard::CheckCard() { return Analyse(ReadCardState()); }

bool TMemoryCard::Mend(const TCardFinding& finding, const CardState& state) {
    using Kind = TCardFinding::Kind;
    platform::IFileSystem& files = platform_.files;
    const auto descriptorOf = [&](int n) {
        const auto it = state.slots.find(n);
        const bool stored = it != state.slots.end() && !it->second.descriptor.empty();
        return platform::JoinPath(CardPath, stored ? it->second.descriptor : SlotName(n) + kDescriptorSuffix);
    };
    const auto folderOf = [&](int n) {
        const auto it = state.slots.find(n);
        const bool stored = it != state.slots.end() && !it->second.folder.empty();
        return platform::JoinPath(CardPath, stored ? it->second.folder : SlotName(n));
    };
    switch (finding.kind) {
        case Kind::InterruptedRemoval: {
            if (!finding.completes) break;
            std::vector<std::string> stayed;
            RemoveSlotFolder(finding.slot, stayed);
            const std::string descriptor = descriptorOf(finding.slot);
            return stayed.empty() && (files.RemoveFile(descriptor) || !files.Exists(descriptor));
        }
        case Kind::InterruptedMove: {
            // The folder goes to the new number if it is not there yet; then the old
            // descriptor goes, but only once the book is whole under its new number.
            const std::string from = folderOf(finding.slot);
            const std::string to = folderOf(finding.toSlot);
            if (!files.Exists(to)) files.MoveNoReplace(from, to);
            if (files.IsDirectory(to) && !files.Exists(from)) files.RemoveFile(descriptorOf(finding.slot));
            break;
        }
        case Kind::PartialWrite: files.RemoveTree(folderOf(finding.slot)); break;
        case Kind::Scratch:
            // The journal goes last, after everything it explains is mended.
            if (finding.name != state.journal) files.RemoveFile(platform::JoinPath(CardPath, finding.name));
            break;
        case Kind::MissingFiles:
        case Kind::Unreadable:
        case Kind::Gap: break;
    }
    return true;
}

TCardRepair TMemoryCard::RepairCard() {
    TCardRepair repair;
    const CardState state = ReadCardState();
    const std::vector<TCardFinding> found = Analyse(state);
    // The journal stays while the removal it names could not be finished, for the next check.
    bool journalDone = true;
    for (const TCardFinding& finding : found) {
        if (!Mend(finding, state) && finding.kind == TCardFinding::Kind::InterruptedRemoval) journalDone = false;
    }
    Scan();
    LastMoves.clear();
    CloseListedGaps({});
    repair.moves = LastMoves;
    if (!state.journal.empty() && journalDone) {
        platform_.files.RemoveFile(platform::JoinPath(CardPath, state.journal));
    }
    Scan();

    repair.leftAlone = CheckCard();
    for (const TCardFinding& finding : found) {
        const bool stays = std::any_of(repair.leftAlone.begin(), repair.leftAlone.end(), [&finding](const TCardFinding& left) {
            return left.kind == finding.kind && left.slot == finding.slot && left.toSlot == finding.toSlot &&
                   left.name == finding.name;
        });
        if (!stays) repair.mended.push_back(finding);
    }
    return repair;
}

// ---- the check in words ----

namespace {

// "3, 5-7, 9"
std::string NumberRanges(const std::vector<int>& numbers) {
    std::string text;
    for (std::size_t i = 0; i < numbers.size();) {
        std::size_t j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1) ++j;
        if (!text.empty()) text += ", ";
        text += std::to_string(numbers[i]);
        if (j > i) text += "-" + std::to_string(numbers[j]);
        i = j + 1;
    }
    return text;
}

std::string FindingText(const TCardFinding& f) {
    using Kind = TCardFinding::Kind;
    const std::string number = kNumberOpen + std::to_string(f.slot) + ")";
    switch (f.kind) {
        case Kind::InterruptedRemoval: return kRemovalBroken + f.name + number + (f.completes ? "" : kRemovalNotBegun);
        case Kind::InterruptedMove:
            return kMoveBroken + f.name + kFromNumber + std::to_string(f.slot) + kToNumber + std::to_string(f.toSlot);
        case Kind::PartialWrite: return kFolderWord + f.name + kPartialWrite;
        case Kind::MissingFiles: {
            return kBookLower + f.name + number + kMissingFiles + NamesText(f.files) + kMissingReason;
        }
        case Kind::Unreadable: return kFileWord + f.name + kUnreadable;
        case Kind::Scratch: return kScratch + f.name;
        case Kind::Gap: break;
    }
    return std::string();
}

// One line per finding, the gaps together in one line at the end; tail follows the lines
// of repairable findings.
std::string FindingLines(const std::vector<TCardFinding>& findings, const std::string& repairableTail) {
    std::string text;
    std::vector<int> gaps;
    for (const TCardFinding& f : findings) {
        if (f.kind == TCardFinding::Kind::Gap) {
            gaps.push_back(f.slot);
        } else {
            text += kItem + FindingText(f) + (f.repairable ? repairableTail : std::string()) + "\n";
        }
    }
    if (!gaps.empty()) text += kItem + kGaps + NumberRanges(gaps) + repairableTail + "\n";
    return text;
}

}  // namespace

std::string NamesText(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size() && i < kListedFiles; ++i) text += (i > 0 ? ", " : "") + names[i];
    if (names.size() > kListedFiles) text += kAndMore + std::to_string(names.size() - kListedFiles);
    return text;
}

std::string CardFindingsText(const std::vector<TCardFinding>& findings) {
    if (findings.empty()) return kNothingFound;
    return kFoundHead + "\n" + FindingLines(findings, std::string());
}

std::string CardRepairText(const TCardRepair& repair) {
    std::string text;
    if (!repair.mended.empty() || !repair.moves.empty()) {
        text += kMendedHead + "\n" + FindingLines(repair.mended, std::string());
        if (!repair.moves.empty()) text += kItem + kRenumbered + std::to_string(repair.moves.size()) + "\n";
    }
    if (repair.leftAlone.empty()) return text + kAllWell;
    return text + kLeftHead + "\n" + FindingLines(repair.leftAlone, kNotMended);
}
