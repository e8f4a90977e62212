// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_AUTOWINDOWS_H
#define VELLORA_AUTOWINDOWS_H

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "evenrowink.h"
#include "pixel.h"
#include "progress.h"
#include "spanarray.h"

// Proposes a search window for every column s..e (clamped to the image) whose
// window is not set (bot and top both -1) and that has no hand-drawn row, by
// following the trace as one continuous curve through the columns' ink runs.
// Columns with a window keep it. Returns the number of columns given a window.
// The image's even-row ink may be passed in when it was found already (it is
// shared with the verdict); otherwise it is found here.
int proposeSearchWindows(const GdkPixbuf *image, const RefColor &ref, SpanArray &limitSpan,
                         const int *drawPos, int s, int e, ProgressFn progress = nullptr,
                         void *progressUser = nullptr, const EvenRowInk *ink = nullptr);

#endif
