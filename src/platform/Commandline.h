#pragma once
// How the program's command line is written on this platform.

#include <string>

namespace platform {

// The two switches of the file-manager integration ("/integrate" and "/desintegrate" on
// Windows, "--integrate" and "--desintegrate" elsewhere).
std::string IntegrateSwitch();
std::string DesintegrateSwitch();
// The switch that checks the card and offers to mend it ("/checkcard" on Windows,
// "--check-card" elsewhere).
std::string CheckCardSwitch();
// Whether an argument is a switch and never a path ("/..." on Windows, "-..." elsewhere).
bool IsSwitchArgument(const std::string& argument);
// Whether an argument is a bare file name that the current folder must be put in front of
// (on Windows: neither "\" nor ":" in it; elsewhere: no "/").
bool IsBareFileName(const std::string& argument);
// Whether c separates folders in a path given on the command line.
bool IsFolderSeparator(char c);

}  // namespace platform
