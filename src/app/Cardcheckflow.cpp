#include "app/Cardcheckflow.h"

#include <algorithm>
#include <utility>

#include "app/Cardtexts.h"
#include "app/Texts.h"
#include "platform/Dialogs.h"

namespace {

const unsigned kQuestion = platform::kMbYesNoCancel | platform::kMbIconQuestion;
const unsigned kInformation = platform::kMbOk | platform::kMbIconInformation;
const unsigned kWarning = platform::kMbOk | platform::kMbIconWarning;

}  // namespace

void TCardCheckFlow::Run(const std::string& cardPath) {
    checkedCard_ = cardPath;
    std::vector<TCardFinding> findings;
    TProgressPlan plan;
    plan.work = TProgressPlan::Work::Check;
    // The check reads every descriptor and looks up every file: off the window's thread.
    session_.Run(plan, false, showAfter,
                 [&](TProgressPlan&, const TProgressCallback&, const platform::StopToken&) { findings = card_.CheckCard(); });
    if (findings.empty()) {
        window_.Tell(CardFindingsText(findings), texts::kCaptionCardCheck, kInformation);
        return;
    }
    const bool repairable =
        std::any_of(findings.begin(), findings.end(), [](const TCardFinding& f) { return f.repairable; });
    if (!repairable) {
        window_.Tell(CardFindingsText(findings), texts::kCaptionCardCheck, kWarning);
        return;
    }
    if (window_.Tell(CardFindingsText(findings) + texts::kRepairQuestion, texts::kCaptionCardCheck, kQuestion) !=
        platform::kIdYes) {
        return;
    }
    TCardRepair repair;
    plan.work = TProgressPlan::Work::Repair;
    session_.Run(plan, false, showAfter,
                 [&](TProgressPlan&, const TProgressCallback& progress, const platform::StopToken&) {
                     repair = card_.RepairCard(progress);
                 });
    window_.RefreshBooks();
    window_.Tell(CardRepairText(repair), texts::kCaptionCardCheck, repair.leftAlone.empty() ? kInformation : kWarning);
}

void TCardCheckFlow::Offer(const std::string& cardPath) {
    if (!card_.NeedsCheck() || checkedCard_ == cardPath) return;
    if (held_) {
        offerWaits_ = true;
        return;
    }
    checkedCard_ = cardPath;
    if (window_.Tell(texts::kTroubleQuestion, texts::kCaptionCardCheck, kQuestion) == platform::kIdYes) Run(cardPath);
}

void TCardCheckFlow::Refuse(const std::string& refusal, const std::string& caption, const std::string& cardPath) {
    if (held_) {
        window_.Tell(refusal, caption, kWarning);
        Offer(cardPath);
    } else if (window_.Tell(refusal + texts::kCheckNowQuestion, caption, kQuestion) == platform::kIdYes) {
        Run(cardPath);
    }
}

void TCardCheckFlow::Release(const std::string& cardPath) {
    held_ = false;
    if (std::exchange(offerWaits_, false)) Offer(cardPath);
}
