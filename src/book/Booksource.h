#pragma once
// Which files the program takes as books to write, by their names alone: the program's open
// dialog, its command line, the file manager's menu and the card's writing go by the same
// lists.

#include <string>

// A descriptor (.ydr), in any letter case.
bool IsDescriptorFileName(const std::string& name);
// A RAR archive, which holds a ready descriptor book.
bool IsRarName(const std::string& name);
// A ZIP or 7z archive, of which the program makes a book.
bool IsMadeBookArchiveName(const std::string& name);
// Any archive of a book (RAR, ZIP, 7z): it is unpacked before the book is written.
bool IsBookArchiveName(const std::string& name);
// A file written as a book: a descriptor, an archive or a DAISY book's ncc.html or .opf.
// (Folders are books too; a name cannot tell a folder.)
bool IsBookSourceName(const std::string& name);
