#pragma once
// The card's path as the user chose it, kept in the settings under "CARD_PATH", and whether
// writes are checked, under "VERIFY_WRITES".

#include <string>

class SettingsStore;
class TCardSelectForm;

// Loads the settings file and takes "CARD_PATH" into cardPath; true when a non-empty path is
// now known. Nothing is checked about the drive itself.
bool LoadCardPath(SettingsStore& settings, std::string& cardPath);
// Stores cardPath under "CARD_PATH" and writes the settings file (a failure is reported there).
void SaveCardPath(SettingsStore& settings, const std::string& cardPath);
// Whether a write reads its files back from the card and checks them ("VERIFY_WRITES"): on
// unless the loaded settings say "0", so that a file without the key stays as it is.
bool LoadVerifyWrites(SettingsStore& settings);
// Stores the choice under "VERIFY_WRITES" and writes the settings file.
void SaveVerifyWrites(SettingsStore& settings, bool verify);
// Whether path lies on the card at cardPath (letter case aside): only when it goes on below the
// card's folder, so a card at D:\card does not take in D:\cards2\BOOK_001.ydr. Never for an
// empty cardPath. The command line deletes what lies on the card and writes everything else.
bool LiesOnCard(const std::string& path, const std::string& cardPath);
// Shows the card-selection dialog with the current path; on OK with a non-blank text the text
// replaces cardPath and the result is true.
bool ChooseCard(std::string& cardPath, TCardSelectForm& dialog);
