#include "support/Cardmishaps.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/Files.h"
#include "platform/Paths.h"

namespace testsupport {

bool CardMishaps::OnCard(const std::string& path) const {
    return path.compare(0, card_.size(), card_) == 0 &&
           (path.size() == card_.size() || platform::IsPathDelimiter(path[card_.size()]));
}

bool CardMishaps::InUse(const std::string& path) const {
    return std::find(inUse.begin(), inUse.end(), path) != inUse.end();
}

bool CardMishaps::Change(const std::string& path, const std::function<bool()>& call,
                         const std::function<void()>& cutShort) {
    if (!OnCard(path)) return call();
    if (Pulled()) return false;
    ++changingCalls;
    if (!Pulled()) return call();
    if (pullAfterEffect) {
        call();
    } else if (cutShort) {
        cutShort();
    }
    return false;
}

bool CardMishaps::WriteUnflushed(const std::string& path, const std::string& data) {
    const std::filesystem::path scratch =
        platform::ToFsPath(platform::JoinPath(platform::FolderOf(path), platform::kReplaceScratchName));
    std::error_code error;
    {
        std::ofstream out(scratch, std::ios::binary | std::ios::trunc);
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        if (!out.good()) return false;
    }
    std::filesystem::rename(scratch, platform::ToFsPath(path), error);
    if (error) std::filesystem::remove(scratch, error);
    return !error;
}

bool CardMishaps::ListDirectory(const std::string& f, std::vector<platform::DirEntry>& e) {
    if (f == card_) ++rootListings;
    if (!Readable(f)) return false;
    const bool listed = TestFiles::ListDirectory(f, e);
    if (listed && reorder) reorder(e);
    return listed;
}

bool CardMishaps::MakeDirectory(const std::string& p) {
    return Change(p, [&] { return TestFiles::MakeDirectory(p); });
}

bool CardMishaps::RemoveFile(const std::string& p) {
    return Change(p, [&] { return !InUse(p) && TestFiles::RemoveFile(p); });
}

bool CardMishaps::CopyWithProgress(const std::string& a, const std::string& b, const platform::CopyProgress& c,
                                   const platform::StopToken& s) {
    return Change(b, [&] { return TestFiles::CopyWithProgress(a, b, c, s); },
                  [&] { WriteFile(b, ReadFile(a).substr(0, ReadFile(a).size() / 2)); });
}

bool CardMishaps::FlushFiles(const std::vector<std::string>& p) {
    if (p.empty() || !OnCard(p.front())) return TestFiles::FlushFiles(p);
    ++flushes;
    if (failingFlushes > 0 && !Pulled()) {
        --failingFlushes;
        return false;
    }
    return Change(p.front(), [&] { return TestFiles::FlushFiles(p); });
}

bool CardMishaps::MoveNoReplace(const std::string& a, const std::string& b) {
    return Change(a, [&] { return TestFiles::MoveNoReplace(a, b); });
}

bool CardMishaps::WriteReplacing(const std::string& p, const std::string& d) {
    return Change(p, [&] { return WriteUnflushed(p, d); },
                  [&] { WriteFile(platform::JoinPath(platform::FolderOf(p), platform::kReplaceScratchName),
                                  d.substr(0, d.size() / 2)); });
}

bool CardMishaps::RemoveTree(const std::string& p) {
    return Change(p, [&] { return !InUse(p) && TestFiles::RemoveTree(p); }, [&] {
        std::vector<platform::DirEntry> entries;
        if (TestFiles::ListDirectory(p, entries) && !entries.empty()) {
            TestFiles::RemoveTree(platform::JoinPath(p, entries.front().name));
        }
    });
}

}  // namespace testsupport
