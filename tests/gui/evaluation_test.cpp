// SPDX-License-Identifier: GPL-3.0-or-later
#include "evalchart.h"

// The evaluation page: cutting the fields out on entry, and the chain that
// recomputes spans, knots, curves and tables only when shown and not busy.

using namespace evalchart;

namespace {

const std::vector<std::string> kCutOutFailed{
    "vellora error: could not cut out temperature and hygro images. Please set better pass points"};

TEST_F(EvalTest, EntryCutsOutOnlyAfterAPassPointChange)
{
    evaluate(false);
    for (const FieldResult &field : ctx->fields) {
        ASSERT_NE(field.pixbuf, nullptr);
        EXPECT_EQ(gdk_pixbuf_get_width(field.pixbuf), kFieldWidth);
        EXPECT_EQ(gdk_pixbuf_get_height(field.pixbuf), kFieldHeight);
    }
    EXPECT_EQ(ctx->dirtyFlags, CurveChanged) << "the fits wait for a display toggle";
    FieldSettings &temp = ctx->settings.fields[SubImgTemp];
    GdkPixbuf *cut = ctx->fields[SubImgTemp].pixbuf;
    temp.drawPos[100] = 50;
    reenterEvaluation();
    EXPECT_EQ(ctx->fields[SubImgTemp].pixbuf, cut);
    EXPECT_EQ(temp.drawPos[100], 50) << "retouch kept";

    // A new cut-out loads the stored windows and draw marks; marks and drawn
    // rows beyond the image (a damaged record) come onto its edge.
    ctx->fileCtx.set("Bot0_0005", "10");
    ctx->fileCtx.set("Draw1_0586", "44");
    ctx->fileCtx.set("Draw1_0585", "99999");
    ctx->settings.datePos[1] = 2147483647;
    setPassPoints(573.0);
    reenterEvaluation();
    EXPECT_EQ(temp.drawPos[100], -1);
    EXPECT_EQ(temp.windows.getBot(5), 10);
    EXPECT_EQ(ctx->settings.fields[SubImgHygro].drawPos[kFieldWidth - 1], 44);
    EXPECT_EQ(ctx->settings.fields[SubImgHygro].drawPos[kFieldWidth - 2], kFieldHeight - 1);
    EXPECT_EQ(ctx->settings.datePos[1], kFieldWidth - 1);
    EXPECT_EQ(takeDialogs(), std::vector<std::string>{});
}

// A refused cut-out drops the results of the old geometry, which could no
// longer be drawn or saved.
void expectRefused(MainCtx *ctx)
{
    EXPECT_EQ(takeDialogs(), kCutOutFailed);
    for (const FieldResult &field : ctx->fields) {
        EXPECT_EQ(field.pixbuf, nullptr);
        EXPECT_EQ(field.curve, nullptr);
        EXPECT_TRUE(field.rows.empty());
    }
}

// Points that cannot be the chart's frame are refused before any cut-out, the
// results of the old geometry dropped, the pass point page shown again; every
// entry tries again.
TEST_F(EvalTest, PassPointsThatAreNoFrameAreRefusedNamingAPoint)
{
    evaluate(true);
    ASSERT_GT(int(ctx->fields[SubImgTemp].rows.size()), 0);
    const std::string refused = "vellora error: The pass points do not form the chart's frame: ";
    ctx->lastSetPassPoint = 0;
    setPassPoints(199.0);
    answerDialogs({AnswerOk, AnswerOk});
    for (int entry = 0; entry < 2; ++entry) {
        reenterEvaluation();
        EXPECT_EQ(takeDialogs(), std::vector<std::string>{
            refused + "TopLeft to BottomLeft is 35 % of what BottomLeft to BottomRight makes it "
                      "on this chart. Check TopLeft."});
        EXPECT_EQ(ctx->fields[SubImgTemp].pixbuf, nullptr);
        EXPECT_TRUE(ctx->fields[SubImgHygro].rows.empty());
        EXPECT_EQ(gtk_notebook_get_current_page(GTK_NOTEBOOK(ctx->widMainNoteBook)), 1);
    }
    // TopLeft below BottomRight: the chart turned over.
    setPassPoints(573.0);
    ctx->settings.passPoints[0].y = 620.0 + 573.0;
    ctx->lastSetPassPoint = 2;
    answerDialogs({AnswerOk});
    showPage(kTablePage);
    EXPECT_EQ(takeDialogs(), std::vector<std::string>{
        refused + "they are in the wrong order or turned over. Check BottomRight."});
    EXPECT_EQ(gtk_notebook_get_current_page(GTK_NOTEBOOK(ctx->widMainNoteBook)), 1);
    // A skewed corner.
    setPassPoints(573.0);
    ctx->settings.passPoints[0].x = 40.0 - 200.0;
    answerDialogs({AnswerOk});
    showPage(kEvaluationPage);
    EXPECT_EQ(takeDialogs(), std::vector<std::string>{
        refused + "the corner at BottomLeft is 109 degrees, not 90. Check BottomRight."});
}

// The click on the tab that starts a cut-out switches the page at once.
TEST_F(EvalTest, FirstTabClickAfterAPassPointWorks)
{
    if (!pointerStateAvailable())
        GTEST_SKIP() << "no XTest";
    ASSERT_NO_FATAL_FAILURE(start());
    openChart();
    runPending();
    const auto page = [this] { return gtk_notebook_get_current_page(GTK_NOTEBOOK(ctx->widMainNoteBook)); };
    for (int round = 0; round < 2; ++round) {
        serverClick(uiWidget(ctx, "passpointtab"));
        EXPECT_EQ(page(), 1) << round;
        setToggle(uiWidget(ctx, "P3"), true);
        clickScan(ctx, 390.0 - round, 620.0);
        serverClick(uiWidget(ctx, "evaluatetab"));
        EXPECT_EQ(page(), kEvaluationPage) << round;
        EXPECT_NE(ctx->fields[SubImgTemp].pixbuf, nullptr);
    }
}

TEST_F(EvalTest, HugeResolutionIsRefusedInsteadOfCrashing)
{
    start("dstPixelsPerMM 100000\n");
    openChart();
    answerDialogs({AnswerOk});
    showPage(kEvaluationPage);
    expectRefused(ctx);
}

TEST_F(EvalTest, ChainWaitsForADisplayToggleThenFitsBothFields)
{
    evaluate(false);
    recomputeChain(ctx, CurveChanged, 2);
    EXPECT_TRUE(fieldWork.empty()) << "nothing is shown, so nothing is fitted";
    EXPECT_TRUE(ctx->dirtyFlags & CurveChanged);

    setToggle(ctx->widShowCurve, true);
    EXPECT_EQ(fieldWork, recomputed({0, 1}));
    EXPECT_FALSE(ctx->dirtyFlags & CurveChanged);
    EXPECT_EQ(takeDialogs(), std::vector<std::string>{});
    EXPECT_NEAR(ctx->fields[SubImgTemp].curve->value(300), kTempRow, 1e-6);
    EXPECT_NEAR(ctx->fields[SubImgHygro].curve->value(300), kHygroRow, 1e-6);
    EXPECT_EQ(entryText(ctx->subImgData[SubImgTemp].wid_mean), "  +5.00");
}

gboolean recomputeWhileBusy(gpointer data)
{
    MainCtx *ctx = static_cast<MainCtx *>(data);
    EXPECT_TRUE(ctx->busy);
    setToggle(ctx->widShowContrast, true);
    recomputeChain(ctx, CurveChanged, 2);
    return FALSE;
}

// The first status update pumps events, and with them this click.
TEST_F(EvalTest, ClickWhileProgressPumpsEventsStartsNoSecondRecomputation)
{
    evaluate(false);
    g_idle_add(recomputeWhileBusy, ctx);
    setToggle(ctx->widShowCurve, true);
    EXPECT_EQ(ctx->showContrast, 1);
    EXPECT_EQ(fieldWork, recomputed({0, 1}));
    EXPECT_FALSE(ctx->dirtyFlags & CurveChanged) << "the ignored request is not queued";
}

} // namespace
