// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>

#include <gdk/gdkkeysyms.h>

#include "evalchart.h"
#include "handlers.h"
#include "synth_fixtures.h"

// The field views: overlays where they belong, nothing before a cut-out, and
// strips redrawn as the whole view shows them.

using namespace evalchart;

namespace {

const Rgb kYellow{255, 255, 0}, kMagenta{255, 0, 255}, kOlive{170, 170, 0}, kGreen{0, 255, 0},
    kRed{255, 0, 0}, kBlue{0, 0, 255}, kGrid{160, 160, 0}, kBlack{0, 0, 0}, kWhite{255, 255, 255};

// At least `least` pixels of colour c in columns x0..x1, rows y0..y1; none when 0.
struct Region { int x0, x1, y0, y1; Rgb c; int least; };

// Each region of image pixels, every one a square of zoom x zoom in the view.
void expectRegions(const Grab &view, std::initializer_list<Region> regions, int zoom = 1)
{
    for (const Region &image : regions) {
        const Region r{image.x0 * zoom, image.x1 * zoom + zoom - 1, image.y0 * zoom,
                       image.y1 * zoom + zoom - 1, image.c, image.least * zoom * zoom};
        const int count = view.count(r.x0, r.x1, r.y0, r.y1, r.c);
        EXPECT_EQ(r.least ? std::min(count, r.least) : count, r.least)
            << "in " << r.x0 << ".." << r.x1 << " x " << r.y0 << ".." << r.y1;
    }
}

const int kStart = 100, kEnd = 480, kRight = kFieldWidth - 1, kBottom = kFieldHeight - 1;

class FieldViewTest : public EvalTest {
protected:
    void SetUp() override
    {
        evaluate(false);
        ctx->settings.datePos[0] = kStart;
        ctx->settings.datePos[1] = kEnd;
    }
};

// At any zoom, both views show every image pixel as a square of the scale.
TEST_F(FieldViewTest, OverlaysLieInTheirColoursWhereTheyBelongAtAnyZoom)
{
    SpanArray &limit = ctx->settings.fields[SubImgTemp].windows;
    limit.setBot(205, 50);
    limit.setTop(205, 120);
    limit.setBot(300, 40);  // only the upper edge
    ctx->settings.fields[SubImgHygro].drawPos[300] = 20;
    setToggle(ctx->widShowContrast, true);
    setToggle(ctx->widShowCurve, true);
    for (int zoom : {1, 2}) {
        setZoom(ctx, FieldZoom, zoom, view(SubImgTemp), -1, -1);
        runPending();
        expectRegions(Grab(view(SubImgTemp)), {
            // Search windows: a magenta upper and an olive lower edge, the rest
            // of the column (the trace at row 82) left as it is.
            {205, 205, 49, 51, kMagenta, 1}, {205, 205, 0, 47, kMagenta, 0},
            {205, 205, 53, kBottom, kMagenta, 0}, {205, 205, 119, 121, kOlive, 1},
            {205, 205, 0, 117, kOlive, 0}, {300, 300, 39, 41, kMagenta, 1},
            {300, 300, 0, kBottom, kOlive, 0}, {150, 204, 0, kBottom, kMagenta, 0},
            // Hatching outside the marks, dashed mark lines five wide beside them.
            {50, 57, 0, 3, kYellow, 1}, {kStart + 1, kEnd - 1, 0, kBottom, kYellow, 0},
            {kStart - 4, kStart - 4, 0, kBottom, kYellow, 70}, {kEnd + 4, kEnd + 4, 0, kBottom, kYellow, 70},
            // The ink extent starts at the ink's first row; the curve lies between the marks.
            {300, 300, 0, kTempRow - 3, kGreen, 0}, {300, 300, kTempRow - 2, kTempRow - 2, kGreen, 1},
            {0, kStart - 3, 0, kBottom, kBlue, 0}, {kEnd + 2, kRight, 0, kBottom, kBlue, 0},
            {300, 300, kTempRow, kTempRow, kBlue, 1}, {0, kRight, 0, kBottom, kRed, 0}}, zoom);
        // A hand-drawn point: rows d - 2 .. d + 1 across its column only.
        expectRegions(Grab(view(SubImgHygro)),
                      {{300, 300, 18, 21, kRed, 4}, {300, 300, 23, 23, kRed, 0}, {0, 298, 0, kBottom, kRed, 0}}, zoom);
    }
}

// The views scroll together along time unless separated; + zooms both; a
// click in the overview brings that column into the middle of both.
TEST_F(FieldViewTest, ViewsScrollTogetherAndTheOverviewJumps)
{
    GtkAdjustment *temp = scrollOf(view(SubImgTemp), true), *hygro = scrollOf(view(SubImgHygro), true);
    pressKey(ctx, GDK_plus);
    gint width = 0;
    gtk_widget_get_size_request(view(SubImgHygro), &width, nullptr);
    EXPECT_GT(width, kFieldWidth) << "the other view zoomed too";
    setZoom(ctx, FieldZoom, 2.0, view(SubImgTemp), -1, -1);
    runPending();
    ASSERT_GT(temp->upper - temp->page_size, 200);
    gtk_adjustment_set_value(temp, 120);
    EXPECT_EQ(hygro->value, 120);
    setToggle(ctx->widScrollTogether, false);
    gtk_adjustment_set_value(temp, 60);
    EXPECT_EQ(hygro->value, 120);
    setToggle(ctx->widScrollTogether, true);

    // The overview is 240 pixels wide for the whole field: x 120 is column 293.5.
    click(ctx->widOverview, 120, 5);
    EXPECT_NEAR(temp->value + temp->page_size / 2, 2 * 293.5, 1.0);
    EXPECT_NEAR(hygro->value, temp->value, 1.0);
}

TEST_F(FieldViewTest, ScaleGridAndHourCrosses)
{
    ctx->settings.dateVal[0].setDateTime(2000, 1, 1, 23, 0);
    ctx->settings.dateVal[1].setDateTime(2000, 1, 2, 1, 0);
    setToggle(ctx->widShowCurve, true);
    setToggle(ctx->widShowTable, true);
    const std::vector<TableRow> &rows = ctx->fields[SubImgTemp].rows;
    ASSERT_EQ(rows.size(), 3u);
    // +45 C on the first row, +40 C ten rows below (5 C = 5.125 mm).
    Grab hourly(view(SubImgTemp));
    expectRegions(hourly, {{150, 250, 0, 1, kGrid, 20}, {150, 250, 3, 5, kGrid, 0}, {150, 250, 10, 10, kGrid, 20}});
    // Full hours: a white cross on a black one.
    for (const TableRow &row : rows) {
        const int x = row.x, y = row.y;
        expectRegions(hourly, {{x + 2, x + 2, y, y, kWhite, 1}, {x, x, y + 2, y + 2, kWhite, 1},
                               {x + 2, x + 2, y - 1, y - 1, kBlack, 1}, {x - 1, x - 1, y + 2, y + 2, kBlack, 1}});
    }
    // 2 C more put +45 C 2/80 of the 82 mm field lower: trunc(4.1 + 0.5).
    setSpin(ctx->widAddTemp, 2.0);
    expectRegions(Grab(view(SubImgTemp)), {{150, 250, 0, 1, kGrid, 0}, {150, 250, 4, 4, kGrid, 20}});
}

TEST_F(EvalTest, NothingIsDrawnBeforeACutOut)
{
    ASSERT_NO_FATAL_FAILURE(start());
    g_signal_handlers_block_by_func(ctx->widMainNoteBook,
                                    reinterpret_cast<gpointer>(on_mainnotebook_switch_page), ctx);
    for (const SubImgData &sub : ctx->subImgData)
        gtk_widget_set_size_request(sub.widget, 120, 60);
    ctx->settings.datePos[0] = 10;
    ctx->settings.datePos[1] = 100;
    ctx->showContrast = ctx->showCurve = ctx->showTable = 1;
    showPage(EvaluationPage);
    for (const SubImgData &sub : ctx->subImgData) {
        Grab image(sub.widget);
        const guchar *bg = pixelAddress(image.image, 0, 0);
        expectRegions(image, {{0, 119, 0, 59, Rgb{bg[0], bg[1], bg[2]}, 120 * 60}});
    }
}

// Blackens columns x .. x + width - 1 page by page down the view, lets them be
// redrawn and counts the pixels unlike the whole view's, but for inset columns
// on each side.
int stripDifference(GtkWidget *view, const Grab &whole, int x, int width, int inset = 0)
{
    GtkAdjustment *rows = scrollOf(view, false);
    int differ = 0;
    for (int top = 0; top < gdk_pixbuf_get_height(whole.image); top += int(rows->page_size)) {
        gtk_adjustment_set_value(rows, MIN(top, rows->upper - rows->page_size));
        gtk_adjustment_set_value(scrollOf(view, true), x - 200);
        runPending();
        const GdkRectangle r = {x, int(rows->value), width, int(rows->page_size)};
        gdk_draw_rectangle(view->window, view->style->black_gc, TRUE, x, r.y, width, r.height);
        gdk_window_invalidate_rect(view->window, &r, FALSE);
        gdk_window_process_updates(view->window, FALSE);
        gdk_display_sync(gdk_display_get_default());
        GdkPixbuf *shown = gdk_pixbuf_get_from_drawable(nullptr, view->window, nullptr, x, r.y, 0, 0,
                                                        width, r.height);
        for (int dx = inset; dx < width - inset; ++dx) {
            for (int dy = 0; dy < r.height; ++dy) {
                const guchar *p = pixelAddress(shown, dx, dy);
                differ += !std::equal(p, p + 3, pixelAddress(whole.image, x + dx, r.y + dy));
            }
        }
        g_object_unref(shown);
    }
    return differ;
}

// A week's chart with every overlay on: a strip redrawn alone shows what the
// whole view shows. Windows and ink extent are drawn for the exposed columns
// only, so with ink a strip's edge columns are left out.
TEST_F(EvalTest, StripsShowWhatTheWholeViewShows)
{
    ASSERT_NO_FATAL_FAILURE(start(""));
    const MadeChart made = makeChart(appDir(), quickChartOptions(5));
    ASSERT_EQ(made.result, SynthOk);
    loadImage(ctx, made.scan.c_str());
    showPage(EvaluationPage);
    on_autowindows_clicked(nullptr, ctx);
    GtkWidget *temp = view(SubImgTemp);
    const std::vector<TableRow> &rows = ctx->fields[SubImgTemp].rows;
    for (int x = 1000; x < 1100; ++x)
        ctx->settings.fields[SubImgTemp].drawPos[x] = 300;
    for (GtkWidget *toggle : {ctx->widShowContrast, ctx->widShowCurve, ctx->widShowTable})
        setToggle(toggle, true);
    ASSERT_GT(rows.size(), 100u);
    ASSERT_EQ(takeDialogs(), Dialogs{});

    Grab withInk(temp);
    EXPECT_EQ(stripDifference(temp, withInk, 1000, 100, 2), 0);
    on_resetvertical_clicked(nullptr, ctx);
    setToggle(ctx->widShowContrast, false);
    Grab whole(temp);
    const TableRow &hour = rows[rows.size() / 2];
    ASSERT_EQ(hour.minute, 0);
    const int strips[][2] = {{3, 40},                      // scale labels
                             {ctx->settings.datePos[0] - 6, 9},     // start mark
                             {hour.x - 9, 5},              // a row's cross
                             {hour.x + 4, 7},              // its turned label
                             {ctx->settings.datePos[1] + 30, 11}};  // hatching
    for (const auto &strip : strips)
        EXPECT_EQ(stripDifference(temp, whole, strip[0], strip[1]), 0) << strip[0];
}

} // namespace
