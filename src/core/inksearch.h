// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_INKSEARCH_H
#define VELLORA_INKSEARCH_H

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "pixel.h"
#include "spanarray.h"

// The window of column x: limit bot/top with -1 meaning the image border,
// clamped to rows 0..h-1. Empty (lo > hi) when reversed.
void searchWindow(const SpanArray *limitSpan, int x, int h, int *lo, int *hi);

// First and last ink row of column x within its search window into contrastSpan
// (-1, -1 without ink).
void findColumnSpan(const GdkPixbuf *image, const RefColor &ref, int x, int h,
                    const SpanArray *limitSpan, SpanArray *contrastSpan);
// findColumnSpan for every column, left to right.
void findCurveSpans(const GdkPixbuf *image, const RefColor &ref, const SpanArray *limitSpan,
                    SpanArray *contrastSpan);

#endif
