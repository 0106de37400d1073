#pragma once
// Ties the program into the file manager: opening a ".ydr" file starts the program with the
// file's path, which writes that book to the card.
//
// On Windows: the ".ydr" type and the open command below HKEY_CLASSES_ROOT, and the two
// context-menu libraries registered with regsvr32; both directions need administrator rights,
// and without them the program restarts itself elevated with the switch of the direction.
// On freedesktop.org desktops: per user and without elevation, a shared-mime-info type for
// ".ydr", a desktop entry of the program and the program made the type's default.

#include <string>

#include "platform/Dialogs.h"
#include "platform/Platform.h"

class SettingsStore;

// What a request for administrator rights came to.
enum class AdminRights {
    Present,     // the program has them: go on
    Restarting,  // an elevated instance was started; this one ends
    Refused,     // the shell refused to start it (the prompt declined): nothing more happens
};

class TExplorerIntegration {
public:
    TExplorerIntegration(platform::Platform& platform, platform::IMessageBoxes& boxes);

    bool IsAdmin();
    bool IsWow64();
    // Whether the ".ydr" type and the program's own entry are both there.
    bool IsExplorerIntegrated();
    // Integrates (true) or removes the integration (false), asking for administrator rights
    // first where they are needed; says whether the work was done here (Present), is left to
    // an elevated instance (Restarting) or was not done (Refused).
    AdminRights SetExplorerIntegration(bool enable);
    // The one-time question at start-up; the answer Yes or No is remembered in the settings.
    // What the integration that Yes asks for came to; Present when nothing was asked for.
    AdminRights OfferIntegration(SettingsStore& settings);
    // The caption of the menu item that switches the integration.
    std::string IntegrationMenuCaption();
    // An information box that says whether the integration is now on or off.
    void ReportIntegrationState();

    AdminRights RequestAdminRights(const std::string& switchText);
    // The two directions, without any rights check.
    void WriteIntegration();
    void RemoveIntegration();

    // The registry helpers (below HKEY_CLASSES_ROOT) and the context-menu libraries.
    void EnsureRegistryKey(const std::string& path);
    void DeleteRegistryKey(const std::string& path);
    void WriteRegistryString(const std::string& path, const std::string& name, const std::string& value);
    void RegisterShellExtension(const std::string& file);
    void UnregisterShellExtension(const std::string& file);

    // The command value of the open verb: the program path and "%1", each in double quotes.
    std::string OpenCommand();
    // The files of the freedesktop form.
    std::string MimePackageFile();
    std::string DesktopEntryFile();
    std::string MimeAppsFile();
    // The desktop entry's text (UTF-8, as desktop files are).
    std::string DesktopEntryText();

private:
    std::string ProgramFolder();
    void RunShellRegistration(const std::string& file, bool unregister);
    bool DeleteKeyTree(const std::string& path);

    void WriteDesktopIntegration();
    void RemoveDesktopIntegration();
    bool WriteDesktopFile(const std::string& path, const std::string& text);
    void UpdateDesktopDatabases();

    platform::Platform& platform_;
    platform::IMessageBoxes& boxes_;
};
