#include <gtest/gtest.h>

#include <algorithm>

#include "inksearch.h"

namespace {

const guchar kInk[3] = {0, 0, 200}, kGrey[3] = {90, 90, 90}, kPaper[3] = {250, 245, 230};

RefColor refOf(const guchar rgb[3])
{
    RefColor ref;
    makeRefColor(ref, rgb);
    return ref;
}

// A paper-coloured image for the column cases to put ink into.
GdkPixbuf *paperImage(int w, int h)
{
    GdkPixbuf *img = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            putPixel(img, x, y, kPaper);
    return img;
}

struct Span {
    int bot, top;
};

Span searchColumn(const GdkPixbuf *img, int x, int limitBot, int limitTop)
{
    SpanArray limit(gdk_pixbuf_get_width(img)), contrast(gdk_pixbuf_get_width(img));
    limit.setBot(x, limitBot);
    limit.setTop(x, limitTop);
    findColumnSpan(img, refOf(kInk), x, gdk_pixbuf_get_height(img), &limit, &contrast);
    return Span{contrast.getBot(x), contrast.getTop(x)};
}

} // namespace

TEST(FindColumnSpan, ColumnCases)
{
    GdkPixbuf *img = paperImage(4, 400);
    putPixel(img, 0, 17, kInk);
    for (int y : {40, 41, 42, 43, 44, 45, 300})
        putPixel(img, 1, y, kInk);
    putPixel(img, 2, 0, kInk);
    putPixel(img, 2, 399, kInk);

    Span s = searchColumn(img, 0, -1, -1);
    EXPECT_EQ(s.bot, 17);
    EXPECT_EQ(s.top, 17);
    s = searchColumn(img, 1, -1, -1);
    EXPECT_EQ(s.bot, 40);
    EXPECT_EQ(s.top, 300) << "the span reaches over the gap";
    s = searchColumn(img, 1, 42, 299);
    EXPECT_EQ(s.bot, 42);
    EXPECT_EQ(s.top, 45);
    s = searchColumn(img, 1, 100, 50);
    EXPECT_EQ(s.bot, -1) << "reversed window";
    EXPECT_EQ(s.top, -1);
    s = searchColumn(img, 2, -1, -1);
    EXPECT_EQ(s.bot, 0) << "no limits: rows 0 to h-1";
    EXPECT_EQ(s.top, 399);
    s = searchColumn(img, 3, -1, -1);
    EXPECT_EQ(s.bot, -1);
    EXPECT_EQ(s.top, -1);
    // Stored limits far outside the image: clamped, not walked.
    s = searchColumn(img, 2, -5000000, 2000000000);
    EXPECT_EQ(s.bot, 0);
    EXPECT_EQ(s.top, 399);
    s = searchColumn(img, 2, 2000000000, -5000000);
    EXPECT_EQ(s.bot, -1);
    g_object_unref(img);
}

// Both searches must match a plain column walk with colorDistance, for
// colours around the threshold and assorted windows.
TEST(FindCurveSpans, MatchesAColumnWalk)
{
    const int w = 61, h = 97;
    const RefColor refs[] = {refOf(kInk), refOf(kGrey)};
    GdkPixbuf *img = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, w, h);
    unsigned seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7fff; };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            // Mostly paper, some pixels scattered around both references.
            const guchar *base = next() % 3 ? kPaper : (next() % 2 ? kInk : kGrey);
            guchar p[3];
            for (int k = 0; k < 3; ++k)
                p[k] = (guchar)std::min(255, std::max(0, base[k] + (int)(next() % 61) - 30));
            putPixel(img, x, y, p);
        }
    SpanArray limit(w);
    for (int x = 0; x < w; x += 2) {
        limit.setBot(x, (int)(next() % 140) - 20);
        limit.setTop(x, (int)(next() % 140) - 20);
    }
    for (const RefColor &ref : refs) {
        SpanArray contrast(w), byColumn(w);
        findCurveSpans(img, ref, &limit, &contrast);
        int inkColumns = 0;
        for (int x = 0; x < w; ++x) {
            int lo = limit.getBot(x) == -1 ? 0 : limit.getBot(x);
            int hi = limit.getTop(x) == -1 ? h - 1 : limit.getTop(x);
            int first = -1, last = -1;
            guchar p[3];
            for (int y = lo; y <= hi; ++y)
                if (getPixel(img, x, y, p) == 0 && colorDistance(ref, p) <= kInkDistance) {
                    first = first < 0 ? y : first;
                    last = y;
                }
            inkColumns += first >= 0;
            findColumnSpan(img, ref, x, h, &limit, &byColumn);
            EXPECT_EQ(contrast.getBot(x), first) << "column " << x;
            EXPECT_EQ(contrast.getTop(x), last) << "column " << x;
            EXPECT_EQ(byColumn.getBot(x), first) << "column " << x;
            EXPECT_EQ(byColumn.getTop(x), last) << "column " << x;
        }
        EXPECT_GT(inkColumns, w / 3);
    }
    g_object_unref(img);
}
