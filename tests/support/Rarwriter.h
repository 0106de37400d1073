#pragma once
// Writer of small RAR archives for the tests. Nothing on a build machine can make RAR
// archives, so the tests build their own: every entry is stored (no compression), which any
// RAR reader accepts. Both generations of the format are written: RAR 4 (the one of RAR
// 2.9 to 4.x, what most old talking-book archives are) and RAR 5.

#include <cstdint>
#include <string>

#include "support/Crc32.h"
#include <vector>

namespace testsupport {

struct RarEntry {
    // UTF-8; folders separated by '/'. RAR 4 stores the separators as '\', RAR 5 as '/'.
    // The name is written as given: ".." components and leading separators stay, so the
    // tests can check that extraction refuses them.
    std::string name;
    // The file's contents; ignored for folders.
    std::string data;
    bool isDirectory = false;
};

// The bytes of an archive holding the entries in the given order. Non-ASCII names are
// stored in Unicode in both formats. Throws std::invalid_argument for an entry that the
// format cannot hold (an empty name, invalid UTF-8, a name or file too large).
std::string MakeRar4(const std::vector<RarEntry>& entries);
std::string MakeRar5(const std::vector<RarEntry>& entries);

// A copy of an archive made by MakeRar4 or MakeRar5 with one bit of the first file header
// flipped (in the entry's name; the main header when there is no entry). The header keeps
// its structure, only its checksum no longer matches, so a reader must reject it.
// Throws std::invalid_argument for bytes that are not such an archive.
std::string CorruptCopy(const std::string& archive);


}  // namespace testsupport
