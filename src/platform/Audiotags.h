#pragma once
// The tags of an audio file, as the system's tag library reads them (the playing time is the
// program's own reading, book/Mp3duration).

#include <string>

namespace platform {

struct AudioTags {
    // UTF-8; empty when the file has no such tag.
    std::string album, artist, albumArtist;
};

class IAudioTagReader {
public:
    virtual ~IAudioTagReader() = default;
    // Fills tags from the file at path (Windows-1251); false when the file cannot be read as
    // audio at all (tags then stay as they were).
    virtual bool Read(const std::string& path, AudioTags& tags) = 0;
};

// The reader of the system the program was built for.
IAudioTagReader& NativeAudioTagReader();

}  // namespace platform
