// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_INKCLASSIFIER_H
#define VELLORA_INKCLASSIFIER_H

#include <cstring>

#include "pixel.h"

// isInk for many pixels of one reference colour: the colour cube is cut into
// 16 x 16 x 16 cells, and a cell whose every colour is certainly ink (or
// certainly not) answers without arithmetic. Pixels of the few cells near the
// threshold fall back to isInk, so the decision is always exactly isInk's.
class InkClassifier {
public:
    explicit InkClassifier(const RefColor &ref);

    bool isInk(const guchar p[3]) const
    {
        guchar c = cells[cellOf(p)];
        return c == Mixed ? ::isInk(ref, p) : c == Ink;
    }

    // False for colours that are certainly no ink, most of a chart: one
    // look-up, and isInk decides the rest.
    bool mayBeInk(const guchar p[3]) const { return cells[cellOf(p)] != NoInk; }

private:
    enum : guchar { NoInk, Ink, Mixed };
    // The cell of a colour: the high nibbles of the first two channels as a
    // two-byte read leaves them, with the third's in the gap between; fewer
    // operations than packing the three nibbles one by one.
    static int cellOf(const guchar p[3])
    {
        guint16 firstTwo;
        std::memcpy(&firstTwo, p, 2);
        return (firstTwo >> 4 & 0x0f0f) | (p[2] & 0xf0);
    }
    RefColor ref;
    guchar cells[4096];
};

#endif
