#include "app/Cardcheckflow.h"

#include <algorithm>

#include "app/Cardtexts.h"
#include "app/Texts.h"
#include "platform/Dialogs.h"

using namespace boxflags;

std::optional<TCardRepair> TCardCheckFlow::Run(const std::string& cardPath) {
    checkedCard_ = cardPath;
    std::vector<TCardFinding> findings;
    TProgressPlan plan;
    plan.work = TProgressPlan::Work::Check;
    // The check reads every descriptor and looks up every file: off the window's thread.
    session_.Run(plan, false, showAfter_,
                 [&](TProgressPlan&, const TProgressCallback&, const platform::StopToken&) { findings = card_.CheckCard(); });
    if (findings.empty()) {
        teller_.Tell(CardFindingsText(findings), texts::kCaptionCardCheck, kInformation);
        return std::nullopt;
    }
    const bool repairable =
        std::any_of(findings.begin(), findings.end(), [](const TCardFinding& f) { return f.repairable; });
    if (!repairable) {
        teller_.Tell(CardFindingsText(findings), texts::kCaptionCardCheck, kWarning);
        return std::nullopt;
    }
    if (teller_.Tell(CardFindingsText(findings) + texts::kRepairQuestion, texts::kCaptionCardCheck, kQuestion) !=
        platform::kIdYes) {
        return std::nullopt;
    }
    TCardRepair repair;
    plan.work = TProgressPlan::Work::Repair;
    session_.Run(plan, false, showAfter_,
                 [&](TProgressPlan&, const TProgressCallback& progress, const platform::StopToken&) {
                     repair = card_.RepairCard(progress);
                 });
    return repair;
}

void TCardCheckFlow::TellRepair(const TCardRepair& repair) {
    teller_.Tell(CardRepairText(repair), texts::kCaptionCardCheck, repair.leftAlone.empty() ? kInformation : kWarning);
}

std::optional<TCardRepair> TCardCheckFlow::Offer(const std::string& cardPath) {
    if (!card_.NeedsCheck() || checkedCard_ == cardPath) return std::nullopt;
    checkedCard_ = cardPath;
    if (teller_.Tell(texts::kTroubleQuestion, texts::kCaptionCardCheck, kQuestion) != platform::kIdYes) {
        return std::nullopt;
    }
    return Run(cardPath);
}

bool TCardCheckFlow::Refuse(const std::string& refusal, const std::string& caption, bool inBatch) {
    if (inBatch) {
        teller_.Tell(refusal, caption, kWarning);
        return false;
    }
    return teller_.Tell(refusal + texts::kCheckNowQuestion, caption, kQuestion) == platform::kIdYes;
}
