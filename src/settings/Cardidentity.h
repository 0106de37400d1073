#pragma once
// The chosen card's volume, so that the card is known again wherever the system mounts it next:
// kept in a file of its own beside the settings file (<programWord>.card), lines UUID=... and
// LABEL=..., the settings file left as it was.

#include <string>

#include "platform/Platform.h"

class SettingsStore;

struct TCardIdentity {
    std::string uuid;
    std::string label;

    bool Known() const { return !uuid.empty() || !label.empty(); }
    // The same volume: by UUID where both have one, else by a label both have.
    bool Matches(const platform::IDrives::VolumeIdentity& volume) const;
};

// The identity stored beside the settings file; unknown when there is none.
TCardIdentity LoadCardIdentity(SettingsStore& settings, platform::IFileSystem& files);
// Writes it there (the settings' folder must exist: the card path is saved first).
bool SaveCardIdentity(SettingsStore& settings, platform::IFileSystem& files, const TCardIdentity& identity);
