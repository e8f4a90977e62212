// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_SCANVERDICT_H
#define VELLORA_SCANVERDICT_H

#include <vector>

#include "fieldeval.h"
#include "params.h"
#include "preview.h"
#include "scansettings.h"
#include "verdict.h"

// The verdict on a digitised scan, its evidence taken from the field results
// and the settings they were made with, for the batch and the GUI alike.

// The evidence of one evaluated field; an empty one for a field not cut out.
FieldEvidence fieldEvidence(const Params &params, const ScanSettings &settings, int field,
                            const FieldResult &result);
// Both fields' evidence and the verdict on them.
ScanVerdict judgeFields(const Params &params, const ScanSettings &settings,
                        const FieldResult fields[2], FieldEvidence evidence[2]);
// Per table row of the field, the hours it was bridged over without ink
// (0: it had ink), as the CSV and SEF files flag them.
std::vector<double> bridgedHoursOf(const ScanVerdict &verdict, int field, size_t rows);
// What a preview shows of a field: its image, curve, windows, table and the
// stretches the evidence finds suspect.
PreviewField previewField(const ScanSettings &settings, int field, const FieldResult &result,
                          const FieldEvidence &evidence);

#endif
