// The Windows form of the platform services, run under Wine.
#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "app/Cardtexts.h"
#include "card/Zwqcardunit.h"
#include "platform/Paths.h"
#include "platform/win32/Win32platform.h"
#include "settings/Appdatainiunit.h"
#include "support/Rarwriter.h"
#include "support/Testsupport.h"

using testsupport::A;
using testsupport::Exists;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

std::string ProgramFolder() { return platform::FolderOf(platform::Win32ShellFolders().ProgramFile()); }

// A folder standing in for the program's own, with the stand-in extractor in it.
std::string MakeProgramFolder(const TempDir& dir, const std::string& name) {
    const std::string folder = dir / name;
    testsupport::MakeDirs(folder);
    std::filesystem::copy_file(platform::ToFsPath(platform::JoinPath(ProgramFolder(), ZWQ_FAKE_UNRAR)),
                               platform::ToFsPath(platform::JoinPath(folder, "unrar.exe")));
    return folder;
}

// How long a test waits for a program it started, and how often it looks.
constexpr auto kStartLimit = std::chrono::seconds(20);
constexpr auto kPollInterval = std::chrono::milliseconds(50);

// Whether the condition came true within kStartLimit.
bool Eventually(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(kPollInterval);
    }
    return true;
}

// A name no other run or test uses at the same time.
std::string UniqueName(const std::string& prefix) {
    static std::atomic<int> counter{0};
    return prefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64()) + "-" +
           std::to_string(counter++);
}

// ----- Registry -----

// Deletes a key below the parent with everything below it, deepest keys first, through the
// system's functions alone so that it cleans up whatever the code under test left.
void DeleteKeyTree(HKEY parent, const std::wstring& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    constexpr DWORD kNameBuffer = 256;
    for (;;) {
        wchar_t child[kNameBuffer] = {};
        DWORD length = kNameBuffer;
        if (RegEnumKeyExW(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        DeleteKeyTree(key, std::wstring(child, length));
        // A child that could not be deleted would come first again.
        HKEY left = nullptr;
        if (RegOpenKeyExW(key, child, 0, KEY_READ, &left) == ERROR_SUCCESS) {
            RegCloseKey(left);
            break;
        }
    }
    RegCloseKey(key);
    RegDeleteKeyW(parent, name.c_str());
}

// A value as the system holds it.
struct RawValue {
    bool found = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

RawValue ReadRawValue(const std::wstring& key, const wchar_t* name) {
    RawValue value;
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return value;
    DWORD size = 0;
    if (RegQueryValueExW(handle, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.data.resize(size);
        value.found = RegQueryValueExW(handle, name, nullptr, &value.type, value.data.data(), &size) == ERROR_SUCCESS;
        value.data.resize(size);
    }
    RegCloseKey(handle);
    return value;
}

// The REG_SZ data of a text: UTF-16 with its terminating zero.
std::vector<BYTE> RegSzData(const std::wstring& text) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t));
}

// A key of its own below HKEY_CLASSES_ROOT for each test, removed with everything below it
// however the test ends.
class Win32ClassesRegistry : public ::testing::Test {
protected:
    Win32ClassesRegistry() : root_(UniqueName("ZWQTest")) {}
    ~Win32ClassesRegistry() override { DeleteKeyTree(HKEY_CLASSES_ROOT, platform::WideName(root_)); }

    // The program's form of a key below the test's own: with the leading backslash.
    std::string Key(const std::string& below) const { return "\\" + root_ + below; }
    // The system's form of the same key.
    std::wstring SystemKey(const std::wstring& below) const { return platform::WideName(root_) + below; }

    platform::Win32Registry registry;

private:
    std::string root_;
};

// ----- Drives -----

// The folder the test setup made drive E: of, as a Windows path: "removable-card" beside the
// Wine prefix, reached through drive Z: (the Unix root).
std::string RemovableCardFolder() {
    const DWORD size = GetEnvironmentVariableA("WINEPREFIX", nullptr, 0);
    if (size == 0) return std::string();
    std::string prefix(size, '\0');
    prefix.resize(GetEnvironmentVariableA("WINEPREFIX", prefix.data(), size));
    std::replace(prefix.begin(), prefix.end(), '/', '\\');
    return "Z:" + platform::FolderOf(prefix) + "\\removable-card";
}

}  // namespace

TEST(Win32Files, CyrillicNamesReachTheDiskThroughTheWideFunctions) {
    TempDir dir;
    platform::Win32FileSystem files;
    ASSERT_TRUE(files.MakeDirectory(dir / A("Книга")));
    EXPECT_TRUE(std::filesystem::is_directory(platform::ToFsPath(dir.path()) / L"\u041A\u043D\u0438\u0433\u0430"));
    std::vector<platform::DirEntry> entries;
    ASSERT_TRUE(files.ListDirectory(dir.path(), entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, A("Книга"));
    EXPECT_TRUE(entries[0].isDirectory);
}

TEST(Win32Files, ReadOnlyFilesAndFoldersAreRemoved) {
    TempDir dir;
    platform::Win32FileSystem files;
    WriteFile(dir / "book/ro.mp3", "x");
    SetFileAttributesW(platform::WideName(dir / "book/ro.mp3").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(files.RemoveFile(dir / "book/ro.mp3"));
    EXPECT_FALSE(Exists(dir / "book/ro.mp3"));
    SetFileAttributesW(platform::WideName(dir / "book").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(files.RemoveTree(dir / "book"));
    EXPECT_FALSE(Exists(dir / "book"));
    WriteFile(dir / "tree/a/b.txt", "x");
    SetFileAttributesW(platform::WideName(dir / "tree/a/b.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(files.RemoveTree(dir / "tree"));
    EXPECT_FALSE(Exists(dir / "tree"));
}

TEST(Win32Files, FreeSpaceIsTheDrivesByItsLetter) {
    platform::Win32FileSystem files;
    EXPECT_GT(files.FreeBytes("C:"), 0);
    EXPECT_GT(files.FreeBytes("c:\\"), 0);
    // Only the letter counts: a folder that does not exist reports its drive.
    EXPECT_EQ(files.FreeBytes("C:\\no such folder\\x") > 0, true);
    EXPECT_EQ(files.FreeBytes(""), -1);
    EXPECT_EQ(files.FreeBytes("1:\\"), -1);
    EXPECT_EQ(files.FreeBytes("Q:\\"), -1);  // no such drive
}

TEST(Win32Folders, SystemFolders) {
    platform::Win32ShellFolders folders;
    EXPECT_EQ(folders.TempFolder().back(), '\\');
    const std::string appData = folders.AppDataFolder();
    ASSERT_FALSE(appData.empty());
    EXPECT_NE(appData.back(), '\\');
    EXPECT_TRUE(testsupport::IsDirectory(appData));
    EXPECT_EQ(platform::FileNameOf(folders.ProgramFile()), "platform_tests.exe");
}

TEST(Win32Settings, AFileLockedByAnotherProgramIsReported) {
    TempDir dir;
    testsupport::TestPlatform test(dir);
    const std::string file = dir / "appdata/kv8102tz/ZWQManager/ZWQManager.ini";
    WriteFile(file, "CARD_PATH=E:\\\r\n");
    const HANDLE lock = CreateFileW(platform::WideName(file).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    SettingsStore store("kv8102tz", "ZWQManager", test.platform);
    EXPECT_FALSE(store.LoadSettings());
    CloseHandle(lock);
    ASSERT_EQ(store.RecordedBoxes().boxes.size(), 1u);
    EXPECT_EQ(store.RecordedBoxes().boxes[0].text, A("Ошибка во время загрузки файла настроек ") + file);
    EXPECT_TRUE(store.LoadSettings());
    EXPECT_EQ(store.GetSetting("CARD_PATH"), "E:\\");
}

TEST(Unrar, CommandLine) {
    EXPECT_EQ(platform::UnrarExtractor::CommandLine(L"C:\\PROGRA~1\\ZWQ\\unrar.exe", L"D:\\Книги\\a b.rar",
                                                    L"C:\\TEMP\\ZWQTMP0\\"),
              L"C:\\PROGRA~1\\ZWQ\\unrar.exe x \"D:\\Книги\\a b.rar\" C:\\TEMP\\ZWQTMP0\\");
    // Blanks left in a path (no short names on the volume) are quoted so that a trailing
    // backslash cannot escape the quote.
    EXPECT_EQ(platform::UnrarExtractor::CommandLine(L"C:\\My Apps\\unrar.exe", L"a.rar", L"C:\\My Temp\\ZWQTMP0\\"),
              L"\"C:\\My Apps\\unrar.exe\" x \"a.rar\" \"C:\\My Temp\\ZWQTMP0\\\\\"");
}

TEST(Unrar, RunsTheExtractorBesideTheProgramAndWaitsForIt) {
    TempDir dir;
    const std::string programFolder = MakeProgramFolder(dir, "Program Files/ZWQ manager");
    const std::string temp = dir / A("temp folder/Временные");
    testsupport::MakeDirs(temp);
    WriteFile(dir / "src/book.rar", testsupport::MakeRar4({{"BOOK_001.ydr", "x", false}, {"Глава/01.mp3", "1", false}}));

    platform::UnrarExtractor extractor(programFolder);
    ASSERT_TRUE(extractor.Extract(dir / "src/book.rar", temp));
    EXPECT_EQ(ReadFile(temp + A("\\Глава\\01.mp3")), "1");

    // The log holds the command line: the extractor's short path without blanks, "x", the
    // quoted archive and the destination with its trailing backslash.
    const std::string log = ReadFile(platform::JoinPath(programFolder, "unrar-log.txt"));
    const std::string line = platform::Utf8ToCp1251(log.substr(0, log.find("\r\n")));
    const std::string extractorPart = line.substr(0, line.find(' '));
    EXPECT_EQ(platform::UpperCase1251(platform::FileNameOf(extractorPart)), "UNRAR.EXE");
    const std::string rest = line.substr(extractorPart.size());
    EXPECT_EQ(rest.substr(0, rest.find("\" ") + 2), " x \"" + (dir / "src/book.rar") + "\" ");
    const std::string destination = rest.substr(rest.find("\" ") + 2);
    const bool shortForm = destination.find(' ') == std::string::npos && destination.back() == '\\';
    const bool quoted = destination.front() == '"' && destination.size() > 3 &&
                        destination.compare(destination.size() - 3, 3, "\\\\\"") == 0;
    EXPECT_TRUE(shortForm || quoted) << destination;
}

TEST(Unrar, FailuresOfTheExtractor) {
    TempDir dir;
    testsupport::MakeDirs(dir / "out");
    WriteFile(dir / "book.rar", testsupport::MakeRar5({{"BOOK_001.ydr", "x", false}}));
    platform::UnrarExtractor missing(dir / "no extractor here");
    EXPECT_FALSE(missing.Extract(dir / "book.rar", dir / "out"));

    const std::string programFolder = MakeProgramFolder(dir, "prog");
    WriteFile(platform::JoinPath(programFolder, "unrar-exit.txt"), "3");
    platform::UnrarExtractor failing(programFolder);
    EXPECT_FALSE(failing.Extract(dir / "book.rar", dir / "out"));
    EXPECT_EQ(testsupport::List(dir / "out"), std::vector<std::string>{});
}

TEST(Unrar, AWriteFromAnArchiveThroughTheExtractor) {
    TempDir dir;
    testsupport::TestPlatform test(dir);
    test.folders.temp = (dir / "user temp") + "\\";
    testsupport::MakeDirs(dir / "user temp");
    platform::UnrarExtractor extractor(MakeProgramFolder(dir, "prog"));
    platform::Platform withExtractor{test.platform.files,  test.folders,          extractor,
                                      test.platform.drives, test.platform.system, test.platform.integrationStyle,
                                      test.platform.registry};
    testsupport::MakeDirs(dir / "card");
    TMemoryCard card(withExtractor);
    card.SetCardPath(dir / "card");
    card.Scan();
    WriteFile(dir / "book.rar",
              testsupport::MakeRar4({{"BOOK_001.ydr", testsupport::Crlf({"#TITLE=T", "#TOTAL_SIZE_KB=1", "a\\01.mp3"}), false},
                                     {"a/01.mp3", "data", false}}));
    const TWriteOutcome outcome = card.AddBook(dir / "book.rar");
    ASSERT_TRUE(outcome) << CardErrorText(outcome.error);
    EXPECT_EQ(ReadFile(dir / "card/BOOK_001/01.mp3"), "data");
    EXPECT_EQ(card.TempFolder, dir / "user temp/ZWQTMP0");
    EXPECT_FALSE(Exists(card.TempFolder));
}

TEST_F(Win32ClassesRegistry, KeysAreCreatedWithTheirIntermediateKeys) {
    EXPECT_FALSE(registry.KeyExists(Key("")));
    ASSERT_TRUE(registry.CreateKey(Key("\\shell\\open\\command")));
    EXPECT_TRUE(registry.KeyExists(Key("")));
    EXPECT_TRUE(registry.KeyExists(Key("\\shell")));
    EXPECT_TRUE(registry.KeyExists(Key("\\shell\\open")));
    EXPECT_TRUE(registry.KeyExists(Key("\\shell\\open\\command")));
    EXPECT_FALSE(registry.KeyExists(Key("\\shell\\edit")));
    // The key lies directly below HKEY_CLASSES_ROOT: the leading backslash is no part of it.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, SystemKey(L"\\shell\\open\\command").c_str(), 0, KEY_READ, &key),
              ERROR_SUCCESS);
    RegCloseKey(key);
    // Creating a key that is there already succeeds.
    EXPECT_TRUE(registry.CreateKey(Key("\\shell")));
    // So does a key with a Cyrillic name, which arrives in UTF-16.
    ASSERT_TRUE(registry.CreateKey(Key(A("\\Книги"))));
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, SystemKey(L"\\\u041A\u043D\u0438\u0433\u0438").c_str(), 0, KEY_READ, &key),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(Win32ClassesRegistry, TextValuesAreStoredAsUtf16AndReadBackByteForByte) {
    // The default value, written to a key that does not exist yet.
    ASSERT_TRUE(registry.WriteString(Key(""), "", A("Аудиокнига ZWQ")));
    const RawValue stored = ReadRawValue(SystemKey(L""), nullptr);
    ASSERT_TRUE(stored.found);
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(stored.data, RegSzData(L"\u0410\u0443\u0434\u0438\u043E\u043A\u043D\u0438\u0433\u0430 ZWQ"));
    std::string value;
    ASSERT_TRUE(registry.ReadString(Key(""), "", value));
    EXPECT_EQ(value, A("Аудиокнига ZWQ"));

    // A named value with a Cyrillic name.
    ASSERT_TRUE(registry.WriteString(Key("\\shell\\open"), A("Имя"), A("Открыть в менеджере")));
    const RawValue named = ReadRawValue(SystemKey(L"\\shell\\open"), L"\u0418\u043C\u044F");
    ASSERT_TRUE(named.found);
    EXPECT_EQ(named.type, static_cast<DWORD>(REG_SZ));
    ASSERT_TRUE(registry.ReadString(Key("\\shell\\open"), A("Имя"), value));
    EXPECT_EQ(value, A("Открыть в менеджере"));
    EXPECT_FALSE(registry.ReadString(Key("\\shell\\open"), "", value));  // no default value there

    // The open command with its quotes and blanks.
    const std::string command = "\"C:\\Program Files\\ZWQ Manager\\ZWQManager.exe\" \"%1\"";
    ASSERT_TRUE(registry.WriteString(Key("\\shell\\open\\command"), "", command));
    EXPECT_EQ(ReadRawValue(SystemKey(L"\\shell\\open\\command"), nullptr).data,
              RegSzData(L"\"C:\\Program Files\\ZWQ Manager\\ZWQManager.exe\" \"%1\""));
    ASSERT_TRUE(registry.ReadString(Key("\\shell\\open\\command"), "", value));
    EXPECT_EQ(value, command);

    // A shorter text replaces a longer one whole, and an empty text is a value too.
    ASSERT_TRUE(registry.WriteString(Key(""), "", "ydr"));
    ASSERT_TRUE(registry.ReadString(Key(""), "", value));
    EXPECT_EQ(value, "ydr");
    ASSERT_TRUE(registry.WriteString(Key(""), "", ""));
    value = "before";
    ASSERT_TRUE(registry.ReadString(Key(""), "", value));
    EXPECT_EQ(value, "");
}

TEST_F(Win32ClassesRegistry, OnlyTextValuesAreRead) {
    std::string value;
    EXPECT_FALSE(registry.ReadString(Key(""), "", value));
    EXPECT_FALSE(registry.ReadString(Key("\\no such key"), "", value));
    ASSERT_TRUE(registry.CreateKey(Key("")));
    EXPECT_FALSE(registry.ReadString(Key(""), "missing", value));
    // A number is no text.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, SystemKey(L"").c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    const DWORD number = 1;
    RegSetValueExW(key, L"EditFlags", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    RegCloseKey(key);
    EXPECT_FALSE(registry.ReadString(Key(""), "EditFlags", value));
}

TEST_F(Win32ClassesRegistry, SubkeysAreListedInIndexOrder) {
    for (const char* name : {"print", "open", "Edit"}) ASSERT_TRUE(registry.CreateKey(Key("\\shell\\") + name));
    ASSERT_TRUE(registry.CreateKey(Key(A("\\shell\\Слушать"))));
    ASSERT_TRUE(registry.CreateKey(Key("\\shell\\open\\command")));
    // The system keeps subkeys sorted by name without regard to case; only direct subkeys count.
    std::vector<std::string> names{"left over"};
    ASSERT_TRUE(registry.SubKeys(Key("\\shell"), names));
    EXPECT_EQ(names, (std::vector<std::string>{"Edit", "open", "print", A("Слушать")}));
    ASSERT_TRUE(registry.SubKeys(Key("\\shell\\print"), names));
    EXPECT_EQ(names, std::vector<std::string>{});
    EXPECT_FALSE(registry.SubKeys(Key("\\no such key"), names));
}

TEST_F(Win32ClassesRegistry, OnlyKeysWithoutSubkeysAreDeleted) {
    ASSERT_TRUE(registry.WriteString(Key("\\shell\\open\\command"), "", "x.exe \"%1\""));
    EXPECT_FALSE(registry.DeleteKey(Key("\\shell")));
    EXPECT_TRUE(registry.KeyExists(Key("\\shell\\open\\command")));
    // A value does not keep a key from being deleted.
    EXPECT_TRUE(registry.DeleteKey(Key("\\shell\\open\\command")));
    EXPECT_FALSE(registry.KeyExists(Key("\\shell\\open\\command")));
    EXPECT_TRUE(registry.KeyExists(Key("\\shell\\open")));
    EXPECT_FALSE(registry.DeleteKey(Key("\\shell\\open\\command")));
    EXPECT_TRUE(registry.DeleteKey(Key("\\shell\\open")));
    EXPECT_TRUE(registry.DeleteKey(Key("\\shell")));
    EXPECT_TRUE(registry.DeleteKey(Key("")));
    EXPECT_FALSE(registry.KeyExists(Key("")));
    // HKEY_CLASSES_ROOT itself is never deleted.
    EXPECT_FALSE(registry.DeleteKey("\\"));
    EXPECT_TRUE(registry.KeyExists("\\.ini"));
}

TEST(Win32System, IsWow64TellsA64BitWindows) {
    platform::Win32System system;
    if constexpr (sizeof(void*) == 8) {
        // A 64-bit build runs on 64-bit Windows, though not under the 32-bit layer.
        EXPECT_TRUE(system.IsWow64());
        BOOL wow64 = TRUE;
        ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
        EXPECT_FALSE(wow64);
    } else {
        // The 32-bit build's suites run on a 32-bit Windows.
        EXPECT_FALSE(system.IsWow64());
    }
}

TEST(Win32System, AdministratorRightsAreTheShellsAnswer) {
    platform::Win32System system;
    EXPECT_EQ(system.IsAdmin(), IsUserAnAdmin() != FALSE);
}

TEST(Win32System, SystemFolderAndSearchPath) {
    platform::Win32System system;
    const std::string systemFolder = system.SystemDirectory();
    ASSERT_FALSE(systemFolder.empty());
    EXPECT_NE(systemFolder.back(), '\\');
    EXPECT_TRUE(testsupport::IsDirectory(systemFolder));
    EXPECT_TRUE(testsupport::IsRegularFile(platform::JoinPath(systemFolder, "regsvr32.exe")));

    const std::string cmd = system.FindProgram("cmd.exe");
    EXPECT_TRUE(testsupport::IsRegularFile(cmd)) << cmd;
    EXPECT_EQ(platform::UpperCase1251(platform::FileNameOf(cmd)), "CMD.EXE");
    EXPECT_EQ(system.FindProgram("zwq-no-such-program.exe"), "");
    EXPECT_EQ(system.FindProgram(""), "");
}

TEST(Win32System, TheCurrentFolderIsSeenAndSearchedWithItsCyrillicName) {
    TempDir dir;
    const std::string folder = dir / A("Книги на карте");
    WriteFile(platform::JoinPath(folder, A("Программа.exe")), "MZ");
    platform::Win32System system;
    const std::string before = system.CurrentDirectory();
    ASSERT_TRUE(testsupport::IsDirectory(before)) << before;
    ASSERT_TRUE(SetCurrentDirectoryW(platform::WideName(folder).c_str()));
    const std::string current = system.CurrentDirectory();
    const std::string found = system.FindProgram(A("Программа.exe"));
    SetCurrentDirectoryW(platform::WideName(before).c_str());
    EXPECT_EQ(current, folder);
    EXPECT_EQ(found, platform::JoinPath(folder, A("Программа.exe")));
    EXPECT_EQ(system.CurrentDirectory(), before);
}

TEST(Win32System, StartsAProgramWithoutWaitingForIt) {
    TempDir dir;
    const std::string folder = dir / "folder with blanks";
    // The batch waits until the test lets it go, then writes how long it waited (in rounds);
    // after a bounded number of rounds it gives up, so a start that waits cannot hang forever.
    const std::string batch = platform::JoinPath(folder, "wait for go.bat");
    WriteFile(batch, testsupport::Crlf({"@echo off", "set /a n=0", ":wait", "if exist \"%~dp0go.txt\" goto done",
                                        "set /a n+=1", "if %n% lss 100000 goto wait", ":done",
                                        "echo %n%>\"%~dp0out.txt\""}));
    const std::string out = platform::JoinPath(folder, "out.txt");
    platform::Win32System system;
    const std::string cmd = system.FindProgram("cmd.exe");
    ASSERT_TRUE(system.StartProcess(cmd, {"/c", "\"" + batch + "\""}));
    // Had the start waited for the program, the batch would have given up and written its file.
    EXPECT_FALSE(Exists(out));
    WriteFile(platform::JoinPath(folder, "go.txt"), "");
    ASSERT_TRUE(Eventually([&out] { return !ReadFile(out).empty(); }));
    EXPECT_LT(std::stoi(ReadFile(out)), 100000);
}

TEST(Win32System, TheCommandLineIsTheQuotedProgramAndTheArgumentsAsGiven) {
    TempDir dir;
    const std::string programFolder = MakeProgramFolder(dir, A("Program Files/ZWQ менеджер"));
    const std::string program = platform::JoinPath(programFolder, "unrar.exe");
    platform::Win32System system;
    ASSERT_TRUE(system.StartProcess(program, {"/s", "\"C:\\x y\\ZWQShellExt32.dll\""}));
    // The stand-in writes its command line beside itself as soon as it runs.
    const std::string log = platform::JoinPath(programFolder, "unrar-log.txt");
    ASSERT_TRUE(Eventually([&log] { return ReadFile(log).find("\r\n") != std::string::npos; }));
    const std::string text = ReadFile(log);
    EXPECT_EQ(platform::Utf8ToCp1251(text.substr(0, text.find("\r\n"))),
              "\"" + program + "\" /s \"C:\\x y\\ZWQShellExt32.dll\"");

    EXPECT_FALSE(system.StartProcess(dir / "no such program.exe", {}));
    EXPECT_FALSE(system.StartProcess(dir / "folder with blanks", {}));
}

TEST(Win32System, TheShellRunsAProgramAskedToRunElevatedInTheGivenFolder) {
    // Wine has no elevation prompt: the shell runs the program at once.
    TempDir dir;
    const std::string folder = dir / A("рабочая папка");
    testsupport::MakeDirs(folder);
    platform::Win32System system;
    const std::string cmd = system.FindProgram("cmd.exe");
    const int result = system.RunElevated(cmd, "/c echo elevated>out.txt", folder);
    EXPECT_GT(result, 32);
    const std::string out = platform::JoinPath(folder, "out.txt");
    ASSERT_TRUE(Eventually([&out] { return !ReadFile(out).empty(); }));
    EXPECT_EQ(ReadFile(out), "elevated\r\n");
    EXPECT_LE(system.RunElevated(dir / "no such program.exe", "", folder), 32);
}

TEST(Win32Drives, TheCardDriveIsListedAsRemovable) {
    platform::Win32Drives drives;
    const std::vector<std::string> roots = drives.RemovableDrives();
    // The test setup made E: a removable drive; C: is the fixed system drive.
    EXPECT_NE(std::find(roots.begin(), roots.end(), "E:\\"), roots.end());
    EXPECT_EQ(std::find(roots.begin(), roots.end(), "C:\\"), roots.end());
    for (const std::string& root : roots) {
        ASSERT_EQ(root.size(), 3u) << root;
        EXPECT_TRUE(root[0] >= 'A' && root[0] <= 'Z') << root;
        EXPECT_EQ(root.substr(1), ":\\");
        EXPECT_EQ(GetDriveTypeA(root.c_str()), static_cast<UINT>(DRIVE_REMOVABLE)) << root;
    }
    EXPECT_TRUE(std::is_sorted(roots.begin(), roots.end()));
    EXPECT_EQ(std::adjacent_find(roots.begin(), roots.end()), roots.end());
}

TEST(Win32Drives, AFileWrittenThroughTheCardDriveLandsInItsFolder) {
    const std::string folder = RemovableCardFolder();
    ASSERT_TRUE(testsupport::IsDirectory(folder)) << folder;
    const std::string name = UniqueName("zwqtest-") + ".txt";
    WriteFile("E:\\" + name, "card");
    const std::string inFolder = platform::JoinPath(folder, name);
    EXPECT_EQ(ReadFile(inFolder), "card");
    std::filesystem::remove(platform::ToFsPath(inFolder));
    EXPECT_FALSE(Exists("E:\\" + name));
}
