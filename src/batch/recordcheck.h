// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_BATCH_RECORDCHECK_H
#define VELLORA_BATCH_RECORDCHECK_H

#include <string>

#include "filectx.h"
#include "params.h"

// The GUI ignores a record it cannot read and goes on with its start value,
// which in a batch would silently give tables for the wrong dates, colour or
// offsets. A record the GUI could not have written, because it does not read
// back or lies outside what its controls and views can set, counts as damaged.

// Largest offset the GUI's offset controls set, degrees or millimetres.
const double kMaxStoredOffset = 20.0;

// The first damaged record as "key=value", or empty when every record the
// GUI reads is sound. Marks and drawn rows are checked against the field
// images of params.
std::string damagedRecord(const FileCtx &ctx, const Params &params);

#endif
