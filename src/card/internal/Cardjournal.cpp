#include "card/internal/Cardjournal.h"

#include <cassert>
#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <vector>

#include "book/String_routines_unit.h"
#include "book/Ydrunit.h"
#include "card/internal/Cardroot.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace card {
namespace {

const char* const kHeader = "ZWQ JOURNAL";
const char* const kBatchHeader = "ZWQ JOURNAL 2";
const char* const kArrangeHeader = "ZWQ JOURNAL 3";
const char* const kArrange = "ARRANGE";
const char* const kParked = "PARKED";
const char* const kShift = "SHIFT";
const char* const kRemove = "REMOVE";
const char* const kMove = "MOVE";
const char* const kEnd = "END";
const char* const kHexDigits = "0123456789abcdef";
constexpr int kNibbleBits = 4;
constexpr unsigned kNibbleMask = 0xF;
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

std::string Hex(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text += kHexDigits[b >> kNibbleBits];
        text += kHexDigits[b & kNibbleMask];
    }
    return text;
}

std::optional<std::string> FromHex(const std::string& text) {
    if (text.size() % 2 != 0) return std::nullopt;
    std::string bytes;
    bytes.reserve(text.size() / 2);
    const std::string digits = kHexDigits;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const std::size_t high = digits.find(text[i]);
        const std::size_t low = digits.find(text[i + 1]);
        if (high == std::string::npos || low == std::string::npos) return std::nullopt;
        bytes += static_cast<char>((high << kNibbleBits) | low);
    }
    return bytes;
}

// "BOOK_nnn" back to n; 0 when it is no slot name.
int SlotNumber(const std::string& name) {
    int32_t n = 0;
    return IsSlotFolderName(name, n) ? n : 0;
}

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start <= line.size()) {
        const std::size_t end = std::min(line.find(' ', start), line.size());
        words.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

// An older journal: its header, then "REMOVE BOOK_nnn hash" lines, the last of which counts.
// It names a removal alone, by its descriptor's hash: a batch without moves or name.
std::optional<TCardJournal::TBatch> ParseRemoval(const std::string& bytes) {
    const std::vector<std::string> lines = SplitLines(bytes);
    if (lines.empty() || lines.front() != kHeader) return std::nullopt;
    TCardJournal::TBatch batch;
    for (const std::string& line : lines) {
        const std::vector<std::string> words = Words(line);
        if (words.size() != 3 || words[0] != kRemove) continue;
        batch.removed = SlotNumber(words[1]);
        batch.hash = words[2];
    }
    if (batch.removed <= 0) return std::nullopt;
    return batch;
}

}  // namespace

bool TCardJournal::TBatch::Names(const std::string& descriptorBytes) const {
    return HashText(descriptorBytes) == hash;
}

std::string TCardJournal::Hash(const std::string& descriptorBytes) { return HashText(descriptorBytes); }

std::string TCardJournal::Path() const { return platform::JoinPath(cardPath_, kName); }

std::string TCardJournal::Text(const TBatch& batch) {
    std::string text;
    if (batch.arranged) {
        text = std::string(kArrangeHeader) + "\n" + kArrange + (batch.parked ? std::string(" ") + kParked : "") + "\n";
    } else if (batch.shift) {
        text = std::string(kArrangeHeader) + "\n" + kShift + "\n";
    } else {
        text = std::string(kBatchHeader) + "\n" + kRemove + " " + SlotName(batch.removed) + " " + batch.hash + " " +
               Hex(batch.name) + "\n";
    }
    for (const TMove& move : batch.moves) {
        text += std::string(kMove) + " " + SlotName(move.from) + " " + SlotName(move.to) + " " + Hex(move.bytes) + "\n";
    }
    return text + kEnd + " " + HashText(text) + "\n";
}

bool TCardJournal::Write(const TBatch& batch) {
    // Written in place: a journal cut short fails its checksum and names a batch that never
    // began, so it needs no scratch copy and no flush of its own; the caller's one flush puts
    // it on the medium. A journal already there names a batch the check has yet to finish: it
    // is never replaced, and no batch begins beside it.
    if (files_.Exists(Path())) return false;
    const std::string text = Text(batch);
    // The check finishes exactly the plan the journal names: every move, the removal, the kind.
    assert(ParseBatch(text) && ParseBatch(text)->moves.size() == batch.moves.size() &&
           ParseBatch(text)->removed == batch.removed && ParseBatch(text)->arranged == batch.arranged);
    if (files_.WriteUnflushed(Path(), text)) return true;
    Remove();
    return false;
}

bool TCardJournal::MarkParked(TBatch batch, const std::string& storedName) {
    batch.parked = true;
    // Replaced whole, old or new, and on the medium when it returns.
    return files_.WriteReplacing(platform::JoinPath(cardPath_, storedName), Text(batch));
}

bool TCardJournal::IsBatch(const std::string& bytes) {
    for (const char* header : {kBatchHeader, kArrangeHeader}) {
        const std::string line = std::string(header) + "\n";
        if (bytes.compare(0, line.size(), line) == 0) return true;
    }
    return false;
}

std::optional<TCardJournal::TBatch> TCardJournal::ParseBatch(const std::string& bytes) {
    if (!IsBatch(bytes)) return ParseRemoval(bytes);
    // The checksum covers everything before its own line, which ends the journal.
    const std::size_t endLine = bytes.rfind(std::string("\n") + kEnd + " ");
    if (endLine == std::string::npos || bytes.empty() || bytes.back() != '\n') return std::nullopt;
    const std::string body = bytes.substr(0, endLine + 1);
    const std::string sum = bytes.substr(endLine + 1 + std::string(kEnd).size() + 1);
    if (sum != HashText(body) + "\n") return std::nullopt;
    TBatch batch;
    std::size_t start = std::string(kBatchHeader).size() + 1;  // both headers are as long
    while (start < body.size()) {
        const std::size_t end = body.find('\n', start);
        const std::vector<std::string> words = Words(body.substr(start, end - start));
        start = end + 1;
        if (words.size() == 4 && words[0] == kRemove) {
            const std::optional<std::string> name = FromHex(words[3]);
            batch.removed = SlotNumber(words[1]);
            batch.hash = words[2];
            batch.name = name.value_or(std::string());
        } else if (words.size() == 4 && words[0] == kMove) {
            const std::optional<std::string> moved = FromHex(words[3]);
            if (!moved) return std::nullopt;
            batch.moves.push_back({SlotNumber(words[1]), SlotNumber(words[2]), *moved});
        } else if (!words.empty() && words[0] == kArrange && words.size() <= 2) {
            batch.arranged = true;
            batch.parked = words.size() == 2 && words[1] == kParked;
            if (words.size() == 2 && !batch.parked) return std::nullopt;
        } else if (words.size() == 1 && words[0] == kShift) {
            batch.shift = true;
        } else {
            return std::nullopt;
        }
    }
    // Exactly one kind of batch; one that removes nothing moves something.
    const int kinds = (batch.arranged ? 1 : 0) + (batch.shift ? 1 : 0) + (batch.removed > 0 ? 1 : 0);
    if (kinds != 1 || (batch.removed == 0 && batch.moves.empty())) return std::nullopt;
    for (const TMove& move : batch.moves) {
        if (move.from <= 0 || move.to <= 0) return std::nullopt;
    }
    return batch;
}

TCardJournal::TCardJournal(platform::IFileSystem& files, std::string cardPath)
    : files_(files), cardPath_(std::move(cardPath)) {}

int TCardJournal::HighestSlot(const std::string& bytes) {
    const std::optional<TBatch> batch = ParseBatch(bytes);
    if (!batch) return 0;
    int highest = batch->removed;
    for (const TMove& move : batch->moves) highest = std::max({highest, move.from, move.to});
    return highest;
}

bool TCardJournal::Remove(const std::string& storedName) {
    return files_.RemoveFile(platform::JoinPath(cardPath_, storedName));
}

}  // namespace card
