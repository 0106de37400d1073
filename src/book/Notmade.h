#pragma once
// Why no book could be made of a folder, a DAISY book or an archive: a reason and what it
// concerns, for the window logic to word.

#include <string>
#include <vector>

#include "book/Filekinds.h"

struct TNotMade {
    enum class Reason {
        None,
        FolderUnreadable,    // subject: the folder
        NoAudio,             // subject: the folder without a playable file
        BookFileUnreadable,  // subject: a DAISY book's file, relative to its folder
        EntryOutside,        // subject: a reference that leaves the book's folder, as written
        EntryMissing,        // subject: a reference to a file that is not there, as written
    };
    Reason reason = Reason::None;
    std::string subject;
    // For NoAudio: the kinds of the files that are there, so the listener learns what they are.
    std::vector<TFileKind> leftOut;
};
