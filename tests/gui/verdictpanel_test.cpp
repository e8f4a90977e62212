// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>

#include "evalchart.h"
#include "synth_fixtures.h"

// The evaluation page's verdict on a chart whose pens left gaps.

using namespace evalchart;

namespace {

std::string labelText(GtkWidget *label) { return gtk_label_get_text(GTK_LABEL(label)); }

// The field column of a minute of the trace, as chartsynth drew it.
double columnOf(const SynthChart &chart, double minute)
{
    return chart.datePos[0] + minute * (chart.datePos[1] - chart.datePos[0]) / chart.minutes;
}


// The gaps are marked red under both field views, "Next suspect" brings each
// into view in turn, and a change to one field judges only that field anew.
TEST_F(EvalTest, PenGapsAreMarkedSuspectVisitedInTurnAndJudgedAnewPerField)
{
    ASSERT_NO_FATAL_FAILURE(start(""));
    ChartOptions options = quickChartOptions(7);
    options.gaps = true;
    const MadeChart made = makeChart(appDir(), options);
    ASSERT_EQ(made.result, SynthOk);
    ASSERT_GE(made.chart.gaps.size(), 3u);
    loadImage(ctx, made.scan.c_str());
    showPage(EvaluationPage);
    EXPECT_EQ(labelText(ctx->widVerdict), "Verdict: shown once the curves are found");
    EXPECT_FALSE(gtk_widget_is_sensitive(ctx->widNextSuspect));
    setToggle(ctx->widShowCurve, true);
    ASSERT_EQ(takeDialogs(), std::vector<std::string>{});
    // Bridged gaps may still leave the tables trustworthy, but never unusable.
    const std::string verdict = labelText(ctx->widVerdict);
    EXPECT_TRUE(verdict.rfind("Verdict: ok", 0) == 0 || verdict.rfind("Verdict: suspect (", 0) == 0)
        << verdict;
    EXPECT_TRUE(gtk_widget_is_sensitive(ctx->widNextSuspect));

    // A band under every gap in each field; which stretches a gap makes is the core's verdict test.
    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        const Grab view(ctx->subImgData[f].widget);
        const int bottom = gdk_pixbuf_get_height(view.image) - 2;
        for (const PenGap &gap : made.chart.gaps) {
            const double middle = columnOf(made.chart, (gap.startMinute + gap.endMinute) / 2);
            const int x = static_cast<int>(middle * ctx->fieldZoom);
            EXPECT_EQ(view.count(x, x, bottom, bottom, {255, 0, 0}), 1) << "field " << f << " column " << middle;
        }
        const int before = static_cast<int>(made.chart.datePos[0] / 2 * ctx->fieldZoom);  // the trace starts
        EXPECT_EQ(view.count(before, before, bottom, bottom, {255, 0, 0}), 0) << "field " << f;
    }

    // Zoomed in, each press shows the next stretch in column order, then the first again.
    setZoom(ctx, FieldZoom, 2.0, nullptr, 0, 0);
    runPending();
    const size_t count = ctx->suspects[SubImgTemp].size() + ctx->suspects[SubImgHygro].size();
    ASSERT_GT(count, 0u);
    int lastFirst = -1;
    for (size_t press = 0; press <= count; ++press) {
        clickButton(ctx->widNextSuspect);
        GtkAdjustment *shown = scrollOf(ctx->subImgData[SubImgHygro].widget, true);
        const std::string status = statusText(ctx);
        int from = -1, to = -1;
        ASSERT_EQ(std::sscanf(status.substr(status.find("columns")).c_str(), "columns %d to %d", &from, &to), 2)
            << status;
        EXPECT_LE(shown->value / ctx->fieldZoom, to) << status;
        EXPECT_GE((shown->value + shown->page_size) / ctx->fieldZoom, from) << status;
        if (press < count)
            EXPECT_GE(from, lastFirst) << status;
        else
            EXPECT_EQ(status.rfind("suspect stretch 1 of ", 0), 0u) << status;
        lastFirst = from;
    }

    const std::vector<ColumnStretch> temperature = ctx->suspects[SubImgTemp];
    GdkColor green = {0, 0x0000, 0xffff, 0x0000};  // nowhere on the chart
    gtk_color_button_set_color(GTK_COLOR_BUTTON(ctx->widSelHygroColor), &green);
    g_signal_emit_by_name(ctx->widSelHygroColor, "color-set");
    runPending();
    const std::string after = labelText(ctx->widVerdict);
    EXPECT_NE(after, verdict);
    EXPECT_NE(after.find("humidity"), std::string::npos) << after;
    ASSERT_EQ(ctx->suspects[SubImgTemp].size(), temperature.size());
    for (size_t k = 0; k < temperature.size(); ++k)
        EXPECT_EQ(ctx->suspects[SubImgTemp][k].first, temperature[k].first) << k;
}

} // namespace
