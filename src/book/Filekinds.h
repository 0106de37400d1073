#pragma once
// The files a book leaves out, by kind: what a listener is told of a book whose audio the
// player cannot play ("12 файлов M4B").

#include <string>
#include <vector>

struct TFileKind {
    std::string kind;  // the extension in upper case, without the dot ("M4B")
    int count = 0;
};

// The kinds of the named files (paths or names), the most files first, then by kind; files
// without an extension are not counted.
std::vector<TFileKind> FileKinds(const std::vector<std::string>& names);

// Whether files of the kind hold audio the player does not play (M4B, FLAC, Ogg ...).
bool IsOtherAudioKind(const std::string& kind);
