#include "book/Booksource.h"

#include <algorithm>
#include <iterator>

#include "book/Daisybook.h"
#include "book/Ydrunit.h"
#include "platform/Paths.h"

namespace {

const char* const kRarExtension = ".rar";
const char* const kMadeArchiveExtensions[] = {".zip", ".7z"};

}  // namespace

bool IsDescriptorFileName(const std::string& name) { return platform::HasExtension(name, kDescriptorExtension); }

bool IsRarName(const std::string& name) { return platform::HasExtension(name, kRarExtension); }

bool IsMadeBookArchiveName(const std::string& name) {
    return std::any_of(std::begin(kMadeArchiveExtensions), std::end(kMadeArchiveExtensions),
                       [&](const char* known) { return platform::HasExtension(name, known); });
}

bool IsBookArchiveName(const std::string& name) { return IsRarName(name) || IsMadeBookArchiveName(name); }

bool IsBookSourceName(const std::string& name) {
    return IsDescriptorFileName(name) || IsBookArchiveName(name) || IsDaisyFileName(name);
}
