#pragma once
// DAISY talking books: DAISY 2.02 (ncc.html, SMIL files, MP3 audio) and DAISY 3 (an .opf
// package with an NCX and SMIL files). What the program takes from them: the metadata and the
// audio files in the order they are played.

#include <string>
#include <vector>

#include "book/Bookservices.h"
#include "book/Notmade.h"

struct TDaisyBook {
    // UTF-8; empty when the book does not say.
    std::string title, creator, narrator;
    // The audio files in the order of their first clip, paths relative to the book's folder
    // with parts joined by '/', each once, as stored (Windows-1251).
    std::vector<std::string> audio;
    // The playing time the book states, else the sum of its clips when every clip tells its
    // begin and end; negative when neither.
    double seconds = -1;
};

// The navigation file of a DAISY book in folder: its ncc.html (or ncc.htm), else its one .opf
// file (any letter case); empty when folder holds neither.
std::string FindDaisyFile(platform::IFileSystem& files, const std::string& folder);

// Whether the file name is that of a DAISY book's navigation file (ncc.html, ncc.htm, *.opf).
bool IsDaisyFileName(const std::string& name);

// Reads the book whose ncc.html or .opf is at path. False with the reason when a
// file of the book cannot be read, or an entry leaves the book's folder or names a file that
// is not there (the reason names the entry).
bool ReadDaisyBook(const std::string& path, const TBookServices& services, TDaisyBook& book, TNotMade& error);
