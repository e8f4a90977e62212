#ifndef VELLORA_INKCLASSIFIER_H
#define VELLORA_INKCLASSIFIER_H

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
        guchar c = cells[(p[0] >> 4) << 8 | (p[1] >> 4) << 4 | p[2] >> 4];
        return c == Mixed ? ::isInk(ref, p) : c == Ink;
    }

private:
    enum : guchar { NoInk, Ink, Mixed };
    RefColor ref;
    guchar cells[4096];
};

#endif
