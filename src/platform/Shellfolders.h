#pragma once
// Folders the system assigns to the program and its user.

#include <string>

namespace platform {

class IShellFolders {
public:
    virtual ~IShellFolders() = default;
    // The user's temporary folder, ending in the path separator.
    virtual std::string TempFolder() = 0;
    // The user's application-data folder, without a trailing separator; empty when unknown.
    virtual std::string AppDataFolder() = 0;
    // The user's data folder of the desktop ($XDG_DATA_HOME, default ~/.local/share), without
    // a trailing separator; empty where the desktop has none.
    virtual std::string DataHomeFolder() = 0;
    // The user's configuration folder of the desktop ($XDG_CONFIG_HOME, default ~/.config);
    // empty where the desktop has none.
    virtual std::string ConfigHomeFolder() = 0;
    // Full path of the running program file.
    virtual std::string ProgramFile() = 0;
};

}  // namespace platform
