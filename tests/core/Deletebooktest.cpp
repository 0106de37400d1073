#include <gtest/gtest.h>

#include <map>
#include <set>

#include "card/Zwqcardunit.h"
#include "platform/Paths.h"
#include "support/Testsupport.h"

using testsupport::A;
using testsupport::Crlf;
using testsupport::Exists;
using testsupport::List;
using testsupport::MakeCardBook;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

class DeleteBook : public ::testing::Test {
protected:
    DeleteBook() { card.SetCardPath(dir.path()); }

    void MakeBooks(std::initializer_list<int> numbers) {
        for (int n : numbers) MakeCardBook(dir.path(), n, testsupport::Numbered("T", n), {"1.mp3", "2.mp3"});
        card.Scan();
    }
    std::size_t IndexOf(int number) const {
        for (std::size_t i = 0; i < card.Books.size(); ++i) {
            if (card.Books[i]->Number == number) return i;
        }
        ADD_FAILURE() << "no book " << number;
        return card.Books.size();
    }
    // Slot number -> title, after a fresh scan; every book's files must be where its
    // descriptor says.
    std::map<int, std::string> Titles() {
        card.Scan();
        std::map<int, std::string> titles;
        for (const auto& book : card.Books) {
            titles[book->Number] = book->Title;
            for (const std::string& entry : book->Files) {
                EXPECT_EQ(platform::EntryFolder(entry), card.SlotName(book->Number));
                EXPECT_TRUE(Exists(platform::JoinPath(dir.path(), platform::EntryToPath(entry)))) << entry;
            }
        }
        return titles;
    }

    TempDir dir;
    TMemoryCard card;
};

}  // namespace

TEST_F(DeleteBook, RemovesTheBookAndMovesTheBooksAboveItDown) {
    MakeBooks({1, 2, 3, 4});
    card.DeleteBook(IndexOf(2));
    // Which of books 3 and 4 takes number 2 depends on the directory's order (see below);
    // either way the numbers are 1 to 3 and every book is whole under its new number.
    const std::map<int, std::string> titles = Titles();
    ASSERT_EQ(titles.size(), 3u);
    EXPECT_EQ(titles.at(1), "T1");
    EXPECT_EQ(std::set<std::string>({titles.at(2), titles.at(3)}), (std::set<std::string>{"T3", "T4"}));
    EXPECT_EQ(ReadFile(dir / "BOOK_002.ydr"), Crlf({"#TITLE=" + titles.at(2), "#AUTHOR=" + A("Автор"),
                                                    "#TOTAL_SIZE_KB=1024", "BOOK_002\\1.mp3", "BOOK_002\\2.mp3"}));
    EXPECT_EQ(ReadFile(dir / "BOOK_003/2.mp3"), titles.at(3) + "/2.mp3");
    EXPECT_EQ(List(dir.path()), (std::vector<std::string>{"BOOK_001.ydr", "BOOK_001/", "BOOK_002.ydr", "BOOK_002/",
                                                          "BOOK_003.ydr", "BOOK_003/"}));
}

TEST_F(DeleteBook, TheHighestBookMovesNothingAndABadIndexDoesNothing) {
    MakeBooks({1, 2, 3});
    card.DeleteBook(card.Books.size());
    EXPECT_EQ(Titles().size(), 3u);
    card.DeleteBook(IndexOf(3));
    EXPECT_EQ(Titles(), (std::map<int, std::string>{{1, "T1"}, {2, "T2"}}));
}

TEST_F(DeleteBook, RenumberingKeepsTheBooksOrderWhateverTheCatalogueOrder) {
    MakeBooks({1, 2, 3, 4});
    // Put book 4 first in the catalogue, as a directory that lists 4, 1, 3 would.
    std::stable_partition(card.Books.begin(), card.Books.end(), [](const auto& b) { return b->Number == 4; });
    card.Books.erase(card.Books.begin() + static_cast<long>(IndexOf(2)));
    // Remove book 2's files by hand and let CloseGaps run on this catalogue.
    std::filesystem::remove_all(platform::ToFsPath(dir / "BOOK_002"));
    std::filesystem::remove(platform::ToFsPath(dir / "BOOK_002.ydr"));
    card.CloseGaps();
    // The books above the gap move down by one in number order: 3 to 2, then 4 to 3.
    EXPECT_EQ(Titles(), (std::map<int, std::string>{{1, "T1"}, {2, "T3"}, {3, "T4"}}));
}

TEST_F(DeleteBook, OnlyTheSlotNamesChange) {
    MakeCardBook(dir.path(), 1, "T1", {"1.mp3"});
    testsupport::MakeDirs(dir / "BOOK_003");
    WriteFile(dir / "BOOK_003/a.mp3", "a");
    WriteFile(dir / "BOOK_003.ydr", Crlf({"#TITLE=About BOOK_003 and book_003", "#TOTAL_SIZE_KB=1", "",
                                          "BOOK_003\\a.mp3", "book_003\\b.mp3"}));
    card.Scan();
    card.CloseGaps();
    // In "#" lines the exact spelling changes; a file entry names the folder in any letter
    // case, as the card's file system finds it, so it follows the folder.
    EXPECT_EQ(ReadFile(dir / "BOOK_002.ydr"), Crlf({"#TITLE=About BOOK_002 and book_003", "#TOTAL_SIZE_KB=1", "",
                                                    "BOOK_002\\a.mp3", "BOOK_002\\b.mp3"}));
    EXPECT_FALSE(Exists(dir / "BOOK_003.ydr"));
    EXPECT_EQ(ReadFile(dir / "BOOK_002/a.mp3"), "a");
}

TEST_F(DeleteBook, BooksThatCannotBeMovedStay) {
    MakeBooks({1, 3, 4});
    WriteFile(dir / "BOOK_003.ydr", Crlf({"#TITLE=No files", "#TOTAL_SIZE_KB=1"}));  // rejected by the reader
    std::filesystem::remove_all(platform::ToFsPath(dir / "BOOK_004"));                // folder missing
    card.Scan();
    card.CloseGaps();
    EXPECT_TRUE(Exists(dir / "BOOK_003.ydr"));
    EXPECT_TRUE(Exists(dir / "BOOK_004.ydr"));
    EXPECT_FALSE(Exists(dir / "BOOK_002.ydr"));
}
