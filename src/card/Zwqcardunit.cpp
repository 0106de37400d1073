// The catalogue of the card and its slots, and the removal of a book with the renumbering that
// closes its gap.
#include "card/Zwqcardunit.h"

#include <algorithm>
#include <map>

#include "book/String_routines_unit.h"
#include "card/internal/Cardjournal.h"
#include "card/internal/Cardroot.h"
#include "card/internal/Removalbatch.h"
#include "card/internal/Slotmove.h"
#include "platform/Paths.h"
#include "platform/Platform.h"

TMemoryCard::TMemoryCard() : TMemoryCard(platform::NativePlatform()) {}

TMemoryCard::TMemoryCard(platform::Platform& platform)
    : TempFolder(kNoTempFolder), platform_(platform), root_(std::make_unique<card::TCardRoot>()) {}

TMemoryCard::~TMemoryCard() { Clear(); }

void TMemoryCard::SetCardPath(const std::string& path) {
    CardPath = platform::StripTrailingSeparators(path);
    mountPoint_ = !CardPath.empty() && platform_.drives.IsMountPoint(CardPath);
}

bool TMemoryCard::VolumeGone() { return mountPoint_ && !platform_.drives.IsMountPoint(CardPath); }

void TMemoryCard::Clear() { Books.clear(); }

void TMemoryCard::Scan() { ScanKnowing({}); }

void TMemoryCard::ScanKnowing(const std::map<std::string, std::string>& written) {
    Clear();
    ListRoot();
    NoteTrouble();
    for (const auto& [upper, name] : root_->files) {
        if (!MatchesDescriptorPattern(name)) continue;
        auto book = std::make_unique<TBookInfo>();
        const std::string path = platform::JoinPath(CardPath, name);
        const auto known = written.find(upper);
        if (known != written.end() ? ParseBookDescriptor(*book, path, known->second, platform_.files)
                                   : ReadBookDescriptor(*book, path, platform_.files)) {
            Books.push_back(std::move(book));
        }
    }
    // The player's order, whatever order the file system lists the names in.
    std::sort(Books.begin(), Books.end(), [](const auto& a, const auto& b) {
        return a->Number != b->Number ? a->Number < b->Number : a->FileName < b->FileName;
    });
}

int64_t TMemoryCard::FreeSpace() {
    if (CardPath.empty() || VolumeGone()) return -1;
    return platform_.files.FreeBytes(CardPath);
}

void TMemoryCard::ListRoot() { *root_ = card::ListCardRoot(platform_.files, CardPath); }

int TMemoryCard::FreeSlotFrom(int first) const {
    for (int n = std::max(first, 1); n <= kMaxSlot; ++n) {
        if (!root_->SlotTaken(n)) return n;
    }
    return 0;
}

int TMemoryCard::FindFreeSlot() {
    // The root is listed once per call, so every call sees the disk as it is.
    ListRoot();
    return FreeSlotFrom(1);
}

void TMemoryCard::NoteTrouble() {
    const card::TCardRoot& names = *root_;
    bool trouble = names.HasFile(platform::kReplaceScratchName) || names.HasFile(card::TCardJournal::kName);
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

std::string TMemoryCard::SlotName(int n) { return ::SlotName(n); }

std::string TMemoryCard::NewBookSlotName() {
    ListRoot();
    std::string journal;
    if (BatchAwaitsCheck()) {
        platform_.files.ReadWholeFile(platform::JoinPath(CardPath, root_->File(card::TCardJournal::kName)), journal);
    }
    const int n = FreeSlotFrom(card::TCardJournal::HighestSlot(journal) + 1);
    return n == 0 ? std::string() : SlotName(n);
}

std::string TMemoryCard::FreeSlotName() {
    const int n = FindFreeSlot();
    return n == 0 ? std::string() : SlotName(n);
}

TRemoval TMemoryCard::DeleteBook(std::size_t index, const TProgressCallback& progress) {
    TRemoval removal;
    if (index >= Books.size()) return removal;
    if (BatchAwaitsCheck()) {
        removal.report.awaitsCheck = true;
        return removal;
    }
    platform::IFileSystem& files = platform_.files;
    const TBookInfo& book = *Books[index];
    const int slot = book.Number;
    const std::string slotName = SlotName(slot);
    const std::string descriptor = platform::JoinPath(CardPath, book.FileName);
    TRemovalReport& report = removal.report;

    // Files named outside the book's own folder belong to another book or to someone else.
    for (const std::string& entry : book.Files) {
        if (card::InSlotFolder(entry, slotName) || !platform::IsContainedEntry(entry)) continue;
        const std::string file = platform::JoinPath(CardPath, platform::EntryToPath(entry));
        if (files.Exists(file)) report.leftAlone.push_back(file);
    }

    // The whole plan is in the journal, on the medium, before anything changes.
    std::vector<int> numbers;
    std::vector<std::pair<int, std::string>> titles;
    for (const auto& listed : Books) {
        if (listed.get() == &book) continue;
        numbers.push_back(listed->Number);
        titles.emplace_back(listed->Number, listed->DisplayName);
    }
    // A descriptor another program holds would outlive the files it names: nothing begins.
    if (!files.CanReplace(descriptor)) {
        report.leftAlone.clear();
        report.stayed.push_back(descriptor);
        report.held = descriptor;
        return removal;
    }
    card::TRemovalBatch batch(files, CardPath, *root_);
    const std::vector<card::TCardJournal::TMove> moves = batch.Plan(slot, numbers);
    std::string bytes;
    files.ReadWholeFile(descriptor, bytes);
    card::TCardJournal journal(files, CardPath);
    const bool begun = journal.WriteBatch(slot, bytes, book.DisplayName, moves);
    const bool journaled = begun && files.FlushFiles({journal.Path(), CardPath});
    if (!journaled) {
        // A card that takes no journal (write-protected, full) takes no batch either: a removal
        // without its journal could not be finished after a pull. Nothing has changed.
        if (begun) journal.Remove();
        report.leftAlone.clear();
        report.cardRefused = true;
        return removal;
    }

    card::RemoveSlotFolder(files, CardPath, *root_, slot, report.stayed);
    // The descriptor goes last: while anything of the book stays, the book stays listed.
    if (report.stayed.empty()) {
        report.removed = files.RemoveFile(descriptor) || !files.Exists(descriptor);
        if (!report.removed) report.stayed.push_back(descriptor);
    }
    bool finished = true;
    std::map<std::string, std::string> written;  // the moved books' descriptors
    if (report.removed) {
        TCardProgress step;
        step.phase = TCardProgress::Phase::Renumbering;
        step.itemCount = static_cast<int>(moves.size());
        const std::size_t made = batch.Move(moves, [&](std::size_t i) {
            step.itemIndex = static_cast<int>(i) + 1;
            const auto title = std::find_if(titles.begin(), titles.end(),
                                            [&](const auto& t) { return t.first == moves[i].from; });
            step.currentName = title == titles.end() ? std::string() : title->second;
            if (progress) progress(step);
        }, report.held);
        // The moves made are told even when the batch stopped short, so that a caller can
        // follow the books it names.
        for (std::size_t i = 0; i < made; ++i) {
            removal.moves.push_back({moves[i].from, moves[i].to});
            written[AnsiUpperCase(SlotName(moves[i].to) + kDescriptorExtension)] = moves[i].bytes;
        }
        finished = made == moves.size();
    }
    // The journal goes only once what it explains is on the medium; a batch cut short keeps
    // it for the check.
    const bool flushed = files.FlushFiles(batch.Written(report.removed ? moves : decltype(moves){}));
    if (flushed && finished && journal.Remove()) files.FlushFiles({CardPath});

    ScanKnowing(written);
    return removal;
}

std::vector<TBookMove> TMemoryCard::CloseGaps(const TProgressCallback& progress) {
    ListRoot();
    if (BatchAwaitsCheck()) return {};
    return CloseListedGaps(progress);
}

bool TMemoryCard::BatchAwaitsCheck() const { return root_->HasFile(card::TCardJournal::kName); }

std::vector<TBookMove> TMemoryCard::CloseListedGaps(const TProgressCallback& progress) {
    std::vector<TBookMove> moves;
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
        const bool moved = MoveBook(number, free);
        if (moved) moves.push_back({number, free});
        free = FreeSlotFrom(moved ? free + 1 : number + 1);
    }
    return moves;
}

bool TMemoryCard::MoveBook(int from, int to) {
    if (!root_->listed) ListRoot();
    return card::TSlotMove(platform_.files, CardPath).Make(from, to, *root_);
}
