#include "support/Heldfiles.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <utility>

#include "platform/Paths.h"

namespace testsupport {

namespace {

// How often a held operation looks for the release and hears a stop.
constexpr std::chrono::milliseconds kPollInterval{20};

}  // namespace

HeldFiles::HeldFiles(std::string folder, Point point) : folder_(std::move(folder)), point_(point) {}

template <typename KeepGoing>
bool HeldFiles::Hold(const std::string& what, KeepGoing keepGoing) {
    if (passed_.exchange(true)) return true;
    const auto held = platform::ToFsPath(platform::JoinPath(folder_, kHeldFile));
    const auto release = platform::ToFsPath(platform::JoinPath(folder_, kReleaseFile));
    {
        std::ofstream(held.string() + ".tmp", std::ios::binary) << what;
    }
    std::error_code ignored;
    std::filesystem::rename(held.string() + ".tmp", held, ignored);
    while (!std::filesystem::exists(release, ignored)) {
        if (!keepGoing()) return false;
        std::this_thread::sleep_for(kPollInterval);
    }
    return true;
}

bool HeldFiles::CopyWithProgress(const std::string& from, const std::string& to, const platform::CopyProgress& progress,
                                 const platform::StopToken& stop, uint32_t* crc) {
    if (point_ == Point::Copy && !Hold(from, [&stop] { return !stop.Requested(); })) return false;
    return TestFiles::CopyWithProgress(from, to, progress, stop, crc);
}

bool HeldFiles::MoveNoReplace(const std::string& from, const std::string& to) {
    if (point_ == Point::Move) Hold(from, [] { return true; });
    return TestFiles::MoveNoReplace(from, to);
}

std::unique_ptr<HeldFiles> HeldFilesFromEnvironment() {
    const char* folder = std::getenv("ZWQ_TEST_HOLD");
    if (folder == nullptr || *folder == '\0') return nullptr;
    const char* at = std::getenv("ZWQ_TEST_HOLD_AT");
    const HeldFiles::Point point = at != nullptr && std::string(at) == "move" ? HeldFiles::Point::Move : HeldFiles::Point::Copy;
    return std::make_unique<HeldFiles>(platform::FromFsPath(std::filesystem::path(folder)), point);
}

}  // namespace testsupport
