#include "app/Removaljob.h"

#include "app/Cardtexts.h"
#include "app/Texts.h"
#include "platform/Dialogs.h"

using namespace boxflags;

using namespace texts;

std::optional<TRemovalOutcome> TRemovalJob::Remove(std::size_t row, bool ask) {
    if (!CardPresent(card_, teller_) || row >= card_.Books.size()) return std::nullopt;
    TRemovalOutcome outcome;
    outcome.name = card_.Books[row]->DisplayName;
    if (card_.BatchAwaitsCheck()) {
        outcome.removal.report.awaitsCheck = true;
        outcome.checkNow = check_.Refuse(kBookAccusative + outcome.name + kDeleteAwaitsCheck, kCaptionDelete, inBatch_);
        return outcome;
    }
    if (ask && teller_.Tell(kDeleteQuestionHead + outcome.name + kDeleteQuestionTail, kCaptionDelete, kQuestion) !=
                   platform::kIdYes) {
        return std::nullopt;
    }
    TProgressPlan plan;
    plan.work = TProgressPlan::Work::Delete;
    plan.subject = outcome.name;
    session_.Run(plan, false, showAfter_,
                 [&](TProgressPlan&, const TProgressCallback& progress, const platform::StopToken&) {
                     outcome.removal = card_.DeleteBook(row, progress);
                 });
    return outcome;
}

void TRemovalJob::Report(const TRemovalOutcome& outcome, bool sayGone) {
    const TRemovalReport& report = outcome.removal.report;
    if (report.awaitsCheck) return;
    if (report.cardRefused) {
        teller_.Tell(kBookWord + outcome.name + kRemovalCardRefused, kCaptionDelete, kError);
    } else if (!report.removed && !report.held.empty()) {
        teller_.Tell(kBookAccusative + outcome.name + kRemovalHeld + kHeldFile + report.held + kHeldTail +
                         kRemovalHeldAdvice,
                     kCaptionDelete, kError);
    } else if (!report.held.empty()) {
        teller_.Tell(kBookWord + outcome.name + kRenumberingStopped + kHeldFile + report.held + kHeldTail +
                         kRenumberingAdvice,
                     kCaptionDelete, kWarning);
    } else if (!report.removed) {
        teller_.Tell(kBookAccusative + outcome.name + kRemovalUnfinished + NamesText(report.stayed) +
                         kRemovalStaysListed,
                     kCaptionDelete, kError);
    } else if (!report.leftAlone.empty()) {
        teller_.Tell(kBookWord + outcome.name + kRemovedLeftAlone + NamesText(report.leftAlone), kCaptionDelete,
                     kWarning);
    } else if (sayGone) {
        teller_.Tell(kBookWord + outcome.name + kDeletedTail, kCaptionDelete, kInformation);
    }
}
