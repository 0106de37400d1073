#include "platform/Crc32.h"

#include <array>

namespace platform {
namespace {

constexpr uint32_t kPolynomial = 0xEDB88320u;
constexpr uint32_t kInverted = 0xFFFFFFFFu;
constexpr std::size_t kByteValues = 256;
constexpr unsigned kBitsPerByte = 8;
constexpr uint32_t kByteMask = 0xFFu;
// Eight tables take eight bytes a step: reading back a book costs less than the card's speed.
constexpr std::size_t kSlices = 8;

using Tables = std::array<std::array<uint32_t, kByteValues>, kSlices>;

Tables MakeTables() {
    Tables tables{};
    for (uint32_t n = 0; n < kByteValues; ++n) {
        uint32_t c = n;
        for (unsigned k = 0; k < kBitsPerByte; ++k) c = (c & 1u) != 0 ? kPolynomial ^ (c >> 1) : c >> 1;
        tables[0][n] = c;
    }
    for (std::size_t slice = 1; slice < kSlices; ++slice) {
        for (std::size_t n = 0; n < kByteValues; ++n) {
            const uint32_t before = tables[slice - 1][n];
            tables[slice][n] = (before >> kBitsPerByte) ^ tables[0][before & kByteMask];
        }
    }
    return tables;
}

uint32_t Byte(uint32_t word, unsigned index) { return (word >> (index * kBitsPerByte)) & kByteMask; }

uint32_t Word(const unsigned char* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

}  // namespace

uint32_t Crc32(uint32_t crc, const void* data, std::size_t size) {
    static const Tables t = MakeTables();
    const auto* bytes = static_cast<const unsigned char*>(data);
    uint32_t c = crc ^ kInverted;
    for (; size >= kSlices; size -= kSlices, bytes += kSlices) {
        const uint32_t low = c ^ Word(bytes);
        const uint32_t high = Word(bytes + 4);
        c = t[7][Byte(low, 0)] ^ t[6][Byte(low, 1)] ^ t[5][Byte(low, 2)] ^ t[4][Byte(low, 3)] ^ t[3][Byte(high, 0)] ^
            t[2][Byte(high, 1)] ^ t[1][Byte(high, 2)] ^ t[0][Byte(high, 3)];
    }
    for (; size > 0; --size, ++bytes) c = t[0][(c ^ *bytes) & kByteMask] ^ (c >> kBitsPerByte);
    return c ^ kInverted;
}

}  // namespace platform
