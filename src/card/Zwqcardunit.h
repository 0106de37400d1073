#pragma once
// The memory card as the program sees it: a root folder holding, per book, a descriptor
// BOOK_nnn.ydr and a folder BOOK_nnn with the book's files. The model lists the books, hands
// out slot numbers, writes new books, corrects their names and removes books so that the
// numbers stay 1, 2, 3...
// Its faces: finding a book at a path (Bookfinding), writing it (Bookwriting), correcting its
// names (Bookcorrection), the catalogue and removal (Zwqcardunit), the check and repair (Cardrepair). The parts behind them
// live in internal/, for this module alone: the root's listing (Cardroot), an archive's
// unpacked copy (Extraction), a book's plan and its slot writer (Bookplan, Slotwriter), the
// journal of a renumbering (Cardjournal), the renumbering itself (Renumbering) and the moves
// an earlier version left cut short (Slotmove).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "book/Bookmetadata.h"
#include "book/Madebook.h"
#include "book/Ydrunit.h"
#include "card/Cardfindings.h"
#include "card/Foundbook.h"
#include "card/Cardoutcomes.h"
#include "card/Cardprogress.h"
#include "platform/Stoptoken.h"

namespace platform {
struct Platform;
}

namespace card {
struct TCardRoot;
struct TBookPlan;
class TExtraction;
}  // namespace card

class TMemoryCard {
public:
    // The highest slot number.
    static constexpr int kMaxSlot = kHighestBookNumber;
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
    // extraction folder of the last archive unpacked ("<>" while none is made).
    std::string LastTitle, CardPath, TempFolder;
    // Whether a write reads each file back from the card and compares it with its source before
    // the book becomes visible (on by default; the user may turn it off).
    bool VerifyWrites = true;

    // A path that is a mount point now is the card only while a volume stays mounted there.
    void SetCardPath(const std::string& path);
    // Whether the card path was a mount point when it was set and is no longer one: the card's
    // volume went, and the folder left is one of another volume, never to be written to.
    bool VolumeGone();
    // Rebuilds Books from the descriptors in the card's root, listing it once. Reports nothing,
    // but notes whether the card shows signs of trouble (NeedsCheck).
    void Scan();
    void Clear();
    // Bytes free on the card, or -1 when there is no card path, its volume went (VolumeGone) or
    // the system cannot tell.
    int64_t FreeSpace();
    // The smallest slot number whose descriptor and folder are both absent, or 0.
    int FindFreeSlot();
    static std::string SlotName(int n);
    std::string FreeSlotName();

    // Writes the book at path (FindBook, then WriteFoundBook) into the smallest free slot. On
    // failure the outcome's error says why and the card is left as it was. A book that does
    // not fit into the free space is refused before anything is written. progress (may be
    // empty) hears how the write goes, on the calling thread; stop, polled as the write goes,
    // ends it (the outcome is then cancelled).
    TWriteOutcome AddBook(const std::string& path, const TProgressCallback& progress = {},
                          const platform::StopToken& stop = platform::StopToken::Never());
    // Whether the path is a source the program makes a book of (card/Bookfinding.cpp): a
    // folder, a DAISY book's ncc.html or .opf, a RAR, ZIP or 7z archive (which may also hold a
    // ready book: it is then written as it comes).
    bool IsMadeBookSource(const std::string& path);
    // Finds the book at path: a descriptor, or a made book's source (an archive is unpacked
    // into an extraction folder that found owns). The error says why there is none;
    // Cancelled when stopped.
    TCardError FindBook(const std::string& path, TFoundBook& found, const TProgressCallback& progress = {},
                        const platform::StopToken& stop = platform::StopToken::Never());
    // Writes a book FindBook found, as the user may have corrected it. Its extraction folder
    // goes once the files are on the card, and in any case with the write.
    TWriteOutcome WriteFoundBook(TFoundBook& found, const TProgressCallback& progress = {},
                                 const platform::StopToken& stop = platform::StopToken::Never());
    // A new extraction folder, held while the object lives; TempFolder names it.
    std::unique_ptr<card::TExtraction> CreateTempFolder();
    // Deletes a folder with everything in it.
    void RemoveFolderTree(const std::string& folder);
    // Removes the extraction folders that earlier runs left in the temporary folder and that
    // no running instance holds.
    void RemoveStaleTempFolders();

    // Removes a book of Books and moves the books above it down, in number order, so that no
    // number is missing. Only the book's own folder BOOK_nnn is emptied (links are removed as
    // links); its descriptor goes last. A journal in the card's root names the removal while
    // it runs, so that a card pulled out meanwhile can be mended by RepairCard. The result
    // tells whether the book is gone, what stayed and what was left alone, and the moves.
    // Books is then the card's listing, made from the bytes just written. The progress
    // reports each book moved (Phase::Renumbering); renumbering is not cancellable.
    TRemoval DeleteBook(std::size_t index, const TProgressCallback& progress = {});
    // Gives a book of Books new names (UTF-8, as the new book dialog gives them) in its
    // descriptor (card/Bookcorrection.cpp): only the title, author and announcer lines change,
    // the rest stays byte for byte in its encoding, unless a name does not fit that encoding and
    // the descriptor becomes UTF-16. The descriptor is read once and replaced whole; Books[index]
    // is then made from the bytes written. Refused while a batch awaits the check (finishing it
    // would write the journal's older descriptor back), when title and author are both empty
    // (NoBookInfo), when another listed book has the new DisplayName (AlreadyOnCard), and when
    // the descriptor cannot be read (NoBookInfo with its path) or written (Save): the card and
    // Books are then as they were.
    TCardError CorrectBook(std::size_t index, const TBookNames& names);
    // Puts the listed books (their numbers, in the new order) under the numbers they take now,
    // in number order, as one journaled batch (card/Arranging.cpp); progress reports each book
    // (Phase::Renumbering). Refused, nothing touched, while a batch waits for the check, when
    // order is no order of the listed books, or when a descriptor to change is held.
    TArrangement ArrangeBooks(const std::vector<int>& order, const TProgressCallback& progress = {});
    // The book of Books at index put at place (from 1), the books between shifting by one.
    TArrangement MoveBookTo(std::size_t index, std::size_t place, const TProgressCallback& progress = {});

    // Moves the books of the catalogue down into the free numbers below them, in number order,
    // so that their order never changes: one journaled batch (card/internal/Renumbering.h).
    // Nothing moves while a descriptor to change is held.
    std::vector<TBookMove> CloseGaps(const TProgressCallback& progress = {});
    // Whether the last listing found the journal of a removal or renumbering cut short: until
    // the check has finished it, no book is removed or moved.
    bool BatchAwaitsCheck() const;
    // Gives the book in slot from the lowest free number, to, as a batch of one move. False,
    // and nothing moved, when to is not that number or the move cannot be made.
    bool MoveBook(int from, int to);

    // Whether the last Scan saw signs of trouble: a scratch file or the journal, a folder or a
    // descriptor without its partner, or a gap in the numbering.
    bool NeedsCheck() const { return needsCheck_; }
    // Examines the card: its root listed once, every descriptor read and the files it names.
    std::vector<TCardFinding> CheckCard();
    // Mends what CheckCard finds that is safe to mend: finishes or undoes interrupted removals
    // and moves, removes this program's scratch files and unfinished writes, then closes the
    // gaps in number order. Never removes a file this program did not make, except an
    // unfinished write's folder. progress hears the renumbering that closes the gaps. Books is
    // then the card's listing.
    TCardRepair RepairCard(const TProgressCallback& progress = {});

private:
    void ListRoot();
    // The slot a new book is written to: FreeSlotName(), or while a batch cut short waits for
    // the check, the first free number above every number its journal names, since finishing
    // the batch takes those (and removes whatever stands under the removed book's number).
    std::string NewBookSlotName();
    // Scan, taking the descriptors the program has just written (by upper-cased name) from
    // their bytes instead of reading them back.
    void ScanKnowing(const std::map<std::string, std::string>& written);
    void NoteTrouble();
    // CloseGaps on the listing of the last Scan; known as for ShiftDown.
    std::vector<TBookMove> CloseListedGaps(const TProgressCallback& progress, const std::map<std::string, std::string>& known);
    // The books (their numbers) moved down into the free numbers below them, in number order,
    // as one journaled batch; Books is then the card's listing, made from the bytes written and
    // known (the descriptors' bytes as the caller last read them, by upper-cased name).
    std::vector<TBookMove> ShiftDown(const std::vector<int>& numbers, const TProgressCallback& progress,
                                     std::map<std::string, std::string> known);

    // FindBook for a made book's source.
    TCardError FindMadeBook(const std::string& path, TFoundBook& found, const TProgressCallback& progress,
                            const platform::StopToken& stop);
    // Reads the descriptor and places its book; extraction (may be null) is the unpacked copy
    // its files lie in.
    TWriteOutcome AddBookFromDescriptor(const std::string& descriptorPath, std::unique_ptr<card::TExtraction> extraction,
                                        const TProgressCallback& progress, const platform::StopToken& stop);
    // The duplicate test, the slot, then the slot writer.
    TWriteOutcome PlaceBook(card::TBookPlan& plan, const TProgressCallback& progress, const platform::StopToken& stop);

    platform::Platform& platform_;
    std::unique_ptr<card::TCardRoot> root_;
    bool needsCheck_ = false;
    bool mountPoint_ = false;
};
