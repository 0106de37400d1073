#pragma once
// The orders a listener may put the card's books in, compared as a Russian reader expects:
// letters without regard to case, Ё as Е, numbers by their value ("Том 2" before "Том 10").

#include <cstddef>
#include <vector>

#include "book/Ydrunit.h"

enum class TBookOrder { AuthorThenTitle, Title };

// The books' places (indexes into books) in the order; books that compare equal keep their
// present order.
std::vector<std::size_t> SortedPlaces(const std::vector<const TBookInfo*>& books, TBookOrder order);
