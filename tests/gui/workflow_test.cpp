#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <glib/gstdio.h>

#include "evalchart.h"
#include "synth_fixtures.h"
#include "tablefile.h"

// One chart from the scan to the two table files, the way a user works
// through the four pages; the tables are compared with the chart's truth and
// with what the batch tool writes for the same scan and file context.
//
// With VELLORA_SCREENSHOT_DIR set, each page is also saved there as a PNG.

using namespace evalchart;

namespace {

using WorkflowTest = EvalTest;

void screenshot(MainCtx *ctx, const char *name)
{
    const char *dir = std::getenv("VELLORA_SCREENSHOT_DIR");
    if (!dir)
        return;
    GdkPixbuf *image = grabWidget(ctx->widMainWindow);
    const std::string path = std::string(dir) + "/" + name + ".png";
    EXPECT_TRUE(gdk_pixbuf_save(image, path.c_str(), "png", nullptr, nullptr)) << path;
    g_object_unref(image);
}

// Root mean square of the table's values minus the truth at their times.
double tableError(const SubImgData &sub, const SynthChart &chart, int field)
{
    double sum = 0.0;
    for (int i = 0; i < sub.tableCount; ++i) {
        const TableRow &r = sub.table[i];
        DateTime t;
        t.setDateTime(r.year, r.month, r.day, r.hour, r.minute);
        const double truth = field == SubImgTemp ? chart.temperatureAt(t) : chart.humidityAt(t);
        sum += (r.value - truth) * (r.value - truth);
    }
    return std::sqrt(sum / sub.tableCount);
}

TEST_F(WorkflowTest, FromTheScanToTablesThatMatchTheTruthAndTheBatch)
{
    ASSERT_NO_FATAL_FAILURE(start(""));
    const MadeChart made = makeChart(appDir(), quickChartOptions(11));
    ASSERT_EQ(made.result, SynthOk);
    g_unlink(made.ctx.c_str());  // the user places everything
    const SynthChart &chart = made.chart;

    chooseFile(ctx, made.scan);
    ASSERT_EQ(gtk_notebook_get_current_page(GTK_NOTEBOOK(ctx->widMainNoteBook)), 1);
    showPage(0);
    screenshot(ctx, "page1-open");
    showPage(1);

    // Pass points: TopLeft, BottomLeft and BottomRight.
    const char *const radio[3] = {"P2", "P1", "P3"};
    for (int i = 0; i < 3; ++i) {
        setToggle(uiWidget(ctx, radio[i]), true);
        click(ctx->widImgScan, chart.pass[i].x, chart.pass[i].y);
        EXPECT_EQ(ctx->passPoints[i].x, chart.pass[i].x) << i;
    }
    screenshot(ctx, "page2-passpoints");

    showPage(kEvaluationPage);
    const char *const marks[2] = {"startdate", "enddate"};
    for (int i : {1, 0}) {
        setToggle(uiWidget(ctx, marks[i]), true);
        click(ctx->subImgData[SubImgTemp].widget, chart.datePos[i], 100);
        EXPECT_EQ(ctx->datePos[i], chart.datePos[i]) << i;
    }
    for (int i : {0, 1}) {  // the date in the calendar, the time typed
        const DateTime &t = chart.dateVal[i];
        setToggle(uiWidget(ctx, marks[i]), true);
        gtk_calendar_select_month(GTK_CALENDAR(ctx->widCalendar), t.month - 1, t.year);
        gtk_calendar_select_day(GTK_CALENDAR(ctx->widCalendar), t.day);
        gtk_spin_button_set_value(GTK_SPIN_BUTTON(ctx->widHour), t.hour);
        gtk_spin_button_set_value(GTK_SPIN_BUTTON(ctx->widMinute), t.minute);
    }
    EXPECT_EQ(ctx->dateVal[0].minutesUntil(ctx->dateVal[1]), chart.minutes);
    gtk_range_set_value(GTK_RANGE(uiWidget(ctx, "curvesmoothness")), 0);  // weight 2^0
    setToggle(ctx->widShowContrast, true);
    setToggle(ctx->widShowCurve, true);
    // Scrolled down to where the humidity curve starts, as the user would.
    const SubImgData &hygro = ctx->subImgData[SubImgHygro];
    ASSERT_NE(hygro.curve, nullptr);
    GtkAdjustment *rows =
        gtk_viewport_get_vadjustment(GTK_VIEWPORT(gtk_widget_get_parent(hygro.widget)));
    gtk_adjustment_set_value(rows, CLAMP(hygro.curve->value(ctx->datePos[0]) - rows->page_size / 2,
                                         rows->lower, rows->upper - rows->page_size));
    runPending();
    screenshot(ctx, "page3-evaluate");

    showPage(kTablePage);
    gtk_button_clicked(GTK_BUTTON(uiWidget(ctx, "savetables")));
    runPending();
    screenshot(ctx, "page4-tables");
    EXPECT_EQ(takeDialogs(), std::vector<std::string>{});

    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        const SubImgData &sub = ctx->subImgData[f];
        EXPECT_EQ(sub.tableCount, chart.minutes / 60 + (chart.dateVal[0].minute == 0));
        EXPECT_LT(tableError(sub, chart, f), f == SubImgTemp ? 0.3 : 1.5) << f;
    }

    // The batch tool digitises the scan from the saved file context alike.
    answerDialogs({AnswerOk});
    saveFileCtx(ctx);
    ASSERT_FALSE(ctx->fileCtx.isModified());
    const std::string outDir = appDir() + "/batch";
    const std::string command = "'" VELLORA_BINARY_DIR "/vellora-batch' --output-dir '" + outDir +
                                "' --force --smoothness 0 -q '" + made.scan + "' > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        const std::string name = tableFileName(made.scan, f);
        const std::string text = fileContents(name);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), ctx->subImgData[f].tableCount);
        EXPECT_EQ(fileContents(outDir + name.substr(name.rfind('/'))), text) << name;
    }
}

} // namespace
