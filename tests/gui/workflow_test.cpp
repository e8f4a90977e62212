// SPDX-License-Identifier: GPL-3.0-or-later
#include <array>
#include <clocale>
#include <cstdlib>

#include <glib/gstdio.h>

#include "evalchart.h"
#include "synth_fixtures.h"
#include "tablefile.h"

// One chart from the scan to the table files through the four pages, every
// kind of setting the tables depend on touched; the tables are compared with
// the chart's truth, with the batch's from the saved file context, and with
// the same work under a decimal-comma locale. Charts of other makes too.

using namespace evalchart;

namespace {

// The temperature and hygrometer tables and the CSV written for a scan.
using Tables = std::array<std::string, 3>;
const int kCsv = 2;

Tables tablesOf(const std::string &scan)
{
    return {fileContents(tableFileName(scan, SubImgTemp)), fileContents(tableFileName(scan, SubImgHygro)),
            fileContents(scan + ".csv")};
}

// What vellora-batch writes for the scan with these options.
Tables batchTablesOf(const std::string &scan, const std::string &options)
{
    const std::string outDir = appDir() + "/batch";
    const std::string command = "'" VELLORA_BINARY_DIR "/vellora-batch' " + options + " --output-dir '" + outDir +
                                "' -q '" + scan + "' > /dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return tablesOf(outDir + scan.substr(scan.rfind('/')));
}

// What one run leaves: the file context and the GUI's and the batch's tables.
struct Saved { std::string context; Tables gui, batch; };

class WorkflowTest : public EvalTest {
protected:
    void TearDown() override
    {
        EvalTest::TearDown();
        std::setlocale(LC_ALL, "C");
        g_unsetenv("LC_ALL");
    }

    void setMark(int i) { setToggle(ctx, i == 0 ? "startdate" : "enddate"); }

    // The chart placed by hand: pass points, marks, dates; the fit on.
    void placeChart(const SynthChart &chart)
    {
        const char *const radio[3] = {"P2", "P1", "P3"};
        for (int i = 0; i < 3; ++i) {
            setToggle(ctx, radio[i]);
            clickScan(ctx, chart.pass[i].x, chart.pass[i].y);
        }
        showPage(EvaluationPage);
        for (int i : {1, 0}) {
            setMark(i);
            click(view(SubImgTemp), chart.datePos[i], 100);
            EXPECT_EQ(ctx->settings.datePos[i], chart.datePos[i]) << i;
        }
        for (int i : {0, 1}) {  // the date in the calendar, the time typed
            const DateTime &t = chart.dateVal[i];
            setMark(i);
            selectDay(ctx, t.year, t.month, t.day);
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
        fieldWork.clear();
        clickButton(ctx, "autowindows");  // stored for both fields, as the saved context shows
        EXPECT_EQ(fieldWork, (Fields{0, 1}));
        if (pointerStateAvailable()) {
            GtkWidget *hygro = view(SubImgHygro);
            setToggle(ctx, "drawcurve");
            const int x = ctx->settings.datePos[0] + 40;
            const int y = int(ctx->fields[SubImgHygro].curve->value(x));
            pressButton(hygro, x, y);
            movePointer(hygro, x, y);
            movePointer(hygro, x + 12, y + 1);
            releaseButton(hygro, x + 12, y + 1);
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
        EXPECT_TRUE(!decimalComma || useDecimalCommaLocale());
        start("");
        const MadeChart made = makeChart(appDir(), quickChartOptions(11));
        EXPECT_EQ(made.result, SynthOk);
        g_unlink(made.ctx.c_str());  // the user places everything
        const SynthChart &chart = made.chart;

        chooseFile(ctx, made.scan);
        placeChart(chart);
        for (int f = SubImgTemp; f <= SubImgHygro; ++f)  // fewer than 24 rows fail
            EXPECT_LT(tableError(chart, ctx->fields[f], f).rmse, f == SubImgTemp ? 0.3 : 1.5) << f;
        retouch();

        showPage(TablePage);
        setToggle(ctx->widtimestep10, true);
        setToggle(ctx->widCsv, true);
        clickButton(ctx, "savetables");
        EXPECT_EQ(takeDialogs(), Dialogs{});
        saved.gui = tablesOf(made.scan);

        // The batch digitises the scan from the saved file context alike.
        answerDialogs({AnswerOk});
        saveFileCtx(ctx);
        saved.context = fileContents(made.ctx);
        saved.batch = batchTablesOf(made.scan, "--csv");
        return saved;
    }
};

TEST_F(WorkflowTest, GuiAndBatchWriteTheSameTablesInAnyLocale)
{
    const Saved plain = runWorkflow(false);
    for (const char *key : {"Smoothness=0.000000", "AddTemp=0.500000", "AddHygro=-0.300000", "TimeStep=10",
                            "Top1_", "Bot0_"})
        EXPECT_NE(plain.context.find(key), std::string::npos) << key;
    // The drawn rows and the CSV's columns show in the comparison with the batch.

    const Saved comma = runWorkflow(true);
    EXPECT_EQ(comma.context, plain.context);
    const std::pair<const char *, const Tables &> others[] = {
        {"batch", plain.batch}, {"decimal-comma GUI", comma.gui}, {"decimal-comma batch", comma.batch}};
    for (int t = 0; t < 3; ++t) {
        EXPECT_GT(plain.gui[t].size(), 1000u) << t;
        for (const auto &other : others)
            EXPECT_EQ(other.second[t], plain.gui[t]) << "file " << t << " of the " << other.first;
    }
}

// The window names the profile, the hygrometer pen has the profile's ink, the
// prepared scan goes from the pass point page straight to its tables, the CSV
// names the temperature column after the chart's unit, and the tables are the
// batch's byte for byte (whose accuracy on these makes the core tests prove).
TEST_F(WorkflowTest, ChartsOfOtherMakesWithTheirProfiles)
{
    const std::pair<const char *, const char *> makes[] = {{"fahrenheit-0-110.ini", "F"}, {"weekly-82-90.ini", "C"}};
    for (const auto &[make, unit] : makes) {
        SCOPED_TRACE(make);
        const std::string profile = std::string(VELLORA_SOURCE_DIR "/profiles/") + make;
        ASSERT_NO_FATAL_FAILURE(start(fileContents(profile)));
        EXPECT_NE(std::string(gtk_window_get_title(GTK_WINDOW(ctx->widMainWindow))).find("profile vellora.ini"),
                  std::string::npos);
        ChartOptions options = quickChartOptions(8);
        options.useProfile(*ctx->params);
        const MadeChart made = makeChart(appDir(), options);
        ASSERT_EQ(made.result, SynthOk);

        chooseFile(ctx, made.scan);  // with its file context
        GdkColor hygro;
        gtk_color_button_get_color(GTK_COLOR_BUTTON(ctx->widSelHygroColor), &hygro);
        EXPECT_EQ(hygro.blue >> 8, hygroInkColorOf(*ctx->params)[2]);
        showPage(TablePage);
        EXPECT_EQ(takeDialogs(), Dialogs{});
        setToggle(ctx->widCsv, true);
        clickButton(ctx, "savetables");
        const Tables gui = tablesOf(made.scan);
        EXPECT_EQ(gui[kCsv].rfind(std::string("time,temperature_") + unit + ",humidity_pct,flags\n", 0), 0u)
            << gui[kCsv].substr(0, 80);
        const Tables batch = batchTablesOf(made.scan, "--no-auto-windows --params '" + profile + "'");
        for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
            EXPECT_GT(gui[f].size(), 1000u) << f;
            EXPECT_EQ(batch[f], gui[f]) << f;
        }
    }
}

} // namespace
