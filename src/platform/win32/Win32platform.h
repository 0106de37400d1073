#pragma once
// The platform services on Windows. Texts are converted from Windows-1251 to UTF-16 at this
// edge and every file is reached through the W functions, so the program works the same on a
// Windows of any language.

#include <functional>
#include <memory>
#include <string>

#include "platform/Archive.h"
#include "platform/Codepage.h"
#include "platform/Drives.h"
#include "platform/Files.h"
#include "platform/Integration.h"
#include "platform/Shellfolders.h"

namespace platform {

// The system's UTF-16 name of a Windows-1251 path, and back.
inline std::wstring WideName(const std::string& path) {
    const std::u16string wide = Cp1251ToUtf16(path);
    return std::wstring(wide.begin(), wide.end());
}
inline std::string AnsiName(const std::wstring& name) { return Utf16ToCp1251(std::u16string(name.begin(), name.end())); }

class Win32FileSystem : public IFileSystem {
public:
    bool ListDirectory(const std::string& folder, std::vector<DirEntry>& entries) override;
    bool Exists(const std::string& path) override;
    bool IsFile(const std::string& path) override;
    bool IsDirectory(const std::string& path) override;
    bool MakeDirectory(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    bool CanReplace(const std::string& path) override;
    bool MoveNoReplace(const std::string& from, const std::string& to) override;
    bool ReadWholeFile(const std::string& path, std::string& data) override;
    std::unique_ptr<IReadFile> OpenToRead(const std::string& path) override;
    bool WriteReplacing(const std::string& path, const std::string& data) override;
    bool WriteUnflushed(const std::string& path, const std::string& data) override;
    bool RemoveTree(const std::string& path) override;
    // Free bytes of the drive named by the path's first letter, as the card's drive root.
    int64_t FreeBytes(const std::string& path) override;
    bool IsLink(const std::string& path) override;
    std::unique_ptr<IFileLock> TryLock(const std::string& path) override;
    // CopyFileExW, whose progress routine reports and cancels.
    bool CopyWithProgress(const std::string& from, const std::string& to, const CopyProgress& progress,
                          const StopToken& stop, uint32_t* crc) override;
    // Read without the system's cache (FILE_FLAG_NO_BUFFERING), in sector-aligned pieces.
    bool ReadBackCrc(const std::string& path, const CopyProgress& progress, const StopToken& stop,
                     uint32_t& crc) override;
    // FlushFileBuffers on each file.
    bool FlushFiles(const std::vector<std::string>& paths) override;
    int64_t FileSize(const std::string& path) override;
    // The cluster of the drive named by the path's first letter.
    int64_t ClusterSize(const std::string& path) override;
};

// GetTempPathW, SHGetFolderPathW(CSIDL_APPDATA) and GetModuleFileNameW.
class Win32ShellFolders : public IShellFolders {
public:
    std::string TempFolder() override;
    std::string AppDataFolder() override;
    std::string DataHomeFolder() override { return std::string(); }
    std::string ConfigHomeFolder() override { return std::string(); }
    std::string ProgramFile() override;
};

// Runs "unrar.exe" from the program's folder with the arguments x, the quoted archive and the
// destination folder with its trailing backslash, and waits for it without a time limit;
// exit code 0 is success. The progress form hears the bytes unpacked so far against the
// archive's size a few times a second (ExtractReporting).
class UnrarExtractor : public IArchiveExtractor {
public:
    // programFolder: where unrar.exe lies; empty means the running program's own folder.
    explicit UnrarExtractor(std::string programFolder = std::string());
    using IArchiveExtractor::Extract;
    bool Extract(const std::string& archive, const std::string& folder, const ExtractProgress& progress,
                 const StopToken& stop) override;
    // keepGoing: asked while the extractor runs; false ends it and the extraction fails.
    bool Extract(const std::string& archive, const std::string& folder, const std::function<bool()>& keepGoing);
    // Whether unrar.exe is there, and its path.
    bool Available() const;
    std::string ExtractorPath() const;
    // The command line Extract starts the extractor with (for the given short extractor path).
    static std::wstring CommandLine(const std::wstring& extractor, const std::wstring& archive,
                                    const std::wstring& destination);

private:
    std::string programFolder_;
};

// Unpacks with the system's own tar.exe, the bsdtar that Windows ships since Windows 10 1803:
// it reads RAR 4 archives, and RAR 5 in recent releases. The archive is listed first (-tf for
// the names, -tvf for the kinds of entry) and refused before anything is unpacked when an
// entry's name is absolute, carries a drive, climbs out with "..", or the entry is a link;
// then it is unpacked with -xf into the folder (-C).
class TarExtractor : public IArchiveExtractor {
public:
    enum class Failure { None, Missing, Unreadable, RefusedEntry, Stopped };

    // tarProgram: the tar.exe to run; empty means the system's (System32, or Sysnative for a
    // 32-bit program on 64-bit Windows).
    explicit TarExtractor(std::string tarProgram = std::string());
    using IArchiveExtractor::Extract;
    bool Extract(const std::string& archive, const std::string& folder, const ExtractProgress& progress,
                 const StopToken& stop) override;
    bool Extract(const std::string& archive, const std::string& folder, const std::function<bool()>& keepGoing);
    bool Available() const;
    std::string ProgramPath() const;

    // Why the last Extract failed, and for RefusedEntry the entry (Windows-1251).
    Failure LastFailure() const { return failure_; }
    const std::string& RefusedName() const { return refusedName_; }

    // Checks a listing: names is the output of "tar -tf", details that of "tar -tvf" for the
    // same archive (line i of both is entry i). True when every entry may be unpacked;
    // otherwise refused is the first entry that may not (as listed).
    static bool ListingIsSafe(const std::string& names, const std::string& details, std::string& refused);

private:
    std::string tarProgram_;
    Failure failure_ = Failure::None;
    std::string refusedName_;
};

// The RAR extractor of the Windows program: unrar.exe beside the program when it lies there,
// otherwise the system's tar.exe. When neither is there, or tar.exe cannot unpack the archive,
// FailureAdvice says what is missing and where to put it.
class Win32RarExtractor : public IArchiveExtractor {
public:
    // As for UnrarExtractor and TarExtractor: empty means the real places.
    explicit Win32RarExtractor(std::string programFolder = std::string(), std::string tarProgram = std::string());
    using IArchiveExtractor::Extract;
    bool Extract(const std::string& archive, const std::string& folder, const ExtractProgress& progress,
                 const StopToken& stop) override;
    bool Extract(const std::string& archive, const std::string& folder, const std::function<bool()>& keepGoing);
    std::string FailureAdvice() const override { return advice_; }

private:
    UnrarExtractor unrar_;
    TarExtractor tar_;
    std::string advice_;
};

// HKEY_CLASSES_ROOT through the W registry functions.
class Win32Registry : public IClassesRegistry {
public:
    bool KeyExists(const std::string& path) override;
    bool CreateKey(const std::string& path) override;
    bool SubKeys(const std::string& path, std::vector<std::string>& names) override;
    bool DeleteKey(const std::string& path) override;
    bool WriteString(const std::string& path, const std::string& name, const std::string& value) override;
    bool ReadString(const std::string& path, const std::string& name, std::string& value) override;
};

// IsUserAnAdmin and IsWow64Process looked up at run time, GetSystemDirectoryW, CreateProcessW
// without waiting, ShellExecuteW "runas".
class Win32System : public ISystem {
public:
    bool IsAdmin() override;
    bool IsWow64() override;
    std::string SystemDirectory() override;
    std::string FindProgram(const std::string& name) override;
    bool StartProcess(const std::string& program, const std::vector<std::string>& arguments) override;
    int RunElevated(const std::string& program, const std::string& parameters, const std::string& folder) override;
    std::string CurrentDirectory() override;
};

// The drive roots A:\ to Z:\ that GetDriveTypeA reports as DRIVE_REMOVABLE.
// Labels and serial numbers by GetVolumeInformationW; a card taken out by locking and
// dismounting its volume, then ejecting its medium.
class Win32Drives : public IDrives {
public:
    std::vector<std::string> RemovableDrives() override;
    std::string VolumeLabel(const std::string& root) override;
    VolumeIdentity Identity(const std::string& root) override;
    bool Eject(const std::string& root, std::string& reason) override;
    // The system's words for an error code (Windows-1251), the code itself where it has none.
    static std::string Reason(unsigned long error);
};

}  // namespace platform
