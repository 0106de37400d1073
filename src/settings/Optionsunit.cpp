#include "settings/Optionsunit.h"

#include "settings/Appdatainiunit.h"
#include "settings/Cardselectunit.h"

namespace {
const char* const kCardPathKey = "CARD_PATH";
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

bool ChooseCard(std::string& cardPath, TCardSelectForm& dialog) { return dialog.Choose(cardPath); }
