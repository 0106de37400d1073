#include "platform/Commandline.h"

namespace platform {

std::string IntegrateSwitch() { return "/integrate"; }

std::string DesintegrateSwitch() { return "/desintegrate"; }

std::string CheckCardSwitch() { return "/checkcard"; }

bool IsSwitchArgument(const std::string& argument) { return !argument.empty() && argument.front() == '/'; }

bool IsBareFileName(const std::string& argument) { return argument.find_first_of("\\:") == std::string::npos; }

bool IsFolderSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace platform
