#include "support/Testsupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "platform/Files.h"
#include "platform/Paths.h"

namespace fs = std::filesystem;

namespace testsupport {

std::string Native(const std::string& relative) {
    std::string path = relative;
    for (char& c : path) {
        if (c == '/') c = platform::PathSeparator();
    }
    return path;
}

std::string Numbered(const std::string& prefix, int n) {
    std::string text = prefix;
    text += std::to_string(n);
    return text;
}

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    std::random_device random;
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::string name = "zwqtest-" + std::to_string(random()) + "-" + std::to_string(stamp % 1000000) + "-" +
                             std::to_string(counter++);
    const fs::path dir = fs::temp_directory_path() / name;
    fs::create_directories(dir);
    path_ = platform::FromFsPath(dir);
}

TempDir::~TempDir() {
    std::error_code error;
    const fs::path dir = platform::ToFsPath(path_);
    // Read-only entries made by a test must not stop the clean-up.
    for (auto it = fs::recursive_directory_iterator(dir, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
    fs::remove_all(dir, error);
}

std::string TempDir::operator/(const std::string& relative) const {
    return platform::JoinPath(path_, Native(relative));
}

void WriteFile(const std::string& path, const std::string& bytes) {
    const fs::path p = platform::ToFsPath(path);
    if (p.has_parent_path()) fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(platform::ToFsPath(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void MakeDirs(const std::string& path) { fs::create_directories(platform::ToFsPath(path)); }

bool Exists(const std::string& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(platform::ToFsPath(path), error));
}

bool IsDirectory(const std::string& path) {
    std::error_code error;
    return fs::is_directory(platform::ToFsPath(path), error);
}

bool IsRegularFile(const std::string& path) {
    std::error_code error;
    return fs::is_regular_file(platform::ToFsPath(path), error);
}

void SetReadOnly(const std::string& path, bool readOnly) {
    constexpr auto kWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    fs::permissions(platform::ToFsPath(path), kWrite, readOnly ? fs::perm_options::remove : fs::perm_options::add);
}

std::vector<std::string> List(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(platform::ToFsPath(folder), error)) {
        names.push_back(platform::FromFsPath(entry.path().filename()) + (entry.is_directory() ? "/" : ""));
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> content;
    for (const std::string& name : List(folder)) {
        if (name.back() != '/') {
            content[name] = ReadFile(platform::JoinPath(folder, name));
            continue;
        }
        content[name];
        for (const auto& [inner, bytes] : Snapshot(platform::JoinPath(folder, name.substr(0, name.size() - 1)))) {
            content[name + inner] = bytes;
        }
    }
    return content;
}

std::string Crlf(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

std::string Utf16File(const std::string& utf8) {
    const std::u16string units = platform::Utf8ToUtf16(utf8);
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : units) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

std::string MakeSourceBook(const std::string& folder, const std::string& descriptorName,
                           const std::vector<std::string>& headerLines, const std::vector<SourceFile>& files) {
    std::vector<std::string> lines = headerLines;
    for (const SourceFile& file : files) {
        lines.push_back(file.entry);
        std::string relative = file.entry;
        std::replace(relative.begin(), relative.end(), '\\', '/');
        WriteFile(platform::JoinPath(folder, Native(relative)), file.content);
    }
    const std::string descriptor = platform::JoinPath(folder, descriptorName);
    WriteFile(descriptor, Crlf(lines));
    return descriptor;
}

std::map<std::string, std::string> CardBookTree(int n, const std::string& title,
                                                const std::vector<std::string>& fileNames, int64_t sizeKb) {
    char slot[32] = {};
    std::snprintf(slot, sizeof slot, "BOOK_%03d", n);
    std::vector<std::string> lines = {"#TITLE=" + title, "#AUTHOR=" + A("Автор"),
                                      "#TOTAL_SIZE_KB=" + std::to_string(sizeKb)};
    std::map<std::string, std::string> tree{{std::string(slot) + "/", std::string()}};
    for (const std::string& name : fileNames) {
        lines.push_back(std::string(slot) + "\\" + name);
        tree[std::string(slot) + "/" + name] = title + "/" + name;
    }
    tree[std::string(slot) + ".ydr"] = Crlf(lines);
    return tree;
}

void MakeCardBook(const std::string& card, int n, const std::string& title, const std::vector<std::string>& fileNames,
                  int64_t sizeKb) {
    for (const auto& [relative, bytes] : CardBookTree(n, title, fileNames, sizeKb)) {
        if (relative.back() == '/') {
            MakeDirs(platform::JoinPath(card, Native(relative.substr(0, relative.size() - 1))));
        } else {
            WriteFile(platform::JoinPath(card, Native(relative)), bytes);
        }
    }
}

void MakeTree(const std::string& folder, const std::map<std::string, std::string>& tree) {
    MakeDirs(folder);
    const std::map<std::string, std::string> now = Snapshot(folder);
    const auto path = [&folder](const std::string& relative) {
        const bool isFolder = relative.back() == '/';
        return platform::JoinPath(folder, Native(isFolder ? relative.substr(0, relative.size() - 1) : relative));
    };
    std::error_code error;
    for (const auto& [relative, bytes] : now) {
        if (tree.count(relative) == 0) fs::remove_all(platform::ToFsPath(path(relative)), error);
    }
    for (const auto& [relative, bytes] : tree) {
        const auto found = now.find(relative);
        if (relative.back() == '/') {
            if (found == now.end()) MakeDirs(path(relative));
        } else if (found == now.end() || found->second != bytes) {
            WriteFile(path(relative), bytes);
        }
    }
}

TestPlatform::TestPlatform(const TempDir& dir)
    : platform{files, folders, platform::NativePlatform().extractor, drives, system,
               platform::IntegrationStyle::FreeDesktop, nullptr} {
    folders.temp = (dir / "temp") + platform::PathSeparator();
    folders.appData = dir / "appdata";
    folders.dataHome = dir / "data";
    folders.configHome = dir / "config";
    MakeDirs(dir / "temp");
    MakeDirs(dir / "appdata");
}

std::ostream& operator<<(std::ostream& out, const Failure& failure) {
    return out << "code " << static_cast<int>(failure.code) << " \"" << platform::Cp1251ToUtf8(failure.subject) << "\"";
}

}  // namespace testsupport
