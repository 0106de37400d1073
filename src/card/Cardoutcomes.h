#pragma once
// What a write or a removal did, returned as a value by the operation itself.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Why a write failed, for the window logic to word. subject names what the error concerns:
// the extension, the book's name, the folder, file or descriptor path.
struct TCardError {
    enum class Code {
        None,
        Undefined,              // failed before the cause was known
        UnsupportedFormat,      // subject: the file's extension
        Unpack,                 // advice: what the extractor can tell the user, may be empty
        NoDescriptorInArchive,
        NoBookInfo,
        AlreadyOnCard,          // subject: the book's DisplayName
        NoSlotName,
        Folder,                 // subject: the folder on the card
        Copy,                   // subject: the source file
        Save,                   // subject: the descriptor on the card
        Flush,
        Cancelled,
        NoRoom,                 // neededBytes of freeBytes
        NotMade,                // a book could not be made of the source: advice says why
    };
    Code code = Code::None;
    std::string subject;
    std::string advice;
    int64_t neededBytes = 0;
    int64_t freeBytes = 0;
};

// What AddBook did. Converts to true when the book was written.
struct TWriteOutcome {
    bool written = false;
    // Stopped through its StopToken rather than failing: the card and the temporary folder are
    // then as they were before it (error.code is Cancelled).
    bool cancelled = false;
    TCardError error;
    // DisplayName of the book written.
    std::string title;
    operator bool() const { return written; }  // NOLINT: read as "was it written"
};

// What a removal did with the book.
struct TRemovalReport {
    // Whether the book is gone from the card: its folder and then its descriptor removed.
    bool removed = false;
    // Nothing was touched: a removal or renumbering cut short waits on the card for the check,
    // and its plan must still fit the card then.
    bool awaitsCheck = false;
    // What stayed of the book's own folder, or its descriptor (paths); the book then stays
    // listed so that it can be removed again.
    std::vector<std::string> stayed;
    // Files the descriptor names outside the book's own folder (paths): another book's or
    // someone else's, never removed.
    std::vector<std::string> leftAlone;
};

// What DeleteBook did: the removal and the moves (old number, new number) that closed its gap.
// Converts to true when the book is gone.
struct TRemoval {
    TRemovalReport report;
    std::vector<std::pair<int, int>> moves;
    operator bool() const { return report.removed; }  // NOLINT: read as "is it gone"
};
