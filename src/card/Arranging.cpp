// Arranging the books: a book moved to another place, or the card put in an order, as one
// journaled batch (card/internal/Arrangebatch.h).
#include <algorithm>
#include <map>

#include "book/String_routines_unit.h"
#include "card/Zwqcardunit.h"
#include "card/internal/Arrangebatch.h"
#include "card/internal/Cardjournal.h"
#include "card/internal/Cardroot.h"
#include "platform/Platform.h"

TArrangement TMemoryCard::MoveBookTo(std::size_t index, std::size_t place, const TProgressCallback& progress) {
    std::vector<int> order;
    for (const auto& book : Books) order.push_back(book->Number);
    if (index >= order.size() || place < 1 || place > order.size()) return TArrangement();
    const int moved = order[index];
    order.erase(order.begin() + static_cast<std::ptrdiff_t>(index));
    order.insert(order.begin() + static_cast<std::ptrdiff_t>(place - 1), moved);
    return ArrangeBooks(order, progress);
}

TArrangement TMemoryCard::ArrangeBooks(const std::vector<int>& order, const TProgressCallback& progress) {
    TArrangement result;
    platform::IFileSystem& files = platform_.files;
    // The listing of the last scan serves, as for a removal: the card's root is listed once more
    // for the list at the end.
    if (BatchAwaitsCheck()) {
        result.awaitsCheck = true;
        return result;
    }
    std::vector<int> listed;
    std::map<int, std::string> titles;
    for (const auto& book : Books) {
        listed.push_back(book->Number);
        titles[book->Number] = book->DisplayName;
    }
    std::vector<int> given = order;
    std::sort(listed.begin(), listed.end());
    std::sort(given.begin(), given.end());
    if (given != listed) return result;
    card::TArrangeBatch batch(files, CardPath, *root_);
    const std::optional<std::vector<card::TCardJournal::TMove>> moves = batch.Plan(order);
    if (!moves) return result;
    if (moves->empty()) {
        result.arranged = true;
        return result;
    }
    if (!batch.CanChange(*moves)) {
        result.held = batch.Held();
        return result;
    }
    // The whole plan is in the journal, on the medium, before anything changes.
    card::TCardJournal::TBatch planned;
    planned.arranged = true;
    planned.moves = *moves;
    card::TCardJournal journal(files, CardPath);
    const bool begun = journal.Write(planned);
    if (!begun || !files.FlushFiles({journal.Path(), CardPath})) {
        if (begun) journal.Remove();
        result.cardRefused = true;
        return result;
    }
    TCardProgress state;
    state.phase = TCardProgress::Phase::Renumbering;
    state.itemCount = static_cast<int>(2 * moves->size());
    std::size_t next = 0;
    const auto step = [&] {
        const card::TCardJournal::TMove& move = (*moves)[next++ % moves->size()];
        ++state.itemIndex;
        state.currentName = titles[move.from];
        if (progress) progress(state);
    };
    const bool placed = batch.Park(*moves, step) && files.FlushFiles({CardPath}) && journal.MarkParked(planned) &&
                        batch.Place(*moves, step) && files.FlushFiles(batch.Written(*moves));
    std::map<std::string, std::string> written;
    if (placed) {
        for (const auto& move : *moves) {
            result.moves.push_back({move.from, move.to});
            written[AnsiUpperCase(SlotName(move.to) + kDescriptorExtension)] = move.bytes;
        }
        if (journal.Remove()) files.FlushFiles({CardPath});
    }
    // A batch that stopped waits for the check, every book whole or parked.
    result.arranged = placed;
    result.waitsForCheck = !placed;
    result.held = batch.Held();
    ScanKnowing(written);
    return result;
}
