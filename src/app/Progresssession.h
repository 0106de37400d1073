#pragma once
// One long card operation behind the progress window: the work on a worker thread, its reports
// in words for the window, the user's request to stop, and when the window appears.

#include <chrono>
#include <functional>

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
    explicit TProgressSession(ui::IProgressWindow& window) : window_(window) {}
    TProgressSession(const TProgressSession&) = delete;
    TProgressSession& operator=(const TProgressSession&) = delete;

    // Runs work and returns once it has returned (passing on what it threw). The window
    // appears once showAfter has passed (at once when zero). stoppable: the user may stop the
    // work ("Отмена", Escape, Stop).
    void Run(const TProgressPlan& plan, bool stoppable, std::chrono::milliseconds showAfter, const TCardWork& work);
    // Whether a work is running; whether it may be stopped.
    bool Running() const { return running_; }
    bool Stoppable() const { return running_ && stoppable_; }
    // Asks a stoppable work to stop, as "Отмена" does.
    void Stop();

private:
    ui::IProgressWindow& window_;
    bool running_ = false;
    bool stoppable_ = false;
};
