// Writing a book the program makes itself: the files copied to the card under names by their
// place (001.mp3, ...), then the descriptor made for them.
#include <algorithm>

#include "book/Daisybook.h"
#include "book/String_routines_unit.h"
#include "card/Zwqcardunit.h"
#include "platform/Codepage.h"
#include "platform/Audiotags.h"
#include "platform/Paths.h"
#include "platform/Xml.h"
#include "platform/Platform.h"

namespace {

using platform::Ansi;

const std::string kUndefinedError = Ansi("<неопределенная ошибка>");
const std::string kUnpackError = Ansi("Ошибка во время разархивирования");
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
const char* const kArchiveExtensions[] = {".ZIP", ".7Z"};
const char* const kArchiveDescriptor = "BOOK_001.YDR";
const char* const kDescriptorSuffix = ".ydr";

constexpr int64_t kBytesPerMegabyte = 1048576;
constexpr int64_t kUnpackReports = 400;
// Room a FAT folder gives its entries: 32 bytes each, "." and ".." two, a short name like
// 001.mp3 one and its long-name piece one.
constexpr int64_t kFolderEntryBytes = 32;
constexpr int64_t kEntriesPerFile = 2;
constexpr int64_t kFolderOwnEntries = 2;

int64_t RoundUp(int64_t bytes, int64_t unit) { return (bytes + unit - 1) / unit * unit; }

bool IsBookArchive(const std::string& path) {
    const std::string extension = platform::UpperCase1251(platform::ExtensionOf(path));
    return std::any_of(std::begin(kArchiveExtensions), std::end(kArchiveExtensions),
                       [&](const char* known) { return extension == known; });
}

std::string NoRoomText(int64_t needed, int64_t freeBytes) {
    return kNoRoomHead + std::to_string(RoundUp(needed, kBytesPerMegabyte) / kBytesPerMegabyte) + kNoRoomFree +
           std::to_string(freeBytes / kBytesPerMegabyte) + kNoRoomTail;
}

// The name the user knows the book by: the archive's or the folder's, without extension.
std::string BookName(const std::string& path, bool folder) {
    const std::string name = platform::FileNameOf(platform::StripTrailingSeparators(path));
    if (folder) return name;
    const std::string extension = platform::ExtensionOf(name);
    return name.substr(0, name.size() - extension.size());
}

}  // namespace

std::string TMemoryCard::DescriptorIn(const std::string& folder) {
    std::vector<platform::DirEntry> entries;
    platform_.files.ListDirectory(folder, entries);
    for (const platform::DirEntry& entry : entries) {
        if (!entry.isDirectory && AnsiUpperCase(entry.name) == kArchiveDescriptor) {
            return platform::JoinPath(folder, entry.name);
        }
    }
    return std::string();
}

bool TMemoryCard::IsMadeBookSource(const std::string& path) {
    return IsBookArchive(path) || IsDaisyFileName(platform::FileNameOf(path)) ||
           (!path.empty() && platform_.files.IsDirectory(path));
}

void TMemoryCard::DropMadeBook() {
    if (!madeExtraction_.empty()) RemoveFolderTree(madeExtraction_);
    madeExtraction_.clear();
}

bool TMemoryCard::PrepareMadeBook(const std::string& path, TMadeBook& book, const TProgressCallback& progress) {
    ErrorText = kUndefinedError;
    Cancelled = false;
    DropMadeBook();
    book = TMadeBook();
    const TBookServices services{platform_.files, platform::NativeAudioTagReader(), platform::NativeXmlReader()};
    if (!IsBookArchive(path)) {
        const bool folder = platform_.files.IsDirectory(path);
        // A folder that holds a descriptor book is written as that book.
        const std::string descriptor = folder ? DescriptorIn(platform::StripTrailingSeparators(path)) : std::string();
        if (!descriptor.empty()) {
            book.DescriptorPath = descriptor;
            return true;
        }
        // An ncc.html or .opf is known by the name of the folder that holds it.
        const std::string name = BookName(folder ? path : platform::FolderOf(path), true);
        if (!MakeBook(folder ? platform::StripTrailingSeparators(path) : path, name, services, book, ErrorText)) {
            return false;
        }
        return true;
    }

    // What the archive unpacks to must fit on the card, as far as its listing tells.
    const int64_t listed = platform_.extractor.ListedSize(path);
    const int64_t freeBytes = platform_.files.FreeBytes(CardPath);
    if (listed >= 0 && freeBytes >= 0 && listed > freeBytes) {
        ErrorText = NoRoomText(listed, freeBytes);
        return false;
    }
    if (!CreateTempFolder()) {
        ErrorText = kUnpackError;
        return false;
    }
    madeExtraction_ = TempFolder;
    TCardProgress unpacking;
    unpacking.phase = TCardProgress::Phase::Unpacking;
    unpacking.currentName = platform::FileNameOf(path);
    bool stopped = false;
    const bool unpacked = platform_.extractor.Extract(path, TempFolder, [&](int64_t done, int64_t total) {
        // Every few tenths of a per cent is enough for a progress bar.
        if (total > 0 && done < total && done - unpacking.bytesDone < total / kUnpackReports) return !stopped;
        unpacking.bytesDone = done;
        unpacking.bytesTotal = total;
        stopped = progress && !progress(unpacking);
        return !stopped;
    });
    if (stopped || !unpacked) {
        DropMadeBook();
        if (stopped) return MarkCancelled();
        const std::string advice = platform_.extractor.FailureAdvice();
        ErrorText = advice.empty() ? kUnpackError : kUnpackError + "\n" + advice;
        return false;
    }
    book.DescriptorPath = DescriptorIn(TempFolder);
    if (!book.DescriptorPath.empty()) return true;
    std::string error;
    if (!MakeBook(TempFolder, BookName(path, false), services, book, error)) {
        DropMadeBook();
        // The box names the archive the user chose, not the folder it was unpacked to.
        ErrorText = ReplaceAll(error, TempFolder, path);
        return false;
    }
    return true;
}

bool TMemoryCard::MadeBookFits(const TMadeBook& book, int64_t descriptorBytes) {
    const int64_t freeBytes = platform_.files.FreeBytes(CardPath);
    if (freeBytes < 0) return true;  // the system cannot tell: the copy finds out
    const int64_t reported = platform_.files.ClusterSize(CardPath);
    const int64_t cluster = reported > 0 ? reported : 1;
    int64_t needed = RoundUp(descriptorBytes, cluster);
    for (const TMadeFile& file : book.Files) needed += RoundUp(file.size, cluster);
    needed += RoundUp((kFolderOwnEntries + kEntriesPerFile * static_cast<int64_t>(book.Files.size())) * kFolderEntryBytes,
                      cluster);
    if (needed <= freeBytes) return true;
    ErrorText = NoRoomText(needed, freeBytes);
    return false;
}

bool TMemoryCard::WriteMadeBook(const TMadeBook& book, const TProgressCallback& progress) {
    ErrorText = kUndefinedError;
    Cancelled = false;
    if (!book.DescriptorPath.empty()) {
        // A descriptor book out of an archive or a folder goes the way of every descriptor book.
        extractionToDrop_ = madeExtraction_;
        const bool ok = AddBookFromDescriptor(book.DescriptorPath, progress);
        extractionToDrop_.clear();
        DropMadeBook();
        return ok;
    }
    const bool ok = CopyMadeBook(book, FreeSlotName(), progress);
    DropMadeBook();
    return ok;
}

bool TMemoryCard::CopyMadeBook(const TMadeBook& book, const std::string& name, const TProgressCallback& progress) {
    const std::string displayName = MadeDisplayName(book);
    if (displayName.empty() || book.Files.empty()) {
        ErrorText = kNoBookInfo;
        return false;
    }
    for (const auto& listed : Books) {
        if (listed->DisplayName == displayName) {
            ErrorText = kBookWord + displayName + kAlreadyOnCard;
            return false;
        }
    }
    if (name.empty()) {
        ErrorText = kNoSlotName;
        return false;
    }
    const std::string descriptorBytes = MadeDescriptorBytes(book, name);
    if (!MadeBookFits(book, static_cast<int64_t>(descriptorBytes.size()))) return false;

    const std::string folder = platform::JoinPath(CardPath, name);
    if (CardPath.empty() || !platform_.files.MakeDirectory(folder)) {
        ErrorText = kFolderError + folder + kOnCard;
        return false;
    }
    // From here on a failure or a stop takes the new folder away again: the card stays as it was.
    TCardProgress state;
    state.phase = TCardProgress::Phase::Copying;
    state.bookName = displayName;
    state.itemCount = static_cast<int>(book.Files.size());
    state.bytesTotal = book.TotalSize();
    bool stopped = false;
    const auto report = [&]() {
        stopped = stopped || (progress && !progress(state));
        return !stopped;
    };
    std::vector<std::string> targets;
    int64_t before = 0;
    for (std::size_t i = 0; i < book.Files.size(); ++i) {
        const TMadeFile& file = book.Files[i];
        ++state.itemIndex;
        state.currentName = CardFileName(i, book.Files.size(), file.relative);
        state.bytesDone = before;
        targets.push_back(platform::JoinPath(folder, state.currentName));
        const bool copied = report() && platform_.files.CopyWithProgress(file.path, targets.back(), [&](int64_t done) {
            state.bytesDone = std::min(before + done, state.bytesTotal);
            return report();
        });
        if (!copied) {
            RemoveFolderTree(folder);
            if (stopped) return MarkCancelled();
            ErrorText = kCopyError + file.path;
            return false;
        }
        before += file.size;
    }
    // The unpacked copy is no longer needed: gone before the flush, it is never written out.
    DropMadeBook();
    // The descriptor makes the book visible to the player: written only once every file is on
    // the medium.
    state.bytesDone = state.bytesTotal;
    state.phase = TCardProgress::Phase::Flushing;
    if (!report() || !platform_.files.FlushFiles(targets) || !report()) {
        RemoveFolderTree(folder);
        if (stopped) return MarkCancelled();
        ErrorText = kFlushError;
        return false;
    }
    const std::string descriptor = platform::JoinPath(CardPath, name + kDescriptorSuffix);
    if (!platform_.files.WriteReplacing(descriptor, descriptorBytes)) {
        RemoveFolderTree(folder);
        ErrorText = kSaveError + descriptor;
        return false;
    }
    LastTitle = displayName;
    return true;
}
