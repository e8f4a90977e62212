// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_EVENROWINK_H
#define VELLORA_EVENROWINK_H

#include <algorithm>
#include <vector>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "pixel.h"
#include "progress.h"

// The ink pixels of an image's even rows, found once and shared by the trace
// following and the verdict. Every pen line is two rows thick or more, so
// even rows meet all of them at half the cost of reading every row.
struct EvenRowInk {
    int width = 0, height = 0;
    std::vector<int> columns;    // ink columns of row 0, then of row 2, ... ascending within a row
    std::vector<int> rowStart;   // row 2r's ink is columns[rowStart[r]] .. columns[rowStart[r + 1] - 1]

    int rows() const { return (int)rowStart.size() - 1; }

    // Calls f(x, y) for every ink pixel of columns x0 to x1, row by row.
    template <typename F>
    void forEachIn(int x0, int x1, F f) const
    {
        for (int r = 0; r < rows(); ++r) {
            const int *first = columns.data() + rowStart[r], *end = columns.data() + rowStart[r + 1];
            for (const int *x = std::lower_bound(first, end, x0); x != end && *x <= x1; ++x)
                f(*x, 2 * r);
        }
    }
};

// Reads the image's even rows; an empty result without an image.
void findEvenRowInk(const GdkPixbuf *image, const RefColor &ref, EvenRowInk &ink,
                    ProgressFn progress = nullptr, void *progressUser = nullptr);

#endif
