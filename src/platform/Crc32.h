#pragma once
// CRC-32 as zip and PNG compute it (reflected polynomial 0xEDB88320), taken piece by piece: a
// copy to the card sums the bytes it writes, the read-back those the medium gives back.

#include <cstddef>
#include <cstdint>

namespace platform {

// The CRC of the bytes so far (0 before the first) carried on over size more bytes.
uint32_t Crc32(uint32_t crc, const void* data, std::size_t size);

}  // namespace platform
