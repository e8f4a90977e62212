// SPDX-License-Identifier: GPL-3.0-or-later
#include "setupverdict.h"

#include <glib.h>

std::string missingSetupRecords(const FileCtx &ctx)
{
    std::string missing;
    for (const char *key : {"Pass1", "Pass2", "Pass3", "DateVal1", "DateVal2"}) {
        if (!ctx.get(key))
            missing += (missing.empty() ? "" : ", ") + std::string(key);
    }
    return missing;
}

void judgeSetup(const SetupProposal &proposal, ScanVerdict &verdict)
{
    const double confidence = lowestConfidence(proposal);
    if (proposal.reason.empty() && confidence >= kSureSetupConfidence)
        return;
    std::string why = "set-up: ";
    if (!proposal.reason.empty()) {
        why += proposal.reason;
    } else {
        char buf[G_ASCII_DTOSTR_BUF_SIZE];
        why += std::string("proposals uncertain (confidence ") +
               g_ascii_formatd(buf, sizeof buf, "%.2f", confidence) + ")";
    }
    verdict.reasons.push_back(why);
    if (verdict.level == VerdictLevel::Ok)
        verdict.level = VerdictLevel::Suspect;
}
