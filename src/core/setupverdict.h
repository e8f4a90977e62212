// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_SETUPVERDICT_H
#define VELLORA_SETUPVERDICT_H

// What proposed set-up records mean for a scan's verdict.

#include <string>

#include "autosetup.h"
#include "filectx.h"
#include "verdict.h"

// Below this a proposal is a guess a person should look at.
const double kSureSetupConfidence = 0.8;

// The records digitising cannot do without that ctx lacks (pass points and
// dates), as "Pass2, DateVal1"; empty when all are there.
std::string missingSetupRecords(const FileCtx &ctx);

// A proposal made with doubt or below kSureSetupConfidence makes an ok
// verdict suspect, with the detector's reason.
void judgeSetup(const SetupProposal &proposal, ScanVerdict &verdict);

#endif
