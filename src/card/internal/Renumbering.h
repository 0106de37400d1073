#pragma once
// Books given new numbers as one journaled batch with a constant number of flushes, whatever
// the number of books: a removal closing its gap, books changing places, the check closing the
// gaps it found. Every descriptor the batch will remove or write is checked first (one another
// program holds or the system keeps unchangeable stops it before anything changes); the journal
// names the whole plan and is flushed; then the stages run, one progress step per book, what
// they wrote is flushed, the journal goes and its removal is flushed. The stages:
// - shift down: each book goes into a number set free below it (by the removal, which takes its
//   book away first, or by a gap): its new descriptor written, its folder renamed, its old
//   descriptor removed. Books only ever move down, onto numbers already empty: nothing parks.
// - park and place: books changing places among themselves are parked (descriptor removed,
//   folder renamed to a name of the program's own); that is flushed and the journal marked as
//   parked, replaced whole; then every parked folder takes its new number with its descriptor.
// A descriptor is only ever on the card beside its own folder's files. A card pulled at any call
// keeps any part of the unflushed changes: the check finishes the batch from the journal, the
// books in the new numbering, or in the old one when the journal did not reach the card (or,
// for a removal, when nothing of it did: the book stays). Inside the card module only.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "card/Cardprogress.h"
#include "card/internal/Cardjournal.h"
#include "card/internal/Cardroot.h"
#include "card/internal/Cardstate.h"

namespace platform {
class IFileSystem;
}

namespace card {

class TRenumbering {
public:
    using TMove = TCardJournal::TMove;
    using TBatch = TCardJournal::TBatch;

    TRenumbering(platform::IFileSystem& files, const std::string& cardPath, const TCardRoot& root)
        : files_(files), cardPath_(cardPath), root_(root) {}

    // The folder a moved book waits in while books change places: "ZWQPARK" and its old number.
    static std::string ParkName(int from);

    // Shift down: the books (their numbers) each into the lowest free number below it, in number
    // order, the number removed (0: none) counting as free. A book whose descriptor cannot be
    // read or whose folder is missing keeps its number, and the books above it stay above it.
    // Each moved descriptor is read once: the bytes checked are the bytes the journal keeps.
    TBatch ShiftDown(int removed, const std::vector<int>& books) const;
    // Park and place: the books (their numbers, in the new order) under the numbers they take
    // now. None when a moved book's descriptor cannot be read or its folder is missing.
    std::optional<TBatch> Arrange(const std::vector<int>& order) const;

    // What a run did.
    struct TDone {
        bool refused = false;   // nothing changed: a descriptor is held (Held), or the card took no journal
        bool finished = false;  // the whole batch is on the medium (its journal then goes)
        std::vector<TMove> made;  // the moves made, the first ones when a step failed
        // The descriptors written, by upper-cased name, for a listing that need not read them.
        std::map<std::string, std::string> written;
    };
    // Runs the batch. first (may be empty: a removal takes its book away there) runs once the
    // journal is on the medium; when it returns false no book moves and the journal goes.
    // progress (may be empty) hears of each book (Phase::Renumbering, by its title in titles,
    // keyed by old number) before each stage moves it. A batch whose step failed keeps its
    // journal for the check.
    TDone Run(const TBatch& batch, const std::map<int, std::string>& titles, const TProgressCallback& progress,
              const std::function<bool()>& first = {});

    // Whether nothing of a removal has reached the card: the book whole, every book to move
    // still whole under its old number, and nothing under the numbers they go to.
    bool NotBegun(const TBatch& batch, const TCardState& state) const;
    // Finishes a batch cut short from whatever part of it reached the card (state: the card as
    // the check read it, journalName: the journal as stored), and flushes. A descriptor already
    // whole under its new number is not written again. Does not begin while a descriptor it must
    // change cannot change (Held). False when a step fails.
    bool Finish(const TBatch& batch, const TCardState& state, const std::string& journalName);

    // The descriptor (or book folder) that stopped the last run or finish: held by another
    // program or unchangeable.
    const std::string& Held() const { return held_; }

private:
    bool CanChange(const TBatch& batch);
    // The stages; each returns how many moves it made.
    std::size_t Shift(const std::vector<TMove>& moves, const std::function<void(int)>& step);
    std::size_t Park(const std::vector<TMove>& moves, const std::function<void(int)>& step);
    std::size_t Place(const std::vector<TMove>& moves, const std::function<void(int)>& step);
    bool FinishShift(const TBatch& batch, const TCardState& state);
    bool FinishParking(const TBatch& batch, const TCardState& state, const std::string& journalName);
    // Renames a book's folder; Held names it when it stays.
    bool Rename(const std::string& folder, const std::string& to);
    // Removes a descriptor; true when it is gone.
    bool Unlink(const std::string& descriptor);
    // The new descriptors' paths with the card's root, for the flush at the end.
    std::vector<std::string> Written(const std::vector<TMove>& moves) const;

    std::string Descriptor(int n) const;  // as the listing stores it
    std::string Folder(int n) const;
    std::string NewDescriptor(int n) const;
    std::string NewFolder(int n) const;
    std::string Parked(int from) const;

    platform::IFileSystem& files_;
    const std::string& cardPath_;
    const TCardRoot& root_;
    std::string held_;
};

}  // namespace card
