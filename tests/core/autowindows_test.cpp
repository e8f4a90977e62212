// SPDX-License-Identifier: GPL-3.0-or-later
// proposeSearchWindows on small painted fields, and tables digitised from
// synthetic charts with and without the proposed windows, as the batch does
// from the charts' own records, measured against the charts' truth; the
// ten-seed sweeps of the hard combinations are a benchmark.

#include "autowindows.h"
#include "coretest.h"
#include "knots.h"
#include "scan_verdict.h"
#include "synth_fixtures.h"

namespace {

// One ink shade a little off the reference for trace, blots and notes alike,
// so that no kind of ink outweighs another in the knots.
const guchar kInk[3] = {150, 128, 186}, kPaper[3] = {244, 240, 232};

// A small field image with the true trace row per column (NaN without trace).
struct Field {
    int w, h;
    PixbufPtr img;
    RefColor ref = refOf(155, 132, 192);
    std::vector<double> truth;
    SpanArray limits;

    Field(int w, int h) : w(w), h(h), img(solidImage(w, h, kPaper)), truth(w, NAN), limits(w) {}

    void paint(int x, int y0, int y1, const guchar *colour = kInk)
    {
        for (int y = std::max(0, y0); y <= std::min(h - 1, y1); ++y) putPixel(img.get(), x, y, colour);
    }
    // A pen line through f; a trace's truth is the middle of what each column covers.
    void trace(const std::function<double(double)> &f, int x0, int x1, int thick = 3, bool isTrace = true)
    {
        for (int x = x0; x <= x1; ++x) {
            const double a = f(x - 0.5), b = f(x + 0.5);
            const int lo = int(std::lround(std::min(a, b) - thick / 2.0));
            const int hi = std::max(lo, int(std::lround(std::max(a, b) + thick / 2.0)) - 1);
            paint(x, lo, hi);
            if (isTrace) truth[x] = 0.5 * (lo + hi);
        }
    }
    void disc(int cx, int cy, int r)
    {
        for (int x = std::max(0, cx - r); x <= std::min(w - 1, cx + r); ++x) {
            const int half = int(std::sqrt(double(r * r - (x - cx) * (x - cx))));
            paint(x, cy - half, cy + half);
        }
    }
    // Largest distance between a knot and the truth where both exist.
    double worstKnot() const
    {
        std::vector<int> pos(w);
        std::vector<double> val(w);
        const int n = extractKnots(img.get(), ref, &limits, nullptr, 0, w - 1, pos.data(), val.data());
        double worst = 0.0;
        for (int i = 0; i < n; ++i)
            if (!std::isnan(truth[pos[i]])) worst = std::max(worst, std::fabs(val[i] - truth[pos[i]]));
        return worst;
    }
};

double wave(double x) { return 100.0 + 40.0 * std::sin(x / 45.0); }

bool windowHolds(const SpanArray &limits, int x, double row)
{
    return limits.getBot(x) >= 0 && limits.getBot(x) <= row && row <= limits.getTop(x);
}

std::pair<int, int> window(const SpanArray &limits, int x) { return {limits.getBot(x), limits.getTop(x)}; }

// The error with proposed windows, held to 0.3 C and 1.5 % (NaN fails too).
JudgedChart expectWithinLimits(const SynthChart &chart, const std::string &name)
{
    SCOPED_TRACE(name);
    const JudgedChart e = judgeChart(chart, true);
    EXPECT_LE(e.temp, 0.3);
    EXPECT_LE(e.hum, 1.5);
    return e;
}

}  // namespace

// Each disturbance pulls the knots off the trace until the proposed windows
// hold the trace alone; the same image gives the same windows again, also
// from a range reaching past the image.
TEST(ProposeSearchWindows, DisturbancesNoLongerPullTheKnots)
{
    const struct {
        const char *name;
        std::function<void(Field &)> spoil;
    } cases[] = {
        {"blot on the trace", [](Field &f) { f.disc(150, int(wave(150)) + 4, 14); }},
        {"crossing stroke", [](Field &f) { f.trace([](double x) { return 21 + 4.5 * (x - 120); }, 120, 160, 2, false); }},
        {"pen gap under a note", [](Field &f) {
             for (int x = 150; x < 190; ++x) f.paint(x, 0, f.h, kPaper);
             f.disc(170, 30, 10);
         }},
        {"grid rows in the ink colour", [](Field &f) {
             for (int y = 15; y < f.h; y += 30) f.trace([y](double) { return y; }, 0, f.w - 1, 1, false);
         }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Field f(360, 220);
        f.trace(wave, 0, f.w - 1);
        c.spoil(f);
        EXPECT_GT(f.worstKnot(), 4.0);
        EXPECT_EQ(proposeSearchWindows(f.img.get(), f.ref, f.limits, nullptr, 0, f.w - 1), f.w);
        EXPECT_LT(f.worstKnot(), 1.5);
        for (int x = 0; x < f.w; ++x) ASSERT_TRUE(windowHolds(f.limits, x, wave(x))) << "column " << x;
        SpanArray again(f.w);
        std::vector<double> progress;
        EXPECT_EQ(proposeSearchWindows(f.img.get(), f.ref, again, nullptr, -50, 5000, recordProgress, &progress), f.w);
        EXPECT_TRUE(again == f.limits);
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
        EXPECT_EQ(progress.empty() ? NAN : progress.back(), 1.0);
    }
}

// Two identical traces 70 rows apart: the user's windows on the lower one
// decide which the proposal follows; their windows and drawn rows stay.
TEST(ProposeSearchWindows, UserSettingsStayAndGuideThePath)
{
    Field f(200, 240);
    auto upper = [](double x) { return 60.0 + 10.0 * std::sin(x / 20.0); };
    f.trace(upper, 0, f.w - 1);
    f.trace([&](double x) { return upper(x) + 70.0; }, 0, f.w - 1);
    f.limits.setBot(20, 110);
    f.limits.setTop(20, 150);
    f.limits.setBot(180, 100);  // open to the bottom
    std::vector<int> drawPos(f.w, -1);
    drawPos[100] = 5;
    EXPECT_EQ(proposeSearchWindows(f.img.get(), f.ref, f.limits, drawPos.data(), 0, f.w - 1), f.w - 3);
    EXPECT_EQ(window(f.limits, 20), std::make_pair(110, 150));
    EXPECT_EQ(window(f.limits, 180), std::make_pair(100, -1));
    EXPECT_EQ(window(f.limits, 100), std::make_pair(-1, -1));
    for (int x : {0, 60, 140, 199}) EXPECT_TRUE(windowHolds(f.limits, x, upper(x) + 70.0)) << "column " << x;
}

// Every degradation alone and all at once stays within the limits with the
// proposed windows; on clean charts they lose (next to) nothing.
TEST(AutoWindowsAccuracy, DegradedChartsMeetTheLimitsCleanChartsLoseNothing)
{
    const struct {
        const char *name;
        bool annotations, blots, gaps, inkGrid;
        double noiseSigma;
    } kinds[] = {
        {"clean", false, false, false, false, 0.0},  {"annotations", true, false, false, false, 0.0},
        {"blots", false, true, false, false, 0.0},   {"gaps", false, false, true, false, 0.0},
        {"inkGrid", false, false, false, true, 0.0}, {"all", true, true, true, true, 0.0},
        {"all, noisy", true, true, true, true, 8.0},
    };
    for (const auto &k : kinds)
        for (uint64_t seed : {1, 2, 3}) {
            ChartOptions options = quickChartOptions(seed);
            options.annotations = k.annotations;
            options.blots = k.blots;
            options.gaps = k.gaps;
            options.inkGrid = k.inkGrid;
            options.noiseSigma = k.noiseSigma;
            const SynthChart chart = renderedChart(options);
            const std::string name = std::string(k.name) + " seed " + std::to_string(seed);
            const JudgedChart before = judgeChart(chart, false), after = expectWithinLimits(chart, name);
            std::printf("%-18s temperature %7.3f -> %5.3f C   humidity %7.3f -> %5.3f %%\n", name.c_str(),
                        before.temp, after.temp, before.hum, after.hum);
            if (&k == kinds) {
                EXPECT_LE(after.temp, before.temp + 0.005) << name;
                EXPECT_LE(after.hum, before.hum + 0.02) << name;
            }
        }
}

// Seeds 7 and 9 of the second turn start both turns at the same value and
// slope, and they cross several times: the table follows the turn the marks
// span. In seed 32 the temperature turns touch in one thick run, 3.5 and 5
// rows apart, without crossing: each leaves the run on the side it came in.
// In seed 2 they cross and cross back within one run and turn back, their
// courses pointing straight through: only the run's ink tells.
TEST(AutoWindowsAccuracy, HardCombinationsMeetTheLimits)
{
    auto check = [](const HardChart &kind, uint64_t seed) {
        const std::string name = std::string(kind.name) + " seed " + std::to_string(seed);
        const JudgedChart e = expectWithinLimits(scannedChart(kind.options(seed)), name);
        std::printf("%-34s temperature %5.3f C  humidity %5.3f %%  %s\n", name.c_str(), e.temp, e.hum,
                    verdictName(e.verdict.level));
    };
    for (const HardChart &kind : kHardCharts)
        for (uint64_t seed : {1, 3}) check(kind, seed);
    for (uint64_t seed : {2, 7, 9, 32}) check(kHardCharts[4], seed);
}
