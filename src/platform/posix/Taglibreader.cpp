// Tags by TagLib.
#include <taglib/fileref.h>
#include <taglib/tag.h>
#include <taglib/tpropertymap.h>

#include "platform/Audiotags.h"
#include "platform/posix/Posixplatform.h"

namespace platform {
namespace {

std::string Utf8(const TagLib::String& text) { return text.to8Bit(true); }

class TaglibReader : public IAudioTagReader {
public:
    bool Read(const std::string& path, AudioTags& tags) override {
        // The tags only: the audio properties are not read.
        const TagLib::FileRef file(NativeName(path).c_str(), false);
        if (file.isNull()) return false;
        if (const TagLib::Tag* tag = file.tag()) {
            tags.album = Utf8(tag->album());
            tags.artist = Utf8(tag->artist());
            const TagLib::PropertyMap properties = file.file()->properties();
            const auto albumArtist = properties.find("ALBUMARTIST");
            if (albumArtist != properties.end() && !albumArtist->second.isEmpty()) {
                tags.albumArtist = Utf8(albumArtist->second.front());
            }
        }
        return true;
    }
};

}  // namespace

IAudioTagReader& NativeAudioTagReader() {
    static TaglibReader reader;
    return reader;
}

}  // namespace platform
