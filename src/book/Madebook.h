#pragma once
// A book the program makes itself from audio files: a folder of MP3 files (subfolders
// included) or a DAISY 2.02 / DAISY 3 book. The files are put in listening order and the
// descriptor is written for them.

#include <cstdint>
#include <string>
#include <vector>

#include "book/Bookservices.h"
#include "book/Notmade.h"

// The kinds of audio files the player plays, by extension in upper case (".MP3").
const std::vector<std::string>& PlayableExtensions();
bool IsPlayableFile(const std::string& name);

struct TMadeFile {
    std::string path;      // the source file (Windows-1251, the platform's form)
    std::string relative;  // its path inside the book's folder, parts joined by '/'
    int64_t size = 0;
    int32_t seconds = -1;  // playing time; -1 when it cannot be read
};

struct TMadeBook {
    // Edited by the user before the write; UTF-8, since tags may hold what Windows-1251 lacks.
    std::string Title, Author, Announcer;
    std::vector<TMadeFile> Files;
    // Files of the source that are not taken (not of a playable kind), relative paths.
    std::vector<std::string> LeftOut;
    // Set when the source (an archive) holds a ready descriptor book: it is written as such.
    std::string DescriptorPath;
    bool Daisy = false;
    // The whole seconds of playing time a DAISY book tells (stated, or its clips' sum); -1
    // when it does not, and then the files' times count.
    int64_t BookSeconds = -1;

    int64_t TotalSize() const;
    // BookSeconds, else the sum of the files' playing times that could be read; -1 when none
    // could.
    int64_t TotalSeconds() const;
    // How many files' playing times are unknown (none when the book tells its time).
    int UnknownTimes() const;
};


// Makes the book at path: a folder (of MP3 files, or holding a DAISY book's ncc.html or .opf,
// itself or in its only subfolder), or the ncc.html / .opf file itself. names are the names the
// book is known by, best first (an archive's only top folder, then the archive's or folder's own
// name, without extension), each split at " - "; they give the title and the author that
// neither the DAISY data nor the tags tell. False with the reason.
bool MakeBook(const std::string& path, const std::vector<std::string>& names, const TBookServices& services,
              TMadeBook& book, TNotMade& error);

// The name of the file at index (from 0) of count on the card: 001.mp3, ..., with more digits
// when there are more than 999 files; the extension in lower case.
std::string CardFileName(std::size_t index, std::size_t count, const std::string& sourceName);

// The book's DisplayName as the card's reader will give it (Windows-1251).
std::string MadeDisplayName(const TMadeBook& book);

// The descriptor of the book in the card's slot slotName ("BOOK_004"), naming the files
// slotName\001.mp3 ...: Windows-1251 when every text fits, else UTF-16 with byte-order mark.
std::string MadeDescriptorBytes(const TMadeBook& book, const std::string& slotName);
