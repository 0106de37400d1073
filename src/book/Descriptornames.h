#pragma once
// Correcting a book's names in its descriptor: only the "#TITLE=", "#AUTHOR=" and "#ANNOUNCER="
// lines change; every other byte stays as it was, in the descriptor's own encoding, line ends
// included.
//
// A key line is a line whose text (leading NULs of a UTF-16 line left out, as the reader skips
// them) begins with the key in any letter case. Each is replaced in place: the key as spelled
// stays, the value after it is the new one, the line end stays. An emptied announcer's lines go
// with their line ends. A key without a line whose new value is not empty gets one, in the
// order title, author, announcer, right after the last "#" line that comes before the first
// file entry, so that the header stays together; with no such line, at the very top. An added
// line ends as the line before it does (at the top, as the first line does; CR LF when there is
// no line end to follow); after a last line without a line end it is the one without.

#include <optional>
#include <string>

#include "book/Bookmetadata.h"

namespace platform {
class IFileSystem;
}

// How a descriptor's text is stored.
enum class TDescriptorCoding { Cp1251, Oem866, Utf16 };

// The coding the reader takes a descriptor's bytes in when it lies in folder: UTF-16 little-endian
// after its byte-order mark, else Windows-1251 or OEM 866 as ChooseCodePage decides.
TDescriptorCoding DescriptorCoding(const std::string& bytes, const std::string& folder, platform::IFileSystem& files);

// The descriptor as UTF-16 little-endian with byte-order mark, every line as the reader reads it
// in coding, line ends kept. Bytes after the NUL that ends an 8-bit text are not taken: the
// UTF-16 reader would read on after them. UTF-16 bytes come back as they are.
std::string DescriptorToUtf16(const std::string& bytes, TDescriptorCoding coding);

// bytes, stored in coding (as DescriptorCoding gives it), with the names set (UTF-8; cleaned as
// CleanHeaderValue cleans header values). When a name cannot be written in the 8-bit coding,
// the whole descriptor becomes UTF-16 first (DescriptorToUtf16). Nothing when title and author
// are both empty: a descriptor needs one of them.
std::optional<std::string> CorrectDescriptorNames(const std::string& bytes, const TBookNames& names,
                                                  TDescriptorCoding coding);
// The same for a descriptor lying in folder, in the coding the reader takes it in. An 8-bit
// result the reader would take in the other code page (its new names tip the balance) becomes
// UTF-16 as well, so that the names read as given.
std::optional<std::string> CorrectDescriptorNames(const std::string& bytes, const TBookNames& names,
                                                  const std::string& folder, platform::IFileSystem& files);
