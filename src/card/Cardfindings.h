#pragma once
// What the card check finds and what a repair did, as values for the window logic to word.

#include <string>
#include <vector>

#include "card/Cardoutcomes.h"

// Something the card check found. The scratch files and the journal are this program's own;
// a folder BOOK_nnn without its descriptor is a write that never finished.
struct TCardFinding {
    enum class Kind {
        InterruptedRemoval,  // the journal names a removal that was cut short
        InterruptedArrangement,  // the journal names books changing places, cut short
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
    // Whether it is the batch the journal names: the journal stays until it is finished.
    bool JournalNames() const { return kind == Kind::InterruptedRemoval || kind == Kind::InterruptedArrangement; }
    // Whether the repair mends it; the rest is only reported.
    bool repairable = false;
    // InterruptedRemoval: files were already removed, so the repair finishes the removal;
    // otherwise nothing had been removed yet and the book stays.
    bool completes = false;
    // Left alone by a repair: the descriptor (path) that another program holds or the system
    // keeps unchangeable, which kept the removal from being finished.
    std::string held;
};

// What RepairCard did.
struct TCardRepair {
    std::vector<TCardFinding> mended;
    // What a fresh check still finds afterwards.
    std::vector<TCardFinding> leftAlone;
    // The books moved down to close gaps.
    std::vector<TBookMove> moves;
};
