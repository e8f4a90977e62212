// SPDX-License-Identifier: GPL-3.0-or-later
#include "strokemap.h"

#include <algorithm>
#include <array>

#include "scanraster.h"

namespace {

// The cut-out fills what it cannot sample with this colour.
const guchar kGapColor[3] = {255, 100, 100};
// Stroke level: this many times the typical excess of the paper, at least
// the floor.
const int kLevelFloor = 24;
const int kLevelFactor = 4;
// Pen ink stands at least this many stroke levels above the paper.
const int kPenLevels = 2;

int median(const std::array<int, 256> &histogram, int count)
{
    int seen = 0;
    for (int v = 0; v < 256; v++)
        if ((seen += histogram[v]) * 2 >= count) return v;
    return 0;
}

bool isGap(const guchar *p) { return p[0] == kGapColor[0] && p[1] == kGapColor[1] && p[2] == kGapColor[2]; }

}  // namespace

StrokeMap::StrokeMap(const GdkPixbuf *field)
    : pixels(gdk_pixbuf_read_pixels(field)), stride(gdk_pixbuf_get_rowstride(field)),
      channels(gdk_pixbuf_get_n_channels(field)), w(gdk_pixbuf_get_width(field)), h(gdk_pixbuf_get_height(field)),
      level(kLevelFloor), pen(kPenLevels * kLevelFloor), ex(size_t(w) * h, 0)
{
    // The medians come from every other pixel of a row and every other row
    // of a column: hundreds of samples either way.
    std::vector<uint8_t> dark(size_t(w) * h, 0);
    std::vector<std::array<int, 256>> cols(w);
    std::vector<int> colCount(w, 0), rowMedian(h), colMedian(w);
    for (auto &c : cols) c.fill(0);
    for (int y = 0; y < h; y++) {
        std::array<int, 256> row{};
        int n = 0;
        uint8_t *out = &dark[size_t(y) * w];
        for (int x = 0; x < w; x++) {
            const guchar *p = pixel(x, y);
            if (isGap(p)) continue;
            int d = darknessOf(p);
            out[x] = uint8_t(d + 1);  // 0 marks a gap pixel
            if (!(x & 1)) row[d]++, n++;
            if (!(y & 1)) cols[x][d]++, colCount[x]++;
        }
        rowMedian[y] = median(row, n);
    }
    for (int x = 0; x < w; x++) colMedian[x] = median(cols[x], colCount[x]);
    std::array<int, 256> excessHistogram{};
    std::vector<int> columnPeak(w, 0);
    int total = 0;
    for (int y = 0; y < h; y++) {
        const uint8_t *in = &dark[size_t(y) * w];
        for (int x = 0; x < w; x++) {
            if (!in[x]) continue;
            int e = std::max(0, in[x] - 1 - std::max(colMedian[x], rowMedian[y]));
            ex[size_t(x) * h + y] = uint8_t(e);
            excessHistogram[e]++, total++;
            columnPeak[x] = std::max(columnPeak[x], e);
        }
    }
    // Three quarters of the field are bare paper; their upper spread sets the level.
    int seen = 0, q90 = 0;
    for (; q90 < 255 && (seen += excessHistogram[q90]) < 0.9 * total; q90++) {
    }
    level = std::max(kLevelFloor, kLevelFactor * q90);
    // Where the pen wrote, a column's peak is the pen's; most columns have it.
    if (w > 0) {
        std::nth_element(columnPeak.begin(), columnPeak.begin() + w * 9 / 10, columnPeak.end());
        pen = std::max(kPenLevels * level, columnPeak[w * 9 / 10] / 2);
    }
}
