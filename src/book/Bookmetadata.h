#pragma once
// Title, author and announcer of a made book: from the DAISY data, else the files' tags, else
// the name the user knows the book by.

#include <string>
#include <vector>

#include "platform/Audiotags.h"

struct TBookNames {
    std::string title, author, announcer;  // UTF-8
};

// The value most files carry, empty ones not counted; on a tie the one met first.
std::string MostCommon(const std::vector<std::string>& values);

// From the tags: the most common album is the title, the most common artist (else album
// artist) the author.
TBookNames NamesFromTags(const std::vector<platform::AudioTags>& tags);

// "Лев Толстой - Детство": author before the first " - ", title after it; without it the
// whole name is the title.
TBookNames NamesFromName(const std::string& name);

// Each of the three from the first of the sources that has it, in the order given.
TBookNames ChooseNames(const std::vector<TBookNames>& sources);

// The text fit for one descriptor line: line breaks and control characters become blanks, the
// ends trimmed.
std::string CleanHeaderValue(const std::string& text);
