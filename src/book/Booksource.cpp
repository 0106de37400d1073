#include "book/Booksource.h"

#include <algorithm>
#include <iterator>

#include "book/Daisybook.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"

namespace {

const char* const kMadeArchiveExtensions[] = {".ZIP", ".7Z"};
const char* const kWrittenExtensions[] = {".YDR", ".RAR"};

bool HasExtensionOf(const std::string& name, const char* const* first, const char* const* last) {
    const std::string extension = platform::UpperCase1251(platform::ExtensionOf(name));
    return std::any_of(first, last, [&](const char* known) { return extension == known; });
}

}  // namespace

bool IsMadeBookArchiveName(const std::string& name) {
    return HasExtensionOf(name, std::begin(kMadeArchiveExtensions), std::end(kMadeArchiveExtensions));
}

bool IsBookSourceName(const std::string& name) {
    return IsMadeBookArchiveName(name) || IsDaisyFileName(name) ||
           HasExtensionOf(name, std::begin(kWrittenExtensions), std::end(kWrittenExtensions));
}
