#pragma once
// Where a long card operation stands, for a progress display that a listener can hear.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Stoptoken.h"

struct TCardProgress {
    // A write's files are copied, flushed, then (Verifying) read back from the card and checked.
    enum class Phase { Unpacking, Copying, Flushing, Verifying, Renumbering };
    Phase phase = Phase::Copying;
    // A write whose files are read back after the copy: the check takes a part of the work.
    bool readsBack = false;
    // Bytes of the book done and in all (writes); 0 of 0 while unknown.
    int64_t bytesDone = 0;
    int64_t bytesTotal = 0;
    // The file (writes) or book (renumbering) being worked on, counted from 1, of itemCount.
    int itemIndex = 0;
    int itemCount = 0;
    // Its name as the card or the source shows it (Windows-1251).
    std::string currentName;
    // The book's DisplayName once its descriptor has been read; empty while unpacking.
    std::string bookName;

    // How far the current phase has come, 0 to 100; 0 while its size is unknown.
    int Percent() const;
};
// Called from the thread doing the work, often enough to redraw a progress bar; it only reports.
// A write is stopped through its StopToken, which leaves the card as it was; renumbering cannot
// be stopped.
using TProgressCallback = std::function<void(const TCardProgress&)>;

namespace card {

// Passes the progress of one operation on to the caller's callback, thinned out: on every
// change of phase or file and at the end of a phase; in between after at least a two-hundredth
// of the phase (256 KiB at least). No report goes out once a stop has been asked for.
class TProgressGate {
public:
    TProgressGate(const TProgressCallback& callback, const platform::StopToken& stop)
        : callback_(callback), stop_(stop) {}

    // False once a stop has been asked for. force passes the report on whatever changed.
    bool Report(const TCardProgress& progress, bool force = false);
    bool stopped() const { return stop_.Requested(); }
    const platform::StopToken& stop() const { return stop_; }

private:
    bool Due(const TCardProgress& progress) const;

    const TProgressCallback& callback_;
    const platform::StopToken& stop_;
    bool sent_ = false;
    TCardProgress last_;
};

}  // namespace card
