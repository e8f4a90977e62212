// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <clocale>
#include <cstdlib>

#include <glib/gstdio.h>

#include "evalchart.h"
#include "synth_fixtures.h"
#include "tablefile.h"

// One chart from the scan to the two table files, the way a user works
// through the four pages, with every kind of setting the tables depend on
// touched; the tables are compared with the chart's truth, with what the
// batch tool writes from the saved file context, and with the same work done
// under a decimal-comma locale.
//
// With VELLORA_SCREENSHOT_DIR set, each page is also saved there as a PNG.

using namespace evalchart;

namespace {

void screenshot(MainCtx *ctx, const char *name)
{
    const char *dir = std::getenv("VELLORA_SCREENSHOT_DIR");
    if (!dir || std::getenv("LC_ALL"))  // the pages as shown in the C locale
        return;
    GdkPixbuf *image = grabWidget(ctx->widMainWindow);
    const std::string path = std::string(dir) + "/" + name + ".png";
    EXPECT_TRUE(gdk_pixbuf_save(image, path.c_str(), "png", nullptr, nullptr)) << path;
    g_object_unref(image);
}

// What one run leaves: the file context and the GUI's and the batch's tables.
struct Saved {
    std::string context;
    std::string tables[2];
    std::string batchTables[2];
    std::string csv, batchCsv;
};

class WorkflowTest : public EvalTest {
protected:
    void TearDown() override
    {
        EvalTest::TearDown();
        std::setlocale(LC_ALL, "C");
        g_unsetenv("LC_ALL");
    }

    void setMark(int i) { setToggle(uiWidget(ctx, i == 0 ? "startdate" : "enddate"), true); }
    void setSpin(GtkWidget *spin, double v) { gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin), v); }

    // The chart placed by hand: pass points, marks, dates; the fit on.
    void placeChart(const SynthChart &chart)
    {
        const char *const radio[3] = {"P2", "P1", "P3"};
        for (int i = 0; i < 3; ++i) {
            setToggle(uiWidget(ctx, radio[i]), true);
            clickScan(ctx, chart.pass[i].x, chart.pass[i].y);
        }
        screenshot(ctx, "page2-passpoints");
        showPage(kEvaluationPage);
        for (int i : {1, 0}) {
            setMark(i);
            click(ctx->subImgData[SubImgTemp].widget, chart.datePos[i], 100);
            EXPECT_EQ(ctx->settings.datePos[i], chart.datePos[i]) << i;
        }
        for (int i : {0, 1}) {  // the date in the calendar, the time typed
            const DateTime &t = chart.dateVal[i];
            setMark(i);
            gtk_calendar_select_month(GTK_CALENDAR(ctx->widCalendar), t.month - 1, t.year);
            gtk_calendar_select_day(GTK_CALENDAR(ctx->widCalendar), t.day);
            setSpin(ctx->widHour, t.hour);
            setSpin(ctx->widMinute, t.minute);
        }
        setToggle(ctx->widShowContrast, true);
        setToggle(ctx->widShowCurve, true);
    }

    // Everything else a user may touch before saving.
    void retouch()
    {
        gtk_range_set_value(GTK_RANGE(ctx->widCurveSmoothness), 0);  // weight 2^0
        gtk_button_clicked(GTK_BUTTON(uiWidget(ctx, "autowindows")));
        if (pointerStateAvailable()) {
            GtkWidget *view = ctx->subImgData[SubImgHygro].widget;
            setToggle(uiWidget(ctx, "drawcurve"), true);
            const int x = ctx->settings.datePos[0] + 40;
            const int y = int(ctx->fields[SubImgHygro].curve->value(x));
            pressButton(view, x, y);
            movePointer(view, x, y);
            movePointer(view, x + 12, y + 1);
            releaseButton(view, x + 12, y + 1);
        }
        setSpin(ctx->widAddTemp, 0.5);
        setSpin(ctx->widAddHygro, -0.3);
        // The end an hour and seven minutes later: the tables follow at once.
        setMark(1);
        setSpin(ctx->widHour, (ctx->settings.dateVal[1].hour + 1) % 24);
        setSpin(ctx->widMinute, 7);
    }

    Saved runWorkflow(bool decimalComma)
    {
        Saved saved;
        if (decimalComma) {
            EXPECT_TRUE(useDecimalCommaLocale());
        }
        start("");
        const MadeChart made = makeChart(appDir(), quickChartOptions(11));
        EXPECT_EQ(made.result, SynthOk);
        g_unlink(made.ctx.c_str());  // the user places everything
        const SynthChart &chart = made.chart;

        chooseFile(ctx, made.scan);
        EXPECT_EQ(gtk_notebook_get_current_page(GTK_NOTEBOOK(ctx->widMainNoteBook)), 1);
        showPage(0);
        screenshot(ctx, "page1-open");
        showPage(1);
        placeChart(chart);
        for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
            EXPECT_EQ(ctx->fields[f].rows.size(), size_t(chart.minutes / 60 + (chart.dateVal[0].minute == 0)));
            EXPECT_LT(tableError(chart, ctx->fields[f], f).rmse, f == SubImgTemp ? 0.3 : 1.5) << f;
        }
        screenshot(ctx, "page3-evaluate");
        retouch();

        showPage(kTablePage);
        setToggle(ctx->widtimestep10, true);
        setToggle(ctx->widCsv, true);
        gtk_button_clicked(GTK_BUTTON(uiWidget(ctx, "savetables")));
        runPending();
        screenshot(ctx, "page4-tables");
        EXPECT_EQ(takeDialogs(), std::vector<std::string>{});
        for (int f = SubImgTemp; f <= SubImgHygro; ++f)
            saved.tables[f] = fileContents(tableFileName(made.scan, f));
        saved.csv = fileContents(made.scan + ".csv");

        // The batch digitises the scan from the saved file context alike.
        answerDialogs({AnswerOk});
        saveFileCtx(ctx);
        saved.context = fileContents(made.ctx);
        const std::string outDir = appDir() + "/batch";
        const std::string command = "'" VELLORA_BINARY_DIR "/vellora-batch' --output-dir '" + outDir +
                                    "' --csv -q '" + made.scan + "' > /dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
            const std::string name = tableFileName(made.scan, f);
            saved.batchTables[f] = fileContents(outDir + name.substr(name.rfind('/')));
        }
        saved.batchCsv = fileContents(outDir + made.scan.substr(made.scan.rfind('/')) + ".csv");
        stopApp(ctx);
        ctx = nullptr;
        return saved;
    }
};

TEST_F(WorkflowTest, GuiAndBatchWriteTheSameTablesInAnyLocale)
{
    const Saved plain = runWorkflow(false);
    for (const char *key : {"Smoothness=0.000000", "AddTemp=0.500000", "AddHygro=-0.300000", "TimeStep=10",
                            "Top1_", "Bot0_"})
        EXPECT_NE(plain.context.find(key), std::string::npos) << key;
    if (pointerStateAvailable()) {
        EXPECT_NE(plain.context.find("Draw1_"), std::string::npos);
    }
    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        EXPECT_GT(plain.tables[f].size(), 1000u);
        EXPECT_EQ(plain.batchTables[f], plain.tables[f]) << "field " << f;
    }
    EXPECT_EQ(plain.csv.rfind("time,temperature_C,humidity_pct,flags\n", 0), 0u) << plain.csv.substr(0, 80);
    EXPECT_EQ(plain.batchCsv, plain.csv);

    const Saved comma = runWorkflow(true);
    EXPECT_EQ(comma.context, plain.context);
    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        EXPECT_EQ(comma.tables[f], plain.tables[f]) << "field " << f;
        EXPECT_EQ(comma.batchTables[f], plain.tables[f]) << "field " << f;
    }
    EXPECT_EQ(comma.csv, plain.csv);
}

} // namespace
