#include "book/Bookscan.h"

#include <algorithm>

#include "book/Naturalorder.h"
#include "platform/Codepage.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace {

// Folders deeper than this are not looked into: no book needs them, and it bounds the work.
constexpr int kMaxDepth = 32;

void ListInto(platform::IFileSystem& files, const std::string& folder, const std::string& prefix, int depth,
              std::vector<std::string>& relative) {
    std::vector<platform::DirEntry> entries;
    if (!files.ListDirectory(folder, entries)) return;
    for (const platform::DirEntry& entry : entries) {
        const std::string path = platform::JoinPath(folder, entry.name);
        const std::string name = prefix + entry.name;
        if (files.IsLink(path)) {
            if (!entry.isDirectory && files.IsFile(path)) relative.push_back(name);
            continue;
        }
        if (!entry.isDirectory) {
            relative.push_back(name);
        } else if (depth < kMaxDepth) {
            ListInto(files, path, name + "/", depth + 1, relative);
        }
    }
}

}  // namespace

bool ListBookFolder(platform::IFileSystem& files, const std::string& folder, std::vector<std::string>& relative) {
    std::vector<platform::DirEntry> probe;
    if (!files.ListDirectory(folder, probe)) return false;
    relative.clear();
    ListInto(files, folder, std::string(), 0, relative);
    std::sort(relative.begin(), relative.end(), NaturalLess);
    return true;
}

std::string FindBookFile(platform::IFileSystem& files, const std::string& folder, const std::string& relative) {
    if (files.IsFile(platform::JoinPath(folder, platform::EntryToPath(relative)))) return relative;
    // Books made on Windows name their files in any letter case.
    std::string found;
    std::string current = folder;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = relative.find('/', start);
        const std::string part = relative.substr(start, end == std::string::npos ? end : end - start);
        const bool last = end == std::string::npos;
        std::vector<platform::DirEntry> entries;
        if (!files.ListDirectory(current, entries)) return std::string();
        const std::string upper = platform::UpperCase1251(part);
        const auto match = std::find_if(entries.begin(), entries.end(), [&](const platform::DirEntry& entry) {
            return entry.isDirectory != last && platform::UpperCase1251(entry.name) == upper;
        });
        if (match == entries.end()) return std::string();
        found += (found.empty() ? "" : "/") + match->name;
        current = platform::JoinPath(current, match->name);
        if (last) return files.IsFile(current) ? found : std::string();
        start = end + 1;
    }
}
