// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>
#include <cstdlib>

#include <gdk/gdkkeysyms.h>
#include <glib/gstdio.h>

#include "evalchart.h"
#include "synth_fixtures.h"

// Preparing a chart with what the program proposes: the corners detected, the
// marks at the trace's ends, the start from the previous chart of the folder,
// the end from the paper speed, and only what differs typed.

using namespace evalchart;

namespace {

// A weekly drum's paper speed, given to the charts and to the profile alike.
const double kMMPerHour = 1.6;
const char *const kWeeklyIni = "srcMMPerHour 1.6\n";

// What a person types to turn the date shown into the wanted one: the parts
// from the first that differs on, nothing when they agree.
std::string differingText(const DateTime &shown, const DateTime &wanted)
{
    const std::string full = stamp(wanted);
    if (shown.minutesUntil(wanted) == 0)
        return "";
    if (shown.year != wanted.year)
        return full;
    return full.substr(shown.month != wanted.month ? 5 : shown.day != wanted.day ? 8 : 11);
}

// The user's input through GTK, each click and each key counted.
struct CountedInput {
    void clickButton(GtkWidget *button) { ::clickButton(button); ++actions; }
    void clickTab(int page) { showPage(ctx, page); ++actions; }
    void clickInto(GtkWidget *widget) { click(widget, 4, 4); ++actions; }
    void key(guint keyval) { pressKey(ctx, keyval); ++actions; }

    MainCtx *ctx;
    int actions = 0;
};

class SetupTest : public EvalTest {
protected:
    // A week's chart of the folder, without file context when it is new.
    MadeChart weeklyChart(const std::string &name, uint64_t seed, bool withContext,
                          const DateTime *start = nullptr)
    {
        ChartOptions options = quickChartOptions(seed);
        options.mmPerHour = kMMPerHour;
        options.annotations = options.gaps = true;
        if (start)
            options.start = *start;
        MadeChart made = makeChart(archive.path(), options, name);
        EXPECT_EQ(made.result, SynthOk);
        if (!withContext) {
            EXPECT_EQ(g_remove(made.ctx.c_str()), 0);
        }
        return made;
    }

    TempDir archive{"archive"};
};

// The chart after one done in an earlier run: its start is that chart's end,
// its end follows from the marks and the paper speed; confirming the one and
// typing what differs of the other makes accurate tables. Opening is not counted.
TEST_F(SetupTest, NextChartAfterARestartIsPreparedInTwelveClicksAndKeys)
{
    ASSERT_NO_FATAL_FAILURE(start(kWeeklyIni));
    const MadeChart previous = weeklyChart("x0701", 21, true);
    const MadeChart next = weeklyChart("x0708", 22, false, &previous.chart.dateVal[EndMark]);
    loadImage(ctx, previous.scan.c_str());
    stopApp(ctx);  // and started again with the settings it kept
    ASSERT_NO_FATAL_FAILURE(start(kWeeklyIni, fileContents(appDir() + "/vellora.ctx")));
    loadImage(ctx, next.scan.c_str());
    const SynthChart &chart = next.chart;
    CountedInput input{ctx};

    input.clickButton(ctx->widDetectCorners);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(ctx->settings.passPoints[i].x, chart.pass[i].x, 2.0) << i;
        EXPECT_NEAR(ctx->settings.passPoints[i].y, chart.pass[i].y, 2.0) << i;
    }
    input.clickTab(EvaluationPage);
    for (int i = 0; i < 2; ++i) {
        EXPECT_NEAR(ctx->settings.datePos[i], chart.datePos[i], 2) << i;
        EXPECT_TRUE(gtk_widget_get_visible(ctx->widDateProposal[i])) << i;
    }
    EXPECT_EQ(entryText(ctx->widDateEntry[StartMark]), stamp(chart.dateVal[StartMark]));
    const DateTime proposedEnd = ctx->settings.dateVal[EndMark];
    EXPECT_LE(std::abs(proposedEnd.minutesUntil(chart.dateVal[EndMark])), 15) << stamp(proposedEnd);

    input.clickInto(ctx->widDateEntry[StartMark]);
    input.key(GDK_Return);  // on to the end
    for (char c : differingText(proposedEnd, chart.dateVal[EndMark]))
        input.key(gdk_unicode_to_keyval(static_cast<guchar>(c)));
    input.key(GDK_Return);
    input.clickButton(uiWidget(ctx, "autowindows"));  // past the handwritten notes
    input.clickTab(TablePage);

    EXPECT_LE(input.actions, 12);
    EXPECT_EQ(takeDialogs(), std::vector<std::string>{});
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(stamp(ctx->settings.dateVal[i]), stamp(chart.dateVal[i])) << i;
        EXPECT_NE(record(dateValKey(i)), nullptr) << i;
        EXPECT_FALSE(gtk_widget_get_visible(ctx->widDateProposal[i])) << i;
    }
    const double limit[2] = {0.3, 1.5};
    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        const TableError error = tableError(chart, ctx->fields[f], f);
        EXPECT_LE(error.rmse, limit[f]) << "field " << f << " over " << error.n << " rows";
    }
}

// Only a chart without a start date of its own, in the folder of the end
// remembered, is offered that end.
TEST_F(SetupTest, OnlyANewChartOfTheSameFolderIsOfferedThePreviousEnd)
{
    ASSERT_NO_FATAL_FAILURE(start(kWeeklyIni));
    const MadeChart first = weeklyChart("first", 3, true);
    const MadeChart second = weeklyChart("second", 4, true);
    g_mkdir(archive.file("other").c_str(), 0755);
    const MadeChart other = weeklyChart("other/chart", 5, false);

    loadImage(ctx, first.scan.c_str());
    loadImage(ctx, second.scan.c_str());
    EXPECT_EQ(stamp(ctx->settings.dateVal[StartMark]), stamp(second.chart.dateVal[StartMark]));
    EXPECT_FALSE(gtk_widget_get_visible(ctx->widDateProposal[StartMark]));
    loadImage(ctx, other.scan.c_str());
    EXPECT_NE(stamp(ctx->settings.dateVal[StartMark]), stamp(second.chart.dateVal[EndMark]));
    EXPECT_FALSE(gtk_widget_get_visible(ctx->widDateProposal[StartMark]));
}

// The entries work in any mouse mode, complete a shortened date from the one
// they show, move a proposed end with the start until the end is confirmed,
// and refuse what is no date.
TEST_F(SetupTest, TypedDatesWorkInEveryModeAndCompleteFromTheDateShown)
{
    ASSERT_NO_FATAL_FAILURE(start(std::string(kChartIni) + kWeeklyIni));
    openChart();
    showPage(EvaluationPage);
    placeBothMarks();
    ctx->fileCtx.remove(dateValKey(EndMark).c_str());
    const int *pos = ctx->settings.datePos;
    const int spanMinutes = static_cast<int>(std::lround((pos[1] - pos[0]) / 2.0 / kMMPerHour * 60.0));
    setToggle(ctx, "retouchvertical");
    GtkWidget *const *entry = ctx->widDateEntry;
    const auto typeDate = [entry](int mark, const char *text) {
        gtk_entry_set_text(GTK_ENTRY(entry[mark]), text);
        gtk_widget_activate(entry[mark]);
        runPending();
    };

    typeDate(StartMark, "2002-03-16 04:00");
    EXPECT_STREQ(record("DateVal1"), "y 2002 m 03 d 16 h 04 m 00");
    EXPECT_EQ(ctx->settings.dateVal[StartMark].minutesUntil(ctx->settings.dateVal[EndMark]), spanMinutes);
    EXPECT_EQ(entryText(entry[EndMark]), stamp(ctx->settings.dateVal[EndMark]));
    EXPECT_EQ(record("DateVal2"), nullptr) << "a proposed end is not stored";

    typeDate(EndMark, "23 18:30");
    typeDate(StartMark, "05:30");
    EXPECT_STREQ(record("DateVal1"), "y 2002 m 03 d 16 h 05 m 30");
    EXPECT_STREQ(record("DateVal2"), "y 2002 m 03 d 23 h 18 m 30") << "a confirmed end stays";
    setToggle(ctx, "enddate");
    guint year = 0, month = 0, day = 0;
    gtk_calendar_get_date(GTK_CALENDAR(ctx->widCalendar), &year, &month, &day);
    EXPECT_EQ(stamp(year, month + 1, day, 4, 0), "2002-03-23 04:00") << "the calendar opens at the end";

    answerDialogs({AnswerOk});
    typeDate(StartMark, "02-29 04:00");  // which texts are dates is the core's test
    EXPECT_EQ(takeDialogs().size(), 1u);
    EXPECT_STREQ(record("DateVal1"), "y 2002 m 03 d 16 h 05 m 30");
}

} // namespace
