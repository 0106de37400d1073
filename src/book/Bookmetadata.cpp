#include "book/Bookmetadata.h"

#include <map>

namespace {

const char* const kNameSeparator = " - ";

}  // namespace

std::string CleanHeaderValue(const std::string& text) {
    std::string clean = text;
    for (char& c : clean) {
        if (static_cast<unsigned char>(c) < ' ') c = ' ';
    }
    const std::size_t first = clean.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    return clean.substr(first, clean.find_last_not_of(' ') - first + 1);
}

std::string MostCommon(const std::vector<std::string>& values) {
    std::map<std::string, int> counts;
    std::string best;
    int bestCount = 0;
    for (const std::string& raw : values) {
        const std::string value = CleanHeaderValue(raw);
        if (value.empty()) continue;
        const int count = ++counts[value];
        if (count > bestCount) {
            best = value;
            bestCount = count;
        }
    }
    return best;
}

TBookNames NamesFromTags(const std::vector<platform::AudioTags>& tags) {
    std::vector<std::string> albums, artists, albumArtists;
    for (const platform::AudioTags& tag : tags) {
        albums.push_back(tag.album);
        artists.push_back(tag.artist);
        albumArtists.push_back(tag.albumArtist);
    }
    TBookNames names;
    names.title = MostCommon(albums);
    names.author = MostCommon(artists);
    if (names.author.empty()) names.author = MostCommon(albumArtists);
    return names;
}

TBookNames NamesFromName(const std::string& name) {
    TBookNames names;
    const std::size_t separator = name.find(kNameSeparator);
    if (separator != std::string::npos) {
        names.author = CleanHeaderValue(name.substr(0, separator));
        names.title = CleanHeaderValue(name.substr(separator + std::string(kNameSeparator).size()));
    }
    if (names.title.empty() || names.author.empty()) {
        names.title = CleanHeaderValue(name);
        names.author.clear();
    }
    return names;
}

TBookNames ChooseNames(const std::vector<TBookNames>& sources) {
    TBookNames chosen;
    for (const TBookNames& source : sources) {
        if (chosen.title.empty()) chosen.title = CleanHeaderValue(source.title);
        if (chosen.author.empty()) chosen.author = CleanHeaderValue(source.author);
        if (chosen.announcer.empty()) chosen.announcer = CleanHeaderValue(source.announcer);
    }
    return chosen;
}
