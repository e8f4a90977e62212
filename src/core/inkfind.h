// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_INKFIND_H
#define VELLORA_INKFIND_H

// The pen's ink colour: the colour of the strokes that are neither paper nor
// printed grid, taken where they are darkest.

#include <string>

#include "strokemap.h"

struct InkSearch {
    int rgb[3];
    double confidence;   // 0..1; 0 when no ink was found (rgb then 0 0 0)
    std::string reason;  // why the colour is doubtful; empty when sure
};

// Of one field image (as cutOutField makes it).
InkSearch findFieldInk(const StrokeMap &field);

#endif
