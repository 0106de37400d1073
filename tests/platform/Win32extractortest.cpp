// RAR books on Windows without unrar.exe: the system's tar.exe, and the choice between the two
// extractors, run under Wine with the stand-in programs.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/Cardtexts.h"
#include "card/Zwqcardunit.h"
#include "platform/Paths.h"
#include "platform/win32/Win32platform.h"
#include "support/Rarwriter.h"
#include "support/Testsupport.h"

using platform::TarExtractor;
using testsupport::A;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// A copy of a stand-in program (a path relative to the test program's folder) as folder\name;
// returns its path. Each test has its own copy, so each has its own log beside it.
std::string CopyStandIn(const std::string& standIn, const std::string& folder, const std::string& name) {
    const std::string testFolder = platform::FolderOf(platform::Win32ShellFolders().ProgramFile());
    testsupport::MakeDirs(folder);
    const std::string copy = platform::JoinPath(folder, name);
    std::filesystem::copy_file(platform::ToFsPath(platform::JoinPath(testFolder, testsupport::Native(standIn))),
                               platform::ToFsPath(copy));
    return copy;
}

// The command lines a stand-in logged, in the program's code page.
std::vector<std::string> LoggedCalls(const std::string& log) {
    std::vector<std::string> calls;
    const std::string text = testsupport::Exists(log) ? ReadFile(log) : std::string();
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find("\r\n", start);
        calls.push_back(platform::Utf8ToCp1251(text.substr(start, end - start)));
        start = end + 2;
    }
    return calls;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The long form of a path given on a command line in quotes (perhaps in its short form).
std::string LongFormOfArgument(const std::string& quoted) {
    const std::wstring path = platform::WideName(quoted.substr(1, quoted.size() - 2));
    std::vector<wchar_t> buffer(MAX_PATH, L'\0');
    const DWORD n = GetLongPathNameW(path.c_str(), buffer.data(), MAX_PATH);
    return platform::AnsiName(std::wstring(buffer.data(), n));
}

// A folder with a stand-in tar.exe, as System32 holds the real one.
struct TarFixture {
    TempDir dir;
    std::string tar = CopyStandIn(ZWQ_FAKE_TAR, dir / "System32", "tar.exe");
    std::string log = dir / "System32/tar-log.txt";
    std::string out = dir / A("temp folder/ZWQTMP0 Временная");

    TarFixture() { testsupport::MakeDirs(out); }
    void Control(const std::string& file, const std::string& text) { WriteFile(dir / ("System32/" + file), text); }
    std::string Archive(const std::string& bytes) {
        const std::string path = dir / A("книги/Книга 1.rar");
        WriteFile(path, bytes);
        return path;
    }
};

}  // namespace

TEST(Tar, ListsTheArchiveTwiceThenUnpacksItIntoTheFolder) {
    TarFixture f;
    const std::string archive =
        f.Archive(testsupport::MakeRar5({{"BOOK_001.ydr", "x", false}, {"Глава/01.mp3", "1", false}}));
    TarExtractor extractor(f.tar);
    ASSERT_TRUE(extractor.Extract(archive, f.out));
    EXPECT_EQ(ReadFile(f.out + A("\\Глава\\01.mp3")), "1");

    // The tar program quoted, then the mode and the archive; the paths that hold Cyrillic
    // letters go in their short form, which tar's ANSI arguments cannot spoil.
    const std::vector<std::string> calls = LoggedCalls(f.log);
    ASSERT_EQ(calls.size(), 3u);
    const std::string program = Quoted(f.tar);
    const std::string archiveArgument = calls[0].substr(calls[0].find(" -tf ") + 5);
    EXPECT_EQ(calls[0], program + " -tf " + archiveArgument);
    EXPECT_EQ(LongFormOfArgument(archiveArgument), archive);
    EXPECT_EQ(calls[1], program + " -tvf " + archiveArgument);
    const std::string head = program + " -xf " + archiveArgument + " -C ";
    ASSERT_EQ(calls[2].substr(0, head.size()), head);
    EXPECT_EQ(LongFormOfArgument(calls[2].substr(head.size())), f.out);
}

TEST(Tar, EntriesThatWouldLeaveTheFolderAreRefusedBeforeAnythingIsUnpacked) {
    const std::string link = "lrwxrwxrwx  0 user group 0 Jan  1  2025 BOOK_001.ydr -> C:/Windows/win.ini\r\n";
    const struct {
        std::string entry;    // a second entry of the archive, after BOOK_001.ydr
        std::string details;  // what "tar -tvf" shows instead of the archive's own listing
        std::string refused;
    } cases[] = {
        {"../evil.txt", "", "../evil.txt"},
        {"sub/../../evil.txt", "", "sub/../../evil.txt"},
        {"/evil.txt", "", "/evil.txt"},
        {"C:evil.txt", "", "C:evil.txt"},
        {"ok.txt", link, "BOOK_001.ydr"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry + " " + c.details);
        TarFixture f;
        const std::string archive = f.Archive(testsupport::MakeRar4({{"BOOK_001.ydr", "x", false}, {c.entry, "!", false}}));
        if (!c.details.empty()) f.Control("tar-tvf.txt", c.details);
        TarExtractor extractor(f.tar);
        EXPECT_FALSE(extractor.Extract(archive, f.out));
        EXPECT_EQ(extractor.LastFailure(), TarExtractor::Failure::RefusedEntry);
        EXPECT_EQ(extractor.RefusedName(), c.refused);
        EXPECT_EQ(LoggedCalls(f.log).size(), 2u) << "tar was asked to unpack";
        EXPECT_EQ(testsupport::List(f.out), std::vector<std::string>{});
    }
}

TEST(Tar, ListingsAreReadLineByLineAndLinksAreToldByTheirLines) {
    const struct {
        std::string names, details;
        bool safe;
        std::string refused;
    } cases[] = {
        {"", "", true, ""},
        {"a\r\nb/c.mp3\r\n", "-rw-r--r--  0 u g 5 Jan  1  2025 a\r\ndrwxr-xr-x  0 u g 0 Jan  1 12:00 b/c.mp3\r\n", true, ""},
        // A hard link keeps the regular file's mark; only its line's end tells it.
        {"a\n", "-rw-r--r--  0 u g 0 Jan  1  2025 a link to b\n", false, "a"},
        {"d\n", "lrwxr-xr-x  0 u g 0 Jan  1  2025 d -> ..\n", false, "d"},
        {"dev\n", "crw-r--r--  0 u g 0 Jan  1  2025 dev\n", false, "dev"},
        // tar shows a backslash in a name as two.
        {"..\\\\x\n", "-rw-r--r--  0 u g 0 Jan  1  2025 ..\\\\x\n", false, "..\\\\x"},
        // The two listings disagree: the entry cannot be judged.
        {"a\n", "", false, "a"},
        {"", "-rw-r--r--  0 u g 0 Jan  1  2025 a\n", false, "-rw-r--r--  0 u g 0 Jan  1  2025 a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.names + "|" + c.details);
        std::string refused = "stale";
        EXPECT_EQ(TarExtractor::ListingIsSafe(c.names, c.details, refused), c.safe);
        EXPECT_EQ(refused, c.refused);
    }
}

TEST(Tar, ExitCodesAndDamagedArchivesAreFailures) {
    const struct {
        std::string control, code;
        bool damaged;
        std::size_t calls;
    } cases[] = {
        {"tar-exit-t.txt", "1", false, 1},
        {"tar-exit-x.txt", "2", false, 3},
        {"", "", true, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.control);
        TarFixture f;
        const std::string rar = testsupport::MakeRar4({{"BOOK_001.ydr", "x", false}});
        const std::string archive = f.Archive(c.damaged ? testsupport::CorruptCopy(rar) : rar);
        if (!c.control.empty()) f.Control(c.control, c.code);
        TarExtractor extractor(f.tar);
        EXPECT_FALSE(extractor.Extract(archive, f.out));
        EXPECT_EQ(extractor.LastFailure(), TarExtractor::Failure::Unreadable);
        EXPECT_EQ(LoggedCalls(f.log).size(), c.calls);
    }
}

TEST(Tar, ARunThatIsToldToStopIsEnded) {
    TarFixture f;
    const std::string archive = f.Archive(testsupport::MakeRar4({{"BOOK_001.ydr", "x", false}}));
    f.Control("tar-wait.txt", "");
    TarExtractor extractor(f.tar);
    int asked = 0;
    EXPECT_FALSE(extractor.Extract(archive, f.out, [&asked] { return ++asked < 2; }));
    EXPECT_EQ(extractor.LastFailure(), TarExtractor::Failure::Stopped);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(LoggedCalls(f.log).size(), 1u);
    // The ended program holds nothing open: its folder goes.
    EXPECT_TRUE(std::filesystem::remove_all(platform::ToFsPath(f.dir / "System32")) > 0);
}

// What a RAR write on Windows does with unrar.exe beside the program, the system's tar.exe, both
// or neither, end to end through the card model.
TEST(RarOnWindows, UnrarBesideTheProgramComesFirstThenTheSystemsTar) {
    const std::string unpackError = A("Ошибка во время разархивирования");
    const struct {
        bool unrar, tar;
        std::string control;  // a file put beside the stand-ins
        bool written;
        std::size_t unrarCalls, tarCalls;  // how many times each ran
        std::string advice;               // the line after unpackError; "@" stands for the program folder
    } cases[] = {
        {true, true, "", true, 1, 0, ""},
        {false, true, "", true, 0, 3, ""},
        // unrar.exe keeps its part alone: a failure of its own says nothing more.
        {true, true, "unrar-exit.txt", false, 1, 0, ""},
        {false, true, "tar-exit-t.txt", false, 0, 1,
         A("Системная программа tar.exe не смогла распаковать этот архив. Положите unrar.exe в папку @")},
        {false, false, "", false, 0, 0,
         A("Не найдены ни программа unrar.exe, ни системная программа tar.exe (она есть в Windows 10 и новее). "
           "Положите unrar.exe в папку @")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.unrar) + std::to_string(c.tar) + c.control);
        TempDir dir;
        testsupport::TestPlatform test(dir);
        test.folders.temp = (dir / "temp") + "\\";
        testsupport::MakeDirs(dir / "temp");
        testsupport::MakeDirs(dir / "card");
        const std::string programFolder = dir / A("Программа ZWQ");
        const std::string systemFolder = dir / "System32";
        testsupport::MakeDirs(programFolder);
        testsupport::MakeDirs(systemFolder);
        if (c.unrar) CopyStandIn(ZWQ_FAKE_UNRAR, programFolder, "unrar.exe");
        if (c.tar) CopyStandIn(ZWQ_FAKE_TAR, systemFolder, "tar.exe");
        if (!c.control.empty()) {
            WriteFile(platform::JoinPath(c.control.rfind("tar", 0) == 0 ? systemFolder : programFolder, c.control), "1");
        }
        platform::Win32RarExtractor extractor(programFolder, platform::JoinPath(systemFolder, "tar.exe"));
        platform::Platform withExtractor{test.platform.files,  test.folders,          extractor,
                                          test.platform.drives, test.platform.system, test.platform.integrationStyle,
                                          test.platform.registry};
        TMemoryCard card(withExtractor);
        card.SetCardPath(dir / "card");
        card.Scan();
        WriteFile(dir / "book.rar",
                  testsupport::MakeRar4({{"BOOK_001.ydr", testsupport::Crlf({"#TITLE=T", "#TOTAL_SIZE_KB=1", "01.mp3"}), false},
                                         {"01.mp3", "data", false}}));

        const TWriteOutcome outcome = card.AddBook(dir / "book.rar");
        EXPECT_EQ(static_cast<bool>(outcome), c.written);
        if (c.written) {
            EXPECT_EQ(ReadFile(dir / "card/BOOK_001/01.mp3"), "data");
        } else {
            std::string advice = c.advice;
            if (advice.find('@') != std::string::npos) advice.replace(advice.find('@'), 1, programFolder);
            EXPECT_EQ(CardErrorText(outcome.error), advice.empty() ? unpackError : unpackError + "\n" + advice);
        }
        EXPECT_EQ(LoggedCalls(platform::JoinPath(programFolder, "unrar-log.txt")).size(), c.unrarCalls);
        EXPECT_EQ(LoggedCalls(platform::JoinPath(systemFolder, "tar-log.txt")).size(), c.tarCalls);
        EXPECT_FALSE(testsupport::Exists(card.TempFolder));
    }
}
