// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdlib>

#include "evalchart.h"
#include "synth_fixtures.h"
#include "tablefile.h"

// A chart of another make, read with its profile: the window names the
// profile, the hygrometer pen has its own ink, and the tables match the
// chart's truth and the batch's, byte for byte.

using namespace evalchart;

namespace {

TEST_F(EvalTest, ChartsOfOtherMakesWithTheirProfiles)
{
    for (const char *make : {"fahrenheit-0-110.ini", "weekly-82-90.ini"}) {
        SCOPED_TRACE(make);
        const std::string profile = std::string(VELLORA_SOURCE_DIR "/profiles/") + make;
        ASSERT_NO_FATAL_FAILURE(start(fileContents(profile).c_str()));
        EXPECT_NE(std::string(gtk_window_get_title(GTK_WINDOW(ctx->widMainWindow))).find("profile vellora.ini"),
                  std::string::npos);
        ChartOptions options = quickChartOptions(8);
        options.useProfile(*ctx->params);
        const MadeChart made = makeChart(appDir(), options);
        ASSERT_EQ(made.result, SynthOk);

        chooseFile(ctx, made.scan);
        GdkColor hygro;
        gtk_color_button_get_color(GTK_COLOR_BUTTON(ctx->widSelHygroColor), &hygro);
        EXPECT_EQ(hygro.blue >> 8, hygroInkColorOf(*ctx->params)[2]);
        showPage(kTablePage);
        EXPECT_EQ(takeDialogs(), std::vector<std::string>{});
        for (int f = SubImgTemp; f <= SubImgHygro; ++f)
            EXPECT_LT(tableError(made.chart, ctx->fields[f], f).rmse, f == SubImgTemp ? 0.2 : 0.3) << f;
        setToggle(ctx->widCsv, true);
        gtk_button_clicked(GTK_BUTTON(uiWidget(ctx, "savetables")));
        runPending();
        // The CSV names the temperature column after the chart's unit.
        const std::string unit = ctx->params->tempUnit == TempFahrenheit ? "F" : "C";
        EXPECT_EQ(fileContents(made.scan + ".csv").rfind("time,temperature_" + unit + ",humidity_pct,flags\n", 0), 0u);

        const std::string outDir = appDir() + "/batch";
        const std::string command = "'" VELLORA_BINARY_DIR "/vellora-batch' --no-auto-windows --params '" +
                                    profile + "' --output-dir '" + outDir + "' -q '" + made.scan + "' > /dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
            const std::string name = tableFileName(made.scan, f);
            EXPECT_EQ(fileContents(outDir + name.substr(name.rfind('/'))), fileContents(name)) << name;
        }
        stopApp(ctx);
        ctx = nullptr;
    }
}

} // namespace
