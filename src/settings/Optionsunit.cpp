#include "settings/Optionsunit.h"

#include "book/String_routines_unit.h"
#include "platform/Commandline.h"
#include "settings/Appdatainiunit.h"
#include "settings/Cardselectunit.h"

namespace {
const char* const kCardPathKey = "CARD_PATH";
const char* const kVerifyWritesKey = "VERIFY_WRITES";
const char* const kOff = "0";
const char* const kOn = "1";
}

bool LoadCardPath(SettingsStore& settings, std::string& cardPath) {
    if (!settings.LoadSettings()) return false;
    cardPath = settings.GetSetting(kCardPathKey);
    return !cardPath.empty();
}

void SaveCardPath(SettingsStore& settings, const std::string& cardPath) {
    settings.SetSetting(kCardPathKey, cardPath);
    settings.SaveSettings();
}

bool LoadVerifyWrites(SettingsStore& settings) { return settings.GetSetting(kVerifyWritesKey) != kOff; }

void SaveVerifyWrites(SettingsStore& settings, bool verify) {
    settings.SetSetting(kVerifyWritesKey, verify ? kOn : kOff);
    settings.SaveSettings();
}

bool ChooseCard(std::string& cardPath, TCardSelectForm& dialog) { return dialog.Choose(cardPath); }

bool LiesOnCard(const std::string& path, const std::string& cardPath) {
    const std::string upperCard = AnsiUpperCase(cardPath);
    const std::string upper = AnsiUpperCase(path);
    return !upperCard.empty() && upper.compare(0, upperCard.size(), upperCard) == 0 &&
           (platform::IsFolderSeparator(upperCard.back()) ||
            (upper.size() > upperCard.size() && platform::IsFolderSeparator(upper[upperCard.size()])));
}
