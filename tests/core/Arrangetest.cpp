// Books changing places: a move to another place, a swap, a re-sort, each one journaled batch
// with a few flushes whatever the number of books; a card pulled at any call is finished by the
// check, the books in the old order or the new one, never a mixture.
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

}  // namespace

TEST_F(Card, BooksChangePlacesInOneBatchWithAFewFlushesWhateverTheNumberOfBooks) {
    for (const Arrangement& a : kArrangements) {
        SCOPED_TRACE(a.what);
        for (const int n : {8, 40}) {
            MakeBooks(n);
            files.flushes = 0;
            files.rootListings = 0;
            const TArrangement done = model.ArrangeBooks(a.order(n));
            EXPECT_TRUE(done);
            EXPECT_LE(files.flushes, 5);
            EXPECT_EQ(files.rootListings, 1);
            EXPECT_EQ(Books(), TitlesOf(a.order(n)));
            // The listing the model made from the bytes it wrote is the card's.
            std::vector<std::string> listed;
            for (const auto& book : model.Books) listed.push_back(book->Title);
            EXPECT_EQ(listed, TitlesOf(a.order(n)));
        }
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
