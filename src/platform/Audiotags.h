#pragma once
// The tags and playing time of an audio file, as the system's tag library reads them from the
// file's headers (never the whole file).

#include <cstdint>
#include <string>

namespace platform {

struct AudioTags {
    // UTF-8; empty when the file has no such tag.
    std::string album, artist, albumArtist;
    // Whole seconds of playing time; -1 when it cannot be told.
    int32_t seconds = -1;
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
