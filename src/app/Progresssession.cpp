#include "app/Progresssession.h"

void TProgressSession::Run(const TProgressPlan& plan, bool stoppable, std::chrono::milliseconds showAfter,
                           const TCardWork& work) {
    struct Flag {
        bool& flag;
        explicit Flag(bool& f) : flag(f) { flag = true; }
        ~Flag() { flag = false; }
    } running(running_);
    stoppable_ = stoppable;
    const auto start = std::chrono::steady_clock::now();
    TProgressPlan current = plan;
    // On the worker thread: the card model belongs to it until Run has returned, and each
    // report is worded there and only queued for the window.
    const auto onWorker = [&](ui::IProgressReport& report) {
        work(
            current,
            [&](const TCardProgress& progress) {
                const auto elapsed =
                    std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
                report.Report(DescribeProgress(current, progress, elapsed));
            },
            report.StopRequest());
    };
    window_.Run(DescribeProgress(plan, std::nullopt, {}), stoppable, showAfter, onWorker);
}

void TProgressSession::Stop() {
    if (Stoppable()) window_.Cancel();
}
