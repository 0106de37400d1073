#pragma once
// A card folder for the card's suites, worked on through the mishaps layer: pulled out at any
// changing call, files in use, flushes that fail; and the sweep over every pull point.

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/Cardtexts.h"
#include "card/Zwqcardunit.h"
#include "platform/Paths.h"
#include "support/Cardmishaps.h"
#include "support/Pullsample.h"
#include "support/Testsupport.h"

namespace cardtest {

using testsupport::Exists;
using testsupport::List;
using Kind = TCardFinding::Kind;


inline std::string Title(int n) { return testsupport::Numbered("T", n); }

// A card folder and a model that works on it through the mishaps layer; checks and repairs run
// in a second model once the layer is healthy again, as after the card is put back in.
class Card : public ::testing::Test {
protected:
    Card()
        : test(dir),
          files(dir / "card"),
          withMishaps{files, test.folders, test.platform.extractor, test.drives, test.system,
                   platform::IntegrationStyle::FreeDesktop, nullptr},
          model(withMishaps),
          healthy(withMishaps) {
        testsupport::MakeDirs(card());
        model.SetCardPath(card());
        healthy.SetCardPath(card());
    }
    std::string card() const { return dir / "card"; }
    std::string at(const std::string& relative) const { return dir / ("card/" + relative); }
    // The card holding books 1 to count and nothing else, whatever the last run left on it, with
    // files 1.mp3 and, for the first books, 2.mp3 (fewer files keep the sweeps quick).
    void MakeBooks(int count) {
        constexpr int kWithTwoFiles = 3;
        std::map<std::string, std::string> tree;
        for (int n = 1; n <= count; ++n) {
            tree.merge(testsupport::CardBookTree(n, Title(n), n <= kWithTwoFiles ? std::vector<std::string>{"1.mp3", "2.mp3"}
                                                                                  : std::vector<std::string>{"1.mp3"}));
        }
        testsupport::MakeTree(card(), tree);
        model.Scan();
    }
    std::vector<Kind> Kinds() {
        std::vector<Kind> kinds;
        for (const TCardFinding& f : healthy.CheckCard()) kinds.push_back(f.kind);
        return kinds;
    }
    // The card as the player sees it: books 1..n without a gap, each whole in its own folder,
    // nothing else in the root, nothing for the check to find. Returns the titles in number order.
    std::vector<std::string> Books() {
        healthy.Scan();
        return Books(healthy.CheckCard());
    }
    // The same for the card as the model last listed it, with what the check found there.
    std::vector<std::string> Books(const std::vector<TCardFinding>& found) {
        std::vector<std::string> titles;
        for (std::size_t i = 0; i < healthy.Books.size(); ++i) {
            const TBookInfo& book = *healthy.Books[i];
            EXPECT_EQ(book.Number, static_cast<int>(i) + 1) << book.FileName;
            titles.push_back(book.Title);
            for (const std::string& entry : book.Files) {
                EXPECT_EQ(platform::EntryFolder(entry), TMemoryCard::SlotName(book.Number)) << entry;
                EXPECT_TRUE(Exists(platform::JoinPath(card(), platform::EntryToPath(entry)))) << entry;
            }
        }
        EXPECT_EQ(List(card()).size(), 2 * healthy.Books.size()) << testing::PrintToString(List(card()));
        EXPECT_TRUE(found.empty()) << CardFindingsText(found);
        return titles;
    }
    // Runs work with the card pulled out at its changing call number call, then puts the card
    // back; true when the card was pulled.
    bool PullAt(int call, bool afterEffect, const std::function<void()>& work) {
        files.pullAt = call;
        files.pullAfterEffect = afterEffect;
        files.changingCalls = 0;
        work();
        const bool pulled = files.Pulled();
        files.pullAt = 0;
        return pulled;
    }
    static std::vector<std::string> Titles(int first, int last) {
        std::vector<std::string> titles;
        for (int n = first; n <= last; ++n) titles.push_back(Title(n));
        return titles;
    }

    testsupport::TempDir dir;
    testsupport::TestPlatform test;
    testsupport::CardMishaps files;
    platform::Platform withMishaps;
    TMemoryCard model;
    TMemoryCard healthy;
};

// ---- a card pulled out at any changing call ----

// How the card goes: cut short in the middle of the call, after the call reached it, or losing a
// random part (seeded) of what was not flushed yet, as a card's cache would, or of what no flush
// named yet, as a system that flushes per handle leaves it.
enum class Pull { InTheMiddleOfTheCall, AfterTheCallReachedTheCard, LosingUnflushedWrites, LosingWritesNotNamedInFlush };

class PulledCard : public Card, public ::testing::WithParamInterface<Pull> {
protected:
    bool losing() const { return GetParam() >= Pull::LosingUnflushedWrites; }
    int books() const { return losing() ? 60 : 20; }
    // For every changing call of work on a card of books() books (or the sample of them the
    // environment asks for, support/Pullsample.h): pull the card at that call, put it back, check
    // and repair, and hand the books to accept. Losing writes, each pull point has a seed of its
    // own, and the call itself reached the card at every other one. Returns the number of pull
    // points.
    int Sweep(const std::function<void()>& work, const std::function<void(const std::vector<std::string>&)>& accept) {
        const testsupport::PullSample sample = testsupport::PullSampleFromEnvironment();
        if (sample.oneIn > 1) return SweepSample(sample, work, accept);
        for (int k = 1;; ++k) {
            if (!PullPoint(k, work, accept) || HasFailure()) return k - 1;
        }
    }
    // One pull point of the sweep; false when the work ended before the card was pulled.
    bool PullPoint(int k, const std::function<void()>& work, const std::function<void(const std::vector<std::string>&)>& accept) {
        SCOPED_TRACE("card pulled at changing call " + std::to_string(k));
        MakeBooks(books());
        files.loseUnflushed = losing();
        files.flushNamedOnly = GetParam() == Pull::LosingWritesNotNamedInFlush;
        files.seed = static_cast<unsigned>(k);
        const bool pulled = PullAt(k, GetParam() == Pull::AfterTheCallReachedTheCard || (losing() && k % 2 == 0), work);
        files.loseUnflushed = false;
        // The repair lists the card and checks it again when it ends.
        const TCardRepair repair = healthy.RepairCard();
        accept(Books(repair.leftAlone));
        return pulled;
    }
    // The sampled sweep: the work once whole counts its changing calls, then the sampled points
    // and the point past the last, where the work ends with the card in.
    int SweepSample(const testsupport::PullSample& sample, const std::function<void()>& work,
                    const std::function<void(const std::vector<std::string>&)>& accept) {
        const std::string described = testsupport::Describe(sample);
        SCOPED_TRACE(described);
        MakeBooks(books());
        PullAt(0, false, work);
        const int last = files.changingCalls;
        const std::vector<int> points = testsupport::SampledPoints(sample, last + 1);
        std::printf("%s: %zu of %d\n", described.c_str(), points.size(), last + 1);
        for (int k : points) {
            EXPECT_EQ(PullPoint(k, work, accept), k <= last);
            if (HasFailure()) break;
        }
        return last;
    }
};

std::string PullName(const ::testing::TestParamInfo<Pull>& info);

}  // namespace cardtest
