#include "card/Cardjournal.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "book/String_routines_unit.h"
#include "book/Ydrunit.h"
#include "card/Cardroot.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace card {
namespace {

const char* const kHeader = "ZWQ JOURNAL";
const char* const kRemove = "REMOVE";
constexpr uint64_t kFnvOffset = 14695981039346656037ULL;
constexpr uint64_t kFnvPrime = 1099511628211ULL;
constexpr int kHashDigits = 16;

uint64_t Fnv1a(const std::string& bytes) {
    uint64_t hash = kFnvOffset;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= kFnvPrime;
    }
    return hash;
}

std::string HashText(const std::string& bytes) {
    char buffer[kHashDigits + 1] = {};
    std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(Fnv1a(bytes)));
    return buffer;
}

}  // namespace

bool TCardJournal::TEntry::Names(const std::string& descriptorBytes) const {
    return HashText(descriptorBytes) == hash;
}

TCardJournal::TCardJournal(platform::IFileSystem& files, std::string cardPath)
    : files_(files), cardPath_(std::move(cardPath)) {}

bool TCardJournal::WriteRemoval(int slot, const std::string& descriptorBytes) {
    const std::string text =
        JoinLines({kHeader, std::string(kRemove) + " " + SlotName(slot) + " " + HashText(descriptorBytes)});
    return files_.WriteReplacing(platform::JoinPath(cardPath_, kName), text);
}

TCardJournal::TEntry TCardJournal::Parse(const std::string& bytes) {
    TEntry entry;
    for (const std::string& line : SplitLines(bytes)) {
        if (TextBefore(line, " ") != kRemove) continue;
        const std::string rest = TextAfter(line, " ");
        entry.slotName = TextBefore(rest, " ");
        entry.hash = TextAfter(rest, " ");
    }
    return entry;
}

bool TCardJournal::Remove(const std::string& storedName) {
    return files_.RemoveFile(platform::JoinPath(cardPath_, storedName));
}

}  // namespace card
