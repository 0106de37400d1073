// Writing a book to the card: checked whole before the first byte, copied file by file with
// progress, flushed, and made visible by its descriptor last.
#include <algorithm>
#include <set>

#include "book/String_routines_unit.h"
#include "card/Cardroot.h"
#include "card/Zwqcardunit.h"
#include "platform/Paths.h"
#include "platform/Platform.h"

namespace {

using Code = TCardError::Code;

const char* const kRarExtension = ".RAR";
const char* const kArchiveDescriptor = "BOOK_001.YDR";
// Room a FAT or exFAT folder gives its entries: 32 bytes each; "." and ".." (FAT) take two;
// a file takes two and one more per 13 characters of its long name (FAT's long-name pieces are
// 13 characters, exFAT's 15).
constexpr int64_t kFolderEntryBytes = 32;
constexpr int64_t kFolderOwnEntries = 2;
constexpr int64_t kEntriesPerFile = 2;
constexpr int64_t kLongNameCharsPerEntry = 13;

int64_t RoundUp(int64_t bytes, int64_t unit) { return (bytes + unit - 1) / unit * unit; }

TCardError Error(Code code, std::string subject = std::string()) {
    TCardError error;
    error.code = code;
    error.subject = std::move(subject);
    return error;
}

TWriteOutcome Failed(TCardError error) {
    TWriteOutcome outcome;
    outcome.error = std::move(error);
    return outcome;
}

TWriteOutcome Failed(Code code, std::string subject = std::string()) { return Failed(Error(code, std::move(subject))); }

TWriteOutcome Stopped() {
    TWriteOutcome outcome = Failed(Code::Cancelled);
    outcome.cancelled = true;
    return outcome;
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


TWriteOutcome TMemoryCard::Outcome(TWriteOutcome outcome) {
    Cancelled = outcome.cancelled;
    if (outcome.written) {
        LastTitle = outcome.title;
    } else {
        LastError = outcome.error;
    }
    return outcome;
}

TWriteOutcome TMemoryCard::AddBook(const std::string& path, const TProgressCallback& progress,
                                   const platform::StopToken& stop) {
    LastError = Error(Code::Undefined);
    Cancelled = false;
    if (IsMadeBookSource(path)) {
        TMadeBook book;
        const TCardError error = PrepareMadeBook(path, book, progress, stop);
        if (error.code == Code::None) return WriteMadeBook(book, progress, stop);
        TWriteOutcome failed;
        failed.cancelled = error.code == Code::Cancelled;
        failed.error = error;
        return Outcome(failed);
    }
    const std::string extension = platform::ExtensionOf(path);
    const std::string upper = AnsiUpperCase(extension);
    if (upper == card::kDescriptorExtension) return AddBookFromDescriptor(path, progress, stop);
    if (upper != kRarExtension) return Outcome(Failed(Code::UnsupportedFormat, extension));
    return Outcome(Unpacked(path, progress, stop));
}

TCardError TMemoryCard::UnpackIntoTemp(const std::string& path, const TProgressCallback& progress,
                                       const platform::StopToken& stop) {
    card::TProgressGate gate(progress, stop);
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
    if (gate.stopped()) return Error(Code::Cancelled);
    if (unpacked) return TCardError();
    // What the extractor can tell the user: a missing program, a refused entry.
    TCardError error = Error(Code::Unpack);
    error.advice = platform_.extractor.FailureAdvice();
    return error;
}

TWriteOutcome TMemoryCard::Unpacked(const std::string& path, const TProgressCallback& progress,
                                    const platform::StopToken& stop) {
    if (!CreateTempFolder()) return Failed(Code::Unpack);
    const FolderRemover removeTempFolder(*this, TempFolder);
    const TCardError notUnpacked = UnpackIntoTemp(path, progress, stop);
    if (notUnpacked.code == Code::Cancelled) return Stopped();
    if (notUnpacked.code != Code::None) return Failed(notUnpacked);
    std::vector<platform::DirEntry> entries;
    platform_.files.ListDirectory(TempFolder, entries);
    for (const platform::DirEntry& entry : entries) {
        if (!entry.isDirectory && AnsiUpperCase(entry.name) == kArchiveDescriptor) {
            extractionToDrop_ = TempFolder;
            const ClearOnExit forgetExtraction(extractionToDrop_);
            return AddBookFromDescriptor(platform::JoinPath(TempFolder, entry.name), progress, stop);
        }
    }
    return Failed(Code::NoDescriptorInArchive);
}

TWriteOutcome TMemoryCard::AddBookFromDescriptor(const std::string& descriptorPath, const TProgressCallback& progress,
                                                 const platform::StopToken& stop) {
    TBookInfo book;
    if (!ReadBookDescriptor(book, descriptorPath, platform_.files)) return Outcome(Failed(Code::NoBookInfo));
    return PlaceBook(book, progress, stop);
}

TCardError TMemoryCard::PlanFiles(const TBookInfo& book, std::vector<PlannedFile>& plan) {
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
        if (file.size < 0) return Error(Code::Copy, platform::JoinPath(sourceFolder, entry));
        plan.push_back(std::move(file));
    }
    return TCardError();
}

TCardError TMemoryCard::CheckFits(const std::vector<PlannedFile>& plan, int64_t descriptorBytes) {
    const int64_t freeBytes = platform_.files.FreeBytes(CardPath);
    if (freeBytes < 0) return TCardError();  // the system cannot tell: the copy finds out
    const int64_t reported = platform_.files.ClusterSize(CardPath);
    const int64_t cluster = reported > 0 ? reported : 1;
    int64_t folderBytes = kFolderOwnEntries * kFolderEntryBytes;
    int64_t needed = RoundUp(descriptorBytes, cluster);
    for (const PlannedFile& file : plan) {
        needed += RoundUp(file.size, cluster);
        const int64_t nameLength = static_cast<int64_t>(file.name.size());
        folderBytes += (kEntriesPerFile + RoundUp(nameLength, kLongNameCharsPerEntry) / kLongNameCharsPerEntry) *
                       kFolderEntryBytes;
    }
    needed += RoundUp(folderBytes, cluster);
    if (needed <= freeBytes) return TCardError();
    TCardError error = Error(Code::NoRoom);
    error.neededBytes = needed;
    error.freeBytes = freeBytes;
    return error;
}

TWriteOutcome TMemoryCard::PlaceBook(TBookInfo& book, const TProgressCallback& progress,
                                     const platform::StopToken& stop) {
    for (const auto& listed : Books) {
        if (listed->DisplayName == book.DisplayName) return Outcome(Failed(Code::AlreadyOnCard, book.DisplayName));
    }
    const std::string name = NewBookSlotName();
    if (name.empty()) return Outcome(Failed(Code::NoSlotName));

    // Everything is checked before the first byte is written: the files, and the room on the
    // card for them and for the descriptor that will name them.
    std::vector<PlannedFile> plan;
    TCardError refused = PlanFiles(book, plan);
    if (refused.code != Code::None) return Outcome(Failed(refused));
    // The card copy keeps the "#" lines and the empty lines; the entries are written anew.
    std::vector<std::string> lines;
    for (std::string& line : book.Lines) {
        if (line.empty() || line.front() == '#') lines.push_back(std::move(line));
    }
    for (const PlannedFile& file : plan) lines.push_back(name + card::kCardEntrySeparator + file.name);
    book.Lines = lines;
    refused = CheckFits(plan, static_cast<int64_t>(JoinLines(lines).size()));
    if (refused.code != Code::None) return Outcome(Failed(refused));

    const std::string sourceFolder = platform::FolderOf(book.Path);
    return Outcome(CopyIntoSlot(
        plan, name, JoinLines(book.Lines), book.DisplayName,
        [&sourceFolder](const PlannedFile& file) { return platform::JoinPath(sourceFolder, file.entry); },
        [this] {
            // The unpacked copy is no longer needed: gone before the flush, it is never written out.
            if (!extractionToDrop_.empty()) RemoveFolderTree(extractionToDrop_);
        },
        progress, stop));
}

TWriteOutcome TMemoryCard::CopyIntoSlot(const std::vector<PlannedFile>& plan, const std::string& slot,
                                        const std::string& descriptorBytes, const std::string& displayName,
                                        const std::function<std::string(const PlannedFile&)>& copySubject,
                                        const std::function<void()>& beforeFlush, const TProgressCallback& progress,
                                        const platform::StopToken& stop) {
    const std::string folder = platform::JoinPath(CardPath, slot);
    if (CardPath.empty() || !platform_.files.MakeDirectory(folder)) return Failed(Code::Folder, folder);

    // From here on a failure or a stop takes the new folder away again, so the card is left
    // as it was.
    card::TProgressGate gate(progress, stop);
    TCardProgress state;
    state.phase = TCardProgress::Phase::Copying;
    state.bookName = displayName;
    state.itemCount = static_cast<int>(plan.size());
    for (const PlannedFile& file : plan) state.bytesTotal += file.size;
    std::vector<std::string> targets;
    int64_t before = 0;
    for (const PlannedFile& file : plan) {
        ++state.itemIndex;
        state.currentName = file.name;
        state.bytesDone = before;
        targets.push_back(platform::JoinPath(folder, file.name));
        const auto copied = [&](int64_t done) {
            state.bytesDone = std::min(before + done, state.bytesTotal);
            gate.Report(state);
        };
        if (!gate.Report(state) || !platform_.files.CopyWithProgress(file.source, targets.back(), copied, stop)) {
            RemoveFolderTree(folder);
            if (gate.stopped()) return Stopped();
            return Failed(Code::Copy, copySubject(file));
        }
        before += file.size;
    }
    state.bytesDone = state.bytesTotal;
    gate.Report(state);
    if (beforeFlush) beforeFlush();

    // The descriptor makes the book visible to the player, so it is written only once every
    // file is on the medium. A stop is still heard before the flush and after it.
    state.phase = TCardProgress::Phase::Flushing;
    const bool flushed = gate.Report(state, true) && platform_.files.FlushFiles(targets) && gate.Report(state, true);
    if (!flushed) {
        RemoveFolderTree(folder);
        if (gate.stopped()) return Stopped();
        return Failed(Code::Flush);
    }

    const std::string descriptor = platform::JoinPath(CardPath, slot + card::kDescriptorSuffix);
    if (!platform_.files.WriteReplacing(descriptor, descriptorBytes)) {
        RemoveFolderTree(folder);
        return Failed(Code::Save, descriptor);
    }
    TWriteOutcome written;
    written.written = true;
    written.title = displayName;
    return written;
}
