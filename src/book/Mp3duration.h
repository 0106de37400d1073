#pragma once
// The playing time of an MP3 file (MPEG-1, 2 and 2.5 Layer III), read by the program itself
// and so the same on every system: from the Xing/Info or VBRI header that the encoder put in
// the first frame, else by walking every frame of the file. ID3v2 tags before the audio are
// skipped; bytes that are no frame (damage, other tags) are passed over to the next frame.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {
class IFileSystem;
class IReadFile;
}  // namespace platform

// Milliseconds of playing time of the audio in file; -1 when it holds no MPEG audio frame or
// cannot be read.
int64_t Mp3Milliseconds(platform::IReadFile& file);
// The same of bytes in memory.
int64_t Mp3Milliseconds(std::string_view bytes);
// The whole seconds of playing time of the file at path (Windows-1251), the part of a second
// left off; -1 when it cannot be opened or holds no MPEG audio.
int32_t Mp3Seconds(platform::IFileSystem& files, const std::string& path);
