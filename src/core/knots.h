// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_KNOTS_H
#define VELLORA_KNOTS_H

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "pixel.h"
#include "progress.h"
#include "spanarray.h"
#include "splinecurve.h"

// Added to every colour distance before taking its inverse as weight.
const double kKnotWeightBias = 0.0001;

// One knot per column s..e (clamped to the image's columns): the hand-drawn row
// when drawPos[x] >= 0, else the centre of the column window's ink pixels
// weighted by 1 / (distance + bias). Writes knotPos/knotVal (one entry per image
// column available) and returns the number of knots.
int extractKnots(const GdkPixbuf *image, const RefColor &ref, const SpanArray *limitSpan,
                 const int *drawPos, int s, int e, int *knotPos, double *knotVal,
                 ProgressFn progress = nullptr, void *progressUser = nullptr);

// A curve fitted through the knots with the given weight; fitStatus 0 when
// usable, nonzero otherwise (1 when fewer than six knots or no memory). The
// curve is returned even when its fit failed (nullptr only without memory).
SplineCurve *fitKnotCurve(const int *knotPos, const double *knotVal, int knotCount,
                          double smoothness, int *fitStatus);

// Knot coverage in percent over the span e - s (0 when s >= e).
int knotCoverage(int knotCount, int s, int e);

// Weight of the smoothness control value v: 2^k with k = trunc(v + 0.5), |k| <= 30.
double smoothnessWeight(double v);

#endif
