// SPDX-License-Identifier: GPL-3.0-or-later
// Ink found down a field's columns: the span of one column and of all, and the knots.

#include "coretest.h"
#include "inksearch.h"
#include "knots.h"

namespace {

const guchar kInk[3] = {0, 200, 0}, kWhite[3] = {255, 255, 255};
const guchar kFaint[3] = {27, 200, 27};     // distance 1458: still ink
const guchar kTooFaint[3] = {28, 200, 28};  // distance 1568: not ink
const guchar kBlueInk[3] = {0, 0, 200}, kGrey[3] = {90, 90, 90}, kPaper[3] = {250, 245, 230};

struct Field {
    PixbufPtr image;
    RefColor ref = refOf(0, 200, 0);
    SpanArray limits;
    std::vector<int> drawPos, knotPos;
    std::vector<double> knotVal;

    Field(int w, int h) : image(solidImage(w, h, kWhite)), limits(w), drawPos(w, -1), knotPos(w, -7), knotVal(w) {}
    int extract(int s, int e, ProgressFn progress = nullptr, void *user = nullptr)
    {
        return extractKnots(image.get(), ref, &limits, drawPos.data(), s, e, knotPos.data(), knotVal.data(),
                            progress, user);
    }
};

}  // namespace

TEST(FindColumnSpan, ColumnCases)
{
    PixbufPtr img = solidImage(4, 400, kPaper);
    putPixel(img.get(), 0, 17, kBlueInk);
    for (int y : {40, 41, 42, 43, 44, 45, 300}) putPixel(img.get(), 1, y, kBlueInk);
    putPixel(img.get(), 2, 0, kBlueInk);
    putPixel(img.get(), 2, 399, kBlueInk);
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
            const guchar *base = next() % 3 ? kPaper : (next() % 2 ? kBlueInk : kGrey);
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

TEST(ExtractKnots, ColumnCases)
{
    Field f(10, 40);
    auto ink = [&](int x, int y, const guchar *rgb) { putPixel(f.image.get(), x, y, rgb); };
    auto window = [&](int x, int bot, int top) { f.limits.setBot(x, bot), f.limits.setTop(x, top); };
    ink(0, 17, kInk);
    ink(1, 10, kInk), ink(1, 20, kFaint), ink(1, 30, kTooFaint);  // weighted by 1 / distance
    f.drawPos[2] = 33;                                             // drawn, no ink
    ink(3, 5, kInk), f.drawPos[3] = 8;                             // the drawn row wins over ink
    ink(4, 5, kInk), f.drawPos[4] = 0;                             // so does a drawn row 0
    ink(5, 12, kInk), window(5, 20, 10);                           // reversed window: no knot
    ink(6, 25, kTooFaint);                                         // no ink: no knot
    for (int x = 7; x < 10; ++x) ink(x, 2, kInk), ink(x, 27, kInk);
    window(7, 5, -1);     // excludes row 2
    window(8, -40, 900);  // beyond the image: both rows count
    window(9, -1, 20);    // bot unset means row 0
    ASSERT_EQ(f.extract(0, 9), 8);
    const double w0 = 1.0 / kKnotWeightBias, w1 = 1.0 / (colorDistance(f.ref, kFaint) + kKnotWeightBias);
    const double knots[][2] = {{0, 17}, {1, (10 * w0 + 20 * w1) / (w0 + w1)}, {2, 33}, {3, 8}, {4, 0}, {7, 27}, {8, 14.5}, {9, 2}};
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(f.knotPos[k], knots[k][0]) << k;
        EXPECT_NEAR(f.knotVal[k], knots[k][1], 1e-12) << "column " << knots[k][0];
    }
}

// Marks from another geometry must stay inside the per-column arrays, which
// hold exactly one entry per column.
TEST(ExtractKnots, MarksOutsideTheImageAreClampedAndProgressRunsTo1)
{
    Field f(20, 10);
    for (int x = 0; x < 20; ++x) putPixel(f.image.get(), x, 4, kInk);
    std::vector<double> progress;
    ASSERT_EQ(f.extract(-50, 5000, recordProgress, &progress), 20);
    EXPECT_EQ(f.knotPos.front(), 0);
    EXPECT_EQ(f.knotPos[19], 19);
    ASSERT_EQ(progress.size(), 10u);  // one report per row searched
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), 1.0);
    EXPECT_EQ(f.extract(5, 9), 5);
    for (auto se : {std::make_pair(-9, -1), std::make_pair(25, 30), std::make_pair(7, 3)})
        EXPECT_EQ(f.extract(se.first, se.second), 0) << se.first << ".." << se.second;
}

// A curve that cannot be fitted comes back with its code; coverage and
// smoothness weights of worked values.
TEST(FitKnotCurve, SixIncreasingKnotsNeededCoverageAndWeights)
{
    const int pos[6] = {3, 4, 6, 9, 10, 15}, twice[6] = {3, 4, 4, 9, 10, 15};
    const double val[6] = {20, 20, 20, 20, 20, 20};
    int status = -5;
    std::unique_ptr<SplineCurve> curve(fitKnotCurve(pos, val, 5, 1.0, &status));
    EXPECT_EQ(status, 1);
    ASSERT_NE(curve, nullptr);
    EXPECT_FALSE(curve->isReady());
    curve.reset(fitKnotCurve(twice, val, 6, 8.0, &status));
    EXPECT_EQ(status, 3);
    EXPECT_NE(curve, nullptr) << "a failed fit still returns its curve";

    const int coverage[][4] = {{101, 100, 200, 101}, {1, 0, 3, 33}, {2, 0, 3, 67}, {5, 200, 200, 0}, {5, 300, 200, 0}};
    for (auto &c : coverage) EXPECT_EQ(knotCoverage(c[0], c[1], c[2]), c[3]) << c[0] << " " << c[1] << ".." << c[2];
    const double weight[][2] = {{3, 8}, {-2, 0.5}, {-1.4, 1}, {0.49, 1}, {0.5, 2}, {30.2, 1 << 30},
                                {1e9, 1 << 30}, {-1e9, 1.0 / (1 << 30)}, {NAN, 1}};  // 2^k, |k| <= 30
    for (auto &w : weight) EXPECT_EQ(smoothnessWeight(w[0]), w[1]) << w[0];
}
