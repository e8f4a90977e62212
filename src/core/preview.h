// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_PREVIEW_H
#define VELLORA_PREVIEW_H

#include <string>
#include <vector>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "spanarray.h"
#include "splinecurve.h"
#include "table.h"
#include "verdict.h"

// Review pictures: one per scan with both straightened fields, what was found
// on them and the verdict; a contact sheet tiling many of them.

// What is drawn over one field image; pointers may be null.
struct PreviewField {
    const GdkPixbuf *image = nullptr;
    const SplineCurve *curve = nullptr;     // drawn where it was fitted
    const SpanArray *windows = nullptr;
    std::vector<TableRow> rows;
    std::vector<ColumnStretch> suspect;
    int markStart = -1, markEnd = -1;
};

const int kPreviewWidth = 1200;

// Both fields reduced to kPreviewWidth, curve, windows, table points and
// suspect stretches over them, title, verdict and reasons as a caption.
// 0, or -1 with *error set; path is written whole or not at all.
int writePreview(const std::string &path, const PreviewField fields[2], const std::string &title,
                 const ScanVerdict &verdict, std::string *error);

struct SheetEntry {
    std::string preview;   // PNG written by writePreview
    VerdictLevel level;
};

// The previews tiled in rows of `columns`, failed ones first, then suspect,
// then ok, each group in the given order. Unreadable previews leave an empty
// tile. 0, or -1 with *error set.
int writeContactSheet(const std::string &path, const std::vector<SheetEntry> &entries, int columns,
                      std::string *error);

#endif
