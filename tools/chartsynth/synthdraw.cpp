// SPDX-License-Identifier: GPL-3.0-or-later
// What is drawn on the paper besides the analytic grid: ink traces, printed
// labels and the degradations.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "synthhard.h"

namespace {

const double kPrintStrokeMM = 0.14;
const double kHandStrokeMM = 0.4;
// Scale numbers stand this far (mm) above their line.
const double kLabelLift = 0.6;
// Coverage of a pen that ran thin: paler than the trace, still about its colour.
const double kFadedInk = 0.7;

bool inGap(const std::vector<PenGap> &gaps, double minute)
{
    for (const PenGap &g : gaps)
        if (minute >= g.startMinute && minute < g.endMinute) return true;
    return false;
}

Vec2 penScan(const ChartLayout &L, const SynthChart &chart, int field, double minute)
{
    double v = chart.traceRow(field, minute) / L.p;
    return L.fieldToScan(field, L.penU(field, minute, v), v);
}

// Minutes (since the trace start) of the clock multiples of every whose
// straightened column lies within [lo, hi] mm.
std::vector<double> clockMultiples(const ChartLayout &L, int every, double lo, double hi)
{
    std::vector<double> out;
    double first = std::ceil((L.startClockMinute + L.minuteAtColumn(lo)) / every) * every;
    for (double clock = first;; clock += every) {
        double m = clock - L.startClockMinute;
        if (L.columnMM(m) > hi) break;
        out.push_back(m);
    }
    return out;
}

Disturbance emptyBox(Disturbance::Kind kind, int field)
{
    double inf = std::numeric_limits<double>::infinity();
    return {kind, field, inf, inf, -inf, -inf};
}

// The baseline of a band of the given height across paper u0..u1 that keeps
// `clear` mm from the trace. The trace crosses those u at the times of the
// columns u0 .. u1 + sagitta, because the pen arcs reach back.
double freeBaseline(const ChartLayout &L, const SynthChart &chart, int field, double u0, double u1,
                    double height, Rng &rng)
{
    const double clear = 3.0;
    double lo = L.height(field), hi = 0;
    for (int i = 0; i <= 40; i++) {
        double m = L.minuteAtColumn(u0 + (u1 + L.sagitta - u0) * i / 40.0);
        m = std::clamp(m, 0.0, double(L.minutes));
        double v = chart.traceRow(field, m) / L.p;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    double above = lo - clear - height - clear;  // room between the edge and the trace
    double below = L.height(field) - clear - (hi + clear + height);
    // Baselines: the glyphs rise toward smaller v from the baseline.
    if (above >= below)
        return clear + height + rng.uniform(0, std::max(0.0, above));
    return hi + clear + height + rng.uniform(0, std::max(0.0, below));
}

// Writing direction turned a little from the time axis; up points to smaller v.
void handFrame(Rng &rng, Vec2 &along, Vec2 &up)
{
    double a = rng.uniform(-4, 4) * M_PI / 180.0;
    along = {std::cos(a), std::sin(a)};
    up = {along.y, -along.x};
}

void writeDate(const ChartLayout &L, const SynthChart &chart, Rng &rng, FieldPen &pen,
               std::vector<Disturbance> &marks)
{
    char text[32];
    const DateTime &d = chart.dateVal[0];
    std::snprintf(text, sizeof text, "%d.%d.%02d", d.day, d.month, d.year % 100);
    GlyphStyle style{rng.uniform(3.0, 4.5), 0.25, 0.12};
    double len = textLength(text, style.height);
    double u0 = std::min(L.startColumnMM + rng.uniform(3, 20), L.W - len - 3);
    double v0 = freeBaseline(L, chart, 0, u0, u0 + len, style.height, rng);
    Vec2 along, up;
    handFrame(rng, along, up);
    Disturbance box = emptyBox(Disturbance::Annotation, 0);
    for (const auto &line : layoutText(text, {u0, v0}, along, up, style, &rng))
        pen.polyline(0, line, kHandStrokeMM, 0.95, &box);
    marks.push_back(box);
}

// Cursive-like loops: a trochoid whose loops vary in width and height like
// letters, some rising high, some hanging below the line.
std::vector<std::vector<Vec2>> scribbleWords(double length, double height, Rng &rng)
{
    std::vector<std::vector<Vec2>> words;
    double a = 0;
    while (a < length) {
        std::vector<Vec2> word;
        for (int k = rng.range(3, 7); k > 0 && a < length + height; k--) {
            double adv = height * rng.uniform(0.45, 0.7), r = height * rng.uniform(0.15, 0.35);
            double pick = rng.uniform(), h = height * rng.uniform(0.5, 0.9);
            if (pick < 0.2)
                h = height * rng.uniform(1.3, 1.7);
            else if (pick < 0.32)
                h = -height * rng.uniform(0.6, 0.9);
            for (int i = 0; i < 12; i++) {
                double t = 2 * M_PI * i / 12.0;
                double x = a + adv * t / (2 * M_PI) - r * std::sin(t);
                double y = 0.5 * h * (1 - std::cos(t));
                word.push_back({x + 0.3 * y, y});
            }
            a += adv;
        }
        words.push_back(word);
        a += height * rng.uniform(0.8, 1.4);
    }
    return words;
}

bool overlaps(const Disturbance &a, const std::vector<Disturbance> &marks, double gap)
{
    for (const Disturbance &b : marks)
        if (a.field == b.field && a.x0 < b.x1 + gap && b.x0 < a.x1 + gap && a.y0 < b.y1 + gap && b.y0 < a.y1 + gap)
            return true;
    return false;
}

// Loops placed clear of the traces and of earlier writing (a few tries).
void writeScribble(const ChartLayout &L, const SynthChart &chart, Rng &rng, FieldPen &pen,
                   std::vector<Disturbance> &marks)
{
    int field = rng.range(0, 1);
    double height = rng.uniform(2.5, 3.5);
    double length = rng.uniform(12, 25);
    std::vector<std::vector<Vec2>> lines;
    Disturbance box = emptyBox(Disturbance::Annotation, field);
    for (int attempt = 0; attempt < 8; attempt++) {
        double u0 = rng.uniform(L.sagitta + 2, L.W - length - 6);
        // Loops rise up to 1.7 and hang down to 0.9 heights about the baseline.
        double v0 = freeBaseline(L, chart, field, u0, u0 + length + 2 * height, 2.6 * height, rng) - 0.9 * height;
        Vec2 along, up;
        handFrame(rng, along, up);
        lines.clear();
        box = emptyBox(Disturbance::Annotation, field);
        for (const auto &word : scribbleWords(length, height, rng)) {
            std::vector<Vec2> uv;
            for (const Vec2 &q : word)
                uv.push_back({u0 + q.x * along.x + q.y * up.x, v0 + q.x * along.y + q.y * up.y});
            extendBox(L, uv, kHandStrokeMM, box);
            lines.push_back(uv);
        }
        if (!overlaps(box, marks, 2.0 * L.p)) break;
    }
    for (const auto &uv : lines) pen.polyline(field, uv, kHandStrokeMM, 0.9);
    marks.push_back(box);
}

// Field and paper position of a random point of a trace.
void pointOnTrace(const ChartLayout &L, const SynthChart &chart, Rng &rng, int &field, double &u,
                  double &v)
{
    field = rng.range(0, 1);
    double m = rng.uniform(0.05, 0.95) * L.minutes;
    v = chart.traceRow(field, m) / L.p;
    u = L.penU(field, m, v);
}

void drawBlot(const ChartLayout &L, const SynthChart &chart, Rng &rng, FieldPen &pen,
              std::vector<Disturbance> &marks)
{
    int field;
    double u, v;
    pointOnTrace(L, chart, rng, field, u, v);
    double r = rng.uniform(0.4, 1.3);
    double side = rng.uniform() < 0.5 ? -1.0 : 1.0;
    v = std::clamp(v + side * rng.uniform(0.6, 3.0), r, L.height(field) - r);
    u += rng.uniform(-1, 1);
    Disturbance box = emptyBox(Disturbance::Blot, field);
    pen.polyline(field, {{u, v}}, 2 * r, 1.0, &box);
    for (int k = rng.range(2, 5); k > 0; k--) {
        double a = rng.uniform(0, 2 * M_PI), d = rng.uniform(0.3, 1.0) * r;
        pen.polyline(field, {{u + d * std::cos(a), v + d * std::sin(a)}}, 2 * r * rng.uniform(0.3, 0.7),
                     1.0, &box);
    }
    marks.push_back(box);
}

// Ink dragged away from the trace, fading out.
void drawSmudge(const ChartLayout &L, const SynthChart &chart, Rng &rng, FieldPen &pen,
                std::vector<Disturbance> &marks)
{
    int field;
    double u, v;
    pointOnTrace(L, chart, rng, field, u, v);
    double a = rng.uniform(0, 2 * M_PI), length = rng.uniform(2, 7), width = rng.uniform(0.8, 2.0);
    double alpha = rng.uniform(0.35, 0.55);
    Disturbance box = emptyBox(Disturbance::Smudge, field);
    const int pieces = 6;
    for (int i = 0; i < pieces; i++) {
        double t0 = length * i / pieces, t1 = length * (i + 1) / pieces;
        const double edge = L.height(field) - 0.5;
        Vec2 p0{u + t0 * std::cos(a), std::clamp(v + t0 * std::sin(a), 0.5, edge)};
        Vec2 p1{u + t1 * std::cos(a), std::clamp(v + t1 * std::sin(a), 0.5, edge)};
        pen.polyline(field, {p0, p1}, width, alpha * (1.0 - 0.12 * i), &box);
    }
    marks.push_back(box);
}

void strokePaper(const ChartLayout &L, CoverageLayer &layer, const std::vector<std::vector<Vec2>> &lines)
{
    for (const auto &line : lines) {
        std::vector<Vec2> scan;
        for (const Vec2 &q : line) scan.push_back(L.paperToScan(q));
        layer.polyline(scan, 0.5 * kPrintStrokeMM * L.dpmm, 1.0);
    }
}

// A scale number standing on its line just after a time line's arc.
void printScaleNumber(const ChartLayout &L, FieldPen &pen, int field, int value, double column, double v)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    GlyphStyle style{1.6, 0.0, 0.0};
    for (const auto &line :
         layoutText(text, {column - L.arcOffset(field, v) + 0.5, v - kLabelLift}, {1, 0}, {0, -1}, style, nullptr))
        pen.polyline(field, line, kPrintStrokeMM, 1.0);
}

// The multiples of 10 strictly between two scale ends.
std::vector<int> tensInside(double a, double b)
{
    std::vector<int> tens;
    for (int t = int(std::floor(std::min(a, b) / 10.0) + 1) * 10; t < std::max(a, b); t += 10) tens.push_back(t);
    return tens;
}

// Scale numbers printed beside the time lines at regular times.
void drawScaleNumbers(const ChartLayout &L, const double hygroMM[21], CoverageLayer &print)
{
    FieldPen pen(L, print);
    int every = spacingAtLeast(L.mmPerHour, {120, 240, 360, 720, 1440}, 30.0);
    for (double m : clockMultiples(L, every, L.sagitta + 1.0, L.W - 8.0)) {
        double c = L.columnMM(m);
        for (int t : tensInside(L.profile.tempScale[0], L.profile.tempScale[1]))
            printScaleNumber(L, pen, 0, t, c, printedTemperatureMM(L.profile, t));
        for (int k = 2; k <= 18; k += 2) printScaleNumber(L, pen, 1, 5 * k, c, hygroMM[k]);
    }
}

// Weekday names at midnight and hours between, in the gap between the fields.
void drawGapLabels(const ChartLayout &L, CoverageLayer &print)
{
    static const char *const kDays[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};
    if (L.D < 4.0) return;
    GlyphStyle style{std::min(2.6, 0.4 * L.D), 0.0, 0.0};
    int every = spacingAtLeast(L.mmPerHour, {60, 120, 180, 360, 720, 1440}, 12.0);
    double baseX = L.fieldLeft + L.H + 0.5 * L.D + 0.5 * style.height;
    for (double m : clockMultiples(L, every, 4.0, L.W - 4.0)) {
        // Clock minutes since midnight of the start day; lines before it fall on the day before.
        long clock = std::lround(L.startClockMinute + m);
        long day = clock >= 0 ? clock / 1440 : -((-clock + 1439) / 1440);
        int hour = int((clock - day * 1440) / 60);
        char text[16];
        std::snprintf(text, sizeof text, "%d", hour);
        const char *label = hour == 0 ? kDays[((L.startWeekday + day) % 7 + 7) % 7] : text;
        double u = L.columnMM(m) - 0.5 * textLength(label, style.height);
        strokePaper(L, print, layoutText(label, {baseX, L.fieldBottom - u}, {0, -1}, {-1, 0}, style, nullptr));
    }
}

}  // namespace

std::vector<PenGap> choosePenGaps(int minutes, Rng &rng)
{
    std::vector<PenGap> gaps;
    for (int k = rng.range(3, 5); k > 0; k--) {
        double start = rng.uniform(0.05, 0.9) * minutes;
        double length = rng.uniform(std::max(10.0, 0.003 * minutes), std::max(20.0, 0.012 * minutes));
        gaps.push_back({start, start + length});
    }
    std::sort(gaps.begin(), gaps.end(), [](const PenGap &a, const PenGap &b) { return a.startMinute < b.startMinute; });
    return gaps;
}

void drawTraces(const ChartLayout &L, const SynthChart &chart, double penWidthMM, CoverageLayer &ink,
                CoverageLayer &hygroInk)
{
    double hw = 0.5 * penWidthMM * L.dpmm;
    for (int field = 0; field < 2; field++) {
        CoverageLayer &layer = field == 0 ? ink : hygroInk;
        Vec2 prev = penScan(L, chart, field, 0);
        for (int m = 1; m <= L.minutes; m++) {
            Vec2 cur = penScan(L, chart, field, m);
            // The felt tip wears unevenly: the line breathes a little.
            double width = hw * (1.0 + 0.06 * std::sin(m * (2 * M_PI / 517.0) + field));
            double alpha = inGap(chart.fades, m - 0.5) ? kFadedInk : 1.0;
            if (!inGap(chart.gaps, m - 0.5)) layer.stroke(prev, cur, width, alpha);
            prev = cur;
        }
    }
}

void drawAnnotations(const ChartLayout &L, const SynthChart &chart, Rng &rng, CoverageLayer &ink,
                     std::vector<Disturbance> &marks)
{
    FieldPen pen(L, ink);
    writeDate(L, chart, rng, pen, marks);
    for (int k = rng.range(1, 2); k > 0; k--) writeScribble(L, chart, rng, pen, marks);
}

void drawBlots(const ChartLayout &L, const SynthChart &chart, Rng &rng, CoverageLayer &ink,
               std::vector<Disturbance> &marks)
{
    FieldPen pen(L, ink);
    for (int k = rng.range(2, 4); k > 0; k--) drawBlot(L, chart, rng, pen, marks);
    for (int k = rng.range(1, 3); k > 0; k--) drawSmudge(L, chart, rng, pen, marks);
}

void drawPrintedLabels(const ChartLayout &L, const double hygroMM[21], CoverageLayer &print)
{
    drawScaleNumbers(L, hygroMM, print);
    drawGapLabels(L, print);
}

std::vector<PenGap> chooseFades(int minutes, Rng &rng)
{
    std::vector<PenGap> fades;
    for (int k = rng.range(2, 3); k > 0; k--) {
        double start = rng.uniform(0.05, 0.85) * minutes;
        fades.push_back({start, start + rng.uniform(0.01, 0.04) * minutes});
    }
    return fades;
}

namespace {

// Rows (mm) the trace covers over paper u0..u1, as freeBaseline reads them.
void traceExtent(const ChartLayout &L, const SynthChart &chart, int field, double u0, double u1, double &lo,
                 double &hi)
{
    lo = L.H;
    hi = 0;
    for (int i = 0; i <= 60; i++) {
        double m = L.minuteAtColumn(u0 + (u1 + L.sagitta - u0) * i / 60.0);
        double v = chart.traceRow(field, std::clamp(m, 0.0, double(L.minutes))) / L.p;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
}

// One note; false when the chosen place has no room beside the trace.
bool writeLongNote(const ChartLayout &L, const SynthChart &chart, Rng &rng, FieldPen &pen,
                   std::vector<Disturbance> &marks)
{
    int field = rng.range(0, 1);
    double height = rng.uniform(3.0, 4.5), length = rng.uniform(30, 40), gap = rng.uniform(2, 15);
    double u0 = rng.uniform(L.sagitta + 3, L.W - length - 5);
    double lo, hi;
    traceExtent(L, chart, field, u0 - 2, u0 + length + 2, lo, hi);
    // Loops rise 1.7 and hang 0.9 heights about the baseline; writing turned
    // by up to 4 degrees moves its ends by up to 0.07 of its length.
    double tilt = 0.07 * length, above = 1.7 * height, below = 0.9 * height;
    bool over = rng.uniform() < 0.5;
    double v0 = over ? lo - gap - below - tilt : hi + gap + above + tilt;
    if (v0 - above - tilt < 1.0 || v0 + below + tilt > L.H - 1.0) {
        over = !over;
        v0 = over ? lo - gap - below - tilt : hi + gap + above + tilt;
        if (v0 - above - tilt < 1.0 || v0 + below + tilt > L.H - 1.0) return false;
    }
    Vec2 along, up;
    handFrame(rng, along, up);
    Disturbance box = emptyBox(Disturbance::Note, field);
    for (const auto &word : scribbleWords(length, height, rng)) {
        std::vector<Vec2> uv;
        for (const Vec2 &q : word) uv.push_back({u0 + q.x * along.x + q.y * up.x, v0 + q.x * along.y + q.y * up.y});
        pen.polyline(field, uv, kHandStrokeMM, 0.95, &box);
    }
    marks.push_back(box);
    return true;
}

}  // namespace

void drawLongNotes(const ChartLayout &L, const SynthChart &chart, Rng &rng, CoverageLayer &ink,
                   std::vector<Disturbance> &marks)
{
    FieldPen pen(L, ink);
    for (int k = rng.range(1, 2); k > 0; k--)
        for (int attempt = 0; attempt < 20 && !writeLongNote(L, chart, rng, pen, marks); attempt++) {
        }
}

void drawTapMarks(const ChartLayout &L, const SynthChart &chart, double penWidthMM, Rng &rng,
                  CoverageLayer &ink, std::vector<Disturbance> &marks)
{
    FieldPen pen(L, ink);
    double clock = rng.uniform(7.5, 9.5) * 60.0;  // the observer's round
    double first = clock - L.startClockMinute;
    while (first < 60) first += 1440;
    for (double m = first + rng.uniform(-20, 20); m < L.minutes - 60; m += 1440 + rng.uniform(-40, 40))
        for (int field = 0; field < 2; field++) {
            // The arm bounces along its arc: a stroke across the trace.
            double v = chart.traceRow(field, m) / L.p;
            double a = std::max(0.3, v - rng.uniform(0.5, 3.0)), b = std::min(L.H - 0.3, v + rng.uniform(0.5, 3.0));
            std::vector<Vec2> uv;
            for (int i = 0; i <= 12; i++) {
                double w = a + (b - a) * i / 12.0;
                uv.push_back({L.penU(field, m, w), w});
            }
            Disturbance box = emptyBox(Disturbance::Tap, field);
            pen.polyline(field, uv, penWidthMM, 1.0, &box);
            marks.push_back(box);
        }
}

void drawSecondTurn(const ChartLayout &L, const SynthChart &chart, double penWidthMM, int hours,
                    CoverageLayer &ink, CoverageLayer &hygroInk)
{
    double hw = 0.5 * penWidthMM * L.dpmm;
    int turn = L.minutes, end = L.minutes + 60 * hours;
    for (int field = 0; field < 2; field++) {
        CoverageLayer &layer = field == 0 ? ink : hygroInk;
        auto at = [&](int m) {
            double v = chart.traceRow(field, m) / L.p;
            return L.fieldToScan(field, L.penU(field, m - turn, v), v);
        };
        Vec2 prev = at(turn);
        for (int m = turn + 1; m <= end; m++) {
            Vec2 cur = at(m);
            layer.stroke(prev, cur, hw, 1.0);
            prev = cur;
        }
    }
}
