#pragma once
// The program's settings: lines KEY=value in
// <application data>/<companyWord>/<programWord>/<programWord>.ini.
// Lines the program does not ask for are kept in place and written back byte for byte, with
// the line break each had: a file in another encoding, or holding NUL bytes, survives a save.

#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace platform {
struct Platform;
}

class SettingsStore {
public:
    SettingsStore(std::string companyWord, std::string programWord);
    SettingsStore(std::string companyWord, std::string programWord, platform::Platform& platform);

    bool SettingsFileExists();
    // Reads the file into memory; false without a box when there is no file, false after an
    // error box when it cannot be read (the lines in memory are then unchanged).
    bool LoadSettings();
    // Writes the lines to the file, making its two folders when needed; false after an error
    // box when that fails.
    bool SaveSettings();
    // The value of the first line whose key matches (letter case aside), or the empty text.
    std::string GetSetting(const std::string& key);
    // Replaces the first matching line, or appends one. Memory only: SaveSettings writes.
    void SetSetting(const std::string& key, const std::string& value);

    // The full path of the settings file, empty when the application-data folder is unknown.
    std::string SettingsFilePath();
    // Where the boxes go; a recording one until the main window sets its own.
    void SetMessageBoxes(platform::IMessageBoxes& boxes) { boxes_ = &boxes; }
    platform::RecordingMessageBoxes& RecordedBoxes() { return recorded_; }
    const std::vector<std::string>& Lines() const { return lines_; }

private:
    int FindLine(const std::string& key) const;

    std::string companyWord_;
    std::string programWord_;
    std::vector<std::string> lines_;
    // The break that ended each line as read ("\r\n", "\r" or "\n"); empty for a last line
    // without one. Lines the store adds end with "\r\n".
    std::vector<std::string> breaks_;
    platform::Platform& platform_;
    platform::RecordingMessageBoxes recorded_;
    platform::IMessageBoxes* boxes_ = &recorded_;
};
