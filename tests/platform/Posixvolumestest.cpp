// A real card image mounted and unmounted while the mount table is watched: each change is
// told, the volume is known by its UUID wherever it is mounted, and taking it out unmounts it
// or says why the system refuses. Needs root for the loop mounts; skipped otherwise.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>

#include "platform/posix/Posixplatform.h"
#include "support/Testsupport.h"

namespace {

const char* const kUuid = "0c2e7d3a-1b2c-4d5e-8f90-123456789abc";

bool Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// The watcher's calls, and a wait for a state of the drives that each call may have brought.
class Watched {
public:
    Watched() : watcher_(platform::NewVolumeWatcher()) {
        watcher_->Start([this] {
            const std::lock_guard<std::mutex> lock(mutex_);
            ++changes_;
            changed_.notify_all();
        });
    }
    ~Watched() { watcher_->Stop(); }
    // Does what changes the mount table, then waits until the watcher has told of a change
    // since and root is listed among the removable drives (listed false: is not).
    bool Change(const std::function<bool()>& act, const std::string& root, bool listed) {
        const int before = Changes();
        if (!act()) return false;
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] {
            const std::vector<std::string> roots = drives.RemovableDrives();
            return changes_ > before && (std::find(roots.begin(), roots.end(), root) != roots.end()) == listed;
        });
        return true;
    }
    int Changes() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return changes_;
    }
    platform::PosixDrives drives;

private:
    std::unique_ptr<platform::IVolumeWatcher> watcher_;
    std::mutex mutex_;
    std::condition_variable changed_;
    int changes_ = 0;
};

}  // namespace

TEST(PosixVolumes, ACardComesGoesIsKnownAgainElsewhereAndIsTakenOut) {
    if (::geteuid() != 0) GTEST_SKIP() << "loop mounts need root";
    testsupport::TempDir dir;
    const std::string image = dir / "card.img";
    // Under /run/media, where desktops mount hot-plug media: the list of drives takes it in.
    const std::string media = "/run/media/zwqtest" + std::to_string(::getpid());
    const std::string card = media + "/CARD", card1 = media + "/CARD1";
    if (!Shell("truncate -s 8M " + image + " && mkfs.ext4 -q -F -U " + kUuid + " -L CARD " + image) ||
        !Shell("mkdir -p " + card + " " + card1)) {
        GTEST_SKIP() << "no mkfs.ext4 or /run/media here";
    }
    Watched watched;
    if (!watched.Change([&] { return Shell("mount -o loop " + image + " " + card); }, card, true)) {
        Shell("rm -rf " + media);
        GTEST_SKIP() << "this machine cannot mount a loop image";
    }
    EXPECT_EQ(watched.drives.Identity(card).uuid, kUuid);

    std::string reason;
    {
        // A file open on the card keeps it from being unmounted: the system says why.
        std::ofstream open(card + "/BOOK_001.ydr");
        EXPECT_FALSE(watched.drives.Eject(card, reason));
        EXPECT_FALSE(reason.empty());
    }
    EXPECT_TRUE(watched.Change([&] { return watched.drives.Eject(card, reason); }, card, false)) << reason;
    ASSERT_TRUE(watched.Change([&] { return Shell("mount -o loop " + image + " " + card1); }, card1, true));
    EXPECT_EQ(watched.drives.Identity(card1).uuid, kUuid);
    EXPECT_TRUE(watched.Change([&] { return watched.drives.Eject(card1, reason); }, card1, false)) << reason;
    Shell("rm -rf " + media);
}
