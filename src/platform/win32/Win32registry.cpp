#include "platform/win32/Win32platform.h"

namespace platform {
bool Win32Registry::KeyExists(const std::string&) { return false; }
bool Win32Registry::CreateKey(const std::string&) { return false; }
bool Win32Registry::SubKeys(const std::string&, std::vector<std::string>&) { return false; }
bool Win32Registry::DeleteKey(const std::string&) { return false; }
bool Win32Registry::WriteString(const std::string&, const std::string&, const std::string&) { return false; }
bool Win32Registry::ReadString(const std::string&, const std::string&, std::string&) { return false; }
}  // namespace platform
