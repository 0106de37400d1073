#pragma once
// The book paths of the command line: the books on the card they name are deleted, with one
// question for several, then the other paths are written as books. The batch runs the removal
// and write jobs it is given; the window shows the card and offers the check once it has ended.

#include <string>
#include <vector>

#include "app/Removaljob.h"
#include "app/Teller.h"
#include "app/Writejob.h"
#include "card/Zwqcardunit.h"

// The command line's book paths, sorted: a path below the card's folder names a book to delete.
struct TBookArguments {
    std::vector<std::string> deletions;
    std::vector<std::string> writes;
};
// Switches are left out; a bare file name is taken from the current folder.
TBookArguments SortBookArguments(const std::vector<std::string>& arguments, const std::string& cardPath,
                                 const std::string& currentDirectory);

class TCommandLineBatch {
public:
    // The removal job is one made for a batch (inBatch).
    TCommandLineBatch(TRemovalJob& removal, TWriteJob& writer, TTeller& teller, const TMemoryCard& card)
        : removal_(removal), writer_(writer), teller_(teller), card_(card) {}

    enum class Outcome { NothingNamed, Refused, Done };
    // Deletions first, then writes. Refused: the user answered the question about several
    // deletions with anything but Yes, and nothing was done.
    Outcome Run(const TBookArguments& books);

private:
    // A book a path named: its slot number, followed through the renumberings, and its name.
    struct TTarget {
        int slot = 0;
        std::string name;
    };
    // Each path names a book of the catalogue as it stands before the first deletion; a path
    // that names no book is left out.
    std::vector<TTarget> Targets(const std::vector<std::string>& paths) const;
    // The slot the target's book is in now: the followed slot when the book there still carries
    // the target's name, else the one slot whose book does (a renumbering cut short may not
    // have told all its moves); 0 when neither is sure.
    int Locate(const TTarget& target) const;
    // Deletes the books, following the later ones through each renumbering's moves. True when
    // every deletion went through.
    bool Delete(std::vector<TTarget> targets, bool ask);

    TRemovalJob& removal_;
    TWriteJob& writer_;
    TTeller& teller_;
    const TMemoryCard& card_;
};
