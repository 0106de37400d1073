#include "settings/Cardidentity.h"

#include <sstream>

#include "settings/Appdatainiunit.h"

namespace {

const std::string kUuidKey = "UUID=";
const std::string kLabelKey = "LABEL=";
const std::string kSettingsExtension = ".ini";
const std::string kIdentityExtension = ".card";

std::string IdentityFile(SettingsStore& settings) {
    std::string path = settings.SettingsFilePath();
    if (path.size() < kSettingsExtension.size()) return std::string();
    return path.replace(path.size() - kSettingsExtension.size(), kSettingsExtension.size(), kIdentityExtension);
}

}  // namespace

bool TCardIdentity::Matches(const platform::IDrives::VolumeIdentity& volume) const {
    if (!uuid.empty() && !volume.uuid.empty()) return uuid == volume.uuid;
    return !label.empty() && label == volume.label;
}

TCardIdentity LoadCardIdentity(SettingsStore& settings, platform::IFileSystem& files) {
    TCardIdentity identity;
    std::string data;
    const std::string path = IdentityFile(settings);
    if (path.empty() || !files.ReadWholeFile(path, data)) return identity;
    std::istringstream lines(data);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind(kUuidKey, 0) == 0) identity.uuid = line.substr(kUuidKey.size());
        if (line.rfind(kLabelKey, 0) == 0) identity.label = line.substr(kLabelKey.size());
    }
    return identity;
}

bool SaveCardIdentity(SettingsStore& settings, platform::IFileSystem& files, const TCardIdentity& identity) {
    const std::string path = IdentityFile(settings);
    return !path.empty() &&
           files.WriteReplacing(path, kUuidKey + identity.uuid + "\r\n" + kLabelKey + identity.label + "\r\n");
}
