#pragma once
// The card's files with the work held at a point the test chooses, for tests that must look at
// long work in the middle (the progress window, Отмена, Escape, closing the window during a
// write, a deletion's late window): the test-only builds of both programs run on them.
//
// When the work reaches the point, the file "held" appears in the hold folder; the work then
// waits until the test makes the file "release" there (or, held in a copy, until the write is
// stopped). Only the first arrival at the point is held.

#include <atomic>
#include <memory>
#include <string>

#include "support/Testsupport.h"

namespace testsupport {

class HeldFiles : public TestFiles {
public:
    enum class Point { Copy, Move };
    HeldFiles(std::string folder, Point point);

    bool CopyWithProgress(const std::string& from, const std::string& to, const platform::CopyProgress& progress,
                          const platform::StopToken& stop, uint32_t* crc) override;
    bool MoveNoReplace(const std::string& from, const std::string& to) override;

    // The names of the files the hold and the test exchange.
    static constexpr const char* kHeldFile = "held";
    static constexpr const char* kReleaseFile = "release";

private:
    // Waits at the point until released (true) or until keepGoing says the work was stopped
    // (false).
    template <typename KeepGoing>
    bool Hold(const std::string& what, KeepGoing keepGoing);

    std::string folder_;
    Point point_;
    std::atomic<bool> passed_{false};
};

// The hold the test asks for through the environment: ZWQ_TEST_HOLD names the hold folder and
// ZWQ_TEST_HOLD_AT the point ("copy", the first file copied to the card, or "move", the first
// rename); null when ZWQ_TEST_HOLD is not set.
std::unique_ptr<HeldFiles> HeldFilesFromEnvironment();

}  // namespace testsupport
