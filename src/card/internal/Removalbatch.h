#pragma once
// A removal and the renumbering that closes its gap as one batch with a constant number of
// flushes: the journal names the whole plan and is flushed; then the book's folder and
// descriptor go and every book above moves down (its new descriptor written, its folder
// renamed, its old descriptor removed) with no flush between; one flush at the end; then the
// journal goes, and its removal is flushed too. A card pulled at any moment keeps any part of
// the unflushed changes; the check finishes the batch from the journal (or, when the card is
// still as it was before it, lets it go and keeps the book). Inside the card module only.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "card/internal/Cardjournal.h"
#include "card/internal/Cardroot.h"
#include "card/internal/Cardstate.h"

namespace platform {
class IFileSystem;
}

namespace card {

class TRemovalBatch {
public:
    TRemovalBatch(platform::IFileSystem& files, const std::string& cardPath, const TCardRoot& root)
        : files_(files), cardPath_(cardPath), root_(root) {}

    // The moves that close the gap the book in slot removed leaves, in number order, for the
    // books listed by number: each into the lowest free slot below it. A book whose descriptor
    // cannot be read or whose folder is missing keeps its number.
    std::vector<TCardJournal::TMove> Plan(int removed, const std::vector<int>& books) const;
    // Makes the moves; step (may be empty) hears of each before it is made. Returns how many
    // were made: the first that fails is taken back whole (its new descriptor, and its folder
    // when the old descriptor cannot go, which held then names), so that every descriptor
    // names its own files, and the rest are not made (the journal then stays for the check).
    std::size_t Move(const std::vector<TCardJournal::TMove>& moves, const std::function<void(std::size_t)>& step,
                     std::string& held);

    // Whether nothing of the batch has reached the card: the book removed whole, every book to
    // move still whole under its old number, and nothing under the numbers they go to.
    bool NotBegun(const TCardJournal::TBatch& batch, const TCardState& state) const;
    // Finishes the batch from whatever part of it reached the card (state: the card as the
    // check read it), and flushes. A descriptor already whole under its new number is not
    // written again. A finish that could not complete does not begin: while a descriptor it
    // must remove or write cannot be changed (Held), nothing is touched. False when a step fails.
    bool Finish(const TCardJournal::TBatch& batch, const TCardState& state);

    // The descriptor that kept Finish from beginning: held by another program or unchangeable.
    const std::string& Held() const { return held_; }

    // Paths of the descriptors a batch writes, for the flush at its end, with the card's root.
    std::vector<std::string> Written(const std::vector<TCardJournal::TMove>& moves) const;

private:
    std::string Descriptor(int n) const;
    std::string Folder(int n) const;

    platform::IFileSystem& files_;
    const std::string& cardPath_;
    const TCardRoot& root_;
    std::string held_;
};

}  // namespace card
