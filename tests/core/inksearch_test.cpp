// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>

#include "coretest.h"
#include "inksearch.h"

namespace {

const guchar kInk[3] = {0, 0, 200}, kGrey[3] = {90, 90, 90}, kPaper[3] = {250, 245, 230};

} // namespace

TEST(FindColumnSpan, ColumnCases)
{
    PixbufPtr img = solidImage(4, 400, kPaper);
    putPixel(img.get(), 0, 17, kInk);
    for (int y : {40, 41, 42, 43, 44, 45, 300}) putPixel(img.get(), 1, y, kInk);
    putPixel(img.get(), 2, 0, kInk);
    putPixel(img.get(), 2, 399, kInk);
    const int cases[][5] = {
        // column, window bot and top, expected first and last ink row
        {0, -1, -1, 17, 17},     {1, -1, -1, 40, 300},  // the span reaches over the gap
        {1, 42, 299, 42, 45},    {1, 100, 50, -1, -1},  // reversed window
        {2, -1, -1, 0, 399},     {3, -1, -1, -1, -1},   // no limits: rows 0 to h-1
        {2, -5000000, 2000000000, 0, 399},              // stored limits far outside: clamped, not walked
        {2, 2000000000, -5000000, -1, -1},
    };
    for (auto &c : cases) {
        SpanArray limit(4), contrast(4);
        limit.setBot(c[0], c[1]);
        limit.setTop(c[0], c[2]);
        findColumnSpan(img.get(), refOf(0, 0, 200), c[0], 400, &limit, &contrast);
        EXPECT_EQ(std::make_pair(contrast.getBot(c[0]), contrast.getTop(c[0])), std::make_pair(c[3], c[4]))
            << "column " << c[0] << " window " << c[1] << ".." << c[2];
    }
}

// The whole-image search must give each column's span, on a noisy image with
// colours around the threshold and assorted windows.
TEST(FindCurveSpans, MatchesTheColumnSearch)
{
    const int w = 61, h = 97;
    PixbufPtr img = solidImage(w, h, kPaper);
    unsigned seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7fff; };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const guchar *base = next() % 3 ? kPaper : (next() % 2 ? kInk : kGrey);
            guchar p[3];
            for (int k = 0; k < 3; ++k) p[k] = (guchar)std::min(255, std::max(0, base[k] + (int)(next() % 61) - 30));
            putPixel(img.get(), x, y, p);
        }
    SpanArray limit(w);
    for (int x = 0; x < w; x += 2) {
        limit.setBot(x, (int)(next() % 140) - 20);
        limit.setTop(x, (int)(next() % 140) - 20);
    }
    for (const RefColor &ref : {refOf(0, 0, 200), refOf(90, 90, 90)}) {
        SpanArray rows(w), columns(w);
        findCurveSpans(img.get(), ref, &limit, &rows);
        int inkColumns = 0;
        for (int x = 0; x < w; ++x) {
            findColumnSpan(img.get(), ref, x, h, &limit, &columns);
            EXPECT_EQ(std::make_pair(rows.getBot(x), rows.getTop(x)), std::make_pair(columns.getBot(x), columns.getTop(x)))
                << "column " << x;
            inkColumns += columns.getBot(x) >= 0;
        }
        EXPECT_GT(inkColumns, w / 3);
    }
}
