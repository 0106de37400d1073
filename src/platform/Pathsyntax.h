#pragma once
// What makes a path the platform's own: its separator, its delimiters and its absolute form.
// Each system's folder defines them (posix/Posixpaths, win32/Win32paths); platform/Paths
// builds the portable path helpers on them.

#include <string>

namespace platform {

// The separator the platform joins paths with: '\' on Windows, '/' elsewhere.
char PathSeparator();
// Whether c separates folders in a path of this platform ('\', '/' and the drive colon on
// Windows; '/' elsewhere).
bool IsPathDelimiter(char c);
// Whether a path is absolute in the platform's sense ("E:\x", "\\server", "/x").
bool IsAbsolutePath(const std::string& path);

}  // namespace platform
