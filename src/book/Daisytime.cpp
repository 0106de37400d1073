#include "book/Daisytime.h"

#include <cctype>
#include <cstdlib>
#include <vector>

namespace {

// A number of digits and at most one point, the whole text; negative otherwise.
double Number(const std::string& text) {
    if (text.empty() || text.size() > 32) return -1;
    int points = 0;
    for (const char c : text) {
        if (c == '.') {
            ++points;
        } else if (!std::isdigit(static_cast<unsigned char>(c))) {
            return -1;
        }
    }
    if (points > 1 || text == ".") return -1;
    return std::strtod(text.c_str(), nullptr);
}

double ClockValue(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t colon; (colon = text.find(':', start)) != std::string::npos; start = colon + 1) {
        parts.push_back(text.substr(start, colon - start));
    }
    parts.push_back(text.substr(start));
    if (parts.size() > 3) return -1;
    double seconds = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const bool last = i + 1 == parts.size();
        // Hours and minutes are whole; minutes and seconds below 60 after the first part.
        if (!last && parts[i].find('.') != std::string::npos) return -1;
        const double value = Number(parts[i]);
        if (value < 0 || (i > 0 && value >= 60)) return -1;
        seconds = seconds * 60 + value;
    }
    return seconds;
}

double TimeCount(const std::string& text) {
    static const struct {
        const char* unit;
        double seconds;
    } kUnits[] = {{"ms", 0.001}, {"min", 60}, {"h", 3600}, {"s", 1}};
    for (const auto& unit : kUnits) {
        const std::string suffix = unit.unit;
        if (text.size() > suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0) {
            const double value = Number(text.substr(0, text.size() - suffix.size()));
            return value < 0 ? -1 : value * unit.seconds;
        }
    }
    return Number(text);
}

}  // namespace

double DaisySeconds(const std::string& raw) {
    const std::size_t first = raw.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return -1;
    std::string text = raw.substr(first, raw.find_last_not_of(" \t\r\n") - first + 1);
    if (text.compare(0, 4, "npt=") == 0) text = text.substr(4);
    return text.find(':') != std::string::npos ? ClockValue(text) : TimeCount(text);
}
