// ZWQManager.exe as the window tests run it when they must look at long work in the middle or
// take the card out: the same program, on files that hold the work at the point the test names
// in the environment (support/Heldfiles.h), and with ZWQ_TEST_EJECTED naming a file, drives
// that write the root taken out there instead of asking the system. Without those it is the
// program as users run it.

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "Program.h"
#include "platform/Platform.h"
#include "support/Heldfiles.h"

namespace {

class RecordedEject : public platform::IDrives {
public:
    RecordedEject(platform::IDrives& drives, const wchar_t* record) : drives_(drives), record_(record) {}
    std::vector<std::string> RemovableDrives() override { return drives_.RemovableDrives(); }
    std::string VolumeLabel(const std::string& root) override { return drives_.VolumeLabel(root); }
    VolumeIdentity Identity(const std::string& root) override { return drives_.Identity(root); }
    bool Eject(const std::string& root, std::string& reason) override {
        FILE* file = _wfopen(record_, L"ab");
        if (file != nullptr) {
            std::fputs((root + "\n").c_str(), file);
            std::fclose(file);
        }
        reason.clear();
        return true;
    }

private:
    platform::IDrives& drives_;
    const wchar_t* record_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int showCommand) {
    platform::Platform& native = platform::NativePlatform();
    const auto held = testsupport::HeldFilesFromEnvironment();
    const wchar_t* record = _wgetenv(L"ZWQ_TEST_EJECTED");
    RecordedEject recorded(native.drives, record != nullptr ? record : L"");
    platform::Platform platform{held ? *held : native.files, native.folders, native.extractor,
                                record != nullptr ? static_cast<platform::IDrives&>(recorded) : native.drives,
                                native.system, native.integrationStyle, native.registry};
    return win32gui::RunProgram(instance, showCommand, platform);
}
