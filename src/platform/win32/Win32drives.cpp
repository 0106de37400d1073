#include <windows.h>
#include <winioctl.h>

#include <cstdio>
#include <cwchar>
#include <memory>

#include "platform/Codepage.h"
#include "platform/win32/Win32platform.h"

namespace platform {
namespace {

constexpr DWORD kNameCharacters = MAX_PATH + 1;

}  // namespace

std::string Win32Drives::Reason(unsigned long error) {
    wchar_t* text = nullptr;
    const DWORD size = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring words = size > 0 && text != nullptr ? std::wstring(text, size) : std::wstring();
    if (text != nullptr) LocalFree(text);
    while (!words.empty() && (words.back() == L'\n' || words.back() == L'\r' || words.back() == L' ')) words.pop_back();
    if (words.empty()) {
        char code[16] = {};
        std::snprintf(code, sizeof code, "0x%08lX", error);
        return code;
    }
    return AnsiName(words);
}

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

bool Control(HANDLE volume, DWORD code, void* input, DWORD inputSize) {
    DWORD returned = 0;
    return DeviceIoControl(volume, code, input, inputSize, nullptr, 0, &returned, nullptr) != FALSE;
}

}  // namespace

std::vector<std::string> Win32Drives::RemovableDrives() {
    std::vector<std::string> roots;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const std::string root{letter, ':', '\\'};
        // A drive without a medium still reports its type; the program has asked the system
        // not to show a box for it.
        if (GetDriveTypeA(root.c_str()) == DRIVE_REMOVABLE) roots.push_back(root);
    }
    return roots;
}

std::string Win32Drives::VolumeLabel(const std::string& root) { return Identity(root).label; }

IDrives::VolumeIdentity Win32Drives::Identity(const std::string& root) {
    // A reader without its card has no root folder (the volume's details may still be told).
    if (GetFileAttributesW(WideName(root).c_str()) == INVALID_FILE_ATTRIBUTES) return {};
    wchar_t label[kNameCharacters] = {};
    DWORD serial = 0;
    if (!GetVolumeInformationW(WideName(root).c_str(), label, kNameCharacters, &serial, nullptr, nullptr, nullptr, 0)) {
        return {};
    }
    char text[10] = {};
    std::snprintf(text, sizeof text, "%04lX-%04lX", static_cast<unsigned long>(serial >> 16),
                  static_cast<unsigned long>(serial & 0xFFFF));
    return VolumeIdentity{text, AnsiName(label)};
}

bool Win32Drives::Eject(const std::string& root, std::string& reason) {
    reason.clear();
    if (root.size() < 2 || root[1] != ':') {
        reason = Reason(ERROR_INVALID_DRIVE);
        return false;
    }
    const std::wstring device = std::wstring(L"\\\\.\\") + static_cast<wchar_t>(root[0]) + L":";
    Handle volume(CreateFileW(device.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr));
    if (volume.get() == INVALID_HANDLE_VALUE) {
        volume.release();
        reason = Reason(GetLastError());
        return false;
    }
    FlushFileBuffers(volume.get());
    // A file open elsewhere keeps the lock from being taken: the system's reason is told.
    if (!Control(volume.get(), FSCTL_LOCK_VOLUME, nullptr, 0) || !Control(volume.get(), FSCTL_DISMOUNT_VOLUME, nullptr, 0)) {
        reason = Reason(GetLastError());
        return false;
    }
    PREVENT_MEDIA_REMOVAL allow{FALSE};
    Control(volume.get(), IOCTL_STORAGE_MEDIA_REMOVAL, &allow, sizeof allow);
    // A card reader that cannot eject its medium is still safe to pull once dismounted.
    Control(volume.get(), IOCTL_STORAGE_EJECT_MEDIA, nullptr, 0);
    return true;
}

std::unique_ptr<IVolumeWatcher> NewVolumeWatcher() { return nullptr; }

}  // namespace platform
