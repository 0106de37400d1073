#include "app/Madebookjob.h"

#include "app/Cardtexts.h"
#include "platform/Paths.h"

std::optional<TBookBatchResult> TMadeBookJob::Write(const std::string& path) {
    TBookBatchResult result;
    result.count = 1;
    result.path = path;
    result.name = platform::FileNameOf(platform::StripTrailingSeparators(path));
    TProgressPlan plan;
    plan.subject = result.name;
    plan.unpacks = IsArchive(path);
    TMadeBook book;
    TCardError error;
    session_.Run(plan, true, showAfter_,
                 [&](TProgressPlan&, const TProgressCallback& progress, const platform::StopToken& stop) {
                     error = card_.PrepareMadeBook(path, book, progress, stop);
                 });
    TWriteOutcome outcome;
    outcome.error = error;
    outcome.cancelled = error.code == TCardError::Code::Cancelled;
    if (error.code == TCardError::Code::None) {
        if (book.DescriptorPath.empty()) {
            TNewBookForm form = NewBookForm(book);
            if (!dialog_.Execute(form)) {
                card_.DropMadeBook();
                return std::nullopt;
            }
            ApplyNewBookForm(form, book);
            result.name = MadeDisplayName(book);
        }
        plan.subject = result.name;
        plan.unpacks = false;
        session_.Run(plan, true, std::chrono::milliseconds::zero(),
                     [&](TProgressPlan&, const TProgressCallback& progress, const platform::StopToken& stop) {
                         outcome = card_.WriteMadeBook(book, progress, stop);
                     });
    }
    if (outcome) {
        result.written = 1;
        result.title = outcome.title;
        return result;
    }
    result.end = outcome.cancelled ? TBookBatchResult::End::Cancelled : TBookBatchResult::End::Failed;
    result.error = CardErrorText(outcome.error);
    return result;
}
