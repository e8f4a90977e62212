#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "synthscan.h"
#include "tablefile.h"
#include "ui.h"

// One chart from the scan to the two table files, the way a user works
// through the four pages; the tables are compared with the chart's truth and
// with what the batch tool writes for the same scan and file context.
//
// With VELLORA_SCREENSHOT_DIR set, each page is also saved there as a PNG.

namespace {

const int kSmoothness = 0;  // the smoothness control's value: weight 2^0

class WorkflowTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (!ctx)
            return;
        if (ctx->fileCtx.isModified())
            answerDialogs({AnswerNo});
        stopApp(ctx);
    }

    void showPage(int page)
    {
        gtk_notebook_set_current_page(GTK_NOTEBOOK(ctx->widMainNoteBook), page);
        runPending();
    }

    int page() { return gtk_notebook_get_current_page(GTK_NOTEBOOK(ctx->widMainNoteBook)); }

    void activate(const char *button)
    {
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(uiWidget(ctx, button)), TRUE);
        runPending();
    }

    void click(GtkWidget *widget, double x, double y)
    {
        pressButton(widget, x, y);
        releaseButton(widget, x, y);
    }

    // Picks the date in the calendar and types the time, for the mark whose
    // mode button is chosen.
    void enterDate(const char *mode, const DateTime &t)
    {
        activate(mode);
        gtk_calendar_select_month(GTK_CALENDAR(ctx->widCalendar), t.month - 1, t.year);
        gtk_calendar_select_day(GTK_CALENDAR(ctx->widCalendar), t.day);
        gtk_spin_button_set_value(GTK_SPIN_BUTTON(ctx->widHour), t.hour);
        gtk_spin_button_set_value(GTK_SPIN_BUTTON(ctx->widMinute), t.minute);
        runPending();
    }

    // Scrolls the view down to where its curve starts, as the user would.
    void showCurveRows(int field)
    {
        const SubImgData &sub = ctx->subImgData[field];
        ASSERT_NE(sub.curve, nullptr);
        GtkViewport *port = GTK_VIEWPORT(gtk_widget_get_parent(sub.widget));
        GtkAdjustment *rows = gtk_viewport_get_vadjustment(port);
        const double row = sub.curve->value(ctx->datePos[0]);
        gtk_adjustment_set_value(rows, CLAMP(row - rows->page_size / 2, rows->lower,
                                             rows->upper - rows->page_size));
        runPending();
    }

    void screenshot(const char *name)
    {
        const char *dir = std::getenv("VELLORA_SCREENSHOT_DIR");
        if (!dir)
            return;
        GdkPixbuf *image = grabWidget(ctx->widMainWindow);
        ASSERT_NE(image, nullptr);
        const std::string path = std::string(dir) + "/" + name + ".png";
        EXPECT_TRUE(gdk_pixbuf_save(image, path.c_str(), "png", nullptr, nullptr)) << path;
        g_object_unref(image);
    }

    MainCtx *ctx = nullptr;
};

// Root mean square of table value minus truth at the row's time.
double tableError(const std::string &text, const SynthChart &chart, int field, int *rows)
{
    std::istringstream lines(text);
    std::string line;
    double sum = 0.0;
    *rows = 0;
    while (std::getline(lines, line)) {
        int d, mo, y, h, mi;
        double value;
        if (std::sscanf(line.c_str(), "%d.%d.%d %d.%d %lf", &d, &mo, &y, &h, &mi, &value) != 6)
            return HUGE_VAL;
        DateTime t;
        t.setDateTime(y, mo, d, h, mi);
        const double truth = field == SubImgTemp ? chart.temperatureAt(t) : chart.humidityAt(t);
        sum += (value - truth) * (value - truth);
        ++*rows;
    }
    return *rows ? std::sqrt(sum / *rows) : HUGE_VAL;
}

std::string runBatch(const std::string &scan, const std::string &outDir)
{
    const std::string exe = VELLORA_BINARY_DIR "/vellora-batch";
    const std::string smooth = std::to_string(kSmoothness);
    gchar *argv[] = {const_cast<gchar *>(exe.c_str()), const_cast<gchar *>("--output-dir"),
                     const_cast<gchar *>(outDir.c_str()), const_cast<gchar *>("--force"),
                     const_cast<gchar *>("--smoothness"), const_cast<gchar *>(smooth.c_str()),
                     const_cast<gchar *>("-q"), const_cast<gchar *>(scan.c_str()), nullptr};
    gchar *err = nullptr;
    gint status = -1;
    const bool ran = g_spawn_sync(appWorkDir().c_str(), argv, nullptr, G_SPAWN_STDOUT_TO_DEV_NULL,
                                  nullptr, nullptr, nullptr, &err, &status, nullptr);
    std::string result = ran && status == 0 ? "" : std::string("batch failed: ") + (err ? err : "");
    g_free(err);
    return result;
}

TEST_F(WorkflowTest, FromTheScanToTablesThatMatchTheTruthAndTheBatch)
{
    ctx = synthscan::startDefault();
    ASSERT_NE(ctx, nullptr);
    const MadeChart made = synthscan::writeChart(11, false);
    const SynthChart &chart = made.chart;

    chooseFile(ctx, made.scan);
    ASSERT_EQ(page(), 1);
    showPage(0);
    screenshot("page1-open");
    showPage(1);

    // Pass points: TopLeft, BottomLeft and BottomRight.
    const char *const radio[3] = {"P2", "P1", "P3"};
    for (int i = 0; i < 3; ++i) {
        activate(radio[i]);
        click(ctx->widImgScan, chart.pass[i].x, chart.pass[i].y);
        EXPECT_EQ(ctx->passPoints[i].x, chart.pass[i].x) << i;
    }
    screenshot("page2-passpoints");

    showPage(2);
    ASSERT_NE(ctx->subImgData[SubImgTemp].pixbuf, nullptr);
    GtkWidget *temp = ctx->subImgData[SubImgTemp].widget;
    activate("enddate");
    click(temp, chart.datePos[1], 100);
    activate("startdate");
    click(temp, chart.datePos[0], 100);
    EXPECT_EQ(ctx->datePos[0], chart.datePos[0]);
    EXPECT_EQ(ctx->datePos[1], chart.datePos[1]);
    enterDate("startdate", chart.dateVal[0]);
    enterDate("enddate", chart.dateVal[1]);
    EXPECT_EQ(ctx->dateVal[0].minutesUntil(ctx->dateVal[1]), chart.minutes);
    gtk_button_clicked(GTK_BUTTON(uiWidget(ctx, "resetcolor")));  // the chart's ink colour
    gtk_range_set_value(GTK_RANGE(uiWidget(ctx, "curvesmoothness")), kSmoothness);
    for (GtkWidget *toggle : {ctx->widShowContrast, ctx->widShowCurve})
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(toggle), TRUE);
    runPending();
    showCurveRows(SubImgHygro);
    screenshot("page3-evaluate");

    showPage(3);
    ASSERT_EQ(page(), 3);
    gtk_button_clicked(GTK_BUTTON(uiWidget(ctx, "savetables")));
    runPending();
    screenshot("page4-tables");
    EXPECT_TRUE(takeDialogs().empty());

    const std::string tables[2] = {readFile(tableFileName(made.scan, SubImgTemp)),
                                   readFile(tableFileName(made.scan, SubImgHygro))};
    int rows[2];
    const double error[2] = {tableError(tables[0], chart, SubImgTemp, &rows[0]),
                             tableError(tables[1], chart, SubImgHygro, &rows[1])};
    std::printf("RMSE %.3f C, %.3f %%\n", error[0], error[1]);
    EXPECT_LT(error[0], 0.3);
    EXPECT_LT(error[1], 1.5);
    EXPECT_EQ(rows[0], chart.minutes / 60 + (chart.dateVal[0].minute == 0));
    EXPECT_EQ(rows[1], rows[0]);

    // The batch tool digitises the scan from the saved file context alike.
    answerDialogs({AnswerOk});
    saveFileCtx(ctx);
    ASSERT_FALSE(ctx->fileCtx.isModified());
    if (!g_file_test(VELLORA_BINARY_DIR "/vellora-batch", G_FILE_TEST_IS_EXECUTABLE))
        GTEST_SKIP() << "vellora-batch is not built";
    const std::string outDir = appWorkDir() + "/batch";
    ASSERT_EQ(runBatch(made.scan, outDir), "");
    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        std::string name = tableFileName(made.scan, f);
        name = outDir + name.substr(name.rfind('/'));
        EXPECT_EQ(readFile(name), tables[f]) << name;
    }
}

} // namespace
