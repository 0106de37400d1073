#include "card/internal/Renumbering.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <set>

#include "book/String_routines_unit.h"
#include "book/Ydrunit.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace card {
namespace {

[[maybe_unused]] bool SortedBySource(const std::vector<TCardJournal::TMove>& moves) {
    return std::is_sorted(moves.begin(), moves.end(), [](const auto& a, const auto& b) { return a.from < b.from; });
}

[[maybe_unused]] bool AllDown(const std::vector<TCardJournal::TMove>& moves) {
    return std::all_of(moves.begin(), moves.end(), [](const auto& move) { return move.to < move.from; });
}

}  // namespace

std::string TRenumbering::ParkName(int from) {
    constexpr std::size_t kBufferSize = 32;
    char buffer[kBufferSize] = {};
    std::snprintf(buffer, sizeof buffer, "ZWQPARK%03d", from);
    return buffer;
}

std::string TRenumbering::Descriptor(int n) const {
    return platform::JoinPath(cardPath_, root_.File(SlotName(n) + kDescriptorExtension));
}

std::string TRenumbering::Folder(int n) const { return platform::JoinPath(cardPath_, root_.Folder(SlotName(n))); }

std::string TRenumbering::NewDescriptor(int n) const {
    return platform::JoinPath(cardPath_, SlotName(n) + kDescriptorExtension);
}

std::string TRenumbering::NewFolder(int n) const { return platform::JoinPath(cardPath_, SlotName(n)); }

std::string TRenumbering::Parked(int from) const { return platform::JoinPath(cardPath_, ParkName(from)); }

TCardJournal::TBatch TRenumbering::ShiftDown(int removed, const std::vector<int>& books) const {
    TBatch batch;
    batch.removed = removed;
    batch.shift = removed == 0;
    // The numbers the moves planned so far have emptied (true) or taken (false).
    std::map<int, bool> changed;
    if (removed > 0) changed[removed] = true;
    std::vector<int> numbers = books;
    std::sort(numbers.begin(), numbers.end());
    int free = root_.FreeSlot(1, changed);
    for (const int number : numbers) {
        if (free == 0) break;
        if (number <= free || number == removed) continue;
        std::string bytes;
        TBookInfo book;
        const bool movable = root_.HasFolder(SlotName(number)) && files_.ReadWholeFile(Descriptor(number), bytes) &&
                             ParseBookDescriptor(book, Descriptor(number), bytes, files_);
        if (!movable) {
            free = root_.FreeSlot(number + 1, changed);
            continue;
        }
        batch.moves.push_back({number, free, RenameSlotInDescriptor(bytes, SlotName(number), SlotName(free))});
        changed[number] = true;
        changed[free] = false;
        free = root_.FreeSlot(free + 1, changed);
    }
    return batch;
}

std::optional<TCardJournal::TBatch> TRenumbering::Arrange(const std::vector<int>& order) const {
    std::vector<int> places = order;
    std::sort(places.begin(), places.end());
    TBatch batch;
    batch.arranged = true;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const int from = order[i];
        const int to = places[i];
        if (from == to) continue;
        std::string bytes;
        TBookInfo book;
        const bool movable = root_.HasFolder(SlotName(from)) && files_.ReadWholeFile(Descriptor(from), bytes) &&
                             ParseBookDescriptor(book, Descriptor(from), bytes, files_);
        if (!movable) return std::nullopt;
        batch.moves.push_back({from, to, RenameSlotInDescriptor(bytes, SlotName(from), SlotName(to))});
    }
    std::sort(batch.moves.begin(), batch.moves.end(), [](const auto& a, const auto& b) { return a.from < b.from; });
    return batch;
}

bool TRenumbering::CanChange(const TBatch& batch) {
    // A descriptor that could not change would be left naming files that have moved. A new
    // descriptor's name that is also a moved book's old one is checked once.
    std::set<int> from;
    for (const TMove& move : batch.moves) from.insert(move.from);
    std::vector<std::string> changed;
    if (batch.removed > 0) changed.push_back(Descriptor(batch.removed));
    for (const TMove& move : batch.moves) {
        changed.push_back(Descriptor(move.from));
        if (from.count(move.to) == 0 && move.to != batch.removed) changed.push_back(NewDescriptor(move.to));
    }
    for (const std::string& descriptor : changed) {
        if (files_.CanReplace(descriptor)) continue;
        held_ = descriptor;
        return false;
    }
    return true;
}

bool TRenumbering::Rename(const std::string& folder, const std::string& to) {
    if (files_.MoveNoReplace(folder, to)) return true;
    // A folder still there that will not go: a file in it is open in another program.
    if (files_.Exists(folder)) held_ = folder;
    return false;
}

bool TRenumbering::Unlink(const std::string& descriptor) {
    return files_.RemoveFile(descriptor) || !files_.Exists(descriptor);
}

std::vector<std::string> TRenumbering::Written(const std::vector<TMove>& moves) const {
    std::vector<std::string> paths{cardPath_};
    for (const TMove& move : moves) paths.push_back(NewDescriptor(move.to));
    return paths;
}

TRenumbering::TDone TRenumbering::Run(const TBatch& batch, const std::map<int, std::string>& titles,
                                      const TProgressCallback& progress, const std::function<bool()>& first) {
    TDone done;
    // Books changing places are stepped through twice: parked, then placed.
    TCardProgress state;
    state.phase = TCardProgress::Phase::Renumbering;
    state.itemCount = static_cast<int>((batch.arranged ? 2 : 1) * batch.moves.size());
    const auto step = [&](int from) {
        ++state.itemIndex;
        const auto title = titles.find(from);
        state.currentName = title == titles.end() ? std::string() : title->second;
        if (progress) progress(state);
    };
    assert(SortedBySource(batch.moves));
    assert(batch.arranged || AllDown(batch.moves));
    if (!CanChange(batch)) {
        done.refused = true;
        return done;
    }
    // The whole plan is in the journal, on the medium, before anything changes. A card that
    // takes no journal (write-protected, full) takes no batch either.
    TCardJournal journal(files_, cardPath_);
    const bool begun = journal.Write(batch);
    if (!begun || !files_.FlushFiles({journal.Path(), cardPath_})) {
        if (begun) journal.Remove();
        done.refused = true;
        return done;
    }
    const std::vector<TMove> none;
    const bool moving = !first || first();
    const std::vector<TMove>& moves = moving ? batch.moves : none;
    std::size_t made = 0;
    if (batch.arranged) {
        const std::size_t parked = Park(moves, step);
        const bool marked = parked == moves.size() && files_.FlushFiles({cardPath_}) && journal.MarkParked(batch);
        made = marked ? Place(moves, step) : 0;
    } else {
        made = Shift(moves, step);
    }
    done.made.assign(moves.begin(), moves.begin() + static_cast<std::ptrdiff_t>(made));
    for (const TMove& move : done.made) done.written[AnsiUpperCase(SlotName(move.to) + kDescriptorExtension)] = move.bytes;
    // The journal goes only once what it explains is on the medium; a batch cut short keeps it
    // for the check.
    done.finished = made == moves.size() && files_.FlushFiles(Written(moves));
    if (done.finished && journal.Remove()) files_.FlushFiles({cardPath_});
    return done;
}

std::size_t TRenumbering::Shift(const std::vector<TMove>& moves, const std::function<void(int)>& step) {
    for (std::size_t i = 0; i < moves.size(); ++i) {
        const TMove& move = moves[i];
        if (step) step(move.from);
        const std::string newDescriptor = NewDescriptor(move.to);
        const std::string newFolder = NewFolder(move.to);
        if (!files_.WriteUnflushed(newDescriptor, move.bytes)) return i;
        if (!Rename(Folder(move.from), newFolder)) {
            // The book stays whole under its old number, and is listed once.
            files_.RemoveFile(newDescriptor);
            return i;
        }
        // A later move may write this number's descriptor anew.
        const std::string oldDescriptor = Descriptor(move.from);
        if (!Unlink(oldDescriptor)) {
            // The old descriptor would name files that have moved: the book goes back.
            held_ = oldDescriptor;
            if (files_.MoveNoReplace(newFolder, Folder(move.from))) files_.RemoveFile(newDescriptor);
            return i;
        }
    }
    return moves.size();
}

std::size_t TRenumbering::Park(const std::vector<TMove>& moves, const std::function<void(int)>& step) {
    for (std::size_t i = 0; i < moves.size(); ++i) {
        const TMove& move = moves[i];
        if (step) step(move.from);
        // The descriptor goes first: it is never on the card without its folder's files.
        if (!Unlink(Descriptor(move.from))) {
            held_ = Descriptor(move.from);
            return i;
        }
        if (!Rename(Folder(move.from), Parked(move.from))) return i;
    }
    return moves.size();
}

std::size_t TRenumbering::Place(const std::vector<TMove>& moves, const std::function<void(int)>& step) {
    for (std::size_t i = 0; i < moves.size(); ++i) {
        const TMove& move = moves[i];
        if (step) step(move.from);
        // The folder first: its descriptor names the files under the new number.
        if (!Rename(Parked(move.from), NewFolder(move.to)) ||
            !files_.WriteUnflushed(NewDescriptor(move.to), move.bytes)) {
            return i;
        }
    }
    return moves.size();
}

bool TRenumbering::NotBegun(const TBatch& batch, const TCardState& state) const {
    const auto slot = [&state](int n) -> const TSlotState* {
        const auto it = state.slots.find(n);
        return it == state.slots.end() ? nullptr : &it->second;
    };
    const TSlotState* removed = slot(batch.removed);
    if (removed == nullptr || removed->descriptor.empty() || removed->folder.empty() || !removed->valid ||
        !removed->missing.empty() || !batch.Names(removed->bytes)) {
        return false;
    }
    return std::all_of(batch.moves.begin(), batch.moves.end(), [&](const TMove& move) {
        const TSlotState* from = slot(move.from);
        const TSlotState* to = slot(move.to);
        const bool fromWhole = from != nullptr && !from->folder.empty() && !from->descriptor.empty() &&
                               RenameSlotInDescriptor(from->bytes, SlotName(move.from), SlotName(move.to)) == move.bytes;
        const bool toFree = move.to == batch.removed ||
                            std::any_of(batch.moves.begin(), batch.moves.end(),
                                        [&move](const TMove& other) { return other.from == move.to; }) ||
                            to == nullptr || (to->descriptor.empty() && to->folder.empty());
        return fromWhole && toFree;
    });
}

bool TRenumbering::Finish(const TBatch& batch, const TCardState& state, const std::string& journalName) {
    if (!CanChange(batch)) return false;
    return batch.arranged ? FinishParking(batch, state, journalName) : FinishShift(batch, state);
}

bool TRenumbering::FinishShift(const TBatch& batch, const TCardState& state) {
    const std::vector<TMove>& moves = batch.moves;
    assert(SortedBySource(moves) && AllDown(moves));
    const auto isTarget = [&moves](int n) {
        return std::any_of(moves.begin(), moves.end(), [n](const TMove& m) { return m.to == n; });
    };
    // A folder is only ever renamed onto a number whose folder has gone, so the renames that
    // reached the card are those of the moves whose folder left its number, or whose number a
    // later move's folder, itself moved, has taken since. Found from the last move back.
    std::vector<bool> moved(moves.size(), false);
    for (std::size_t k = moves.size(); k-- > 0;) {
        bool takenSince = false;
        for (std::size_t j = k + 1; j < moves.size(); ++j) takenSince = takenSince || (moves[j].to == moves[k].from && moved[j]);
        moved[k] = takenSince || !files_.IsDirectory(Folder(moves[k].from));
    }
    if (batch.removed > 0) {
        // The removed book's folder, unless a moved book's folder has taken its number.
        bool removedFolderTaken = false;
        for (std::size_t k = 0; k < moves.size(); ++k) removedFolderTaken = removedFolderTaken || (moves[k].to == batch.removed && moved[k]);
        if (!removedFolderTaken && files_.Exists(Folder(batch.removed)) && !files_.RemoveTree(Folder(batch.removed))) return false;
        if (!isTarget(batch.removed) && !Unlink(Descriptor(batch.removed))) return false;
    }
    for (std::size_t k = 0; k < moves.size(); ++k) {
        if (!moved[k] && !Rename(Folder(moves[k].from), NewFolder(moves[k].to))) return false;
    }
    // Every descriptor under its new number whole, whatever part of it arrived; the old ones
    // gone where no book took their number. Descriptors are only ever written here, never
    // moved, so the bytes the check read are still those under each name: one already whole is
    // left as it is, and the flush at the end covers it.
    const auto whole = [&state](const TMove& move) {
        const auto it = state.slots.find(move.to);
        return it != state.slots.end() && !it->second.descriptor.empty() && it->second.bytes == move.bytes;
    };
    for (const TMove& move : moves) {
        if (!files_.IsDirectory(Folder(move.to))) {
            // The book has gone since (removed by hand, or by a removal made while the batch
            // waited for the check): no descriptor under its number, whatever part arrived.
            if (!Unlink(NewDescriptor(move.to))) return false;
            continue;
        }
        if (!whole(move) && !files_.WriteUnflushed(NewDescriptor(move.to), move.bytes)) return false;
    }
    for (const TMove& move : moves) {
        if (!isTarget(move.from) && !Unlink(Descriptor(move.from))) return false;
    }
    return files_.FlushFiles(Written(moves));
}

bool TRenumbering::FinishParking(const TBatch& batch, const TCardState& state, const std::string& journalName) {
    const std::vector<TMove>& moves = batch.moves;
    if (!batch.parked) {
        // Nothing has taken a new number yet: a book is under its old number or parked.
        for (const TMove& move : moves) {
            if (!Unlink(Descriptor(move.from))) return false;
            if (!files_.IsDirectory(Parked(move.from)) && !Rename(Folder(move.from), Parked(move.from))) {
                return false;
            }
        }
        if (!files_.FlushFiles({cardPath_}) || !TCardJournal(files_, cardPath_).MarkParked(batch, journalName)) {
            return false;
        }
    }
    // Every book parked or under its new number: the parked ones go there now.
    for (const TMove& move : moves) {
        if (files_.IsDirectory(Parked(move.from)) && !Rename(Parked(move.from), NewFolder(move.to))) return false;
        const auto slot = state.slots.find(move.to);
        const bool whole = batch.parked && slot != state.slots.end() && !slot->second.descriptor.empty() &&
                           slot->second.bytes == move.bytes;
        if (!whole && !files_.WriteUnflushed(NewDescriptor(move.to), move.bytes)) return false;
    }
    return files_.FlushFiles(Written(moves));
}

}  // namespace card
