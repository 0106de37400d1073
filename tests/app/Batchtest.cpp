// Book paths on the command line: deletions of books on the card, then writes of the others.
#include <gtest/gtest.h>

#include <set>

#include "app/Formharness.h"
#include "platform/Paths.h"
#include "support/Cardmishaps.h"

using namespace formtest;  // the harness, its box flags and what was said
using testsupport::A;
using testsupport::Exists;
using testsupport::MakeCardBook;
using testsupport::MakeSourceBook;

namespace {

class Batch : public ::testing::Test, public Harness {
protected:
    void Books(std::initializer_list<int> numbers) {
        for (int n : numbers) MakeCardBook(card(), n, testsupport::Numbered("T", n), {"1.mp3", "2.mp3"});
        StoreCard();
    }
    std::string OnCard(int n) const {
        char name[16] = {};
        std::snprintf(name, sizeof name, "BOOK_%03d.ydr", n);
        return platform::JoinPath(card(), name);
    }
    std::string Source(const std::string& folder, const std::string& title) {
        return MakeSourceBook(dir / ("src/" + folder), "BOOK_001.ydr",
                              {"#TITLE=" + title, "#TOTAL_SIZE_KB=1"}, {{"01.mp3", title}});
    }
    void Run(std::vector<std::string> arguments) {
        application.arguments = std::move(arguments);
        form.FormShow();
    }
    const platform::RecordingMessageBoxes::Box& Box(std::size_t i) const { return boxes.boxes.at(i); }
};

}  // namespace

TEST_F(Batch, DeletionsComeFirstWithOneQuestionAndASummary) {
    Books({1, 2, 3});
    boxes.answers = {platform::kIdYes};
    Run({Source("new", "New"), OnCard(1), OnCard(3)});
    // One write: its own success box, no summary.
    EXPECT_EQ(SaidBy(boxes),
              (std::vector<Said>{{A("Вы действительно хотите удалить книги (2 шт.) с карты памяти"), A("Удаление книг"),
                                  kQuestion},
                                 {A("Удаление книг завершено"), A("Удаление книг"), kInformation},
                                 {A("Книга New успешно записана на карту памяти"), A("Запись книги на карту памяти"),
                                  kInformation}}));
    EXPECT_EQ(Slots(), (std::map<std::string, int>{{"T2", 1}, {"New", 2}}));
    EXPECT_TRUE(application.closed);
}

TEST_F(Batch, RefusingTheQuestionEndsWithTheCardUnchanged) {
    Books({1, 2});
    boxes.answers = {platform::kIdNo};
    Run({OnCard(1), OnCard(2), Source("new", "New")});
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(Slots().size(), 2u);
    EXPECT_TRUE(application.closed);
}

TEST_F(Batch, ASingleDeletionAsksItsOwnQuestion) {
    Books({1, 2});
    boxes.answers = {platform::kIdCancel};
    Run({OnCard(2)});
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(Box(0).text, A("Вы действительно хотите удалить книгу Автор - T2 с карты памяти"));
    EXPECT_EQ(Slots().size(), 2u);
    EXPECT_TRUE(application.closed);
}

TEST_F(Batch, ExactlyTheNamedBooksAreDeletedWhateverTheRenumbering) {
    Books({1, 2, 3, 4, 5});
    boxes.answers = {platform::kIdYes};
    Run({OnCard(2), OnCard(3)});
    // Which of T4 and T5 takes which number follows the directory's order.
    const auto slots = Slots();
    ASSERT_EQ(slots.size(), 3u);
    EXPECT_EQ(slots.at("T1"), 1);
    EXPECT_EQ(std::set<int>({slots.at("T4"), slots.at("T5")}), (std::set<int>{2, 3}));
    EXPECT_EQ(Box(1).text, A("Удаление книг завершено"));
}

TEST_F(Batch, TheHigherBookFirstAndAfterItsNeighbourMoved) {
    Books({1, 2, 3, 4, 5});
    boxes.answers = {platform::kIdYes};
    // Deleting 2 moves 5 (or 3) down; the second path still means the book that was in slot 5.
    Run({OnCard(2), OnCard(5)});
    const auto slots = Slots();
    EXPECT_EQ(slots.size(), 3u);
    EXPECT_EQ(slots.count("T2"), 0u);
    EXPECT_EQ(slots.count("T5"), 0u);
}

TEST_F(Batch, TheSameBookTwiceIsDeletedOnce) {
    Books({1, 2, 3});
    boxes.answers = {platform::kIdYes};
    std::string lower = OnCard(2);
    lower.replace(lower.size() - 12, 12, "book_002.YDR");
    Run({OnCard(2), platform::UpperCase1251(OnCard(2)), lower});
    EXPECT_EQ(Box(0).text, A("Вы действительно хотите удалить книги (3 шт.) с карты памяти"));
    EXPECT_EQ(Slots(), (std::map<std::string, int>{{"T1", 1}, {"T3", 2}}));
    EXPECT_EQ(Box(1).text, A("Удаление книг завершено"));
}

TEST_F(Batch, PathsOnTheCardThatNameNoBookAreSkippedQuietly) {
    Books({1});
    boxes.answers = {platform::kIdYes};
    Run({platform::JoinPath(card(), "music.mp3"), platform::JoinPath(card(), "BOOK_009.ydr")});
    EXPECT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(Box(1).text, A("Удаление книг завершено"));
    EXPECT_EQ(Slots().size(), 1u);
    EXPECT_TRUE(application.closed);
}

TEST_F(Batch, TheSecondOfThreeWritesFails) {
    Books({});
    Run({Source("a", "A"), dir / "src/missing/BOOK_001.ydr", Source("c", "C")});
    EXPECT_EQ(SaidBy(boxes), (std::vector<Said>{{A("Во время записи книги ") + (dir / "src/missing/BOOK_001.ydr") +
                                                     A(" произошла ошибка\nНе удалось получить информацию о книге"),
                                                 A("Запись книги на карту памяти"), kError},
                                                {A("Во время записи книг возникли ошибки"), A("Запись книг"),
                                                 kWarning}}));
    EXPECT_EQ(Slots(), (std::map<std::string, int>{{"A", 1}}));
    EXPECT_TRUE(application.closed);
}

TEST_F(Batch, SeveralWritesReportOnlyTheSummary) {
    Books({});
    Run({Source("a", "A"), Source("b", "B")});
    EXPECT_EQ(SaidBy(boxes), (std::vector<Said>{{A("Запись книг завершена"), A("Запись книг"), kInformation}}));
    EXPECT_EQ(Slots().size(), 2u);
}

TEST_F(Batch, WithTheCardAbsentTheFirstWriteStopsTheBatch) {
    Books({1});
    test.files.useRealFreeBytes = false;
    test.files.freeBytes = -1;
    boxes.answers = {platform::kIdYes};
    Run({OnCard(1), OnCard(1), Source("a", "A"), Source("b", "B")});
    // Deletions stop at the card check, writes too.
    std::vector<std::string> texts;
    for (const auto& box : boxes.boxes) texts.push_back(box.text);
    EXPECT_EQ(texts, (std::vector<std::string>{A("Вы действительно хотите удалить книги (2 шт.) с карты памяти"),
                                               A("Карта памяти не обнаружена"),
                                               A("Во время удаления книг возникли ошибки"),
                                               A("Карта памяти не обнаружена"),
                                               A("Во время записи книг возникли ошибки")}));
    EXPECT_EQ(Slots().size(), 1u);
}

TEST_F(Batch, APathBesideTheCardIsNotOnIt) {
    // A card at ".../card" does not take in ".../cards2/BOOK_001.ydr": that book is written.
    Books({});
    const std::string beside = MakeSourceBook(dir / "cards2", "BOOK_001.ydr", {"#TITLE=Beside", "#TOTAL_SIZE_KB=1"},
                                              {{"01.mp3", "x"}});
    Run({beside});
    EXPECT_EQ(Slots(), (std::map<std::string, int>{{"Beside", 1}}));
    EXPECT_EQ(Box(0).flags, kInformation);
}

TEST_F(Batch, TheCardPathMatchesInAnyLetterCase) {
    Books({1, 2});
    boxes.answers = {platform::kIdYes};
    Run({platform::UpperCase1251(OnCard(1))});
    EXPECT_EQ(boxes.boxes.at(0).caption, A("Удаление книги"));
    EXPECT_EQ(Slots(), (std::map<std::string, int>{{"T2", 1}}));
}

TEST_F(Batch, ABareFileNameIsTakenFromTheCurrentFolder) {
    Books({});
    Run({"no-such-book.ydr"});
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(Box(0).text, A("Во время записи книги ") +
                               platform::JoinPath(test.system.CurrentDirectory(), "no-such-book.ydr") +
                               A(" произошла ошибка\nНе удалось получить информацию о книге"));
}

TEST_F(Batch, ACheckOfferedByAFailedMoveWaitsForTheEndAndNoOtherBookIsDeleted) {
    Books({1, 2, 3, 4, 5});
    // Deleting T1 moves T2 down, then cannot move T3 (a file in its folder is open): T3 stays
    // whole under its number, a gap at 2, and the stopped renumbering is said.
    testsupport::CardMishaps inUse(card());
    const std::string folder3 = platform::JoinPath(card(), "BOOK_003");
    inUse.inUse = {folder3};
    const std::string check = A("Проверка карты памяти");
    // The file is free again by the time the check is offered; Yes to the offer and the repair.
    boxes.onShow = [&](const std::string& caption) {
        if (caption == check) inUse.inUse.clear();
    };
    boxes.answers = {platform::kIdYes, platform::kIdOk, platform::kIdOk, platform::kIdOk, platform::kIdYes, platform::kIdYes};
    platform::Platform withFileInUse = PlatformWith(inUse);
    TForm1 window(Controls(), withFileInUse);
    application.arguments = {OnCard(1), OnCard(2)};
    window.FormShow();
    // T1 is gone; T2, named too, stays while the batch that removed T1 waits for the check (its
    // plan must still fit the card then), and no other book goes. The check, offered after the
    // batch's summary, finished the batch in the books' order.
    EXPECT_EQ(Slots(), (std::map<std::string, int>{{"T2", 1}, {"T3", 2}, {"T4", 3}, {"T5", 4}}));
    std::vector<std::string> captions;
    for (const auto& box : boxes.boxes) captions.push_back(box.caption);
    EXPECT_EQ(captions, (std::vector<std::string>{A("Удаление книг"), A("Удаление книги"), A("Удаление книги"),
                                                  A("Удаление книг"), check, check, check}));
    EXPECT_EQ(Box(1).text, A("Книга Автор - T1 удалена, но перенумерация остальных книг остановлена: файл ") +
                               folder3 + A(" занят другой программой или защищён от записи. Все книги целы. Закройте "
                                            "программу, которая держит файл, и проверьте карту: проверка закончит "
                                            "перенумерацию."));
    EXPECT_EQ(Box(2).text, A("Книгу Автор - T2 не удалить, пока карта памяти не проверена: на ней осталось "
                             "прерванное удаление или перенумерация книг."));
    EXPECT_EQ(log.back(), "close");
}
TEST_F(Batch, ARenumberingCutShortNeverLeadsToABookNoPathNamed) {
    Books({1, 2, 3, 4, 5});
    // Deleting T1 moves T2, T3 and T4 down, then cannot move T5 (a file in its folder is open):
    // T5 stays whole under its number, and T3 waits with the batch for the check.
    testsupport::CardMishaps inUse(card());
    inUse.inUse = {platform::JoinPath(card(), "BOOK_005")};
    boxes.answers = {platform::kIdYes};
    platform::Platform withFileInUse = PlatformWith(inUse);
    TForm1 window(Controls(), withFileInUse);
    application.arguments = {OnCard(1), OnCard(3)};
    window.FormShow();
    std::set<std::string> left;
    for (const auto& [title, slot] : Slots()) left.insert(title);
    EXPECT_EQ(left, (std::set<std::string>{"T2", "T3", "T4", "T5"}));
}
