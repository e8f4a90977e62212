// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>

#include <glib/gstdio.h>

#include "evalchart.h"
#include "synth_fixtures.h"

// A chart without file context prepared with what the program proposes: the
// corners detected, the marks at the trace's ends, the dates typed.

using namespace evalchart;

namespace {

std::string typed(const DateTime &t)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute);
    return text;
}

// One action: the text typed into the entry and Enter.
void typeDate(MainCtx *ctx, const DateTime &t)
{
    gtk_entry_set_text(GTK_ENTRY(ctx->widDateEntry), typed(t).c_str());
    gtk_widget_activate(ctx->widDateEntry);
    runPending();
}

TEST_F(EvalTest, DetectProposedMarksAndTypedDatesGiveTheTruthInEightActions)
{
    ASSERT_NO_FATAL_FAILURE(start(""));
    ChartOptions options = quickChartOptions(11);
    options.annotations = options.gaps = true;
    const MadeChart made = makeChart(appDir(), options);
    ASSERT_EQ(made.result, SynthOk);
    ASSERT_EQ(g_remove(made.ctx.c_str()), 0);
    loadImage(ctx, made.scan.c_str());
    const SynthChart &chart = made.chart;

    gtk_button_clicked(GTK_BUTTON(ctx->widDetectCorners));                       // 1
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ctx->settings.passPoints[i].set, 1) << i;
        EXPECT_NEAR(ctx->settings.passPoints[i].x, chart.pass[i].x, 2.0) << i;
        EXPECT_NEAR(ctx->settings.passPoints[i].y, chart.pass[i].y, 2.0) << i;
    }
    showPage(kEvaluationPage);                                                  // 2
    for (int i = 0; i < 2; ++i)
        EXPECT_NEAR(ctx->settings.datePos[i], chart.datePos[i], 2) << i;
    setToggle(uiWidget(ctx, "startdate"), true);  // the mode the page opens in
    typeDate(ctx, chart.dateVal[0]);                                            // 3
    setToggle(uiWidget(ctx, "enddate"), true);                                  // 4
    typeDate(ctx, chart.dateVal[1]);                                            // 5
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(ctx->settings.dateVal[i].minutesUntil(chart.dateVal[i]), 0) << i;
    gtk_button_clicked(GTK_BUTTON(uiWidget(ctx, "autowindows")));              // 6
    setToggle(ctx->widShowCurve, true);                                         // 7
    showPage(kTablePage);                                                       // 8
    EXPECT_EQ(takeDialogs(), std::vector<std::string>{});

    const double limit[2] = {0.3, 1.5};
    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        const TableError error = tableError(chart, ctx->fields[f], f);
        EXPECT_LE(error.rmse, limit[f]) << "field " << f << " over " << error.n << " rows";
    }
}

// The next chart of a folder without dates of its own is offered the previous
// chart's end as its start, marked as proposed until confirmed; a chart of
// another folder is not.
TEST_F(EvalTest, NextChartOfTheFolderIsOfferedThePreviousEndUntilConfirmed)
{
    ASSERT_NO_FATAL_FAILURE(start(""));
    const MadeChart first = makeChart(appDir(), quickChartOptions(3), "first");
    const MadeChart next = makeChart(appDir(), quickChartOptions(4), "next");
    ASSERT_EQ(g_remove(next.ctx.c_str()), 0);
    loadImage(ctx, first.scan.c_str());
    EXPECT_FALSE(gtk_widget_get_visible(ctx->widDateProposal));
    loadImage(ctx, next.scan.c_str());
    EXPECT_EQ(ctx->settings.dateVal[0].minutesUntil(first.chart.dateVal[1]), 0);
    EXPECT_TRUE(gtk_widget_get_visible(ctx->widDateProposal));
    EXPECT_EQ(record("DateVal1"), nullptr) << "not stored before it is confirmed";

    showPage(kEvaluationPage);
    setToggle(uiWidget(ctx, "startdate"), true);
    EXPECT_EQ(entryText(ctx->widDateEntry), typed(first.chart.dateVal[1]));
    gtk_widget_activate(ctx->widDateEntry);
    EXPECT_FALSE(gtk_widget_get_visible(ctx->widDateProposal));
    EXPECT_NE(record("DateVal1"), nullptr);

    answerDialogs({AnswerNo});  // the confirmed date is not saved
    TempDir elsewhere("other");
    const MadeChart other = makeChart(elsewhere.path(), quickChartOptions(5));
    ASSERT_EQ(g_remove(other.ctx.c_str()), 0);
    loadImage(ctx, other.scan.c_str());
    EXPECT_FALSE(gtk_widget_get_visible(ctx->widDateProposal));
    EXPECT_NE(ctx->settings.dateVal[0].minutesUntil(first.chart.dateVal[1]), 0);
}

// A typed date that is no date is refused and changes nothing.
TEST_F(EvalTest, TypedDateThatIsNoDateIsRefused)
{
    evaluate(false);
    setToggle(uiWidget(ctx, "startdate"), true);
    const int before = ctx->settings.dateVal[0].minutesUntil(ctx->settings.dateVal[1]);
    answerDialogs({AnswerOk, AnswerOk});
    for (const char *text : {"2002-02-30 04:00", "16.03.2002 04:00"}) {
        gtk_entry_set_text(GTK_ENTRY(ctx->widDateEntry), text);
        gtk_widget_activate(ctx->widDateEntry);
        runPending();
        EXPECT_EQ(takeDialogs().size(), 1u) << text;
    }
    EXPECT_EQ(ctx->settings.dateVal[0].minutesUntil(ctx->settings.dateVal[1]), before);
}

} // namespace
