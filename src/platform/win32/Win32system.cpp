#include "platform/win32/Win32platform.h"

namespace platform {
bool Win32System::IsAdmin() { return false; }
bool Win32System::IsWow64() { return true; }
std::string Win32System::SystemDirectory() { return std::string(); }
std::string Win32System::FindProgram(const std::string&) { return std::string(); }
bool Win32System::StartProcess(const std::string&, const std::vector<std::string>&) { return false; }
int Win32System::RunElevated(const std::string&, const std::string&, const std::string&) { return 0; }
std::string Win32System::CurrentDirectory() { return std::string(); }
}  // namespace platform
