#pragma once
// What the parts of the context-menu library share: its class identifier, its own module and
// the count of live objects and locks that decides whether it may be unloaded.

#include <windows.h>

#include <string>

namespace shellext {

// {37F4263A-C525-48D1-AB5E-2817192A5411}, the same for the 32-bit and the 64-bit library: each
// registers it in its own view of the registry, and both share the menu handler keys.
inline constexpr CLSID kContextMenuClsid = {
    0x37F4263A, 0xC525, 0x48D1, {0xAB, 0x5E, 0x28, 0x17, 0x19, 0x2A, 0x54, 0x11}};
inline constexpr const wchar_t* kContextMenuClsidText = L"{37F4263A-C525-48D1-AB5E-2817192A5411}";

// The library's module handle, set when it is loaded.
HMODULE Module();
void SetModule(HMODULE module);
// The library's full path (GetModuleFileName of the library, not of the program loading it).
std::wstring ModulePath();

// Objects and LockServer calls alive; the library may be unloaded when both are zero.
void ObjectCreated();
void ObjectDestroyed();
void ServerLocked(bool lock);
bool MayUnload();

}  // namespace shellext
