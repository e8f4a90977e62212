// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_SYNTHLAYOUT_H
#define VELLORA_SYNTHLAYOUT_H

// Where everything of a synthetic chart lies: paper in the scan, fields on
// the paper, clock time along the fields. Paper coordinates are mm from the
// paper's top-left corner in the scan's orientation (x right, y down); the
// fields' time axis runs upwards.

#include <cmath>
#include <initializer_list>
#include <vector>

#include "chartsynth.h"
#include "synthraster.h"

// How far the pen arc at v lies before the straightened column of its time,
// mm: the arm's tip reaches back by the sagitta on the field's centre line
// and touches the column at the edges of a field of the sagitta's height (the
// arc's centre lies toward later times).
// The cosine of the arc's slope against the value axis goes to *cosine.
inline double penArcOffset(double H, double R, double sagitta, double v, double *cosine = nullptr)
{
    double d = v - 0.5 * H;
    double q = R * R - d * d;
    if (q <= 0) {
        if (cosine) *cosine = 0.0;
        return 0.0;
    }
    q = std::sqrt(q);
    if (cosine) *cosine = q / R;
    return sagitta - (R - q);
}

struct ChartLayout {
    // Field geometry, mm; p is the field images' pixels per mm. H is the
    // temperature field's height, Hh the hygrometer field's; sagitta is the
    // taller field's, against which both fields' arcs are straightened.
    double W, H, D, R, sagitta, p;
    double Hh;
    Params profile;  // the printed scales
    double dpmm;  // scan pixels per mm

    double paperW, paperH;
    double fieldLeft, fieldBottom;  // paper position of the BottomLeft corner

    double cosA, sinA;  // paper turned clockwise on the scan by the angle
    Vec2 paperCentre;   // mm
    Vec2 scanCentre;    // scan pixels of the paper centre
    int scanW, scanH;

    // Time axis: minutes are counted from the trace start.
    int minutes;
    double mmPerHour;
    double startColumnMM;   // straightened column of the trace start
    int startClockMinute;   // minutes after midnight at the trace start
    int startWeekday;       // of the start day, 0 = Monday
    int lineMinutes;        // printed time line spacing
    int firstLineMinute;    // a printed time line, at or before the start

    Vec2 paperToScan(Vec2 paper) const;
    Vec2 scanToPaper(Vec2 scan) const;
    double fieldOffset(int field) const { return field == 0 ? 0.0 : H + D; }
    double height(int field) const { return field == 0 ? H : Hh; }
    Vec2 fieldToPaper(int field, double u, double v) const
    {
        return {fieldLeft + fieldOffset(field) + v, fieldBottom - u};
    }
    Vec2 fieldToScan(int field, double u, double v) const
    {
        return paperToScan(fieldToPaper(field, u, v));
    }
    // Each pen's arm swings about its own field's middle row.
    double arcOffset(int field, double v, double *cosine = nullptr) const
    {
        return penArcOffset(height(field), R, sagitta, v, cosine);
    }
    double columnMM(double minute) const { return startColumnMM + mmPerHour * minute / 60.0; }
    double minuteAtColumn(double columnMM) const
    {
        return (columnMM - startColumnMM) * 60.0 / mmPerHour;
    }
    // The scan pixels [box0, box2) x [box1, box3) that keep margin[0..3] mm
    // beyond the field outlines on the left, top, right and bottom (negative:
    // that side uncut); false when no side is cut.
    bool cropBox(const double marginMM[4], int box[4]) const;
    // Paper u of the pen at a time and value position.
    double penU(int field, double minute, double v) const { return columnMM(minute) - arcOffset(field, v); }
};

// The first of the candidate time spacings (minutes, ascending) that lies at
// least minMM apart on paper at this feed; the last when none does.
int spacingAtLeast(double mmPerHour, std::initializer_list<int> candidates, double minMM);

// SynthOk, or SynthBadOptions when the knobs make no chart.
int makeLayout(const ChartOptions &options, const DateTime &start, Rng &rng, ChartLayout &layout);

// Grows a box in field image coordinates by a stroke given in field
// coordinates (u, v mm) and its width.
void extendBox(const ChartLayout &L, const std::vector<Vec2> &uv, double widthMM, Disturbance &box);

// Strokes given in field coordinates drawn into a layer, each extending a box
// when one is given.
class FieldPen {
public:
    FieldPen(const ChartLayout &layout, CoverageLayer &layer) : L(layout), layer(layer) {}
    void polyline(int field, const std::vector<Vec2> &uv, double widthMM, double alpha,
                  Disturbance *box = nullptr);

private:
    const ChartLayout &L;
    CoverageLayer &layer;
};

// The pen stretches that stay empty (degradation "gaps").
std::vector<PenGap> choosePenGaps(int minutes, Rng &rng);
// The two ink traces, the hygrometer's into its own layer (which may be ink).
void drawTraces(const ChartLayout &L, const SynthChart &chart, double penWidthMM,
                CoverageLayer &ink, CoverageLayer &hygroInk);
// Handwritten date and scribbles, away from the traces.
void drawAnnotations(const ChartLayout &L, const SynthChart &chart, Rng &rng, CoverageLayer &ink,
                     std::vector<Disturbance> &marks);
// Blots and smudges beside the traces.
void drawBlots(const ChartLayout &L, const SynthChart &chart, Rng &rng, CoverageLayer &ink,
               std::vector<Disturbance> &marks);
// Printed scale numbers and day and hour labels.
void drawPrintedLabels(const ChartLayout &L, const double hygroMM[21], CoverageLayer &print);

// Weekday of a date, 0 = Monday.
int weekday(int year, int month, int day);

#endif
