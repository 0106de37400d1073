#include "card/Cardprogress.h"

#include <algorithm>

namespace {

constexpr int kFullPercent = 100;
constexpr int64_t kProgressStepsPerPhase = 200;
constexpr int64_t kMinProgressStep = int64_t{256} << 10;

}  // namespace

int TCardProgress::Percent() const {
    if (bytesTotal <= 0) return 0;
    return static_cast<int>(std::clamp<int64_t>(bytesDone * kFullPercent / bytesTotal, 0, kFullPercent));
}

namespace card {

bool TProgressGate::Report(const TCardProgress& progress, bool force) {
    if (stop_.Requested()) return false;
    if (callback_ && (force || !sent_ || Due(progress))) {
        sent_ = true;
        last_ = progress;
        callback_(progress);
    }
    return !stop_.Requested();
}

bool TProgressGate::Due(const TCardProgress& progress) const {
    if (progress.phase != last_.phase || progress.itemIndex != last_.itemIndex) return true;
    if (progress.bytesDone == last_.bytesDone) return false;
    const int64_t step = std::max(kMinProgressStep, progress.bytesTotal / kProgressStepsPerPhase);
    const bool end = progress.bytesTotal > 0 && progress.bytesDone >= progress.bytesTotal;
    return end || progress.bytesDone - last_.bytesDone >= step;
}

}  // namespace card
