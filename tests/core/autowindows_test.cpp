#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "autowindows.h"
#include "knots.h"
#include "pixel.h"
#include "spanarray.h"

namespace {

// Trace, blots and notes are painted in one ink shade a little off the
// reference colour, as a scan shows it, so that no kind of ink outweighs
// another in the knots.
const guchar kRef[3] = {155, 132, 192};
const guchar kInk[3] = {150, 128, 186};
const guchar kPaleInk[3] = {181, 164, 204};   // a grid printed close to the ink colour
const double kNone = -1.0;

// A small field image with paper, ink and the true trace row per column.
class Field {
public:
    Field(int w, int h) : w(w), h(h), truth(w, kNone)
    {
        img = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, w, h);
        gdk_pixbuf_fill(img, 0xf4f0e8ff);
        makeRefColor(ref, kRef);
    }
    ~Field() { g_object_unref(img); }

    void paint(int x, int y0, int y1, const guchar *colour = kInk)
    {
        for (int y = std::max(0, y0); y <= std::min(h - 1, y1); ++y)
            putPixel(img, x, y, colour);
    }
    // A pen line of the given thickness through f; each column holds what the
    // line covers between its edges, and its centre is the truth.
    void trace(const std::function<double(double)> &f, int x0, int x1, int thick = 3)
    {
        for (int x = x0; x <= x1; ++x) {
            double a = f(x - 0.5), b = f(x + 0.5);
            int lo = (int)std::lround(std::min(a, b) - thick / 2.0);
            int hi = (int)std::lround(std::max(a, b) + thick / 2.0) - 1;
            paint(x, lo, std::max(lo, hi));
            truth[x] = 0.5 * (lo + std::max(lo, hi));
        }
    }
    // Another pen's stroke (annotation) from (x0, y0) to (x1, y1), x0 < x1.
    void stroke(int x0, double y0, int x1, double y1, int thick = 2)
    {
        auto f = [&](double x) { return y0 + (y1 - y0) * (x - x0) / (x1 - x0); };
        for (int x = x0; x <= x1; ++x) {
            double a = f(x - 0.5), b = f(x + 0.5);
            int lo = (int)std::lround(std::min(a, b)), hi = (int)std::lround(std::max(a, b));
            paint(x, lo, hi + thick - 1);
        }
    }
    void disc(int cx, int cy, int r)
    {
        for (int x = cx - r; x <= cx + r; ++x) {
            int half = (int)std::sqrt((double)(r * r - (x - cx) * (x - cx)));
            if (x >= 0 && x < w)
                paint(x, cy - half, cy + half);
        }
    }
    void row(int y, const guchar *colour = kInk)
    {
        for (int x = 0; x < w; ++x)
            paint(x, y, y, colour);
    }

    // Largest distance between a knot and the truth over the columns with a
    // truth; columns without a knot are left out.
    double worstKnot(const SpanArray &limits) const
    {
        std::vector<int> pos(w);
        std::vector<double> val(w);
        int n = extractKnots(img, ref, &limits, nullptr, 0, w - 1, pos.data(), val.data());
        double worst = 0.0;
        for (int i = 0; i < n; ++i)
            if (truth[pos[i]] != kNone)
                worst = std::max(worst, std::fabs(val[i] - truth[pos[i]]));
        return worst;
    }

    int w, h;
    GdkPixbuf *img;
    RefColor ref;
    std::vector<double> truth;
};

double wave(double x) { return 100.0 + 40.0 * std::sin(x / 45.0); }

// Knot error without windows and with the proposed ones.
struct Errors {
    double before, after;
};

Errors errorsOf(const Field &f, SpanArray &limits)
{
    double before = f.worstKnot(limits);
    proposeSearchWindows(f.img, f.ref, limits, nullptr, 0, f.w - 1);
    return {before, f.worstKnot(limits)};
}

bool windowHolds(const SpanArray &limits, int x, double row)
{
    return limits.getBot(x) >= 0 && limits.getBot(x) <= row && row <= limits.getTop(x);
}

} // namespace

TEST(ProposeSearchWindows, CleanTraceKeepsItsKnots)
{
    // A slow wave followed by a steep rise of 12 rows per column.
    Field f(400, 220);
    auto curve = [](double x) { return x < 300 ? wave(x) : wave(300) + 12.0 * (x - 300); };
    f.trace(curve, 0, 308);
    SpanArray limits(f.w);
    std::vector<double> progress;
    auto note = [](void *seen, double v) {
        static_cast<std::vector<double> *>(seen)->push_back(v);
    };
    EXPECT_EQ(proposeSearchWindows(f.img, f.ref, limits, nullptr, 0, f.w - 1, note, &progress),
              f.w);
    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), 1.0);
    for (int x = 0; x < 309; ++x) {
        ASSERT_TRUE(windowHolds(limits, x, f.truth[x])) << "column " << x;
        EXPECT_LT(limits.getTop(x) - limits.getBot(x), 40) << "column " << x;
    }
    EXPECT_LT(f.worstKnot(limits), 0.01);
}

TEST(ProposeSearchWindows, DisturbancesNoLongerPullTheKnots)
{
    struct Case {
        const char *name;
        std::function<void(Field &)> spoil;
    };
    const Case cases[] = {
        {"blot on the trace", [](Field &f) { f.disc(150, (int)wave(150) + 4, 14); }},
        {"blot beside the trace", [](Field &f) { f.disc(250, (int)wave(250) - 14, 9); }},
        {"crossing stroke", [](Field &f) { f.stroke(120, 20, 160, 200); }},
        {"hand-written date", [](Field &f) {
             for (int x = 60; x < 140; x += 9)
                 f.stroke(x, 190, x + 5, 160);
         }},
        {"grid rows in ink colour", [](Field &f) {
             for (int y = 15; y < f.h; y += 30)
                 f.row(y);
         }},
    };
    for (const Case &c : cases) {
        Field f(360, 220);
        f.trace(wave, 0, f.w - 1);
        c.spoil(f);
        SpanArray limits(f.w);
        Errors err = errorsOf(f, limits);
        EXPECT_GT(err.before, 4.0) << c.name;
        EXPECT_LT(err.after, 1.5) << c.name;
    }
}

TEST(ProposeSearchWindows, PenGapIsBridged)
{
    // The pen skips columns 150..189 while a note sits above the gap.
    Field f(300, 220);
    f.trace(wave, 0, 149);
    f.trace(wave, 190, f.w - 1);
    f.disc(170, 30, 10);
    SpanArray limits(f.w);
    proposeSearchWindows(f.img, f.ref, limits, nullptr, 0, f.w - 1);
    for (int x = 150; x < 190; ++x) {
        EXPECT_TRUE(windowHolds(limits, x, wave(x))) << "column " << x;
        EXPECT_GT(limits.getBot(x), 41) << "column " << x;
    }
    EXPECT_LT(f.worstKnot(limits), 0.01);
}

TEST(ProposeSearchWindows, UserSettingsStayAndGuideThePath)
{
    // Two identical traces 70 rows apart: the user's windows on the lower one
    // decide which the proposal follows.
    Field f(200, 240);
    auto upper = [](double x) { return 60.0 + 10.0 * std::sin(x / 20.0); };
    auto lower = [&](double x) { return upper(x) + 70.0; };
    f.trace(upper, 0, f.w - 1);
    f.trace(lower, 0, f.w - 1);
    SpanArray limits(f.w);
    limits.setBot(20, 110);
    limits.setTop(20, 150);
    limits.setBot(180, 100);   // open to the bottom
    std::vector<int> drawPos(f.w, -1);
    drawPos[100] = 5;
    int written = proposeSearchWindows(f.img, f.ref, limits, drawPos.data(), 0, f.w - 1);
    EXPECT_EQ(written, f.w - 3);
    EXPECT_EQ(limits.getBot(20), 110);
    EXPECT_EQ(limits.getTop(20), 150);
    EXPECT_EQ(limits.getBot(180), 100);
    EXPECT_EQ(limits.getTop(180), -1);
    EXPECT_EQ(limits.getBot(100), -1);
    EXPECT_EQ(limits.getTop(100), -1);
    for (int x : {0, 60, 140, 199})
        EXPECT_TRUE(windowHolds(limits, x, lower(x))) << "column " << x;
}

TEST(ProposeSearchWindows, UserWindowOnAPrintedLineOnly)
{
    // A grid printed in a pale ink shade crosses the whole chart under the trace;
    // the user's window holds nothing but one of its lines.
    Field f(400, 220);
    for (int y = 15; y + 1 < f.h; y += 30) {
        f.row(y, kPaleInk);
        f.row(y + 1, kPaleInk);
    }
    f.trace(wave, 0, f.w - 1);
    SpanArray limits(f.w);
    limits.setBot(50, 13);
    limits.setTop(50, 18);
    proposeSearchWindows(f.img, f.ref, limits, nullptr, 0, f.w - 1);
    for (int x : {0, 49, 51, 200, 399})
        EXPECT_TRUE(windowHolds(limits, x, f.truth[x])) << "column " << x;
    f.truth[50] = kNone;   // the user's choice
    EXPECT_LT(f.worstKnot(limits), 1.5);
}

TEST(ProposeSearchWindows, RangeAndBlankImage)
{
    Field f(120, 80);
    SpanArray limits(f.w);
    EXPECT_EQ(proposeSearchWindows(f.img, f.ref, limits, nullptr, 0, f.w - 1), 0);
    f.trace([](double) { return 40.0; }, 0, f.w - 1);
    EXPECT_EQ(proposeSearchWindows(f.img, f.ref, limits, nullptr, 50, 40), 0);
    EXPECT_EQ(limits.getBot(45), -1);
    // The range is clamped to the image; columns outside it stay untouched.
    EXPECT_EQ(proposeSearchWindows(f.img, f.ref, limits, nullptr, 100, 500), 20);
    EXPECT_EQ(limits.getBot(99), -1);
    EXPECT_TRUE(windowHolds(limits, 119, 40.0));

    SpanArray again(f.w);
    proposeSearchWindows(f.img, f.ref, again, nullptr, 100, 500);
    for (int x = 0; x < f.w; ++x)
        EXPECT_TRUE(again.getBot(x) == limits.getBot(x) && again.getTop(x) == limits.getTop(x));
}
