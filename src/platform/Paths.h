#pragma once
// Paths in the platform's own form ("E:\BOOK_001", "/media/card/BOOK_001"), held as
// Windows-1251 text like every other text of the program.

#include <string>

#include "platform/Pathsyntax.h"

namespace platform {

// folder + separator + name; just name when folder is empty.
std::string JoinPath(const std::string& folder, const std::string& name);
// The file name: the part after the last delimiter.
std::string FileNameOf(const std::string& path);
// The folder part without its trailing separator: the part before the last delimiter
// (a drive's "E:" keeps its colon).
std::string FolderOf(const std::string& path);
// The extension of the file name, from its last dot, dot included; empty without a dot.
std::string ExtensionOf(const std::string& path);
// Whether the file name ends in extension (dot included), compared without regard to letter
// case, Cyrillic included: HasExtension("Книга.RAR", ".rar").
bool HasExtension(const std::string& path, const std::string& extension);
// The path without every trailing '\' and '/'.
std::string StripTrailingSeparators(const std::string& path);

// A file entry of a book descriptor ("BOOK_001\\01.mp3", "CD1\\01.mp3") is written with
// backslashes on every platform, as the player reads it. These helpers look at such entries.

// The entry's file name: the part after its last '\\', '/' or ':'.
std::string EntryFileName(const std::string& entry);
// The entry's folder part: the part before its last '\\', '/' or ':'.
std::string EntryFolder(const std::string& entry);
// Whether the entry stays inside the folder it is relative to: not absolute, no drive, no "..".
bool IsContainedEntry(const std::string& entry);
// The entry as a relative path of this platform.
std::string EntryToPath(const std::string& entry);

}  // namespace platform
