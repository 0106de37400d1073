// A card that stays in order: renumbering in number order, a card pulled out at any moment and
// mended by the check, removal within the book's own folder, and the extraction folders that
// earlier runs left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <random>

#include "app/Cardtexts.h"
#include "card/Zwqcardunit.h"
#include "card/internal/Extraction.h"
#include "platform/Paths.h"
#include "support/Cardmishaps.h"
#include "support/Testsupport.h"
#include "core/Cardfixture.h"

using testsupport::A;
using testsupport::Crlf;
using testsupport::Exists;
using testsupport::List;
using testsupport::MakeCardBook;
using testsupport::ReadFile;
using testsupport::WriteFile;
using Kind = TCardFinding::Kind;

namespace cardtest {

std::string PullName(const ::testing::TestParamInfo<Pull>& info) {
    switch (info.param) {
        case Pull::InTheMiddleOfTheCall: return "InTheMiddleOfTheCall";
        case Pull::AfterTheCallReachedTheCard: return "AfterTheCallReachedTheCard";
        case Pull::LosingUnflushedWrites: return "LosingUnflushedWrites";
        case Pull::LosingWritesNotNamedInFlush: return "LosingWritesNotNamedInFlush";
    }
    return std::string();
}

}  // namespace cardtest

using namespace cardtest;

namespace {

INSTANTIATE_TEST_SUITE_P(Pulls, PulledCard,
                         ::testing::Values(Pull::InTheMiddleOfTheCall, Pull::AfterTheCallReachedTheCard,
                                           Pull::LosingUnflushedWrites),
                         PullName);
// A write is also swept on a card that keeps only what a flush named (the removals' and
// arrangements' flushes name the root with every change: they pass it too, at a minute each).
class PulledWrite : public PulledCard {};
INSTANTIATE_TEST_SUITE_P(Pulls, PulledWrite,
                         ::testing::Values(Pull::InTheMiddleOfTheCall, Pull::AfterTheCallReachedTheCard,
                                           Pull::LosingUnflushedWrites, Pull::LosingWritesNotNamedInFlush),
                         PullName);

TEST_P(PulledCard, ARemovalAndRenumberingIsMendedToBooksInOrder) {
    const int points = Sweep([this] { model.DeleteBook(0); }, [this](const std::vector<std::string>& titles) {
        // The removed book is gone or still whole; no other book is lost, none is there twice.
        if (titles.size() == static_cast<std::size_t>(books())) {
            EXPECT_EQ(titles, Titles(1, books()));
        } else {
            EXPECT_EQ(titles, Titles(2, books()));
        }
    });
    EXPECT_GE(points, 3 * (books() - 1));  // every step of every move was a pull point
}

TEST_P(PulledWrite, AWriteIsMendedToBooksInOrder) {
    const std::string source = testsupport::MakeSourceBook(
        dir / "src", "BOOK_001.ydr", {"#TITLE=T99", "#TOTAL_SIZE_KB=1"}, {{"a.mp3", "a"}, {"b.mp3", "b"}, {"c.mp3", "c"}});
    const int points = Sweep([&] { model.AddBook(source); }, [this](const std::vector<std::string>& titles) {
        std::vector<std::string> expected = Titles(1, books());
        if (titles.size() > static_cast<std::size_t>(books())) expected.push_back("T99");
        EXPECT_EQ(titles, expected);
    });
    EXPECT_GE(points, 5);
}

// A card that garbles what it is given fails the write before the book shows, unless the user
// has turned the check off.
TEST_F(Card, AFileReadBackUnlikeItsSourceFailsTheWriteAndLeavesTheCardAsItWas) {
    const std::string source = testsupport::MakeSourceBook(dir / "src", "BOOK_001.ydr", {"#TITLE=T99", "#TOTAL_SIZE_KB=1"},
                                                           {{"a.mp3", "a"}, {"b.mp3", "bb"}});
    MakeBooks(2);
    const auto before = testsupport::Snapshot(card());
    files.garbleReadBack = true;
    EXPECT_EQ(CardErrorText(model.AddBook(source).error),
              A("Файл a.mp3 записан на карту памяти с ошибкой: возможно, карта памяти неисправна"));
    EXPECT_EQ(testsupport::Snapshot(card()), before);
    model.VerifyWrites = false;
    EXPECT_TRUE(model.AddBook(source));
    EXPECT_EQ(Books(), (std::vector<std::string>{"T1", "T2", "T99"}));
}

// A removal cut short leaves its journal for the check, whose plan must still fit the card when
// the check comes: a book removed meanwhile made the check take the next book's folder for moved
// and write another book's descriptor over it, and a book written under the removed book's number
// lost its folder. Until the check, no book is removed or moved, and a new one goes above the plan.
TEST_F(Card, WhileABatchWaitsForTheCheckNoBookIsRemovedOrMovedAndNewOnesGoAboveItsPlan) {
    const std::string source = testsupport::MakeSourceBook(dir / "src", "BOOK_001.ydr", {"#TITLE=T99", "#TOTAL_SIZE_KB=1"},
                                                           {{"a.mp3", "a"}});
    // Pulled once the book is gone and before the first move, then within the first, second and
    // third moves.
    for (const auto& [pull, afterEffect] : std::vector<std::pair<int, bool>>{{4, true}, {5, false}, {7, false}, {10, false}}) {
        SCOPED_TRACE("pulled at call " + std::to_string(pull));
        MakeBooks(6);
        ASSERT_TRUE(PullAt(pull, afterEffect, [this] { model.DeleteBook(0); }));
        model.Scan();
        ASSERT_TRUE(model.BatchAwaitsCheck());
        const std::map<std::string, std::string> before = testsupport::Snapshot(card());
        const TRemoval refused = model.DeleteBook(1);
        EXPECT_FALSE(refused);
        EXPECT_TRUE(refused.report.awaitsCheck);
        EXPECT_TRUE(model.CloseGaps().empty());
        EXPECT_EQ(testsupport::Snapshot(card()), before);
        EXPECT_TRUE(model.AddBook(source));
        EXPECT_TRUE(Exists(at("BOOK_007.ydr")));  // not under number 1, whose book was removed
        std::vector<std::string> expected = Titles(2, 6);
        expected.push_back("T99");
        EXPECT_EQ(Books(healthy.RepairCard().leftAlone), expected);
        model.Scan();
        EXPECT_FALSE(model.BatchAwaitsCheck());
        EXPECT_TRUE(model.DeleteBook(1));
        EXPECT_EQ(Books(), (std::vector<std::string>{"T2", "T4", "T5", "T6", "T99"}));
    }
}

// ---- what the check finds and what the repair does with it ----

TEST_F(Card, TheCheckFindsEachKindOfTroubleAndMendsWhatIsSafe) {
    struct Case {
        const char* what;
        std::function<void()> make;   // on a card of books 1 to 3
        std::vector<Kind> found;
        std::vector<std::string> after;  // titles in number order after the repair
    };
    const auto removeBook2 = [this] {
        std::filesystem::remove_all(platform::ToFsPath(at("BOOK_002")));
        std::filesystem::remove(platform::ToFsPath(at("BOOK_002.ydr")));
    };
    // Book 3 caught on its way to number 2 by an earlier version, which moved books one by one:
    // its new descriptor written, its folder renamed or not, its old descriptor left or not.
    const auto olderMove = [&](bool folderMoved, bool oldDescriptorLeft) {
        return [this, removeBook2, folderMoved, oldDescriptorLeft] {
            removeBook2();
            WriteFile(at("BOOK_002.ydr"), RenameSlotInDescriptor(ReadFile(at("BOOK_003.ydr")), "BOOK_003", "BOOK_002"));
            if (folderMoved) std::filesystem::rename(platform::ToFsPath(at("BOOK_003")), platform::ToFsPath(at("BOOK_002")));
            if (!oldDescriptorLeft) std::filesystem::remove(platform::ToFsPath(at("BOOK_003.ydr")));
        };
    };
    const Case cases[] = {
        {"a gap", removeBook2, {Kind::Gap}, {"T1", "T3"}},
        {"a move with the new descriptor written", olderMove(false, true), {Kind::InterruptedMove}, {"T1", "T3"}},
        {"a move with the old descriptor left", olderMove(true, true), {Kind::InterruptedMove}, {"T1", "T3"}},
        {"a move whose steps reached the card out of order: the old descriptor gone, the folder not renamed",
         olderMove(false, false), {Kind::InterruptedMove}, {"T1", "T3"}},
        {"a removal cut short after a file went",
         // The journal is written (1) and flushed (2); the book's folder goes (3).
         [&] { PullAt(3, false, [this] { model.DeleteBook(0); }); }, {Kind::InterruptedRemoval}, {"T2", "T3"}},
        {"a removal cut short before any file went",
         [&] { PullAt(1, true, [this] { model.DeleteBook(0); }); }, {Kind::InterruptedRemoval}, {"T1", "T2", "T3"}},
        {"gaps being closed",
         // The journal is written (1) and flushed (2); book 3's descriptor under number 2 (3), its
         // folder's rename cut short (4).
         [&] {
             removeBook2();
             model.Scan();
             PullAt(4, false, [this] { model.CloseGaps(); });
         },
         {Kind::InterruptedArrangement}, {"T1", "T3"}},
        {"the journal of a removal by the first version, its book gone",
         [&] {
             removeBook2();
             WriteFile(at("ZWQJOURN.TMP"), "ZWQ JOURNAL\nREMOVE BOOK_002 0123456789abcdef\n");
         },
         {Kind::Scratch, Kind::Gap}, {"T1", "T3"}},
        {"an unfinished write and a scratch file",
         [&] {
             WriteFile(at("BOOK_004/1.mp3"), "part");
             WriteFile(at("ZWQSAVE.TMP"), "part");
         },
         {Kind::PartialWrite, Kind::Scratch}, {"T1", "T2", "T3"}},
        {"files that are not ours", [&] {
             WriteFile(at("notes.txt"), "n");
             WriteFile(at("BOOK_007.txt"), "n");
             testsupport::MakeDirs(at("Music"));
         },
         {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MakeBooks(3);
        c.make();
        EXPECT_EQ(Kinds(), c.found) << CardFindingsText(healthy.CheckCard());
        healthy.Scan();  // a scan sees the signs of what the check finds
        EXPECT_EQ(healthy.NeedsCheck(), !c.found.empty());
        const TCardRepair repair = healthy.RepairCard();
        EXPECT_EQ(repair.mended.size(), c.found.size());
        EXPECT_TRUE(repair.leftAlone.empty());
        if (c.after.empty()) {
            // Foreign files are neither reported nor touched.
            EXPECT_EQ(List(card()).size(), 9u);
            continue;
        }
        EXPECT_EQ(Books(), c.after);
    }
}

TEST_F(Card, AMoveWhoseStepFailsIsUndoneAndTheNextOneFindsTheCardAsItIs) {
    const std::vector<std::string> whole = {"BOOK_001.ydr", "BOOK_001/", "BOOK_003.ydr", "BOOK_003/", "BOOK_004.ydr", "BOOK_004/"};
    std::vector<std::string> blocked = whole;
    blocked.insert(blocked.begin() + 2, "BOOK_002.ydr/");
    const struct {
        const char* what;
        std::function<void()> mishap;
        std::vector<std::string> listing;  // after the failed move
        std::vector<TBookMove> retried;    // the moves of the next try
    } cases[] = {
        // A folder where the new descriptor must go: the save fails after the folder moved.
        {"the new descriptor cannot be saved", [&] { testsupport::MakeDirs(at("BOOK_002.ydr")); }, blocked, {}},
        // Book 3's folder had its new name when the flush failed: it goes back, its new
        // descriptor goes, and book 4 stays above it.
        {"the flush fails", [&] { files.failingFlushes = 1; }, whole, {{3, 2}, {4, 3}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MakeBooks(4);
        std::filesystem::remove_all(platform::ToFsPath(at("BOOK_002")));
        std::filesystem::remove(platform::ToFsPath(at("BOOK_002.ydr")));
        c.mishap();
        model.Scan();
        EXPECT_TRUE(model.CloseGaps().empty());
        EXPECT_EQ(List(card()), c.listing);
        EXPECT_EQ(Kinds(), std::vector<Kind>{Kind::Gap});
        EXPECT_EQ(model.CloseGaps(), c.retried);
    }
    EXPECT_EQ(Books(), (std::vector<std::string>{"T1", "T3", "T4"}));
}

TEST_F(Card, AFileThatCannotChangeNeverLeavesABookNamingFilesThatAreNotItsOwn) {
    // Every descriptor on the card names files of its own folder, and they are there.
    const auto eachNamesItsOwnFiles = [&] {
        healthy.Scan();
        for (const auto& book : healthy.Books) {
            for (const std::string& entry : book->Files) {
                EXPECT_EQ(platform::EntryFolder(entry), TMemoryCard::SlotName(book->Number)) << entry;
                EXPECT_TRUE(Exists(at(platform::EntryToPath(entry)))) << entry;
            }
        }
    };
    const struct {
        const char* held;  // the file another program holds, as a file in use on Windows
        bool removed;
        bool refused;  // the card took no journal
        std::vector<TBookMove> moves;
    } cases[] = {
        {"ZWQJOURN.TMP", false, true, {}},
        {"BOOK_002.ydr", false, false, {}},
        // Every descriptor the batch changes is checked before anything changes.
        {"BOOK_004.ydr", false, false, {}},
        // A folder that will not be renamed (a file in it is open) stops the batch after the
        // moves before it.
        {"BOOK_004", true, false, {{3, 2}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.held);
        MakeBooks(6);
        files.inUse = {at(c.held)};
        const TRemoval removal = model.DeleteBook(1);
        EXPECT_EQ(removal.report.removed, c.removed);
        EXPECT_EQ(removal.report.cardRefused, c.refused);
        EXPECT_EQ(removal.report.held, c.refused ? std::string() : at(c.held));
        EXPECT_EQ(removal.moves, c.moves);
        eachNamesItsOwnFiles();
        // While the file stays held the check finishes nothing and says which file; once it is
        // free the check finishes the batch.
        const TCardRepair blocked = healthy.RepairCard();
        eachNamesItsOwnFiles();
        if (c.removed) {
            ASSERT_FALSE(blocked.leftAlone.empty());
            EXPECT_EQ(blocked.leftAlone[0].kind, Kind::InterruptedRemoval);
            EXPECT_EQ(blocked.leftAlone[0].held, at(c.held));
        }
        files.inUse.clear();
        healthy.RepairCard();
        EXPECT_EQ(Books().size(), c.removed ? 5u : 6u);
    }
}

TEST_F(Card, WhatCannotBeMendedSafelyIsLeftAndSaid) {
    MakeBooks(3);
    std::filesystem::remove(platform::ToFsPath(at("BOOK_002/2.mp3")));
    WriteFile(at("BOOK_005.ydr"), "not a descriptor");
    WriteFile(at("ZWQSAVE.TMP"), "part");
    // Number 4 is no gap: nothing above it is a book.
    EXPECT_EQ(Kinds(), (std::vector<Kind>{Kind::MissingFiles, Kind::Unreadable, Kind::Scratch}));
    const std::string missing = A("- книга Автор - T2 (номер 2) ссылается на отсутствующие файлы: BOOK_002\\2.mp3. "
                                  "Такую книгу программа сама не удаляет: удалите её или запишите заново\n");
    const std::string unreadable = A("- файл BOOK_005.ydr не читается как описание книги. Программа не трогает "
                                     "файлы, которых не создавала\n");
    EXPECT_EQ(CardFindingsText(healthy.CheckCard()),
              A("На карте памяти найдено:\n") + missing + unreadable + A("- служебный файл программы ZWQSAVE.TMP\n"));
    const TCardRepair repair = healthy.RepairCard();
    EXPECT_EQ(ReadFile(at("BOOK_005.ydr")), "not a descriptor");
    EXPECT_FALSE(Exists(at("ZWQSAVE.TMP")));
    EXPECT_EQ(CardRepairText(repair), A("Исправлено:\n- служебный файл программы ZWQSAVE.TMP\n"
                                        "Оставлено без изменений:\n") + missing + unreadable);
}

// ---- the order of the books ----

TEST_F(Card, BooksKeepTheirOrderWhateverOrderTheFolderIsListedIn) {
    const std::function<void(std::vector<platform::DirEntry>&)> orders[] = {
        nullptr,
        [](std::vector<platform::DirEntry>& e) { std::reverse(e.begin(), e.end()); },
        [](std::vector<platform::DirEntry>& e) { std::shuffle(e.begin(), e.end(), std::mt19937(7)); },
    };
    for (const auto& order : orders) {
        files.reorder = order;
        MakeBooks(6);
        std::vector<int> numbers;
        for (const auto& book : model.Books) numbers.push_back(book->Number);
        EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 4, 5, 6}));
        std::vector<TCardProgress> steps;
        const TRemoval removal = model.DeleteBook(1, [&steps](const TCardProgress& p) { steps.push_back(p); });
        EXPECT_EQ(removal.moves, (std::vector<TBookMove>{{3, 2}, {4, 3}, {5, 4}, {6, 5}}));
        ASSERT_EQ(steps.size(), 4u);
        EXPECT_EQ(steps[0].phase, TCardProgress::Phase::Renumbering);
        EXPECT_EQ(steps[3].itemIndex, 4);
        EXPECT_EQ(steps[3].itemCount, 4);
        EXPECT_EQ(steps[3].currentName, A("Автор - T6"));
        EXPECT_EQ(Books(), (std::vector<std::string>{"T1", "T3", "T4", "T5", "T6"}));
    }
}

// ---- removal within the book's own folder ----

TEST_F(Card, ARemovalStaysWithinTheBooksOwnFolder) {
    struct Case {
        const char* what;
        std::function<bool()> make;  // on books 1 to 3, book 1 to be removed; false: not on this system
        bool removed;
        std::vector<std::string> kept;  // still on the card or beside it afterwards
        std::size_t leftAlone;
    };
    const std::string outside = dir / "elsewhere";
    const Case cases[] = {
        {"a folder that is a link", [&] {
             WriteFile(outside + platform::PathSeparator() + "1.mp3", "not the book's");
             std::filesystem::remove_all(platform::ToFsPath(at("BOOK_001")));
             std::error_code error;
             std::filesystem::create_directory_symlink(platform::ToFsPath(outside), platform::ToFsPath(at("BOOK_001")), error);
             return !error;
         },
         true, {outside + platform::PathSeparator() + "1.mp3"}, 0},
        {"an entry in another book's folder", [&] {
             WriteFile(at("BOOK_001.ydr"), Crlf({"#TITLE=T1", "#TOTAL_SIZE_KB=1", "BOOK_001\\1.mp3", "BOOK_002\\1.mp3"}));
             return true;
         },
         true, {at("BOOK_002/1.mp3")}, 1},
        {"stray files of other systems", [&] {
             WriteFile(at("BOOK_001/Thumbs.db"), "x");
             WriteFile(at("BOOK_001/._1.mp3"), "x");
             WriteFile(at("BOOK_001/sub/desktop.ini"), "x");
             return true;
         },
         true, {}, 0},
        {"read-only files", [&] {
             testsupport::SetReadOnly(at("BOOK_001/1.mp3"), true);
             testsupport::SetReadOnly(at("BOOK_001.ydr"), true);
             return true;
         },
         true, {}, 0},
        {"entries outside the card", [&] {
             WriteFile(outside + platform::PathSeparator() + "keep.txt", "keep");
             WriteFile(at("BOOK_001.ydr"), Crlf({"#TITLE=T1", "#TOTAL_SIZE_KB=1", "BOOK_001\\1.mp3", "..\\elsewhere\\keep.txt",
                                                 outside + platform::PathSeparator() + "keep.txt", "C:\\keep.txt"}));
             return true;
         },
         true, {outside + platform::PathSeparator() + "keep.txt"}, 0},
        {"a file in use", [&] {
             files.inUse = {at("BOOK_001")};
             return true;
         },
         false, {at("BOOK_001.ydr"), at("BOOK_001/2.mp3")}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MakeBooks(3);
        if (!c.make()) continue;  // links cannot be made here
        model.Scan();
        const TRemoval removal = model.DeleteBook(0);
        EXPECT_EQ(removal.report.removed, c.removed);
        EXPECT_EQ(removal.report.stayed.empty(), c.removed);
        EXPECT_EQ(removal.report.leftAlone.size(), c.leftAlone);
        for (const std::string& path : c.kept) EXPECT_TRUE(Exists(path)) << path;
        // A book that stays keeps its number, and nothing is renumbered.
        model.Scan();
        EXPECT_EQ(model.Books.size(), c.removed ? 2u : 3u);
        EXPECT_EQ(model.Books.front()->Title, c.removed ? "T2" : "T1");
        files.inUse.clear();
    }
}

// ---- a move rewrites nothing but the slot names ----

TEST_F(Card, AMoveChangesOnlyTheSlotNamesInTheDescriptorsOwnBytes) {
    // Mixed line ends, a lower-case entry, a name in a "#" line and characters of each encoding.
    const auto oem866 = [](const std::string& utf8) {
        std::string bytes;
        for (const char16_t unit : platform::Utf8ToUtf16(utf8)) {
            if (unit < 0x80) bytes += static_cast<char>(unit);
            else if (unit >= u'а' && unit <= u'п') bytes += static_cast<char>(0xA0 + (unit - u'а'));
            else if (unit >= u'р' && unit <= u'я') bytes += static_cast<char>(0xE0 + (unit - u'р'));
        }
        return bytes;
    };
    const auto text = [](const std::string& title, const std::string& slot, const std::string& entrySlot) {
        return "#TITLE=" + title + " " + slot + "\r\n#COMMENT=book_003 stays\n#TOTAL_SIZE_KB=1\n\r\n" + slot +
               "\\глава.mp3\r\n" + entrySlot + "\\2.mp3";
    };
    struct Case {
        const char* what;
        std::string title;
        std::function<std::string(const std::string&)> encode;  // from UTF-8
    };
    const Case cases[] = {
        {"Windows-1251 without capitals", "роман", [](const std::string& utf8) { return A(utf8.c_str()); }},
        {"OEM 866", "роман", oem866},
        {"UTF-16", "Café", testsupport::Utf16File},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MakeBooks(1);
        WriteFile(at("BOOK_003.ydr"), c.encode(text(c.title, "BOOK_003", "book_003")));
        WriteFile(at(A("BOOK_003/глава.mp3")), "1");
        WriteFile(at("BOOK_003/2.mp3"), "2");
        model.Scan();
        ASSERT_EQ(model.Books.size(), 2u);
        model.CloseGaps();
        // The "#" lines keep their spelling; the entry in lower case follows the folder.
        EXPECT_EQ(ReadFile(at("BOOK_002.ydr")), c.encode(text(c.title, "BOOK_002", "BOOK_002")));
        EXPECT_EQ(Books().size(), 2u);
    }
}

// ---- extraction folders of earlier runs ----

TEST_F(Card, ExtractionFoldersThatNoRunningInstanceHoldsAreRemovedAtStartUp) {
    const std::string temp = dir / "temp";
    WriteFile(temp + platform::PathSeparator() + A("ZWQTMP0/Часть 1/01.mp3"), "left by a killed run");
    WriteFile(temp + platform::PathSeparator() + "ZWQTMP1/01.mp3", "being unpacked by a running instance");
    WriteFile(temp + platform::PathSeparator() + "ZWQTMP3.lck", "");
    WriteFile(temp + platform::PathSeparator() + "ZWQTMPX/keep", "not ours");
    WriteFile(temp + platform::PathSeparator() + "ZWQTMP7", "a file, not ours");
    // Another instance holds folder 1: a lock taken apart from the model, as another process would.
    const std::unique_ptr<platform::IFileLock> running =
        test.files.TryLock(temp + platform::PathSeparator() + "ZWQTMP1.lck");
    ASSERT_TRUE(running);
    EXPECT_FALSE(test.files.TryLock(temp + platform::PathSeparator() + "ZWQTMP1.lck"));
    healthy.RemoveStaleTempFolders();
    EXPECT_EQ(List(temp), (std::vector<std::string>{"ZWQTMP1.lck", "ZWQTMP1/", "ZWQTMP7", "ZWQTMPX/"}));
    // A write while folder 1 is held takes the next free number and leaves nothing behind.
    EXPECT_TRUE(healthy.CreateTempFolder());
    EXPECT_EQ(healthy.TempFolder, temp + platform::PathSeparator() + "ZWQTMP0");
    EXPECT_EQ(List(temp), (std::vector<std::string>{"ZWQTMP1.lck", "ZWQTMP1/", "ZWQTMP7", "ZWQTMPX/"}));
}

}  // namespace
