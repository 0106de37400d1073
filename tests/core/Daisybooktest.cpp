#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Paths.h"
#include "support/Bookfixtures.h"
#include "support/Madebookcard.h"

using testsupport::A;
using testsupport::CopyFixture;
using testsupport::Crlf;
using testsupport::Fixture;
using testsupport::ReadFile;
using testsupport::SmilFile;
using testsupport::Snapshot;
using testsupport::WriteDaisy2;
using testsupport::WriteDaisy3;

namespace {

class DaisyBook : public ::testing::Test, public testsupport::MadeBookCard {
protected:
    // 01.mp3 (2 s), 02.mp3 (3 s), 03.mp3 (2 s) and 04.mp3 (3 s), which no clip names, in folder.
    void AudioFiles(const std::string& folder) {
        CopyFixture("plain2.mp3", source(folder + "/01.mp3"));
        CopyFixture("plain3.mp3", source(folder + "/02.mp3"));
        CopyFixture("plain2.mp3", source(folder + "/03.mp3"));
        CopyFixture("plain3.mp3", source(folder + "/04.mp3"));
    }
    // The card's files of slot n, as the fixtures they are copies of.
    std::vector<std::string> CardFiles(int n, int count) {
        std::vector<std::string> files;
        for (int i = 0; i < count; ++i) {
            const std::string bytes = CardFile(n, CardFileName(static_cast<std::size_t>(i), count, ".mp3"));
            files.push_back(bytes == ReadFile(Fixture("plain2.mp3")) ? "2 s" : bytes == ReadFile(Fixture("plain3.mp3")) ? "3 s" : "?");
        }
        return files;
    }
};

const std::vector<std::pair<std::string, std::string>> kMeta = {
    {"dc:title", "Сказки"}, {"dc:creator", "Пушкин"}, {"ncc:narrator", "Иванов"}};

}  // namespace

TEST_F(DaisyBook, Daisy2FilesFollowTheClipsInNavigationOrderEachOnce) {
    AudioFiles("d2");
    // b.smil is reached first; 02.mp3 plays twice; 04.mp3 is never played.
    WriteDaisy2(source("d2"), kMeta, {{"b.smil", {"02.mp3", "01.mp3", "02.mp3"}}, {"a.smil", {"03.mp3", "./01.mp3"}}});
    for (const std::string& path : {source("d2/ncc.html"), source("d2")}) {
        ASSERT_TRUE(Add(path)) << Why();
        const int slot = static_cast<int>(card.Books.size());
        const std::string slotName = TMemoryCard::SlotName(slot);
        EXPECT_EQ(Descriptor(slot), Crlf({A("#TITLE=Сказки"), A("#AUTHOR=Пушкин"), A("#ANNOUNCER=Иванов"),
                                          "#TOTAL_SIZE_KB=" + std::to_string((2 * 8928 + 12960 + 1023) / 1024),
                                          "#TOTAL_LENGTH_SEC=7", "#FILE_NUM=3", slotName + "\\001.mp3",
                                          slotName + "\\002.mp3", slotName + "\\003.mp3"}));
        EXPECT_EQ(CardFiles(slot, 3), (std::vector<std::string>{"3 s", "2 s", "2 s"}));
        card.Books.clear();  // the same book once more, as if the first were not listed
    }
}

TEST_F(DaisyBook, Daisy3FollowsTheNcxThenTheSpine) {
    AudioFiles("d3");
    WriteDaisy3(source("d3"), {{"s1.smil", {"01.mp3"}}, {"s2.smil", {"02.mp3"}}, {"s3.smil", {"04.mp3"}}},
                {"s2.smil", "s1.smil"});
    ASSERT_TRUE(Add(source("d3/book.opf"))) << Why();
    EXPECT_EQ(CardFiles(1, 3), (std::vector<std::string>{"3 s", "2 s", "3 s"}));
    // The narrator's name is outside Windows-1251: the descriptor is UTF-16.
    EXPECT_EQ(Descriptor(1), testsupport::Utf16File("#TITLE=Война и мир\r\n#AUTHOR=Толстой\r\n#ANNOUNCER=Ĉe Leganto\r\n"
                                                    "#TOTAL_SIZE_KB=" + std::to_string((8928 + 2 * 12960 + 1023) / 1024) +
                                                    "\r\n#TOTAL_LENGTH_SEC=8\r\n#FILE_NUM=3\r\nBOOK_001\\001.mp3\r\n"
                                                    "BOOK_001\\002.mp3\r\nBOOK_001\\003.mp3\r\n"));
}

TEST_F(DaisyBook, EntriesLeavingTheBookOrNamingMissingFilesAreRefused) {
    using Reason = TNotMade::Reason;
    const Reason outside = Reason::EntryOutside;
    const Reason missing = Reason::EntryMissing;
    CopyFixture("plain2.mp3", source("secret.mp3"));
    struct Case {
        std::vector<SmilFile> smil;
        Reason reason;
        std::string subject;
    };
    const std::vector<Case> cases = {
        {{{"a.smil", {"01.mp3", "../secret.mp3"}}}, outside, "../secret.mp3"},
        {{{"a.smil", {"%2E%2E/secret.mp3"}}}, outside, "%2E%2E/secret.mp3"},
        {{{"a.smil", {"/etc/passwd"}}}, outside, "/etc/passwd"},
        {{{"a.smil", {"C:\\secret.mp3"}}}, outside, "C:\\secret.mp3"},
        {{{"a.smil", {"http://example.com/x.mp3"}}}, outside, "http://example.com/x.mp3"},
        {{{"../a.smil", {"01.mp3"}}}, outside, "../a.smil"},
        {{{"a.smil", {"01.mp3", "Глава 9.mp3"}}}, missing, A("Глава 9.mp3")},
        {{{"a.smil", {"01.mp3"}}, {"gone.smil", {}}}, missing, "gone.smil"},  // removed below
    };
    const auto before = Snapshot(cardPath());
    int n = 0;
    for (const Case& c : cases) {
        const std::string folder = "h" + std::to_string(++n);
        CopyFixture("plain2.mp3", source(folder + "/01.mp3"));
        WriteDaisy2(source(folder), kMeta, c.smil);
        if (n == static_cast<int>(cases.size())) std::filesystem::remove(platform::ToFsPath(source(folder + "/gone.smil")));
        EXPECT_FALSE(Add(source(folder + "/ncc.html"))) << folder;
        EXPECT_EQ(Why(), testsupport::Failure(TCardError::Code::NotMade, c.subject)) << folder;
        EXPECT_EQ(last.error.notMade, c.reason) << folder;
        EXPECT_EQ(Snapshot(cardPath()), before) << folder;
    }
}

TEST_F(DaisyBook, NamesDifferingInLetterCaseAreFound) {
    AudioFiles("case");
    WriteDaisy2(source("case"), kMeta, {{"a.smil", {"01.MP3", "02.Mp3"}}});
    ASSERT_TRUE(Add(source("case"))) << Why();
    EXPECT_EQ(CardFiles(1, 2), (std::vector<std::string>{"2 s", "3 s"}));
}
