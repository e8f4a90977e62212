#ifndef VELLORA_AUTOWINDOWS_H
#define VELLORA_AUTOWINDOWS_H

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "pixel.h"
#include "progress.h"
#include "spanarray.h"

// Proposes a search window for every column s..e (clamped to the image) whose
// window is not set (bot and top both -1) and that has no hand-drawn row, by
// following the trace as one continuous curve through the columns' ink runs.
// Columns with a window keep it. Returns the number of columns given a window.
int proposeSearchWindows(const GdkPixbuf *image, const RefColor &ref, SpanArray &limitSpan,
                         const int *drawPos, int s, int e, ProgressFn progress = nullptr,
                         void *progressUser = nullptr);

#endif
