#include "app/Writejob.h"

#include "app/Madebookjob.h"
#include "app/Texts.h"
#include "platform/Dialogs.h"

using namespace boxflags;

using namespace texts;
using End = TBookBatchResult::End;

std::optional<TBookBatchResult> TWriteJob::Write(const std::vector<std::string>& paths) {
    if (paths.empty() || !CardPresent(card_, teller_)) return std::nullopt;
    return TBookBatch(card_, files_, session_).Write(paths);
}

std::optional<TBookBatchResult> TWriteJob::WriteMade(const std::string& path, ui::INewBookDialog& dialog) {
    if (!CardPresent(card_, teller_)) return std::nullopt;
    return TMadeBookJob(card_, session_, dialog, showAfter_).Write(path);
}

End TWriteJob::Report(const std::optional<TBookBatchResult>& result, bool showSuccess) {
    if (!result) return End::Failed;
    switch (result->end) {
        case End::CardGone:
            teller_.Tell(kCardMissing, kCaptionCheck, kWarning);
            break;
        case End::Cancelled: {
            std::string text =
                kWriteCancelledHead + (result->name.empty() ? result->path : result->name) + kWriteCancelledTail;
            if (result->count > 1) {
                text += kWrittenBeforeCancel + std::to_string(result->written) + kOf + std::to_string(result->count) +
                        ".";
            }
            teller_.Tell(text, kCaptionWrite, kInformation);
            break;
        }
        case End::Failed:
            teller_.Tell(kWriteErrorHead + result->path + kWriteErrorTail + "\n" + result->error, kCaptionWrite,
                         kError);
            break;
        case End::Written:
            if (showSuccess) teller_.Tell(kBookWord + result->title + kWrittenTail, kCaptionWrite, kInformation);
            break;
    }
    return result->end;
}

void TWriteJob::Summarize(End end, std::size_t count) {
    if (count < 2) return;
    if (end == End::Written) teller_.Tell(kWriteManyDone, kCaptionWriteMany, kInformation);
    if (end == End::Failed || end == End::CardGone) teller_.Tell(kWriteManyErrors, kCaptionWriteMany, kWarning);
}

bool TWriteJob::WriteBooks(const std::vector<std::string>& paths) {
    const End end = Report(Write(paths), paths.size() == 1);
    Summarize(end, paths.size());
    return end == End::Written;
}
