// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_CHARTSYNTH_H
#define VELLORA_CHARTSYNTH_H

// Synthetic thermohygrograph scans for tests, benchmarks and demos.
//
// A chart is drawn from a seed: paper, printed grid, two ink traces drawn as
// pen arcs, optional degradations; it is placed turned by a quarter turn
// (time running upwards) with a small rotation on the scanner bed. Beside the
// image come the file context records the program would hold for it and the
// true temperature and humidity of every minute.
//
// Coordinates. Paper positions in a field are (u, v) in mm: u along the time
// axis from the BottomLeft-BottomRight edge toward TopLeft, v across the field
// from its TopLeft-BottomLeft edge. Field image positions are those of the
// program's cut-out: column = p * (u + arcOffset(v)) (the pen arc straightened),
// row = p * v, p = dstPixelsPerMM. Scan positions are continuous pixel
// coordinates in which scan pixel (X, Y) covers [X-0.5, X+0.5) x [Y-0.5, Y+0.5),
// so its centre is (X, Y); the cut-out samples pixel (trunc(x+0.5), trunc(y+0.5)).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "datetime.h"
#include "filectx.h"
#include "geometry.h"
#include "params.h"

#include "synthhygro.h"

enum class ScanFormat { Tiff, Jpeg, Bmp };

enum SynthResult {
    SynthOk = 0,
    SynthBadOptions = -1,   // a knob out of range, or the trace does not fit the field
    SynthNoMemory = -2,     // the scan image could not be made
    SynthWriteFailed = -3,  // scan, .ctx or truth file not written
};

struct ChartOptions {
    ChartOptions();  // defaults below; params from setParamDefaults

    uint64_t seed;                      // 1
    Params params;                      // chart geometry and printed scales: srcField*, srcHygroFieldHeightMM,
                                        // srcRadiusMM, dstPixelsPerMM, tempScale, tempUnit, hygroScale
    double dpi;                         // 300; 50..1200
    std::optional<double> rotationDeg;  // unset: random within +-maxRotationDeg; > 0 turns clockwise
    double maxRotationDeg;              // 1.5
    double noiseSigma;                  // 0; Gaussian scanner noise in grey levels
    ScanFormat format;                  // Tiff
    int jpegQuality;                    // 90
    int hours;                          // 168; length of the trace, 1..744
    double mmPerHour;                   // 0: chosen so that the trace fills the field; else >= 0.2
    std::optional<DateTime> start;      // unset: chosen by the seed
    int timeStep;                       // 60; the TimeStep record (10 or 60)
    unsigned char inkColor[3];          // params.srcInkColor
    unsigned char hygroInkColor[3];     // the hygrometer pen's when params.hasHygroInkColor, else inkColor
    unsigned char gridColor[3];         // params.dstGridColor
    double penWidthMM;                  // 0.35

    // Degradations, each drawn from its own stream of degradationSeed (0: of
    // seed), so that they vary over one and the same chart.
    uint64_t degradationSeed;
    bool annotations;  // handwritten date and scribbles in the ink colour
    bool blots;        // ink blots and smudges near the traces
    bool gaps;         // stretches where the pens did not write
    bool inkGrid;      // grid printed in a colour close to the ink

    // Scans as an archive hands them over, for the set-up detectors.
    double gridFade = 0;               // 0..0.9: share of the grid's colour faded toward the paper
    double cutMarginMM[4] = {-1, -1, -1, -1};  // left, top, right, bottom: when >= 0 the scan is
                                       // cropped to this much beyond the field outlines there
    bool withContext = true;           // false: no file context, a manifest line instead

    // A chart of the make a parameter file describes: its geometry, scales
    // and both pens' inks.
    void useProfile(const Params &profile);

    // Harder charts, each from its own stream of degradationSeed as well.
    bool longNotes;           // notes 30..40 mm long written 2..15 mm beside a trace
    bool tapMarks;            // pen taps across both traces at a daily time check
    bool fadedInk;            // stretches where the pens ran thin
    int secondTurnHours;      // 0; hours the drum ran on over the start of the chart
    double curlMM;            // 0; paper lifted in a wave, shifting the time axis by up to this
    double passPointErrorPx;  // 0; stored pass points off by this many scan pixels
};

// Slow and daily variations of the true curves.
struct Sinusoid {
    double amplitude;
    double periodMinutes;
    double phase;
};

struct ChartCurves {
    double startClockMinute;  // minutes after midnight at the trace start
    double peakClockMinute;   // time of day of the daily temperature peak
    double tempMean, tempDaily;
    std::vector<Sinusoid> tempSlow;
    double humMean, humDaily, humFromTemp;
    std::vector<Sinusoid> humSlow;

    // Minutes since the trace start.
    double temperature(double minute) const;  // degrees Celsius
    double humidity(double minute) const;     // percent
};

// A stretch without ink, minutes since the trace start.
struct PenGap {
    double startMinute, endMinute;
};

// Where a degradation was drawn: a box in field image coordinates.
struct Disturbance {
    enum Kind { Annotation, Blot, Smudge, Note, Tap } kind;
    int field;
    double x0, y0, x1, y1;
};

struct PixbufUnref {
    void operator()(GdkPixbuf *p) const { g_object_unref(p); }
};
typedef std::unique_ptr<GdkPixbuf, PixbufUnref> PixbufPtr;

class SynthChart {
public:
    SynthChart();
    ~SynthChart();
    SynthChart(SynthChart &&) noexcept;
    SynthChart &operator=(SynthChart &&) noexcept;

    PixbufPtr scan;            // RGB, 8 bits, no alpha
    Params params;             // geometry it was drawn for
    Vec2 pass[3];              // TopLeft, BottomLeft, BottomRight (scan pixels)
    int datePos[2];            // field image columns of the trace's start and end
    DateTime dateVal[2];       // start and end of the trace
    int curveColor[3];         // the ink colour
    int curveColorHygro[3];    // the hygrometer pen's ink colour
    int timeStep;
    int minutes;               // trace length: dateVal[0] + minutes = dateVal[1]
    double mmPerHour;
    double rotationDeg;        // > 0: turned clockwise on the scan
    double scanPixelsPerMM;
    double startColumnMM;      // straightened column of the trace start, mm
    ChartCurves curves;
    std::vector<PenGap> gaps;
    std::vector<Disturbance> disturbances;
    std::vector<PenGap> fades;  // stretches of thin ink

    // Truth, temperatures in the chart's unit (tempUnit); NaN outside the trace.
    double temperatureAt(const DateTime &t) const;
    double humidityAt(const DateTime &t) const;
    double temperatureAtMinute(double minute) const;
    double humidityAtMinute(double minute) const;
    // Minutes from dateVal[0] to t.
    int minuteOf(const DateTime &t) const;

    // Field image geometry of the program's cut-out.
    double columnAt(double minute) const;      // trace column
    double temperatureRow(double value) const;  // in the chart's unit
    double humidityRow(double percent) const;  // through the hygrometer scale
    double traceRow(int field, double minute) const;

    // "YYYY-MM-DD HH:MM\t<T>\t<h>\n" for every minute of the trace.
    std::string truthText() const;
    // Pass1..3, DatePos1..2, DateVal1..2, TimeStep, CurveColor, and
    // CurveColorHygro when the pens' inks differ.
    void storeRecords(FileCtx &ctx) const;
    // "scan,YYYY-MM-DDTHH:MM,YYYY-MM-DDTHH:MM\n": the trace's start and end
    // for a manifest.
    std::string manifestLine(const std::string &scan) const;

    // The hygrometer scale the humidity rows follow (offset 0).
    const PrintedHygroScale &hygroScale() const { return hygro; }
    void setHygroScale(const PrintedHygroScale &scale) { hygro = scale; }

private:
    double chartTemperature(double celsius) const;

    PrintedHygroScale hygro;
};

// Draws the chart; SynthOk or SynthBadOptions / SynthNoMemory.
int renderChart(const ChartOptions &options, SynthChart &out);

// Renders and writes the scan to scanPath, its file context to
// scanPath + ".ctx" (or, without context, the header "scan,start,end" and its
// manifest line to scanPath + ".manifest.csv"), the truth table to
// scanPath + ".truth.tsv" and the parameter file of its make to
// scanPath + ".ini". The chart is left in *out when given.
int writeChart(const ChartOptions &options, const std::string &scanPath, SynthChart *out = nullptr);

// gdk_pixbuf_save in the format; 0 or -1.
int saveScan(const GdkPixbuf *scan, const std::string &path, ScanFormat format, int jpegQuality);

// "tif"/"tiff", "jpg"/"jpeg", "bmp" (any case) to a format; false otherwise.
bool parseScanFormat(const std::string &name, ScanFormat &format);

#endif
