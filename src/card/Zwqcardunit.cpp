// The catalogue of the card and its slots, and the removal of a book with the renumbering that
// closes its gap.
#include "card/Zwqcardunit.h"

#include <algorithm>
#include <map>

#include "book/String_routines_unit.h"
#include "card/internal/Cardjournal.h"
#include "card/internal/Cardroot.h"
#include "card/internal/Renumbering.h"
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

int TMemoryCard::FindFreeSlot() {
    // The root is listed once per call, so every call sees the disk as it is.
    ListRoot();
    return root_->FreeSlot(1);
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
    const int n = root_->FreeSlot(card::TCardJournal::HighestSlot(journal) + 1);
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

    std::vector<int> numbers;
    std::map<int, std::string> titles;
    for (const auto& listed : Books) {
        if (listed.get() == &book) continue;
        numbers.push_back(listed->Number);
        titles[listed->Number] = listed->DisplayName;
    }
    card::TRenumbering renumbering(files, CardPath, *root_);
    card::TCardJournal::TBatch batch = renumbering.ShiftDown(slot, numbers);
    std::string bytes;
    files.ReadWholeFile(descriptor, bytes);
    batch.hash = card::TCardJournal::Hash(bytes);
    batch.name = book.DisplayName;
    const card::TRenumbering::TDone done = renumbering.Run(batch, titles, progress, [&] {
        card::RemoveSlotFolder(files, CardPath, *root_, slot, report.stayed);
        // The descriptor goes last: while anything of the book stays, the book stays listed.
        if (report.stayed.empty()) {
            report.removed = files.RemoveFile(descriptor) || !files.Exists(descriptor);
            if (!report.removed) report.stayed.push_back(descriptor);
        }
        return report.removed;
    });
    report.held = renumbering.Held();
    if (done.refused) {
        // Nothing has changed: a descriptor another program holds would outlive the files it
        // names, and a card that takes no journal takes no batch either.
        report.leftAlone.clear();
        report.cardRefused = report.held.empty();
        if (report.held == descriptor) report.stayed.push_back(descriptor);
        return removal;
    }
    // The moves made are told even when the batch stopped short, so that a caller can follow
    // the books it names.
    for (const auto& move : done.made) removal.moves.push_back({move.from, move.to});
    ScanKnowing(done.written);
    return removal;
}

std::vector<TBookMove> TMemoryCard::CloseGaps(const TProgressCallback& progress) {
    ListRoot();
    if (BatchAwaitsCheck()) return {};
    return CloseListedGaps(progress, {});
}

bool TMemoryCard::BatchAwaitsCheck() const { return root_->HasFile(card::TCardJournal::kName); }

std::vector<TBookMove> TMemoryCard::CloseListedGaps(const TProgressCallback& progress,
                                                    const std::map<std::string, std::string>& known) {
    std::vector<int> numbers;
    for (const auto& book : Books) numbers.push_back(book->Number);
    return ShiftDown(numbers, progress, known);
}

std::vector<TBookMove> TMemoryCard::ShiftDown(const std::vector<int>& numbers, const TProgressCallback& progress,
                                              std::map<std::string, std::string> known) {
    card::TRenumbering renumbering(platform_.files, CardPath, *root_);
    const card::TCardJournal::TBatch batch = renumbering.ShiftDown(0, numbers);
    if (batch.moves.empty()) return {};
    std::map<int, std::string> titles;
    for (const auto& book : Books) titles[book->Number] = book->DisplayName;
    const card::TRenumbering::TDone done = renumbering.Run(batch, titles, progress);
    std::vector<TBookMove> moves;
    for (const auto& move : done.made) moves.push_back({move.from, move.to});
    for (const auto& [name, bytes] : done.written) known[name] = bytes;
    ScanKnowing(known);
    return moves;
}

bool TMemoryCard::MoveBook(int from, int to) {
    if (!root_->listed) ListRoot();
    // Only into the lowest free number below it, as the gaps are closed.
    return root_->FreeSlot(1) == to && ShiftDown({from}, {}, {}) == std::vector<TBookMove>{{from, to}};
}
