#pragma once
// A request to stop long work, apart from its progress reports: the thread that follows the
// work asks for the stop, the work polls for it where stopping is safe.

#include <atomic>

namespace platform {

class StopToken {
public:
    void Request() { requested_.store(true); }
    bool Requested() const { return requested_.load(); }

    // A token nobody asks to stop, for work started without one.
    static const StopToken& Never() {
        static const StopToken never;
        return never;
    }

private:
    std::atomic<bool> requested_{false};
};

}  // namespace platform
