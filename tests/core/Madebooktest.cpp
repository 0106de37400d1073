#include <gtest/gtest.h>

#include <filesystem>

#include "book/Ydrunit.h"
#include "platform/Paths.h"
#include "support/Bookfixtures.h"
#include "support/Madebookcard.h"
#include "support/Rarwriter.h"

using testsupport::A;
using testsupport::CopyFixture;
using testsupport::Crlf;
using testsupport::Fixture;
using testsupport::ReadFile;
using testsupport::Snapshot;
using testsupport::WriteFile;
using testsupport::Failure;
using Code = TCardError::Code;

namespace {

class MadeBook : public ::testing::Test, public testsupport::MadeBookCard {
protected:
    // The total size in whole KB, rounded up, of the made files.
    static std::string SizeKb(const std::vector<std::string>& fixtures) {
        int64_t bytes = 0;
        for (const std::string& name : fixtures) bytes += static_cast<int64_t>(ReadFile(Fixture(name)).size());
        return std::to_string((bytes + 1023) / 1024);
    }
};

}  // namespace

TEST_F(MadeBook, FolderIsWrittenInListeningOrderUnderNumberedNames) {
    testsupport::MakeCardBook(cardPath(), 1, "One", {"a.mp3"});
    card.Scan();
    CopyFixture("plain3.mp3", source("Лев Толстой - Детство/CD2/01.mp3"));
    CopyFixture("plain2.mp3", source("Лев Толстой - Детство/CD1/Глава 10.mp3"));
    CopyFixture("plain3.mp3", source("Лев Толстой - Детство/CD1/Глава 2.MP3"));
    WriteFile(source("Лев Толстой - Детство/cover.jpg"), "jpg");
    WriteFile(source("Лев Толстой - Детство/notes.txt"), "txt");
    const std::string folder = source("Лев Толстой - Детство");

    ASSERT_EQ(Find(folder), Failure(Code::None));
    EXPECT_EQ(found.book.LeftOut, (std::vector<std::string>{"cover.jpg", "notes.txt"}));
    EXPECT_EQ(found.book.TotalSeconds(), 8);

    ASSERT_TRUE(Add(folder)) << Why();
    EXPECT_EQ(card.LastTitle, A("Лев Толстой - Детство"));
    EXPECT_EQ(Descriptor(2), Crlf({A("#TITLE=Детство"), A("#AUTHOR=Лев Толстой"),
                                                 "#TOTAL_SIZE_KB=" + SizeKb({"plain3.mp3", "plain2.mp3", "plain3.mp3"}),
                                                 "#TOTAL_LENGTH_SEC=8", "#FILE_NUM=3", "BOOK_002\\001.mp3",
                                                 "BOOK_002\\002.mp3", "BOOK_002\\003.mp3"}));
    EXPECT_EQ(CardFile(2, "001.mp3"), ReadFile(Fixture("plain3.mp3")));
    EXPECT_EQ(CardFile(2, "002.mp3"), ReadFile(Fixture("plain2.mp3")));
    EXPECT_EQ(testsupport::List(dir / "card/BOOK_002"), (std::vector<std::string>{"001.mp3", "002.mp3", "003.mp3"}));
    ASSERT_EQ(card.Books.size(), 2u);
    EXPECT_EQ(card.Books[1]->DisplayName, A("Лев Толстой - Детство"));
    EXPECT_EQ(card.Books[1]->TotalLengthSec, 8);
}

TEST_F(MadeBook, TitleAndAuthorComeFromTagsElseFromTheName) {
    struct Case {
        const char* folder;
        std::vector<const char*> fixtures;
        const char* title;
        const char* author;
    };
    const Case cases[] = {
        {"tags", {"child.mp3", "boyhood.mp3", "child.mp3"}, "Детство", "Лев Толстой"},  // the most common album
        {"Кто-то - Что-то", {"albumartist.mp3"}, "Сказки", "Народ"},                   // album artist for author
        {"Лев Толстой - Детство", {"plain2.mp3"}, "Детство", "Лев Толстой"},           // split at the first " - "
        {"Просто название", {"plain2.mp3"}, "Просто название", ""},
        {"A - B - C", {"plain2.mp3"}, "B - C", "A"},
    };
    for (const Case& c : cases) {
        // Where the tags cannot be read, the book takes its names from the folder's name.
        if (!testsupport::TagsReadable() && std::string(c.fixtures.front()) != "plain2.mp3") continue;
        for (std::size_t i = 0; i < c.fixtures.size(); ++i) {
            CopyFixture(c.fixtures[i], source(std::string(c.folder) + "/" + std::to_string(i + 1) + ".mp3"));
        }
        ASSERT_EQ(Find(source(c.folder)), Failure(Code::None));
        EXPECT_EQ(found.book.Title, c.title) << c.folder;
        EXPECT_EQ(found.book.Author, c.author) << c.folder;
        EXPECT_EQ(found.book.Announcer, "") << c.folder;
    }
}

TEST_F(MadeBook, EditedValuesAreWrittenAndTextsOutsideWindows1251GoToUtf16) {
    CopyFixture("esperanto.mp3", source("eo/1.mp3"));
    ASSERT_EQ(Find(source("eo")), Failure(Code::None));
    if (testsupport::TagsReadable()) {
        EXPECT_EQ(found.book.Title, "Ĉu vi parolas");
    }
    TMadeBook& book = found.book;
    book.Title = "Ĉu vi parolas";
    book.Author = "Ludoviko Zamenhof";
    book.Announcer = "Иван Петров";
    ASSERT_TRUE(last = card.WriteFoundBook(found)) << Why();
    const std::string bytes = Descriptor(1);
    EXPECT_EQ(bytes, testsupport::Utf16File(
                         "#TITLE=Ĉu vi parolas\r\n#AUTHOR=Ludoviko Zamenhof\r\n#ANNOUNCER=Иван Петров\r\n#TOTAL_SIZE_KB=" +
                         SizeKb({"esperanto.mp3"}) + "\r\n#TOTAL_LENGTH_SEC=1\r\n#FILE_NUM=1\r\nBOOK_001\\001.mp3\r\n"));
    card.Scan();
    ASSERT_EQ(card.Books.size(), 1u);
    EXPECT_EQ(card.Books[0]->Announcer, A("Иван Петров"));

    // Edited to fit Windows-1251, the same book is written in it.
    book.Title = "Говорите ли вы";
    ASSERT_TRUE(last = card.WriteFoundBook(found)) << Why();
    EXPECT_EQ(Descriptor(2).substr(0, 23), A("#TITLE=Говорите ли вы\r\n"));
}

TEST_F(MadeBook, BrokenFilesAreTakenWithoutTheirPlayingTime) {
    CopyFixture("plain2.mp3", source("b/1.mp3"));
    WriteFile(source("b/2.mp3"), std::string(5000, '\x55'));
    WriteFile(source("c/1.mp3"), "");
    WriteFile(source("c/2.mp3"), "not audio");
    ASSERT_TRUE(Add(source("b"))) << Why();
    const std::string descriptor = Descriptor(1);
    EXPECT_NE(descriptor.find("#TOTAL_LENGTH_SEC=2\r\n#FILE_NUM=2\r\n"), std::string::npos) << descriptor;
    ASSERT_TRUE(Add(source("c"))) << Why();
    EXPECT_EQ(Descriptor(2), Crlf({"#TITLE=c", "#AUTHOR=", "#TOTAL_SIZE_KB=1", "#FILE_NUM=2", "BOOK_002\\001.mp3",
                                   "BOOK_002\\002.mp3"}));
}

TEST_F(MadeBook, ArchivesOfFolderDaisyAndDescriptorBooks) {
    // ZIP and 7z need tar.exe under Windows (Wine has none); a RAR goes to unrar.exe everywhere.
    const bool tar = testsupport::ArchivesUnpackable();
    struct Case {
        std::string archive;
        std::string displayName;
        std::vector<const char*> files;  // the fixtures the card's 001.mp3 ... hold
        std::vector<std::string> head;   // the descriptor's lines before its files, when compared
    };
    // The only folder at an archive's top names the book before the archive's own name does,
    // field by field; a RAR without a descriptor is made like the others. The descriptors are
    // the same bytes on every system: no tags, the names from the folder, the times from the
    // frames.
    WriteFile(source("54321.rar"), testsupport::MakeRar5({{"Пушкин - Повести/01.mp3", ReadFile(Fixture("plain3.mp3"))}}));
    const Case cases[] = {
        {Fixture("Лев Толстой - Детство.zip"), A("Лев Толстой - Детство"), {"plain2.mp3", "plain3.mp3"}, {}},
        {Fixture("daisy.7z"), A("Пушкин - Сказки"), {"plain3.mp3", "plain2.mp3"}, {}},
        {Fixture("12345.zip"), A("Лев Толстой - Отрочество"), {"plain2.mp3"},
         {A("#TITLE=Отрочество"), A("#AUTHOR=Лев Толстой"), "#TOTAL_SIZE_KB=9", "#TOTAL_LENGTH_SEC=2", "#FILE_NUM=1"}},
        {source("54321.rar"), A("Пушкин - Повести"), {"plain3.mp3"},
         {A("#TITLE=Повести"), A("#AUTHOR=Пушкин"), "#TOTAL_SIZE_KB=13", "#TOTAL_LENGTH_SEC=3", "#FILE_NUM=1"}},
    };
    for (const Case& c : cases) {
        if (!tar && !platform::HasExtension(c.archive, ".rar")) continue;
        ASSERT_TRUE(Add(c.archive)) << Why();
        const int slot = static_cast<int>(card.Books.size());
        EXPECT_EQ(card.LastTitle, c.displayName);
        std::vector<std::string> lines = c.head;
        for (std::size_t i = 0; i < c.files.size(); ++i) {
            const std::string name = CardFileName(i, c.files.size(), ".mp3");
            EXPECT_EQ(CardFile(slot, name), ReadFile(Fixture(c.files[i]))) << c.archive;
            lines.push_back(TMemoryCard::SlotName(slot) + "\\" + name);
        }
        if (!c.head.empty()) {
            EXPECT_EQ(Descriptor(slot), Crlf(lines)) << c.archive;
        }
        EXPECT_TRUE(TempContent().empty()) << c.archive;
    }
    if (!tar) GTEST_SKIP() << "no tar.exe here to unpack ZIP and 7z archives: only the RAR was written";
    EXPECT_NE(Descriptor(2).find(A("#ANNOUNCER=Иванов\r\n")), std::string::npos);
    // A descriptor book in a ZIP is written as it comes, as from a RAR.
    ASSERT_TRUE(Add(Fixture("descriptor.zip"))) << Why();
    EXPECT_EQ(Descriptor(5), Crlf({"#TITLE=Ready", "#AUTHOR=Maker", "#TOTAL_SIZE_KB=9", "BOOK_005\\01.mp3"}));
    EXPECT_TRUE(TempContent().empty());
}

TEST_F(MadeBook, AFolderHoldingADescriptorBookIsWrittenAsThatBook) {
    const std::string descriptor = testsupport::MakeSourceBook(
        source("ready"), "BOOK_001.ydr", {"#TITLE=Ready", "#AUTHOR=Maker", "#TOTAL_SIZE_KB=1"}, {{"x.mp3", "data"}});
    ASSERT_TRUE(Add(source("ready"))) << Why();
    EXPECT_EQ(Descriptor(1), Crlf({"#TITLE=Ready", "#AUTHOR=Maker", "#TOTAL_SIZE_KB=1", "BOOK_001\\x.mp3"}));
}

TEST_F(MadeBook, RefusalsLeaveTheCardAndTheTemporaryFolderAsTheyWere) {
    testsupport::MakeCardBook(cardPath(), 1, A("Детство"), {"a.mp3"});
    card.Scan();
    WriteFile(source("empty/readme.txt"), "text");
    CopyFixture("plain2.mp3", source("Лев Толстой - Детство/1.mp3"));
    const auto before = Snapshot(cardPath());
    struct Case {
        std::string path;
        Failure error;
    };
    const Case cases[] = {
        {source("empty"), Failure(Code::NotMade, source("empty"))},
        {source("Лев Толстой - Детство"), Failure(Code::AlreadyOnCard, A("Лев Толстой - Детство"))},
    };
    card.Books[0]->DisplayName = A("Лев Толстой - Детство");  // as if that book were listed
    std::vector<Case> all(std::begin(cases), std::end(cases));
    if (testsupport::ArchivesUnpackable()) {
        all.push_back({Fixture("nothing.zip"), Failure(Code::NotMade, Fixture("nothing.zip"))});
    }
    for (const Case& c : all) {
        // Without a scan between them, which would list the book under its own name again.
        EXPECT_FALSE(last = card.AddBook(c.path)) << c.path;
        EXPECT_EQ(Why(), c.error);
        EXPECT_EQ(Snapshot(cardPath()), before) << c.path;
        EXPECT_TRUE(TempContent().empty()) << c.path;
    }
    // An archive bigger than the free space is refused (before it is unpacked where the
    // extractor can list it).
    if (!testsupport::ArchivesUnpackable()) return;
    test.files.useRealFreeBytes = false;
    test.files.freeBytes = 1000;
    EXPECT_FALSE(Add(Fixture("Лев Толстой - Детство.zip")));
    EXPECT_EQ(Why(), Failure(Code::NoRoom));
    EXPECT_TRUE(TempContent().empty());
    EXPECT_EQ(Snapshot(cardPath()), before);
}

TEST_F(MadeBook, FolderLinksAreNotFollowed) {
    CopyFixture("plain2.mp3", source("loop/1.mp3"));
    std::error_code error;
    std::filesystem::create_directory_symlink(platform::ToFsPath(source("loop")), platform::ToFsPath(source("loop/again")),
                                              error);
    if (error) GTEST_SKIP() << "no folder links here";
    ASSERT_TRUE(Add(source("loop"))) << Why();
    EXPECT_NE(Descriptor(1).find("#FILE_NUM=1\r\n"), std::string::npos);
}
