#include "evalchart.h"

// The controls of the evaluation page: mark dates and times, the ink colour
// and its reset, and the value offsets.

using namespace evalchart;

namespace {

class ControlsTest : public EvalTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(start());
        openChart();
        showPage(kEvaluationPage);
        setToggle(ctx->widShowCurve, true);
        fieldWork.clear();
    }

    void setMode(const char *button) { setToggle(uiWidget(ctx, button), true); }

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

    const char *record(const char *key) { return ctx->fileCtx.get(key); }

    std::string difference()
    {
        return entryText(ctx->widDiffDay) + " " + entryText(ctx->widDiffHour) + " " +
               entryText(ctx->widDiffMinute);
    }

    // The calendar's day and the hour shown as DDHH.
    int shownDayHour()
    {
        guint y, m, d;
        gtk_calendar_get_date(GTK_CALENDAR(ctx->widCalendar), &y, &m, &d);
        return d * 100 + gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(ctx->widHour));
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

    setMode("enddate");
    EXPECT_EQ(shownDayHour(), 513);
    selectDay(2000, 3, 7);
    EXPECT_EQ(ctx->dateVal[0].day, 5);
    EXPECT_STREQ(record("DateVal2"), "y 2000 m 03 d 07 h 13 m 00");
    EXPECT_EQ(difference(), "2 1 0");
    setMode("startdate");
    EXPECT_EQ(shownDayHour(), 512);

    // Outside the date modes the calendar changes no date.
    setMode("drawcurve");
    selectDay(2001, 1, 1);
    EXPECT_EQ(ctx->dateVal[0].year + ctx->dateVal[1].year, 4000);
}

TEST_F(ControlsTest, TimesSetTheMarkAndShowTheDifference)
{
    setSpin(ctx->widHour, 10);
    setSpin(ctx->widMinute, 50);
    setMode("enddate");
    selectDay(2000, 1, 1);
    setSpin(ctx->widHour, 11);
    setSpin(ctx->widMinute, 10);
    EXPECT_STREQ(record("DateVal1"), "y 2000 m 01 d 01 h 10 m 50");
    EXPECT_STREQ(record("DateVal2"), "y 2000 m 01 d 01 h 11 m 10");
    EXPECT_EQ(difference(), "0 0 20");
    EXPECT_EQ(fieldWork, recomputed({0, 1})) << "only the end day";

    setSpin(ctx->widHour, 9);
    setSpin(ctx->widMinute, 20);
    EXPECT_EQ(difference(), "0 -1 -30");

    ctx->dateVal[0].setDateTime(2000, 2, 30, 10, 0);
    showDateDifference(ctx);
    EXPECT_EQ(difference(), "? ? ?");
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
    std::vector<DialogRecord> dialogs = takeDialogs();
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[1].text, "missing curve");

    gtk_button_clicked(GTK_BUTTON(uiWidget(ctx, "resetcolor")));
    runPending();
    EXPECT_STREQ(record("CurveColor"), "155 132 192");
    GdkColor shown;
    gtk_color_button_get_color(GTK_COLOR_BUTTON(ctx->widSelCurveColor), &shown);
    EXPECT_EQ((std::vector<int>{shown.red, shown.green, shown.blue}),
              (std::vector<int>{39680, 33792, 49152}));
    EXPECT_GT(ctx->subImgData[SubImgTemp].knotCount, 500);
}

TEST_F(ControlsTest, OffsetsRecomputeOnlyTheirFieldAndAreStored)
{
    setSpin(ctx->widAddTemp, 1.5);
    EXPECT_STREQ(record("AddTemp"), "1.500000");
    EXPECT_EQ(fieldWork, recomputed({0}));
    EXPECT_EQ(entryText(ctx->subImgData[SubImgTemp].wid_mean), "  +6.50");

    fieldWork.clear();
    setSpin(ctx->widAddHygro, 0.5);
    EXPECT_STREQ(record("AddHygro"), "0.500000");
    EXPECT_EQ(ctx->hygroScale.getOffset(), 0.5);
    EXPECT_EQ(fieldWork, recomputed({1}));

    // An offset loaded with the scan before its spin button is set.
    fieldWork.clear();
    ctx->fileCtx.remove("AddTemp");
    ctx->subImgData[SubImgTemp].addValue = -2.25;
    setSpin(ctx->widAddTemp, -2.25);
    EXPECT_EQ(record("AddTemp"), nullptr);
    EXPECT_TRUE(fieldWork.empty());
}

} // namespace
