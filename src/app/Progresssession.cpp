#include "app/Progresssession.h"

#include <exception>
#include <thread>
#include <utility>

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

}  // namespace

void TProgressSession::Run(const TProgressPlan& plan, bool stoppable, milliseconds showAfter, const TCardWork& work) {
    platform::StopToken stop;
    stoppable_ = stoppable;
    stop_ = &stop;
    finished_ = false;
    wakePending_ = false;
    TakeLatest();

    window_.Block(stoppable, [this] { Stop(); });
    window_.Draw(DescribeProgress(plan, std::nullopt, {}));
    bool shown = showAfter <= milliseconds::zero();
    if (shown) window_.Appear();

    // The card model belongs to the worker until it has ended; each report is worded there.
    TProgressPlan current = plan;
    std::exception_ptr failure;
    const auto start = Clock::now();
    std::thread worker([&] {
        try {
            work(
                current,
                [&](const TCardProgress& progress) {
                    Post(DescribeProgress(current, progress,
                                          std::chrono::duration_cast<milliseconds>(Clock::now() - start)));
                },
                stop);
        } catch (...) {
            failure = std::current_exception();
        }
        finished_ = true;
        window_.Wake();
    });

    // The first wait is the whole delay; later ones what is left of it.
    const auto appearAt = Clock::now() + showAfter;
    std::optional<milliseconds> timeout;
    if (!shown) timeout = showAfter;
    // At least one wait: the worker's last wake is always taken.
    do {
        const auto reason = window_.WaitForWake(timeout);
        wakePending_ = false;
        if (auto view = TakeLatest()) window_.Draw(*view);
        if (shown || finished_) continue;
        if (reason == ui::IProgressWindow::WakeReason::TimedOut || Clock::now() >= appearAt) {
            window_.Appear();
            shown = true;
            timeout.reset();
        } else {
            timeout = std::chrono::ceil<milliseconds>(appearAt - Clock::now());
        }
    } while (!finished_);
    window_.Unblock();
    worker.join();
    stop_ = nullptr;
    if (ended_) ended_();
    if (failure) std::rethrow_exception(failure);
}

void TProgressSession::Stop() {
    if (Stoppable()) stop_->Request();
}

void TProgressSession::Post(const ui::TProgressView& view) {
    {
        const std::lock_guard<std::mutex> lock(latestMutex_);
        latest_ = view;
    }
    if (!wakePending_.exchange(true)) window_.Wake();
}

std::optional<ui::TProgressView> TProgressSession::TakeLatest() {
    const std::lock_guard<std::mutex> lock(latestMutex_);
    return std::exchange(latest_, std::nullopt);
}
