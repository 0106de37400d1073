#pragma once
// CRC-32 as RAR, zip and PNG compute it (reflected polynomial 0xEDB88320), for the archives the
// tests make and for the stand-in extractor that reads them.

#include <array>
#include <cstdint>
#include <string_view>

namespace testsupport {

inline uint32_t Crc32(std::string_view bytes) {
    constexpr uint32_t kPolynomial = 0xEDB88320u;
    constexpr uint32_t kInitial = 0xFFFFFFFFu;
    constexpr uint32_t kByteValues = 256;
    constexpr uint32_t kByteMask = 0xFFu;
    constexpr unsigned kBitsPerByte = 8;
    static const std::array<uint32_t, kByteValues> table = [] {
        std::array<uint32_t, kByteValues> t{};
        for (uint32_t n = 0; n < kByteValues; ++n) {
            uint32_t c = n;
            for (unsigned k = 0; k < kBitsPerByte; ++k) c = (c & 1u) != 0 ? kPolynomial ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t crc = kInitial;
    for (const char ch : bytes) crc = table[(crc ^ static_cast<unsigned char>(ch)) & kByteMask] ^ (crc >> kBitsPerByte);
    return crc ^ kInitial;
}

}  // namespace testsupport
