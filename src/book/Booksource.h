#pragma once
// Which files the program takes as books to write, by their names alone: the program's open
// dialog, its command line and the file manager's menu offer the same ones.

#include <string>

// A ZIP or 7z archive, of which the program makes a book.
bool IsMadeBookArchiveName(const std::string& name);
// A file written as a book: a descriptor (.ydr), an archive (.rar, .zip, .7z) or a DAISY
// book's ncc.html or .opf. (Folders are books too; a name cannot tell a folder.)
bool IsBookSourceName(const std::string& name);
