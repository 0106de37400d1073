// Cards coming and going as the program sees them: a real image mounted and unmounted while the
// mount table is watched (root only), and UDisks2 played by a stand-in of the test's own
// (udisks2_standin.py, python3-dbusmock) on a private bus the program takes for the system bus.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>

#include "platform/posix/Posixplatform.h"
#include "support/Testsupport.h"

namespace {

const char* const kUuid = "0c2e7d3a-1b2c-4d5e-8f90-123456789abc";

bool Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

struct Watched {
    Watched() : watcher(platform::NewVolumeWatcher()) {
        watcher->Start([this] {
            const std::lock_guard<std::mutex> lock(mutex);
            ++changes;
            changed.notify_all();
        });
    }
    ~Watched() { watcher->Stop(); }
    // Acts, then waits until the watcher has told of a change since and root is (or is not) listed.
    bool Change(const std::function<bool()>& act, const std::string& root, bool listed) {
        int before = 0;
        with([&] { before = changes; });
        if (!act()) return false;
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] {
            const std::vector<std::string> roots = drives.RemovableDrives();
            return changes > before && (std::find(roots.begin(), roots.end(), root) != roots.end()) == listed;
        });
        return true;
    }
    void with(const std::function<void()>& f) {
        const std::lock_guard<std::mutex> lock(mutex);
        f();
    }
    platform::PosixDrives drives;
    std::unique_ptr<platform::IVolumeWatcher> watcher;
    std::mutex mutex;
    std::condition_variable changed;
    int changes = 0;
};

std::string Output(const std::string& command) {
    std::string text;
    FILE* out = ::popen(command.c_str(), "r");
    for (int c; out != nullptr && (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
    if (out != nullptr) ::pclose(out);
    return text;
}

struct StandIn {
    StandIn() {
        std::istringstream bus(Output("dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null"));
        std::string address;
        bus >> address >> daemon;
        if (address.empty() || !Shell("/usr/bin/python3 -c 'import dbusmock'")) return;
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
        mock = std::atoi(Output("/usr/bin/python3 -m dbusmock --template " ZWQ_UDISKS2_STANDIN " >/dev/null 2>&1 & echo $!").c_str());
        ok = Shell("gdbus wait --system org.freedesktop.UDisks2");
    }
    ~StandIn() {
        if (mock > 0) ::kill(mock, SIGTERM);
        if (daemon > 0) ::kill(daemon, SIGTERM);
        ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    }
    // A method of the stand-in's Mock interface, or of an object's (GetMethodCalls); its reply.
    std::string Call(const std::string& method, const std::vector<std::string>& arguments,
                     const std::string& object = "/org/freedesktop/UDisks2") {
        std::string command = "gdbus call --system --dest org.freedesktop.UDisks2 --object-path " + object +
                              " --method org.freedesktop.DBus.Mock." + method;
        for (const std::string& argument : arguments) command += " \"'" + argument + "'\"";
        return Output(command + " 2>&1");
    }
    bool Act(const std::string& method, const std::vector<std::string>& arguments) {
        return Call(method, arguments) == "()\n";
    }
    pid_t daemon = 0, mock = 0;
    bool ok = false;
};

}  // namespace

TEST(PosixVolumes, Udisks2CardsComeAreKnownElsewhereAndAreTakenOut) {
    StandIn standIn;
    if (!standIn.ok) GTEST_SKIP() << "no dbus-daemon or python3-dbusmock here";
    testsupport::TempDir dir;
    const std::string card = dir / "CARD", card1 = dir / "CARD1";
    testsupport::MakeDirs(card);
    testsupport::MakeDirs(card1);
    Watched watched;
    ASSERT_TRUE(watched.Change([&] { return standIn.Act("AddCard", {"sdb", card, kUuid, "PLAYER"}); }, card, true));
    EXPECT_EQ(watched.drives.Identity(card).uuid, kUuid);
    EXPECT_EQ(watched.drives.Identity(card).label, "PLAYER");
    ASSERT_TRUE(watched.Change([&] { return standIn.Act("Remount", {"sdb", card1}); }, card1, true));
    EXPECT_EQ(watched.drives.Identity(card1).uuid, kUuid);
    std::string reason;
    testsupport::WriteFile(card1 + "/busy", "");
    EXPECT_FALSE(watched.drives.Eject(card1, reason));
    EXPECT_EQ(reason, "Target is busy");
    std::remove((card1 + "/busy").c_str());
    EXPECT_TRUE(watched.Change([&] { return watched.drives.Eject(card1, reason); }, card1, false)) << reason;
    EXPECT_NE(standIn.Call("GetMethodCalls", {"PowerOff"}, "/org/freedesktop/UDisks2/drives/sdb"), "([],)\n");
    ASSERT_TRUE(watched.Change([&] { return standIn.Act("AddCard", {"sdc", card, "1234-ABCD", ""}); }, card, true));
    EXPECT_TRUE(watched.Change([&] { return standIn.Act("RemoveCard", {"sdc"}); }, card, false));
}

TEST(PosixVolumes, ACardComesGoesIsKnownAgainElsewhereAndIsTakenOut) {
    if (::geteuid() != 0) GTEST_SKIP() << "loop mounts need root";
    testsupport::TempDir dir;
    const std::string image = dir / "card.img";
    // Under /run/media, where desktops mount hot-plug media, so the drives list it.
    const std::string media = "/run/media/zwqtest" + std::to_string(::getpid());
    const std::string card = media + "/CARD", card1 = media + "/CARD1";
    if (!Shell("truncate -s 8M " + image + " && mkfs.ext4 -q -F -U " + kUuid + " " + image + " && mkdir -p " + card +
               " " + card1)) {
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
        std::ofstream open(card + "/BOOK_001.ydr");  // a file open on the card: the system says why not
        EXPECT_FALSE(watched.drives.Eject(card, reason));
        EXPECT_FALSE(reason.empty());
    }
    EXPECT_TRUE(watched.Change([&] { return watched.drives.Eject(card, reason); }, card, false)) << reason;
    ASSERT_TRUE(watched.Change([&] { return Shell("mount -o loop " + image + " " + card1); }, card1, true));
    EXPECT_EQ(watched.drives.Identity(card1).uuid, kUuid);
    EXPECT_TRUE(watched.Change([&] { return watched.drives.Eject(card1, reason); }, card1, false)) << reason;
    Shell("rm -rf " + media);
}
