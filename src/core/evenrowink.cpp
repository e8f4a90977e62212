// SPDX-License-Identifier: GPL-3.0-or-later
#include "evenrowink.h"

#include "inkclassifier.h"

void findEvenRowInk(const GdkPixbuf *image, const RefColor &ref, EvenRowInk &ink, ProgressFn progress,
                    void *progressUser)
{
    ink.columns.clear();
    ink.rowStart.assign(1, 0);
    ink.width = image ? gdk_pixbuf_get_width(image) : 0;
    ink.height = image ? gdk_pixbuf_get_height(image) : 0;
    const int channels = image ? gdk_pixbuf_get_n_channels(image) : 0;
    const InkClassifier classifier(ref);
    ink.columns.reserve((size_t)ink.width * 8);
    for (int y = 0; y < ink.height; y += 2) {
        const guchar *p = pixelAddress(image, 0, y);
        for (int x = 0; x < ink.width; ++x, p += channels)
            if (classifier.isInk(p))
                ink.columns.push_back(x);
        ink.rowStart.push_back((int)ink.columns.size());
        if (progress && (y & 62) == 0)
            progress(progressUser, double(y) / ink.height);
    }
}
