#pragma once
// Writing a planned book into its slot: the room on the card checked before the first byte,
// the slot's folder made, the files copied with progress, the archive's unpacked copy removed,
// the files flushed and (unless told otherwise) read back from the medium and compared with what
// was copied, and the descriptor written last, which makes the book visible to the
// player. Until then the slot's folder goes again with the writer, whatever way the write
// ends, so that a failed or stopped write leaves the card as it was. Inside the card module
// only.

#include <cstdint>
#include <string>
#include <vector>

#include "card/Cardoutcomes.h"
#include "card/Cardprogress.h"
#include "card/internal/Bookplan.h"
#include "platform/Stoptoken.h"

namespace platform {
class IFileSystem;
}

namespace card {

class TSlotWriter {
public:
    // readBack: each file is read back from the card after the flush and compared, by CRC-32,
    // with the bytes the copy wrote.
    TSlotWriter(platform::IFileSystem& files, const std::string& cardPath, std::string slotName, bool readBack)
        : files_(files), cardPath_(cardPath), slotName_(std::move(slotName)), readBack_(readBack) {}
    ~TSlotWriter();
    TSlotWriter(const TSlotWriter&) = delete;
    TSlotWriter& operator=(const TSlotWriter&) = delete;

    // Writes the book; its outcome names the book. progress hears the copy, the flush and the
    // read-back; stop, polled as it goes, ends the write (the outcome is then cancelled).
    TWriteOutcome Write(TBookPlan& plan, const TProgressCallback& progress, const platform::StopToken& stop);

private:
    // The error when the files and a descriptor of descriptorBytes would not fit into the
    // card's free space.
    TCardError CheckRoom(const TBookPlan& plan, int64_t descriptorBytes) const;
    // The files copied into the folder, state following them, with the CRC of each when they
    // are to be read back; the error when one could not be, or it was stopped.
    TCardError Copy(const TBookPlan& plan, std::vector<std::string>& targets, std::vector<uint32_t>& crcs,
                    TProgressGate& gate, TCardProgress& state);
    // The flushed files read back from the card and compared with crcs; the error names the
    // first that differs, or says it was stopped.
    TCardError ReadBack(const TBookPlan& plan, const std::vector<std::string>& targets,
                        const std::vector<uint32_t>& crcs, TProgressGate& gate, TCardProgress& state);

    platform::IFileSystem& files_;
    const std::string& cardPath_;
    std::string slotName_;
    bool readBack_;
    std::string folder_;  // the slot's folder once made, until the book is committed
};

}  // namespace card
