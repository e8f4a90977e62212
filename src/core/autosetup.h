// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_AUTOSETUP_H
#define VELLORA_AUTOSETUP_H

// Zero-click set-up: every record a scan's file context lacks for
// digitising, proposed from the scan itself and the manifest's dates.

#include <memory>
#include <string>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "datetime.h"
#include "fieldpair.h"
#include "filectx.h"
#include "manifest.h"
#include "params.h"
#include "records.h"

// A proposal is made only for what the context lacks; confidences are 0..1.
// Pass points, colour and marks are found in that order, each using the
// ones before (from the context or proposed), so a later one is missing
// when an earlier one could not be vouched for.
struct SetupProposal {
    bool proposesPassPoints;   // true when any pass point record was missing
    PassPoint passPoints[3];   // proposed points; set = 0 where not vouched for
    double passConfidence[3];

    bool proposesColor;
    int curveColor[3];
    double colorConfidence;    // 0: no colour found
    bool proposesHygroColor;   // the hygrometer pen's ink differs from the temperature pen's
    int curveColorHygro[3];

    bool proposesMarks;
    int datePos[2];            // temperature field image columns; -1 when not found
    double marksConfidence;

    bool proposesDates;        // from the manifest entry
    DateTime dateVal[2];

    std::string reason;        // every doubt, "; "-joined; empty when all are sure

    // The field images the colour and marks were found on, cut at the pass
    // points (as their records hold them); none when neither was looked for.
    std::shared_ptr<const FieldPair> fields;
};

// The proposals for one three-channel scan. ctx holds its present records
// (empty for a scan without context); entry is its manifest line or nullptr.
SetupProposal proposeSetup(const Params &params, const GdkPixbuf *scan, const FileCtx &ctx,
                           const ManifestEntry *entry);

// Stores the proposals that could be made into ctx: set pass points, a
// found colour, found marks, dates. A record already present keeps its
// value (a mark or date whose partner is proposed is written unchanged).
void storeProposals(const SetupProposal &proposal, FileCtx &ctx);

// The lowest confidence among the proposals made (1 when none was made).
double lowestConfidence(const SetupProposal &proposal);

#endif
