// versionprobe.exe FILE: the version information of a program or library as Windows reads it
// for the file's properties and "Apps & features", printed as UTF-8 lines for the installer
// test:
//   type app|dll|other
//   version <file version a.b.c.d>
//   product-version <a.b.c.d>
//   <name> <text>            for each text of the first language the file names
// Exit code 1 when the file has no version information.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kExitFound = 0;
constexpr int kExitMissing = 1;
constexpr int kWordBits = 16;
constexpr DWORD kWordMask = 0xFFFF;

const wchar_t* const kTextNames[] = {L"CompanyName",     L"FileDescription",  L"FileVersion",
                                     L"InternalName",    L"LegalCopyright",   L"OriginalFilename",
                                     L"ProductName",     L"ProductVersion"};

void Print(const std::wstring& line) {
    const auto length = static_cast<int>(line.size());
    const int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), length, utf8.data(), size, nullptr, nullptr);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fputc('\n', stdout);
}

std::wstring Dotted(DWORD most, DWORD least) {
    return std::to_wstring(most >> kWordBits) + L"." + std::to_wstring(most & kWordMask) + L"." +
           std::to_wstring(least >> kWordBits) + L"." + std::to_wstring(least & kWordMask);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return kExitMissing;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(argv[1], &handle);
    if (size == 0) return kExitMissing;
    std::vector<unsigned char> data(size);
    if (!GetFileVersionInfoW(argv[1], 0, size, data.data())) return kExitMissing;

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || length < sizeof *fixed) {
        return kExitMissing;
    }
    Print(std::wstring(L"type ") +
          (fixed->dwFileType == VFT_APP ? L"app" : fixed->dwFileType == VFT_DLL ? L"dll" : L"other"));
    Print(L"version " + Dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS));
    Print(L"product-version " + Dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS));

    // The texts of the first language and code page the Translation value names, as the shell
    // takes them.
    WORD* translation = nullptr;
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                        &length) ||
        length < 2 * sizeof(WORD)) {
        return kExitFound;
    }
    wchar_t block[64];
    std::swprintf(block, sizeof block / sizeof *block, L"\\StringFileInfo\\%04x%04x\\", translation[0],
                  translation[1]);
    for (const wchar_t* name : kTextNames) {
        wchar_t* text = nullptr;
        if (VerQueryValueW(data.data(), (std::wstring(block) + name).c_str(), reinterpret_cast<void**>(&text),
                           &length) &&
            length > 0) {
            Print(std::wstring(name) + L" " + text);
        }
    }
    return kExitFound;
}
