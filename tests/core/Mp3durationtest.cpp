#include <gtest/gtest.h>

#include <string>

#include "book/Mp3duration.h"
#include "platform/Platform.h"
#include "support/Bookfixtures.h"

namespace {

// Layer III frames: MPEG-1 128 kbit/s 44.1 kHz stereo (417 bytes), the same in free format
// (500 bytes, as the stream has it), MPEG-2 32 kbit/s 22.05 kHz mono (104 bytes).
const std::string kMpeg1 = "\xFF\xFB\x90\x00", kFree = std::string("\xFF\xFB\x00\x00", 4), kMpeg2 = "\xFF\xF3\x40\xC0";

std::string Frames(int count, const std::string& header = kMpeg1, std::size_t bytes = 417) {
    std::string all;
    for (int i = 0; i < count; ++i) all += header + std::string(bytes - header.size(), '\x11');
    return all;
}

// An MPEG-1 frame carrying an encoder's header ("Xing", "Info" or "VBRI") after its side
// information, with its flags and frame count where that header keeps them.
std::string HeaderFrame(const std::string& tag, uint32_t flags, uint32_t frames) {
    std::string value;
    for (uint32_t v : {flags, frames}) {
        for (int shift = 24; shift >= 0; shift -= 8) value += static_cast<char>(v >> shift);
    }
    const std::string header = tag == "VBRI" ? tag + std::string(10, '\0') + value.substr(4) : tag + value;
    return Frames(1).replace(36, header.size(), header);
}

std::string Id3v2(int size) {
    return std::string("ID3\x03\x00\x00", 6) + char(size >> 21 & 0x7F) + char(size >> 14 & 0x7F) + char(size >> 7 & 0x7F) +
           char(size & 0x7F) + std::string(size, '\0');
}

constexpr int64_t Ms(int64_t frames, int64_t samples, int64_t rate) { return (frames * samples * 2000 / rate + 1) / 2; }

}  // namespace

// Every kind of file lame makes: the time is TagLib's to the second where the tests have TagLib
// (Linux). A VBR file without a Xing frame TagLib times by its first frame's bit rate, wrongly;
// there its twin with the frame, the same frames otherwise, is asked instead.
TEST(Mp3Duration, AgreesWithTagLibOnEveryKindOfFile) {
    const struct {
        const char* file;
        int32_t seconds;
        const char* taglibReads;
    } cases[] = {
        {"cbr8.mp3", 7, "cbr8.mp3"},                            // MPEG-2.5 8 kHz, 8 kbit/s: too small for Info
        {"cbr320.mp3", 5, "cbr320.mp3"},                        // MPEG-1 44.1 kHz, 320 kbit/s, Info frame
        {"cbr128-noinfo.mp3", 6, "cbr128-noinfo.mp3"},          // every frame walked
        {"vbr.mp3", 9, "vbr.mp3"},                              // Xing frame
        {"vbr-noxing.mp3", 9, "vbr.mp3"},                       // every frame walked
        {"mpeg2-22khz.mp3", 4, "mpeg2-22khz.mp3"},              // MPEG-2 VBR, Xing frame
        {"mpeg2-22khz-noxing.mp3", 4, "mpeg2-22khz.mp3"},
        {"id3-picture.mp3", 9, "id3-picture.mp3"},              // 120 KB picture and padding first
        {"missing.mp3", -1, nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Mp3Seconds(platform::NativePlatform().files, testsupport::Fixture(c.file)), c.seconds) << c.file;
        const int taglib = c.taglibReads ? testsupport::TaglibSeconds(testsupport::Fixture(c.taglibReads)) : -1;
        if (taglib >= 0) {
            EXPECT_EQ(taglib, c.seconds) << c.file;
        }
    }
}

// Streams as damage and other programs leave them: what is no frame of the stream is passed
// over, a frame cut short is not counted, and bytes without a frame have no time.
TEST(Mp3Duration, DamagedAndUnusualStreams) {
    const std::string junk = std::string(300, '\x55') + "\xFF\x00\xFF\xFB\xF0\x00" + std::string(300, '\xAA');
    const int64_t hundred = Ms(100, 1152, 44100);
    const struct {
        const char* what;
        std::string bytes;
        int64_t milliseconds;
    } cases[] = {
        {"frames only", Frames(100), hundred},
        {"a walk longer than one read", Frames(3000), Ms(3000, 1152, 44100)},
        {"an ID3v2 tag with padding first", Id3v2(3000) + Frames(100), hundred},
        {"two ID3v2 tags first", Id3v2(20) + Id3v2(30000) + Frames(100), hundred},
        {"junk before and between frames", junk + Frames(50) + junk + Frames(50), hundred},
        {"the last frame cut short", Frames(101).substr(0, 101 * 417 - 200), hundred},
        {"an ID3v1 tag at the end", Frames(100) + "TAG" + std::string(125, ' '), hundred},
        {"frames of another stream between", Frames(50) + Frames(10, kMpeg2, 104) + Frames(50), hundred},
        {"free format", Frames(100, kFree, 500), hundred},
        {"MPEG-2 22.05 kHz", Frames(100, kMpeg2, 104), Ms(100, 576, 22050)},
        {"Xing frame count", HeaderFrame("Xing", 0x0F, 1000) + Frames(3), Ms(1000, 1152, 44100)},
        {"VBRI frame count", HeaderFrame("VBRI", 0, 500) + Frames(3), Ms(500, 1152, 44100)},
        {"Info frame without a count", HeaderFrame("Info", 0x0E, 0) + Frames(100), hundred},
        {"a single frame", Frames(1), Ms(1, 1152, 44100)},
        {"an ID3v2 tag longer than the file", Id3v2(100).substr(0, 50), -1},
        {"no frame", std::string(5000, '\x55'), -1},
        {"a lone header", kMpeg1 + std::string(100, '\0'), -1},
        {"nothing", "", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(Mp3Milliseconds(c.bytes), c.milliseconds) << c.what;
}
