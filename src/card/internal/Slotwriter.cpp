#include "card/internal/Slotwriter.h"

#include <algorithm>

#include "platform/Files.h"
#include "platform/Paths.h"

namespace card {
namespace {

using Code = TCardError::Code;

// Room a FAT or exFAT folder gives its entries: 32 bytes each; "." and ".." (FAT) take two;
// a file takes two and one more per 13 characters of its long name (FAT's long-name pieces are
// 13 characters, exFAT's 15).
constexpr int64_t kFolderEntryBytes = 32;
constexpr int64_t kFolderOwnEntries = 2;
constexpr int64_t kEntriesPerFile = 2;
constexpr int64_t kLongNameCharsPerEntry = 13;

int64_t RoundUp(int64_t bytes, int64_t unit) { return (bytes + unit - 1) / unit * unit; }

}  // namespace

TSlotWriter::~TSlotWriter() {
    if (!folder_.empty()) files_.RemoveTree(folder_);
}

TCardError TSlotWriter::CheckRoom(const TBookPlan& plan, int64_t descriptorBytes) const {
    const int64_t freeBytes = files_.FreeBytes(cardPath_);
    if (freeBytes < 0) return TCardError();  // the system cannot tell: the copy finds out
    const int64_t reported = files_.ClusterSize(cardPath_);
    const int64_t cluster = reported > 0 ? reported : 1;
    int64_t folderBytes = kFolderOwnEntries * kFolderEntryBytes;
    int64_t needed = RoundUp(descriptorBytes, cluster);
    for (const TPlannedFile& file : plan.files) {
        needed += RoundUp(file.size, cluster);
        const int64_t nameLength = static_cast<int64_t>(file.name.size());
        folderBytes += (kEntriesPerFile + RoundUp(nameLength, kLongNameCharsPerEntry) / kLongNameCharsPerEntry) *
                       kFolderEntryBytes;
    }
    needed += RoundUp(folderBytes, cluster);
    if (needed <= freeBytes) return TCardError();
    TCardError error = TCardError::Of(Code::NoRoom);
    error.neededBytes = needed;
    error.freeBytes = freeBytes;
    return error;
}

TCardError TSlotWriter::Copy(const TBookPlan& plan, std::vector<std::string>& targets, std::vector<uint32_t>& crcs,
                             TProgressGate& gate, TCardProgress& state) {
    state.phase = TCardProgress::Phase::Copying;
    state.readsBack = readBack_;
    state.bookName = plan.displayName;
    state.itemCount = static_cast<int>(plan.files.size());
    for (const TPlannedFile& file : plan.files) state.bytesTotal += file.size;
    int64_t before = 0;
    for (const TPlannedFile& file : plan.files) {
        ++state.itemIndex;
        state.currentName = file.name;
        state.bytesDone = before;
        targets.push_back(platform::JoinPath(folder_, file.name));
        const auto copied = [&](int64_t done) {
            state.bytesDone = std::min(before + done, state.bytesTotal);
            gate.Report(state);
        };
        uint32_t crc = 0;
        if (!gate.Report(state) ||
            !files_.CopyWithProgress(file.source, targets.back(), copied, gate.stop(), readBack_ ? &crc : nullptr)) {
            return TCardError::Of(gate.stopped() ? Code::Cancelled : Code::Copy, file.shownAs);
        }
        crcs.push_back(crc);
        before += file.size;
    }
    state.bytesDone = state.bytesTotal;
    gate.Report(state);
    return TCardError();
}

TCardError TSlotWriter::ReadBack(const TBookPlan& plan, const std::vector<std::string>& targets,
                                 const std::vector<uint32_t>& crcs, TProgressGate& gate, TCardProgress& state) {
    state.phase = TCardProgress::Phase::Verifying;
    state.itemIndex = 0;
    state.bytesDone = 0;
    int64_t before = 0;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const TPlannedFile& file = plan.files[i];
        ++state.itemIndex;
        state.currentName = file.name;
        state.bytesDone = before;
        const auto read = [&](int64_t done) {
            state.bytesDone = std::min(before + done, state.bytesTotal);
            gate.Report(state);
        };
        uint32_t crc = 0;
        const bool readable = gate.Report(state) && files_.ReadBackCrc(targets[i], read, gate.stop(), crc);
        if (gate.stopped()) return TCardError::Of(Code::Cancelled);
        // A file the card no longer gives back is as wrongly written as one it garbles.
        if (!readable || crc != crcs[i]) return TCardError::Of(Code::Garbled, file.name);
        before += file.size;
    }
    state.bytesDone = state.bytesTotal;
    gate.Report(state, true);
    return TCardError();
}

TWriteOutcome TSlotWriter::Write(TBookPlan& plan, const TProgressCallback& progress, const platform::StopToken& stop) {
    const auto failed = [&plan](TCardError error) {
        if (error.code == Code::Cancelled) error.subject.clear();
        return TWriteOutcome::Failed(std::move(error), plan.displayName);
    };
    const std::string descriptorBytes = plan.descriptor(slotName_);
    const TCardError refused = CheckRoom(plan, static_cast<int64_t>(descriptorBytes.size()));
    if (refused.failed()) return failed(refused);

    const std::string folder = platform::JoinPath(cardPath_, slotName_);
    if (cardPath_.empty() || !files_.MakeDirectory(folder)) return failed(TCardError::Of(Code::Folder, folder));
    // From here on a failure or a stop takes the new folder away again.
    folder_ = folder;
    TProgressGate gate(progress, stop);
    std::vector<std::string> targets;
    std::vector<uint32_t> crcs;
    TCardProgress state;
    const TCardError notCopied = Copy(plan, targets, crcs, gate, state);
    if (notCopied.failed()) return failed(notCopied);
    // The unpacked copy is no longer needed: gone before the flush, it is never written out.
    if (plan.extraction) plan.extraction->Remove();

    // The descriptor makes the book visible to the player, so it is written only once every
    // file is on the medium, and the folder with them: its entries, and its own entry in the
    // card's root (a system that flushes per handle writes out only what it is named). A stop
    // is still heard before the flush and after it.
    state.phase = TCardProgress::Phase::Flushing;
    std::vector<std::string> flushing = targets;
    flushing.push_back(folder);
    flushing.push_back(cardPath_);
    const bool flushed = gate.Report(state, true) && files_.FlushFiles(flushing) && gate.Report(state, true);
    if (!flushed) return failed(TCardError::Of(gate.stopped() ? Code::Cancelled : Code::Flush));
    // What the card gives back is checked before the book becomes visible: a book it garbled
    // goes again with the writer.
    if (readBack_) {
        const TCardError garbled = ReadBack(plan, targets, crcs, gate, state);
        if (garbled.failed()) return failed(garbled);
    }

    const std::string descriptor = platform::JoinPath(cardPath_, slotName_ + kDescriptorExtension);
    if (!files_.WriteReplacing(descriptor, descriptorBytes)) return failed(TCardError::Of(Code::Save, descriptor));
    folder_.clear();  // committed: the book is on the card
    TWriteOutcome written;
    written.written = true;
    written.title = plan.displayName;
    return written;
}

}  // namespace card
