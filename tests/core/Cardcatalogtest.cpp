#include <gtest/gtest.h>

#include <algorithm>

#include "app/Cardtexts.h"
#include "card/Zwqcardunit.h"
#include "platform/Paths.h"
#include "support/Testsupport.h"

using testsupport::A;
using testsupport::Crlf;
using testsupport::MakeCardBook;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

std::vector<int> Numbers(const TMemoryCard& card) {
    std::vector<int> numbers;
    for (const auto& book : card.Books) numbers.push_back(book->Number);
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

}  // namespace

TEST(CardCatalogue, ANewCardModelIsEmpty) {
    TMemoryCard card;
    EXPECT_EQ(card.LastTitle, "");
    EXPECT_EQ(card.CardPath, "");
    EXPECT_EQ(card.TempFolder, "<>");
    EXPECT_TRUE(card.Books.empty());
    EXPECT_EQ(card.FreeSpace(), -1);
    card.Scan();
    EXPECT_TRUE(card.Books.empty());
}

TEST(CardCatalogue, SetCardPathDropsTrailingSeparators) {
    TMemoryCard card;
    card.SetCardPath("E:\\");
    EXPECT_EQ(card.CardPath, "E:");
    card.SetCardPath("E:");
    EXPECT_EQ(card.CardPath, "E:");
    card.SetCardPath("/media/card/");
    EXPECT_EQ(card.CardPath, "/media/card");
    card.SetCardPath("\\\\\\");
    EXPECT_EQ(card.CardPath, "");
    EXPECT_EQ(card.FreeSpace(), -1);
}

TEST(CardCatalogue, ScanListsValidDescriptorsOnly) {
    TempDir dir;
    MakeCardBook(dir.path(), 1, A("Первая"), {"01.mp3"}, 1536);
    MakeCardBook(dir.path(), 3, A("Третья"), {"01.mp3"});
    WriteFile(dir / "book_004.YDR", Crlf({"#TITLE=Lower", "#TOTAL_SIZE_KB=1", "BOOK_004\\x.mp3"}));
    WriteFile(dir / "BOOK_005.ydr", Crlf({"#TITLE=No files", "#TOTAL_SIZE_KB=1"}));   // rejected
    WriteFile(dir / "BOOK_1000.ydr", Crlf({"#TITLE=Four digits", "#TOTAL_SIZE_KB=1", "f"}));
    testsupport::MakeDirs(dir / "BOOK_006.ydr");                                        // a folder
    WriteFile(dir / "BOOK_007.txt", "not a descriptor");
    WriteFile(dir / "notes.ydr", Crlf({"#TITLE=N", "#TOTAL_SIZE_KB=1", "f"}));

    TMemoryCard card;
    card.SetCardPath(dir.path() + platform::PathSeparator());
    card.Scan();
    EXPECT_EQ(Numbers(card), (std::vector<int>{1, 3, 4}));
    for (const auto& book : card.Books) {
        EXPECT_EQ(book->Path, platform::JoinPath(dir.path(), book->FileName));
        if (book->Number == 1) {
            EXPECT_EQ(book->DisplayName, A("Автор - Первая"));
            EXPECT_EQ(book->TotalSize, 1536 * 1024);
        }
    }
    // The rejected descriptor and the folder named like one keep their numbers taken; the
    // four-digit name does not count for slot 1000 but slot 2 is free.
    EXPECT_EQ(card.FindFreeSlot(), 2);
    EXPECT_GT(card.FreeSpace(), 0);

    card.Clear();
    EXPECT_TRUE(card.Books.empty());
}

TEST(CardCatalogue, ScanOfAMissingCardIsEmpty) {
    TempDir dir;
    TMemoryCard card;
    card.SetCardPath(dir / "absent");
    card.Scan();
    EXPECT_TRUE(card.Books.empty());
}

TEST(CardCatalogue, ScanListsTheBooksInNumberOrder) {
    TempDir dir;
    for (int n : {3, 1, 2}) MakeCardBook(dir.path(), n, testsupport::Numbered("B", n), {"f"});
    TMemoryCard card;
    card.SetCardPath(dir.path());
    card.Scan();
    std::vector<std::string> listed;
    for (const auto& book : card.Books) listed.push_back(book->FileName);
    // The player's order, whatever order the file system lists them in.
    EXPECT_EQ(listed, (std::vector<std::string>{"BOOK_001.ydr", "BOOK_002.ydr", "BOOK_003.ydr"}));
}

TEST(CardCatalogue, FreeSlots) {
    TempDir dir;
    TMemoryCard card;
    card.SetCardPath(dir.path());
    EXPECT_EQ(card.FindFreeSlot(), 1);
    EXPECT_EQ(card.FreeSlotName(), "BOOK_001");
    MakeCardBook(dir.path(), 1, "A", {"f"});
    MakeCardBook(dir.path(), 3, "C", {"f"});
    EXPECT_EQ(card.FindFreeSlot(), 2);
    // A folder left without a descriptor keeps its number taken, and so does a lone descriptor.
    testsupport::MakeDirs(dir / "BOOK_002");
    EXPECT_EQ(card.FindFreeSlot(), 4);
    WriteFile(dir / "book_004.ydr", "x");
    EXPECT_EQ(card.FindFreeSlot(), 5);
    // A file named like a folder, or a folder named like a descriptor, does not take the slot.
    WriteFile(dir / "BOOK_005", "x");
    EXPECT_EQ(card.FindFreeSlot(), 5);
    EXPECT_EQ(card.SlotName(7), "BOOK_007");
    EXPECT_EQ(card.SlotName(42), "BOOK_042");
    EXPECT_EQ(card.SlotName(1000), "BOOK_1000");
}

TEST(CardCatalogue, OnlyNumbersTheReaderCanListAreHandedOut) {
    TempDir dir;
    for (int n = 1; n <= TMemoryCard::kMaxSlot; ++n) {
        char name[16] = {};
        std::snprintf(name, sizeof name, "BOOK_%03d", n);
        testsupport::MakeDirs(dir / name);
    }
    TMemoryCard card;
    card.SetCardPath(dir.path());
    EXPECT_EQ(card.FindFreeSlot(), 0);
    EXPECT_EQ(card.FreeSlotName(), "");
}
