// ZWQManager.exe as the window tests run it when they must look at long work in the middle: the
// same program, on files that hold the work at the point the test names in the environment
// (support/Heldfiles.h). Without that it is the program as users run it.
// ZWQ_TEST_EJECTED: the file where a card taken out is written instead of asking the system;
// ZWQ_TEST_EJECT_ERROR: a file; while it is there, the system refuses with the error code
// (decimal) it holds.

#include <windows.h>

#include <cstdio>
#include "Program.h"
#include "platform/win32/Win32platform.h"
#include "support/Heldfiles.h"

namespace {
struct RecordedEject : platform::Win32Drives {
    bool Eject(const std::string& root, std::string& reason) override {
        FILE* file = _wfopen(_wgetenv(L"ZWQ_TEST_EJECTED"), L"ab");
        if (file != nullptr) std::fputs((root + "\n").c_str(), file), std::fclose(file);
        const wchar_t* errorFile = _wgetenv(L"ZWQ_TEST_EJECT_ERROR");
        FILE* error = errorFile != nullptr ? _wfopen(errorFile, L"rb") : nullptr;
        unsigned long code = 0;
        if (error != nullptr) std::fscanf(error, "%lu", &code), std::fclose(error);
        reason = error != nullptr ? Reason(code) : std::string();
        return error == nullptr;
    }
};
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int showCommand) {
    platform::Platform& native = platform::NativePlatform();
    const auto held = testsupport::HeldFilesFromEnvironment();
    RecordedEject recorded;
    platform::Platform platform{held ? *held : native.files, native.folders, native.extractor,
                                _wgetenv(L"ZWQ_TEST_EJECTED") != nullptr ? recorded : native.drives,
                                native.system, native.integrationStyle, native.registry};
    return win32gui::RunProgram(instance, showCommand, platform);
}
