#include "book/Bookservices.h"

#include "platform/Audiotags.h"
#include "platform/Platform.h"
#include "platform/Xml.h"

TBookServices NativeBookServices() {
    return TBookServices{platform::NativePlatform().files, platform::NativeAudioTagReader(), platform::NativeXmlReader()};
}
