#pragma once
// Helpers the suites share: temporary folders on the real file system and direct file access
// that does not go through the program's own file layer.

#include <cstdint>
#include <string>
#include <vector>

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

// The real file system and extractor with the user's folders moved into a test's own folders.
class TestFolders : public platform::IShellFolders {
public:
    std::string TempFolder() override { return temp; }
    std::string AppDataFolder() override { return appData; }
    std::string DataHomeFolder() override { return dataHome; }
    std::string ConfigHomeFolder() override { return configHome; }
    std::string ProgramFile() override { return platform::NativePlatform().folders.ProgramFile(); }

    std::string temp;     // ends with the path separator
    std::string appData;  // no trailing separator
    std::string dataHome;
    std::string configHome;
};

struct TestPlatform {
    explicit TestPlatform(const TempDir& dir);

    TestFolders folders;
    platform::Platform platform;
};

}  // namespace testsupport
