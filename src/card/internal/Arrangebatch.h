#pragma once
// Books changing places as one batch with a constant number of flushes, whatever the distance
// or the number of books: the journal names every move with the moved book's new descriptor and
// is flushed; then every moved book is parked (its descriptor removed, its folder renamed to a
// name of the program's own) and that is flushed; the journal is marked as parked, replaced
// whole; then every parked folder takes its new number and its new descriptor is written, one
// flush; then the journal goes. A descriptor is only ever on the card beside its own folder's
// files. Whatever part of an unflushed stage a pulled card kept, the check finishes the batch
// from the journal: the books end in the new order, or, when the journal itself did not reach
// the card, stay in the old one. Inside the card module only.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "card/internal/Cardjournal.h"
#include "card/internal/Cardroot.h"
#include "card/internal/Cardstate.h"

namespace platform {
class IFileSystem;
}

namespace card {

class TArrangeBatch {
public:
    TArrangeBatch(platform::IFileSystem& files, const std::string& cardPath, const TCardRoot& root)
        : files_(files), cardPath_(cardPath), root_(root) {}

    // The folder a moved book waits in: "ZWQPARK" and its old number.
    static std::string ParkName(int from);

    // The moves that put the books (their numbers, in the new order) under the numbers they
    // take now, in number order; each moved descriptor read once. None when a moved book's
    // descriptor cannot be read or its folder is missing.
    std::optional<std::vector<TCardJournal::TMove>> Plan(const std::vector<int>& order) const;
    // Whether every descriptor the moves remove or write can change now; Held names the first
    // that cannot.
    bool CanChange(const std::vector<TCardJournal::TMove>& moves);
    // The first stage: every moved book parked. step (may be empty) hears of each.
    bool Park(const std::vector<TCardJournal::TMove>& moves, const std::function<void()>& step);
    // The second: every parked folder under its new number, its new descriptor beside it.
    bool Place(const std::vector<TCardJournal::TMove>& moves, const std::function<void()>& step);
    // Finishes a batch cut short (state: the card as the check read it, journalName: the
    // journal as stored) and flushes. Does not begin while a descriptor it must change cannot
    // change (Held). False when a step fails.
    bool Finish(const TCardJournal::TBatch& batch, const TCardState& state, const std::string& journalName);

    // Paths of the descriptors the moves write, with the card's root, for the flush at the end.
    std::vector<std::string> Written(const std::vector<TCardJournal::TMove>& moves) const;
    const std::string& Held() const { return held_; }

private:
    std::string Descriptor(int n) const;
    std::string Folder(int n) const;
    std::string NewDescriptor(int n) const;
    std::string Parked(int from) const;

    platform::IFileSystem& files_;
    const std::string& cardPath_;
    const TCardRoot& root_;
    std::string held_;
};

}  // namespace card
