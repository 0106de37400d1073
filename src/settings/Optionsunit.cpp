#include "settings/Optionsunit.h"

#include "book/String_routines_unit.h"
#include "platform/Commandline.h"
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

bool LiesOnCard(const std::string& path, const std::string& cardPath) {
    const std::string upperCard = AnsiUpperCase(cardPath);
    const std::string upper = AnsiUpperCase(path);
    return !upperCard.empty() && upper.compare(0, upperCard.size(), upperCard) == 0 &&
           (platform::IsFolderSeparator(upperCard.back()) ||
            (upper.size() > upperCard.size() && platform::IsFolderSeparator(upper[upperCard.size()])));
}
