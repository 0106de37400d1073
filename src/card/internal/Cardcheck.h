#pragma once
// The card check: reads the card as it is, tells what is wrong with it, and mends what is safe
// to mend. Inside the card module only; TMemoryCard::CheckCard and RepairCard are its face.

#include <string>
#include <vector>

#include "card/Cardfindings.h"
#include "card/internal/Cardroot.h"
#include "card/internal/Cardstate.h"

namespace platform {
class IFileSystem;
}

namespace card {

class TCardCheck {
public:
    TCardCheck(platform::IFileSystem& files, const std::string& cardPath, TCardRoot& root)
        : files_(files), cardPath_(cardPath), root_(root) {}

    // The card's root listed afresh (into root), every descriptor read and the files it names.
    TCardState Read();
    std::vector<TCardFinding> Analyse(const TCardState& state) const;
    // Mends one finding; false when a removal the journal names could not be finished.
    bool Mend(const TCardFinding& finding, const TCardState& state);
    // The descriptor that kept a removal from being finished, as Mend last found it.
    const std::string& Held() const { return held_; }

private:
    platform::IFileSystem& files_;
    const std::string& cardPath_;
    TCardRoot& root_;
    std::string held_;
};

}  // namespace card
