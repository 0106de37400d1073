// Cards coming and going: real images mounted while the mount table is watched (root only), and
// UDisks2 played by udisks2_standin.py (python3-dbusmock) on a private bus taken for the system's.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>

#include "app/Cardwatch.h"
#include "card/Zwqcardunit.h"
#include "platform/posix/Posixplatform.h"
#include "support/Testsupport.h"

namespace {

namespace fs = std::filesystem;
const char* const kUuid = "0c2e7d3a-1b2c-4d5e-8f90-123456789abc";
using Act = std::function<bool(const std::string& root)>;

std::string Output(const std::string& command) {
    std::string text;
    FILE* out = ::popen((command + " 2>&1").c_str(), "r");
    for (int c; out != nullptr && (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
    return out != nullptr && ::pclose(out) == 0 ? text : "failed: " + text;
}
bool Shell(const std::string& command) { return Output(command).rfind("failed", 0) != 0; }

// What the watcher tells, waited for: it tells of a change as the change is made, so a bound of
// a minute fails only a watcher that never tells.
class Told {
public:
    Told() : watcher_(platform::NewVolumeWatcher()) {
        watcher_->Start([this] {
            const std::lock_guard<std::mutex> lock(mutex_);
            ++changes_;
            changed_.notify_all();
        });
    }
    ~Told() { watcher_->Stop(); }
    int Changes() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return changes_;
    }
    // Until the watcher has told of a change since Changes() was before and state holds.
    bool After(int before, const std::function<bool()>& state, const std::string& what) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (changed_.wait_for(lock, kBound, [&] { return changes_ > before && state(); })) return true;
        ADD_FAILURE() << "the volume watcher did not tell of " << what << " within " << kBound.count() << " s ("
                      << changes_ - before << " changes told)";
        return false;
    }

private:
    static constexpr std::chrono::seconds kBound{60};
    std::unique_ptr<platform::IVolumeWatcher> watcher_;
    std::mutex mutex_;
    std::condition_variable changed_;
    int changes_ = 0;
};

// The card put in at one root, held busy, taken out, put in at another and taken out, each
// change waited for until the watcher has told of it and the drives show it.
void Walk(const Act& put, const std::function<void(const std::string&, bool)>& hold, const std::string& card,
          const std::string& card1) {
    platform::PosixDrives drives;
    Told told;
    const auto change = [&](const Act& act, const std::string& root, bool listed) {
        const int before = told.Changes();
        if (!act(root)) return false;
        return told.After(before, [&] {
            const std::vector<std::string> roots = drives.RemovableDrives();
            return (std::find(roots.begin(), roots.end(), root) != roots.end()) == listed;
        }, root + (listed ? " put in" : " taken out"));
    };
    std::string reason;
    const Act eject = [&](const std::string& root) { return drives.Eject(root, reason); };
    ASSERT_TRUE(change(put, card, true));
    EXPECT_EQ(drives.Identity(card).uuid, kUuid);
    hold(card, true);  // the system refuses and says why
    EXPECT_FALSE(drives.Eject(card, reason) || reason.empty());
    hold(card, false);
    EXPECT_TRUE(change(eject, card, false)) << reason;
    ASSERT_TRUE(change(put, card1, true));
    EXPECT_EQ(drives.Identity(card1).uuid, kUuid);
    EXPECT_TRUE(change(eject, card1, false)) << reason;
}

}  // namespace

TEST(PosixVolumes, ALoopMountedCardComesGoesIsKnownElsewhereAndIsTakenOut) {
    testsupport::TempDir dir;
    const std::string image = dir / "card.img", media = "/run/media/zwqtest" + std::to_string(::getpid());
    if (::geteuid() != 0 || !Shell("truncate -s 8M " + image + " && mkfs.ext4 -q -F -U " + kUuid + " " + image +
                                   " && mkdir -p " + media + "/CARD " + media + "/CARD1 && mount -o loop " + image +
                                   " " + media + "/CARD && umount " + media + "/CARD")) {
        Shell("rm -rf " + media);
        GTEST_SKIP() << "cannot mount a loop image under /run/media (as desktops mount cards): needs root and ext4";
    }
    std::unique_ptr<std::ofstream> open;  // a file open on the card keeps it from being unmounted
    Walk([&](const std::string& root) { return Shell("mount -o loop " + image + " " + root); },
         [&](const std::string& root, bool busy) { open.reset(busy ? new std::ofstream(root + "/open") : nullptr); },
         media + "/CARD", media + "/CARD1");
    open.reset();
    Shell("umount " + media + "/CARD; umount " + media + "/CARD1; rm -rf " + media);  // what a failed walk left
}

TEST(PosixVolumes, Udisks2CardsComeAreKnownElsewhereAndAreTakenOut) {
    std::istringstream bus(Output("dbus-daemon --session --fork --print-address=1 --print-pid=1"));
    std::string address;
    pid_t daemon = 0;
    bus >> address >> daemon;
    if (daemon <= 0 || !Shell("/usr/bin/python3 -c 'import dbusmock' && command -v gdbus")) {
        if (daemon > 0) ::kill(daemon, SIGTERM);
        GTEST_SKIP() << "no dbus-daemon, python3-dbusmock or gdbus";
    }
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
    const pid_t mock = std::atoi(Output("/usr/bin/python3 -m dbusmock --template " ZWQ_UDISKS2_STANDIN
                                        " >/dev/null 2>&1 & echo $!").c_str());
    const auto call = [](const std::string& object, const std::string& method, const std::vector<std::string>& args) {
        std::string command = "gdbus call --system --dest org.freedesktop.UDisks2 --object-path /org/freedesktop/UDisks2" +
                              object + " --method org.freedesktop.DBus.Mock." + method;
        for (const std::string& argument : args) command += " \"'" + argument + "'\"";
        return Output(command);
    };
    testsupport::TempDir dir;
    testsupport::MakeDirs(dir / "CARD");
    testsupport::MakeDirs(dir / "CARD1");
    const bool up = Shell("gdbus wait --system --timeout 60 org.freedesktop.UDisks2");
    EXPECT_TRUE(up) << "the UDisks2 stand-in did not come on the bus within 60 s";
    if (up) {
        Walk([&](const std::string& root) { return call("", "PutIn", {"sdb", root, kUuid, "PLAYER"}) == "()\n"; },
             [&](const std::string& root, bool busy) { busy ? testsupport::WriteFile(root + "/busy", "") : void(fs::remove(root + "/busy")); },
             dir / "CARD", dir / "CARD1");
        EXPECT_NE(call("/drives/sdb", "GetCalls", {}).find("PowerOff"), std::string::npos);
    }
    ::kill(mock, SIGTERM), ::kill(daemon, SIGTERM);
    ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

// A card folder chosen while a volume is mounted there, of no desktop's and on no removable drive
// (an ext4 image at a temporary folder): unmounted, the card is gone, for the watch and for the
// card's model; mounted again, it is the card.
TEST(PosixVolumes, ACardFolderThatIsAMountPointGoesWithItsVolume) {
    testsupport::TempDir dir;
    const std::string image = dir / "card.img", folder = dir / "card";
    testsupport::MakeDirs(folder);
    const auto mount = [&] { return Shell("mount -o loop " + image + " " + folder); };
    if (::geteuid() != 0 || !Shell("truncate -s 8M " + image + " && mkfs.ext4 -q -F " + image) || !mount()) {
        GTEST_SKIP() << "cannot mount a loop image: needs root and ext4";
    }
    const std::shared_ptr<void> unmount(nullptr, [&](void*) { Shell("umount " + folder); });  // whatever happens
    testsupport::MakeCardBook(folder, 1, "On the card", {"1.mp3"});
    platform::Platform& native = platform::NativePlatform();
    platform::RecordingMessageBoxes boxes;
    TTeller teller(boxes);
    TCardWatch watch(native, teller);
    TMemoryCard card(native);
    std::string cardPath = folder + "/";
    card.SetCardPath(cardPath);
    watch.Chosen(cardPath);
    Told told;
    const struct {
        std::function<bool()> act;
        TCardWatch::Change change;
        bool there;
    } steps[] = {
        {[&] { return Shell("umount " + folder); }, TCardWatch::Change::Went, false},
        {mount, TCardWatch::Change::Came, true},
    };
    for (const auto& step : steps) {
        const int before = told.Changes();
        ASSERT_TRUE(step.act());
        ASSERT_TRUE(told.After(before, [&] { return native.drives.IsMountPoint(folder) == step.there; }, folder));
        EXPECT_EQ(watch.Look(cardPath, {}), step.change);
        // What a write then does with the card gone is the watch's table's (tests/app).
        EXPECT_EQ(card.FreeSpace() >= 0, step.there);
    }
    card.Scan();
    EXPECT_EQ(card.Books.size(), 1u);
}
