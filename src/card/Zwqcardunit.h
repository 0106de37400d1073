#pragma once
// The memory card as the program sees it: a root folder holding, per book, a descriptor
// BOOK_nnn.ydr and a folder BOOK_nnn with the book's files. The model lists the books, hands
// out slot numbers, writes new books and removes books so that the numbers stay 1, 2, 3...
// Its parts live in files of their own: the listing of the root (Cardroot), progress
// (Cardprogress), writing (Bookwriting), the extraction folders (Tempfolders), the journal
// of a removal (Cardjournal), the slot move (Slotmove) and the check and repair (Cardcheck).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "book/Madebook.h"
#include "book/Ydrunit.h"
#include "card/Cardfindings.h"
#include "card/Cardoutcomes.h"
#include "card/Cardprogress.h"
#include "platform/Stoptoken.h"

namespace platform {
struct Platform;
class IFileLock;
}

namespace card {
struct TCardRoot;
}

class TMemoryCard {
public:
    // The highest slot number: the descriptor name rule has room for three digits only.
    static constexpr int kMaxSlot = 999;
    // TempFolder while no extraction folder is made.
    static constexpr const char* kNoTempFolder = "<>";

    TMemoryCard();
    explicit TMemoryCard(platform::Platform& platform);
    ~TMemoryCard();
    TMemoryCard(const TMemoryCard&) = delete;
    TMemoryCard& operator=(const TMemoryCard&) = delete;

    // The books of the last scan, by slot number (the player's order), whatever order the file
    // system listed their descriptors in.
    std::vector<std::unique_ptr<TBookInfo>> Books;
    // DisplayName of the last book written; card root without trailing separator; the
    // extraction folder of the last RAR write ("<>" while none is made).
    std::string LastTitle, CardPath, TempFolder;
    // Mirrors of what the last operation returned, for callers that still read them: the
    // error of the last AddBook, whether it was stopped, the moves and the report of the last
    // DeleteBook.
    TCardError LastError;
    bool Cancelled = false;
    std::vector<std::pair<int, int>> LastMoves;
    TRemovalReport LastRemoval;

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
    // On failure the outcome's error says why and the card is left as it was. A book that does
    // not fit into the free space is refused before anything is written. progress (may be
    // empty) hears how the write goes, on the calling thread; stop, polled as the write goes,
    // ends it (the outcome is then cancelled).
    TWriteOutcome AddBook(const std::string& path, const TProgressCallback& progress = {},
                          const platform::StopToken& stop = platform::StopToken::Never());
    // Removes a book of Books and moves the books above it down, in number order, so that no
    // number is missing. Only the book's own folder BOOK_nnn is emptied (links are removed as
    // links); its descriptor goes last. A journal in the card's root names the removal while
    // it runs, so that a card pulled out meanwhile can be mended by RepairCard. The result
    // tells whether the book is gone, what stayed and what was left alone, and the moves. The
    // progress reports each book moved (Phase::Renumbering); renumbering is not cancellable.
    TRemoval DeleteBook(std::size_t index, const TProgressCallback& progress = {});

    // Books the program makes itself (card/Madebookwrite.cpp): a folder of MP3 files, a DAISY
    // book (its folder, ncc.html or .opf), a ZIP or 7z archive holding either or a descriptor
    // book. AddBook writes them at once; a front end that lets the user edit the book first
    // calls PrepareMadeBook, then WriteMadeBook or DropMadeBook.
    bool IsMadeBookSource(const std::string& path);
    // Finds the book (unpacking an archive into the extraction folder, kept until the book is
    // written or dropped). The error says why it cannot be made; Cancelled when stopped.
    TCardError PrepareMadeBook(const std::string& path, TMadeBook& book, const TProgressCallback& progress = {},
                               const platform::StopToken& stop = platform::StopToken::Never());
    TWriteOutcome WriteMadeBook(const TMadeBook& book, const TProgressCallback& progress = {},
                                const platform::StopToken& stop = platform::StopToken::Never());
    // Removes what PrepareMadeBook unpacked, when the book is not written after all.
    void DropMadeBook();

    TWriteOutcome AddBookFromDescriptor(const std::string& descriptorPath, const TProgressCallback& progress = {},
                                        const platform::StopToken& stop = platform::StopToken::Never());
    TWriteOutcome PlaceBook(TBookInfo& book, const TProgressCallback& progress = {},
                            const platform::StopToken& stop = platform::StopToken::Never());
    bool CreateTempFolder();
    // Deletes a folder with everything in it; for the extraction folder also gives up its lock.
    void RemoveFolderTree(const std::string& folder);
    // Moves the books of the catalogue down into the free numbers below them, in number order,
    // so that their order never changes. Returns the moves (old number, new number).
    std::vector<std::pair<int, int>> CloseGaps(const TProgressCallback& progress = {});
    // Whether the last listing found the journal of a removal or renumbering cut short: until
    // the check has finished it, no book is removed or moved.
    bool BatchAwaitsCheck() const;
    // Gives the book in slot from the number to (see card/Slotmove.h). A step that fails is
    // undone; false then.
    bool MoveBook(int from, int to);

    // Whether the last Scan saw signs of trouble: a scratch file or the journal, a folder or a
    // descriptor without its partner, or a gap in the numbering.
    bool NeedsCheck() const { return needsCheck_; }
    // Examines the card: its root listed once, every descriptor read and the files it names.
    std::vector<TCardFinding> CheckCard();
    // Mends what CheckCard finds that is safe to mend: finishes or undoes interrupted removals
    // and moves, removes this program's scratch files and unfinished writes, then closes the
    // gaps in number order. Never removes a file this program did not make, except an
    // unfinished write's folder. progress hears the renumbering that closes the gaps.
    TCardRepair RepairCard(const TProgressCallback& progress = {});

    // Removes the extraction folders that earlier runs left in the temporary folder and that
    // no running instance holds.
    void RemoveStaleTempFolders();

private:
    // One file of a book on its way to the card.
    struct PlannedFile {
        std::string entry;   // as the source names it
        std::string source;  // full path
        std::string name;    // its name in the book's folder on the card
        int64_t size = 0;
    };
    void ListRoot();
    // The slot a new book is written to: FreeSlotName(), or while a batch cut short waits for
    // the check, the first free number above every number its journal names, since finishing
    // the batch takes those (and removes whatever stands under the removed book's number).
    std::string NewBookSlotName();
    // Scan, taking the descriptors the program has just written (by upper-cased name) from
    // their bytes instead of reading them back.
    void ScanKnowing(const std::map<std::string, std::string>& written);
    int FreeSlotFrom(int first) const;
    void NoteTrouble();
    // CloseGaps on the listing of the last Scan, which the moves keep up to date.
    std::vector<std::pair<int, int>> CloseListedGaps(const TProgressCallback& progress);
    TWriteOutcome Unpacked(const std::string& path, const TProgressCallback& progress, const platform::StopToken& stop);
    // Unpacks the archive into TempFolder (already made), reporting the unpacking. The error
    // when it was stopped (Cancelled) or failed (Unpack, with the extractor's advice).
    TCardError UnpackIntoTemp(const std::string& path, const TProgressCallback& progress, const platform::StopToken& stop);
    // Checks every file of the book before anything is written and fills plan with them; the
    // error when a file cannot be copied.
    TCardError PlanFiles(const TBookInfo& book, std::vector<PlannedFile>& plan);
    // The error when the book's files and a descriptor of descriptorBytes would not fit into
    // the card's free space.
    TCardError CheckFits(const std::vector<PlannedFile>& plan, int64_t descriptorBytes);
    TWriteOutcome CopyMadeBook(const TMadeBook& book, const std::string& slot, const TProgressCallback& progress,
                               const platform::StopToken& stop);
    // Makes the slot's folder, copies the planned files into it, flushes them and then writes
    // the descriptor, which makes the book visible to the player. beforeFlush (may be empty)
    // runs once every file is copied. On a failure or a stop the folder goes again and the
    // card is as it was; copySubject names the file that could not be copied.
    TWriteOutcome CopyIntoSlot(const std::vector<PlannedFile>& plan, const std::string& slot,
                                 const std::string& descriptorBytes, const std::string& displayName,
                                 const std::function<std::string(const PlannedFile&)>& copySubject,
                                 const std::function<void()>& beforeFlush, const TProgressCallback& progress,
                                 const platform::StopToken& stop);
    // The folder's BOOK_001.ydr (any letter case), or empty.
    std::string DescriptorIn(const std::string& folder);

    // The extraction folder of an archive PrepareMadeBook unpacked; empty when none is kept.
    std::string madeExtraction_;
    // The outcome mirrored into LastError, Cancelled and LastTitle.
    TWriteOutcome Outcome(TWriteOutcome outcome);

    // The extraction folder of the RAR write under way, removed as soon as the book's files
    // are on the card (before the card is flushed); empty otherwise.
    std::string extractionToDrop_;

    platform::Platform& platform_;
    std::unique_ptr<card::TCardRoot> root_;
    bool needsCheck_ = false;
    // Held while the extraction folder exists, so that no other instance takes it for a leftover.
    std::unique_ptr<platform::IFileLock> tempLock_;
};
