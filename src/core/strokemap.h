// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_STROKEMAP_H
#define VELLORA_STROKEMAP_H

// What stands out of a field image beyond its printed grid. In a field image
// the value lines run along rows and the straightened time lines down
// columns, so the darkness that most of a row or most of a column shares is
// print; whatever lies above both is pen ink, notes or dirt.

#include <cstdint>
#include <vector>

#include <gdk-pixbuf/gdk-pixbuf.h>

class StrokeMap {
public:
    explicit StrokeMap(const GdkPixbuf *field);

    int width() const { return w; }
    int height() const { return h; }
    // Darkness above the larger of the row's and the column's median, 0..255.
    int excess(int x, int y) const { return ex[size_t(x) * h + y]; }
    const uint8_t *column(int x) const { return &ex[size_t(x) * h]; }
    const guchar *pixel(int x, int y) const { return pixels + size_t(y) * stride + size_t(x) * channels; }
    // Excess that stands clearly above the paper's grain and the scan's noise.
    int strokeLevel() const { return level; }
    // Excess of pen ink: far above the paper, and in most columns far above
    // what is left of the print where print lines cross.
    int penLevel() const { return pen; }
    // The first row of a column's largest excess.
    int peakRow(int x) const { return peakRows[x]; }

private:
    const guchar *pixels;
    int stride, channels, w, h, level, pen;
    std::vector<uint8_t> ex;  // column by column: the detectors walk columns
    std::vector<int> peakRows;
};

#endif
