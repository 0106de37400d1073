// The window's card check: the menu command, the offer after a scan that saw trouble, the
// command-line switch, and the boxes after a removal that could not finish.
#include <algorithm>

#include <gtest/gtest.h>

#include "app/Formharness.h"
#include "platform/Commandline.h"
#include "platform/Paths.h"
#include "support/Cardmishaps.h"

using namespace formtest;  // the harness, its box flags and what was said
using testsupport::A;
using testsupport::Crlf;
using testsupport::Exists;
using testsupport::MakeCardBook;

namespace {

class FormCheck : public ::testing::Test, public Harness {
protected:
    // Books with these numbers and a scratch file left on the card: a gap and a leftover.
    void TroubledCard(std::initializer_list<int> numbers) {
        for (int n : numbers) MakeCardBook(card(), n, testsupport::Numbered("T", n), {"1.mp3"});
        testsupport::WriteFile(card() + platform::PathSeparator() + "ZWQSAVE.TMP", "part");
        StoreCard();
    }
    std::vector<std::string> Captions() const {
        std::vector<std::string> captions;
        for (const auto& box : boxes.boxes) captions.push_back(box.caption);
        return captions;
    }
    const std::string check = A("Проверка карты памяти");
    const std::string findings = A("На карте памяти найдено:\n- служебный файл программы ZWQSAVE.TMP\n"
                                   "- пропуски в нумерации книг: 2\n");
    const std::string question = A("Прерванные действия будут завершены, служебные файлы программы и недописанные "
                                   "книги удалены, пропуски в нумерации закрыты без изменения порядка книг. "
                                   "Исправить?");
};

}  // namespace

TEST_F(FormCheck, TheCommandSaysWhatItFoundAndMendsOnlyWhenAskedTo) {
    MakeCardBook(card(), 1, "T1", {"1.mp3"});
    StoreCard();
    form.FormShow();
    form.RunMenuCommand(MenuCommand::CheckCard);
    TroubledCard({3});
    boxes.answers = {platform::kIdNo, platform::kIdYes};
    form.N10Click();
    EXPECT_EQ(Slots(), (std::map<std::string, int>{{"T1", 1}, {"T3", 3}}));
    form.N10Click();
    EXPECT_EQ(SaidBy(boxes), (std::vector<Said>{{A("Неполадок на карте памяти не найдено."), check, kInformation},
                                                {findings + question, check, kQuestion},
                                                {findings + question, check, kQuestion},
                                                {A("Исправлено:\n- служебный файл программы ZWQSAVE.TMP\n- пропуски в "
                                                   "нумерации книг: 2\n- книги перенумерованы по порядку, перенесено "
                                                   "книг: 1\nКарта памяти в порядке."),
                                                 check, kInformation}}));
    EXPECT_EQ(Slots(), (std::map<std::string, int>{{"T1", 1}, {"T3", 2}}));
    EXPECT_EQ(books.rows.size(), 2u);
    // Each check and the repair ran behind the progress window, off the window's thread; the
    // window appears only when they are slow, and the repair's renumbering is heard.
    std::vector<std::string> activities;
    for (const auto& run : progress.runs) {
        EXPECT_EQ(run.first.caption, check);
        EXPECT_FALSE(run.cancellable);
        EXPECT_EQ(run.showAfter, kSlowWorkDelay);
        activities.push_back(run.first.activity);
    }
    EXPECT_EQ(activities, (std::vector<std::string>{A("проверка карты памяти"), A("проверка карты памяти"),
                                                    A("проверка карты памяти"), A("исправление карты памяти")}));
    const auto& repairViews = progress.runs.back().views;
    EXPECT_TRUE(std::any_of(repairViews.begin(), repairViews.end(), [](const ui::TProgressView& view) {
        return view.activity.rfind(A("перенумерация: книга "), 0) == 0;
    })) << "the repair's renumbering moved no bar";
}

TEST_F(FormCheck, ATroubledCardIsSaidOnceAndTheCheckOffered) {
    TroubledCard({1, 3});
    boxes.answers = {platform::kIdYes, platform::kIdNo};
    form.FormShow();
    // The offer at start-up, then the check it leads to, answered No; then the integration.
    // Later scans of the same card do not ask again.
    form.RefreshBooks();
    EXPECT_EQ(SaidBy(boxes), (std::vector<Said>{{A("На карте памяти есть неполадки: прерванная запись, удаление или "
                                                   "перенумерация книг, пропуски в нумерации или служебные файлы. "
                                                   "Проверить карту сейчас?"),
                                                 check, kQuestion},
                                                {findings + question, check, kQuestion}}));
}

TEST_F(FormCheck, NoBookIsDeletedWhileABatchWaitsForTheCheckWhichIsOfferedAtOnce) {
    for (int n : {1, 2, 3}) MakeCardBook(card(), n, testsupport::Numbered("T", n), {"1.mp3"});
    StoreCard();
    {
        // Deleting T1 is cut short (a file in T2's folder is open): its journal stays for the check.
        testsupport::CardMishaps inUse(card());
        inUse.inUse = {platform::JoinPath(card(), "BOOK_002")};
        platform::Platform withFileInUse = PlatformWith(inUse);
        TMemoryCard cut(withFileInUse);
        cut.SetCardPath(card());
        cut.Scan();
        cut.DeleteBook(0);
        ASSERT_TRUE(cut.BatchAwaitsCheck());
    }
    boxes.answers = {platform::kIdNo, platform::kIdYes, platform::kIdYes};
    form.FormShow();  // the offer at start-up, declined
    form.Delete1Click();
    ASSERT_GE(boxes.boxes.size(), 2u);
    EXPECT_EQ(SaidBy(boxes)[1], Said(A("Книгу ") + books.rows[0].first +
                                         A(" не удалить, пока карта памяти не проверена: на ней осталось прерванное "
                                           "удаление или перенумерация книг. Проверить карту сейчас?"),
                                     A("Удаление книги"), kQuestion));
    // Yes: the check, its repair, and the list as the repair left it; no book deleted.
    EXPECT_EQ(Captions(), (std::vector<std::string>{check, A("Удаление книги"), check, check}));
    EXPECT_EQ(Slots(), (std::map<std::string, int>{{"T2", 1}, {"T3", 2}}));
    EXPECT_EQ(books.rows.size(), 2u);
}

TEST_F(FormCheck, TheSwitchChecksMendsAndEnds) {
    TroubledCard({1, 3});
    application.arguments = {platform::CheckCardSwitch()};
    boxes.answers = {platform::kIdYes};
    form.FormShow();
    // No offer first: the check itself runs.
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, findings + question);
    EXPECT_EQ(boxes.boxes[1].flags, kInformation);
    EXPECT_TRUE(application.closed);
    EXPECT_EQ(Slots(), (std::map<std::string, int>{{"T1", 1}, {"T3", 2}}));
    std::string help;
    ASSERT_TRUE(InformationRequest({"--help"}, help));
    EXPECT_NE(help.find(platform::CheckCardSwitch()), std::string::npos);
}

TEST_F(FormCheck, ARemovalThatCannotFinishOrLeavesFilesIsSaid) {
    for (int n : {1, 2}) MakeCardBook(card(), n, testsupport::Numbered("T", n), {"1.mp3"});
    testsupport::WriteFile(card() + platform::PathSeparator() + "BOOK_002.ydr",
                           Crlf({"#TITLE=T2", "#AUTHOR=" + A("Автор"), "#TOTAL_SIZE_KB=1", "BOOK_002\\1.mp3",
                                 "BOOK_001\\1.mp3"}));
    StoreCard();
    // The window on a card whose folder BOOK_001 cannot be removed, as when a file is in use.
    testsupport::CardMishaps inUse(card());
    inUse.inUse = {platform::JoinPath(card(), "BOOK_001")};
    platform::Platform withFileInUse = PlatformWith(inUse);
    TForm1 window(Controls(), withFileInUse);
    window.FormShow();
    books.selected = 0;
    boxes.answers = {platform::kIdYes};
    EXPECT_FALSE(window.DeleteSelectedBook(true));
    ASSERT_EQ(boxes.boxes.size(), 2u);
    const std::string stayed = platform::JoinPath(platform::JoinPath(card(), "BOOK_001"), "1.mp3");
    const std::string deletion = A("Удаление книги");
    EXPECT_EQ(SaidBy(boxes)[1], Said(A("Книгу Автор - T1 не удалось удалить полностью. На карте памяти остались: ") +
                                         stayed + A(". Книга осталась в списке, её можно удалить ещё раз."),
                                     deletion, kError));
    EXPECT_EQ(books.rows.size(), 2u);

    // Book 2 names a file of book 1's folder: it goes, that file stays, and the box says so.
    inUse.inUse.clear();
    books.selected = 1;
    boxes.answers = {platform::kIdYes};
    EXPECT_TRUE(window.DeleteSelectedBook(true));
    ASSERT_EQ(boxes.boxes.size(), 4u);
    EXPECT_EQ(SaidBy(boxes)[3], Said(A("Книга Автор - T2 удалена. Файлы, которые лежат вне её папки и могут "
                                       "принадлежать другой книге, оставлены на месте: ") + stayed,
                                     deletion, kWarning));
    EXPECT_TRUE(Exists(stayed));
}
