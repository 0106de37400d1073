#include "integration/Explorerintegrationunit.h"

#include <algorithm>

#include "book/Ydrunit.h"
#include "platform/Codepage.h"
#include "platform/Commandline.h"
#include "platform/Paths.h"
#include "settings/Appdatainiunit.h"

namespace {

using platform::Ansi;

const char* const kTypeKey = "\\.ydr";
const char* const kProgramKey = "\\ZWQManager";
const char* const kCommandKey = "\\ZWQManager\\shell\\open\\command";
const char* const kProgId = "ZWQManager";
// Folders are offered to the program under "Open with", never made its default. (On Windows the
// context-menu library gives folders their item.)
const char* const kFolderMimeType = "inode/directory";
const char* const kShellExtension32 = "ZWQShellExt32.dll";
const char* const kShellExtension64 = "ZWQShellExt64.dll";
const char* const kRegsvr32 = "regsvr32.exe";
const char* const kSilentSwitch = "/s";
const char* const kUnregisterSwitch = "/u";
const char* const kAskedKey = "IS_ASKED_FOR_INTEGRATION";
const char* const kAskedValue = "YES";
constexpr int kShellExecuteSuccessAbove = 32;

const char* const kCreateKeyError = "CreateKey error";
const char* const kDeleteKeyError = "DeleteKey error";
const std::string kMissingLibrary = Ansi("Не найден файл ");
const std::string kMissingLibraryTail = Ansi(" - он необходим для интеграции в контекстное меню проводника");
const std::string kRestartText = Ansi("Приложение будет перезапущено с правами администратора");
const std::string kWriteFailed = Ansi("Не удалось записать файл ");

// What the user reads about the integration: Windows speaks of Explorer ("проводник"), the
// freedesktop.org desktops of their file manager.
struct IntegrationWords {
    std::string caption;           // of the question, the restart message and the outcome
    std::string errorCaption;
    std::string offer;             // the start-up question
    std::string removeItem;        // the menu item while integrated
    std::string integrateItem;     // the menu item otherwise
    std::string nowOn, nowOff;     // the outcome of switching
};

const IntegrationWords& WordsFor(platform::IntegrationStyle style) {
    static const IntegrationWords explorer{
        Ansi("Интеграция с проводником Windows"),
        Ansi("Ошибка во время интеграции в проводник"),
        Ansi("Добавить приложение в контекстное меню проводника?"),
        Ansi("Удалить интеграцию из проводника"),
        Ansi("Интегрировать в проводник"),
        Ansi("Интеграция с проводником включена"),
        Ansi("Интеграция с проводником выключена"),
    };
    static const IntegrationWords fileManager{
        Ansi("Интеграция с файловым менеджером"),
        Ansi("Ошибка во время интеграции в файловый менеджер"),
        Ansi("Добавить приложение в контекстное меню файлового менеджера?"),
        Ansi("Удалить интеграцию из файлового менеджера"),
        Ansi("Интегрировать в файловый менеджер"),
        Ansi("Интеграция с файловым менеджером включена"),
        Ansi("Интеграция с файловым менеджером выключена"),
    };
    return style == platform::IntegrationStyle::FreeDesktop ? fileManager : explorer;
}

// The freedesktop form: a MIME type of our own for ".ydr", the program's desktop entry and the
// type's default application.
const char* const kMimeType = "application/x-zwq-book";
const char* const kDesktopId = "zwq-manager.desktop";
const char* const kMimePackageName = "zwq-manager.xml";
const char* const kDefaultApplicationsSection = "[Default Applications]";
const char* const kUpdateMimeDatabase = "update-mime-database";
const char* const kUpdateDesktopDatabase = "update-desktop-database";

std::string Utf8(const std::string& text) { return platform::Cp1251ToUtf8(text); }

// A desktop entry's Exec argument: quoted when it holds a reserved character, with '"', '`',
// '$' and '\' escaped inside the quotes; then '\' escaped again as the file's string rules want,
// and '%' doubled as the field-code rules want.
std::string ExecArgument(const std::string& utf8) {
    const std::string reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string argument = utf8;
    if (argument.find_first_of(reserved) != std::string::npos) {
        std::string quoted = "\"";
        for (const char c : argument) {
            if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
            quoted += c;
        }
        argument = quoted + "\"";
    }
    std::string escaped;
    for (const char c : argument) {
        if (c == '\\') escaped += "\\\\";
        else if (c == '%') escaped += "%%";
        else escaped += c;
    }
    return escaped;
}

// Lines of an ordinary Linux text file.
std::vector<std::string> TextLines(const std::string& text) { return SplitLines(text); }
std::string LinesText(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

bool IsSectionHeader(const std::string& line) { return !line.empty() && line.front() == '['; }

}  // namespace

TExplorerIntegration::TExplorerIntegration(platform::Platform& platform, platform::IMessageBoxes& boxes)
    : platform_(platform), boxes_(boxes) {}

bool TExplorerIntegration::IsAdmin() { return platform_.system.IsAdmin(); }

bool TExplorerIntegration::IsWow64() { return platform_.system.IsWow64(); }

std::string TExplorerIntegration::ProgramFolder() { return platform::FolderOf(platform_.folders.ProgramFile()); }

std::string TExplorerIntegration::OpenCommand() {
    // Built by appending: GCC 12 warns falsely (-Wrestrict) about a literal + temporary string
    // in the 32-bit build.
    std::string command = "\"";
    command += platform_.folders.ProgramFile();
    command += "\" \"%1\"";
    return command;
}

// ---- registry ----

void TExplorerIntegration::EnsureRegistryKey(const std::string& path) {
    platform::IClassesRegistry* registry = platform_.registry;
    if (registry == nullptr || registry->KeyExists(path)) return;
    if (!registry->CreateKey(path)) boxes_.ShowMessage(path, kCreateKeyError, platform::kMbOk);
}

bool TExplorerIntegration::DeleteKeyTree(const std::string& path) {
    platform::IClassesRegistry& registry = *platform_.registry;
    std::vector<std::string> subKeys;
    if (!registry.SubKeys(path, subKeys)) return false;
    // Depth first, from the last subkey to the first, so the indexes stay valid.
    for (auto it = subKeys.rbegin(); it != subKeys.rend(); ++it) {
        if (!DeleteKeyTree(path + "\\" + *it)) return false;
    }
    // A deletion the system refuses is not reported.
    registry.DeleteKey(path);
    return true;
}

void TExplorerIntegration::DeleteRegistryKey(const std::string& path) {
    if (platform_.registry == nullptr || !platform_.registry->KeyExists(path)) return;
    // Only a key that cannot even be walked is reported.
    if (!DeleteKeyTree(path)) boxes_.ShowMessage(path, kDeleteKeyError, platform::kMbOk);
}

void TExplorerIntegration::WriteRegistryString(const std::string& path, const std::string& name,
                                               const std::string& value) {
    if (platform_.registry != nullptr) platform_.registry->WriteString(path, name, value);
}

void TExplorerIntegration::RunShellRegistration(const std::string& file, bool unregister) {
    const std::string library = platform::JoinPath(ProgramFolder(), file);
    if (!platform_.files.IsFile(library)) {
        if (!unregister) {
            boxes_.ShowMessage(kMissingLibrary + file + kMissingLibraryTail,
                               WordsFor(platform_.integrationStyle).errorCaption,
                               platform::kMbOk | platform::kMbIconError);
        }
        return;
    }
    std::vector<std::string> arguments = {kSilentSwitch};
    if (unregister) arguments.push_back(kUnregisterSwitch);
    arguments.push_back("\"" + library + "\"");
    // Not waited for: regsvr32 runs on by itself, silently.
    platform_.system.StartProcess(platform::JoinPath(platform_.system.SystemDirectory(), kRegsvr32), arguments);
}

void TExplorerIntegration::RegisterShellExtension(const std::string& file) { RunShellRegistration(file, false); }

void TExplorerIntegration::UnregisterShellExtension(const std::string& file) { RunShellRegistration(file, true); }

// ---- the two directions ----

void TExplorerIntegration::WriteIntegration() {
    if (platform_.integrationStyle == platform::IntegrationStyle::FreeDesktop) {
        WriteDesktopIntegration();
        return;
    }
    EnsureRegistryKey(kTypeKey);
    WriteRegistryString(kTypeKey, "", kProgId);
    EnsureRegistryKey(kCommandKey);
    WriteRegistryString(kCommandKey, "", OpenCommand());
    RegisterShellExtension(kShellExtension32);
    if (IsWow64()) RegisterShellExtension(kShellExtension64);
}

void TExplorerIntegration::RemoveIntegration() {
    if (platform_.integrationStyle == platform::IntegrationStyle::FreeDesktop) {
        RemoveDesktopIntegration();
        return;
    }
    DeleteRegistryKey(kTypeKey);
    DeleteRegistryKey(kProgramKey);
    UnregisterShellExtension(kShellExtension32);
    if (IsWow64()) UnregisterShellExtension(kShellExtension64);
}

bool TExplorerIntegration::IsExplorerIntegrated() {
    if (platform_.integrationStyle == platform::IntegrationStyle::FreeDesktop) {
        return platform_.files.IsFile(MimePackageFile()) && platform_.files.IsFile(DesktopEntryFile());
    }
    return platform_.registry != nullptr && platform_.registry->KeyExists(kTypeKey) &&
           platform_.registry->KeyExists(kProgramKey);
}

AdminRights TExplorerIntegration::RequestAdminRights(const std::string& switchText) {
    if (IsAdmin()) return AdminRights::Present;
    boxes_.ShowMessage(kRestartText, WordsFor(platform_.integrationStyle).caption,
                       platform::kMbOk | platform::kMbIconInformation);
    const int result = platform_.system.RunElevated(platform_.folders.ProgramFile(), switchText, ProgramFolder());
    if (result <= kShellExecuteSuccessAbove) return AdminRights::Refused;
    return AdminRights::Restarting;
}

AdminRights TExplorerIntegration::SetExplorerIntegration(bool enable) {
    const AdminRights rights =
        RequestAdminRights(enable ? platform::IntegrateSwitch() : platform::DesintegrateSwitch());
    // The elevated instance does the work; without rights it could only fail here.
    if (rights != AdminRights::Present) return rights;
    if (enable) {
        WriteIntegration();
    } else {
        RemoveIntegration();
    }
    return rights;
}

AdminRights TExplorerIntegration::OfferIntegration(SettingsStore& settings) {
    if (settings.GetSetting(kAskedKey) == kAskedValue) return AdminRights::Present;
    const IntegrationWords& words = WordsFor(platform_.integrationStyle);
    const int answer =
        boxes_.ShowMessage(words.offer, words.caption, platform::kMbYesNoCancel | platform::kMbIconQuestion);
    if (answer != platform::kIdYes && answer != platform::kIdNo) return AdminRights::Present;
    settings.SetSetting(kAskedKey, kAskedValue);
    settings.SaveSettings();
    return answer == platform::kIdYes ? SetExplorerIntegration(true) : AdminRights::Present;
}

std::string TExplorerIntegration::IntegrationMenuCaption() {
    const IntegrationWords& words = WordsFor(platform_.integrationStyle);
    return IsExplorerIntegrated() ? words.removeItem : words.integrateItem;
}

void TExplorerIntegration::ReportIntegrationState() {
    const IntegrationWords& words = WordsFor(platform_.integrationStyle);
    boxes_.ShowMessage(IsExplorerIntegrated() ? words.nowOn : words.nowOff, words.caption,
                       platform::kMbOk | platform::kMbIconInformation);
}

// ---- the freedesktop form ----

std::string TExplorerIntegration::MimePackageFile() {
    const std::string dataHome = platform_.folders.DataHomeFolder();
    if (dataHome.empty()) return std::string();
    return platform::JoinPath(platform::JoinPath(platform::JoinPath(dataHome, "mime"), "packages"), kMimePackageName);
}

std::string TExplorerIntegration::DesktopEntryFile() {
    const std::string dataHome = platform_.folders.DataHomeFolder();
    if (dataHome.empty()) return std::string();
    return platform::JoinPath(platform::JoinPath(dataHome, "applications"), kDesktopId);
}

std::string TExplorerIntegration::MimeAppsFile() {
    const std::string configHome = platform_.folders.ConfigHomeFolder();
    return configHome.empty() ? std::string() : platform::JoinPath(configHome, "mimeapps.list");
}

std::string TExplorerIntegration::DesktopEntryText() {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=ZWQ-менеджер\n"
           "Comment=Запись и удаление ZWQ-книг на карте памяти тифлофлешплеера\n"
           "Exec=" + ExecArgument(Utf8(platform_.folders.ProgramFile())) + " %F\n"
           "Terminal=false\n"
           "MimeType=" + std::string(kMimeType) + ";" + kFolderMimeType + ";\n"
           "Categories=Utility;Accessibility;\n";
}

bool TExplorerIntegration::WriteDesktopFile(const std::string& path, const std::string& text) {
    // Every missing folder on the way is made, as a new account may have none of them.
    bool ok = !path.empty();
    if (ok) {
        std::vector<std::string> missing;
        for (std::string folder = platform::FolderOf(path); !folder.empty() && !platform_.files.IsDirectory(folder);
             folder = platform::FolderOf(folder)) {
            missing.push_back(folder);
            if (platform::FolderOf(folder) == folder) break;
        }
        for (auto it = missing.rbegin(); it != missing.rend(); ++it) platform_.files.MakeDirectory(*it);
        ok = platform_.files.WriteReplacing(path, text);
    }
    if (!ok) {
        boxes_.ShowMessage(kWriteFailed + path, WordsFor(platform_.integrationStyle).errorCaption,
                           platform::kMbOk | platform::kMbIconError);
    }
    return ok;
}

void TExplorerIntegration::WriteDesktopIntegration() {
    const std::string package =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"" + std::string(kMimeType) + "\">\n"
        "    <comment>ZWQ-книга</comment>\n"
        "    <glob pattern=\"*.ydr\"/>\n"
        "  </mime-type>\n"
        "</mime-info>\n";
    WriteDesktopFile(MimePackageFile(), package);
    WriteDesktopFile(DesktopEntryFile(), DesktopEntryText());

    // The program becomes the type's default application: one line in the default section,
    // replacing an earlier choice for the type.
    const std::string mimeApps = MimeAppsFile();
    std::string old;
    if (!mimeApps.empty() && platform_.files.IsFile(mimeApps)) platform_.files.ReadWholeFile(mimeApps, old);
    std::vector<std::string> lines = TextLines(old);
    const std::string keyPrefix = std::string(kMimeType) + "=";
    const std::string ourLine = keyPrefix + kDesktopId + ";";
    const auto header = std::find(lines.begin(), lines.end(), kDefaultApplicationsSection);
    if (header == lines.end()) {
        if (!lines.empty() && !lines.back().empty()) lines.push_back("");
        lines.push_back(kDefaultApplicationsSection);
        lines.push_back(ourLine);
    } else {
        const auto first = header + 1;
        const auto end = std::find_if(first, lines.end(), IsSectionHeader);
        const auto earlier = std::find_if(first, end, [&](const std::string& line) {
            return line.compare(0, keyPrefix.size(), keyPrefix) == 0;
        });
        if (earlier != end) {
            *earlier = ourLine;
        } else {
            // Right after the section's last non-empty line.
            auto at = end;
            while (at != first && (at - 1)->empty()) --at;
            lines.insert(at, ourLine);
        }
    }
    WriteDesktopFile(mimeApps, LinesText(lines));
    UpdateDesktopDatabases();
}

void TExplorerIntegration::RemoveDesktopIntegration() {
    for (const std::string& file : {MimePackageFile(), DesktopEntryFile()}) {
        if (!file.empty() && platform_.files.IsFile(file)) platform_.files.RemoveFile(file);
    }
    // Only our own line goes, and with it a default section or a file that held nothing else.
    const std::string mimeApps = MimeAppsFile();
    std::string old;
    if (!mimeApps.empty() && platform_.files.IsFile(mimeApps) && platform_.files.ReadWholeFile(mimeApps, old)) {
        std::vector<std::string> lines = TextLines(old);
        const std::string ourLine = std::string(kMimeType) + "=" + kDesktopId + ";";
        constexpr std::size_t kNone = static_cast<std::size_t>(-1);
        std::size_t header = kNone;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (IsSectionHeader(lines[i])) header = lines[i] == kDefaultApplicationsSection ? i : kNone;
            if (header == kNone || lines[i] != ourLine) continue;
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
            std::size_t end = header + 1;
            bool onlyEmpty = true;
            for (; end < lines.size() && !IsSectionHeader(lines[end]); ++end) onlyEmpty = onlyEmpty && lines[end].empty();
            if (onlyEmpty) {
                // The empty line put before the section goes with it.
                const std::size_t first = (header > 0 && lines[header - 1].empty()) ? header - 1 : header;
                lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(first),
                            lines.begin() + static_cast<std::ptrdiff_t>(end));
            }
            break;
        }
        bool blank = true;
        for (const std::string& line : lines) blank = blank && line.empty();
        if (blank) {
            platform_.files.RemoveFile(mimeApps);
        } else {
            platform_.files.WriteReplacing(mimeApps, LinesText(lines));
        }
    }
    UpdateDesktopDatabases();
}

void TExplorerIntegration::UpdateDesktopDatabases() {
    // Started without waiting when the desktop has them, as regsvr32 is on Windows.
    const std::string dataHome = platform_.folders.DataHomeFolder();
    if (dataHome.empty()) return;
    const std::string updateMime = platform_.system.FindProgram(kUpdateMimeDatabase);
    if (!updateMime.empty()) platform_.system.StartProcess(updateMime, {platform::JoinPath(dataHome, "mime")});
    const std::string updateDesktop = platform_.system.FindProgram(kUpdateDesktopDatabase);
    if (!updateDesktop.empty()) {
        platform_.system.StartProcess(updateDesktop, {platform::JoinPath(dataHome, "applications")});
    }
}
