// SPDX-License-Identifier: GPL-3.0-or-later
#include "evalchart.h"

// The controls of the evaluation page: mark dates and times, the ink colour
// and its reset, and the value offsets.

using namespace evalchart;

namespace {

class ControlsTest : public EvalTest {
protected:
    void SetUp() override
    {
        evaluate(true);
        for (int i = 0; i < 2; ++i)  // both marks placed where they are
            storeDatePosRecord(ctx->fileCtx, i, ctx->settings.datePos[i]);
    }

    void selectDay(int year, int month, int day)
    {
        gtk_calendar_select_month(GTK_CALENDAR(ctx->widCalendar), month - 1, year);
        gtk_calendar_select_day(GTK_CALENDAR(ctx->widCalendar), day);
        runPending();
    }
    void setSpin(GtkWidget *spin, double v)
    {
        gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin), v);
        runPending();
    }
    std::string difference()
    {
        return entryText(ctx->widDiffDay) + " " + entryText(ctx->widDiffHour) + " " +
               entryText(ctx->widDiffMinute);
    }
};

TEST_F(ControlsTest, ANewStartDayMovesTheEndDaySameDayWritesNothing)
{
    selectDay(2000, 3, 5);
    EXPECT_STREQ(record("DateVal1"), "y 2000 m 03 d 05 h 12 m 00");
    EXPECT_STREQ(record("DateVal2"), "y 2000 m 03 d 05 h 13 m 00");
    EXPECT_EQ(difference(), "0 1 0");
    EXPECT_EQ(fieldWork, recomputed({0, 1}));

    fieldWork.clear();
    ctx->fileCtx.remove("DateVal1");
    ctx->fileCtx.remove("DateVal2");
    selectDay(2000, 3, 5);
    EXPECT_EQ(record("DateVal1"), nullptr);
    EXPECT_EQ(record("DateVal2"), nullptr);
    EXPECT_TRUE(fieldWork.empty());
}

// A new hour or minute reaches the tables at once, so that what the table
// page saves matches the dates shown.
TEST_F(ControlsTest, TimesSetTheMarkTheDifferenceAndTheTables)
{
    setSpin(ctx->widHour, 10);
    setSpin(ctx->widMinute, 50);
    setToggle(uiWidget(ctx, "enddate"), true);
    selectDay(2000, 1, 1);
    setSpin(ctx->widHour, 12);
    fieldWork.clear();
    setSpin(ctx->widMinute, 10);
    EXPECT_STREQ(record("DateVal1"), "y 2000 m 01 d 01 h 10 m 50");
    EXPECT_STREQ(record("DateVal2"), "y 2000 m 01 d 01 h 12 m 10");
    EXPECT_EQ(difference(), "0 1 20");
    EXPECT_EQ(fieldWork, recomputed({0, 1}));
    const std::vector<TableRow> &rows = ctx->fields[SubImgTemp].rows;
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows.back().hour, 12);
    answerDialogs({AnswerOk, AnswerOk});
    setSpin(ctx->widHour, 9);
    setSpin(ctx->widMinute, 20);
    EXPECT_EQ(difference(), "0 -1 -30");
}

TEST_F(ControlsTest, ColourTakesTheHighBytesResetRestoresTheInkColour)
{
    GdkColor picked = {0, 0x12FF, 0x8000, 0x00FF};
    gtk_color_button_set_color(GTK_COLOR_BUTTON(ctx->widSelCurveColor), &picked);
    answerDialogs({AnswerOk, AnswerOk});
    g_signal_emit_by_name(ctx->widSelCurveColor, "color-set");
    runPending();
    EXPECT_STREQ(record("CurveColor"), " 18 128   0");
    EXPECT_EQ(fieldWork, recomputed({0, 1}));
    EXPECT_EQ(takeDialogs(), std::vector<std::string>(2, "vellora error: missing curve"));

    gtk_button_clicked(GTK_BUTTON(uiWidget(ctx, "resetcolor")));
    runPending();
    EXPECT_STREQ(record("CurveColor"), "155 132 192");
    GdkColor shown;
    gtk_color_button_get_color(GTK_COLOR_BUTTON(ctx->widSelCurveColor), &shown);
    EXPECT_EQ((std::vector<int>{shown.red, shown.green, shown.blue}), (std::vector<int>{39680, 33792, 49152}));
    EXPECT_GT(ctx->fields[SubImgTemp].knotCount, 500);
}

TEST_F(ControlsTest, TemperatureOffsetRecomputesOnlyItsFieldAndIsStored)
{
    setSpin(ctx->widAddTemp, 1.5);
    EXPECT_STREQ(record("AddTemp"), "1.500000");
    EXPECT_EQ(fieldWork, recomputed({0}));
    EXPECT_EQ(entryText(ctx->subImgData[SubImgTemp].wid_mean), "  +6.50");
}

} // namespace
