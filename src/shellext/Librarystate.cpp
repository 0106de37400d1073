#include "shellext/Librarystate.h"

namespace shellext {
namespace {

HMODULE module = nullptr;
LONG liveObjects = 0;
LONG serverLocks = 0;

}  // namespace

void SetModule(HMODULE handle) { module = handle; }

HMODULE Module() { return module; }

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return std::wstring();
        if (length < path.size()) return path.substr(0, length);
        path.resize(path.size() * 2);
    }
}

void ObjectCreated() { InterlockedIncrement(&liveObjects); }
void ObjectDestroyed() { InterlockedDecrement(&liveObjects); }
void ServerLocked(bool lock) {
    if (lock) {
        InterlockedIncrement(&serverLocks);
    } else {
        InterlockedDecrement(&serverLocks);
    }
}

bool MayUnload() { return liveObjects == 0 && serverLocks == 0; }

}  // namespace shellext
