#pragma once
// What the file-manager integration needs of the system: administrator rights and the elevated
// restart, the registry below HKEY_CLASSES_ROOT (Windows), and starting helper programs.

#include <string>
#include <vector>

namespace platform {

// How the program ties itself into the file manager on this system.
enum class IntegrationStyle {
    // The ".ydr" type and the open command in HKEY_CLASSES_ROOT, plus the context-menu
    // libraries registered with regsvr32 (Windows).
    ClassesRegistry,
    // A shared-mime-info type, a desktop entry and the default application, per user
    // (freedesktop.org desktops).
    FreeDesktop,
};

// HKEY_CLASSES_ROOT. Key paths are written with a leading backslash ("\.ydr",
// "\ZWQManager\shell\open\command"), which is dropped before they reach the system.
class IClassesRegistry {
public:
    virtual ~IClassesRegistry() = default;
    // Whether the key can be opened with STANDARD_RIGHTS_READ | KEY_QUERY_VALUE |
    // KEY_ENUMERATE_SUB_KEYS.
    virtual bool KeyExists(const std::string& path) = 0;
    // Creates the key with KEY_ALL_ACCESS, missing intermediate keys included.
    virtual bool CreateKey(const std::string& path) = 0;
    // Names of the key's direct subkeys, in index order; false when they cannot be listed.
    virtual bool SubKeys(const std::string& path, std::vector<std::string>& names) = 0;
    // Deletes a key that has no subkeys.
    virtual bool DeleteKey(const std::string& path) = 0;
    // Opens the key (creating it when missing) and writes a REG_SZ value; name "" is the
    // default value.
    virtual bool WriteString(const std::string& path, const std::string& name, const std::string& value) = 0;
    // Reads a REG_SZ value; false when there is none.
    virtual bool ReadString(const std::string& path, const std::string& name, std::string& value) = 0;
};

class ISystem {
public:
    virtual ~ISystem() = default;
    // Whether the program runs with the rights the integration needs (IsUserAnAdmin on
    // Windows; always true where the integration is per user).
    virtual bool IsAdmin() = 0;
    // Whether the program runs on 64-bit Windows (a 64-bit build always does).
    virtual bool IsWow64() = 0;
    // The system folder (GetSystemDirectory); empty where there is none.
    virtual std::string SystemDirectory() = 0;
    // Full path of a program found on the search path; empty when there is none.
    virtual std::string FindProgram(const std::string& name) = 0;
    // Starts a program and does not wait for it. On Windows the arguments are joined with
    // blanks into the command line as they stand (the caller quotes); elsewhere each is one
    // argument.
    virtual bool StartProcess(const std::string& program, const std::vector<std::string>& arguments) = 0;
    // Asks the shell to run the program with administrator rights (ShellExecute "runas");
    // returns the shell's result, above 32 when the program was started.
    virtual int RunElevated(const std::string& program, const std::string& parameters, const std::string& folder) = 0;
    // The process's current folder.
    virtual std::string CurrentDirectory() = 0;
};

}  // namespace platform
