#include "support/Cardmishaps.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

#include "platform/Crc32.h"
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
                         const std::function<void()>& cutShort, const Op& op) {
    if (!OnCard(path)) return call();
    if (Pulled()) return false;
    ++changingCalls;
    Op noted = op;
    if (loseUnflushed && !op.path.empty()) NoteBefore(noted);
    if (!Pulled()) {
        const bool done = call();
        if (done && loseUnflushed && !op.path.empty()) unflushed_.push_back(noted);
        return done;
    }
    if (loseUnflushed) {
        if (pullAfterEffect && call() && !op.path.empty()) unflushed_.push_back(noted);
        Replay();
        return false;
    }
    if (pullAfterEffect) {
        call();
    } else if (cutShort) {
        cutShort();
    }
    return false;
}

void CardMishaps::NoteBefore(Op& op) const {
    op.existed = testsupport::Exists(op.path);
    if (!op.existed) return;
    if (op.kind == Op::Kind::RemoveTree && testsupport::IsDirectory(op.path)) {
        op.tree = Snapshot(op.path);
    } else if (op.kind == Op::Kind::Write || op.kind == Op::Kind::RemoveFile || op.kind == Op::Kind::RemoveTree) {
        op.before = ReadFile(op.path);
    }
}

void CardMishaps::Undo(const Op& op) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path path = platform::ToFsPath(op.path);
    switch (op.kind) {
        case Op::Kind::Write:
        case Op::Kind::RemoveFile:
            if (op.existed) {
                WriteFile(op.path, op.before);
            } else {
                fs::remove(path, error);
            }
            break;
        case Op::Kind::MakeFolder: fs::remove_all(path, error); break;
        case Op::Kind::RemoveTree:
            if (!op.existed) break;
            if (op.tree.empty() && !op.before.empty()) {
                WriteFile(op.path, op.before);
                break;
            }
            MakeDirs(op.path);
            for (const auto& [relative, bytes] : op.tree) {
                const bool folder = relative.back() == '/';
                const std::string inner =
                    platform::JoinPath(op.path, Native(folder ? relative.substr(0, relative.size() - 1) : relative));
                if (folder) {
                    MakeDirs(inner);
                } else {
                    WriteFile(inner, bytes);
                }
            }
            break;
        case Op::Kind::Move: fs::rename(platform::ToFsPath(op.to), path, error); break;
    }
}

void CardMishaps::Replay() {
    namespace fs = std::filesystem;
    std::error_code error;
    // The card as it was at the last flush, then a part of what followed.
    for (auto it = unflushed_.rbegin(); it != unflushed_.rend(); ++it) Undo(*it);
    std::mt19937 random(seed);
    std::vector<Op> ops = unflushed_;
    std::shuffle(ops.begin(), ops.end(), random);
    for (const Op& op : ops) {
        if (!op.durable && random() % 2 == 0) continue;
        const fs::path path = platform::ToFsPath(op.path);
        const bool parent = fs::is_directory(path.parent_path(), error);
        switch (op.kind) {
            case Op::Kind::Write: {
                if (!parent) break;
                // Kept whole mostly; else its name arrived with none or half of its bytes.
                const unsigned part = op.durable ? 0 : random() % 4;
                WriteFile(op.path, part == 1 ? std::string() : part == 2 ? op.data.substr(0, op.data.size() / 2) : op.data);
                break;
            }
            case Op::Kind::MakeFolder:
                if (parent) fs::create_directory(path, error);
                break;
            case Op::Kind::RemoveFile:
                if (fs::is_regular_file(path, error)) fs::remove(path, error);
                break;
            case Op::Kind::RemoveTree: fs::remove_all(path, error); break;
            case Op::Kind::Move: {
                const fs::path to = platform::ToFsPath(op.to);
                if (fs::exists(path, error) && !fs::exists(to, error)) fs::rename(path, to, error);
                break;
            }
        }
    }
    unflushed_.clear();
}

bool CardMishaps::ReplaceUnflushed(const std::string& path, const std::string& data) {
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
    return Change(p, [&] { return TestFiles::MakeDirectory(p); }, {}, {Op::Kind::MakeFolder, p, {}, {}, false, false, {}, {}});
}

bool CardMishaps::RemoveFile(const std::string& p) {
    return Change(p, [&] { return !InUse(p) && TestFiles::RemoveFile(p); }, {}, {Op::Kind::RemoveFile, p, {}, {}, false, false, {}, {}});
}

bool CardMishaps::CopyWithProgress(const std::string& a, const std::string& b, const platform::CopyProgress& c,
                                   const platform::StopToken& s, uint32_t* crc) {
    return Change(b, [&] { return TestFiles::CopyWithProgress(a, b, c, s, crc); },
                  [&] { WriteFile(b, ReadFile(a).substr(0, ReadFile(a).size() / 2)); },
                  {Op::Kind::Write, b, {}, ReadFile(a), false, false, {}, {}});
}

bool CardMishaps::ReadBackCrc(const std::string& p, const platform::CopyProgress& c, const platform::StopToken& s,
                              uint32_t& crc) {
    if (!Readable(p) || !garbleReadBack || !OnCard(p)) return Readable(p) && TestFiles::ReadBackCrc(p, c, s, crc);
    std::string bytes = ReadFile(p);
    if (!bytes.empty()) bytes[bytes.size() / 2] ^= 1;
    crc = platform::Crc32(0, bytes.data(), bytes.size());
    return true;
}

bool CardMishaps::FlushFiles(const std::vector<std::string>& p) {
    if (p.empty() || !OnCard(p.front())) return TestFiles::FlushFiles(p);
    ++flushes;
    if (failingFlushes > 0 && !Pulled()) {
        --failingFlushes;
        return false;
    }
    // A flush changes nothing to replay, and nothing here outlives the test: it succeeds when the
    // files are there, as the system's does, without waiting for the disk.
    const bool flushed = Change(p.front(), [&] {
        return std::all_of(p.begin(), p.end(), [this](const std::string& path) { return TestFiles::Exists(path); });
    }, {}, Op());
    // What has reached the medium is kept at a later pull.
    if (flushed) unflushed_.erase(std::remove_if(unflushed_.begin(), unflushed_.end(), [&](const Op& op) { return Flushes(p, op); }),
                                  unflushed_.end());
    return flushed;
}

bool CardMishaps::Flushes(const std::vector<std::string>& named, const Op& op) const {
    const auto reached = [&named](const std::string& path) {
        return std::find(named.begin(), named.end(), path) != named.end() ||
               std::find(named.begin(), named.end(), platform::FolderOf(path)) != named.end();
    };
    return !flushNamedOnly || (reached(op.path) && (op.kind != Op::Kind::Move || reached(op.to)));
}

bool CardMishaps::MoveNoReplace(const std::string& a, const std::string& b) {
    return Change(a, [&] { return !InUse(a) && TestFiles::MoveNoReplace(a, b); }, {}, {Op::Kind::Move, a, b, {}, false, false, {}, {}});
}

bool CardMishaps::WriteReplacing(const std::string& p, const std::string& d) {
    return Change(p, [&] { return !InUse(p) && ReplaceUnflushed(p, d); },
                  [&] { WriteFile(platform::JoinPath(platform::FolderOf(p), platform::kReplaceScratchName),
                                  d.substr(0, d.size() / 2)); },
                  {Op::Kind::Write, p, {}, d, true, false, {}, {}});
}

bool CardMishaps::WriteUnflushed(const std::string& p, const std::string& d) {
    return Change(p, [&] { return !InUse(p) && TestFiles::WriteUnflushed(p, d); }, [&] { WriteFile(p, d.substr(0, d.size() / 2)); },
                  {Op::Kind::Write, p, {}, d, false, false, {}, {}});
}

bool CardMishaps::RemoveTree(const std::string& p) {
    return Change(p, [&] { return !InUse(p) && TestFiles::RemoveTree(p); }, [&] {
        std::vector<platform::DirEntry> entries;
        if (TestFiles::ListDirectory(p, entries) && !entries.empty()) {
            TestFiles::RemoveTree(platform::JoinPath(p, entries.front().name));
        }
    }, {Op::Kind::RemoveTree, p, {}, {}, false, false, {}, {}});
}

}  // namespace testsupport
