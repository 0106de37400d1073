// The Linux form of the platform services.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <filesystem>

#include "platform/Paths.h"
#include "platform/posix/Posixfd.h"
#include "platform/posix/Posixplatform.h"
#include "settings/Appdatainiunit.h"
#include "support/Rarwriter.h"
#include "support/Testsupport.h"

using testsupport::A;
using testsupport::Exists;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        const char* old = std::getenv(name);
        hadValue_ = old != nullptr;
        if (hadValue_) old_ = old;
        if (value == nullptr) ::unsetenv(name);
        else ::setenv(name, value, 1);
    }
    ~ScopedEnv() {
        if (hadValue_) ::setenv(name_.c_str(), old_.c_str(), 1);
        else ::unsetenv(name_.c_str());
    }

private:
    std::string name_;
    std::string old_;
    bool hadValue_ = false;
};

}  // namespace

TEST(PosixFolders, ApplicationDataFollowsTheBaseDirectoryRules) {
    platform::PosixShellFolders folders;
    {
        const ScopedEnv config("XDG_CONFIG_HOME", "/custom/config/");
        EXPECT_EQ(folders.AppDataFolder(), "/custom/config");
    }
    const ScopedEnv home("HOME", "/home/reader");
    {
        const ScopedEnv config("XDG_CONFIG_HOME", "relative/ignored");
        EXPECT_EQ(folders.AppDataFolder(), "/home/reader/.config");
    }
    const ScopedEnv config("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(folders.AppDataFolder(), "/home/reader/.config");
    const ScopedEnv cyrillicHome("HOME", "/home/Чтец");
    EXPECT_EQ(folders.AppDataFolder(), A("/home/Чтец/.config"));
    EXPECT_EQ(folders.ConfigHomeFolder(), A("/home/Чтец/.config"));
    {
        const ScopedEnv data("XDG_DATA_HOME", nullptr);
        EXPECT_EQ(folders.DataHomeFolder(), A("/home/Чтец/.local/share"));
    }
    const ScopedEnv data("XDG_DATA_HOME", "/custom/data");
    EXPECT_EQ(folders.DataHomeFolder(), "/custom/data");
}

TEST(PosixFolders, TemporaryFolderEndsWithASeparator) {
    platform::PosixShellFolders folders;
    {
        const ScopedEnv tmp("TMPDIR", "/var/tmp");
        EXPECT_EQ(folders.TempFolder(), "/var/tmp/");
    }
    const ScopedEnv tmp("TMPDIR", nullptr);
    EXPECT_EQ(folders.TempFolder(), "/tmp/");
    EXPECT_EQ(platform::FileNameOf(folders.ProgramFile()), "platform_tests");
}

TEST(PosixFiles, NamesAreUtf8OnTheDisk) {
    TempDir dir;
    platform::PosixFileSystem files;
    ASSERT_TRUE(files.MakeDirectory(dir / A("Книга")));
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::u8path(platform::NativeName(dir.path())) / "Книга"));
    std::vector<platform::DirEntry> entries;
    ASSERT_TRUE(files.ListDirectory(dir.path(), entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, A("Книга"));
    EXPECT_TRUE(entries[0].isDirectory);
    EXPECT_FALSE(files.ListDirectory("", entries));
}

TEST(PosixFiles, SpecialFilesAreNotRead) {
    TempDir dir;
    platform::PosixFileSystem files;
    ASSERT_EQ(::mkfifo(platform::NativeName(dir / "fifo").c_str(), 0600), 0);
    std::string data;
    EXPECT_FALSE(files.ReadWholeFile(dir / "fifo", data));
    EXPECT_FALSE(files.ReadWholeFile(dir.path(), data));
}

TEST(PosixFiles, RemoveTreeRemovesLinksNotWhatTheyPointTo) {
    TempDir dir;
    TempDir outside;
    WriteFile(outside / "keep.txt", "keep");
    WriteFile(dir / "tree/sub/file", "x");
    std::filesystem::create_directory_symlink(platform::ToFsPath(outside.path()), platform::ToFsPath(dir / "tree/link"));
    platform::PosixFileSystem files;
    EXPECT_TRUE(files.RemoveTree(dir / "tree"));
    EXPECT_FALSE(Exists(dir / "tree"));
    EXPECT_EQ(ReadFile(outside / "keep.txt"), "keep");
    EXPECT_TRUE(files.RemoveTree(dir / "tree"));  // already gone
}

// A descriptor with the immutable or append-only flag (chattr +i, +a) cannot be replaced; the
// flags are set here as chattr sets them, where the file system and the user may. inotify
// hears every open of the file, whoever opens it, before the open returns.
TEST(PosixFiles, AFileThatCannotChangeIsFoundWithoutOpeningIt) {
    TempDir dir;
    platform::PosixFileSystem files;
    const std::string book = dir / "BOOK_001.ydr";
    WriteFile(book, "#TITLE=T");
    const platform::Fd fd(::open(platform::NativeName(book).c_str(), O_RDONLY));  // the test's own, for the flags
    const platform::Fd opens(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    ASSERT_GE(::inotify_add_watch(opens.get(), platform::NativeName(book).c_str(), IN_OPEN | IN_ACCESS | IN_CLOSE), 0);
    const auto canReplace = [&](const std::string& path) {
        const bool can = files.CanReplace(path);
        std::array<char, 4096> events{};
        EXPECT_EQ(::read(opens.get(), events.data(), events.size()), -1) << path << " was opened";
        EXPECT_EQ(errno, EAGAIN) << path;
        return can;
    };
    EXPECT_TRUE(canReplace(book));
    EXPECT_TRUE(canReplace(dir / "BOOK_002.ydr"));  // a new one
    EXPECT_FALSE(canReplace(dir.path()));
    for (const int flag : {FS_IMMUTABLE_FL, FS_APPEND_FL}) {
        int flags = 0;
        if (::ioctl(fd.get(), FS_IOC_GETFLAGS, &flags) != 0) GTEST_SKIP() << "no file flags here";
        int fixed = flags | flag;
        if (::ioctl(fd.get(), FS_IOC_SETFLAGS, &fixed) != 0) GTEST_SKIP() << "flags not settable by this user";
        EXPECT_FALSE(canReplace(book)) << flag;
        ::ioctl(fd.get(), FS_IOC_SETFLAGS, &flags);
        EXPECT_TRUE(canReplace(book)) << flag;
    }
}

TEST(PosixFiles, FreeBytesOfTheVolume) {
    TempDir dir;
    platform::PosixFileSystem files;
    EXPECT_GT(files.FreeBytes(dir.path()), 0);
    EXPECT_EQ(files.FreeBytes(dir / "absent"), -1);
    EXPECT_EQ(files.FreeBytes(""), -1);
}

TEST(PosixSettings, AnUnreadableSettingsFileIsReported) {
    TempDir dir;
    testsupport::TestPlatform test(dir);
    testsupport::MakeDirs(dir / "appdata/kv8102tz/ZWQManager");
    const std::string file = dir / "appdata/kv8102tz/ZWQManager/ZWQManager.ini";
    ASSERT_EQ(::mkfifo(platform::NativeName(file).c_str(), 0600), 0);
    SettingsStore store("kv8102tz", "ZWQManager", test.platform);
    store.SetSetting("CARD_PATH", "/media/card");
    EXPECT_FALSE(store.LoadSettings());
    const auto& boxes = store.RecordedBoxes().boxes;
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, A("Ошибка во время загрузки файла настроек ") + file);
    EXPECT_EQ(boxes[0].caption, A("Загрузка настроек"));
    EXPECT_EQ(boxes[0].flags, 0x10u);
    // What the store held before is kept.
    EXPECT_EQ(store.GetSetting("CARD_PATH"), "/media/card");
}

TEST(Libarchive, UnpacksUnicodeNamesAndRar4BackslashFolders) {
    TempDir dir;
    std::setlocale(LC_CTYPE, "C");
    WriteFile(dir / "a.rar", testsupport::MakeRar4({{"Папка/Файл.txt", "rar4", false}}));
    WriteFile(dir / "b.rar", testsupport::MakeRar5({{"Папка/Файл.txt", "rar5", false}}));
    testsupport::MakeDirs(dir / "out4");
    testsupport::MakeDirs(dir / "out5");
    platform::LibarchiveExtractor extractor;
    ASSERT_TRUE(extractor.Extract(dir / "a.rar", dir / "out4"));
    ASSERT_TRUE(extractor.Extract(dir / "b.rar", dir / "out5"));
    EXPECT_EQ(ReadFile(dir / A("out4/Папка/Файл.txt")), "rar4");
    EXPECT_EQ(ReadFile(dir / A("out5/Папка/Файл.txt")), "rar5");
    // The program's own locale is put back.
    EXPECT_STREQ(std::setlocale(LC_CTYPE, nullptr), "C");
}

TEST(Libarchive, RefusesEntriesOutsideTheFolder) {
    TempDir dir;
    platform::LibarchiveExtractor extractor;
    testsupport::MakeDirs(dir / "out");
    for (const char* name : {"../up.txt", "a/../../up.txt", "/tmp/zwq-absolute.txt"}) {
        WriteFile(dir / "x.rar", testsupport::MakeRar5({{"ok.txt", "ok", false}, {name, "bad", false}}));
        EXPECT_FALSE(extractor.Extract(dir / "x.rar", dir / "out")) << name;
    }
    EXPECT_FALSE(Exists(dir / "up.txt"));
    EXPECT_FALSE(Exists("/tmp/zwq-absolute.txt"));
    EXPECT_FALSE(extractor.Extract(dir / "missing.rar", dir / "out"));
    WriteFile(dir / "not.rar", "PK\x03\x04 a zip file");
    EXPECT_FALSE(extractor.Extract(dir / "not.rar", dir / "out"));
}

TEST(PosixSystem, FindsAndStartsHelperProgramsWithoutWaiting) {
    TempDir dir;
    const std::string tool = dir / "bin/zwq-test-tool";
    WriteFile(tool, "#!/bin/sh\nsleep 0.2\nprintf '%s|' \"$@\" > \"$0.out.tmp\" && mv \"$0.out.tmp\" \"$0.out\"\n");
    std::filesystem::permissions(platform::ToFsPath(tool), std::filesystem::perms::owner_all);
    platform::PosixSystem system;
    {
        const ScopedEnv path("PATH", platform::NativeName(dir / "bin").c_str());
        EXPECT_EQ(system.FindProgram("zwq-test-tool"), tool);
        EXPECT_EQ(system.FindProgram("no-such-tool"), "");
    }
    ASSERT_TRUE(system.StartProcess(tool, {"a b", A("Книги")}));
    // Not waited for: the tool finishes on its own a little later.
    for (int i = 0; i < 200 && !Exists(tool + ".out"); ++i) ::usleep(50000);
    EXPECT_EQ(ReadFile(tool + ".out"), "a b|Книги|");
    EXPECT_FALSE(system.StartProcess(dir / "bin/missing", {}));
    EXPECT_EQ(system.CurrentDirectory(), platform::FromFsPath(std::filesystem::current_path()));
    EXPECT_TRUE(system.IsAdmin());
}
