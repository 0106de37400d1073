// The progress session: the work on its own thread, the newest report drawn however slow the
// window, the stop request, and when the window appears.
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/Progresssession.h"

using std::chrono::milliseconds;

namespace {

// A window whose waits are held until the test lets them go: every wake is taken, none missed.
class HeldWindow : public ui::IProgressWindow {
public:
    void Block(bool stoppable, std::function<void()> stop) override {
        events.push_back(stoppable ? "block stoppable" : "block");
        stopButton = std::move(stop);
    }
    void Draw(const ui::TProgressView& view) override { events.push_back("draw " + view.activity); }
    void Appear() override { events.push_back("appear"); }
    WakeReason WaitForWake(std::optional<milliseconds> timeout) override {
        events.push_back(timeout ? "wait " + std::to_string(timeout->count()) : "wait");
        if (onWait && onWait(events.size())) return WakeReason::TimedOut;
        std::unique_lock<std::mutex> lock(mutex_);
        woken_.wait(lock, [this] { return wakes_ > 0; });
        wakes_ = 0;
        return WakeReason::Woken;
    }
    void Wake() override {
        const std::lock_guard<std::mutex> lock(mutex_);
        ++wakes_;
        woken_.notify_all();
    }
    void Unblock() override { events.push_back("unblock"); }

    std::vector<std::string> events;
    std::function<void()> stopButton;
    // Runs on the window's thread before a wait; true: the wait times out at once.
    std::function<bool(std::size_t)> onWait;

private:
    std::mutex mutex_;
    std::condition_variable woken_;
    int wakes_ = 0;
};

// A point one thread waits at until another opens it.
class Gate {
public:
    void Open() {
        const std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        opened_.notify_all();
    }
    void Pass() {
        std::unique_lock<std::mutex> lock(mutex_);
        opened_.wait(lock, [this] { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

// A renumbering reporting each book; the plan words it.
TCardProgress Renumbering(int item, int items) {
    TCardProgress progress;
    progress.phase = TCardProgress::Phase::Renumbering;
    progress.itemIndex = item;
    progress.itemCount = items;
    return progress;
}

TProgressPlan DeletionPlan() {
    TProgressPlan plan;
    plan.work = TProgressPlan::Work::Delete;
    plan.subject = "B";
    return plan;
}

std::string Activity(int item, int items) {
    return DescribeProgress(DeletionPlan(), Renumbering(item, items), {}).activity;
}

}  // namespace

TEST(ProgressSession, AWindowSlowerThanTheWorkDrawsOnlyTheNewestReport) {
    HeldWindow window;
    TProgressSession session(window);
    Gate posted;  // the window's thread waits for the whole work to have reported
    window.onWait = [&](std::size_t) {
        posted.Pass();
        return false;
    };
    session.Run(DeletionPlan(), false, milliseconds::zero(),
                [&](TProgressPlan&, const TProgressCallback& progress, const platform::StopToken&) {
                    for (int i = 1; i <= 1000; ++i) progress(Renumbering(i, 1000));
                    posted.Open();
                });
    // Blocked and shown at once; then one drawing for a thousand reports.
    ASSERT_GE(window.events.size(), 5u);
    EXPECT_EQ(window.events[0], "block");
    EXPECT_EQ(window.events[2], "appear");
    std::vector<std::string> drawn;
    for (const auto& event : window.events) {
        if (event.rfind("draw ", 0) == 0) drawn.push_back(event.substr(5));
    }
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[1], Activity(1000, 1000));
    EXPECT_EQ(window.events.back(), "unblock");
}

TEST(ProgressSession, ASlowWorkAppearsAfterTheDelayAndOnlyAStoppableOneStops) {
    for (const bool stoppable : {false, true}) {
        HeldWindow window;
        TProgressSession session(window);
        bool stopped = false;
        Gate appeared;
        // The first wait is the delay running out, with the work still under way; it goes on
        // once the window has appeared and waits again.
        window.onWait = [&](std::size_t events) {
            if (events > 3) {
                appeared.Open();
                return false;
            }
            EXPECT_TRUE(session.Running());
            EXPECT_EQ(session.Stoppable(), stoppable);
            window.stopButton();
            return true;
        };
        session.Run(DeletionPlan(), stoppable, milliseconds(500),
                    [&](TProgressPlan&, const TProgressCallback&, const platform::StopToken& stop) {
                        appeared.Pass();
                        stopped = stop.Requested();
                    });
        EXPECT_EQ(stopped, stoppable);
        ASSERT_GE(window.events.size(), 5u);
        EXPECT_EQ(window.events[2], "wait 500");
        EXPECT_EQ(window.events[3], "appear");
        EXPECT_FALSE(session.Running());
    }
}

TEST(ProgressSession, WhatTheWorkThrowsIsThrownOnTheWindowsThread) {
    HeldWindow window;
    TProgressSession session(window);
    EXPECT_THROW(session.Run(DeletionPlan(), false, milliseconds(500),
                             [](TProgressPlan&, const TProgressCallback&, const platform::StopToken&) {
                                 throw std::runtime_error("card");
                             }),
                 std::runtime_error);
    EXPECT_EQ(window.events.back(), "unblock");
    EXPECT_EQ(std::count(window.events.begin(), window.events.end(), "appear"), 0);
}
