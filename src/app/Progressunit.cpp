#include "app/Progressunit.h"

#include <algorithm>
#include <cmath>

#include "app/Texts.h"
#include "book/String_routines_unit.h"
#include "platform/Files.h"

namespace {

using namespace texts;
using std::chrono::milliseconds;

constexpr int kFullPercent = 100;
constexpr int64_t kKilobyte = 1024;
constexpr int64_t kMegabyte = platform::kBytesPerMegabyte;
// Unpacking and copying an archive's book move the same bytes: each is half of its work.
constexpr double kUnpackShare = 0.5;
// A card reads some times faster than it writes: the read-back of a book is a fifth of its copy.
constexpr double kReadBackShare = 0.2;
// The time left is told once the work has run this long and done this share of itself, when
// the rate it has kept so far says something about the rest.
constexpr milliseconds kEstimateAfter{3000};
constexpr double kEstimateFromShare = 0.01;
constexpr int64_t kMillisecondsPerSecond = 1000;
constexpr int64_t kSecondsPerMinute = 60;
constexpr int64_t kSecondsStep = 5;

std::string TimeLeftText(milliseconds left) {
    const int64_t seconds = (left.count() + kMillisecondsPerSecond - 1) / kMillisecondsPerSecond;
    const int64_t rounded = std::max<int64_t>(kSecondsStep, (seconds + kSecondsStep - 1) / kSecondsStep * kSecondsStep);
    if (rounded < kSecondsPerMinute) {
        return kTimeLeft + std::to_string(rounded) + RussianPlural(rounded, kSecondSingular, kSecondPlural, kSecondPlural);
    }
    const int64_t minutes = std::max<int64_t>(1, (seconds + kSecondsPerMinute / 2) / kSecondsPerMinute);
    return kTimeLeft + std::to_string(minutes) + RussianPlural(minutes, kMinuteSingular, kMinutePlural, kMinutePlural);
}

// "120 из 300 Мб"; a book below a megabyte in kilobytes. Whole units, the remainder dropped.
std::string BytesText(int64_t done, int64_t total) {
    const int64_t unit = total < kMegabyte ? kKilobyte : kMegabyte;
    return std::to_string(done / unit) + kOf + std::to_string(total / unit) +
           (unit == kMegabyte ? kMegabytes : kKilobytes);
}

double Share(int64_t done, int64_t total) {
    return total > 0 ? std::clamp(static_cast<double>(done) / static_cast<double>(total), 0.0, 1.0) : 0.0;
}

// How much of the current book's work (or of the renumbering) is done, 0 to 1.
double BookShare(const TProgressPlan& plan, const TCardProgress& progress) {
    const double copyStart = plan.unpacks ? kUnpackShare : 0.0;
    const double readBackStart = 1.0 - (progress.readsBack ? kReadBackShare * (1.0 - copyStart) : 0.0);
    switch (progress.phase) {
        case TCardProgress::Phase::Unpacking:
            return kUnpackShare * Share(progress.bytesDone, progress.bytesTotal);
        case TCardProgress::Phase::Copying:
            return copyStart + (readBackStart - copyStart) * Share(progress.bytesDone, progress.bytesTotal);
        case TCardProgress::Phase::Flushing:
            return readBackStart;
        case TCardProgress::Phase::Verifying:
            return readBackStart + (1.0 - readBackStart) * Share(progress.bytesDone, progress.bytesTotal);
        case TCardProgress::Phase::Renumbering:
            return Share(progress.itemIndex - 1, progress.itemCount);
    }
    return 0.0;
}

std::string Activity(const TCardProgress& progress) {
    switch (progress.phase) {
        case TCardProgress::Phase::Unpacking: return kUnpacking;
        case TCardProgress::Phase::Copying:
            return kCopying + std::to_string(progress.itemIndex) + kOf + std::to_string(progress.itemCount);
        case TCardProgress::Phase::Flushing: return kFlushing;
        case TCardProgress::Phase::Verifying:
            return kVerifying + std::to_string(progress.itemIndex) + kOf + std::to_string(progress.itemCount);
        case TCardProgress::Phase::Renumbering:
            return kRenumbering + std::to_string(progress.itemIndex) + kOf + std::to_string(progress.itemCount);
    }
    return std::string();
}

std::string Caption(const TProgressPlan& plan, const std::optional<TCardProgress>& progress) {
    switch (plan.work) {
        case TProgressPlan::Work::Delete: return kDeleteCaption + plan.subject;
        case TProgressPlan::Work::Arrange: return kArrangeCaption;
        case TProgressPlan::Work::Check:
        case TProgressPlan::Work::Repair: return kRepairCaption;
        case TProgressPlan::Work::Write: break;
    }
    const bool named = progress && !progress->bookName.empty();
    std::string caption = kWriteCaption + (named ? progress->bookName : plan.subject);
    if (plan.bookCount > 1) {
        caption += kBatchHead + std::to_string(plan.bookIndex) + kOf + std::to_string(plan.bookCount) + kBatchTail;
    }
    return caption;
}

}  // namespace

ui::TProgressView DescribeProgress(const TProgressPlan& plan, const std::optional<TCardProgress>& progress,
                                   milliseconds elapsed) {
    ui::TProgressView view;
    view.caption = Caption(plan, progress);
    const bool writing = plan.work == TProgressPlan::Work::Write;
    if (!progress) {
        switch (plan.work) {
            case TProgressPlan::Work::Write: view.activity = kPreparing; break;
            case TProgressPlan::Work::Delete: view.activity = kRemoving; break;
            case TProgressPlan::Work::Arrange: view.activity = kArranging; break;
            case TProgressPlan::Work::Check: view.activity = kChecking; break;
            case TProgressPlan::Work::Repair: view.activity = kRepairing; break;
        }
    } else {
        view.activity = Activity(*progress);
    }
    const int count = std::max(1, plan.bookCount);
    const int before = std::clamp(plan.bookIndex - 1, 0, count - 1);
    const double share = (before + (progress ? BookShare(plan, *progress) : 0.0)) / count;
    view.percent = std::clamp(static_cast<int>(std::floor(share * kFullPercent)), 0, kFullPercent);
    // Removing a book's files tells nothing of its progress; a check or a repair, nothing
    // before its renumbering.
    if (!progress && !writing) return view;

    view.amount = std::to_string(view.percent) + kPercent;
    if (progress && progress->phase != TCardProgress::Phase::Renumbering && progress->bytesTotal > 0) {
        view.amount += kSeparator + BytesText(progress->bytesDone, progress->bytesTotal);
    }
    if (elapsed >= kEstimateAfter && share >= kEstimateFromShare && share < 1.0) {
        const double left = static_cast<double>(elapsed.count()) * (1.0 - share) / share;
        view.amount += kSeparator + TimeLeftText(milliseconds(static_cast<int64_t>(left)));
    }
    return view;
}

const std::string& ProgressCancelCaption() { return kCancel; }
