// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "handlers.h"
#include "tablefile.h"
#include "valuescale.h"
#include "ui.h"
#include "zoom.h"

// The two field views: the cut-out image with the ink extent, search windows,
// marks, hand-drawn rows, fitted curve and table drawn over it. Everything is
// drawn here, in the expose handlers; the rest of the program changes state
// and invalidates the views (whole ones or column strips). Only a pen stroke
// also draws its bars at once, so that the pointer does not run ahead of them.

namespace {

const GdkColor kYellow = {0, 0xFFFF, 0xFFFF, 0x0000};
const GdkColor kMagenta = {0, 0xFFFF, 0x0000, 0xFFFF};
const GdkColor kOlive = {0, 0xAAAA, 0xAAAA, 0x0000};
const GdkColor kGreen = {0, 0x0000, 0xFFFF, 0x0000};
const GdkColor kRed = {0, 0xFFFF, 0x0000, 0x0000};
const GdkColor kBlue = {0, 0x0000, 0x0000, 0xFFFF};
const GdkColor kGrid = {0, 0xA000, 0xA000, 0x0000};
const GdkColor kNoon = {0, 0xD000, 0xD000, 0x0000};
const GdkColor kBlack = {0, 0x0000, 0x0000, 0x0000};
const GdkColor kWhite = {0, 0xFFFF, 0xFFFF, 0xFFFF};

const int kMinCurveKnots = 6;
// The length of GDK's default dash pattern (4 on, 4 off): a dashed line that
// starts a whole number of patterns later has the same dashes.
const int kDashPeriod = 8;
// Pixels beside its end points that a line up to 5 wide can touch.
const int kLineReach = 3;
// How far left and right of its column a row's cross and rotated label can
// reach, beyond the label's line height.
const int kRowReachLeft = 7;
const int kRowReachRight = 8;
// Where the scale labels start.
const int kAxisLabelX = 10;

// The exposed area, widened by what a line can reach. Whatever lies wholly
// outside is left out rather than drawn and clipped, so that the strip a
// stroke invalidates, or the part of a view that its viewport shows, is
// redrawn quickly; what is drawn inside comes out the same.
struct Exposed {
    int first, last;   // columns
    int top, bottom;   // rows

    explicit Exposed(const GdkRectangle &area)
        : first(area.x - kLineReach), last(area.x + area.width - 1 + kLineReach),
          top(area.y - kLineReach), bottom(area.y + area.height - 1 + kLineReach) {}
    bool touch(int x0, int x1) const { return MAX(x0, x1) >= first && MIN(x0, x1) <= last; }
    bool touchRows(int y0, int y1) const { return MAX(y0, y1) >= top && MIN(y0, y1) <= bottom; }
};

void setColor(GdkGC *gc, const GdkColor &color)
{
    gdk_gc_set_rgb_fg_color(gc, &color);
}

// A computed position to a pixel: add 0.5, cut toward zero.
int toPixel(double v)
{
    return static_cast<int>(v + 0.5);
}


// The part of a line from p0 to p1 along one axis (GDK_CAP_NOT_LAST leaves
// p1 out) that reaches from lo to hi: a dashed line keeps its dashes, as its
// start moves by whole patterns.
void clipAlong(int *p0, int *p1, int lo, int hi)
{
    if (*p0 < *p1) {
        if (*p0 < lo)
            *p0 += (lo - *p0) / kDashPeriod * kDashPeriod;
        *p1 = MIN(*p1, hi + 1);
    } else if (*p0 > *p1) {
        if (*p0 > hi)
            *p0 -= (*p0 - hi) / kDashPeriod * kDashPeriod;
        *p1 = MAX(*p1, lo - 1);
    }
}

// A horizontal line from x0 to x1 in row y, as far as it is exposed.
void drawRowLine(GdkDrawable *d, GdkGC *gc, int x0, int x1, int y, const Exposed &ex)
{
    if (!ex.touch(x0, x1) || !ex.touchRows(y, y))
        return;
    clipAlong(&x0, &x1, ex.first, ex.last);
    gdk_draw_line(d, gc, x0, y, x1, y);
}

// A vertical line from y0 to y1 in column x, as far as it is exposed.
void drawColumnLine(GdkDrawable *d, GdkGC *gc, int x, int y0, int y1, const Exposed &ex)
{
    if (!ex.touch(x, x) || !ex.touchRows(y0, y1))
        return;
    clipAlong(&y0, &y1, ex.top, ex.bottom);
    gdk_draw_line(d, gc, x, y0, x, y1);
}

void copyImage(GdkDrawable *d, GdkGC *gc, GdkPixbuf *image, const GdkRectangle &area)
{
    GdkRectangle whole = {0, 0, gdk_pixbuf_get_width(image), gdk_pixbuf_get_height(image)};
    GdkRectangle part;
    if (!gdk_rectangle_intersect(&area, &whole, &part))
        return;
    gdk_draw_pixbuf(d, gc, image, part.x, part.y, part.x, part.y, part.width, part.height,
                    GDK_RGB_DITHER_NORMAL, part.x, part.y);
}

// First and last ink rows as two solid polylines, each column's extent as a
// dashed bar; a column without ink breaks both polylines.
void drawInkExtent(GdkDrawable *d, GdkGC *gc, const SpanArray &span, const GdkRectangle &area,
                   int pw)
{
    const int first = MAX(area.x - 1, 0);
    const int last = MIN(area.x + area.width, pw - 1);
    int prev = first;
    for (int x = first; x <= last; ++x) {
        const int bot = span.getBot(x), top = span.getTop(x);
        setGCLine(gc, kGreen, 3, GDK_LINE_SOLID);
        if (span.getBot(prev) >= 0 && bot >= 0)
            gdk_draw_line(d, gc, prev, span.getBot(prev), x, bot);
        if (span.getTop(prev) >= 0 && top >= 0)
            gdk_draw_line(d, gc, prev, span.getTop(prev), x, top);
        if (bot >= 0 && top >= 0) {
            setGCLine(gc, kGreen, 3, GDK_LINE_ON_OFF_DASH);
            gdk_draw_line(d, gc, x, bot, x, top);
        }
        prev = x;
    }
}

// One edge of the search windows as polylines through the exposed columns
// that have it, so that the trace and the grid inside and outside stay
// visible; a run ends one column further right, so a lone column shows too.
void drawWindowEdge(GdkDrawable *d, GdkGC *gc, const SpanArray &span, bool upper,
                    const Exposed &ex)
{
    std::vector<GdkPoint> run;
    auto flush = [&] {
        if (!run.empty()) {
            run.push_back(GdkPoint{static_cast<gint>(run.back().x + 1), run.back().y});
            gdk_draw_lines(d, gc, run.data(), static_cast<int>(run.size()));
        }
        run.clear();
    };
    const int first = MAX(ex.first, 0), last = MIN(ex.last, span.size() - 1);
    for (int x = first; x <= last; ++x) {
        const int row = upper ? span.getBot(x) : span.getTop(x);
        if (row == -1)
            flush();
        else
            run.push_back(GdkPoint{x, row});
    }
    flush();
}

void drawSearchWindow(GdkDrawable *d, GdkGC *gc, const SpanArray &span, const Exposed &ex)
{
    setGCLine(gc, kMagenta, 2, GDK_LINE_SOLID);
    drawWindowEdge(d, gc, span, true, ex);
    setGCLine(gc, kOlive, 2, GDK_LINE_SOLID);
    drawWindowEdge(d, gc, span, false, ex);
}

// Hatching left of the start mark and right of the end mark, and the two
// thick mark lines beside (not on) the marked columns.
// Marks of another geometry (or a damaged record not yet brought onto the
// field) are drawn at the field's edge rather than overflowing the arithmetic.
void drawMarks(GdkDrawable *d, GdkGC *gc, int s, int e, int pw, int ph, const Exposed &ex)
{
    s = CLAMP(s, -1, pw);
    e = CLAMP(e, -1, pw);
    setGCLine(gc, kYellow, 1, GDK_LINE_ON_OFF_DASH);
    for (int y = 0; y < ph; y += 3) {
        drawRowLine(d, gc, 0, s, y, ex);
        drawRowLine(d, gc, e, pw - 1, y, ex);
    }
    const int half = 5 / 2;
    setGCLine(gc, kYellow, 5, GDK_LINE_ON_OFF_DASH);
    drawColumnLine(d, gc, s - half, 0, ph - 1, ex);
    drawColumnLine(d, gc, e + half, 0, ph - 1, ex);
}

void drawHandRows(GdkDrawable *d, GdkGC *gc, const int *drawPos, int pw, const Exposed &ex)
{
    setGCLine(gc, kRed, 3, GDK_LINE_SOLID);
    for (int x = MAX(ex.first, 0); x <= ex.last && x < pw; ++x) {
        if (drawPos[x] != -1)
            drawColumnLine(d, gc, x, drawPos[x] - 2, drawPos[x] + 2, ex);
    }
}

bool curveShown(const MainCtx *ctx, const FieldResult &result)
{
    return ctx->showCurve && result.curve && result.fitStatus == 0 &&
           result.knotCount >= kMinCurveKnots;
}

// Each column joins the curve's row there to the one of the column before;
// the first column, s, only to itself.
void drawCurve(GdkDrawable *d, GdkGC *gc, const SplineCurve &curve, int s, int e,
               const Exposed &ex)
{
    setGCLine(gc, kBlue, 3, GDK_LINE_SOLID);
    const int from = MAX(s, ex.first), to = MIN(e, ex.last);
    int prevX = from > s ? from - 1 : s;
    int prevY = toPixel(curve.value(prevX));
    for (int x = from; x <= to; ++x) {
        const int y = toPixel(curve.value(x));
        if (ex.touchRows(prevY, y))
            gdk_draw_line(d, gc, prevX, prevY, x, y);
        prevX = x;
        prevY = y;
    }
}

// ---- labels ----------------------------------------------------------------

// The ink extent of text in the font, lines stacked, in pixels.
PangoRectangle inkExtent(GdkDrawable *d, const PangoFontDescription *font, const char *text)
{
    PangoContext *context = gdk_pango_context_get_for_screen(gdk_drawable_get_screen(d));
    PangoLayout *layout = pango_layout_new(context);
    pango_layout_set_font_description(layout, font);
    pango_layout_set_text(layout, text, -1);
    PangoRectangle ink, logical;
    pango_layout_get_pixel_extents(layout, &ink, &logical);
    g_object_unref(layout);
    g_object_unref(context);
    return ink;
}

// ---- table overlay -----------------------------------------------------------

// The scale's rows and labels of a field.
struct ScaleLine {
    int row;
    char label[16];
};

// The values the chart prints: its temperature scale's ends, or its
// humidity scale's first and last pair (0 .. 100 % on the standard chart).
void printedRange(const Params &params, int field, double *lo, double *hi)
{
    if (field == SubImgTemp) {
        *lo = std::min(params.tempScale[0], params.tempScale[1]);
        *hi = std::max(params.tempScale[0], params.tempScale[1]);
    } else if (params.hygroPairCount > 0) {
        const double *p = params.hygroPercent;
        *lo = std::min(p[0], p[params.hygroPairCount - 1]);
        *hi = std::max(p[0], p[params.hygroPairCount - 1]);
    } else {
        *lo = 0.0;
        *hi = 100.0;
    }
}

// A grid line every 5 units of the printed scale, as the chart's own grid.
std::vector<ScaleLine> scaleLines(MainCtx *ctx, int field)
{
    const Params &params = *ctx->params;
    const ValueScales scales(params, ctx->settings.addValue);
    double lo, hi;
    printedRange(params, field, &lo, &hi);
    const char unit = params.tempUnit == TempFahrenheit ? 'F' : 'C';
    std::vector<ScaleLine> lines;
    for (int v = static_cast<int>(std::ceil(lo / 5.0)) * 5; v <= hi; v += 5) {
        ScaleLine line;
        line.row = toPixel(scales.mmOf(field, v) * params.dstPixelsPerMM);
        if (field == SubImgTemp)
            std::snprintf(line.label, sizeof line.label, "%+2d %c", v, unit);
        else
            std::snprintf(line.label, sizeof line.label, "%3d %%", v);
        lines.push_back(line);
    }
    return lines;
}

// Whether any scale label reaches into the columns: all of them start at
// the same x, so the widest decides.
bool scaleLabelsExposed(MainCtx *ctx, GdkDrawable *d, const std::vector<ScaleLine> &lines,
                        const Exposed &ex)
{
    if (ex.first <= kAxisLabelX)
        return true;
    std::string all;
    for (const ScaleLine &line : lines)
        all += std::string(line.label) + "\n";
    const PangoRectangle ink = inkExtent(d, ctx->fontMedium, all.c_str());
    return kAxisLabelX + ink.x + ink.width >= ex.first;
}

void drawScaleGrid(MainCtx *ctx, GdkDrawable *d, GdkGC *gc, int field, int pw, const Exposed &ex)
{
    const std::vector<ScaleLine> lines = scaleLines(ctx, field);
    const bool labels = scaleLabelsExposed(ctx, d, lines, ex);
    for (const ScaleLine &line : lines) {
        setColor(gc, kGrid);
        drawRowLine(d, gc, 0, pw, line.row, ex);
        if (!labels)
            continue;
        setColor(gc, kBlack);
        drawAxisLabel(ctx, d, gc, kAxisLabelX, line.row, line.label);
    }
}

bool datedRow(const TableRow &row, int i, int count)
{
    return i == 0 || i == count - 1 || (row.minute == 0 && row.hour % 6 == 0);
}

void drawDayLine(GdkDrawable *d, GdkGC *gc, const GdkColor &color, int x, int ph,
                 const Exposed &ex)
{
    setGCLine(gc, color, 3, GDK_LINE_ON_OFF_DASH);
    drawColumnLine(d, gc, x, 0, ph, ex);
}

void drawCross(GdkDrawable *d, GdkGC *gc, int x, int y, int from, int to)
{
    gdk_draw_line(d, gc, x + from, y, x + to, y);
    gdk_draw_line(d, gc, x, y + from, x, y + to);
}

void drawTableRow(MainCtx *ctx, GdkDrawable *d, GdkGC *gc, int field, int i, int ph,
                  const Exposed &ex)
{
    const std::vector<TableRow> &rows = ctx->fields[field].rows;
    const TableRow &row = rows[i];
    std::string label = valueLabel(field, row.value);
    if (datedRow(row, i, static_cast<int>(rows.size())))
        label += "   " + dateLabel(ctx->settings.timeStep, row);

    if (row.hour == 0 && row.minute == 0)
        drawDayLine(d, gc, kGrid, row.x, ph, ex);
    if (row.hour == 12 && row.minute == 0)
        drawDayLine(d, gc, kNoon, row.x, ph, ex);
    if (row.minute != 0) {
        setGCLine(gc, kBlack, 1, GDK_LINE_SOLID);
        drawCross(d, gc, row.x, row.y, -2, 2);
        return;
    }
    setGCLine(gc, kBlack, 3, GDK_LINE_SOLID);
    drawCross(d, gc, row.x, row.y, -5, 6);
    setGCLine(gc, kWhite, 1, GDK_LINE_SOLID);
    drawCross(d, gc, row.x, row.y, -4, 5);
    setColor(gc, kBlack);
    drawRowLabel(ctx, d, gc, row.x, row.y - 30, label.c_str());
}

// Whether a row's lines, cross or turned label can reach into the columns.
// A turned label is as wide as a line of its text is high.
bool rowExposed(const TableRow &row, int labelWidth, const Exposed &ex)
{
    return ex.touch(row.x - kRowReachLeft, row.x + kRowReachRight + labelWidth);
}

void drawTableOverlay(GdkDrawable *d, GdkGC *gc, MainCtx *ctx, int field, int pw, int ph,
                      const Exposed &ex)
{
    const std::vector<TableRow> &rows = ctx->fields[field].rows;
    if (rows.empty())
        return;
    setGCLine(gc, kGrid, 3, GDK_LINE_ON_OFF_DASH);
    drawScaleGrid(ctx, d, gc, field, pw, ex);

    PangoRectangle line = inkExtent(d, ctx->fontSmall, "+0123456789.");
    const int labelWidth = line.y + line.height;
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        if (rowExposed(rows[i], labelWidth, ex))
            drawTableRow(ctx, d, gc, field, i, ph, ex);
    }
}

// The image pixels an exposed widget area shows, within the image.
GdkRectangle imageAreaShown(const GdkRectangle &area, double scale, int pw, int ph)
{
    const int x0 = MAX(pixelUnder(area.x, scale), 0);
    const int y0 = MAX(pixelUnder(area.y, scale), 0);
    const int x1 = MIN(pixelUnder(area.x + area.width - 1, scale), pw - 1);
    const int y1 = MIN(pixelUnder(area.y + area.height - 1, scale), ph - 1);
    return GdkRectangle{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

GdkPixmap *fieldPixmap(MainCtx *ctx, GtkWidget *widget, int field, int pw, int ph)
{
    GdkPixmap *&pixmap = ctx->fieldPixmap[field];
    int w = 0, h = 0;
    if (pixmap)
        gdk_drawable_get_size(pixmap, &w, &h);
    if (!pixmap || w != pw || h != ph) {
        if (pixmap)
            g_object_unref(pixmap);
        pixmap = gdk_pixmap_new(widget->window, pw, ph, -1);
    }
    return pixmap;
}

// Zoomed, the field is drawn at image scale as always and the part shown is
// scaled: every overlay keeps its one drawing code.
void drawZoomedField(GtkWidget *widget, MainCtx *ctx, int field, const GdkRectangle &area)
{
    GdkPixbuf *image = ctx->fields[field].pixbuf;
    if (!image)
        return;
    const double scale = ctx->fieldZoom;
    const int pw = gdk_pixbuf_get_width(image), ph = gdk_pixbuf_get_height(image);
    const GdkRectangle shown = imageAreaShown(area, scale, pw, ph);
    if (shown.width <= 0 || shown.height <= 0)
        return;
    GdkPixmap *pixmap = fieldPixmap(ctx, widget, field, pw, ph);
    drawFieldArea(pixmap, ctx, field, shown);
    GdkPixbuf *part = gdk_pixbuf_get_from_drawable(nullptr, pixmap, nullptr, shown.x, shown.y, 0, 0,
                                                   shown.width, shown.height);
    GdkPixbuf *scaled = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, area.width, area.height);
    if (part && scaled) {
        gdk_pixbuf_fill(scaled, 0xffffffff);
        const int w = MIN(area.width, zoomedSize(shown.x + shown.width, scale) - area.x);
        const int h = MIN(area.height, zoomedSize(shown.y + shown.height, scale) - area.y);
        if (w > 0 && h > 0)
            gdk_pixbuf_scale(part, scaled, 0, 0, w, h, shown.x * scale - area.x,
                             shown.y * scale - area.y, scale, scale,
                             zoomInterpolation(scale));
        gdk_draw_pixbuf(widget->window, nullptr, scaled, 0, 0, area.x, area.y, area.width,
                        area.height, GDK_RGB_DITHER_NORMAL, 0, 0);
    }
    if (part)
        g_object_unref(part);
    if (scaled)
        g_object_unref(scaled);
}

} // namespace

gboolean on_imgtemp_expose_event(GtkWidget *widget, GdkEventExpose *event, gpointer user)
{
    trace("on_imgtemp_expose_event\n");
    drawFieldView(widget, event, mainCtxOf(user), SubImgTemp);
    return TRUE;
}

gboolean on_imghygro_expose_event(GtkWidget *widget, GdkEventExpose *event, gpointer user)
{
    trace("on_imghygro_expose_event\n");
    drawFieldView(widget, event, mainCtxOf(user), SubImgHygro);
    return TRUE;
}

void drawFieldView(GtkWidget *widget, GdkEventExpose *event, MainCtx *ctx, int field)
{
    if (ctx->fieldZoom == 1.0)
        drawFieldArea(widget->window, ctx, field, event->area);
    else
        drawZoomedField(widget, ctx, field, event->area);
}

void drawFieldArea(GdkDrawable *d, MainCtx *ctx, int field, const GdkRectangle &area)
{
    const FieldResult &result = ctx->fields[field];
    const FieldSettings &hand = ctx->settings.fields[field];
    if (!result.pixbuf)
        return;
    const int pw = gdk_pixbuf_get_width(result.pixbuf);
    const int ph = gdk_pixbuf_get_height(result.pixbuf);
    const int s = ctx->settings.datePos[0], e = ctx->settings.datePos[1];
    GdkGC *gc = gdk_gc_new(d);
    if (!gc)
        return;
    copyImage(d, gc, result.pixbuf, area);
    if (ctx->showContrast && result.contrastSpan.size() == pw)
        drawInkExtent(d, gc, result.contrastSpan, area, pw);
    const Exposed ex(area);
    drawSearchWindow(d, gc, hand.windows, ex);
    drawMarks(d, gc, s, e, pw, ph, ex);
    if (static_cast<int>(hand.drawPos.size()) == pw)
        drawHandRows(d, gc, hand.drawPos.data(), pw, ex);
    if (curveShown(ctx, result))
        drawCurve(d, gc, *result.curve, s, e, ex);
    if (ctx->showTable)
        drawTableOverlay(d, gc, ctx, field, pw, ph, ex);
    drawSuspectBands(d, gc, ctx, field, area);
    g_object_unref(gc);
}

void drawAxisLabel(MainCtx *ctx, GdkDrawable *d, GdkGC *gc, int x, int y, const char *text)
{
    drawLabel(d, gc, ctx->fontMedium, x, y - 10, false, text);
}

void drawRowLabel(MainCtx *ctx, GdkDrawable *d, GdkGC *gc, int x, int y, const char *text)
{
    drawLabel(d, gc, ctx->fontSmall, x - 5, y, true, text);
}

void setGCLine(GdkGC *gc, const GdkColor &color, int width, GdkLineStyle style)
{
    gdk_gc_set_rgb_fg_color(gc, &color);
    gdk_gc_set_line_attributes(gc, width, style, GDK_CAP_NOT_LAST, GDK_JOIN_MITER);
}

// Draws text through the screen's GDK Pango renderer with a matrix that
// translates to (x, y) and, when turned, rotates by 90 degrees first.
void drawLabel(GdkDrawable *d, GdkGC *gc, const PangoFontDescription *font, double x, double y,
               bool turned, const char *text)
{
    GdkScreen *screen = gdk_drawable_get_screen(d);
    PangoRenderer *renderer = gdk_pango_renderer_get_default(screen);
    GdkPangoRenderer *gdkRenderer = GDK_PANGO_RENDERER(renderer);
    gdk_pango_renderer_set_drawable(gdkRenderer, d);
    gdk_pango_renderer_set_gc(gdkRenderer, gc);

    PangoContext *context = gdk_pango_context_get_for_screen(screen);
    PangoLayout *layout = pango_layout_new(context);
    pango_layout_set_text(layout, text, -1);
    pango_layout_set_font_description(layout, font);
    PangoMatrix matrix = PANGO_MATRIX_INIT;
    pango_matrix_translate(&matrix, x, y);
    if (turned)
        pango_matrix_rotate(&matrix, 90.0);
    pango_context_set_matrix(context, &matrix);
    pango_layout_context_changed(layout);
    pango_renderer_draw_layout(renderer, layout, 0, 0);

    gdk_pango_renderer_set_drawable(gdkRenderer, nullptr);
    gdk_pango_renderer_set_gc(gdkRenderer, nullptr);
    g_object_unref(layout);
    g_object_unref(context);
}
