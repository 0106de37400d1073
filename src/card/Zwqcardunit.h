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

namespace platform {
struct Platform;
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
// Called from the thread doing the work, often enough to redraw a progress bar; returning false
// asks a write to stop, which then leaves the card as it was. Renumbering cannot be stopped.
using TProgressCallback = std::function<bool(const TCardProgress&)>;

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
    // The books of the last scan, in the order the file system listed their descriptors.
    std::vector<std::unique_ptr<TBookInfo>> Books;
    // DisplayName of the last book written; card root without trailing separator; the
    // extraction folder of the last RAR write ("<>" while none is made).
    std::string LastTitle, CardPath, TempFolder;
    // The moves (old number, new number) that the last DeleteBook made while closing the gap.
    std::vector<std::pair<int, int>> LastMoves;
    // Whether the last AddBook was stopped by its progress callback rather than failing: the
    // card and the temporary folder are then as they were before it, and ErrorText says so.
    bool Cancelled = false;

    void SetCardPath(const std::string& path);
    // Rebuilds Books from the descriptors in the card's root. Reports nothing.
    void Scan();
    void Clear();
    // Bytes free on the card, or -1 when there is no card path or the system cannot tell.
    int64_t FreeSpace();
    // The smallest slot number whose descriptor and folder are both absent, or 0.
    int FindFreeSlot();
    std::string SlotName(int n);
    std::string FreeSlotName();

    // Writes the book of a ".ydr" descriptor or a ".rar" archive into the smallest free slot.
    // On failure ErrorText says why and the card is left as it was. A book that does not fit
    // into the free space is refused before anything is written. progress (may be empty) hears
    // how the write goes, on the calling thread, and can stop it (see Cancelled).
    bool AddBook(const std::string& path, const TProgressCallback& progress = {});
    // Removes a book of Books and moves the books above it down so that no number is missing.
    void DeleteBook(std::size_t index);

    bool AddBookFromDescriptor(const std::string& descriptorPath, const TProgressCallback& progress = {});
    bool PlaceBook(TBookInfo& book, const TProgressCallback& progress = {});
    bool CreateTempFolder();
    void RemoveFolderTree(const std::string& folder);
    void CloseGaps();
    void MoveBook(int from, int to);

private:
    struct RootNames;
    struct PlannedFile;
    RootNames ListRoot();
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
};
