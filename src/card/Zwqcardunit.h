#pragma once
// The memory card as the program sees it: a root folder holding, per book, a descriptor
// BOOK_nnn.ydr and a folder BOOK_nnn with the book's files. The model lists the books, hands
// out slot numbers, writes new books and removes books so that the numbers stay 1, 2, 3...

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "book/Ydrunit.h"
#include "platform/Stoptoken.h"

namespace platform {
struct Platform;
class IFileLock;
}

// Where a long card operation stands, for a progress display that a listener can hear.
struct TCardProgress {
    enum class Phase { Unpacking, Copying, Flushing, Renumbering };
    Phase phase = Phase::Copying;
    // Bytes of the book done and in all (writes); 0 of 0 while unknown.
    int64_t bytesDone = 0;
    int64_t bytesTotal = 0;
    // The file (writes) or book (renumbering) being worked on, counted from 1, of itemCount.
    int itemIndex = 0;
    int itemCount = 0;
    // Its name as the card or the source shows it (Windows-1251).
    std::string currentName;
    // The book's DisplayName once its descriptor has been read; empty while unpacking.
    std::string bookName;

    // How far the current phase has come, 0 to 100; 0 while its size is unknown.
    int Percent() const;
};
// Called from the thread doing the work, often enough to redraw a progress bar; it only reports.
// A write is stopped through its StopToken, which leaves the card as it was; renumbering cannot
// be stopped.
using TProgressCallback = std::function<void(const TCardProgress&)>;

// What the last removal did with the book.
struct TRemovalReport {
    // Whether the book is gone from the card: its folder and then its descriptor removed.
    bool removed = false;
    // What stayed of the book's own folder, or its descriptor (paths); the book then stays
    // listed so that it can be removed again.
    std::vector<std::string> stayed;
    // Files the descriptor names outside the book's own folder (paths): another book's or
    // someone else's, never removed.
    std::vector<std::string> leftAlone;
};

// Something the card check found. The scratch files and the journal are this program's own;
// a folder BOOK_nnn without its descriptor is a write that never finished.
struct TCardFinding {
    enum class Kind {
        InterruptedRemoval,  // the journal names a removal that was cut short
        InterruptedMove,     // a book caught between its old number and its new one
        PartialWrite,        // a folder BOOK_nnn whose descriptor was never written
        MissingFiles,        // a descriptor naming files that are not on the card
        Unreadable,          // a BOOK_nnn.ydr that the reader rejects
        Scratch,             // a scratch file of this program in the card's root
        Gap,                 // no book under a number below the highest one taken
    };
    Kind kind = Kind::Gap;
    // The slot concerned; for a move the number the book leaves.
    int slot = 0;
    // For a move, the number the book goes to.
    int toSlot = 0;
    // The book's DisplayName, or the name of the file or folder in the card's root.
    std::string name;
    // MissingFiles: the entries whose files are missing.
    std::vector<std::string> files;
    // Whether the repair mends it; the rest is only reported.
    bool repairable = false;
    // InterruptedRemoval: files were already removed, so the repair finishes the removal;
    // otherwise nothing had been removed yet and the book stays.
    bool completes = false;
};

// What RepairCard did.
struct TCardRepair {
    std::vector<TCardFinding> mended;
    // What a fresh check still finds afterwards.
    std::vector<TCardFinding> leftAlone;
    // The books moved down to close gaps (old number, new number).
    std::vector<std::pair<int, int>> moves;
};

class TMemoryCard {
public:
    // The highest slot number: the descriptor name rule has room for three digits only.
    static constexpr int kMaxSlot = 999;

    TMemoryCard();
    explicit TMemoryCard(platform::Platform& platform);
    ~TMemoryCard();
    TMemoryCard(const TMemoryCard&) = delete;
    TMemoryCard& operator=(const TMemoryCard&) = delete;

    // Text of the last failure of AddBook.
    std::string ErrorText;
    // The books of the last scan, by slot number (the player's order), whatever order the file
    // system listed their descriptors in.
    std::vector<std::unique_ptr<TBookInfo>> Books;
    // DisplayName of the last book written; card root without trailing separator; the
    // extraction folder of the last RAR write ("<>" while none is made).
    std::string LastTitle, CardPath, TempFolder;
    // The moves (old number, new number) that the last DeleteBook made while closing the gap.
    std::vector<std::pair<int, int>> LastMoves;
    // What the last DeleteBook did with the book's files.
    TRemovalReport LastRemoval;
    // Whether the last AddBook was stopped through its StopToken rather than failing: the
    // card and the temporary folder are then as they were before it, and ErrorText says so.
    bool Cancelled = false;

    void SetCardPath(const std::string& path);
    // Rebuilds Books from the descriptors in the card's root, listing it once. Reports nothing,
    // but notes whether the card shows signs of trouble (NeedsCheck).
    void Scan();
    void Clear();
    // Bytes free on the card, or -1 when there is no card path or the system cannot tell.
    int64_t FreeSpace();
    // The smallest slot number whose descriptor and folder are both absent, or 0.
    int FindFreeSlot();
    static std::string SlotName(int n);
    std::string FreeSlotName();

    // Writes the book of a ".ydr" descriptor or a ".rar" archive into the smallest free slot.
    // On failure ErrorText says why and the card is left as it was. A book that does not fit
    // into the free space is refused before anything is written. progress (may be empty) hears
    // how the write goes, on the calling thread; stop, polled as the write goes, ends it (see
    // Cancelled).
    bool AddBook(const std::string& path, const TProgressCallback& progress = {},
                 const platform::StopToken& stop = platform::StopToken::Never());
    // Removes a book of Books and moves the books above it down, in number order, so that no
    // number is missing. Only the book's own folder BOOK_nnn is emptied (links are removed as
    // links); its descriptor goes last. A journal in the card's root names the removal while
    // it runs, so that a card pulled out meanwhile can be mended by RepairCard. True when the
    // book is gone; LastRemoval tells what stayed and what was left alone. The progress
    // reports each book moved (Phase::Renumbering); renumbering is not cancellable.
    bool DeleteBook(std::size_t index, const TProgressCallback& progress = {});

    bool AddBookFromDescriptor(const std::string& descriptorPath, const TProgressCallback& progress = {},
                               const platform::StopToken& stop = platform::StopToken::Never());
    bool PlaceBook(TBookInfo& book, const TProgressCallback& progress = {},
                   const platform::StopToken& stop = platform::StopToken::Never());
    bool CreateTempFolder();
    // Deletes a folder with everything in it; for the extraction folder also gives up its lock.
    void RemoveFolderTree(const std::string& folder);
    // Moves the books of the catalogue down into the free numbers below them, in number order,
    // so that their order never changes.
    void CloseGaps(const TProgressCallback& progress = {});
    // Gives the book in slot from the number to: its new descriptor (the old one's bytes with
    // the slot name changed) is written first, then the folder is renamed, then the old
    // descriptor is removed. Between the steps the card holds both descriptors, which
    // CheckCard recognises as an interrupted move. A step that fails is undone; false then.
    bool MoveBook(int from, int to);

    // Whether the last Scan saw signs of trouble: a scratch file or the journal, a folder or a
    // descriptor without its partner, or a gap in the numbering.
    bool NeedsCheck() const { return needsCheck_; }
    // Examines the card: its root listed once, every descriptor read and the files it names.
    std::vector<TCardFinding> CheckCard();
    // Mends what CheckCard finds that is safe to mend: finishes or undoes interrupted removals
    // and moves, removes this program's scratch files and unfinished writes, then closes the
    // gaps in number order. Never removes a file this program did not make, except an
    // unfinished write's folder.
    TCardRepair RepairCard();

    // Removes the extraction folders that earlier runs left in the temporary folder and that
    // no running instance holds.
    void RemoveStaleTempFolders();

private:
    struct RootNames;
    struct SlotState;
    struct CardState;
    void ListRoot();
    bool SlotTaken(int n) const;
    int FreeSlotFrom(int first) const;
    void NoteTrouble();
    // CloseGaps on the listing of the last Scan, which the moves keep up to date.
    void CloseListedGaps(const TProgressCallback& progress);
    void RemoveSlotFolder(int slot, std::vector<std::string>& stayed);
    bool WriteJournal(int slot, const std::string& descriptorBytes);
    CardState ReadCardState();
    std::vector<TCardFinding> Analyse(const CardState& state);
    // False when a removal the journal names could not be finished.
    bool Mend(const TCardFinding& finding, const CardState& state);
    struct PlannedFile;
    // Checks every file of the book before anything is written and fills plan with them; false
    // with ErrorText set when a file cannot be copied.
    bool PlanFiles(const TBookInfo& book, std::vector<PlannedFile>& plan);
    // False with ErrorText set when the book would not fit into the card's free space.
    bool CheckFits(const std::vector<PlannedFile>& plan, const std::vector<std::string>& lines);
    bool MarkCancelled();

    // The extraction folder of the RAR write under way, removed as soon as the book's files
    // are on the card (before the card is flushed); empty otherwise.
    std::string extractionToDrop_;

    platform::Platform& platform_;
    std::unique_ptr<RootNames> names_;
    bool needsCheck_ = false;
    // Held while the extraction folder exists, so that no other instance takes it for a leftover.
    std::unique_ptr<platform::IFileLock> tempLock_;
};

// Names for a message: "a, b, c" and, past a few, how many more.
std::string NamesText(const std::vector<std::string>& names);
// The card check's findings in words, one line each, for a message box (Windows-1251).
std::string CardFindingsText(const std::vector<TCardFinding>& findings);
// What a repair mended and what it left alone, in words.
std::string CardRepairText(const TCardRepair& repair);
