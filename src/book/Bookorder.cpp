#include "book/Bookorder.h"

#include <algorithm>
#include <numeric>
#include <string>

#include "book/Naturalorder.h"

namespace {

constexpr char kYoUpper = '\xA8', kYoLower = '\xB8', kYeUpper = '\xC5', kYeLower = '\xE5';  // Windows-1251

// The text as it is compared: Ё as Е; a '/' or '\' is a letter here, not a folder's end.
std::string Key(std::string text) {
    for (char& c : text) {
        if (c == kYoUpper) c = kYeUpper;
        if (c == kYoLower) c = kYeLower;
        if (c == '/' || c == '\\') c = '|';
    }
    return text;
}

// -1, 0 or 1 as a comes before, with or after b.
int Compare(const std::string& a, const std::string& b) {
    const std::string x = Key(a), y = Key(b);
    return NaturalLess(x, y) ? -1 : NaturalLess(y, x) ? 1 : 0;
}

}  // namespace

std::vector<std::size_t> SortedPlaces(const std::vector<const TBookInfo*>& books, TBookOrder order) {
    std::vector<std::size_t> places(books.size());
    std::iota(places.begin(), places.end(), 0);
    std::stable_sort(places.begin(), places.end(), [&](std::size_t i, std::size_t j) {
        const TBookInfo& a = *books[i];
        const TBookInfo& b = *books[j];
        const int byAuthor = order == TBookOrder::AuthorThenTitle ? Compare(a.Author, b.Author) : 0;
        return byAuthor != 0 ? byAuthor < 0 : Compare(a.Title, b.Title) < 0;
    });
    return places;
}
