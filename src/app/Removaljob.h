#pragma once
// Deleting a book of the card: refused while a batch cut short waits for the check, the
// question, the removal and renumbering behind the progress window, and what is told of it once
// the list shows the card.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

#include "app/Cardcheckflow.h"
#include "app/Progresssession.h"
#include "app/Teller.h"
#include "card/Zwqcardunit.h"

// What a removal came to.
struct TRemovalOutcome {
    std::string name;  // the book's, as the list shows it
    TRemoval removal;  // what DeleteBook did; report.awaitsCheck when it was refused
    // Refused: the user asked for the check at once.
    bool checkNow = false;
};

class TRemovalJob {
public:
    // inBatch: in a command-line batch a refusal is said without the offer of the check, which
    // comes once the batch has ended.
    TRemovalJob(TMemoryCard& card, TProgressSession& session, TTeller& teller, TCardCheckFlow& check,
                std::chrono::milliseconds showAfter, bool inBatch)
        : card_(card), session_(session), teller_(teller), check_(check), showAfter_(showAfter), inBatch_(inBatch) {}

    // The book in the row of the card model's listing, after the question when ask. While a
    // removal or renumbering cut short waits for the check no book goes, since its plan must
    // still fit the card then: the outcome says it was refused. Nothing when the card is not
    // there, the row holds no book or the user did not answer Yes. The listing is the card's
    // afterwards.
    std::optional<TRemovalOutcome> Remove(std::size_t row, bool ask);
    // Once the list shows the card: an error box when the removal could not finish, a warning
    // when it left files outside the book's folder; with sayGone, else that the book is gone.
    void Report(const TRemovalOutcome& outcome, bool sayGone);

private:
    TMemoryCard& card_;
    TProgressSession& session_;
    TTeller& teller_;
    TCardCheckFlow& check_;
    std::chrono::milliseconds showAfter_;
    bool inBatch_;
};
