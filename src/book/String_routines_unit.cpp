#include "book/String_routines_unit.h"

#include "platform/Codepage.h"

namespace {
constexpr unsigned char kLastBlank = 32;
constexpr int64_t kDecimalBase = 10;

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= kLastBlank; }
}  // namespace

std::string TextBefore(const std::string& text, const std::string& delimiter) {
    if (delimiter.empty()) return std::string();
    const std::size_t pos = text.find(delimiter);
    return pos == std::string::npos ? std::string() : text.substr(0, pos);
}

std::string TextAfter(const std::string& text, const std::string& delimiter) {
    if (delimiter.empty()) return std::string();
    const std::size_t pos = text.find(delimiter);
    return pos == std::string::npos ? std::string() : text.substr(pos + delimiter.size());
}

std::string TrimBlanks(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

bool IsDigits(const std::string& text) {
    const std::string trimmed = TrimBlanks(text);
    if (trimmed.empty()) return false;
    for (const char c : trimmed) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

std::optional<int64_t> ParseDigits(const std::string& text, int64_t maximum) {
    if (!IsDigits(text)) return std::nullopt;
    int64_t value = 0;
    for (const char c : TrimBlanks(text)) {
        const int64_t digit = c - '0';
        if (value > (maximum - digit) / kDecimalBase) return std::nullopt;
        value = value * kDecimalBase + digit;
    }
    return value;
}

std::string AnsiUpperCase(const std::string& text) { return platform::UpperCase1251(text); }

const std::string& RussianPlural(int64_t count, const std::string& one, const std::string& few,
                                 const std::string& many) {
    constexpr int64_t kDecimal = 10, kHundred = 100;
    constexpr int64_t kTeensFirst = 11, kTeensLast = 14, kFewFirst = 2, kFewLast = 4;
    const int64_t lastTwo = count % kHundred;
    const int64_t last = count % kDecimal;
    if (lastTwo >= kTeensFirst && lastTwo <= kTeensLast) return many;
    if (last == 1) return one;
    return last >= kFewFirst && last <= kFewLast ? few : many;
}
