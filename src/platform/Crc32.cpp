#include "platform/Crc32.h"

#include <array>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZWQ_CRC_FOLDING 1
#endif

namespace platform {
namespace {

constexpr uint32_t kPolynomial = 0xEDB88320u;
constexpr uint32_t kInverted = 0xFFFFFFFFu;
constexpr std::size_t kByteValues = 256;
constexpr unsigned kBitsPerByte = 8;
constexpr uint32_t kByteMask = 0xFFu;
// Eight tables take eight bytes a step (about 2 GB/s); where the processor multiplies without
// carries, 64 bytes a step are folded (several times faster), so that summing a book's bytes
// twice, as they are written and as they are read back, costs little beside the card itself.
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

uint32_t SlicedCrc(uint32_t c, const unsigned char* bytes, std::size_t size) {
    static const Tables t = MakeTables();
    for (; size >= kSlices; size -= kSlices, bytes += kSlices) {
        const uint32_t low = c ^ Word(bytes);
        const uint32_t high = Word(bytes + 4);
        c = t[7][Byte(low, 0)] ^ t[6][Byte(low, 1)] ^ t[5][Byte(low, 2)] ^ t[4][Byte(low, 3)] ^ t[3][Byte(high, 0)] ^
            t[2][Byte(high, 1)] ^ t[1][Byte(high, 2)] ^ t[0][Byte(high, 3)];
    }
    for (; size > 0; --size, ++bytes) c = t[0][(c ^ *bytes) & kByteMask] ^ (c >> kBitsPerByte);
    return c;
}

#ifdef ZWQ_CRC_FOLDING
constexpr std::size_t kBlock = 16;
constexpr std::size_t kLine = 64;

#define ZWQ_FOLDING_TARGET __attribute__((target("pclmul,sse4.1")))

ZWQ_FOLDING_TARGET __m128i Load(const unsigned char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// The lane carried 128 bits further on (by the pair of constants k) and the next bytes added.
ZWQ_FOLDING_TARGET __m128i Fold(__m128i lane, __m128i k, __m128i next) {
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(lane, k, 0x00), _mm_clmulepi64_si128(lane, k, 0x11)), next);
}

// Folds four 16-byte lanes over each 64 bytes, then into one lane, then to 32 bits (Barrett
// reduction), with the constants x^k mod P of the reflected polynomial. size is at least kLine
// and a multiple of kBlock; c is the running register.
ZWQ_FOLDING_TARGET uint32_t FoldedCrc(uint32_t c, const unsigned char* bytes, std::size_t size) {
    __m128i x1 = _mm_xor_si128(Load(bytes), _mm_cvtsi32_si128(static_cast<int>(c)));
    __m128i x2 = Load(bytes + 16);
    __m128i x3 = Load(bytes + 32);
    __m128i x4 = Load(bytes + 48);
    bytes += kLine;
    size -= kLine;
    const __m128i k1k2 = _mm_set_epi64x(0x1c6e41596, 0x154442bd4);
    for (; size >= kLine; size -= kLine, bytes += kLine) {
        x1 = Fold(x1, k1k2, Load(bytes));
        x2 = Fold(x2, k1k2, Load(bytes + 16));
        x3 = Fold(x3, k1k2, Load(bytes + 32));
        x4 = Fold(x4, k1k2, Load(bytes + 48));
    }
    const __m128i k3k4 = _mm_set_epi64x(0x0ccaa009e, 0x1751997d0);
    x1 = Fold(Fold(Fold(x1, k3k4, x2), k3k4, x3), k3k4, x4);
    for (; size >= kBlock; size -= kBlock, bytes += kBlock) x1 = Fold(x1, k3k4, Load(bytes));
    // 128 bits to 64, then 64 to 32 with the last fold; Barrett reduction to the remainder.
    const __m128i mask32 = _mm_set_epi32(0, 0, 0, -1);
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(x1, k3k4, 0x10), _mm_srli_si128(x1, 8));
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, mask32), _mm_set_epi64x(0, 0x163cd6124), 0x00),
                       _mm_srli_si128(x1, 4));
    const __m128i poly = _mm_set_epi64x(0x1f7011641, 0x1db710641);
    __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x1, mask32), poly, 0x10);
    t = _mm_clmulepi64_si128(_mm_and_si128(t, mask32), poly, 0x00);
    return static_cast<uint32_t>(_mm_extract_epi32(_mm_xor_si128(t, x1), 1));
}

bool CanFold() {
    static const bool can = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return can;
}
#endif

}  // namespace

uint32_t Crc32(uint32_t crc, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    uint32_t c = crc ^ kInverted;
#ifdef ZWQ_CRC_FOLDING
    if (size >= kLine && CanFold()) {
        const std::size_t folded = size & ~(kBlock - 1);
        c = FoldedCrc(c, bytes, folded);
        bytes += folded;
        size -= folded;
    }
#endif
    return SlicedCrc(c, bytes, size) ^ kInverted;
}

}  // namespace platform
