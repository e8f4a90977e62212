// SPDX-License-Identifier: GPL-3.0-or-later
#include "strokemap.h"

#include <algorithm>

#include "bytehistogram.h"
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

// The lower median of the count values counted.
int median(const ByteHistogram &histogram, int count) { return kthCountedValue(histogram, (count - 1) / 2); }

bool isGap(const guchar *p) { return p[0] == kGapColor[0] && p[1] == kGapColor[1] && p[2] == kGapColor[2]; }

// 1..255, 0 being the gap mark: black is stored as the next darkest, so that
// it is not taken for a gap.
uint8_t darknessPlusOne(const guchar *p) { return uint8_t(std::min(darknessOf(p), 254) + 1); }

// Rows worked together: a band is read row by row, as the image lies, and
// written column by column, a band's height at a time.
const int kBand = 32;

// Every pixel's darkness plus one (0 marks a gap pixel), column by column as
// the detectors walk, and each row's median darkness from its even columns.
void columnDarkness(const GdkPixbuf *field, std::vector<uint8_t> &dark, std::vector<int> &rowMedian)
{
    const guchar *pixels = gdk_pixbuf_read_pixels(field);
    const int stride = gdk_pixbuf_get_rowstride(field), channels = gdk_pixbuf_get_n_channels(field);
    const int w = gdk_pixbuf_get_width(field), h = gdk_pixbuf_get_height(field);
    std::vector<uint8_t> band(size_t(kBand) * w);
    for (int y0 = 0; y0 < h; y0 += kBand) {
        const int n = std::min(kBand, h - y0);
        for (int m = 0; m < n; m++) {
            const guchar *p = pixels + size_t(y0 + m) * stride;
            uint8_t *row = &band[size_t(m) * w];
            for (int x = 0; x < w; x++, p += channels) row[x] = isGap(p) ? 0 : darknessPlusOne(p);
            ByteHistogram histogram{};
            int count = 0;
            for (int x = 0; x < w; x += 2)
                if (row[x]) histogram[row[x] - 1]++, count++;
            rowMedian[y0 + m] = median(histogram, count);
        }
        for (int x = 0; x < w; x++) {
            uint8_t *out = &dark[size_t(x) * h + y0];
            for (int m = 0; m < n; m++) out[m] = band[size_t(m) * w + x];
        }
    }
}

// The median darkness of a column from its even rows.
int columnMedian(const uint8_t *dark, int h)
{
    ByteHistogram histogram{};
    int n = 0;
    for (int y = 0; y < h; y += 2)
        if (dark[y]) histogram[dark[y] - 1]++, n++;
    return median(histogram, n);
}

}  // namespace

StrokeMap::StrokeMap(const GdkPixbuf *field)
    : pixels(gdk_pixbuf_read_pixels(field)), stride(gdk_pixbuf_get_rowstride(field)),
      channels(gdk_pixbuf_get_n_channels(field)), w(gdk_pixbuf_get_width(field)), h(gdk_pixbuf_get_height(field)),
      level(kLevelFloor), pen(kPenLevels * kLevelFloor), ex(size_t(w) * h, 0), peakRows(w, 0)
{
    // The medians come from every other pixel of a row and every other row
    // of a column: hundreds of samples either way. The darkness is found in
    // ex and replaced there by the excess.
    std::vector<int> rowMedian(h);
    columnDarkness(field, ex, rowMedian);
    ByteHistogram excessHistogram{};
    std::vector<int> columnPeak(w, 0);
    int total = 0;
    for (int x = 0; x < w; x++) {
        uint8_t *column = &ex[size_t(x) * h];
        const int colMedian = columnMedian(column, h);
        int peak = 0, peakRow = 0, counted = 0;
        for (int y = 0; y < h; y++) {
            if (!column[y]) continue;
            int e = std::max(0, column[y] - 1 - std::max(colMedian, rowMedian[y]));
            column[y] = uint8_t(e);
            excessHistogram[e]++, counted++;
            if (e > peak) peak = e, peakRow = y;
        }
        columnPeak[x] = peak, peakRows[x] = peakRow, total += counted;
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
