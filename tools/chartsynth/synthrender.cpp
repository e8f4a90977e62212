// SPDX-License-Identifier: GPL-3.0-or-later
// Rendering of a whole synthetic scan: layout, curves, layers, composite.

#include <algorithm>
#include <cmath>
#include <new>
#include <optional>
#include <vector>

#include "splinecurve.h"
#include "synthlayout.h"
#include "synthhard.h"

namespace {

// The hygrometer pen writes in the temperature pen's ink unless the chart's
// make gives it its own.
const unsigned char *hygroInkOf(const ChartOptions &o)
{
    return o.params.hasHygroInkColor ? o.hygroInkColor : o.inkColor;
}

// Independent random streams of one seed, so that switching a degradation on
// leaves everything else as it was.
enum Stream : uint64_t {
    StreamLayout = 1,
    StreamWeather,
    StreamGaps,
    StreamAnnotations,
    StreamBlots,
    StreamTexture,
    StreamHard,
};

// Printed line widths, mm.
const double kOutlineMM = 0.30;
const double kBoldMM = 0.22;
const double kMediumMM = 0.14;
const double kThinMM = 0.08;

const float kPaper[3] = {247.0f, 244.0f, 236.0f};
const float kLid[3] = {236.0f, 237.0f, 240.0f};

struct Rgb {
    float c[3];
};

Rgb toRgb(const unsigned char rgb[3])
{
    return {{float(rgb[0]), float(rgb[1]), float(rgb[2])}};
}

float luminance(const float c[3])
{
    return 0.299f * c[0] + 0.587f * c[1] + 0.114f * c[2];
}

// The printed grid as a function of the paper position: scale lines, time
// arcs and field outlines, each box-filtered across its width. Line weights
// are looked up, not derived per pixel.
class GridPrinter {
public:
    GridPrinter(const ChartLayout &layout, const double hygroMM[21]) : L(layout)
    {
        ext = 0.5 * kOutlineMM + 1.0 / L.dpmm;
        outline = halfWidth(kOutlineMM);
        // A line every unit from the outer edge's value on.
        const double outer = L.profile.tempScale[0], span = outer - L.profile.tempScale[1];
        tempStep = L.H / std::fabs(span);
        for (int k = 0; k <= int(std::fabs(span) + 1e-9); k++) {
            long t = std::lround(outer - (span > 0 ? k : -k));
            temperature.push_back(halfWidth(t % 10 == 0 ? kBoldMM : t % 5 == 0 ? kMediumMM : kThinMM));
        }
        // Lines in the order they lie across the field, whichever way the scale runs.
        int order[21];
        for (int k = 0; k <= 20; k++) order[k] = k;
        std::stable_sort(order, order + 21, [&](int a, int b) { return hygroMM[a] < hygroMM[b]; });
        for (int i = 0; i <= 20; i++) {
            hygro[i] = hygroMM[order[i]];
            humidity[i] = halfWidth(order[i] % 2 == 0 ? kMediumMM : kThinMM);
        }
        for (int k = 0; k < 20; k++) hygroMid[k] = 0.5 * (hygro[k] + hygro[k + 1]);
        lineSpacingMM = L.mmPerHour * L.lineMinutes / 60.0;
        firstLineMM = L.columnMM(L.firstLineMinute);
        int lines = int(std::ceil((L.W + L.sagitta - firstLineMM) / lineSpacingMM)) + 2;
        firstLine = int(std::floor(-firstLineMM / lineSpacingMM)) - 1;
        for (int n = firstLine; n < lines; n++) timeLines.push_back(halfWidth(timeLineMM(n)));
    }

    // Cheap test that rules out most of the paper.
    bool nearFields(Vec2 paper) const
    {
        double a = paper.x - L.fieldLeft, u = L.fieldBottom - paper.y;
        return a > -ext && a < L.H + L.Hh + L.D + ext && u > -ext && u < L.W + ext;
    }

    float at(Vec2 paper) const
    {
        double a = paper.x - L.fieldLeft;
        int field = a < L.H + 0.5 * L.D ? 0 : 1;
        double v = a - L.fieldOffset(field), u = L.fieldBottom - paper.y, H = L.height(field);
        if (u < -ext || u > L.W + ext || v < -ext || v > H + ext) return 0.0f;
        double cov = std::max(line(std::min(std::fabs(u), std::fabs(u - L.W)), outline),
                              line(std::min(std::fabs(v), std::fabs(v - H)), outline));
        if (u >= 0 && u <= L.W && v >= 0 && v <= H)
            cov = std::max({cov, field == 0 ? temperatureLine(v) : humidityLine(v), timeLine(field, u, v)});
        return float(cov);
    }

private:
    double halfWidth(double widthMM) const { return 0.5 * widthMM * L.dpmm; }
    double line(double distMM, double halfWidthPx) const { return bandCoverage(distMM * L.dpmm, halfWidthPx); }

    // Every degree, bolder every 5 and 10 degrees; the outer edge's value at v = 0.
    double temperatureLine(double v) const
    {
        int k = std::clamp(int(v / tempStep + 0.5), 0, int(temperature.size()) - 1);
        return line(v - k * tempStep, temperature[k]);
    }

    // Every 5 %, bolder every 10 %, on the hygrometer's own scale.
    double humidityLine(double v) const
    {
        int k = int(std::upper_bound(hygroMid, hygroMid + 20, v) - hygroMid);
        return line(v - hygro[k], humidity[k]);
    }

    // Bold at noon and midnight, medium every 6 hours (every hour when the
    // lines are closer than an hour), thin between.
    double timeLineMM(int n) const
    {
        long clock = long(L.startClockMinute + L.firstLineMinute) + long(n) * L.lineMinutes;
        clock = ((clock % 1440) + 1440) % 1440;
        if (clock % 720 == 0) return kBoldMM;
        return clock % (L.lineMinutes >= 60 ? 360 : 60) == 0 ? kMediumMM : kThinMM;
    }

    // Time lines are pen arcs: straighten the position first, then the
    // distance across the arc is the column distance times its cosine.
    double timeLine(int field, double u, double v) const
    {
        double cosine;
        double column = u + L.arcOffset(field, v, &cosine);
        double n = std::floor((column - firstLineMM) / lineSpacingMM + 0.5);
        double dist = std::fabs(column - firstLineMM - n * lineSpacingMM) * cosine;
        size_t index = size_t(std::clamp(long(n) - firstLine, 0L, long(timeLines.size()) - 1));
        return line(dist, timeLines[index]);
    }

    const ChartLayout &L;
    double ext, outline;
    double tempStep;
    std::vector<double> temperature;  // half widths from the outer edge on
    double hygro[21], hygroMid[20], humidity[21];
    double lineSpacingMM, firstLineMM;
    int firstLine;
    std::vector<double> timeLines;  // half widths in pixels from line firstLine on
};

struct Inks {
    Rgb grid, ink, hygroInk;
    double noiseSigma;
};

class Compositor {
public:
    // hygroInk is the hygrometer pen's layer when its ink differs, else null.
    Compositor(const ChartLayout &layout, const GridPrinter &grid, const CoverageLayer &print,
               const CoverageLayer &ink, const CoverageLayer *hygroInk, const Inks &inks, uint64_t seed)
        : L(layout), grid(grid), print(print), ink(ink), hygroInk(hygroInk), inks(inks), rng(seed, StreamTexture),
          grain(L.scanW, L.scanH, 2, rng), mottle(L.scanW, L.scanH, 6, rng), tone(L.scanW, L.scanH, 7, rng),
          gauss(4096)
    {
        for (float &g : gauss) g = float(rng.gauss());
        paperLum = luminance(kPaper);
    }

    void run(GdkPixbuf *pb)
    {
        guchar *pixels = gdk_pixbuf_get_pixels(pb);
        int stride = gdk_pixbuf_get_rowstride(pb);
        for (int y = 0; y < L.scanH; y++) row(y, pixels + size_t(y) * stride);
    }

private:
    void row(int y, guchar *out)
    {
        ValueNoise::RowPos g = grain.rowPos(y), m = mottle.rowPos(y), t = tone.rowPos(y);
        Vec2 p0 = L.scanToPaper({0.0, double(y)});
        Vec2 p1 = L.scanToPaper({1.0, double(y)});
        Vec2 step{p1.x - p0.x, p1.y - p0.y};
        const unsigned char *printRow = print.row(y), *inkRow = ink.row(y);
        const unsigned char *hygroRow = hygroInk ? hygroInk->row(y) : nullptr;
        for (int x = 0; x < L.scanW; x++, out += 3) {
            Vec2 P{p0.x + x * step.x, p0.y + x * step.y};
            float mot = mottle.at(m, x);
            float c[3];
            paperOrBed(P, 1.5f * grain.at(g, x) + 2.5f * mot, c);
            float printed = printRow[x] * (1.0f / 255.0f);
            if (grid.nearFields(P)) printed = std::max(printed, grid.at(P));
            if (printed > 0) overPrint(c, printed * (0.9f + 0.1f * mot));
            if (inkRow[x]) overInk(c, inkRow[x] * (1.0f / 255.0f), tone.at(t, x), inks.ink);
            if (hygroRow && hygroRow[x]) overInk(c, hygroRow[x] * (1.0f / 255.0f), tone.at(t, x), inks.hygroInk);
            store(c, out);
        }
    }

    // Paper with its texture, the lid around it and the paper edge's shadow.
    void paperOrBed(Vec2 P, float texture, float c[3]) const
    {
        double inside = std::min({P.x, L.paperW - P.x, P.y, L.paperH - P.y});  // mm, > 0 on the paper
        float onPaper = float(std::clamp(inside * L.dpmm + 0.5, 0.0, 1.0));
        float shade = inside < 0 ? 1.0f - 0.3f * float(std::exp(inside / 0.3)) : 1.0f;
        for (int i = 0; i < 3; i++) {
            float bed = kLid[i] * shade + 0.3f * texture;
            c[i] = bed + (kPaper[i] + texture - bed) * onPaper;
        }
    }

    // Print ink is a glaze: the paper's texture shows through it.
    void overPrint(float c[3], float a) const
    {
        for (int i = 0; i < 3; i++) c[i] += (inks.grid.c[i] * c[i] / kPaper[i] - c[i]) * a;
    }

    // Recorder ink a little darker or lighter in places, darker over print.
    void overInk(float c[3], float a, float toneNoise, const Rgb &color) const
    {
        float f = (0.96f + 0.06f * toneNoise) * (0.93f + 0.07f * luminance(c) / paperLum);
        for (int i = 0; i < 3; i++) c[i] += (color.c[i] * f - c[i]) * a;
    }

    void store(float c[3], guchar *out)
    {
        if (inks.noiseSigma > 0) {
            uint64_t r = rng.next();
            for (int i = 0; i < 3; i++) c[i] += float(inks.noiseSigma) * gauss[(r >> (12 * i)) & 4095];
        }
        for (int i = 0; i < 3; i++) out[i] = guchar(std::clamp(c[i] + 0.5f, 0.0f, 255.0f));
    }

    const ChartLayout &L;
    const GridPrinter &grid;
    const CoverageLayer &print, &ink;
    const CoverageLayer *hygroInk;
    const Inks &inks;
    Rng rng;
    ValueNoise grain, mottle, tone;
    std::vector<float> gauss;
    float paperLum;
};

DateTime randomStart(Rng &rng)
{
    // Charts are changed in the morning.
    DateTime t;
    t.setDateTime(rng.range(1990, 2020), rng.range(1, 12), rng.range(1, 28), rng.range(6, 11), rng.range(0, 59));
    return t;
}

// Slow terms whose amplitudes add up to at most budget, plus a faster wobble.
std::vector<Sinusoid> slowTerms(Rng &rng, double budget)
{
    std::vector<Sinusoid> terms(3);
    double weights[3], sum = 0;
    for (double &w : weights) sum += (w = rng.uniform(0.2, 1.0));
    for (int i = 0; i < 3; i++)
        terms[i] = {budget * weights[i] / sum, rng.uniform(1080, 6000), rng.uniform(0, 2 * M_PI)};
    terms.push_back({rng.uniform(0.2, 0.8), rng.uniform(120, 300), rng.uniform(0, 2 * M_PI)});
    return terms;
}

// Temperature within -5..35 degrees and humidity within 20..95 % by construction.
ChartCurves makeCurves(uint64_t seed, int startClockMinute)
{
    Rng rng(seed, StreamWeather);
    ChartCurves c;
    c.startClockMinute = startClockMinute;
    c.peakClockMinute = rng.uniform(13.5, 16.0) * 60.0;
    c.tempMean = rng.uniform(8, 19);
    c.tempDaily = rng.uniform(2, 6.5);
    c.tempSlow = slowTerms(rng, 5.2);
    c.humMean = rng.uniform(52, 66);
    c.humDaily = rng.uniform(8, 14);
    c.humFromTemp = 0.8;
    c.humSlow = slowTerms(rng, 7.2);
    return c;
}

void fillChart(const ChartOptions &o, const ChartLayout &L, const DateTime &start, SynthChart &chart)
{
    chart.params = o.params;
    chart.pass[0] = L.fieldToScan(0, L.W, 0);
    chart.pass[1] = L.fieldToScan(0, 0, 0);
    chart.pass[2] = L.fieldToScan(1, 0, L.Hh);
    chart.minutes = L.minutes;
    chart.mmPerHour = L.mmPerHour;
    chart.startColumnMM = L.startColumnMM;
    chart.rotationDeg = std::atan2(L.sinA, L.cosA) * 180.0 / M_PI;
    chart.scanPixelsPerMM = L.dpmm;
    chart.dateVal[0] = start;
    chart.dateVal[1] = start;
    for (int h = 0; h < o.hours; h++) chart.dateVal[1].addHour();
    // Marks where the trace starts and ends; rounding as the program rounds.
    chart.datePos[0] = int(L.p * L.columnMM(0) + 0.5);
    chart.datePos[1] = int(L.p * L.columnMM(L.minutes) + 0.5);
    for (int i = 0; i < 3; i++) {
        chart.curveColor[i] = o.inkColor[i];
        chart.curveColorHygro[i] = hygroInkOf(o)[i];
    }
    chart.setHygroScale(PrintedHygroScale(o.params));
    chart.timeStep = o.timeStep;
    chart.curves = makeCurves(o.seed, L.startClockMinute);
}

Inks chooseInks(const ChartOptions &o)
{
    Inks inks{toRgb(o.gridColor), toRgb(o.inkColor), toRgb(hygroInkOf(o)), o.noiseSigma};
    // A grid printed almost in the ink's colour: a fifth of the way to the paper.
    if (o.inkGrid)
        for (int i = 0; i < 3; i++) inks.grid.c[i] = inks.ink.c[i] + 0.2f * (kPaper[i] - inks.ink.c[i]);
    float fade = float(std::clamp(o.gridFade, 0.0, 0.9));
    for (int i = 0; i < 3; i++) inks.grid.c[i] += fade * (kPaper[i] - inks.grid.c[i]);
    return inks;
}

// Crops the scan as a cut-off margin leaves it; the pass points follow.
bool cutMargins(const ChartOptions &o, const ChartLayout &L, SynthChart &chart)
{
    int box[4];
    if (!L.cropBox(o.cutMarginMM, box)) return true;
    GdkPixbuf *sub = gdk_pixbuf_new_subpixbuf(chart.scan.get(), box[0], box[1], box[2] - box[0], box[3] - box[1]);
    GdkPixbuf *copy = sub ? gdk_pixbuf_copy(sub) : nullptr;
    if (sub) g_object_unref(sub);
    if (!copy) return false;
    chart.scan.reset(copy);
    for (Vec2 &p : chart.pass) p = Vec2{p.x - box[0], p.y - box[1]};
    return true;
}

bool hardOptionsUsable(const ChartOptions &o)
{
    return o.secondTurnHours >= 0 && o.secondTurnHours <= o.hours && o.curlMM >= 0 && o.curlMM <= 5 &&
           o.passPointErrorPx >= 0 && o.passPointErrorPx <= 50;
}

// Notes and taps are the observer's pen; a second turn is both pens'.
void drawHardDegradations(const ChartOptions &o, const ChartLayout &L, SynthChart &chart, Rng &rng,
                          CoverageLayer &ink, CoverageLayer &hygroInk)
{
    std::vector<Disturbance> marks;
    if (o.longNotes) drawLongNotes(L, chart, rng, ink, marks);
    if (o.tapMarks) drawTapMarks(L, chart, o.penWidthMM, rng, ink, marks);
    if (o.secondTurnHours > 0) drawSecondTurn(L, chart, o.penWidthMM, o.secondTurnHours, ink, hygroInk);
    chart.disturbances.insert(chart.disturbances.end(), marks.begin(), marks.end());
}

int render(const ChartOptions &o, SynthChart &out)
{
    Rng rng(o.seed, StreamLayout);
    DateTime start = o.start ? *o.start : randomStart(rng);
    if (start.status() != 0 || !hardOptionsUsable(o)) return SynthBadOptions;
    ChartLayout L;
    int result = makeLayout(o, start, rng, L);
    if (result != SynthOk) return result;

    SynthChart chart;
    fillChart(o, L, start, chart);
    uint64_t degradationSeed = o.degradationSeed ? o.degradationSeed : o.seed;
    if (o.gaps) {
        Rng gapRng(degradationSeed, StreamGaps);
        chart.gaps = choosePenGaps(L.minutes, gapRng);
    }

    Rng hardRng(degradationSeed, StreamHard);
    if (o.fadedInk) chart.fades = chooseFades(L.minutes, hardRng);

    CoverageLayer ink(L.scanW, L.scanH), print(L.scanW, L.scanH);
    // A second pen layer only for a second ink.
    std::optional<CoverageLayer> hygroInk;
    if (!std::equal(o.inkColor, o.inkColor + 3, hygroInkOf(o))) hygroInk.emplace(L.scanW, L.scanH);
    drawTraces(L, chart, o.penWidthMM, ink, hygroInk ? *hygroInk : ink);
    drawHardDegradations(o, L, chart, hardRng, ink, hygroInk ? *hygroInk : ink);
    if (o.annotations) {
        Rng r(degradationSeed, StreamAnnotations);
        drawAnnotations(L, chart, r, ink, chart.disturbances);
    }
    if (o.blots) {
        Rng r(degradationSeed, StreamBlots);
        drawBlots(L, chart, r, ink, chart.disturbances);
    }
    double hygroMM[21];
    for (int k = 0; k <= 20; k++) hygroMM[k] = chart.hygroScale().toMM(5.0 * k);
    drawPrintedLabels(L, hygroMM, print);

    GdkPixbuf *pb = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, L.scanW, L.scanH);
    if (!pb) return SynthNoMemory;
    chart.scan.reset(pb);
    GridPrinter grid(L, hygroMM);
    Inks inks = chooseInks(o);
    Compositor(L, grid, print, ink, hygroInk ? &*hygroInk : nullptr, inks, o.seed).run(pb);
    curlPaper(L, o.curlMM, hardRng, pb);
    if (o.passPointErrorPx > 0) misplacePassPoints(o.passPointErrorPx, hardRng, chart);
    if (!cutMargins(o, L, chart)) return SynthNoMemory;
    out = std::move(chart);
    return SynthOk;
}

}  // namespace

int renderChart(const ChartOptions &options, SynthChart &out)
{
    try {
        return render(options, out);
    } catch (const std::bad_alloc &) {
        return SynthNoMemory;
    }
}
