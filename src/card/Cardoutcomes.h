#pragma once
// What a write or a removal did, returned as a value by the operation itself.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "book/Notmade.h"

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
        Garbled,                // subject: the file's name on the card, read back unlike its source
        Cancelled,
        NoRoom,                 // neededBytes of freeBytes
        NotMade,                // no book could be made of the source: notMade says why, subject of what
        AwaitsCheck,            // a removal or renumbering cut short waits for the card check
        NoCard,                 // the card's volume went from its folder (TMemoryCard::VolumeGone)
    };
    Code code = Code::None;
    std::string subject;
    std::string advice;
    int64_t neededBytes = 0;
    int64_t freeBytes = 0;
    TNotMade::Reason notMade = TNotMade::Reason::None;
    std::vector<TFileKind> leftOut;  // of a NotMade: see TNotMade

    static TCardError Of(Code code, std::string subject = std::string()) {
        TCardError error;
        error.code = code;
        error.subject = std::move(subject);
        return error;
    }
    bool failed() const { return code != Code::None; }
};

// What AddBook did. Converts to true when the book was written.
struct TWriteOutcome {
    bool written = false;
    // Stopped through its StopToken rather than failing: the card and the temporary folder are
    // then as they were before it (error.code is Cancelled).
    bool cancelled = false;
    TCardError error;
    // The book's DisplayName once it is known: the book written, or the one that failed or was
    // stopped after its descriptor was read or it was made.
    std::string title;
    operator bool() const { return written; }  // NOLINT: read as "was it written"

    static TWriteOutcome Failed(TCardError error, std::string title = std::string()) {
        TWriteOutcome outcome;
        outcome.cancelled = error.code == TCardError::Code::Cancelled;
        outcome.error = std::move(error);
        outcome.title = std::move(title);
        return outcome;
    }
};

// A book given another number: from the old one to the new one.
struct TBookMove {
    int from = 0;
    int to = 0;
    bool operator==(const TBookMove& other) const { return from == other.from && to == other.to; }
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
    // The card took no journal (write-protected or full): nothing was touched.
    bool cardRefused = false;
    // A descriptor another program holds or the system keeps unchangeable (path): the removal
    // did not begin when it is the book's own, else the renumbering stopped before that book,
    // every book whole under its number, the rest left for the check.
    std::string held;
};

// What DeleteBook did: the removal and the moves that closed its gap. Converts to true when the
// book is gone.
struct TRemoval {
    TRemovalReport report;
    std::vector<TBookMove> moves;
    operator bool() const { return report.removed; }  // NOLINT: read as "is it gone"
};

// What an arrangement did: the books moved to their new numbers. Converts to true when the
// books are in the new order (also when none had to move).
struct TArrangement {
    bool arranged = false;
    // Nothing was touched: a batch cut short waits for the check, the card took no journal, or
    // held names a descriptor another program holds or the system keeps unchangeable.
    bool awaitsCheck = false;
    bool cardRefused = false;
    std::string held;
    // Begun but stopped: every book whole, the journal left for the check to finish.
    bool waitsForCheck = false;
    std::vector<TBookMove> moves;
    operator bool() const { return arranged; }  // NOLINT: read as "is it done"
};
