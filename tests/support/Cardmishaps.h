#pragma once
// The real file system with a card's misfortunes made on purpose: a card pulled out in the
// middle of the work, folders listed in another order, files that cannot be removed (in use),
// and a count of the listings of the card's root. Replacing writes go through the scratch file
// as the program's own do, but are not flushed to the disk, nor are FlushFiles: nothing here
// outlives the test, and real flushes would make the sweeps over every pull point slow.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/Testsupport.h"

namespace testsupport {

class CardMishaps : public TestFiles {
public:
    explicit CardMishaps(std::string card) : card_(std::move(card)) {}

    // How a listing comes back (reversed, shuffled...); empty: as the system lists it.
    std::function<void(std::vector<platform::DirEntry>&)> reorder;
    // Paths that cannot be removed, written or renamed, as a file another program holds.
    std::vector<std::string> inUse;
    // The changing call on the card (counted from 1) at which the card is pulled out; every
    // call on the card fails from then on. 0: never. With pullAfterEffect the call reached the
    // card before it went; otherwise it was cut short: a copy or a replacing write leaves a
    // part of its file behind, a tree removal has removed one entry.
    int pullAt = 0;
    bool pullAfterEffect = false;

    // The next flushes of the card that fail while the card stays in (a medium that reports a
    // write error): each such FlushFiles counts it down and fails without writing anything.
    int failingFlushes = 0;

    // Lost writes: at the pull the card keeps only a random part (seeded by seed) of the changes
    // made since the last flush, each kept or lost as a whole and in any order, as a card's
    // cache would; a kept write may have kept its name but not all its bytes. A replacing write
    // is flushed on its own and always kept.
    bool loseUnflushed = false;
    unsigned seed = 0;
    // With loseUnflushed: a flush per handle, as Windows flushes, keeps only the changes to the
    // paths it names and, for a folder named, to its entries (children made, removed or renamed
    // directly in it); the rest may still be lost.
    bool flushNamedOnly = false;
    // A card that garbles what it holds: every file read back from it comes with a byte flipped.
    bool garbleReadBack = false;

    int changingCalls = 0;
    int rootListings = 0;
    int flushes = 0;  // FlushFiles calls on the card
    bool Pulled() const { return pullAt > 0 && changingCalls >= pullAt; }

    bool ListDirectory(const std::string& f, std::vector<platform::DirEntry>& e) override;
    bool Exists(const std::string& p) override { return Readable(p) && TestFiles::Exists(p); }
    bool IsFile(const std::string& p) override { return Readable(p) && TestFiles::IsFile(p); }
    bool IsDirectory(const std::string& p) override { return Readable(p) && TestFiles::IsDirectory(p); }
    bool IsLink(const std::string& p) override { return Readable(p) && TestFiles::IsLink(p); }
    bool ReadWholeFile(const std::string& p, std::string& d) override { return Readable(p) && TestFiles::ReadWholeFile(p, d); }
    bool MakeDirectory(const std::string& p) override;
    bool RemoveFile(const std::string& p) override;
    bool CanReplace(const std::string& p) override { return Readable(p) && !InUse(p) && TestFiles::CanReplace(p); }
    bool MoveNoReplace(const std::string& a, const std::string& b) override;
    bool WriteReplacing(const std::string& p, const std::string& d) override;
    bool WriteUnflushed(const std::string& p, const std::string& d) override;
    bool RemoveTree(const std::string& p) override;
    bool CopyWithProgress(const std::string& a, const std::string& b, const platform::CopyProgress& c,
                          const platform::StopToken& s, uint32_t* crc) override;
    bool ReadBackCrc(const std::string& p, const platform::CopyProgress& c, const platform::StopToken& s,
                     uint32_t& crc) override;
    bool FlushFiles(const std::vector<std::string>& p) override;
    int64_t FileSize(const std::string& p) override { return Readable(p) ? TestFiles::FileSize(p) : -1; }
    int64_t ClusterSize(const std::string& p) override { return Readable(p) ? TestFiles::ClusterSize(p) : -1; }

private:
    bool OnCard(const std::string& path) const;
    bool Readable(const std::string& path) const { return !(Pulled() && OnCard(path)); }
    static bool ReplaceUnflushed(const std::string& path, const std::string& data);
    // A change since the last flush, as the lost-writes mode replays it.
    struct Op {
        enum class Kind { Write, MakeFolder, RemoveFile, RemoveTree, Move };
        Kind kind = Kind::Write;
        std::string path, to, data;
        bool durable = false;
        // What it changed, so that it can be taken back: whether its path was there before,
        // with the bytes of a file or everything under a folder.
        bool existed = false;
        std::string before;
        std::map<std::string, std::string> tree;
    };
    void NoteBefore(Op& op) const;
    // Whether a flush of these paths puts the change on the medium.
    bool Flushes(const std::vector<std::string>& named, const Op& op) const;
    static void Undo(const Op& op);
    void Replay();
    bool InUse(const std::string& path) const;
    // Counts a changing call; false when the card is gone before it or with it. cutShort runs
    // the part of the call that reached the card when the card goes during it.
    bool Change(const std::string& path, const std::function<bool()>& call, const std::function<void()>& cutShort,
                const Op& op);

    std::string card_;
    std::vector<Op> unflushed_;  // the changes since the last flush, in order
};

}  // namespace testsupport
