#pragma once
// Helpers the suites share: temporary folders on the real file system and direct file access
// that does not go through the program's own file layer.

#include <cstdint>
#include <functional>
#include <map>
#include <ostream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/Controls.h"
#include "card/Cardoutcomes.h"
#include "platform/Codepage.h"
#include "platform/Platform.h"

namespace testsupport {

// A text written in the test source as UTF-8, in the program's Windows-1251.
inline std::string A(const char* utf8) { return platform::Ansi(utf8); }

// prefix followed by the decimal number ("T" and 3 make "T3").
std::string Numbered(const std::string& prefix, int n);

// A fresh folder in the system's temporary folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Its path (Windows-1251, the platform's form, no trailing separator).
    const std::string& path() const { return path_; }
    // path() joined with a relative path written with '/' (turned into the platform's form).
    std::string operator/(const std::string& relative) const;

private:
    std::string path_;
};

// The platform's form of a relative path written with '/'.
std::string Native(const std::string& relative);

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
void MakeDirs(const std::string& path);
bool Exists(const std::string& path);
bool IsDirectory(const std::string& path);
bool IsRegularFile(const std::string& path);
void SetReadOnly(const std::string& path, bool readOnly);
// Names in a folder, sorted; folders end with '/'.
std::vector<std::string> List(const std::string& folder);
// Everything under a folder: each file's path relative to it with its bytes, each folder's
// path with "/" at the end and no bytes.
std::map<std::string, std::string> Snapshot(const std::string& folder);

// The lines of a descriptor joined by CR LF, each line ended.
std::string Crlf(const std::vector<std::string>& lines);
// A UTF-16 little-endian file with byte-order mark from UTF-8 text.
std::string Utf16File(const std::string& utf8);

// A book source on disk: a descriptor (Windows-1251) with the given header lines and one entry
// per file, and the files beside it with the given contents.
struct SourceFile {
    std::string entry;  // as written in the descriptor, e.g. "CD1\\01.mp3"
    std::string content;
};
// Writes folder/descriptorName and the files; returns the descriptor's path.
std::string MakeSourceBook(const std::string& folder, const std::string& descriptorName,
                           const std::vector<std::string>& headerLines, const std::vector<SourceFile>& files);
// A book already on a card in slot n, as the program writes it: BOOK_nnn.ydr and folder BOOK_nnn
// with the files.
void MakeCardBook(const std::string& card, int n, const std::string& title,
                  const std::vector<std::string>& fileNames, int64_t sizeKb = 1024);
// The same book in Snapshot's form, relative to the card.
std::map<std::string, std::string> CardBookTree(int n, const std::string& title,
                                                const std::vector<std::string>& fileNames, int64_t sizeKb = 1024);
// Makes folder hold exactly tree (in Snapshot's form), removing and writing only what differs,
// so that a card remade before each of hundreds of runs costs what the run changed: a new
// file costs the disk many times what rewriting one does.
void MakeTree(const std::string& folder, const std::map<std::string, std::string>& tree);

// The user's folders moved into a test's own folders.
class TestFolders : public platform::IShellFolders {
public:
    std::string TempFolder() override { return temp; }
    std::string AppDataFolder() override { return appData; }
    std::string DataHomeFolder() override { return dataHome; }
    std::string ConfigHomeFolder() override { return configHome; }
    std::string ProgramFile() override {
        return programFile.empty() ? platform::NativePlatform().folders.ProgramFile() : programFile;
    }

    std::string temp;         // ends with the path separator
    std::string appData;      // no trailing separator
    std::string dataHome;
    std::string configHome;
    std::string programFile;  // empty: the test program itself
};

// The real file system, except that the free space and the cluster size of the card can be
// set: a full card, a failing query or another file system cannot be made for real in a test.
class TestFiles : public platform::IFileSystem {
public:
    bool ListDirectory(const std::string& f, std::vector<platform::DirEntry>& e) override { return real().ListDirectory(f, e); }
    bool Exists(const std::string& p) override { return real().Exists(p); }
    bool IsFile(const std::string& p) override { return real().IsFile(p); }
    bool IsDirectory(const std::string& p) override { return real().IsDirectory(p); }
    bool MakeDirectory(const std::string& p) override { return real().MakeDirectory(p); }
    bool RemoveFile(const std::string& p) override { return real().RemoveFile(p); }
    bool CanReplace(const std::string& p) override { return real().CanReplace(p); }
    bool MoveNoReplace(const std::string& a, const std::string& b) override { return real().MoveNoReplace(a, b); }
    bool ReadWholeFile(const std::string& p, std::string& d) override { return real().ReadWholeFile(p, d); }
    std::unique_ptr<platform::IReadFile> OpenToRead(const std::string& p) override { return real().OpenToRead(p); }
    bool WriteReplacing(const std::string& p, const std::string& d) override { return real().WriteReplacing(p, d); }
    bool WriteUnflushed(const std::string& p, const std::string& d) override { return real().WriteUnflushed(p, d); }
    bool RemoveTree(const std::string& p) override { return real().RemoveTree(p); }
    int64_t FreeBytes(const std::string& p) override { return useRealFreeBytes ? real().FreeBytes(p) : freeBytes; }
    bool IsLink(const std::string& p) override { return real().IsLink(p); }
    std::unique_ptr<platform::IFileLock> TryLock(const std::string& p) override { return real().TryLock(p); }
    bool CopyWithProgress(const std::string& a, const std::string& b, const platform::CopyProgress& c,
                          const platform::StopToken& s, uint32_t* crc) override {
        if (beforeCopy) beforeCopy();
        return real().CopyWithProgress(a, b, c, s, crc);
    }
    bool ReadBackCrc(const std::string& p, const platform::CopyProgress& c, const platform::StopToken& s,
                     uint32_t& crc) override {
        return real().ReadBackCrc(p, c, s, crc);
    }
    bool FlushFiles(const std::vector<std::string>& p) override { return real().FlushFiles(p); }
    int64_t FileSize(const std::string& p) override { return real().FileSize(p); }
    int64_t ClusterSize(const std::string& p) override { return useRealClusterSize ? real().ClusterSize(p) : clusterSize; }

    bool useRealFreeBytes = true;
    int64_t freeBytes = -1;
    bool useRealClusterSize = true;
    int64_t clusterSize = -1;
    // Runs before every copy, on the thread that copies: a test holds a write there, as a slow
    // card would hold it.
    std::function<void()> beforeCopy;

private:
    static platform::IFileSystem& real() { return platform::NativePlatform().files; }
};

// The removable drives, as the test says (no test machine has any).
class TestDrives : public platform::IDrives {
public:
    std::vector<std::string> RemovableDrives() override { return drives; }
    std::string VolumeLabel(const std::string& root) override {
        const auto found = labels.find(root);
        return found == labels.end() ? std::string() : found->second;
    }
    VolumeIdentity Identity(const std::string& root) override { return {uuids[root], VolumeLabel(root)}; }
    bool IsMountPoint(const std::string& folder) override { return mountPoints.count(folder) != 0; }
    // Takes the root out of the list, or refuses with the scripted reason.
    bool Eject(const std::string& root, std::string& reason) override {
        ejected.push_back(root);
        if ((reason = refusal).empty()) std::erase(drives, root);
        return reason.empty();
    }
    std::vector<std::string> drives;
    std::map<std::string, std::string> labels;  // by root
    std::map<std::string, std::string> uuids;   // by root
    std::set<std::string> mountPoints;          // folders a volume is mounted at, removable or not
    std::string refusal;
    std::vector<std::string> ejected;
};

// The real system services, except the ones a test cannot let run for real: the elevation
// prompt is answered by the script, and helper programs (regsvr32, the desktop's database
// tools) are recorded instead of started.
class ScriptedSystem : public platform::ISystem {
public:
    struct Started {
        std::string program;
        std::vector<std::string> arguments;
    };
    struct Elevation {
        std::string program, parameters, folder;
    };

    bool IsAdmin() override { return isAdmin; }
    bool IsWow64() override { return real().IsWow64(); }
    std::string SystemDirectory() override { return real().SystemDirectory(); }
    std::string FindProgram(const std::string& name) override {
        return findPrograms ? real().FindProgram(name) : std::string();
    }
    bool StartProcess(const std::string& program, const std::vector<std::string>& arguments) override {
        started.push_back(Started{program, arguments});
        return true;
    }
    int RunElevated(const std::string& program, const std::string& parameters, const std::string& folder) override {
        elevations.push_back(Elevation{program, parameters, folder});
        return elevationResult;
    }
    std::string CurrentDirectory() override { return real().CurrentDirectory(); }

    bool isAdmin = true;
    bool findPrograms = false;
    int elevationResult = 42;
    std::vector<Started> started;
    std::vector<Elevation> elevations;

private:
    static platform::ISystem& real() { return platform::NativePlatform().system; }
};

// An application without a window: no arguments, and a request to end is only noted.
class NoApplication : public ui::IApplication {
public:
    std::vector<std::string> Arguments() override { return {}; }
    void CloseMainWindow() override {}
    void Terminate() override { terminated = true; }
    bool terminated = false;
};

// A failed write as the card tells it: its code and what it concerns.
struct Failure {
    Failure(TCardError::Code c, std::string s = std::string()) : code(c), subject(std::move(s)) {}  // NOLINT
    explicit Failure(const TCardError& error) : code(error.code), subject(error.subject) {}
    bool operator==(const Failure& other) const { return code == other.code && subject == other.subject; }
    TCardError::Code code;
    std::string subject;
};
std::ostream& operator<<(std::ostream& out, const Failure& failure);

// The test's platform: real files (free space settable), real extractor, the user's folders
// inside the test's folder, scripted drives and elevation, and the per-user freedesktop
// integration on every platform (the registry form has its own Windows suite).
struct TestPlatform {
    explicit TestPlatform(const TempDir& dir);

    TestFolders folders;
    TestFiles files;
    TestDrives drives;
    ScriptedSystem system;
    platform::Platform platform;
};

}  // namespace testsupport
