#include <cmath>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "knots.h"

namespace {

const guchar kInk[3] = {0, 200, 0};
const guchar kFaint[3] = {27, 200, 27};     // distance 1458: still ink
const guchar kTooFaint[3] = {28, 200, 28};  // distance 1568: not ink
const guchar kWhite[3] = {255, 255, 255};

struct Field {
    GdkPixbuf *image;
    RefColor ref;
    SpanArray limits;
    std::vector<int> drawPos, knotPos;
    std::vector<double> knotVal;

    Field(int w, int h)
        : image(gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, w, h)), limits(w), drawPos(w, -1),
          knotPos(w, -7), knotVal(w, -7.0)
    {
        makeRefColor(ref, kInk);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                putPixel(image, x, y, kWhite);
    }
    ~Field() { g_object_unref(image); }

    int extract(int s, int e, ProgressFn progress = nullptr, void *user = nullptr)
    {
        return extractKnots(image, ref, &limits, drawPos.data(), s, e, knotPos.data(),
                            knotVal.data(), progress, user);
    }
};

void recordProgress(void *user, double fraction)
{
    static_cast<std::vector<double> *>(user)->push_back(fraction);
}

}  // namespace

TEST(ExtractKnots, ColumnCases)
{
    Field f(6, 40);
    putPixel(f.image, 0, 17, kInk);          // single exact pixel
    putPixel(f.image, 1, 10, kInk);          // exact and faint pixel,
    putPixel(f.image, 1, 20, kFaint);        // and one beyond the limit
    putPixel(f.image, 1, 30, kTooFaint);
    f.drawPos[2] = 33;                       // drawn, no ink
    putPixel(f.image, 3, 5, kInk);           // drawn row wins over ink
    f.drawPos[3] = 8;
    putPixel(f.image, 4, 12, kInk);          // empty window
    f.limits.setBot(4, 20);
    f.limits.setTop(4, 10);
    putPixel(f.image, 5, 25, kTooFaint);     // only a pixel that is not ink

    ASSERT_EQ(f.extract(0, 5), 4);
    EXPECT_EQ(f.knotPos[0], 0);
    EXPECT_DOUBLE_EQ(f.knotVal[0], 17.0);
    EXPECT_EQ(f.knotPos[1], 1);
    const double w0 = 1.0 / kKnotWeightBias, w1 = 1.0 / (colorDistance(f.ref, kFaint) + kKnotWeightBias);
    EXPECT_NEAR(f.knotVal[1], (10 * w0 + 20 * w1) / (w0 + w1), 1e-12);
    EXPECT_LT(f.knotVal[1], 10.001);
    EXPECT_EQ(f.knotPos[2], 2);
    EXPECT_DOUBLE_EQ(f.knotVal[2], 33.0);
    EXPECT_EQ(f.knotPos[3], 3);
    EXPECT_DOUBLE_EQ(f.knotVal[3], 8.0);
}

TEST(ExtractKnots, WindowLimitsRowsAndBordersAreClamped)
{
    Field f(3, 30);
    for (int x = 0; x < 3; ++x) {
        putPixel(f.image, x, 2, kInk);
        putPixel(f.image, x, 27, kInk);
    }
    f.limits.setBot(0, 5);                   // excludes row 2
    f.limits.setBot(1, -40);                 // beyond the image: both rows count
    f.limits.setTop(1, 900);
    f.limits.setTop(2, 20);                  // bot unset = row 0, excludes row 27
    ASSERT_EQ(f.extract(0, 2), 3);
    EXPECT_DOUBLE_EQ(f.knotVal[0], 27.0);
    EXPECT_DOUBLE_EQ(f.knotVal[1], 14.5);
    EXPECT_DOUBLE_EQ(f.knotVal[2], 2.0);
}

// Marks from another geometry must stay inside the per-column arrays, which
// hold exactly one entry per column (the sanitizer builds catch any overrun).
TEST(ExtractKnots, MarksOutsideTheImageAreClamped)
{
    Field f(20, 10);
    for (int x = 0; x < 20; ++x)
        putPixel(f.image, x, 4, kInk);
    std::vector<double> progress;
    ASSERT_EQ(f.extract(-50, 5000, recordProgress, &progress), 20);
    EXPECT_EQ(f.knotPos.front(), 0);
    EXPECT_EQ(f.knotPos.back(), 19);
    ASSERT_EQ(progress.size(), 20u);
    EXPECT_DOUBLE_EQ(progress.front(), 0.0);
    EXPECT_DOUBLE_EQ(progress.back(), 1.0);
    EXPECT_EQ(f.extract(-9, -1), 0);
    EXPECT_EQ(f.extract(25, 30), 0);
    EXPECT_EQ(f.extract(7, 3), 0);
}

TEST(ExtractKnots, FullSpanCoverage)
{
    Field f(260, 50);
    for (int x = 0; x < 260; ++x)
        putPixel(f.image, x, 10 + x % 30, kInk);
    const int count = f.extract(100, 200);
    EXPECT_EQ(count, 101);
    EXPECT_EQ(knotCoverage(count, 100, 200), 101);
    EXPECT_EQ(knotCoverage(1, 0, 3), 33);
    EXPECT_EQ(knotCoverage(2, 0, 3), 67);
    EXPECT_EQ(knotCoverage(5, 200, 200), 0);
    EXPECT_EQ(knotCoverage(5, 300, 200), 0);
}

TEST(FitKnotCurve, SixKnotsNeeded)
{
    const int pos[6] = {3, 4, 6, 9, 10, 15};
    const double val[6] = {20, 20, 20, 20, 20, 20};
    int status = -5;
    std::unique_ptr<SplineCurve> five(fitKnotCurve(pos, val, 5, 1.0, &status));
    EXPECT_EQ(status, 1);
    ASSERT_NE(five, nullptr);
    EXPECT_FALSE(five->isReady());

    std::unique_ptr<SplineCurve> six(fitKnotCurve(pos, val, 6, 8.0, &status));
    EXPECT_EQ(status, 0);
    ASSERT_NE(six, nullptr);
    EXPECT_NEAR(six->value(7.5), 20.0, 1e-12);

    const int twice[6] = {3, 4, 4, 9, 10, 15};
    std::unique_ptr<SplineCurve> bad(fitKnotCurve(twice, val, 6, 8.0, &status));
    EXPECT_EQ(status, 3);
    EXPECT_NE(bad, nullptr);
}

TEST(SmoothnessWeight, PowersOfTwo)
{
    EXPECT_EQ(smoothnessWeight(3.0), 8.0);
    EXPECT_EQ(smoothnessWeight(-2.0), 0.5);
    EXPECT_EQ(smoothnessWeight(-1.4), 1.0);
    EXPECT_EQ(smoothnessWeight(0.49), 1.0);
    EXPECT_EQ(smoothnessWeight(0.5), 2.0);
    EXPECT_EQ(smoothnessWeight(30.2), std::ldexp(1.0, 30));
    EXPECT_EQ(smoothnessWeight(1e9), std::ldexp(1.0, 30));
    EXPECT_EQ(smoothnessWeight(-1e9), std::ldexp(1.0, -30));
    EXPECT_EQ(smoothnessWeight(NAN), 1.0);
}
