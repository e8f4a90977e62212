#include "evalchart.h"

// The controls of the evaluation page: mark dates and times, the ink colour
// and its reset, and the value offsets.

using namespace evalchart;

namespace {

class ControlsTest : public EvalTest {
protected:
    void SetUp() override
    {
        start();
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

    std::string record(const char *key)
    {
        const char *value = ctx->fileCtx.get(key);
        return value ? value : "(none)";
    }

    std::string difference()
    {
        return entryText(ctx->widDiffDay) + " " + entryText(ctx->widDiffHour) + " " +
               entryText(ctx->widDiffMinute);
    }

    std::string shownDate()
    {
        guint y, m, d;
        gtk_calendar_get_date(GTK_CALENDAR(ctx->widCalendar), &y, &m, &d);
        char text[32];
        std::snprintf(text, sizeof text, "%04u-%02u-%02u %02d:%02d", y, m + 1, d,
                      gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(ctx->widHour)),
                      gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(ctx->widMinute)));
        return text;
    }
};

TEST_F(ControlsTest, ANewStartDayMovesTheEndDaySameDayWritesNothing)
{
    selectDay(2000, 3, 5);
    EXPECT_EQ(record("DateVal1"), "y 2000 m 03 d 05 h 12 m 00");
    EXPECT_EQ(record("DateVal2"), "y 2000 m 03 d 05 h 13 m 00");
    EXPECT_EQ(difference(), "0 1 0");
    EXPECT_EQ(fieldWork, recomputed({0, 1}));

    fieldWork.clear();
    ctx->fileCtx.remove("DateVal1");
    ctx->fileCtx.remove("DateVal2");
    selectDay(2000, 3, 5);
    EXPECT_EQ(record("DateVal1"), "(none)");
    EXPECT_EQ(record("DateVal2"), "(none)");
    EXPECT_TRUE(fieldWork.empty());

    setMode("enddate");
    EXPECT_EQ(shownDate(), "2000-03-05 13:00");
    selectDay(2000, 3, 7);
    EXPECT_EQ(ctx->dateVal[0].day * 100 + ctx->dateVal[0].hour, 512);
    EXPECT_EQ(record("DateVal2"), "y 2000 m 03 d 07 h 13 m 00");
    EXPECT_EQ(difference(), "2 1 0");
    setMode("startdate");
    EXPECT_EQ(shownDate(), "2000-03-05 12:00");

    // Outside the date modes the calendar changes no date.
    setMode("drawcurve");
    selectDay(2001, 1, 1);
    EXPECT_EQ(ctx->dateVal[0].year + ctx->dateVal[1].year, 4000);
}

TEST_F(ControlsTest, TimesSetTheMarkWaitForTheNextRecomputationAndShowTheDifference)
{
    setSpin(ctx->widHour, 10);
    setSpin(ctx->widMinute, 50);
    setMode("enddate");
    selectDay(2000, 1, 1);
    setSpin(ctx->widHour, 11);
    setSpin(ctx->widMinute, 10);
    EXPECT_EQ(record("DateVal1"), "y 2000 m 01 d 01 h 10 m 50");
    EXPECT_EQ(record("DateVal2"), "y 2000 m 01 d 01 h 11 m 10");
    EXPECT_EQ(difference(), "0 0 20");
    EXPECT_EQ(fieldWork, recomputed({0, 1})) << "only the end day";

    setSpin(ctx->widHour, 9);
    setSpin(ctx->widMinute, 20);
    EXPECT_EQ(difference(), "0 -1 -30");
    EXPECT_EQ(fieldWork, recomputed({0, 1}));

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
    EXPECT_EQ(ctx->curveColor[0] * 1000000 + ctx->curveColor[1] * 1000 + ctx->curveColor[2],
              18128000);
    EXPECT_EQ(ctx->refColor.rgb[1], 128);
    EXPECT_EQ(record("CurveColor"), " 18 128   0");
    EXPECT_EQ(fieldWork, recomputed({0, 1}));
    EXPECT_EQ(ctx->subImgData[SubImgTemp].knotCount, 0) << "no ink of that colour";
    std::vector<DialogRecord> dialogs = takeDialogs();
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[1].text, "missing curve");

    gtk_button_clicked(GTK_BUTTON(uiWidget(ctx, "resetcolor")));
    runPending();
    EXPECT_EQ(record("CurveColor"), "155 132 192");
    GdkColor shown;
    gtk_color_button_get_color(GTK_COLOR_BUTTON(ctx->widSelCurveColor), &shown);
    EXPECT_EQ(shown.red, 39680);
    EXPECT_EQ(shown.green, 33792);
    EXPECT_EQ(shown.blue, 49152);
    EXPECT_GT(ctx->subImgData[SubImgTemp].knotCount, 500);
}

TEST_F(ControlsTest, OffsetsRecomputeOnlyTheirFieldAndAreStored)
{
    setSpin(ctx->widAddTemp, 1.5);
    EXPECT_EQ(record("AddTemp"), "1.500000");
    EXPECT_EQ(fieldWork, recomputed({0}));
    EXPECT_EQ(entryText(ctx->subImgData[SubImgTemp].wid_mean), "  +6.50");

    fieldWork.clear();
    setSpin(ctx->widAddHygro, 0.5);
    EXPECT_EQ(record("AddHygro"), "0.500000");
    EXPECT_EQ(ctx->hygroScale.getOffset(), 0.5);
    EXPECT_EQ(fieldWork, recomputed({1}));

    // An offset loaded with the scan before its spin button is set.
    fieldWork.clear();
    ctx->fileCtx.remove("AddTemp");
    ctx->subImgData[SubImgTemp].addValue = -2.25;
    setSpin(ctx->widAddTemp, -2.25);
    EXPECT_EQ(record("AddTemp"), "(none)");
    EXPECT_TRUE(fieldWork.empty());
}

} // namespace
