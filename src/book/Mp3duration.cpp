#include "book/Mp3duration.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "platform/Files.h"

namespace {

// The first read: an ID3v2 tag without a picture and the first frame fit in it.
constexpr int64_t kHeadBlock = 16 * 1024;
// The reads of a walk over the whole file.
constexpr int64_t kWalkBlock = 1 << 20;
constexpr int kHeaderBytes = 4;
constexpr int kId3HeaderBytes = 10;
constexpr int kId3v1Bytes = 128;
// The longest Layer III frame, free format at 640 kbit/s and 32 kHz included.
constexpr int kMaxFrameBytes = 2881;
constexpr int kVbriOffset = 4 + 32;
constexpr double kMillisecondsPerSecond = 1000.0;

// Kilobits per second by bitrate index: MPEG-1, then MPEG-2 and 2.5. Index 0 is free format.
constexpr int kBitrates[2][15] = {{0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
                                  {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}};
// Samples per second by sample-rate index: MPEG-1, MPEG-2, MPEG-2.5.
constexpr int kRates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};

// A Layer III frame header.
struct Header {
    uint8_t bytes[kHeaderBytes] = {};
    bool mpeg1 = false;
    int rate = 0;
    int samples = 0;    // per frame
    int length = 0;     // bytes of the frame; 0 in free format
    int padding = 0;
    int sideInfo = 0;   // bytes of side information after the header (and its CRC)
    bool mono = false;

    // Whether next can be the frame after this one in the same stream.
    bool Continues(const Header& next) const {
        return (bytes[1] & 0xFE) == (next.bytes[1] & 0xFE) && (bytes[2] & 0x0C) == (next.bytes[2] & 0x0C) &&
               mono == next.mono && (length == 0) == (next.length == 0);
    }
};

bool ParseHeader(const uint8_t* p, Header& h) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
    const int version = (p[1] >> 3) & 3;  // 0: MPEG-2.5, 1: reserved, 2: MPEG-2, 3: MPEG-1
    const int layer = (p[1] >> 1) & 3;    // 1: Layer III
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    if (version == 1 || layer != 1 || bitrateIndex == 15 || rateIndex == 3) return false;
    std::memcpy(h.bytes, p, kHeaderBytes);
    h.mpeg1 = version == 3;
    h.rate = kRates[version == 3 ? 0 : (version == 2 ? 1 : 2)][rateIndex];
    h.samples = h.mpeg1 ? 1152 : 576;
    h.padding = (p[2] >> 1) & 1;
    h.mono = (p[3] >> 6) == 3;
    const int kbps = kBitrates[h.mpeg1 ? 0 : 1][bitrateIndex];
    h.length = kbps == 0 ? 0 : (h.mpeg1 ? 144000 : 72000) * kbps / h.rate + h.padding;
    const bool crc = (p[1] & 1) == 0;
    h.sideInfo = (h.mpeg1 ? (h.mono ? 17 : 32) : (h.mono ? 9 : 17)) + (crc ? 2 : 0);
    return true;
}

uint32_t BigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

// A file of bytes in memory.
class BytesFile : public platform::IReadFile {
public:
    explicit BytesFile(std::string_view bytes) : bytes_(bytes) {}
    int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }
    int64_t ReadAt(int64_t offset, char* buffer, int64_t size) override {
        if (offset < 0 || offset >= Size()) return 0;
        const int64_t n = std::min(size, Size() - offset);
        std::memcpy(buffer, bytes_.data() + offset, static_cast<std::size_t>(n));
        return n;
    }

private:
    std::string_view bytes_;
};

// The stream of an MPEG audio file: its bytes read a block at a time, and where its frames are.
class Mp3Stream {
public:
    explicit Mp3Stream(platform::IReadFile& file) : file_(file), end_(std::max<int64_t>(file.Size(), 0)) {}

    // The count bytes at offset; null beyond the end of the file or when it cannot be read.
    const uint8_t* At(int64_t offset, int64_t count) {
        if (offset < 0 || count > end_ - offset) return nullptr;
        if (offset >= start_ && offset + count <= start_ + filled_) return buffer_.bytes.get() + (offset - start_);
        const int64_t want = std::min(std::max(count, block_), end_ - offset);
        if (want > buffer_.capacity) {
            buffer_.bytes.reset(new uint8_t[static_cast<std::size_t>(want)]);  // left unfilled: the read fills it
            buffer_.capacity = want;
        }
        const int64_t n = file_.ReadAt(offset, reinterpret_cast<char*>(buffer_.bytes.get()), want);
        if (n < count) {
            failed_ = true;
            filled_ = 0;
            return nullptr;
        }
        start_ = offset;
        filled_ = n;
        return buffer_.bytes.get();
    }

    // The milliseconds of playing time; -1 when there is no frame.
    int64_t Milliseconds() {
        Header first;
        int64_t pos = FindFrame(AfterId3v2(), nullptr, first);
        if (pos < 0 || failed_) return -1;
        int64_t frames = 0;
        if (VbrFrames(pos, first, frames) && frames > 0) return ToMilliseconds(frames, first);
        // No count of frames from the encoder: every frame is counted, its Info frame left out,
        // up to the ID3v1 tag at the end.
        block_ = kWalkBlock;
        if (const uint8_t* tail = At(end_ - kId3v1Bytes, 3); tail != nullptr && std::memcmp(tail, "TAG", 3) == 0) {
            end_ -= kId3v1Bytes;
        }
        const int64_t firstLength = FrameLength(pos, first);
        frames = 0;
        if (IsInfoFrame(pos, first)) pos += firstLength;
        Header h;
        while (pos < end_) {
            const uint8_t* p = At(pos, kHeaderBytes);
            int64_t length = 0;
            if (p != nullptr && ParseHeader(p, h) && first.Continues(h) && (length = FrameLength(pos, h)) > 0 &&
                length <= end_ - pos) {
                ++frames;
                pos += length;
                continue;
            }
            if (failed_) return -1;
            // Damage, or a tag between frames: on at the next frame of the same stream.
            pos = FindFrame(pos + 1, &first, h);
            if (pos < 0) break;
        }
        if (failed_) return -1;
        return ToMilliseconds(frames, first);
    }

private:
    static int64_t ToMilliseconds(int64_t frames, const Header& h) {
        return std::llround(static_cast<double>(frames) * h.samples * kMillisecondsPerSecond / h.rate);
    }

    // Where the audio begins after the ID3v2 tags at the start of the file.
    int64_t AfterId3v2() {
        int64_t pos = 0;
        while (const uint8_t* p = At(pos, kId3HeaderBytes)) {
            if (std::memcmp(p, "ID3", 3) != 0 || p[3] == 0xFF || p[4] == 0xFF || ((p[6] | p[7] | p[8] | p[9]) & 0x80) != 0) {
                break;
            }
            const int64_t size = (int64_t{p[6]} << 21) | (int64_t{p[7]} << 14) | (int64_t{p[8]} << 7) | int64_t{p[9]};
            const bool footer = (p[5] & 0x10) != 0;
            const int64_t next = pos + kId3HeaderBytes + size + (footer ? kId3HeaderBytes : 0);
            if (next >= end_) break;  // a tag that claims more than the file: its frames are looked for in it
            pos = next;
        }
        return pos;
    }

    // The length of the frame at pos with header h: free format measured to the next frame.
    int64_t FrameLength(int64_t pos, const Header& h) {
        if (h.length > 0) return h.length;
        if (freeLength_ == 0) {
            const int64_t from = pos + kHeaderBytes + h.sideInfo;
            const int64_t to = std::min(pos + kMaxFrameBytes, end_ - kHeaderBytes);
            Header next;
            for (int64_t at = from; at <= to && freeLength_ == 0; ++at) {
                const uint8_t* p = At(at, kHeaderBytes);
                if (p == nullptr) break;
                if (ParseHeader(p, next) && h.Continues(next)) freeLength_ = at - pos - h.padding;
            }
            if (freeLength_ == 0) return 0;
        }
        return freeLength_ + h.padding;
    }

    // The first frame at or after pos of the stream of like (any stream when null): a header
    // followed by one of the same stream, or the last frame of the file. -1 when none.
    int64_t FindFrame(int64_t pos, const Header* like, Header& found) {
        for (const int64_t from = pos; pos <= end_ - kHeaderBytes; ++pos) {
            if (pos - from == kHeadBlock) block_ = kWalkBlock;  // a long stretch without frames
            const uint8_t* p = At(pos, kHeaderBytes);
            if (p == nullptr) return -1;
            if (p[0] != 0xFF || !ParseHeader(p, found) || (like != nullptr && !like->Continues(found))) continue;
            if (found.length == 0) freeLength_ = 0;
            const int64_t length = FrameLength(pos, found);
            if (length <= 0 || length > end_ - pos) continue;
            if (length == end_ - pos) return pos;
            Header next;
            const uint8_t* n = At(pos + length, kHeaderBytes);
            if (n != nullptr && ParseHeader(n, next) && found.Continues(next)) return pos;
        }
        return -1;
    }

    // The frame count of the Xing/Info or VBRI header in the frame at pos, when it has one.
    bool VbrFrames(int64_t pos, const Header& h, int64_t& frames) {
        const int64_t xing = pos + kHeaderBytes + h.sideInfo;
        if (const uint8_t* p = At(xing, 12)) {
            if (std::memcmp(p, "Xing", 4) == 0 || std::memcmp(p, "Info", 4) == 0) {
                if ((BigEndian32(p + 4) & 1) == 0) return false;
                frames = BigEndian32(p + 8);
                return true;
            }
        }
        if (const uint8_t* p = At(pos + kVbriOffset, 18); p != nullptr && std::memcmp(p, "VBRI", 4) == 0) {
            frames = BigEndian32(p + 14);
            return true;
        }
        return false;
    }

    // Whether the frame at pos carries the encoder's Xing/Info header instead of audio.
    bool IsInfoFrame(int64_t pos, const Header& h) {
        const uint8_t* p = At(pos + kHeaderBytes + h.sideInfo, 4);
        return p != nullptr && (std::memcmp(p, "Xing", 4) == 0 || std::memcmp(p, "Info", 4) == 0);
    }

    platform::IReadFile& file_;
    int64_t end_;  // where the audio ends: the file's end, or its ID3v1 tag
    // Kept from file to file on each thread: a walk's block, new for every file, would cost the
    // system more to map than the walk itself.
    struct Buffer {
        std::unique_ptr<uint8_t[]> bytes;
        int64_t capacity = 0;
    };
    static thread_local Buffer buffer_;
    int64_t start_ = 0;
    int64_t filled_ = 0;
    int64_t block_ = kHeadBlock;
    bool failed_ = false;
    int64_t freeLength_ = 0;  // of a free-format frame without its padding; 0 until measured
};

thread_local Mp3Stream::Buffer Mp3Stream::buffer_;

}  // namespace

int64_t Mp3Milliseconds(platform::IReadFile& file) { return Mp3Stream(file).Milliseconds(); }

int64_t Mp3Milliseconds(std::string_view bytes) {
    BytesFile file(bytes);
    return Mp3Milliseconds(file);
}

int32_t Mp3Seconds(platform::IFileSystem& files, const std::string& path) {
    const std::unique_ptr<platform::IReadFile> file = files.OpenToRead(path);
    if (!file) return -1;
    const int64_t milliseconds = Mp3Milliseconds(*file);
    return milliseconds < 0 ? -1 : static_cast<int32_t>(milliseconds / 1000);
}
