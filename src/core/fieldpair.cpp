// SPDX-License-Identifier: GPL-3.0-or-later
#include "fieldpair.h"

#include "cutout.h"

FieldPair::FieldPair(const Params &params, const GdkPixbuf *scan, const PassPoint pass[3])
    : images{nullptr, nullptr}, pass{pass[0], pass[1], pass[2]}
{
    Vec2 p[3];
    passPointVectors(pass, p);
    if (!scan || !passPointsUsable(p)) return;
    Params cut = params;
    cut.numFieldPassPoints = 3;
    for (int f = 0; f < 2; f++) images[f] = cutOutField(cut, scan, f, p);
}

bool FieldPair::cutAt(const PassPoint other[3]) const
{
    for (int i = 0; i < 3; i++)
        if (pass[i].set != other[i].set || pass[i].x != other[i].x || pass[i].y != other[i].y) return false;
    return true;
}

FieldPair::~FieldPair()
{
    for (GdkPixbuf *image : images)
        if (image) g_object_unref(image);
}
