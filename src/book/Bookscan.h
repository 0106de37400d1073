#pragma once
// The files of a book's folder, subfolders included, in listening order.

#include <string>
#include <vector>

namespace platform {
class IFileSystem;
}

// Every file under folder, as paths relative to it with parts joined by '/', in natural order
// (book/Naturalorder.h). Links to folders are not followed, so a loop cannot catch the scan.
// False when folder cannot be listed.
bool ListBookFolder(platform::IFileSystem& files, const std::string& folder, std::vector<std::string>& relative);

// The relative path ('/' between parts) as it is stored under folder: each part as given, or
// else the one entry of its folder that differs from it only in letter case. Empty when there
// is no such file.
std::string FindBookFile(platform::IFileSystem& files, const std::string& folder, const std::string& relative);
