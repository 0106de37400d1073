#include "platform/Paths.h"

#include <string_view>

#include "platform/Codepage.h"

namespace platform {

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (IsPathDelimiter(folder.back()) && folder.back() != ':') return folder + name;
    return folder + PathSeparator() + name;
}

namespace {
std::size_t LastDelimiter(const std::string& path) {
    for (std::size_t i = path.size(); i > 0; --i) {
        if (IsPathDelimiter(path[i - 1])) return i - 1;
    }
    return std::string::npos;
}
}  // namespace

std::string FileNameOf(const std::string& path) {
    const std::size_t pos = LastDelimiter(path);
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string FolderOf(const std::string& path) {
    const std::size_t pos = LastDelimiter(path);
    if (pos == std::string::npos) return std::string();
    if (path[pos] == ':') return path.substr(0, pos + 1);
    // The root folder itself keeps its separator ("/", "E:\").
    if (pos == 0 || (pos > 0 && path[pos - 1] == ':')) return path.substr(0, pos + 1);
    return path.substr(0, pos);
}

std::string ExtensionOf(const std::string& path) {
    const std::string name = FileNameOf(path);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

bool HasExtension(const std::string& path, const std::string& extension) {
    return UpperCase1251(ExtensionOf(path)) == UpperCase1251(extension);
}

std::string StripTrailingSeparators(const std::string& path) {
    std::size_t end = path.size();
    while (end > 0 && (path[end - 1] == '\\' || path[end - 1] == '/')) --end;
    return path.substr(0, end);
}

namespace {
bool IsEntryDelimiter(char c) { return c == '\\' || c == '/' || c == ':'; }

std::size_t LastEntryDelimiter(const std::string& entry) {
    for (std::size_t i = entry.size(); i > 0; --i) {
        if (IsEntryDelimiter(entry[i - 1])) return i - 1;
    }
    return std::string::npos;
}
}  // namespace

std::string EntryFileName(const std::string& entry) {
    const std::size_t pos = LastEntryDelimiter(entry);
    return pos == std::string::npos ? entry : entry.substr(pos + 1);
}

std::string EntryFolder(const std::string& entry) {
    const std::size_t pos = LastEntryDelimiter(entry);
    return pos == std::string::npos ? std::string() : entry.substr(0, pos);
}

bool IsContainedEntry(const std::string& entry) {
    if (entry.empty() || entry.front() == '\\' || entry.front() == '/') return false;
    if (entry.find(':') != std::string::npos) return false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = entry.find_first_of("\\/", start);
        const std::string_view part = std::string_view(entry).substr(start, end == std::string::npos ? end : end - start);
        if (part == "..") return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

std::string EntryToPath(const std::string& entry) {
    std::string path = entry;
    for (char& c : path) {
        if (c == '\\' || c == '/') c = PathSeparator();
    }
    return path;
}

}  // namespace platform
