// SPDX-License-Identifier: GPL-3.0-or-later
#include "evalchart.h"

// The evaluation page: the cut-out on entry, recomputation only when shown and
// not busy, its controls, the mouse on the field views and the window buttons.

using namespace evalchart;

namespace {

// A click that arrives while the first status update pumps events starts no
// second recomputation.
gboolean recomputeWhileBusy(gpointer data)
{
    MainCtx *ctx = static_cast<MainCtx *>(data);
    EXPECT_TRUE(ctx->busy);
    setToggle(ctx->widShowContrast, true);
    recomputeChain(ctx, CurveChanged, 2);
    return FALSE;
}

TEST_F(EvalTest, EntryCutsOutOnlyAfterAPassPointChangeTheFitsWaitForADisplayToggleAndRunOnce)
{
    evaluate(false);  // the cut-out's size shows in the marks and rows clamped to its edge below
    recomputeChain(ctx, CurveChanged, 2);
    EXPECT_EQ(fieldWork, Fields{}) << "nothing is shown, so nothing is fitted";
    EXPECT_EQ(ctx->dirtyFlags, CurveChanged);

    g_idle_add(recomputeWhileBusy, ctx);
    setToggle(ctx->widShowCurve, true);
    EXPECT_EQ(ctx->showContrast, 1);
    EXPECT_EQ(fieldWork, (Fields{0, 1}));
    EXPECT_EQ(ctx->dirtyFlags & CurveChanged, 0) << "the ignored request is not queued";
    EXPECT_NEAR(ctx->fields[SubImgTemp].curve->value(300), kTempRow, 1e-6);
    EXPECT_NEAR(ctx->fields[SubImgHygro].curve->value(300), kHygroRow, 1e-6);
    EXPECT_EQ(entryText(ctx->subImgData[SubImgTemp].wid_mean), "  +5.00");

    // Entered again, the fields are cut out again only after a pass point change.
    FieldSettings &temp = ctx->settings.fields[SubImgTemp];
    GdkPixbuf *cut = ctx->fields[SubImgTemp].pixbuf;
    temp.drawPos[100] = 50;
    reenterEvaluation();
    EXPECT_EQ(ctx->fields[SubImgTemp].pixbuf, cut);
    EXPECT_EQ(temp.drawPos[100], 50) << "retouch kept";

    // A new cut-out loads the stored windows and draw marks; marks and drawn
    // rows beyond the image (a damaged record) come onto its edge.
    for (const auto &record : {std::make_pair("Bot0_0005", "10"), {"Draw1_0586", "44"}, {"Draw1_0585", "99999"}})
        ctx->fileCtx.set(record.first, record.second);
    ctx->settings.datePos[1] = 2147483647;
    setPassPoints();
    reenterEvaluation();
    EXPECT_EQ(temp.drawPos[100], -1);
    EXPECT_EQ(temp.windows.getBot(5), 10);
    EXPECT_EQ(ctx->settings.fields[SubImgHygro].drawPos[kFieldWidth - 1], 44);
    EXPECT_EQ(ctx->settings.fields[SubImgHygro].drawPos[kFieldWidth - 2], kFieldHeight - 1);
    EXPECT_EQ(ctx->settings.datePos[1], kFieldWidth - 1);
    EXPECT_EQ(takeDialogs(), Dialogs{});
}

// Points that cannot be the chart's frame are refused before any cut-out,
// naming the point to check; the results of the old geometry, which could no
// longer be drawn or saved, are dropped and the pass point page shown again.
// Every entry of either later page tries again.
TEST_F(EvalTest, PassPointsThatAreNoFrameAreRefusedNamingAPoint)
{
    evaluate(true);
    ASSERT_GT(int(ctx->fields[SubImgTemp].rows.size()), 0);
    const struct { double x, y; int lastSet, page; const char *problem; } frames[] = {  // x, y: TopLeft
        {40.0, 620.0 - 199.0, 0, EvaluationPage,
         "TopLeft to BottomLeft is 35 % of what BottomLeft to BottomRight makes it on this chart. Check TopLeft."},
        {40.0, 620.0 + 573.0, 2, TablePage, "they are in the wrong order or turned over. Check BottomRight."},
        {40.0 - 200.0, 620.0 - 573.0, 2, EvaluationPage,
         "the corner at BottomLeft is 109 degrees, not 90. Check BottomRight."}};
    for (const auto &frame : frames) {
        setPassPoints();
        ctx->settings.passPoints[0] = PassPoint{1, frame.x, frame.y};
        ctx->lastSetPassPoint = frame.lastSet;
        for (int entry = 0; entry < 2; ++entry) {
            answerDialogs({AnswerOk});
            showPage(PassPointPage);
            showPage(frame.page);
            EXPECT_EQ(takeDialogs(),
                      Dialogs{std::string("vellora error: The pass points do not form the chart's frame: ") +
                              frame.problem});
            EXPECT_EQ(currentPage(ctx), PassPointPage);
            EXPECT_EQ(ctx->fields[SubImgTemp].pixbuf, nullptr);
            EXPECT_EQ(ctx->fields[SubImgHygro].rows.size(), 0u);
        }
    }
}

// The click on the tab that starts a cut-out switches the page at once.
TEST_F(EvalTest, FirstTabClickAfterAPassPointWorks)
{
    if (!pointerStateAvailable())
        GTEST_SKIP() << "no XTest";
    ASSERT_NO_FATAL_FAILURE(start());
    openChart();
    runPending();
    for (int round = 0; round < 2; ++round) {
        serverClick(uiWidget(ctx, "passpointtab"));
        EXPECT_EQ(currentPage(ctx), PassPointPage) << round;
        setToggle(ctx, "P3");
        clickScan(ctx, 390.0 - round, 620.0);
        serverClick(uiWidget(ctx, "evaluatetab"));
        EXPECT_EQ(currentPage(ctx), EvaluationPage) << round;
        EXPECT_NE(ctx->fields[SubImgTemp].pixbuf, nullptr);
    }
}

TEST_F(EvalTest, HugeResolutionIsRefusedInsteadOfCrashing)
{
    start("dstPixelsPerMM 100000\n");
    openChart();
    answerDialogs({AnswerOk});
    showPage(EvaluationPage);
    EXPECT_EQ(takeDialogs(), Dialogs{"vellora error: could not cut out temperature and hygro images. "
                                     "Please set better pass points"});
    EXPECT_EQ(ctx->fields[SubImgTemp].pixbuf, nullptr);
}

// ---- controls and the mouse on the fitted chart ----------------------------

class EvaluatedTest : public EvalTest {
protected:
    void SetUp() override { evaluate(true); }

    GtkWidget *view() { return EvalTest::view(SubImgTemp); }
    FieldSettings &temp() { return ctx->settings.fields[SubImgTemp]; }
    std::string difference()
    {
        return entryText(ctx->widDiffDay) + " " + entryText(ctx->widDiffHour) + " " +
               entryText(ctx->widDiffMinute);
    }
};

// A new start day moves the end day (the same day, as filling the calendar
// selects, writes nothing: the intake test's reopened scan); a new hour or
// minute reaches the tables at once, so the saved tables match the dates.
TEST_F(EvaluatedTest, DaysAndTimesSetTheRecordsTheDifferenceAndTheTables)
{
    placeBothMarks();
    selectDay(ctx, 2000, 3, 5);
    EXPECT_STREQ(record("DateVal1"), "y 2000 m 03 d 05 h 12 m 00");
    EXPECT_STREQ(record("DateVal2"), "y 2000 m 03 d 05 h 13 m 00");
    EXPECT_EQ(difference(), "0 1 0");
    EXPECT_EQ(fieldWork, (Fields{0, 1}));

    setToggle(ctx, "startdate");
    selectDay(ctx, 2000, 1, 1);
    setSpin(ctx->widHour, 10);
    setSpin(ctx->widMinute, 50);
    setToggle(ctx, "enddate");
    selectDay(ctx, 2000, 1, 1);
    setSpin(ctx->widHour, 12);
    fieldWork.clear();
    setSpin(ctx->widMinute, 10);  // stored: the workflow test's batch reads them
    EXPECT_EQ(difference(), "0 1 20");
    EXPECT_EQ(fieldWork, (Fields{0, 1}));
    const std::vector<TableRow> &rows = ctx->fields[SubImgTemp].rows;
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows.back().hour, 12);
    answerDialogs({AnswerOk, AnswerOk});
    setSpin(ctx->widHour, 9);
    setSpin(ctx->widMinute, 20);
    EXPECT_EQ(difference(), "0 -1 -30");
}

// The offset recomputes only its field; the colour takes the high bytes, and
// the reset restores the ink colour.
TEST_F(EvaluatedTest, OffsetAndColourAreStoredAndRecomputeTheirFields)
{
    setSpin(ctx->widAddTemp, 1.5);
    EXPECT_EQ(fieldWork, Fields{0});
    EXPECT_EQ(entryText(ctx->subImgData[SubImgTemp].wid_mean), "  +6.50");

    fieldWork.clear();
    GdkColor picked = {0, 0x12FF, 0x8000, 0x00FF};
    gtk_color_button_set_color(GTK_COLOR_BUTTON(ctx->widSelCurveColor), &picked);
    answerDialogs({AnswerOk, AnswerOk});
    g_signal_emit_by_name(ctx->widSelCurveColor, "color-set");
    runPending();
    EXPECT_STREQ(record("CurveColor"), " 18 128   0");
    EXPECT_EQ(fieldWork, (Fields{0, 1}));
    EXPECT_EQ(takeDialogs(), Dialogs(2, "vellora error: missing curve"));

    clickButton(ctx, "resetcolor");
    EXPECT_STREQ(record("CurveColor"), "155 132 192");
    GdkColor shown;
    gtk_color_button_get_color(GTK_COLOR_BUTTON(ctx->widSelCurveColor), &shown);
    EXPECT_EQ((std::vector<int>{shown.red, shown.green, shown.blue}), (std::vector<int>{39680, 33792, 49152}));
    EXPECT_GT(ctx->fields[SubImgTemp].knotCount, 500);
}

// A mark takes the column under the pointer, at any zoom, and an end before
// the start is refused. The readout names the column, the chart time once
// both marks are placed (12:00 at column 100, the next day 13:00 at 400) and
// the value.
TEST_F(EvaluatedTest, MarksTakeTheColumnUnderThePointerTheReadoutNamesItsTime)
{
    click(view(), 49.5, 20);
    EXPECT_EQ(ctx->settings.datePos[0], 49);
    EXPECT_EQ(fieldWork, (Fields{0, 1}));
    setZoom(ctx, FieldZoom, 4.0, view(), -1, -1);
    runPending();
    click(view(), 4 * 120 + 3.5, 20, 3);
    EXPECT_EQ(ctx->settings.datePos[0], 120);
    setZoom(ctx, FieldZoom, 1.0, view(), -1, -1);
    runPending();
    click(view(), 100, 20);
    movePointer(view(), 250, kTempRow);
    const auto readout = [this] { return std::string(gtk_label_get_text(GTK_LABEL(ctx->widReadout))); };
    EXPECT_EQ(readout(), "column 250  +5.0 °C") << "no time before the end mark is placed";

    setToggle(ctx, "enddate");
    answerDialogs({AnswerOk});
    click(view(), 49, 20);
    EXPECT_EQ(takeDialogs(), Dialogs{"vellora error: you can not set end mark before start mark"});
    EXPECT_EQ(ctx->settings.datePos[1], kFieldWidth - 1);
    EXPECT_EQ(record("DatePos2"), std::to_string(kFieldWidth - 1)) << "the old column stored again";
    click(view(), 400, 20);
    movePointer(view(), 250, kTempRow);
    EXPECT_EQ(readout(), "column 250  02.01.2000 00.30  +5.0 °C");
    movePointer(EvalTest::view(SubImgHygro), 400, kHygroRow);
    EXPECT_EQ(readout().substr(0, 30), "column 400  02.01.2000 13.00  ");
    EXPECT_EQ(readout().substr(readout().size() - 2), " %");
}

// What the GUI stores is what the batch accepts: marks and drawn rows lie on
// the field image, also where the view is wider or the pointer left it.
// Strokes draw and retouch every column passed; Control clears; the release refits.
TEST_F(EvaluatedTest, MarksAndStrokesStoreEveryColumnOnTheImage)
{
    gtk_widget_set_size_request(view(), kFieldWidth + 200, kFieldHeight + 60);
    runPending();
    setToggle(ctx, "enddate");
    click(view(), kFieldWidth + 100, 20);
    EXPECT_STREQ(record("DatePos2"), std::to_string(kFieldWidth - 1).c_str());
    if (!pointerStateAvailable())
        GTEST_SKIP() << "no XTest: strokes need held buttons";
    setToggle(ctx, "drawcurve");
    stroke(view(), 100, kFieldHeight + 40);
    EXPECT_STREQ(record(columnKey("Draw", 0, 100)), std::to_string(kFieldHeight - 1).c_str());

    fieldWork.clear();
    pressButton(view(), 10, 30);
    movePointer(view(), 10, 30);
    movePointer(view(), 40, 50);  // a fast move fills the columns passed over
    EXPECT_EQ(fieldWork, Fields{}) << "the refit waits for the release";
    for (int x = 10; x <= 40; ++x) {
        ASSERT_EQ(temp().drawPos[x], 50) << x;
        ASSERT_STREQ(record(columnKey("Draw", 0, x)), "50") << x;
    }
    EXPECT_EQ(temp().drawPos[9] + temp().drawPos[41], -2);
    movePointer(view(), 25, 70, GDK_CONTROL_MASK);
    EXPECT_EQ(temp().drawPos[24], 50);
    EXPECT_EQ(temp().drawPos[25] + temp().drawPos[40], -2);
    EXPECT_EQ(record(columnKey("Draw", 0, 40)), nullptr);
    releaseButton(view(), 25, 70);
    EXPECT_EQ(fieldWork, Fields{0});

    // Retouching keeps two rows between the edges; Control clears one.
    setToggle(ctx, "retouchvertical");
    SpanArray &limit = temp().windows;
    const int x = 300;
    limit.setTop(x, 120);
    const struct { int y, button; unsigned state; const char *edge; int row; } strokes[] = {
        {200, 1, 0, "Bot", 118}, {10, 3, 0, "Top", 52}, {10, 1, GDK_CONTROL_MASK, "Bot", -1}};
    for (const auto &s : strokes) {
        limit.setBot(x, 50);
        fieldWork.clear();
        stroke(view(), x, s.y, s.button, s.state);
        EXPECT_EQ(s.edge[0] == 'B' ? limit.getBot(x) : limit.getTop(x), s.row) << s.edge;
        const char *stored = record(columnKey(s.edge, 0, x));
        EXPECT_EQ(stored ? std::stoi(stored) : -1, s.row) << s.edge;
        EXPECT_EQ(fieldWork, Fields{0}) << s.edge;
    }
}

// The resets drop every window and drawn row of both fields (automatic
// windows are the workflow test's).
TEST_F(EvaluatedTest, WindowButtonsResetTheWindowsOfBothFields)
{
    const size_t others = ctx->fileCtx.all().size();
    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        FieldSettings &hand = ctx->settings.fields[f];
        for (int x = 100; x < 110; ++x) {
            hand.windows.setBot(x, 10);
            hand.windows.setTop(x, 150);
            hand.drawPos[x + 200] = 40;
        }
        storeWindows(ctx, f);
        storeDrawMarks(ctx->fileCtx, f, hand.drawPos.data(), kFieldWidth);
    }
    ASSERT_EQ(ctx->fileCtx.all().size(), others + 2 * 30);
    clickButton(ctx, "resetvertical");
    EXPECT_EQ(ctx->fileCtx.all().size(), others + 2 * 10);  // the drawn rows
    EXPECT_EQ(fieldWork, (Fields{0, 1}));
    clickButton(ctx, "resetdrawpos");
    EXPECT_EQ(ctx->fileCtx.all().size(), others);
    for (const FieldSettings &hand : ctx->settings.fields) {
        EXPECT_EQ(hand.windows.getBot(105), -1);
        EXPECT_EQ(hand.windows.getTop(105), -1);
        EXPECT_EQ(hand.drawPos[305], -1);
    }
}

} // namespace
