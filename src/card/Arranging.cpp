// Arranging the books: a book moved to another place, or the card put in an order, as one
// journaled batch (card/internal/Renumbering.h).
#include <algorithm>
#include <map>

#include "book/String_routines_unit.h"
#include "card/Zwqcardunit.h"
#include "card/internal/Cardroot.h"
#include "card/internal/Renumbering.h"
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
    card::TRenumbering renumbering(platform_.files, CardPath, *root_);
    const std::optional<card::TCardJournal::TBatch> batch = renumbering.Arrange(order);
    if (!batch) return result;
    if (batch->moves.empty()) {
        result.arranged = true;
        return result;
    }
    const card::TRenumbering::TDone done = renumbering.Run(*batch, titles, progress);
    result.held = renumbering.Held();
    result.cardRefused = done.refused && result.held.empty();
    if (done.refused) return result;
    // A batch that stopped waits for the check, every book whole or parked.
    result.arranged = done.finished;
    result.waitsForCheck = !done.finished;
    if (done.finished) {
        for (const auto& move : done.made) result.moves.push_back({move.from, move.to});
    }
    ScanKnowing(done.finished ? done.written : std::map<std::string, std::string>{});
    return result;
}
