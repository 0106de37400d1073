#pragma once
// One long card operation behind the progress window. The session owns the worker thread the
// work runs on, the latest report (a window slower than the work draws the newest state and
// never falls behind), the request to stop, and the rule of when the window appears; the front
// end's window only blocks input, waits until woken and draws.

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <utility>

#include "app/Controls.h"
#include "app/Progressunit.h"
#include "card/Zwqcardunit.h"
#include "platform/Stoptoken.h"

// A card operation as the session runs it, on the worker thread: it gets the plan, which it may
// move on (the book of a batch), the callback for the card model's progress and the request to
// stop, which it polls.
using TCardWork = std::function<void(TProgressPlan&, const TProgressCallback&, const platform::StopToken&)>;

class TProgressSession {
public:
    // ended: called on the window's thread after each work has ended (also when it threw).
    explicit TProgressSession(ui::IProgressWindow& window, std::function<void()> ended = {})
        : window_(window), ended_(std::move(ended)) {}
    TProgressSession(const TProgressSession&) = delete;
    TProgressSession& operator=(const TProgressSession&) = delete;

    // Runs work on a worker thread and returns once it has returned, passing on what it threw.
    // Input to the main window is blocked at once; the window appears once showAfter has
    // passed (at once when zero), so that a short operation does not flash it. stoppable: the
    // user may stop the work ("Отмена", Escape, Stop).
    void Run(const TProgressPlan& plan, bool stoppable, std::chrono::milliseconds showAfter, const TCardWork& work);
    // Whether a work is running; whether it may be stopped.
    bool Running() const { return stop_ != nullptr; }
    bool Stoppable() const { return Running() && stoppable_; }
    // Asks a stoppable work to stop, as "Отмена" does.
    void Stop();

private:
    // On the worker thread: keeps the view as the latest and wakes the window, unless a wake
    // is already on its way (the window then draws this view with it).
    void Post(const ui::TProgressView& view);
    std::optional<ui::TProgressView> TakeLatest();

    ui::IProgressWindow& window_;
    std::function<void()> ended_;
    bool stoppable_ = false;
    platform::StopToken* stop_ = nullptr;  // the running work's
    std::mutex latestMutex_;
    std::optional<ui::TProgressView> latest_;
    std::atomic<bool> wakePending_{false};
    std::atomic<bool> finished_{false};
};
