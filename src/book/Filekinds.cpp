#include "book/Filekinds.h"

#include <algorithm>
#include <map>

#include "platform/Paths.h"

std::vector<TFileKind> FileKinds(const std::vector<std::string>& names) {
    std::map<std::string, int> counts;
    for (const std::string& name : names) {
        std::string extension = platform::ExtensionOf(platform::EntryFileName(name));
        if (extension.size() < 2) continue;
        std::transform(extension.begin() + 1, extension.end(), extension.begin() + 1,
                       [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
        ++counts[extension.substr(1)];
    }
    std::vector<TFileKind> kinds;
    for (const auto& [kind, count] : counts) kinds.push_back({kind, count});
    std::stable_sort(kinds.begin(), kinds.end(), [](const TFileKind& a, const TFileKind& b) { return a.count > b.count; });
    return kinds;
}

bool IsOtherAudioKind(const std::string& kind) {
    static const char* const kinds[] = {"AAC", "AIF",  "AIFF", "AMR", "APE", "FLAC", "M4A", "M4B", "MKA",
                                        "MP2", "MPC",  "OGA",  "OGG", "OPUS", "WAV", "WMA", "WV"};
    return std::any_of(std::begin(kinds), std::end(kinds), [&](const char* k) { return kind == k; });
}
