#include "book/Naturalorder.h"

#include <cstddef>
#include <string_view>

#include "platform/Codepage.h"

namespace {

constexpr unsigned char kCapitalYo = 0xA8;  // Ё
constexpr unsigned char kCapitalIe = 0xC5;  // Е

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The place of a character in the order: capitals stand for both cases; Ё right after Е.
int Rank(char c) {
    const auto upper = static_cast<unsigned char>(platform::UpperCase1251(c));
    if (upper == kCapitalYo) return kCapitalIe * 2 + 1;
    return upper * 2;
}

// Compares two parts of a path: <0, 0 or >0.
int ComparePart(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            std::size_t endA = i, endB = j;
            while (endA < a.size() && IsDigit(a[endA])) ++endA;
            while (endB < b.size() && IsDigit(b[endB])) ++endB;
            std::size_t startA = i, startB = j;
            while (startA + 1 < endA && a[startA] == '0') ++startA;
            while (startB + 1 < endB && b[startB] == '0') ++startB;
            const std::size_t lengthA = endA - startA, lengthB = endB - startB;
            if (lengthA != lengthB) return lengthA < lengthB ? -1 : 1;
            const int digits = a.substr(startA, lengthA).compare(b.substr(startB, lengthB));
            if (digits != 0) return digits;
            i = endA;
            j = endB;
            continue;
        }
        const int rankA = Rank(a[i]), rankB = Rank(b[j]);
        if (rankA != rankB) return rankA < rankB ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
    return 0;
}

}  // namespace

bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0, j = 0;
    for (;;) {
        std::size_t endA = i, endB = j;
        while (endA < a.size() && !IsSeparator(a[endA])) ++endA;
        while (endB < b.size() && !IsSeparator(b[endB])) ++endB;
        const bool lastA = endA >= a.size(), lastB = endB >= b.size();
        // A folder's files and its subfolders are compared by their names alike.
        const int order = ComparePart(std::string_view(a).substr(i, endA - i), std::string_view(b).substr(j, endB - j));
        if (order != 0) return order < 0;
        if (lastA || lastB) {
            if (lastA != lastB) return lastA;
            return a < b;  // equal but for case or leading zeros: a fixed order all the same
        }
        i = endA + 1;
        j = endB + 1;
    }
}
