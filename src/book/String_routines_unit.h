#pragma once
// Text routines shared by the modules. They work on bytes: exact, case-sensitive matching,
// new texts returned.

#include <cstdint>
#include <optional>
#include <string>

// The part before the first occurrence of delimiter; empty when it does not occur or is empty.
std::string TextBefore(const std::string& text, const std::string& delimiter);
// The part after the first occurrence of delimiter; empty when it does not occur or is empty.
std::string TextAfter(const std::string& text, const std::string& delimiter);
// True when the text, without the characters of code 32 and below at both ends, is a
// non-empty run of the digits 0 to 9.
bool IsDigits(const std::string& text);

// The text without the characters of code 32 and below at both ends.
std::string TrimBlanks(const std::string& text);
// The decimal value of a text that passes IsDigits, when it is at most maximum.
std::optional<int64_t> ParseDigits(const std::string& text, int64_t maximum);
// Upper-casing by the Russian locale (Windows-1251, Cyrillic letters included).
std::string AnsiUpperCase(const std::string& text);

// The Russian word for count things, by the last two digits: one (1, 21, 101 — but not 11),
// few (2 to 4, 22 to 24 — but not 12 to 14) or many (the rest).
const std::string& RussianPlural(int64_t count, const std::string& one, const std::string& few,
                                 const std::string& many);
