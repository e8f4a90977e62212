#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "evalchart.h"
#include "handlers.h"
#include "synthscan.h"
#include "viewpixels.h"

// The field views: each overlay in its colour where it belongs, and how fast
// a whole view and a stroke's strip are redrawn.

using namespace evalchart;
using namespace viewpixels;

namespace {

const int kStart = 100, kEnd = 480;

class FieldViewTest : public EvalTest {
protected:
    void SetUp() override
    {
        start();
        openChart();
        showPage(kEvaluationPage);
        ctx->datePos[0] = kStart;
        ctx->datePos[1] = kEnd;
        recomputeChain(ctx, CurveChanged, 2);
    }

    void setDates(int startHour, int endHour)
    {
        ctx->dateVal[0].setDateTime(2000, 1, 1, startHour, 0);
        ctx->dateVal[1].setDateTime(2000, 1, 1 + endHour / 24, endHour % 24, 0);
        recomputeChain(ctx, CurveChanged, 2);
        runPending();
    }

    GtkWidget *view(int field) { return ctx->subImgData[field].widget; }
    SubImgData &sub(int field) { return ctx->subImgData[field]; }
};

TEST_F(FieldViewTest, MarksHatchOutsideAndLieBesideTheMarkedColumns)
{
    Grab temp(view(SubImgTemp));
    ASSERT_NE(temp.get(), nullptr);
    // Hatching on every third row, left of the start and right of the end.
    for (int x : {50, 530}) {
        EXPECT_GT(temp.count(x, x, 0, 0, kYellow) + temp.count(x, x + 7, 3, 3, kYellow), 0) << x;
        for (int y = 1; y < kFieldHeight; y += 3)
            EXPECT_EQ(temp.count(x, x, y, y + 1, kYellow), 0) << x << "," << y;
    }
    EXPECT_EQ(temp.count(kStart + 3, kEnd - 3, 0, kFieldHeight - 1, kYellow), 0);
    // The thick mark lines beside the marks: dashed, five pixels wide,
    // centred two columns outside the marked ones.
    for (int y = 0; y < kFieldHeight; ++y) {
        EXPECT_FALSE(temp.is(kStart + 1, y, kYellow)) << y;
        EXPECT_FALSE(temp.is(kEnd - 1, y, kYellow)) << y;
    }
    int left = 0, right = 0;
    for (int y = 1; y < kFieldHeight; y += 3) {
        left += temp.count(kStart - 4, kStart - 4, y, y + 1, kYellow);
        right += temp.count(kEnd + 4, kEnd + 4, y, y + 1, kYellow);
    }
    EXPECT_GT(left, 20);
    EXPECT_GT(right, 20);
}

TEST_F(FieldViewTest, SearchWindowShadesOnlyOutsideItsSetEdges)
{
    for (int x = 200; x < 210; ++x) {
        sub(SubImgTemp).limitSpan->setBot(x, 50);
        sub(SubImgTemp).limitSpan->setTop(x, 120);
    }
    sub(SubImgTemp).limitSpan->setBot(300, 40);  // only the upper edge
    recomputeChain(ctx, 0, 0);
    Grab temp(view(SubImgTemp));
    EXPECT_GT(temp.count(205, 205, 0, 50, kMagenta), 10);
    EXPECT_EQ(temp.count(205, 205, 52, kFieldHeight - 1, kMagenta), 0);
    EXPECT_GT(temp.count(205, 205, 120, kFieldHeight - 1, kOlive), 10);
    EXPECT_EQ(temp.count(205, 205, 0, 118, kOlive), 0);
    EXPECT_GT(temp.count(300, 300, 0, 40, kMagenta), 10);
    EXPECT_EQ(temp.count(300, 300, 0, kFieldHeight - 1, kOlive), 0);
    EXPECT_EQ(temp.count(150, 190, 0, kFieldHeight - 1, kMagenta), 0);

    on_resetvertical_clicked(nullptr, ctx);
    Grab reset(view(SubImgTemp));
    EXPECT_EQ(reset.count(0, kFieldWidth - 1, 0, kFieldHeight - 1, kMagenta), 0);
    EXPECT_EQ(reset.count(0, kFieldWidth - 1, 0, kFieldHeight - 1, kOlive), 0);
}

TEST_F(FieldViewTest, InkExtentCurveAndHandRowsInTheirColours)
{
    sub(SubImgHygro).drawPos[300] = 20;
    recomputeChain(ctx, 0, 1);
    Grab plain(view(SubImgTemp));
    EXPECT_EQ(plain.count(0, kFieldWidth - 1, 0, kFieldHeight - 1, kGreen), 0);
    EXPECT_EQ(plain.count(0, kFieldWidth - 1, 0, kFieldHeight - 1, kBlue), 0);
    Grab hygro(view(SubImgHygro));
    // Rows d - 2 .. d + 1: the last point of a line is left out.
    for (int y = 18; y <= 21; ++y)
        EXPECT_TRUE(hygro.is(300, y, kRed)) << y;
    EXPECT_FALSE(hygro.is(300, 23, kRed));
    EXPECT_EQ(hygro.count(0, 290, 0, kFieldHeight - 1, kRed), 0);

    // The ink spans rows 81..83: solid polylines three wide on its first and
    // last row (rows 80..84, the hatching outside the marks over them on
    // every third row); the fitted curve over it on the ink's centre row.
    setToggle(ctx->widShowContrast, true);
    Grab contrast(view(SubImgTemp));
    for (int x : {kStart - 40, 300, kEnd + 40})
        EXPECT_TRUE(contrast.is(x, kTempRow - 2, kGreen) && contrast.is(x, kTempRow + 1, kGreen)) << x;
    EXPECT_EQ(contrast.count(300, 300, 0, kTempRow - 3, kGreen), 0);
    EXPECT_EQ(contrast.count(0, kFieldWidth - 1, 0, kFieldHeight - 1, kBlue), 0);

    setToggle(ctx->widShowCurve, true);
    Grab curve(view(SubImgTemp));
    for (int x : {kStart + 2, 300, kEnd - 2}) {
        EXPECT_TRUE(curve.is(x, kTempRow, kBlue)) << x;
        EXPECT_TRUE(curve.is(x, kTempRow - 2, kGreen)) << x;
    }
    EXPECT_EQ(curve.count(0, kStart - 3, 0, kFieldHeight - 1, kBlue), 0);
    EXPECT_EQ(curve.count(kEnd + 2, kFieldWidth - 1, 0, kFieldHeight - 1, kBlue), 0);

    // A curve is shown after a fit of six knots or more.
    sub(SubImgTemp).knotCount = 5;
    recomputeChain(ctx, 0, 0);
    Grab five(view(SubImgTemp));
    EXPECT_EQ(five.count(0, kFieldWidth - 1, 0, kFieldHeight - 1, kBlue), 0);
}

// The table's row marks: its first and last row and those on full hours.
class TableOverlayTest : public FieldViewTest {
protected:
    const TableRow &row(int i) { return sub(SubImgTemp).table[i]; }
    int rows() { return sub(SubImgTemp).tableCount; }

    // A dashed vertical line below the row's point: many more pixels of the
    // colour in its column than in one without. The dashed scale grid
    // crosses both; it repeats every 8 columns.
    static bool verticalLine(const Grab &image, const TableRow &r, Rgb c)
    {
        const int own = image.count(r.x, r.x, r.y + 8, kFieldHeight - 1, c);
        const int beside = image.count(r.x + 8, r.x + 8, r.y + 8, kFieldHeight - 1, c);
        return own > beside + 20;
    }
};

TEST_F(TableOverlayTest, ScaleGridFullHourCrossesTurnedLabelsAndMidnight)
{
    setDates(23, 25);
    setToggle(ctx->widShowTable, true);
    ASSERT_EQ(rows(), 3);
    Grab image(view(SubImgTemp));
    // +45 C on the first row, +40 C ten rows below (5 C = 5.125 mm).
    EXPECT_GT(image.count(150, 250, 0, 1, kGrid), 20);
    EXPECT_EQ(image.count(150, 250, 3, 5, kGrid), 0);
    EXPECT_GT(image.count(150, 250, 10, 10, kGrid), 20);

    for (int i = 0; i < rows(); ++i) {
        const int x = row(i).x, y = row(i).y;
        EXPECT_TRUE(image.is(x + 2, y, kWhite) && image.is(x, y + 2, kWhite)) << i;
        EXPECT_TRUE(image.is(x + 2, y - 1, kBlack) && image.is(x - 1, y + 2, kBlack)) << i;
        // The label stands 30 rows above the point and reads upwards.
        EXPECT_GT(image.count(x - 5, x + 15, 0, y - 30, kBlack), 20) << i;
        EXPECT_EQ(image.count(x - 5, x + 15, y - 28, y - 7, kBlack), 0) << i;
    }
    EXPECT_EQ(row(1).hour, 0);
    EXPECT_TRUE(verticalLine(image, row(1), kGrid));
    EXPECT_FALSE(verticalLine(image, row(0), kGrid));
    EXPECT_FALSE(verticalLine(image, row(2), kGrid));
    EXPECT_EQ(image.count(row(0).x + 20, row(1).x - 20, 0, 50, kBlack), 0);

    // 2 C more put +45 C 2/80 of the 82 mm field lower: trunc(4.1 + 0.5).
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(ctx->widAddTemp), 2.0);
    runPending();
    Grab moved(view(SubImgTemp));
    EXPECT_EQ(moved.count(150, 250, 0, 1, kGrid), 0);
    EXPECT_GT(moved.count(150, 250, 4, 4, kGrid), 20);
}

TEST_F(TableOverlayTest, NoonHasItsLineAndTenMinuteRowsSmallCrosses)
{
    setDates(11, 13);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(ctx->widtimestep10), TRUE);
    setToggle(ctx->widShowTable, true);
    ASSERT_EQ(rows(), 13);
    Grab image(view(SubImgTemp));
    const TableRow &noon = row(6);
    EXPECT_EQ(noon.hour * 100 + noon.minute, 1200);
    EXPECT_TRUE(verticalLine(image, noon, kNoon));
    EXPECT_FALSE(verticalLine(image, row(5), kNoon));
    const TableRow &small = row(1);
    EXPECT_TRUE(image.is(small.x + 1, small.y, kBlack) && image.is(small.x, small.y - 1, kBlack));
    EXPECT_FALSE(image.is(small.x + 1, small.y - 1, kBlack));
    EXPECT_FALSE(image.is(small.x + 3, small.y, kBlack) || image.is(small.x, small.y + 3, kBlack));
    EXPECT_EQ(image.count(small.x - 3, small.x + 12, 0, small.y - 30, kBlack), 0)
        << "no label off the full hour";
}

class BlankViewTest : public EvalTest {};

TEST_F(BlankViewTest, NothingIsDrawnBeforeACutOut)
{
    start();
    g_signal_handlers_block_by_func(ctx->widMainNoteBook,
                                    reinterpret_cast<gpointer>(on_mainnotebook_switch_page), ctx);
    for (const SubImgData &sub : ctx->subImgData)
        gtk_widget_set_size_request(sub.widget, 120, 60);
    ctx->datePos[0] = 10;
    ctx->datePos[1] = 100;
    ctx->showContrast = ctx->showCurve = ctx->showTable = 1;
    showPage(kEvaluationPage);
    for (const SubImgData &sub : ctx->subImgData) {
        Grab image(sub.widget);
        ASSERT_NE(image.get(), nullptr);
        guchar bg[3];
        pixelAt(image.get(), 0, 0, bg);
        EXPECT_EQ(image.count(0, 119, 0, 59, Rgb{bg[0], bg[1], bg[2]}), 120 * 60);
    }
    GdkEventExpose expose = {};
    expose.type = GDK_EXPOSE;
    expose.window = ctx->subImgData[SubImgTemp].widget->window;
    expose.area = GdkRectangle{0, 0, 120, 60};
    EXPECT_TRUE(on_imgtemp_expose_event(ctx->subImgData[SubImgTemp].widget, &expose, ctx));
    EXPECT_TRUE(on_imghygro_expose_event(ctx->subImgData[SubImgHygro].widget, &expose, ctx));
}

// ---- redraw speed ------------------------------------------------------------------

double millisecondsSince(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Everything the server was asked to draw is drawn.
void finishDrawing(GtkWidget *view)
{
    gdk_window_process_updates(view->window, FALSE);
    gdk_display_sync(gdk_display_get_default());
}

class BigView : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (ctx->fileCtx.isModified())
            answerDialogs({AnswerNo});
        stopApp(ctx);
    }

    // A week's chart at the default geometry with every overlay on: ink
    // extent, a search window in every column between the marks, hand-drawn
    // rows, curve and table.
    void SetUp() override
    {
        ctx = synthscan::startDefault();
        ASSERT_NE(ctx, nullptr);
        MadeChart made = synthscan::writeChart(5, true);
        loadImage(ctx, made.scan.c_str());
        gtk_notebook_set_current_page(GTK_NOTEBOOK(ctx->widMainNoteBook), kEvaluationPage);
        runPending();
        view = ctx->subImgData[SubImgTemp].widget;
        on_autowindows_clicked(nullptr, ctx);
        for (int x = 1000; x < 1100; ++x)
            ctx->subImgData[SubImgTemp].drawPos[x] = 300;
        for (GtkWidget *toggle : {ctx->widShowContrast, ctx->widShowCurve, ctx->widShowTable})
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(toggle), TRUE);
        runPending();
        ASSERT_GT(ctx->subImgData[SubImgTemp].tableCount, 100);
        ASSERT_TRUE(takeDialogs().empty());
    }

    // The window of a full expose drawn into a pixmap, as large as the view.
    double fullExpose()
    {
        const auto t0 = std::chrono::steady_clock::now();
        GdkPixmap *pixmap = gtk_widget_get_snapshot(view, nullptr);
        gdk_display_sync(gdk_display_get_default());
        const double ms = millisecondsSince(t0);
        EXPECT_NE(pixmap, nullptr);
        if (pixmap)
            g_object_unref(pixmap);
        return ms;
    }

    // Shows the columns around x in the view's viewport.
    void scrollTo(int x)
    {
        GtkViewport *port = GTK_VIEWPORT(gtk_widget_get_parent(view));
        gtk_adjustment_set_value(gtk_viewport_get_hadjustment(port), x - 200);
        runPending();
    }

    // Scribbles over the visible rectangle, lets it be redrawn and counts
    // the pixels that differ from the whole view.
    // The first and last inset columns are not compared.
    int redrawnDifference(const Grab &whole, GdkRectangle rect, int inset = 0)
    {
        GdkGC *gc = gdk_gc_new(view->window);
        const GdkColor cyan = {0, 0, 0xFFFF, 0xFFFF};
        gdk_gc_set_rgb_fg_color(gc, &cyan);
        gdk_draw_rectangle(view->window, gc, TRUE, rect.x, rect.y, rect.width, rect.height);
        g_object_unref(gc);
        gdk_window_invalidate_rect(view->window, &rect, FALSE);
        finishDrawing(view);
        GdkPixbuf *shown = gdk_pixbuf_get_from_drawable(nullptr, view->window, nullptr, rect.x,
                                                        rect.y, 0, 0, rect.width, rect.height);
        EXPECT_NE(shown, nullptr);
        int differ = 0;
        for (int dx = inset; shown && dx < rect.width - inset; ++dx) {
            for (int dy = 0; dy < rect.height; ++dy) {
                guchar rgb[3];
                pixelAt(shown, dx, dy, rgb);
                differ += !whole.is(rect.x + dx, rect.y + dy, Rgb{rgb[0], rgb[1], rgb[2]});
            }
        }
        if (shown)
            g_object_unref(shown);
        return differ;
    }

    MainCtx *ctx = nullptr;
    GtkWidget *view = nullptr;
};

// Parts redrawn over scribbled pixels: what is left out as unexposed must
// not change what they show. The search windows and the ink extent are
// drawn for the exposed columns (the ink also for one more on each side), so
// a strip's edge column can miss a pixel of a line three wide beside it,
// until the next whole redraw: edges are compared without them.
TEST_F(BigView, ExposedPartsShowWhatTheWholeViewShows)
{
    const SubImgData &temp = ctx->subImgData[SubImgTemp];
    const int ph = gdk_pixbuf_get_height(temp.pixbuf);
    GtkAdjustment *vertical =
        gtk_viewport_get_vadjustment(GTK_VIEWPORT(gtk_widget_get_parent(view)));
    {
        Grab whole(view);
        ASSERT_NE(whole.get(), nullptr);
        scrollTo(1000);
        for (int y : {40, int(vertical->value + 101), int(vertical->value + vertical->page_size - 30)})
            EXPECT_EQ(redrawnDifference(whole, GdkRectangle{1000, y, 100, 21}, 2), 0) << y;
    }
    on_resetvertical_clicked(nullptr, ctx);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(ctx->widShowContrast), FALSE);
    runPending();
    Grab whole(view);
    ASSERT_NE(whole.get(), nullptr);
    const TableRow &hour = temp.table[temp.tableCount / 2];
    ASSERT_EQ(hour.minute, 0);
    const int strips[][2] = {{3, 40},                       // scale labels
                             {ctx->datePos[0] - 6, 9},      // start mark
                             {hour.x - 9, 5},               // a row's cross
                             {hour.x + 4, 7},               // its turned label
                             {1203, 3},                     // curve
                             {1050, 4},                     // hand-drawn rows
                             {ctx->datePos[1] + 30, 11}};   // hatching
    for (const auto &strip : strips) {
        const int x = strip[0], width = strip[1];
        int differ = 0;
        for (int top = 0; top < ph; top += int(vertical->page_size)) {
            gtk_adjustment_set_value(vertical, MIN(top, vertical->upper - vertical->page_size));
            scrollTo(x);
            differ += redrawnDifference(whole, GdkRectangle{x, int(vertical->value), width,
                                                            int(vertical->page_size)});
        }
        EXPECT_EQ(differ, 0) << "strip at " << x;
    }
}

TEST_F(BigView, FullExposeAndTheStripOfOneMotionRedrawTimes)
{
    const SubImgData &temp = ctx->subImgData[SubImgTemp];
    std::printf("field view %dx%d, %d table rows\n", gdk_pixbuf_get_width(temp.pixbuf),
                gdk_pixbuf_get_height(temp.pixbuf), temp.tableCount);
    std::vector<double> full;
    for (int i = 0; i < 7; ++i)
        full.push_back(fullExpose());

    const int x0 = 1200, row = gdk_pixbuf_get_height(temp.pixbuf) / 2;
    scrollTo(x0);
    // What the viewport shows of the view: GDK exposes only that.
    std::vector<double> shown;
    for (int i = 0; i < 7; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        gdk_window_invalidate_rect(view->window, nullptr, FALSE);
        finishDrawing(view);
        shown.push_back(millisecondsSince(t0));
    }
    std::printf("expose of the visible part %.2f ms (median)\n", median(shown));
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(uiWidget(ctx, "retouchvertical")), TRUE);
    std::vector<double> retouch;
    for (int i = 0; i < 30; ++i) {
        ctx->lastPointerX = x0 + i - 1;
        const auto t0 = std::chrono::steady_clock::now();
        retouchLimit(view, ctx, SubImgTemp, x0 + i, row, i % 2, 0);
        finishDrawing(view);
        retouch.push_back(millisecondsSince(t0));
    }
    std::printf("full expose %.2f ms, retouch strip %.3f ms (medians)\n", median(full),
                median(retouch));
    // Only the strip's columns are copied and searched.
    EXPECT_LT(median(retouch), median(full) / 4);

    if (!pointerStateAvailable())
        GTEST_SKIP() << "no XTest: drawing needs a held button";
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(uiWidget(ctx, "drawcurve")), TRUE);
    pressButton(view, x0, row);
    int ox, oy;
    gdk_window_get_origin(view->window, &ox, &oy);
    GdkEventMotion motion = {};
    motion.type = GDK_MOTION_NOTIFY;
    motion.window = view->window;
    std::vector<double> draw;
    for (int i = 1; i <= 30; ++i) {
        gdk_display_warp_pointer(gdk_display_get_default(), gdk_screen_get_default(), ox + x0 + i,
                                 oy + row);
        gdk_display_sync(gdk_display_get_default());
        const auto t0 = std::chrono::steady_clock::now();
        moveInFieldView(view, &motion, ctx, SubImgTemp);
        finishDrawing(view);
        draw.push_back(millisecondsSince(t0));
    }
    releaseButton(view, x0 + 30, row);
    EXPECT_EQ(temp.drawPos[x0 + 30], row);
    std::printf("draw strip %.3f ms (median)\n", median(draw));
    EXPECT_LT(median(draw), median(full) / 4);
}

} // namespace
