#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/Codepage.h"
#include "platform/posix/Posixplatform.h"

namespace platform {
namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

std::string HomeFolder() {
    std::string home = Environment("HOME");
    if (home.empty()) {
        if (const passwd* pw = ::getpwuid(::getuid())) home = pw->pw_dir == nullptr ? "" : pw->pw_dir;
    }
    return home;
}

}  // namespace

std::string PosixShellFolders::TempFolder() {
    std::string folder = Environment("TMPDIR");
    if (folder.empty()) folder = "/tmp";
    if (folder.back() != '/') folder += '/';
    return Utf8ToCp1251(folder);
}

namespace {

// An XDG base folder: the variable when it holds an absolute path (a relative one is invalid
// and ignored, as the base-directory rules say), else the default below the home folder.
std::string BaseFolder(const char* variable, const char* defaultBelowHome) {
    std::string folder = Environment(variable);
    if (folder.empty() || folder.front() != '/') {
        const std::string home = HomeFolder();
        if (home.empty() || home.front() != '/') return std::string();
        folder = home + (home.back() == '/' ? "" : "/") + defaultBelowHome;
    }
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return Utf8ToCp1251(folder);
}

}  // namespace

std::string PosixShellFolders::AppDataFolder() { return ConfigHomeFolder(); }

std::string PosixShellFolders::ConfigHomeFolder() { return BaseFolder("XDG_CONFIG_HOME", ".config"); }

std::string PosixShellFolders::DataHomeFolder() { return BaseFolder("XDG_DATA_HOME", ".local/share"); }

std::string PosixShellFolders::ProgramFile() {
    constexpr std::size_t kMaxPath = 4096;
    std::vector<char> buffer(kMaxPath, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    return n <= 0 ? std::string() : Utf8ToCp1251(std::string(buffer.data(), static_cast<std::size_t>(n)));
}

}  // namespace platform
