// The Windows form of the platform services, run under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

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
    EXPECT_TRUE(files.RemoveEmptyDirectory(dir / "book"));
    EXPECT_FALSE(Exists(dir / "book"));
    WriteFile(dir / "tree/a/b.txt", "x");
    SetFileAttributesW(platform::WideName(dir / "tree/a/b.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(files.RemoveTree(dir / "tree"));
    EXPECT_FALSE(Exists(dir / "tree"));
}

TEST(Win32Files, CopiesAndMovesNeverReplace) {
    TempDir dir;
    platform::Win32FileSystem files;
    WriteFile(dir / "a", "A");
    WriteFile(dir / "b", "B");
    EXPECT_FALSE(files.CopyNoReplace(dir / "a", dir / "b"));
    EXPECT_EQ(ReadFile(dir / "b"), "B");
    EXPECT_FALSE(files.MoveNoReplace(dir / "a", dir / "b"));
    EXPECT_TRUE(files.MoveNoReplace(dir / "a", dir / "c"));
    EXPECT_TRUE(files.WriteReplacing(dir / "b", "new"));
    EXPECT_EQ(ReadFile(dir / "b"), "new");
    EXPECT_FALSE(Exists(dir / "ZWQSAVE.TMP"));
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
    ASSERT_TRUE(card.AddBook(dir / "book.rar")) << card.ErrorText;
    EXPECT_EQ(ReadFile(dir / "card/BOOK_001/01.mp3"), "data");
    EXPECT_EQ(card.TempFolder, dir / "user temp/ZWQTMP0");
    EXPECT_FALSE(Exists(card.TempFolder));
}
