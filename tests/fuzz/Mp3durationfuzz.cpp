// libFuzzer target: the MP3 time reader over any bytes must end, without a fault the sanitizers
// see, with a time or with none (-1).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "book/Mp3duration.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const int64_t milliseconds = Mp3Milliseconds(std::string_view(reinterpret_cast<const char*>(data), size));
    if (milliseconds < -1) std::abort();
    return 0;
}
