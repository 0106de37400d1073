// Books changing places: a move to another place, a swap, a re-sort, each one journaled batch
// with a few flushes whatever the number of books; a card pulled at any call is finished by the
// check, the books in the old order or the new one, never a mixture.
#include <filesystem>

#include "core/Cardfixture.h"

using namespace cardtest;

namespace {

// An arrangement of the books 1..n: the numbers in their new order.
struct Arrangement {
    const char* what;
    std::function<std::vector<int>(int n)> order;
    bool swept = true;  // its every pull point tried (a move down mirrors a move up there)
};
std::vector<int> Numbers(int n) {
    std::vector<int> numbers;
    for (int i = 1; i <= n; ++i) numbers.push_back(i);
    return numbers;
}
const Arrangement kArrangements[] = {
    {"the first book to the last place", [](int n) {
         std::vector<int> order = Numbers(n);
         std::rotate(order.begin(), order.begin() + 1, order.end());
         return order;
     }},
    {"the last book to the first place", [](int n) {
         std::vector<int> order = Numbers(n);
         std::rotate(order.rbegin(), order.rbegin() + 1, order.rend());
         return order;
     },
     false},
    {"two books in the middle swapped", [](int n) {
         std::vector<int> order = Numbers(n);
         std::swap(order[n / 2 - 1], order[n / 2]);
         return order;
     }},
    {"every book re-sorted", [](int n) {
         std::vector<int> order = Numbers(n);
         std::reverse(order.begin(), order.end());
         return order;
     }},
};
std::vector<std::string> TitlesOf(const std::vector<int>& order) {
    std::vector<std::string> titles;
    for (const int n : order) titles.push_back(Title(n));
    return titles;
}

// Book 1 deleted outside the program, as a file manager or the player deletes it.
void RemoveFirstBookByHand(const std::string& card) {
    std::filesystem::remove_all(platform::ToFsPath(platform::JoinPath(card, "BOOK_001")));
    std::filesystem::remove(platform::ToFsPath(platform::JoinPath(card, "BOOK_001.ydr")));
}

}  // namespace

// Every renumbering (a deletion, books changing places, the check closing a gap) is one batch:
// its flushes and listings of the card's root do not grow with the number of books, and the
// listing the model makes from the bytes it wrote is the card's.
TEST_F(Card, EveryRenumberingTakesAFewFlushesWhateverTheNumberOfBooks) {
    struct Row {
        std::string what;
        std::vector<int> sizes;
        std::function<void()> before;  // on the card of books 1..n, uncounted
        std::function<void(int n)> run;
        std::function<std::vector<std::string>(int n)> after;  // the titles in number order
    };
    std::vector<Row> rows = {
        {"the first book deleted", {40, 999}, {}, [this](int) { EXPECT_TRUE(model.DeleteBook(0)); },
         [](int n) { return Titles(2, n); }},
        {"a gap at book 1 closed by the check", {40, 999}, [this] { RemoveFirstBookByHand(card()); },
         [this](int) { EXPECT_TRUE(model.RepairCard().leftAlone.empty()); }, [](int n) { return Titles(2, n); }},
    };
    for (const Arrangement& a : kArrangements) {
        rows.push_back({a.what, {8, 40}, {}, [this, &a](int n) { EXPECT_TRUE(model.ArrangeBooks(a.order(n))); },
                        [&a](int n) { return TitlesOf(a.order(n)); }});
    }
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<int> listings;
        for (const int n : row.sizes) {
            MakeBooks(n);
            if (row.before) row.before();
            model.Scan();
            files.flushes = 0;
            files.rootListings = 0;
            row.run(n);
            EXPECT_LE(files.flushes, 8);
            listings.push_back(files.rootListings);
            EXPECT_EQ(Books(), row.after(n));
            std::vector<std::string> listed;
            for (const auto& book : model.Books) listed.push_back(book->Title);
            EXPECT_EQ(listed, row.after(n));
        }
        EXPECT_EQ(listings.front(), listings.back());
    }
    // A book moved to its place: the books between shift by one.
    MakeBooks(5);
    EXPECT_TRUE(model.MoveBookTo(4, 2));
    EXPECT_EQ(Books(), TitlesOf({1, 5, 2, 3, 4}));
    // Refused, nothing touched: no order of the listed books, a descriptor another program holds.
    const auto before = testsupport::Snapshot(card());
    EXPECT_FALSE(model.ArrangeBooks({1, 2, 3}));
    files.inUse = {at("BOOK_002.ydr")};
    const TArrangement held = model.ArrangeBooks({5, 4, 3, 2, 1});
    EXPECT_EQ(held.held, at("BOOK_002.ydr"));
    EXPECT_FALSE(held.waitsForCheck);
    EXPECT_EQ(testsupport::Snapshot(card()), before);
    files.inUse.clear();
}

TEST_P(PulledCard, BooksChangingPlacesEndInTheOldOrderOrTheNew) {
    for (const Arrangement& a : kArrangements) {
        if (!a.swept) continue;
        SCOPED_TRACE(a.what);
        const std::vector<int> order = a.order(books());
        const int points = Sweep([&] { model.ArrangeBooks(order); }, [&](const std::vector<std::string>& titles) {
            if (titles != Titles(1, books())) {
                EXPECT_EQ(titles, TitlesOf(order));
            }
        });
        EXPECT_GE(points, 4);
    }
}

// The check closing a gap at book 1 (deleted by a file manager, or by the player) moves every
// other book down in one batch: a card pulled at any call ends with every book, in order.
TEST_P(PulledCard, AGapClosedByTheCheckEndsWithEveryBookInOrder) {
    const int points = Sweep(
        [this] {
            RemoveFirstBookByHand(card());
            model.RepairCard();
        },
        [this](const std::vector<std::string>& titles) { EXPECT_EQ(titles, Titles(2, books())); });
    EXPECT_GE(points, 3 * (books() - 1));
}
