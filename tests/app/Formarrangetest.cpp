// Arranging the books from the window: the keys and the items move the current book, which
// stays current at its new place; a sort asks first and says how many books moved; F2 corrects
// a book's names.
#include <gtest/gtest.h>

#include "app/Formharness.h"

using namespace formtest;  // the harness, its box flags and what was said
using testsupport::A;

namespace {

class Arranging : public ::testing::Test, public Harness {};

}  // namespace

// Of two books of one name the moved one is current and announced, until the list is redrawn.
TEST_F(Arranging, AMovedBookIsAnnouncedAtItsOwnPlaceBesideABookOfItsName) {
    for (int n = 1; n <= 3; ++n) testsupport::MakeCardBook(card(), n, A(n < 3 ? "Сказки" : "Былины"), {"1.mp3"});
    StoreCard();
    form.FormShow();
    books.SelectRow(1);
    form.booksKeyDown(kKeyUp, kCtrlDown);
    EXPECT_EQ(books.selected, 0);
    EXPECT_EQ(announcement.text, A("Книга перемещена на место 1"));
    form.RefreshBooks();
    EXPECT_EQ(announcement.text, "");
}

TEST_F(Arranging, TheCurrentBookMovesAndStaysCurrentAndASortSaysWhatItDid) {
    const char* titles[] = {"Том 10", "Том 2", "Ель", "Ёлка"};  // Ё as Е, numbers by value
    for (int n = 1; n <= 4; ++n) testsupport::MakeCardBook(card(), n, A(titles[n - 1]), {"1.mp3"});
    StoreCard();
    form.FormShow();
    const auto rows = [&](std::initializer_list<const char*> expected) {
        std::vector<std::string> converted;
        for (const char* title : expected) converted.push_back(A("Автор - ") + A(title));
        return converted;
    };
    arrange.places = {4};
    arrange.orders = {TBookOrder::Title, TBookOrder::AuthorThenTitle};
    boxes.answers = {platform::kIdYes};
    const struct {
        std::function<void()> act;
        std::vector<std::string> rows;
        std::size_t current;
    } steps[] = {
        {[&] { form.booksKeyDown(kKeyDown, kCtrlDown); }, rows({"Том 2", "Том 10", "Ель", "Ёлка"}), 1},
        {[&] { form.booksKeyDown(kKeyUp, kCtrlDown); }, rows({"Том 10", "Том 2", "Ель", "Ёлка"}), 0},
        {[&] { form.booksKeyDown(kKeyUp, kCtrlDown); }, rows({"Том 10", "Том 2", "Ель", "Ёлка"}), 0},  // at the top
        {[&] { form.booksKeyDown(kKeyM, kCtrlDown); }, rows({"Том 2", "Ель", "Ёлка", "Том 10"}), 3},
        {[&] { form.RunMenuCommand(MenuCommand::Sort); }, rows({"Ёлка", "Ель", "Том 2", "Том 10"}), 3},
        {[&] { form.RunMenuCommand(MenuCommand::Sort); }, rows({"Ёлка", "Ель", "Том 2", "Том 10"}), 3},
    };
    for (const auto& step : steps) {
        step.act();
        EXPECT_EQ(Rows(), step.rows);
        EXPECT_EQ(books.selected, static_cast<int>(step.current));
    }
    EXPECT_EQ(SaidBy(boxes), (std::vector<Said>{
                                 {A("Книги будут переставлены: 2 из 4. Продолжить?"), A("Перемещение книг"), kQuestion},
                                 {A("Книги переставлены: 2."), A("Перемещение книг"), kInformation},
                                 {A("Книги уже стоят в этом порядке."), A("Перемещение книг"), kInformation},
                             }));
    // F2: the names shown as they are, the author corrected; the book stays current.
    TNewBookForm corrected;
    corrected.author = "Лев Толстой";
    corrected.title = "Том 10";
    arrange.names = {corrected};
    form.booksKeyDown(kKeyF2, 0);
    ASSERT_EQ(arrange.shown.size(), 1u);
    EXPECT_EQ(arrange.shown[0].author, "Автор");
    EXPECT_EQ(Current(), A("Лев Толстой - Том 10"));
    EXPECT_NE(testsupport::ReadFile(dir / "card/BOOK_004.ydr").find(A("#AUTHOR=Лев Толстой\r\n")), std::string::npos);
}
