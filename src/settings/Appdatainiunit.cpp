#include "settings/Appdatainiunit.h"

#include <algorithm>

#include "book/String_routines_unit.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "platform/Platform.h"

namespace {

using platform::Ansi;

const std::string kLoadError = Ansi("Ошибка во время загрузки файла настроек ");
const std::string kSaveError = Ansi("Ошибка во время сохранения файла настроек ");
const std::string kCaption = Ansi("Загрузка настроек");
const char* const kIniExtension = ".ini";
const char* const kNewLineBreak = "\r\n";

// Splits the file at CR LF, CR and LF, keeping each line's break. Every other byte, NUL
// included, belongs to a line.
void SplitKeepingBreaks(const std::string& data, std::vector<std::string>& lines, std::vector<std::string>& breaks) {
    lines.clear();
    breaks.clear();
    std::size_t start = 0;
    while (start < data.size()) {
        const std::size_t end = std::min(data.find_first_of("\r\n", start), data.size());
        std::size_t next = end;
        if (next < data.size()) next += (data[next] == '\r' && next + 1 < data.size() && data[next + 1] == '\n') ? 2 : 1;
        lines.push_back(data.substr(start, end - start));
        breaks.push_back(data.substr(end, next - end));
        start = next;
    }
}

}  // namespace

SettingsStore::SettingsStore(std::string companyWord, std::string programWord)
    : SettingsStore(std::move(companyWord), std::move(programWord), platform::NativePlatform()) {}

SettingsStore::SettingsStore(std::string companyWord, std::string programWord, platform::Platform& platform)
    : companyWord_(std::move(companyWord)), programWord_(std::move(programWord)), platform_(platform) {}

std::string SettingsStore::SettingsFilePath() {
    const std::string appData = platform_.folders.AppDataFolder();
    if (appData.empty()) return std::string();
    return platform::JoinPath(platform::JoinPath(platform::JoinPath(appData, companyWord_), programWord_),
                              programWord_ + kIniExtension);
}

bool SettingsStore::SettingsFileExists() {
    const std::string path = SettingsFilePath();
    return !path.empty() && platform_.files.IsFile(path);
}

bool SettingsStore::LoadSettings() {
    if (!SettingsFileExists()) return false;
    const std::string path = SettingsFilePath();
    std::string data;
    if (!platform_.files.ReadWholeFile(path, data)) {
        boxes_->ShowMessage(kLoadError + path, kCaption, platform::kMbOk | platform::kMbIconError);
        return false;
    }
    SplitKeepingBreaks(data, lines_, breaks_);
    return true;
}

bool SettingsStore::SaveSettings() {
    const std::string path = SettingsFilePath();
    bool saved = false;
    // Without an application-data folder there is no place for the file: nothing is written
    // anywhere else.
    if (!path.empty()) {
        const std::string appData = platform_.folders.AppDataFolder();
        const std::string companyFolder = platform::JoinPath(appData, companyWord_);
        const std::string programFolder = platform::JoinPath(companyFolder, programWord_);
        // A new Linux account may not have its configuration folder yet.
        if (!platform_.files.IsDirectory(appData)) platform_.files.MakeDirectory(appData);
        if (!platform_.files.IsDirectory(companyFolder)) platform_.files.MakeDirectory(companyFolder);
        if (!platform_.files.IsDirectory(programFolder)) platform_.files.MakeDirectory(programFolder);
        std::string data;
        for (std::size_t i = 0; i < lines_.size(); ++i) data += lines_[i] + breaks_[i];
        saved = platform_.files.WriteReplacing(path, data);
    }
    if (!saved) {
        boxes_->ShowMessage(kSaveError + path, kCaption, platform::kMbOk | platform::kMbIconError);
    }
    return saved;
}

int SettingsStore::FindLine(const std::string& key) const {
    const std::string prefix = AnsiUpperCase(key) + "=";
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (AnsiUpperCase(lines_[i]).compare(0, prefix.size(), prefix) == 0) return static_cast<int>(i);
    }
    return -1;
}

std::string SettingsStore::GetSetting(const std::string& key) {
    const int index = FindLine(key);
    return index < 0 ? std::string() : TextAfter(lines_[static_cast<std::size_t>(index)], "=");
}

void SettingsStore::SetSetting(const std::string& key, const std::string& value) {
    const int index = FindLine(key);
    if (index < 0) {
        // A last line that had no break gets one before the new line.
        if (!breaks_.empty() && breaks_.back().empty()) breaks_.back() = kNewLineBreak;
        lines_.push_back(key + "=" + value);
        breaks_.push_back(kNewLineBreak);
    } else {
        lines_[static_cast<std::size_t>(index)] = key + "=" + value;
    }
}
